// The classic alignment (see align.h).
#include "platform/ui/align.h"

#include <algorithm>

namespace cad {

namespace {

// The visible children of one alignment, in the order their bands are cut: top ones by Top,
// bottom ones from the lowest bottom edge up, left ones by Left, right ones from the rightmost.
std::vector<size_t> band(const std::vector<TControl*>& children, TAlign a) {
  std::vector<size_t> out;
  for (size_t i = 0; i < children.size(); ++i)
    if (children[i]->Align() == a && children[i]->Visible()) out.push_back(i);
  std::stable_sort(out.begin(), out.end(), [&](size_t i, size_t j) {
    const TControl& x = *children[i];
    const TControl& y = *children[j];
    switch (a) {
      case TAlign::alTop: return x.Top() < y.Top();
      case TAlign::alBottom: return x.Top() + x.Height() > y.Top() + y.Height();
      case TAlign::alLeft: return x.Left() < y.Left();
      case TAlign::alRight: return x.Left() + x.Width() > y.Left() + y.Width();
      default: return false;
    }
  });
  return out;
}

}  // namespace

std::vector<TAlignedChild> AlignChildren(const TBounds& area, const std::vector<TControl*>& children) {
  std::vector<TAlignedChild> out(children.size());
  // What is left of the area, as edges (right and bottom exclusive).
  int left = area.Left, top = area.Top, right = area.Left + area.Width, bottom = area.Top + area.Height;
  auto place = [&](size_t i, int x, int y, int w, int h) { out[i] = {{x, y, w, h}, true, true}; };
  for (size_t i : band(children, TAlign::alTop)) {
    int h = std::min(children[i]->Height(), std::max(0, bottom - top));
    place(i, left, top, right - left, h);
    top += h;
  }
  for (size_t i : band(children, TAlign::alBottom)) {
    int h = std::min(children[i]->Height(), std::max(0, bottom - top));
    place(i, left, bottom - h, right - left, h);
    bottom -= h;
  }
  for (size_t i : band(children, TAlign::alLeft)) {
    int w = std::min(children[i]->Width(), std::max(0, right - left));
    place(i, left, top, w, bottom - top);
    left += w;
  }
  for (size_t i : band(children, TAlign::alRight)) {
    int w = std::min(children[i]->Width(), std::max(0, right - left));
    place(i, right - w, top, w, bottom - top);
    right -= w;
  }
  for (size_t i : band(children, TAlign::alClient))
    place(i, left, top, std::max(0, right - left), std::max(0, bottom - top));
  for (size_t i = 0; i < children.size(); ++i) {
    const TControl& k = *children[i];
    if (!out[i].aligned) out[i] = {{k.Left(), k.Top(), k.Width(), k.Height()}, k.Visible(), false};
  }
  return out;
}

}  // namespace cad
