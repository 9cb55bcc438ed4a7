// The scripted host services (rules in scripted.h). Script errors raise cad::Exception with a
// Portuguese text that quotes the dialog or lookup concerned, so a wrong script is visible in
// the test or driver output instead of silently answering something else.
#include "platform/framework/scripted.h"

#include <algorithm>

#include "platform/core/errors.h"
#include "platform/data/dataset.h"
#include "platform/ui/forms.h"

namespace cad {

// ---------------------------------------------------------------- dialogs

void ScriptedDialogs::Answer(int modalResult) {
  if (!ResultButton(modalResult)) throw Exception("Resposta de diálogo inválida: " + std::to_string(modalResult) + ".");
  answers_.push_back(modalResult);
}

std::vector<std::string> ScriptedDialogs::Texts() const {
  std::vector<std::string> out;
  out.reserve(log_.size());
  for (const DialogRecord& r : log_) out.push_back(r.text);
  return out;
}

void ScriptedDialogs::Clear() {
  answers_.clear();
  log_.clear();
}

int ScriptedDialogs::Show(const DialogRequest& request) {
  DialogRecord rec{request.kind, request.key, request.text, request.buttons, request.helpContext, mrNone, false};
  TMsgDlgButtons buttons = request.buttons ? request.buttons : mbOK;
  if (buttons == mbOK) {
    rec.answer = mrOk;
  } else if (!answers_.empty()) {
    int answer = answers_.front();
    answers_.pop_front();
    if (!(buttons & ResultButton(answer))) {
      log_.push_back(rec);
      throw Exception(std::string("Resposta roteirizada '") + ModalResultName(answer) +
                      "' não é um botão do diálogo \"" + request.text + "\".");
    }
    rec.answer = answer;
  } else {
    rec.unanswered = true;
    for (TMsgDlgButtons careful : {mbNo, mbCancel, mbOK})
      if (buttons & careful) {
        rec.answer = ButtonResult(careful);
        break;
      }
    if (rec.answer == mrNone)
      for (TMsgDlgButtons b = 1; b <= mbIgnore; b <<= 1)
        if (buttons & b) {
          rec.answer = ButtonResult(b);
          break;
        }
  }
  log_.push_back(rec);
  return rec.answer;
}

// ---------------------------------------------------------------- lookups

void ScriptedLookups::QueuePick(FieldMatch match) {
  if (match.empty()) throw Exception("Escolha roteirizada sem campos.");
  picks_.push_back(Pending{false, std::move(match), {}});
}

void ScriptedLookups::QueuePickCancel() { picks_.push_back(Pending{true, {}, {}}); }

void ScriptedLookups::QueueMultiPick(std::vector<std::string> keys) {
  multi_.push_back(Pending{false, {}, std::move(keys)});
}

void ScriptedLookups::QueueMultiPickCancel() { multi_.push_back(Pending{true, {}, {}}); }

void ScriptedLookups::Clear() {
  picks_.clear();
  multi_.clear();
  log_.clear();
}

namespace {

std::string describeMatch(const FieldMatch& match) {
  std::string out;
  for (const auto& [field, value] : match) out += (out.empty() ? "" : ", ") + field + " = '" + value.asString() + "'";
  return out;
}

}  // namespace

bool ScriptedLookups::Pick(const PickRequest& request) {
  if (!request.dataSet) throw Exception("Pesquisa sem conjunto de dados.");
  DataSet& ds = *request.dataSet;
  LookupRecord rec;
  rec.title = request.title;
  rec.dataSet = ds.Name;
  if (picks_.empty()) {
    rec.unanswered = true;
    log_.push_back(rec);
    return false;
  }
  Pending next = std::move(picks_.front());
  picks_.pop_front();
  if (next.cancel) {
    log_.push_back(rec);
    return false;
  }
  rec.match = next.match;
  std::string fields;
  VariantArray values;
  for (const auto& [field, value] : next.match) {
    fields += (fields.empty() ? "" : ";") + field;
    values.push_back(value);
  }
  Variant key = values.size() == 1 ? values[0] : Variant(std::move(values));
  if (!ds.Locate(fields, key)) {
    log_.push_back(rec);
    throw Exception("Pesquisa roteirizada \"" + request.title + "\": nenhuma linha de '" + ds.Name + "' com " +
                    describeMatch(next.match) + ".");
  }
  rec.picked = true;
  log_.push_back(rec);
  return true;
}

std::optional<std::vector<std::string>> ScriptedLookups::MultiPick(const MultiPickRequest& request) {
  if (!request.dataSet) throw Exception("Pesquisa sem conjunto de dados.");
  DataSet& ds = *request.dataSet;
  LookupRecord rec;
  rec.multiple = true;
  rec.title = request.title;
  rec.dataSet = ds.Name;
  rec.selected = request.selected;
  if (multi_.empty()) {
    rec.unanswered = true;
    log_.push_back(rec);
    return std::nullopt;
  }
  Pending next = std::move(multi_.front());
  multi_.pop_front();
  if (next.cancel) {
    log_.push_back(rec);
    return std::nullopt;
  }
  // The keys come back in the list's order, as a real check list gives them.
  std::vector<std::string> listed;
  Field& keyField = ds.FieldByName(request.keyField);
  for (int i = 0; i < ds.DisplayCount(); ++i) ds.ReadRow(i, [&] { listed.push_back(keyField.AsString()); });
  for (const std::string& k : next.keys)
    if (std::find(listed.begin(), listed.end(), k) == listed.end()) {
      log_.push_back(rec);
      throw Exception("Pesquisa roteirizada \"" + request.title + "\": a chave '" + k + "' não está na lista de '" +
                      ds.Name + "'.");
    }
  std::vector<std::string> chosen;
  for (const std::string& k : listed)
    if (std::find(next.keys.begin(), next.keys.end(), k) != next.keys.end() &&
        std::find(chosen.begin(), chosen.end(), k) == chosen.end())
      chosen.push_back(k);
  rec.picked = true;
  rec.keys = chosen;
  log_.push_back(rec);
  return chosen;
}

// ---------------------------------------------------------------- progress

void ScriptedProgress::Clear() {
  shown_.clear();
  hides_ = 0;
}

void ScriptedProgress::Show(TForm* form, int kind, const std::string& text) {
  visible_ = true;
  shown_.push_back(ProgressRecord{form ? form->Name() : std::string(), kind, text});
}

void ScriptedProgress::Hide() {
  visible_ = false;
  ++hides_;
}

}  // namespace cad
