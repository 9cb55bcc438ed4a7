// The automation driver's protocol engine (see driver.h and README.md). One Impl serves the
// whole session: it reads lines, parses and checks each command, runs it through the
// user-action dispatcher or reads the state back, and writes the reply. The modal loop reads
// further lines from inside the screen code that called ShowModal, so commands nest exactly as
// the screens' modal forms do.
#include "hosts/driver/driver.h"

#include <algorithm>
#include <istream>
#include <map>
#include <optional>
#include <ostream>

#include "hosts/driver/snapshot.h"
#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/data/dataset.h"
#include "platform/db/database.h"
#include "platform/db/sqltext.h"
#include "platform/framework/modules.h"
#include "platform/framework/scripted.h"
#include "platform/framework/services.h"
#include "platform/framework/session.h"
#include "platform/net/netconnection.h"
#include "platform/report/dadosgerrel.h"
#include "platform/ui/actions.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbcontrols.h"
#include "platform/ui/export.h"
#include "platform/ui/forms.h"
#include "platform/ui/grids.h"
#include "platform/ui/menus.h"
#include "platform/ui/pages.h"

namespace cad::driver {

namespace {

constexpr int kMaxDepth = 32;          // nesting of arrays and objects in a command
constexpr size_t kMaxSqlRows = 10000;  // rows one "sql" reply carries

// ---------------------------------------------------------------- input lines

// Reads lines of at most `limit` bytes; a longer line is consumed to its end and reported as too
// long, so memory stays bounded whatever the input holds. The end of input is sticky.
class LineReader {
 public:
  LineReader(std::istream& in, size_t limit) : in_(in), limit_(limit) {}

  struct Line {
    std::string text;
    bool tooLong = false;
  };

  std::optional<Line> next() {
    if (eof_) return std::nullopt;
    Line line;
    bool any = false;
    std::streambuf* sb = in_.rdbuf();
    for (;;) {
      int c = sb ? sb->sbumpc() : std::char_traits<char>::eof();
      if (c == std::char_traits<char>::eof()) {
        eof_ = true;
        if (!any) return std::nullopt;
        break;
      }
      any = true;
      if (c == '\n') break;
      if (line.text.size() < limit_)
        line.text.push_back(static_cast<char>(c));
      else
        line.tooLong = true;
    }
    if (!line.tooLong && !line.text.empty() && line.text.back() == '\r') line.text.pop_back();
    return line;
  }

 private:
  std::istream& in_;
  size_t limit_;
  bool eof_ = false;
};

// Nesting depth of a JSON text (brackets outside strings); parsing is refused beyond kMaxDepth
// before any parser recursion can happen.
int jsonDepth(const std::string& text) {
  int depth = 0, deepest = 0;
  bool inString = false, escaped = false;
  for (char ch : text) {
    if (inString) {
      if (escaped)
        escaped = false;
      else if (ch == '\\')
        escaped = true;
      else if (ch == '"')
        inString = false;
    } else if (ch == '"') {
      inString = true;
    } else if (ch == '[' || ch == '{') {
      deepest = std::max(deepest, ++depth);
    } else if (ch == ']' || ch == '}') {
      --depth;
    }
  }
  return deepest;
}

// ---------------------------------------------------------------- command fields

const char* typeName(const json& j) {
  switch (j.type()) {
    case json::value_t::null: return "nulo";
    case json::value_t::boolean: return "booleano";
    case json::value_t::string: return "texto";
    case json::value_t::array: return "lista";
    case json::value_t::object: return "objeto";
    default: return "número";
  }
}

// The fields of one command, checked as they are read: a missing field, a field of another type
// and a field the command does not know are refused with the field's name.
class Args {
 public:
  Args(const json& c, std::string cmd, std::initializer_list<const char*> allowed) : c_(c), cmd_(std::move(cmd)) {
    for (const auto& item : c.items()) {
      const std::string& key = item.key();
      if (key == "cmd") continue;
      if (std::none_of(allowed.begin(), allowed.end(), [&](const char* a) { return key == a; }))
        throw CommandError("Campo desconhecido '" + key + "' no comando '" + cmd_ + "'.");
    }
  }

  const std::string& cmd() const { return cmd_; }
  bool has(const char* key) const { return c_.contains(key); }

  const json& value(const char* key) const {
    if (!c_.contains(key)) throw CommandError("Campo '" + std::string(key) + "' ausente no comando '" + cmd_ + "'.");
    return c_[key];
  }
  std::string str(const char* key) const {
    const json& v = value(key);
    if (!v.is_string()) wrong(key, "texto", v);
    return v.get<std::string>();
  }
  std::optional<std::string> optStr(const char* key) const {
    if (!has(key)) return std::nullopt;
    return str(key);
  }
  int integer(const char* key) const {
    const json& v = value(key);
    if (!v.is_number_integer()) wrong(key, "número inteiro", v);
    if (v.is_number_unsigned() ? v.get<uint64_t>() > 1000000000u
                               : (v.get<int64_t>() < -1000000000 || v.get<int64_t>() > 1000000000))
      throw CommandError("Campo '" + std::string(key) + "' do comando '" + cmd_ + "' fora do intervalo.");
    return static_cast<int>(v.get<int64_t>());
  }
  bool flag(const char* key) const {
    if (!has(key)) return false;
    const json& v = value(key);
    if (!v.is_boolean()) wrong(key, "verdadeiro ou falso", v);
    return v.get<bool>();
  }
  const json& array(const char* key) const {
    const json& v = value(key);
    if (!v.is_array()) wrong(key, "lista", v);
    return v;
  }
  const json& object(const char* key) const {
    const json& v = value(key);
    if (!v.is_object()) wrong(key, "objeto", v);
    return v;
  }
  [[noreturn]] void wrong(const std::string& key, const char* expected, const json& got) const {
    throw CommandError("Campo '" + key + "' do comando '" + cmd_ + "' deve ser " + expected + " (veio " +
                       typeName(got) + ").");
  }

 private:
  const json& c_;
  std::string cmd_;
};

// ---------------------------------------------------------------- keys

bool keyFromName(const std::string& name, int& key) {
  static const std::map<std::string, int> kKeys = {
      {"tab", VK_TAB},       {"enter", VK_RETURN}, {"escape", VK_ESCAPE}, {"delete", VK_DELETE}, {"backspace", VK_BACK},
      {"insert", VK_INSERT}, {"space", VK_SPACE},  {"up", VK_UP},         {"down", VK_DOWN},     {"left", VK_LEFT},
      {"right", VK_RIGHT},   {"pageup", VK_PRIOR}, {"pagedown", VK_NEXT}, {"home", VK_HOME},     {"end", VK_END},
  };
  std::string n = lowerCase(name);
  if (auto it = kKeys.find(n); it != kKeys.end()) return key = it->second, true;
  if (n.size() >= 2 && n.size() <= 3 && n[0] == 'f' && isAllDigits(n.substr(1))) {
    int f = std::stoi(n.substr(1));
    if (f >= 1 && f <= 12) return key = VK_F1 + f - 1, true;
  }
  return false;
}

bool navButtonFromName(const std::string& name, TNavigateBtn& b) {
  static const std::map<std::string, TNavigateBtn> kButtons = {
      {"first", TNavigateBtn::nbFirst},     {"prior", TNavigateBtn::nbPrior},   {"next", TNavigateBtn::nbNext},
      {"last", TNavigateBtn::nbLast},       {"insert", TNavigateBtn::nbInsert}, {"delete", TNavigateBtn::nbDelete},
      {"edit", TNavigateBtn::nbEdit},       {"post", TNavigateBtn::nbPost},     {"cancel", TNavigateBtn::nbCancel},
      {"refresh", TNavigateBtn::nbRefresh},
  };
  auto it = kButtons.find(lowerCase(name));
  if (it == kButtons.end()) return false;
  b = it->second;
  return true;
}

std::string dumpLine(const json& j) { return j.dump(-1, ' ', false, json::error_handler_t::replace); }

json okReply() { return json{{"ok", true}}; }
json failReply(const std::string& why) { return json{{"ok", false}, {"error", why}}; }

bool startsWithWord(const std::string& sql, std::initializer_list<const char*> words) {
  std::string t = upperCase(trim(sql));
  for (const char* w : words) {
    size_t n = std::char_traits<char>::length(w);
    if (t.compare(0, n, w) == 0 && (t.size() == n || !std::isalnum(static_cast<unsigned char>(t[n])))) return true;
  }
  return false;
}

// ---------------------------------------------------------------- recording services

// Everything the user would have seen pop up, in the order it appeared: dialogs and lookups.
using EventLog = std::vector<json>;

// Runs a scripted service call and records the log entries it added (from `before`), also when
// it raised, with the error's text.
template <class Call, class Record>
auto Recorded(size_t before, Call&& call, Record&& record) {
  try {
    auto result = call();
    record(before, std::string());
    return result;
  } catch (const std::exception& e) {
    record(before, e.what());
    throw;
  }
}

class RecordingDialogs : public IDialogs {
 public:
  explicit RecordingDialogs(EventLog& log) : log_(log) {}
  ScriptedDialogs& scripted() { return scripted_; }

  int Show(const DialogRequest& request) override {
    return Recorded(
        scripted_.Log().size(), [&] { return scripted_.Show(request); },
        [this](size_t before, const std::string& error) { record(before, error); });
  }

 private:
  void record(size_t before, const std::string& error) {
    for (size_t i = before; i < scripted_.Log().size(); ++i) {
      const DialogRecord& r = scripted_.Log()[i];
      json buttons = json::array();
      for (TMsgDlgButtons b = 1; b <= mbIgnore; b <<= 1)
        if ((r.buttons ? r.buttons : mbOK) & b) buttons.push_back(resultName(ButtonResult(b)));
      json e{{"kind", MsgDlgTypeName(r.kind)},
             {"text", r.text},
             {"buttons", buttons},
             {"answer", r.answer ? json(resultName(r.answer)) : json()},
             {"unanswered", r.unanswered}};
      if (!r.key.empty()) e["key"] = r.key;
      if (!error.empty()) e["error"] = error;
      log_.push_back(std::move(e));
    }
  }
  EventLog& log_;
  ScriptedDialogs scripted_;
};

class RecordingLookups : public ILookups {
 public:
  explicit RecordingLookups(EventLog& log) : log_(log) {}
  ScriptedLookups& scripted() { return scripted_; }

  bool Pick(const PickRequest& request) override {
    return Recorded(
        scripted_.Log().size(), [&] { return scripted_.Pick(request); },
        [this](size_t before, const std::string& error) { record(before, error); });
  }
  std::optional<std::vector<std::string>> MultiPick(const MultiPickRequest& request) override {
    return Recorded(
        scripted_.Log().size(), [&] { return scripted_.MultiPick(request); },
        [this](size_t before, const std::string& error) { record(before, error); });
  }

 private:
  void record(size_t before, const std::string& error) {
    for (size_t i = before; i < scripted_.Log().size(); ++i) {
      const LookupRecord& r = scripted_.Log()[i];
      json e{{"kind", r.multiple ? "picklist" : "lookup"},
             {"text", r.title},
             {"dataset", r.dataSet},
             {"picked", r.picked},
             {"unanswered", r.unanswered}};
      if (r.multiple) {
        e["keys"] = r.keys;
        e["selected"] = r.selected;
      } else {
        json match = json::object();
        for (const auto& [field, value] : r.match) match[field] = toJson(value);
        e["match"] = match;
      }
      if (!error.empty()) e["error"] = error;
      log_.push_back(std::move(e));
    }
  }
  EventLog& log_;
  ScriptedLookups scripted_;
};

}  // namespace

// ---------------------------------------------------------------- the session

struct Driver::Impl {
  Impl(std::istream& input, std::ostream& output, ModuleAccess access, host::Options hostOptions)
      : reader(input, kMaxLine), out(output), modules(std::move(access)), options(std::move(hostOptions)) {}

  LineReader reader;
  std::ostream& out;
  ModuleAccess modules;
  host::Options options;

  EventLog events;
  std::vector<json> calls;
  std::shared_ptr<RecordingDialogs> dialogs;
  std::shared_ptr<RecordingLookups> lookups;
  std::shared_ptr<ScriptedProgress> progress;
  std::shared_ptr<Session> session;
  int callObserver = 0;
  size_t progressSeen = 0, cacheSeen = 0, packagesSeen = 0;

  // A command being run. Its reply goes out when it returns, unless a modal form it opened
  // already answered it ({"opened": ...}).
  struct Frame {
    bool answered = false;
    json extra = json::object();  // members merged into the reply when it goes out
  };
  std::vector<Frame*> frames;
  // The reply of the command that closed a modal form, held until the code that opened the form
  // has gone on (it goes out with the opener's end, or with the next modal form it opens).
  std::optional<json> deferred;

  // Set when stdout can no longer be written (the reader went away): reading stops there.
  bool outputFailed = false;

  void emit(const json& reply) {
    out << dumpLine(reply) << '\n' << std::flush;
    if (!out) outputFailed = true;
  }

  std::optional<LineReader::Line> nextLine() {
    if (outputFailed) return std::nullopt;
    return reader.next();
  }

  // ---- serving lines

  void serve() {
    while (auto line = nextLine())
      if (auto reply = handleLine(*line)) emit(*reply);
  }

  std::optional<json> handleLine(const LineReader::Line& line) {
    Frame frame;
    frames.push_back(&frame);
    json reply;
    try {
      reply = execute(line);
    } catch (const CommandError& e) {
      reply = failReply(e.what());
    } catch (const std::exception& e) {
      reply = failReply(e.what());
    } catch (...) {
      reply = failReply("Erro desconhecido.");
    }
    frames.pop_back();
    if (!frame.answered) {
      for (auto& [k, v] : frame.extra.items()) reply[k] = v;
      return reply;
    }
    if (deferred) {
      json r = std::move(*deferred);
      deferred.reset();
      return r;
    }
    return std::nullopt;
  }

  // The host's modal loop: the form is up; commands are read and run until it closes.
  void runModal(TForm& form) {
    const std::string name = form.Name();
    auto closed = [&] { return form.ModalResult() != mrNone || !form.Visible(); };
    Frame* opener = frames.empty() ? nullptr : frames.back();
    if (closed()) {
      if (opener && !opener->answered) {
        opener->extra["opened"] = name;
        opener->extra["closed"] = name;
        opener->extra["result"] = resultName(form.ModalResult() ? form.ModalResult() : mrCancel);
      }
      return;
    }
    if (deferred) {
      json r = std::move(*deferred);
      deferred.reset();
      r["opened"] = name;
      emit(r);
    } else if (opener && !opener->answered) {
      opener->answered = true;
      json r = okReply();
      for (auto& [k, v] : opener->extra.items()) r[k] = v;
      r["opened"] = name;
      emit(r);
    }
    while (!closed()) {
      auto line = nextLine();
      if (!line) return;  // end of input: ShowModal ends the form as cancelled
      std::optional<json> reply = handleLine(*line);
      if (closed()) {
        if (reply) {
          (*reply)["closed"] = name;
          (*reply)["result"] = resultName(form.ModalResult() ? form.ModalResult() : mrCancel);
          deferred = std::move(*reply);
        }
        return;
      }
      if (reply) emit(*reply);
    }
  }

  json execute(const LineReader::Line& line) {
    if (line.tooLong) throw CommandError("Linha longa demais (limite de " + std::to_string(kMaxLine) + " bytes).");
    if (trim(line.text).empty()) throw CommandError("Linha vazia: esperado um objeto JSON.");
    // The JSON parser takes a NUL byte for the end of its input: whatever followed would go unseen.
    if (line.text.find('\0') != std::string::npos)
      throw CommandError("Linha com caractere nulo: esperado um objeto JSON.");
    if (jsonDepth(line.text) > kMaxDepth)
      throw CommandError("JSON aninhado demais (limite de " + std::to_string(kMaxDepth) + " níveis).");
    json c;
    try {
      c = json::parse(line.text);
    } catch (const json::parse_error& e) {
      throw CommandError("JSON inválido na posição " + std::to_string(e.byte) + ".");
    }
    if (!c.is_object())
      throw CommandError("O comando deve ser um objeto JSON (veio " + std::string(typeName(c)) + ").");
    if (!c.contains("cmd")) throw CommandError("Campo 'cmd' ausente.");
    if (!c["cmd"].is_string())
      throw CommandError("Campo 'cmd' deve ser texto (veio " + std::string(typeName(c["cmd"])) + ").");
    std::string cmd = c["cmd"].get<std::string>();
    using Handler = json (Impl::*)(const json&);
    static const std::map<std::string, Handler> kCommands = {
        {"open", &Impl::cmdOpen},         {"forms", &Impl::cmdForms},       {"focus", &Impl::cmdFocus},
        {"type", &Impl::cmdType},         {"set", &Impl::cmdSet},           {"key", &Impl::cmdKey},
        {"click", &Impl::cmdClick},       {"dblclick", &Impl::cmdDblClick}, {"cell", &Impl::cmdCell},
        {"title", &Impl::cmdTitle},       {"nav", &Impl::cmdNav},           {"select", &Impl::cmdSelect},
        {"close", &Impl::cmdClose},       {"answer", &Impl::cmdAnswer},     {"pick", &Impl::cmdPick},
        {"picklist", &Impl::cmdPickList}, {"get", &Impl::cmdGet},           {"dataset", &Impl::cmdDataSet},
        {"messages", &Impl::cmdMessages}, {"calls", &Impl::cmdCalls},       {"progress", &Impl::cmdProgress},
        {"cache", &Impl::cmdCache},       {"bpl", &Impl::cmdBpl},           {"sql", &Impl::cmdSql},
        {"session", &Impl::cmdSession},   {"report", &Impl::cmdReport},     {"export", &Impl::cmdExport},
    };
    auto it = kCommands.find(cmd);
    if (it == kCommands.end()) throw CommandError("Comando desconhecido: '" + cmd.substr(0, 64) + "'.");
    return (this->*(it->second))(c);
  }

  // ---- finding forms, components and datasets

  TForm& formNamed(const std::string& name) {
    TForm* f = Application().FindForm(name);
    if (!f) throw CommandError("Formulário '" + name + "' não encontrado.");
    return *f;
  }

  // Forms in search order: the active form, then the others, the latest shown first.
  std::vector<TForm*> searchOrder(const Args& a) {
    if (auto name = a.optStr("form")) return {&formNamed(*name)};
    std::vector<TForm*> order;
    if (TForm* active = Application().ActiveForm()) order.push_back(active);
    const auto& forms = Application().Forms();
    for (auto it = forms.rbegin(); it != forms.rend(); ++it)
      if ((*it)->Visible() && std::find(order.begin(), order.end(), *it) == order.end()) order.push_back(*it);
    for (auto it = forms.rbegin(); it != forms.rend(); ++it)
      if (std::find(order.begin(), order.end(), *it) == order.end()) order.push_back(*it);
    return order;
  }

  TComponent& component(const Args& a, const char* key = "control") {
    std::string name = a.str(key);
    for (TForm* f : searchOrder(a)) {
      if (TComponent* c = f->FindComponent(name)) return *c;
      if (sameText(f->Name(), name)) return *f;
    }
    throw CommandError("Controle '" + name + "' não encontrado.");
  }

  TControl& control(const Args& a) {
    TComponent& c = component(a);
    auto* ctl = dynamic_cast<TControl*>(&c);
    if (!ctl) throw CommandError(c.Describe() + " não é um controle.");
    return *ctl;
  }

  template <class T>
  T& typed(const Args& a, const char* what) {
    TComponent& c = component(a);
    auto* t = dynamic_cast<T*>(&c);
    if (!t) throw CommandError(c.Describe() + " não é " + what + ".");
    return *t;
  }

  TForm& activeForm() {
    if (TForm* f = Application().ActiveForm(); f && f->Visible()) return *f;
    const auto& forms = Application().Forms();
    for (auto it = forms.rbegin(); it != forms.rend(); ++it)
      if ((*it)->Visible()) return **it;
    throw CommandError("Nenhum formulário aberto.");
  }

  // ---- replies of user actions

  static json actionReply(const ActionResult& r) {
    if (r.refused()) return failReply(r.message);
    json j = okReply();
    j["status"] = ActionResult::statusName(r.status);
    if (r.status == ActionResult::Status::Failed) j["message"] = r.message;
    return j;
  }

  static json focusedOf(TControl& c) {
    TForm* f = c.ParentForm();
    TControl* active = f ? f->ActiveControl() : nullptr;
    return active ? json(active->Name()) : json();
  }

  // ---- commands: screens and forms

  json cmdOpen(const json& c) {
    Args a(c, "open", {"entry", "arg", "args", "code"});
    std::string entry = a.str("entry");
    std::string code = a.optStr("code").value_or("GER04100");
    if (a.has("arg") && a.has("args")) throw CommandError("Use 'arg' ou 'args' no comando 'open', não os dois.");
    VariantArray params;
    if (a.has("arg")) params.push_back(toVariant(a.value("arg"), "arg"));
    if (a.has("args"))
      for (const json& v : a.array("args")) params.push_back(toVariant(v, "args"));
    std::vector<std::string> names;
    try {
      names = modules.entries(code);
    } catch (const std::exception& e) {
      throw CommandError(e.what());
    }
    auto found = std::find_if(names.begin(), names.end(), [&](const std::string& n) { return sameText(n, entry); });
    if (found == names.end())
      throw CommandError("O pacote '" + upperCase(code) + "' não tem a entrada '" + entry + "'.");
    std::string exact = *found;
    json reply = actionReply(UserActions::Run([&] { modules.call(code, exact, params); }));
    if (TForm* f = Application().ActiveForm()) reply["form"] = f->Name();
    return reply;
  }

  json cmdForms(const json& c) {
    Args a(c, "forms", {});
    json list = json::array();
    for (TForm* f : Application().Forms()) list.push_back(describeForm(*f));
    json r = okReply();
    r["forms"] = list;
    return r;
  }

  json cmdClose(const json& c) {
    Args a(c, "close", {"form"});
    TForm& f = a.has("form") ? formNamed(a.str("form")) : activeForm();
    return actionReply(UserActions::CloseForm(f));
  }

  // ---- commands: reports

  // Renders the report of a report screen (the active form, or "form") into a PDF file, through
  // the screen's own checks and parameters, as its preview would show it.
  json cmdReport(const json& c) {
    Args a(c, "report", {"path", "form"});
    TForm& f = a.has("form") ? formNamed(a.str("form")) : activeForm();
    auto* rel = dynamic_cast<TfrmDadosGerRel*>(&f);
    if (!rel) throw CommandError("O formulário '" + f.Name() + "' não é uma tela de relatório.");
    std::string path = a.str("path");
    if (path.empty()) throw CommandError("Campo 'path' vazio.");
    size_t pages = 0;
    json r = actionReply(UserActions::Run([&] { pages = rel->GeraPdf(path); }));
    if (r["ok"] && r["status"] == "ok") {
      r["path"] = path;
      r["pages"] = pages;
    }
    return r;
  }

  // Writes what a grid shows to a CSV or XLSX file, as the grid's "Exportar…" menu does.
  json cmdExport(const json& c) {
    Args a(c, "export", {"control", "form", "path", "format"});
    auto& grid = typed<TCustomGrid>(a, "uma grade");
    std::string path = a.str("path");
    if (path.empty()) throw CommandError("Campo 'path' vazio.");
    std::string name = a.str("format");
    ExportFormat format;
    if (!ExportFormatFromName(name, format))
      throw CommandError("Formato de exportação desconhecido: '" + name.substr(0, 16) + "' (use csv ou xlsx).");
    json r = actionReply(UserActions::Run([&] { ExportGrid(grid, path, format); }));
    if (r["ok"] && r["status"] == "ok") r["path"] = path;
    return r;
  }

  // ---- commands: input

  json cmdFocus(const json& c) {
    Args a(c, "focus", {"control", "form"});
    TControl& ctl = control(a);
    json r = actionReply(UserActions::Focus(ctl));
    if (r["ok"]) r["focused"] = focusedOf(ctl);
    return r;
  }

  json cmdType(const json& c) {
    Args a(c, "type", {"control", "form", "text"});
    TControl& ctl = control(a);
    std::string text = a.str("text");
    json r = actionReply(UserActions::Type(ctl, text));
    if (r["ok"]) r["focused"] = focusedOf(ctl);
    return r;
  }

  json cmdSet(const json& c) {
    Args a(c, "set", {"control", "form", "text"});
    TControl& ctl = control(a);
    std::string text = a.str("text");
    json r;
    if (auto* grid = dynamic_cast<TCustomGrid*>(&ctl)) {
      // A grid's cell: Delete empties the cell's editor (an open one has its text selected first),
      // then the text is typed into it.
      if (!grid->HasOption(goEditing)) throw CommandError(grid->Describe() + " não permite edição.");
      if (grid->EditorMode()) {
        UserActions::KeyDown(*grid, VK_HOME, 0);
        UserActions::KeyDown(*grid, VK_END, ssShift);
      }
      ActionResult cleared = UserActions::KeyDown(*grid, VK_DELETE, 0);
      r = actionReply(cleared.ok() && !text.empty() ? UserActions::Type(*grid, text) : cleared);
    } else {
      r = actionReply(UserActions::SetText(ctl, text));
    }
    if (r["ok"]) r["focused"] = focusedOf(ctl);
    return r;
  }

  json cmdKey(const json& c) {
    Args a(c, "key", {"control", "form", "key", "shift"});
    std::string keyName = a.str("key");
    int key = 0;
    if (!keyFromName(keyName, key)) throw CommandError("Tecla desconhecida: '" + keyName.substr(0, 32) + "'.");
    ShiftState shift = 0;
    if (a.has("shift"))
      for (const json& s : a.array("shift")) {
        if (!s.is_string()) a.wrong("shift", "lista de textos", s);
        std::string n = lowerCase(s.get<std::string>());
        if (n == "ctrl")
          shift |= ssCtrl;
        else if (n == "alt")
          shift |= ssAlt;
        else if (n == "shift")
          shift |= ssShift;
        else
          throw CommandError("Modificador desconhecido: '" + n.substr(0, 32) + "' (use ctrl, alt ou shift).");
      }
    TControl* target = nullptr;
    if (a.has("control")) {
      target = &control(a);
    } else {
      TForm& f = a.has("form") ? formNamed(a.str("form")) : activeForm();
      target = f.ActiveControl() ? f.ActiveControl() : static_cast<TControl*>(&f);
    }
    json r = actionReply(UserActions::KeyDown(*target, key, shift));
    if (r["ok"]) r["focused"] = focusedOf(*target);
    return r;
  }

  json cmdClick(const json& c) {
    Args a(c, "click", {"control", "form"});
    TComponent& comp = component(a);
    if (auto* item = dynamic_cast<TMenuItem*>(&comp)) return actionReply(UserActions::ClickMenuItem(*item));
    auto* ctl = dynamic_cast<TControl*>(&comp);
    if (!ctl) throw CommandError(comp.Describe() + " não pode ser clicado.");
    return actionReply(UserActions::Click(*ctl));
  }

  json cmdDblClick(const json& c) {
    Args a(c, "dblclick", {"control", "form"});
    return actionReply(UserActions::DblClick(control(a)));
  }

  // ---- commands: grids and lists

  // A grid column by field name (data grids), title text (string grids) or index.
  int gridColumn(TCustomGrid& grid, const Args& a) {
    const json& col = a.value("col");
    auto* db = dynamic_cast<TDBGrid*>(&grid);
    if (col.is_string()) {
      std::string name = col.get<std::string>();
      if (db) {
        for (int i = 0; i < db->ColumnCount(); ++i)
          if (sameText(db->Columns(i).FieldName, name)) return i;
      } else if (auto* sg = dynamic_cast<TStringGrid*>(&grid); sg && sg->FixedRows() > 0) {
        for (int i = 0; i < sg->ColCount(); ++i)
          if (sameText(sg->Cells(i, 0), name)) return i;
      }
      throw CommandError(grid.Describe() + ": coluna '" + name.substr(0, 64) + "' inexistente.");
    }
    int index = a.integer("col");
    int count = db ? db->ColumnCount() : grid.ColCount();
    if (index < 0 || index >= count)
      throw CommandError(grid.Describe() + ": coluna " + std::to_string(index) + " fora da grade (0.." +
                         std::to_string(count - 1) + ").");
    return index;
  }

  json cmdCell(const json& c) {
    Args a(c, "cell", {"control", "form", "row", "col", "text", "click", "dblclick"});
    auto& grid = typed<TCustomGrid>(a, "uma grade");
    int row = a.integer("row");
    int col = gridColumn(grid, a);
    auto* db = dynamic_cast<TDBGrid*>(&grid);
    int dataRows = grid.RowCount() - (db ? 1 : grid.FixedRows());
    if (row < 1 || row > dataRows)
      throw CommandError(grid.Describe() + ": linha " + std::to_string(row) + " fora da grade (" +
                         (dataRows > 0 ? "1.." + std::to_string(dataRows) : std::string("sem linhas")) + ").");
    int gridRow = db ? row : grid.FixedRows() + row - 1;
    std::optional<std::string> text = a.optStr("text");
    bool click = a.flag("click"), dblclick = a.flag("dblclick");
    bool there =
        db ? (db->CurrentRow() == row && db->SelectedIndex() == col) : (grid.Row() == gridRow && grid.Col() == col);
    // Reaching a cell is a click on it; "click" asks for one even when the grid is already there.
    ActionResult r;
    if (!there || click) r = UserActions::SelectCell(grid, col, gridRow);
    if (r.ok() && dblclick) r = UserActions::DblClick(grid);
    if (r.ok() && text) r = UserActions::Type(grid, *text);
    json reply = actionReply(r);
    if (reply["ok"]) {
      reply["row"] = db ? db->CurrentRow() : grid.Row() - grid.FixedRows() + 1;
      reply["col"] = db ? db->SelectedIndex() : grid.Col();
    }
    return reply;
  }

  json cmdTitle(const json& c) {
    Args a(c, "title", {"control", "form", "col"});
    auto& grid = typed<TDBGrid>(a, "uma grade de dados");
    return actionReply(UserActions::TitleClick(grid, gridColumn(grid, a)));
  }

  json cmdNav(const json& c) {
    Args a(c, "nav", {"control", "form", "button"});
    auto& nav = typed<TDBNavigator>(a, "um navegador");
    std::string name = a.str("button");
    TNavigateBtn b;
    if (!navButtonFromName(name, b))
      throw CommandError("Botão de navegação desconhecido: '" + name.substr(0, 32) +
                         "' (use first, prior, next ou last).");
    return actionReply(UserActions::Navigate(nav, b));
  }

  json cmdSelect(const json& c) {
    Args a(c, "select", {"control", "form", "index", "indexes"});
    TControl& ctl = control(a);
    if (a.has("index") == a.has("indexes")) throw CommandError("Use 'index' ou 'indexes' no comando 'select'.");
    if (a.has("index")) return actionReply(UserActions::SelectIndex(ctl, a.integer("index")));
    auto* list = dynamic_cast<TListBox*>(&ctl);
    if (!list || !list->MultiSelect()) throw CommandError(ctl.Describe() + " não é uma lista de seleção múltipla.");
    const json& indexes = a.array("indexes");
    if (indexes.empty()) throw CommandError("'indexes' vazio no comando 'select'.");
    std::vector<int> wanted;
    for (const json& i : indexes) {
      if (!i.is_number_integer()) a.wrong("indexes", "lista de números inteiros", i);
      int64_t v = i.get<int64_t>();
      if (v < 0 || v >= list->Count())
        throw CommandError(list->Describe() + ": item " + std::to_string(v) + " inexistente.");
      wanted.push_back(static_cast<int>(v));
    }
    // A click on the first item, Ctrl+click on the others: exactly these stay selected.
    ActionResult r = UserActions::SelectIndex(*list, wanted[0], false);
    for (size_t i = 1; i < wanted.size() && r.ok(); ++i)
      if (!list->Selected(wanted[i])) r = UserActions::SelectIndex(*list, wanted[i], true);
    return actionReply(r);
  }

  // ---- commands: queued answers

  json cmdAnswer(const json& c) {
    Args a(c, "answer", {"button"});
    std::string button = a.str("button");
    int mr = ModalResultFromName(button);
    if (!mr) throw CommandError("Botão desconhecido: '" + button.substr(0, 32) + "' (use Yes, No, OK ou Cancel).");
    dialogs->scripted().Answer(mr);
    json r = okReply();
    r["pending"] = dialogs->scripted().Pending();
    return r;
  }

  json cmdPick(const json& c) {
    Args a(c, "pick", {"match", "cancel"});
    if (a.has("match") == a.has("cancel")) throw CommandError("Use 'match' ou 'cancel' no comando 'pick'.");
    if (a.has("cancel")) {
      if (!a.flag("cancel")) throw CommandError("'cancel' do comando 'pick' só aceita true.");
      lookups->scripted().QueuePickCancel();
    } else {
      const json& match = a.object("match");
      if (match.empty()) throw CommandError("'match' vazio no comando 'pick'.");
      FieldMatch fields;
      for (const auto& [field, value] : match.items()) {
        if (value.is_array() || value.is_object())
          throw CommandError("'match': o valor de '" + field + "' deve ser simples.");
        fields.emplace_back(field, toVariant(value, "match"));
      }
      lookups->scripted().QueuePick(std::move(fields));
    }
    json r = okReply();
    r["pending"] = lookups->scripted().PendingPicks();
    return r;
  }

  json cmdPickList(const json& c) {
    Args a(c, "picklist", {"keys", "cancel"});
    if (a.has("keys") == a.has("cancel")) throw CommandError("Use 'keys' ou 'cancel' no comando 'picklist'.");
    if (a.has("cancel")) {
      if (!a.flag("cancel")) throw CommandError("'cancel' do comando 'picklist' só aceita true.");
      lookups->scripted().QueueMultiPickCancel();
    } else {
      std::vector<std::string> keys;
      for (const json& k : a.array("keys")) {
        if (k.is_string())
          keys.push_back(k.get<std::string>());
        else if (k.is_number_integer())
          keys.push_back(std::to_string(k.get<int64_t>()));
        else
          a.wrong("keys", "lista de textos", k);
      }
      lookups->scripted().QueueMultiPick(std::move(keys));
    }
    json r = okReply();
    r["pending"] = lookups->scripted().PendingMultiPicks();
    return r;
  }

  // ---- commands: reading back

  json cmdGet(const json& c) {
    Args a(c, "get", {"control", "form"});
    json r = okReply();
    r.update(describeComponent(component(a)));
    return r;
  }

  json cmdDataSet(const json& c) {
    Args a(c, "dataset", {"name", "form"});
    std::string name = a.str("name");
    for (TForm* f : searchOrder(a))
      if (DataSet* ds = f->FindDataSet(name)) {
        json r = okReply();
        r.update(describeDataSet(*ds));
        return r;
      }
    throw CommandError("Conjunto de dados '" + name + "' não encontrado.");
  }

  json cmdMessages(const json& c) {
    Args a(c, "messages", {});
    json r = okReply();
    r["messages"] = json(std::exchange(events, {}));
    return r;
  }

  json cmdCalls(const json& c) {
    Args a(c, "calls", {});
    json r = okReply();
    r["calls"] = json(std::exchange(calls, {}));
    return r;
  }

  json cmdProgress(const json& c) {
    Args a(c, "progress", {});
    json texts = json::array();
    const auto& shown = progress->Shown();
    for (size_t i = std::min(progressSeen, shown.size()); i < shown.size(); ++i) texts.push_back(shown[i].text);
    progressSeen = shown.size();
    json r = okReply();
    r["visible"] = progress->Visible();
    r["texts"] = texts;
    return r;
  }

  json cmdCache(const json& c) {
    Args a(c, "cache", {});
    json list = json::array();
    const auto& requests = session->CacheRequests();
    for (size_t i = std::min(cacheSeen, requests.size()); i < requests.size(); ++i) list.push_back(requests[i]);
    cacheSeen = requests.size();
    json r = okReply();
    r["refreshes"] = list;
    return r;
  }

  json cmdBpl(const json& c) {
    Args a(c, "bpl", {});
    json list = json::array();
    const auto& loads = session->PackageLoads();
    for (size_t i = std::min(packagesSeen, loads.size()); i < loads.size(); ++i)
      list.push_back({{"code", loads[i].code},
                      {"params", toJson(Variant(loads[i].params))},
                      {"result", toJson(Variant(loads[i].result))}});
    packagesSeen = loads.size();
    json r = okReply();
    r["packages"] = list;
    return r;
  }

  json cmdSql(const json& c) {
    Args a(c, "sql", {"query", "params"});
    std::string sql = a.str("query");
    std::shared_ptr<db::Database> database = db::sessionDatabase();
    if (!database) throw CommandError("Sem banco de dados da sessão.");
    db::Params params;
    if (a.has("params")) {
      const json& p = a.value("params");
      if (p.is_object()) {
        for (const auto& [name, value] : p.items()) params.emplace_back(name, toVariant(value, "params"));
      } else if (p.is_array()) {
        // Values by position: the parameters in order of their first use in the text.
        std::vector<std::string> names =
            db::rewriteParams(sql, [](size_t, const std::string&) { return std::string("?"); }).names;
        if (p.size() != names.size())
          throw CommandError("O comando SQL usa " + std::to_string(names.size()) + " parâmetro(s); vieram " +
                             std::to_string(p.size()) + ".");
        for (size_t i = 0; i < names.size(); ++i) params.emplace_back(names[i], toVariant(p[i], "params"));
      } else {
        a.wrong("params", "lista ou objeto", p);
      }
    }
    json r = okReply();
    try {
      if (startsWithWord(sql, {"SELECT", "WITH", "VALUES", "PRAGMA", "EXPLAIN", "SHOW"})) {
        db::ResultSet rs = database->query(sql, params);
        json columns = json::array();
        for (const db::Column& col : rs.columns) columns.push_back(col.name);
        json rows = json::array();
        for (size_t i = 0; i < rs.rows.size() && i < kMaxSqlRows; ++i) {
          json row = json::object();
          for (size_t k = 0; k < rs.columns.size() && k < rs.rows[i].size(); ++k)
            row[rs.columns[k].name] = toJson(rs.rows[i][k]);
          rows.push_back(std::move(row));
        }
        r["columns"] = columns;
        r["rows"] = rows;
        if (rs.rows.size() > kMaxSqlRows) r["truncated"] = true;
      } else {
        r["affected"] = database->exec(sql, params);
      }
    } catch (const Exception& e) {
      throw CommandError(e.what());
    }
    return r;
  }

  json sessionJson() const {
    std::string date;
    try {
      date = session->DataProc(session->FiliProc).iso();
    } catch (const std::exception&) {
    }
    return {{"operator", session->Operador}, {"branch", session->FiliProc},   {"date", date},
            {"module", session->ModuloAtiv}, {"modufili", session->ModuFili}, {"locale", options.locale}};
  }

  json cmdSession(const json& c) {
    Args a(c, "session", {"set"});
    if (a.has("set")) {
      host::Options changed = options;
      for (const auto& [key, value] : a.object("set").items()) {
        if (!host::isSessionKey(key))
          throw CommandError("A chave '" + key.substr(0, 32) +
                             "' não muda durante a sessão (use operator, branch, date, module, modufili ou locale).");
        std::string text;
        if (value.is_string())
          text = value.get<std::string>();
        else if (value.is_boolean())
          text = value.get<bool>() ? "true" : "false";
        else if (value.is_number_integer())
          text = std::to_string(value.get<int64_t>());
        else if (value.is_null())
          text = "";
        else
          throw CommandError("O valor de '" + key + "' deve ser texto, número ou booleano.");
        try {
          host::applySetting(changed, key, text);
        } catch (const Exception& e) {
          throw CommandError(e.what());
        }
      }
      // A new operator (or password) signs in first: a refusal leaves the session as it was.
      const json& set = a.object("set");
      if (modules.signIn && (set.contains("operator") || set.contains("password"))) {
        try {
          changed.operatorName = modules.signIn(changed.operatorName, changed.password);
        } catch (const Exception& e) {
          throw CommandError(e.what());
        }
      }
      host::applySession(*session, changed);
      options = std::move(changed);
    }
    json r = okReply();
    r["session"] = sessionJson();
    return r;
  }
};

// ---------------------------------------------------------------- Driver

Driver::Driver(std::istream& in, std::ostream& out, ModuleAccess modules, host::Options options)
    : d_(std::make_unique<Impl>(in, out, std::move(modules), std::move(options))) {
  Impl& d = *d_;
  d.dialogs = std::make_shared<RecordingDialogs>(d.events);
  d.lookups = std::make_shared<RecordingLookups>(d.events);
  d.progress = std::make_shared<ScriptedProgress>();
  d.session = std::make_shared<Session>();
  host::applySession(*d.session, d.options);
  InstallHostServices(HostServices{d.dialogs, d.lookups, d.progress, d.session});
  Application().RunModalHook = [&d](TForm& form) { d.runModal(form); };
  d.callObserver = AddCallObserver([&d](const RpcCallRecord& rec) {
    json args = json::array();
    for (const Variant& v : rec.args) args.push_back(toJson(v));
    json call{{"method", rec.method}, {"args", args}};
    if (!rec.error.empty()) call["error"] = rec.error;
    d.calls.push_back(std::move(call));
  });
}

Driver::~Driver() {
  RemoveCallObserver(d_->callObserver);
  // The screens go before the services they were shown with; no close handler runs any more.
  std::vector<TForm*> forms = Application().Forms();
  for (TForm* f : forms) {
    f->Hide();
    Application().release(f);
  }
  Application().FlushReleased();
  Application().RunModalHook = nullptr;
  InstallScriptedHost();
}

void Driver::OpenAtStart(const std::string& target) {
  ScreenTarget s = parseScreenTarget(target);
  UserActions::Run([&] { d_->modules.call(s.code, s.entry, s.params); });
}

int Driver::Run() {
  d_->serve();
  return d_->outputFailed ? 1 : 0;
}

}  // namespace cad::driver
