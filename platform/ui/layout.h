// Layout units: each screen declares its components in a JSON text compiled into the binary
// (cmake: cadserv_embed), which TForm::LoadLayout turns into components. One mechanism for all
// screens; the component types come from one factory table keyed by type name.
//
// Format (every key optional):
//   {
//     "form":        { <properties of the form itself> },
//     "dataSets":    [ { "type": "TClientDataSet", "name": "cdsX", <properties>,
//                        "fields": [ { "name": "CDFILIAL", "type": "string", "size": 4,
//                                      "required": true, "calculated": false, <field properties> } ] } ],
//     "dataSources": [ { "name": "dtsX", "DataSet": "cdsX", "AutoEdit": true, "OnStateChange": "h" } ],
//     "components":  [ <node>, ... ]
//   }
//   node: { "type": "TPanel", "name": "panX", <properties>, "children": [nodes],
//           "items": [menu item nodes], "columns": [ { <column properties> } ] }
//   A node without "type" extends the existing component of that name (a base screen's), so a
//   derived screen can add children, items or columns and override properties. A menu item node
//   without "type" creates a TMenuItem unless the name exists.
//   Properties are the reflected ones (TComponent::Properties); values that name components,
//   datasets or data sources ("PopupMenu", "DataSource", "ActivePage") may refer to anything in
//   the layout, declared before or after. Event properties ("OnClick": "sbtIncluirClick") name
//   handlers the form registered (TForm::Bind) before loading; they are assigned last.
//   JSON objects nested in a property value arrive as an array of [key, value] pairs.
//
// Invariants: a layout that fails (unknown type, property or handler, duplicate name) raises
// cad::Exception naming the component and the offending key.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/core/variant.h"

namespace cad {

class DataSet;
class TComponent;
class TForm;

using ComponentFactory = std::function<std::unique_ptr<TComponent>()>;

// A dataset type for layouts: how to make one and how to set its type-specific properties
// (return false for a property the type does not know; the generic ones are handled after).
struct DataSetType {
  std::function<std::unique_ptr<DataSet>()> create;
  std::function<bool(TForm& form, DataSet& ds, std::string_view property, const Variant& value)> setProperty;
};

// Registers a component or dataset type under its name ("TEdit", "TADOIBQuery"); a later
// registration of the same name replaces the earlier one. The built-in types are registered
// on first use of the table.
void RegisterComponentType(const std::string& typeName, ComponentFactory factory);
void RegisterDataSetType(const std::string& typeName, DataSetType type);
bool IsRegisteredType(std::string_view typeName);

// Creates a registered component by type name; throws cad::Exception for an unknown type.
std::unique_ptr<TComponent> CreateComponent(std::string_view typeName);

// Implemented by TForm::LoadLayout.
void LoadLayout(TForm& form, std::string_view text);

}  // namespace cad
