// cadserv-layoutgen: turns a screen's layout folder (its layout units and the owners file beside
// them) into a C++ header that gives every owner class a typed member per component it owns and
// binds every handler the units name to a member function of its owner, so a misspelled or missing
// handler and a misspelled component type are compile errors. See platform/framework/README.md
// ("Components and handlers from the layout") for the owners file and the generated interface.
//
// Usage: cadserv-layoutgen --namespace NS --owners FILE --out HEADER [--base LAYOUT]... UNIT.json...
//   --base names a base screen's layout unit: its names exist before the units load (a menu item
//   node without "type" extends such an item instead of creating one).
#include <fnmatch.h>

#include <algorithm>
#include <fstream>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using json = nlohmann::ordered_json;

struct Error : std::runtime_error {
  using std::runtime_error::runtime_error;
};

json readJson(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw Error(path + ": cannot be read");
  try {
    return json::parse(in);
  } catch (const json::parse_error& e) {
    throw Error(path + ": " + e.what());
  }
}

std::string stem(const std::string& path) {
  std::string base = path.substr(path.find_last_of('/') + 1);
  return base.substr(0, base.find('.'));
}

bool identifier(const std::string& s) {
  if (s.empty() || std::isdigit(static_cast<unsigned char>(s[0]))) return false;
  return std::all_of(s.begin(), s.end(),
                     [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
}

// A class name as the owners file writes it ("TfrmX", "paginas::Turnos"), relative to namespace cad.
bool className(const std::string& s) {
  for (size_t pos = 0;;) {
    size_t next = s.find("::", pos);
    if (!identifier(s.substr(pos, next == std::string::npos ? std::string::npos : next - pos))) return false;
    if (next == std::string::npos) return true;
    pos = next + 2;
  }
}

// The owners file: which class owns what.
//   form <unit> <Class>     the unit's form class: owns whatever no other line gives away
//   <Class> <name>...       components (with everything laid out inside them), datasets, data
//                           sources or handlers; '*' and '?' match as in file names
//   manual <name>...        handlers the code registers itself (Handler/Bind), not generated
struct Owners {
  std::map<std::string, std::string> formOf;                 // unit -> class
  std::vector<std::pair<std::string, std::string>> entries;  // (class, pattern) in file order
  std::vector<std::string> manual;
  std::vector<std::string> order;  // classes in order of first mention

  void mention(const std::string& cls) {
    if (std::find(order.begin(), order.end(), cls) == order.end()) order.push_back(cls);
  }

  static bool matches(const std::string& pattern, const std::string& name) {
    return fnmatch(pattern.c_str(), name.c_str(), 0) == 0;
  }

  // The class a line gives the name to ("" when none): an exact name before a pattern.
  std::string explicitOwner(const std::string& name) const {
    for (const auto& [cls, pattern] : entries)
      if (pattern == name) return cls;
    for (const auto& [cls, pattern] : entries)
      if (matches(pattern, name)) return cls;
    return {};
  }

  bool isManual(const std::string& handler) const {
    return std::any_of(manual.begin(), manual.end(), [&](const std::string& p) { return matches(p, handler); });
  }
};

Owners readOwners(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw Error(path + ": cannot be read");
  Owners o;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    std::istringstream words(line);
    std::vector<std::string> w;
    for (std::string s; words >> s;) w.push_back(s);
    if (w.empty()) continue;
    auto fail = [&](const std::string& why) { throw Error(path + ":" + std::to_string(number) + ": " + why); };
    if (w[0] == "form") {
      if (w.size() != 3 || !className(w[2])) fail("expected 'form <unit> <Class>'");
      if (!o.formOf.emplace(w[1], w[2]).second) fail("unit '" + w[1] + "' has two form lines");
      o.mention(w[2]);
    } else if (w[0] == "manual") {
      o.manual.insert(o.manual.end(), w.begin() + 1, w.end());
    } else {
      if (!className(w[0]) || w.size() < 2) fail("expected '<Class> <name>...'");
      o.mention(w[0]);
      for (size_t i = 1; i < w.size(); ++i) o.entries.emplace_back(w[0], w[i]);
    }
  }
  return o;
}

struct Member {
  std::string name, type;  // type as the layout names it
  bool operator==(const Member&) const = default;
};

struct Handler {
  std::string name, owner, namedBy;  // namedBy: the component (or "form") whose event names it
};

// What one unit gives each class.
struct Unit {
  std::string name, formClass;
  std::map<std::string, std::vector<Member>> members;  // by class, in layout order
  std::vector<Handler> handlers;                       // in layout order, each name once
};

bool eventKey(const std::string& key) {
  auto starts = [&](const char* p) {
    size_t n = std::char_traits<char>::length(p);
    return key.size() > n && key.compare(0, n, p) == 0 && std::isupper(static_cast<unsigned char>(key[n]));
  };
  return starts("On") || starts("Before") || starts("After");
}

class UnitReader {
 public:
  UnitReader(const Owners& owners, const std::set<std::string>& baseNames, Unit& unit)
      : owners_(owners), baseNames_(baseNames), unit_(unit) {}

  void read(const json& root, const std::string& path) {
    path_ = path;
    if (!root.is_object()) throw Error(path + ": a layout unit is a JSON object");
    const std::string& form = unit_.formClass;
    if (auto it = root.find("form"); it != root.end()) events(*it, form, "form");
    for (const json& d : list(root, "dataSets")) {
      std::string name = text(d, "name"), owner = ownerOf(name, form);
      std::string type = text(d, "type");
      add(owner, name, type.empty() ? "TClientDataSet" : type);
      events(d, owner, name);
      for (const json& f : list(d, "fields")) events(f, owner, name + "." + text(f, "name"));
    }
    for (const json& s : list(root, "dataSources")) {
      std::string name = text(s, "name"), owner = ownerOf(name, form);
      add(owner, name, "DataSource");
      events(s, owner, name);
    }
    for (const json& n : list(root, "components")) node(n, form, false);
  }

 private:
  static const json& list(const json& node, const char* key) {
    static const json empty = json::array();
    auto it = node.find(key);
    if (it == node.end()) return empty;
    if (!it->is_array()) throw Error(std::string("'") + key + "' must be a list");
    return *it;
  }

  static std::string text(const json& node, const char* key) {
    auto it = node.find(key);
    return it != node.end() && it->is_string() ? it->get<std::string>() : std::string();
  }

  std::string ownerOf(const std::string& name, const std::string& inherited) const {
    std::string o = name.empty() ? std::string() : owners_.explicitOwner(name);
    return o.empty() ? inherited : o;
  }

  void add(const std::string& owner, const std::string& name, const std::string& type) {
    if (name.empty()) return;
    if (!identifier(name)) throw Error(path_ + ": '" + name + "' is not a C++ name");
    if (!identifier(type)) throw Error(path_ + ": component '" + name + "': type '" + type + "' is not a C++ name");
    for (const auto& [cls, ms] : unit_.members)
      for (const Member& m : ms)
        if (m.name == name) throw Error(path_ + ": '" + name + "' is declared twice");
    unit_.members[owner].push_back({name, type});
  }

  // A component node: a node with "type" creates the component; one without extends a component
  // that exists already, except a menu item whose name the base layouts do not declare.
  void node(const json& n, const std::string& inherited, bool menuItem) {
    if (!n.is_object()) throw Error(path_ + ": each component is an object");
    std::string name = text(n, "name"), type = text(n, "type");
    std::string owner = ownerOf(name, inherited);
    if (!type.empty())
      add(owner, name, type);
    else if (menuItem && !name.empty() && !baseNames_.count(name))
      add(owner, name, "TMenuItem");
    events(n, owner, name.empty() ? "(unnamed)" : name);
    for (const json& c : list(n, "children")) node(c, owner, false);
    for (const json& c : list(n, "items")) node(c, owner, true);
  }

  void events(const json& n, const std::string& owner, const std::string& where) {
    for (auto it = n.begin(); it != n.end(); ++it) {
      if (!eventKey(it.key()) || !it->is_string() || it->get<std::string>().empty()) continue;
      std::string h = it->get<std::string>();
      if (owners_.isManual(h)) continue;
      if (!identifier(h)) throw Error(path_ + ": " + where + "." + it.key() + ": '" + h + "' is not a C++ name");
      std::string o = owners_.explicitOwner(h);
      bool given = !o.empty();
      if (!given) o = owner;
      auto same =
          std::find_if(unit_.handlers.begin(), unit_.handlers.end(), [&](const Handler& x) { return x.name == h; });
      if (same == unit_.handlers.end()) {
        unit_.handlers.push_back({h, o, where});
      } else if (same->owner != o) {
        throw Error(path_ + ": handler '" + h + "' is named by " + same->namedBy + " (owned by " + same->owner +
                    ") and by " + where + " (owned by " + o + "): give it to one class in the owners file");
      }
    }
  }

  const Owners& owners_;
  const std::set<std::string>& baseNames_;
  Unit& unit_;
  std::string path_;
};

void collectNames(const json& n, std::set<std::string>& out) {
  if (n.is_object()) {
    if (auto it = n.find("name"); it != n.end() && it->is_string()) out.insert(it->get<std::string>());
    for (const auto& [k, v] : n.items())
      if (v.is_array() || v.is_object()) collectNames(v, out);
  } else if (n.is_array()) {
    for (const json& e : n) collectNames(e, out);
  }
}

// "paginas::Turnos" -> "paginas_Turnos"
std::string flat(const std::string& cls) {
  std::string s = cls;
  for (size_t p; (p = s.find("::")) != std::string::npos;) s.replace(p, 2, "_");
  return s;
}

std::string structName(const std::string& cls) { return flat(cls) + "Components"; }

std::string bindName(const std::string& cls) { return "Bind" + flat(cls); }

std::string generate(const std::string& ns, const std::string& ownersPath, const Owners& owners,
                     const std::vector<Unit>& units) {
  // Each class's components must be the same in every unit that gives it components, as one
  // struct serves all of them.
  std::map<std::string, std::vector<Member>> members;
  std::map<std::string, std::string> firstUnit;
  for (const Unit& u : units)
    for (const auto& [cls, ms] : u.members) {
      auto [it, fresh] = members.emplace(cls, ms);
      if (fresh) {
        firstUnit[cls] = u.name;
        continue;
      }
      auto missing = [](const std::vector<Member>& a, const std::vector<Member>& b) {
        for (const Member& m : a)
          if (std::find(b.begin(), b.end(), m) == b.end()) return m.name + " (" + m.type + ")";
        return std::string();
      };
      std::string d = missing(it->second, ms), unitOf = u.name, other = firstUnit[cls];
      if (d.empty()) d = missing(ms, it->second), std::swap(unitOf, other);
      if (!d.empty())
        throw Error(ownersPath + ": " + cls + " owns " + d + " in unit '" + other + "' but not in unit '" + unitOf +
                    "': its components must be the same in every unit (give the difference to another class)");
    }
  std::map<std::string, std::vector<std::string>> handlers;  // by class, each name once
  for (const Unit& u : units)
    for (const Handler& h : u.handlers) {
      auto& hs = handlers[h.owner];
      if (std::find(hs.begin(), hs.end(), h.name) == hs.end()) hs.push_back(h.name);
    }
  std::vector<std::string> classes;
  for (const std::string& cls : owners.order)
    if (members.count(cls) || handlers.count(cls)) classes.push_back(cls);

  std::ostringstream o;
  o << "// Generated by cadserv-layoutgen from " << ownersPath << " and its layout units; do not edit.\n"
    << "#pragma once\n\n#include <string_view>\n#include <type_traits>\n\n"
    << "#include \"platform/framework/layout_binding.h\"\n\n";
  for (const Unit& u : units) o << "extern const std::string_view kLayout_" << u.name << ";\n";
  o << "\nnamespace cad {\n\n";
  for (const std::string& cls : classes) {
    size_t p = cls.rfind("::");
    if (p == std::string::npos) {
      o << "class " << cls << ";\n";
    } else {
      o << "namespace " << cls.substr(0, p) << " { class " << cls.substr(p + 2) << "; }\n";
    }
  }
  o << "\nnamespace layout::" << ns << " {\n"
    << "\n// Generated: a function here has a statement per component or handler, however many the layout has.\n"
    << "// NOLINTBEGIN(readability-function-size)\n";
  for (const std::string& cls : classes) {
    if (auto m = members.find(cls); m != members.end()) {
      const std::string s = structName(cls);
      o << "\n// The components " << cls << " owns; " << cls << " derives from this struct.\n"
        << "struct " << s << " {\n";
      for (const Member& x : m->second) o << "  layout_types::" << x.type << "* " << x.name << " = nullptr;\n";
      o << "\n  // Every member from the loaded form (a component missing or of another type raises).\n"
        << "  void FindComponents(const TForm& form) {\n";
      for (const Member& x : m->second)
        o << "    " << x.name << " = form.find<layout_types::" << x.type << ">(\"" << x.name << "\");\n";
      o << "  }\n};\n";
    }
    if (auto h = handlers.find(cls); h != handlers.end()) {
      o << "\n// Registers on the form the handlers of " << cls << " the layout names.\n"
        << "template <class Owner = ::cad::" << cls << ">\n"
        << "void " << bindName(cls) << "(TForm& form, std::type_identity_t<Owner>& owner) {\n";
      for (const std::string& n : h->second)
        o << "  BindLayoutHandler(form, \"" << n << "\", owner, &Owner::" << n << ");\n";
      o << "}\n";
    }
  }
  for (const Unit& u : units) {
    std::vector<std::string> uc;  // the unit's classes: the form's first
    uc.push_back(u.formClass);
    for (const std::string& cls : classes) {
      bool has = u.members.count(cls) ||
                 std::any_of(u.handlers.begin(), u.handlers.end(), [&](const Handler& h) { return h.owner == cls; });
      if (has && cls != u.formClass) uc.push_back(cls);
    }
    o << "\n// Unit " << u.name << ": binds the handlers of each class, loads the unit into the form, then fills\n"
      << "// each class's components. The first object is the form.\n"
      << "template <";
    for (size_t i = 0; i < uc.size(); ++i) o << (i ? ", " : "") << "class O" << i << " = ::cad::" << uc[i];
    o << ">\nvoid Load_" << u.name << "(";
    for (size_t i = 0; i < uc.size(); ++i) o << (i ? ", " : "") << "std::type_identity_t<O" << i << ">& o" << i;
    o << ") {\n  static_assert(std::is_base_of_v<TForm, O0>, \"" << u.formClass << " must be a form\");\n"
      << "  TForm& form = o0;\n";
    for (size_t i = 0; i < uc.size(); ++i)
      if (handlers.count(uc[i])) o << "  " << bindName(uc[i]) << "(form, o" << i << ");\n";
    o << "  form.LoadLayout(kLayout_" << u.name << ");\n";
    for (size_t i = 0; i < uc.size(); ++i)
      if (members.count(uc[i])) {
        const std::string s = structName(uc[i]);
        o << "  static_assert(std::is_base_of_v<" << s << ", O" << i << ">, \"" << uc[i]
          << " must derive from layout::" << ns << "::" << s << "\");\n"
          << "  static_cast<" << s << "&>(o" << i << ").FindComponents(form);\n";
        // A member of the same name declared by the class itself would hide the component and
        // stay unset.
        for (const Member& x : members[uc[i]])
          o << "  static_assert(std::is_same_v<decltype(&O" << i << "::" << x.name << "), layout_types::" << x.type
            << "* " << s << "::*>, \"" << uc[i] << "::" << x.name << " hides its component\");\n";
      }
    o << "}\n";
  }
  o << "\n// NOLINTEND(readability-function-size)\n\n}  // namespace layout::" << ns << "\n\n}  // namespace cad\n";
  return o.str();
}

int run(int argc, char** argv) {
  std::string ns, ownersPath, out;
  std::vector<std::string> bases, unitPaths;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) throw Error(a + " needs a value");
      return argv[++i];
    };
    if (a == "--namespace")
      ns = value();
    else if (a == "--owners")
      ownersPath = value();
    else if (a == "--out")
      out = value();
    else if (a == "--base")
      bases.push_back(value());
    else
      unitPaths.push_back(a);
  }
  if (!identifier(ns) || ownersPath.empty() || out.empty() || unitPaths.empty())
    throw Error("usage: cadserv-layoutgen --namespace NS --owners FILE --out HEADER [--base LAYOUT]... UNIT.json...");
  Owners owners = readOwners(ownersPath);
  std::set<std::string> baseNames;
  for (const std::string& b : bases) collectNames(readJson(b), baseNames);
  std::sort(unitPaths.begin(), unitPaths.end());
  std::vector<Unit> units;
  for (const std::string& path : unitPaths) {
    Unit u;
    u.name = stem(path);
    if (!identifier(u.name)) throw Error(path + ": the unit's name is not a C++ name");
    auto f = owners.formOf.find(u.name);
    if (f == owners.formOf.end()) throw Error(ownersPath + ": no 'form " + u.name + " <Class>' line");
    u.formClass = f->second;
    UnitReader(owners, baseNames, u).read(readJson(path), path);
    units.push_back(std::move(u));
  }
  for (const auto& entry : owners.formOf) {
    const std::string& unit = entry.first;
    if (std::none_of(units.begin(), units.end(), [&](const Unit& u) { return u.name == unit; }))
      throw Error(ownersPath + ": 'form " + unit + "' names no layout unit of the folder");
  }
  std::string text = generate(ns, ownersPath, owners, units);
  // Rewritten only when it changes, so the screens that include it are not rebuilt for nothing.
  std::ifstream old(out);
  std::stringstream current;
  current << old.rdbuf();
  if (old && current.str() == text) return 0;
  std::ofstream w(out);
  w << text;
  if (!w) throw Error(out + ": cannot be written");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const std::exception& e) {
    std::cerr << "cadserv-layoutgen: " << e.what() << "\n";
    return 1;
  }
}
