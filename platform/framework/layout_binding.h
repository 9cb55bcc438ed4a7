// What the headers generated from a screen's layout folder (cadserv-layoutgen, cmake:
// cadserv_layout_bindings) rely on: the component types by the names layouts give them, and the
// registration of an owner's member function as a named handler of the form. The interface and
// the owners file are described in platform/framework/README.md.
#pragma once

#include <string>
#include <utility>

#include "platform/data/dataset.h"
#include "platform/db/query.h"
#include "platform/framework/messages.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbcontrols.h"
#include "platform/ui/forms.h"
#include "platform/ui/grids.h"
#include "platform/ui/menus.h"
#include "platform/ui/pages.h"

namespace cad {

// Every layout type name is a C++ type here: the classes themselves, and aliases where the layout
// keeps a classic name for another class. A type the layout misspells does not compile.
namespace layout_types {
using namespace ::cad;
using TBitBtn = TButton;
using TClientDataSet = ClientDataSet;
}  // namespace layout_types

// Registers owner.*method as the form's handler `name` (the owner may be the form or an object
// the form holds, such as one of its pages). The lambda keeps the owner's address: the owner
// lives as long as the form.
template <class Owner, class C, class... A>
void BindLayoutHandler(TForm& form, std::string name, Owner& owner, void (C::*method)(A...)) {
  C* self = &owner;
  form.Handler<void(A...)>(std::move(name), [self, method](A... args) { (self->*method)(std::forward<A>(args)...); });
}

}  // namespace cad
