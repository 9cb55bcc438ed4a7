// The scripted host services: dialogs answered from a queue, lookups picked from a queue and a
// progress display that only records. They serve the tests and the automation driver, which
// script a session in advance and then read back what the user would have seen.
//
// Rules (the same for every scripted session):
//  - Dialogs: a message whose only button is OK is answered OK without touching the queue (there
//    is nothing to choose). Any other dialog takes the next queued answer; an answer that is not
//    one of its buttons is a script error (cad::Exception). With nothing queued the dialog is
//    answered with its most careful button — No, else Cancel, else OK, else the first — and
//    logged as unanswered.
//  - Lookups: single picks and multiple picks have a queue each. A pick names the row by field
//    values ({"CDFILIAL": "0002"}); a row that does not exist, or a key that is not in the list,
//    is a script error. With nothing queued the lookup is cancelled and logged as unanswered.
//  - Progress: every show is logged with its form, kind and text; Visible tells whether the
//    display is up now.
#pragma once

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "platform/core/variant.h"
#include "platform/framework/services.h"

namespace cad {

struct DialogRecord {
  TMsgDlgType kind = TMsgDlgType::mtInformation;
  std::string key;
  std::string text;
  TMsgDlgButtons buttons = mbOK;
  int helpContext = 0;
  int answer = 0;           // the modal result given
  bool unanswered = false;  // a question met an empty queue
};

class ScriptedDialogs : public IDialogs {
 public:
  // Queues the answer (a modal result: mrYes, mrNo, mrOk, mrCancel, ...) of the next question.
  void Answer(int modalResult);
  size_t Pending() const { return answers_.size(); }
  const std::vector<DialogRecord>& Log() const { return log_; }
  // The texts shown, in order (convenient in tests).
  std::vector<std::string> Texts() const;
  void Clear();  // forgets the queue and the log

  int Show(const DialogRequest& request) override;

 private:
  std::deque<int> answers_;
  std::vector<DialogRecord> log_;
};

using FieldMatch = std::vector<std::pair<std::string, Variant>>;

struct LookupRecord {
  bool multiple = false;
  std::string title;
  std::string dataSet;                // name of the dataset listed
  bool picked = false;                // false: cancelled
  bool unanswered = false;            // cancelled because nothing was queued
  FieldMatch match;                   // single pick: the values that named the row
  std::vector<std::string> keys;      // multiple pick: the keys chosen
  std::vector<std::string> selected;  // multiple pick: the keys marked when the list opened
};

class ScriptedLookups : public ILookups {
 public:
  void QueuePick(FieldMatch match);
  void QueuePickCancel();
  void QueueMultiPick(std::vector<std::string> keys);
  void QueueMultiPickCancel();
  size_t PendingPicks() const { return picks_.size(); }
  size_t PendingMultiPicks() const { return multi_.size(); }
  const std::vector<LookupRecord>& Log() const { return log_; }
  void Clear();

  bool Pick(const PickRequest& request) override;
  std::optional<std::vector<std::string>> MultiPick(const MultiPickRequest& request) override;

 private:
  struct Pending {
    bool cancel = false;
    FieldMatch match;
    std::vector<std::string> keys;
  };
  std::deque<Pending> picks_, multi_;
  std::vector<LookupRecord> log_;
};

struct ProgressRecord {
  std::string form;  // name of the form shown over ("" = the main window)
  int kind = 0;
  std::string text;
};

class ScriptedProgress : public IProgress {
 public:
  bool Visible() const { return visible_; }
  const std::vector<ProgressRecord>& Shown() const { return shown_; }
  int HideCount() const { return hides_; }
  void Clear();

  void Show(TForm* form, int kind, const std::string& text) override;
  void Hide() override;

 private:
  bool visible_ = false;
  int hides_ = 0;
  std::vector<ProgressRecord> shown_;
};

}  // namespace cad
