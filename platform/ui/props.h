// Internal to platform/ui: helpers that build reflected property entries from typed getters and
// setters, so each component class declares its table in a few lines.
#pragma once

#include <utility>

#include "platform/ui/component.h"
#include "platform/ui/forms.h"

namespace cad::ui_detail {

template <class T, class G, class S>
Property Prop(const char* name, G get, S set) {
  return Property{name, [get](const TComponent& c) { return Variant(get(static_cast<const T&>(c))); },
                  [set](TComponent& c, const Variant& v) { set(static_cast<T&>(c), v); }};
}

template <class T, class G>
Property ReadOnlyProp(const char* name, G get) {
  return Property{name, [get](const TComponent& c) { return Variant(get(static_cast<const T&>(c))); }, {}};
}

// The form whose handler table serves a component: its owner form, or the form itself.
inline TForm& HandlerForm(TComponent& c) {
  if (auto* f = dynamic_cast<TForm*>(&c)) return *f;
  if (auto* f = dynamic_cast<TForm*>(c.Owner())) return *f;
  throw Exception(c.Describe() + ": componente sem formulário para ligar tratadores.");
}

template <class T, class Fn>
Property EventProp(const char* name, Fn T::*member) {
  Property p{name,
             [member](const TComponent& c) { return Variant(static_cast<bool>(static_cast<const T&>(c).*member)); },
             [member](TComponent& c, const Variant& v) {
               std::string handler = PropString(v);
               static_cast<T&>(c).*member = handler.empty() ? Fn{} : HandlerForm(c).ResolveHandler<Fn>(handler);
             }};
  p.event = true;
  return p;
}

}  // namespace cad::ui_detail
