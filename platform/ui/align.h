// The classic alignment of a container's children, toolkit-neutral so every host lays out alike
// and the layout is tested without a window system.
//
// Within the container's area the visible children aligned to the top take bands from the top
// (in the order of their Top), then those aligned to the bottom from the bottom, to the left and
// to the right, each band cut from what the earlier ones left and never larger than it; children
// aligned to the client fill the remainder. Children without alignment, and hidden ones, keep
// their own bounds (a host may fit them to their content) and show as their Visible says.
#pragma once

#include <vector>

#include "platform/ui/component.h"

namespace cad {

struct TBounds {
  int Left = 0, Top = 0, Width = 0, Height = 0;
  bool operator==(const TBounds&) const = default;
};

struct TAlignedChild {
  TBounds bounds;
  bool visible = false;
  bool aligned = false;  // placed by its alignment (else: at its own bounds)
};

// Where each of `children` goes within `area`, in the order given.
std::vector<TAlignedChild> AlignChildren(const TBounds& area, const std::vector<TControl*>& children);

}  // namespace cad
