// TMessages: the screens' message tables. A non-visual component (layout type "TMessages") whose
// "Items" are "KEY|text" lines; every text a screen shows is looked up here by key.
//
// Rules:
//  - Keys match without regard to letter case ("FILIAL" finds "Filial"); the text is everything
//    after the first '|'. A line without '|' or a key given twice (in any case) is refused when
//    the items are set, naming the line.
//  - A key the table lacks is looked up in its Fallback table (the base screen chains its own
//    table to the standard one); a key found nowhere gives the key itself as the text, so a
//    missing message still shows something recognisable and the screens can tell a key from a
//    text (Contains).
//  - ShowMsg takes a key or a plain text: a known key shows its text (and the dialog log keeps
//    the key); anything else is shown as it is.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/framework/services.h"
#include "platform/ui/component.h"

namespace cad {

class TMessages : public TComponent {
 public:
  const char* ClassName() const override { return "TMessages"; }
  const PropertyTable& Properties() const override;

  const std::vector<std::string>& Items() const { return items_; }
  // Replaces the table; throws cad::Exception for a malformed line or a repeated key.
  void SetItems(std::vector<std::string> items);
  // Adds (or replaces) one message.
  void Add(const std::string& key, const std::string& text);

  TMessages* Fallback() const { return fallback_; }
  void SetFallback(TMessages* table);

  // Whether the key is known here or in the fallback chain.
  bool Contains(std::string_view key) const;
  // The text of the key; the key itself when it is unknown.
  std::string Msg(std::string_view key) const;
  // The text with its %s / %S places filled in order.
  std::string Msg(std::string_view key, const std::vector<std::string>& args) const;

  // Shows the text of a key (or the text itself) in a dialog; returns the button answered
  // (mrYes = 6, mrNo = 7, mrOk = 1, mrCancel = 2).
  int ShowMsg(std::string_view keyOrText, TMsgDlgType kind = TMsgDlgType::mtInformation,
              TMsgDlgButtons buttons = mbOK) const;
  int ShowMsg(std::string_view keyOrText, TMsgDlgType kind, TMsgDlgButtons buttons,
              const std::vector<std::string>& args) const;

 private:
  const std::string* find(std::string_view key) const;
  std::vector<std::string> items_;
  std::map<std::string, std::string, std::less<>> byKey_;  // upper-case key -> text
  TMessages* fallback_ = nullptr;
};

}  // namespace cad
