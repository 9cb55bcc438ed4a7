// The layout loader and the factory table of component and dataset types. Loading runs in three
// passes over the component nodes: create (or find) every component and its tree, then set the
// plain properties (so references may point forward), then assign the event handlers.
#include "platform/ui/layout.h"

#include <map>
#include <nlohmann/json.hpp>
#include <vector>

#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/data/dataset.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbcontrols.h"
#include "platform/ui/forms.h"
#include "platform/ui/grids.h"
#include "platform/ui/menus.h"
#include "platform/ui/pages.h"

namespace cad {

namespace {

using json = nlohmann::ordered_json;

struct TypeEntry {
  ComponentFactory component;
  DataSetType dataSet;
};

template <class T>
ComponentFactory make() {
  return [] { return std::unique_ptr<TComponent>(std::make_unique<T>()); };
}

std::map<std::string, TypeEntry, std::less<>>& registry() {
  static std::map<std::string, TypeEntry, std::less<>> table = [] {
    std::map<std::string, TypeEntry, std::less<>> t;
    auto add = [&](const char* name, ComponentFactory f) { t[upperCase(name)].component = std::move(f); };
    add("TLabel", make<TLabel>());
    add("TEdit", make<TEdit>());
    add("TMaskEdit", make<TMaskEdit>());
    add("TDateEditPlus", make<TDateEditPlus>());
    add("TNumberEdit", make<TNumberEdit>());
    add("TCheckBox", make<TCheckBox>());
    add("TRadioButton", make<TRadioButton>());
    add("TRadioGroup", make<TRadioGroup>());
    add("TComboBox", make<TComboBox>());
    add("TListBox", make<TListBox>());
    add("TButton", make<TButton>());
    add("TBitBtn", make<TButton>());
    add("TSpeedButton", make<TSpeedButton>());
    add("TButtonFlat", make<TButtonFlat>());
    add("TBtnPesquisa", make<TBtnPesquisa>());
    add("TPanel", make<TPanel>());
    add("TGroupBox", make<TGroupBox>());
    add("TSplitter", make<TSplitter>());
    add("TImage", make<TImage>());
    add("TStringGrid", make<TStringGrid>());
    add("TPageControl", make<TPageControl>());
    add("TTabSheet", make<TTabSheet>());
    add("TNotebook", make<TNotebook>());
    add("TPage", make<TPage>());
    add("TMainMenu", make<TMainMenu>());
    add("TPopupMenu", make<TPopupMenu>());
    add("TMenuItem", make<TMenuItem>());
    add("TDBEdit", make<TDBEdit>());
    add("TDBCheckBox", make<TDBCheckBox>());
    add("TDBRadioGroup", make<TDBRadioGroup>());
    add("TDBComboBox", make<TDBComboBox>());
    add("TDBGrid", make<TDBGrid>());
    add("TDBNavigator", make<TDBNavigator>());
    t[upperCase("TClientDataSet")].dataSet.create = [] {
      return std::unique_ptr<DataSet>(std::make_unique<ClientDataSet>());
    };
    return t;
  }();
  return table;
}

// ---- JSON -> Variant

Variant toVariant(const json& j) {
  switch (j.type()) {
    case json::value_t::null: return Variant();
    case json::value_t::boolean: return Variant(j.get<bool>());
    case json::value_t::number_integer:
    case json::value_t::number_unsigned: return Variant(j.get<long long>());
    case json::value_t::number_float: return Variant(j.get<double>());
    case json::value_t::string: return Variant(j.get<std::string>());
    case json::value_t::array: {
      VariantArray a;
      for (const json& e : j) a.push_back(toVariant(e));
      return Variant(std::move(a));
    }
    case json::value_t::object: {
      VariantArray a;
      for (auto it = j.begin(); it != j.end(); ++it)
        a.push_back(Variant(VariantArray{Variant(it.key()), toVariant(it.value())}));
      return Variant(std::move(a));
    }
    default: throw Exception("Valor de layout não suportado.");
  }
}

std::string str(const json& node, const char* key) {
  auto it = node.find(key);
  if (it == node.end() || it->is_null()) return {};
  if (!it->is_string()) throw Exception(std::string("Layout: '") + key + "' deve ser um texto.");
  return it->get<std::string>();
}

bool reservedKey(const std::string& k) {
  return k == "type" || k == "name" || k == "children" || k == "items" || k == "columns" || k == "fields";
}

struct Pending {
  TComponent* component;
  const json* node;
};

class Loader {
 public:
  explicit Loader(TForm& form) : form_(form) {}

  void load(const json& root) {
    if (!root.is_object()) throw Exception("Layout: o texto deve ser um objeto JSON.");
    if (auto it = root.find("dataSets"); it != root.end())
      for (const json& d : *it) dataSet(d);
    if (auto it = root.find("dataSources"); it != root.end())
      for (const json& s : *it) dataSource(s);
    if (auto it = root.find("form"); it != root.end()) pending_.push_back({&form_, &*it});
    if (auto it = root.find("components"); it != root.end()) {
      if (!it->is_array()) throw Exception("Layout: 'components' deve ser uma lista.");
      for (const json& n : *it) node(n, &form_);
    }
    for (const Pending& p : pending_) properties(*p.component, *p.node, false);
    for (const Pending& p : pending_) properties(*p.component, *p.node, true);
    for (auto& [src, node] : sourceEvents_) sourceEventProps(*src, *node);
  }

 private:
  void node(const json& n, TControl* parent) {
    if (!n.is_object()) throw Exception("Layout: cada componente deve ser um objeto.");
    std::string type = str(n, "type"), name = str(n, "name");
    TComponent* c;
    if (type.empty()) {
      if (name.empty()) throw Exception("Layout: componente sem 'type' e sem 'name'.");
      c = form_.FindComponent(name);
      if (!c) throw Exception("Layout: componente '" + name + "' a estender não existe.");
    } else {
      c = &form_.InsertComponent(withName(CreateComponent(type), name));
      if (auto* ctl = dynamic_cast<TControl*>(c)) {
        if (parent) ctl->SetParent(parent);
      } else if (auto* menu = dynamic_cast<TMainMenu*>(c); menu && !form_.Menu()) {
        form_.SetMenu(menu);
      }
    }
    pending_.push_back({c, &n});
    if (auto it = n.find("children"); it != n.end()) {
      auto* ctl = dynamic_cast<TControl*>(c);
      if (!ctl) throw Exception("Layout: " + c->Describe() + " não pode conter controles.");
      for (const json& ch : *it) node(ch, ctl);
    }
    if (auto it = n.find("items"); it != n.end()) {
      TMenuItem* parentItem = nullptr;
      if (auto* m = dynamic_cast<TMenu*>(c))
        parentItem = &m->Items();
      else
        parentItem = dynamic_cast<TMenuItem*>(c);
      if (!parentItem) throw Exception("Layout: " + c->Describe() + " não tem itens de menu.");
      for (const json& i : *it) item(i, *parentItem);
    }
    if (auto it = n.find("columns"); it != n.end())
      for (const json& col : *it) c->AddLayoutEntry("columns", pairs(col));
  }

  void item(const json& n, TMenuItem& parent) {
    if (!n.is_object()) throw Exception("Layout: cada item de menu deve ser um objeto.");
    std::string type = str(n, "type"), name = str(n, "name");
    TMenuItem* mi = nullptr;
    if (type.empty() && !name.empty() && form_.FindComponent(name)) {
      mi = form_.find<TMenuItem>(name);
    } else {
      TComponent& c = form_.InsertComponent(withName(CreateComponent(type.empty() ? "TMenuItem" : type), name));
      mi = dynamic_cast<TMenuItem*>(&c);
      if (!mi) throw Exception("Layout: " + c.Describe() + " não é um item de menu.");
      parent.Add(mi);
    }
    pending_.push_back({mi, &n});
    if (auto it = n.find("items"); it != n.end())
      for (const json& i : *it) item(i, *mi);
  }

  static std::unique_ptr<TComponent> withName(std::unique_ptr<TComponent> c, const std::string& name) {
    c->SetName(name);
    return c;
  }

  static std::vector<std::pair<std::string, Variant>> pairs(const json& obj) {
    if (!obj.is_object()) throw Exception("Layout: cada coluna deve ser um objeto.");
    std::vector<std::pair<std::string, Variant>> out;
    for (auto it = obj.begin(); it != obj.end(); ++it) out.emplace_back(it.key(), toVariant(it.value()));
    return out;
  }

  void properties(TComponent& c, const json& n, bool events) {
    for (auto it = n.begin(); it != n.end(); ++it) {
      if (reservedKey(it.key())) continue;
      const Property* p = c.Properties().find(it.key());
      if (!p) throw Exception("Layout: " + c.Describe() + ": propriedade desconhecida '" + it.key() + "'.");
      if (p->event != events) continue;
      if (!p->set) throw Exception("Layout: " + c.Describe() + ": a propriedade '" + it.key() + "' é somente leitura.");
      try {
        p->set(c, toVariant(it.value()));
      } catch (const EAbort&) {
        throw;
      } catch (const std::exception& e) {
        std::string msg = e.what();
        if (msg.find(c.Name()) == std::string::npos || c.Name().empty())
          msg = c.Describe() + "." + it.key() + ": " + msg;
        throw Exception("Layout: " + msg);
      }
    }
  }

  // ---- datasets and data sources

  void dataSet(const json& n) {
    std::string type = str(n, "type"), name = str(n, "name");
    if (type.empty()) type = "TClientDataSet";
    auto& reg = registry();
    auto it = reg.find(upperCase(type));
    if (it == reg.end() || !it->second.dataSet.create)
      throw Exception("Layout: tipo de conjunto de dados desconhecido '" + type + "'.");
    std::unique_ptr<DataSet> owned = it->second.dataSet.create();
    owned->Name = name;
    DataSet& ds = form_.AddDataSet(std::move(owned));
    if (auto f = n.find("fields"); f != n.end())
      for (const json& fd : *f) field(ds, fd);
    for (auto p = n.begin(); p != n.end(); ++p) {
      if (reservedKey(p.key())) continue;
      Variant v = toVariant(p.value());
      if (it->second.dataSet.setProperty && it->second.dataSet.setProperty(form_, ds, p.key(), v)) continue;
      dataSetProperty(ds, p.key(), v);
    }
  }

  void dataSetProperty(DataSet& ds, const std::string& key, const Variant& v) {
    static const char* const events[] = {"BeforeOpen",   "AfterOpen",   "BeforeClose",  "AfterClose",  "BeforeInsert",
                                         "AfterInsert",  "BeforeEdit",  "AfterEdit",    "BeforePost",  "AfterPost",
                                         "BeforeCancel", "AfterCancel", "BeforeDelete", "AfterDelete", "BeforeScroll",
                                         "AfterScroll",  "OnNewRecord", "OnCalcFields"};
    DataSetEvent* slots[] = {&ds.BeforeOpen,   &ds.AfterOpen,   &ds.BeforeClose,  &ds.AfterClose,  &ds.BeforeInsert,
                             &ds.AfterInsert,  &ds.BeforeEdit,  &ds.AfterEdit,    &ds.BeforePost,  &ds.AfterPost,
                             &ds.BeforeCancel, &ds.AfterCancel, &ds.BeforeDelete, &ds.AfterDelete, &ds.BeforeScroll,
                             &ds.AfterScroll,  &ds.OnNewRecord, &ds.OnCalcFields};
    for (size_t i = 0; i < std::size(events); ++i)
      if (sameText(key, events[i])) {
        *slots[i] = form_.ResolveHandler<DataSetEvent>(PropString(v));
        return;
      }
    if (sameText(key, "ReadOnly"))
      ds.ReadOnly = PropBool(v);
    else if (sameText(key, "LogChanges"))
      ds.LogChanges = PropBool(v);
    else if (sameText(key, "Tag"))
      ds.Tag = PropInt(v);
    else if (sameText(key, "IndexFieldNames"))
      ds.SetIndexFieldNames(PropString(v));
    else if (sameText(key, "Filter"))
      ds.SetFilter(PropString(v));
    else if (sameText(key, "Filtered"))
      ds.SetFiltered(PropBool(v));
    else
      throw Exception("Layout: conjunto de dados '" + ds.Name + "': propriedade desconhecida '" + key + "'.");
  }

  void field(DataSet& ds, const json& n) {
    std::string name = str(n, "name"), type = str(n, "type");
    if (name.empty()) throw Exception("Layout: campo sem nome em '" + ds.Name + "'.");
    FieldType ft = FieldType::String;
    if (!type.empty() && !parseFieldType(type, ft))
      throw Exception("Layout: campo '" + ds.Name + "." + name + "': tipo desconhecido '" + type + "'.");
    int size = n.value("size", 0);
    bool calculated = n.value("calculated", false);
    Field* f;
    if (calculated) {
      f = &ds.AddCalcField(name, ft, size);
    } else {
      FieldDef def;
      def.name = name;
      def.type = ft;
      def.size = size;
      def.required = n.value("required", false);
      def.fixedChar = n.value("fixedChar", false);
      f = &ds.AddField(def);
      f->Required = def.required;
    }
    for (auto p = n.begin(); p != n.end(); ++p) {
      const std::string& k = p.key();
      if (k == "name" || k == "type" || k == "size" || k == "calculated" || k == "required" || k == "fixedChar")
        continue;
      Variant v = toVariant(p.value());
      if (sameText(k, "ReadOnly"))
        f->ReadOnly = PropBool(v);
      else if (sameText(k, "Visible"))
        f->Visible = PropBool(v);
      else if (sameText(k, "DisplayLabel"))
        f->DisplayLabel = PropString(v);
      else if (sameText(k, "DisplayWidth"))
        f->DisplayWidth = PropInt(v);
      else if (sameText(k, "EditMask"))
        f->EditMask = PropString(v);
      else if (sameText(k, "DisplayFormat"))
        f->DisplayFormat = PropString(v);
      else if (sameText(k, "Tag"))
        f->Tag = PropInt(v);
      else if (sameText(k, "Numeric"))
        f->Numeric = PropBool(v);
      else if (sameText(k, "MinValue"))
        f->MinValue = v.asFloat();
      else if (sameText(k, "Alignment")) {
        std::string a = PropString(v);
        f->Align = sameText(a, "taRightJustify") || sameText(a, "right") ? Alignment::Right
                   : sameText(a, "taCenter") || sameText(a, "center")    ? Alignment::Center
                                                                         : Alignment::Left;
      } else if (sameText(k, "OnValidate"))
        f->OnValidate = form_.ResolveHandler<std::function<void(Field&)>>(PropString(v));
      else if (sameText(k, "OnChange"))
        f->OnChange = form_.ResolveHandler<std::function<void(Field&)>>(PropString(v));
      else if (sameText(k, "OnGetText"))
        f->OnGetText = form_.ResolveHandler<std::function<void(Field&, std::string&, bool)>>(PropString(v));
      else if (sameText(k, "OnSetText"))
        f->OnSetText = form_.ResolveHandler<std::function<void(Field&, const std::string&)>>(PropString(v));
      else
        throw Exception("Layout: campo '" + ds.Name + "." + name + "': propriedade desconhecida '" + k + "'.");
    }
  }

  void dataSource(const json& n) {
    auto src = std::make_unique<DataSource>(str(n, "name"));
    DataSource& s = form_.AddDataSource(std::move(src));
    for (auto p = n.begin(); p != n.end(); ++p) {
      const std::string& k = p.key();
      Variant v = toVariant(p.value());
      if (k == "name") continue;
      if (sameText(k, "DataSet")) {
        std::string ds = PropString(v);
        DataSet* d = ds.empty() ? nullptr : form_.FindDataSet(ds);
        if (!ds.empty() && !d)
          throw Exception("Layout: fonte '" + s.Name + "': conjunto de dados '" + ds + "' não encontrado.");
        s.SetDataSet(d);
      } else if (sameText(k, "AutoEdit")) {
        s.AutoEdit = PropBool(v);
      } else if (sameText(k, "Enabled")) {
        s.SetEnabled(PropBool(v));
      } else if (sameText(k, "OnStateChange") || sameText(k, "OnDataChange") || sameText(k, "OnUpdateData")) {
        sourceEvents_.emplace_back(&s, &n);
      } else {
        throw Exception("Layout: fonte '" + s.Name + "': propriedade desconhecida '" + k + "'.");
      }
    }
  }

  void sourceEventProps(DataSource& s, const json& n) {
    for (auto p = n.begin(); p != n.end(); ++p) {
      std::string h = p.value().is_string() ? p.value().get<std::string>() : std::string();
      if (sameText(p.key(), "OnStateChange"))
        s.OnStateChange = form_.ResolveHandler<std::function<void(DataSource&)>>(h);
      else if (sameText(p.key(), "OnDataChange"))
        s.OnDataChange = form_.ResolveHandler<std::function<void(DataSource&, Field*)>>(h);
      else if (sameText(p.key(), "OnUpdateData"))
        s.OnUpdateData = form_.ResolveHandler<std::function<void(DataSource&)>>(h);
    }
  }

  TForm& form_;
  std::vector<Pending> pending_;
  std::vector<std::pair<DataSource*, const json*>> sourceEvents_;
};

}  // namespace

void RegisterComponentType(const std::string& typeName, ComponentFactory factory) {
  registry()[upperCase(typeName)].component = std::move(factory);
}

void RegisterDataSetType(const std::string& typeName, DataSetType type) {
  registry()[upperCase(typeName)].dataSet = std::move(type);
}

bool IsRegisteredType(std::string_view typeName) {
  auto& reg = registry();
  auto it = reg.find(upperCase(typeName));
  return it != reg.end() && (it->second.component || it->second.dataSet.create);
}

std::unique_ptr<TComponent> CreateComponent(std::string_view typeName) {
  auto& reg = registry();
  auto it = reg.find(upperCase(typeName));
  if (it == reg.end() || !it->second.component)
    throw Exception("Layout: tipo de componente desconhecido '" + std::string(typeName) + "'.");
  return it->second.component();
}

void LoadLayout(TForm& form, std::string_view text) {
  json root;
  try {
    root = json::parse(text);
  } catch (const json::parse_error& e) {
    throw Exception(std::string("Layout inválido: ") + e.what());
  }
  Loader(form).load(root);
}

void TForm::LoadLayout(std::string_view text) { cad::LoadLayout(*this, text); }

}  // namespace cad
