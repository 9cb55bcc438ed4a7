// TMessages: message tables keyed without regard to case (rules in messages.h). The layout type
// "TMessages" is registered when the library loads.
#include "platform/framework/messages.h"

#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/ui/forms.h"
#include "platform/ui/layout.h"
#include "platform/ui/props.h"

namespace cad {

using ui_detail::Prop;

namespace {

[[maybe_unused]] const bool kRegistered = [] {
  RegisterComponentType("TMessages", [] { return std::unique_ptr<TComponent>(std::make_unique<TMessages>()); });
  return true;
}();

}  // namespace

void TMessages::SetItems(std::vector<std::string> items) {
  std::map<std::string, std::string, std::less<>> table;
  for (const std::string& line : items) {
    size_t bar = line.find('|');
    if (bar == std::string::npos) throw Exception(Describe() + ": mensagem sem '|': \"" + line + "\".");
    std::string key = upperCase(trim(line.substr(0, bar)));
    if (key.empty()) throw Exception(Describe() + ": mensagem sem chave: \"" + line + "\".");
    if (!table.emplace(key, line.substr(bar + 1)).second)
      throw Exception(Describe() + ": chave de mensagem repetida '" + trim(line.substr(0, bar)) + "'.");
  }
  items_ = std::move(items);
  byKey_ = std::move(table);
  Changed("Items");
}

void TMessages::Add(const std::string& key, const std::string& text) {
  std::string k = upperCase(trim(key));
  if (k.empty()) throw Exception(Describe() + ": mensagem sem chave.");
  std::string line = trim(key) + "|" + text;
  if (auto it = byKey_.find(k); it != byKey_.end()) {
    for (std::string& l : items_)
      if (sameText(trim(l.substr(0, l.find('|'))), key)) l = line;
    it->second = text;
  } else {
    items_.push_back(line);
    byKey_.emplace(k, text);
  }
  Changed("Items");
}

void TMessages::SetFallback(TMessages* table) {
  for (TMessages* t = table; t; t = t->fallback_)
    if (t == this) throw Exception(Describe() + ": tabela de mensagens encadeada a si mesma.");
  fallback_ = table;
}

const std::string* TMessages::find(std::string_view key) const {
  std::string k = upperCase(trim(key));
  for (const TMessages* t = this; t; t = t->fallback_)
    if (auto it = t->byKey_.find(k); it != t->byKey_.end()) return &it->second;
  return nullptr;
}

bool TMessages::Contains(std::string_view key) const { return find(key) != nullptr; }

std::string TMessages::Msg(std::string_view key) const {
  const std::string* text = find(key);
  return text ? *text : std::string(key);
}

std::string TMessages::Msg(std::string_view key, const std::vector<std::string>& args) const {
  return formatMessage(Msg(key), args);
}

int TMessages::ShowMsg(std::string_view keyOrText, TMsgDlgType kind, TMsgDlgButtons buttons) const {
  return ShowMsg(keyOrText, kind, buttons, {});
}

int TMessages::ShowMsg(std::string_view keyOrText, TMsgDlgType kind, TMsgDlgButtons buttons,
                       const std::vector<std::string>& args) const {
  const std::string* text = find(keyOrText);
  DialogRequest request;
  request.kind = kind;
  request.buttons = buttons;
  if (text) {
    request.key = std::string(keyOrText);
    request.text = args.empty() ? *text : formatMessage(*text, args);
  } else {
    request.text = args.empty() ? std::string(keyOrText) : formatMessage(keyOrText, args);
  }
  return ShowDialog(request);
}

const PropertyTable& TMessages::Properties() const {
  static const PropertyTable table(
      &TComponent::Properties(),
      {
          Prop<TMessages>(
              "Items", [](const TMessages& m) { return StringsToVariant(m.Items()); },
              [](TMessages& m, const Variant& v) { m.SetItems(PropStrings(v)); }),
          Prop<TMessages>(
              "Fallback", [](const TMessages& m) { return m.Fallback() ? m.Fallback()->Name() : std::string(); },
              [](TMessages& m, const Variant& v) {
                std::string name = PropString(v);
                if (name.empty()) return m.SetFallback(nullptr);
                auto* form = dynamic_cast<TForm*>(m.Owner());
                if (!form) throw Exception(m.Describe() + ": sem formulário para achar '" + name + "'.");
                m.SetFallback(form->find<TMessages>(name));
              }),
      });
  return table;
}

}  // namespace cad
