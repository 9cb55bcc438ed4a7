// The classic alignment on random children: the aligned ones tile the area without overlapping
// (the client ones take exactly what the bands leave), each band keeps its own size when the area
// has room and follows its siblings' positions, and the others stay where they are.
#include <gtest/gtest.h>
#include <rapidcheck.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/ui/align.h"
#include "platform/ui/controls.h"
#include "tests/platform/ui/ui_fixture.h"

namespace cad::test {
namespace {

bool overlap(const TBounds& a, const TBounds& b) {
  if (a.Width <= 0 || a.Height <= 0 || b.Width <= 0 || b.Height <= 0) return false;
  return a.Left < b.Left + b.Width && b.Left < a.Left + a.Width && a.Top < b.Top + b.Height && b.Top < a.Top + a.Height;
}

using AlignTest = UiTest;

TEST_F(AlignTest, AlignedChildrenTileTheAreaAndTheOthersKeepTheirBounds) {
  bool ok = rc::check([] {
    TForm f;
    std::vector<TControl*> kids;
    const int n = *rc::gen::inRange(0, 9);
    for (int i = 0; i < n; ++i) {
      auto* k = f.Create<TPanel>("pan" + std::to_string(i), &f);
      k->SetBounds(*rc::gen::inRange(-20, 300), *rc::gen::inRange(-20, 300), *rc::gen::inRange(0, 120),
                   *rc::gen::inRange(0, 120));
      k->SetAlign(static_cast<TAlign>(*rc::gen::inRange(0, 6)));
      k->SetVisible(*rc::gen::weightedElement<bool>({{4, true}, {1, false}}));
      kids.push_back(k);
    }
    const TBounds area{*rc::gen::inRange(0, 10), *rc::gen::inRange(0, 40), *rc::gen::inRange(0, 400),
                       *rc::gen::inRange(0, 400)};
    const std::vector<TAlignedChild> out = AlignChildren(area, kids);
    RC_ASSERT(out.size() == kids.size());

    long covered = 0;
    bool client = false;
    int heights = 0, widths = 0;  // of the top and bottom bands, of the left and right ones
    for (size_t i = 0; i < kids.size(); ++i) {
      const TControl& k = *kids[i];
      const TBounds& b = out[i].bounds;
      if (k.Align() == TAlign::alNone || !k.Visible()) {
        RC_ASSERT(!out[i].aligned);
        RC_ASSERT(out[i].visible == k.Visible());
        RC_ASSERT(b == (TBounds{k.Left(), k.Top(), k.Width(), k.Height()}));
        continue;
      }
      RC_ASSERT(out[i].aligned && out[i].visible);
      RC_ASSERT(b.Width >= 0 && b.Height >= 0);
      RC_ASSERT(b.Left >= area.Left && b.Top >= area.Top);
      RC_ASSERT(b.Left + b.Width <= area.Left + area.Width && b.Top + b.Height <= area.Top + area.Height);
      if (k.Align() == TAlign::alClient) {
        if (!client) covered += long(b.Width) * b.Height;  // every client child takes the same rest
        client = true;
        continue;
      }
      covered += long(b.Width) * b.Height;
      const bool vertical = k.Align() == TAlign::alTop || k.Align() == TAlign::alBottom;
      (vertical ? heights : widths) += vertical ? k.Height() : k.Width();
      for (size_t j = 0; j < kids.size(); ++j) {
        const TControl& o = *kids[j];
        if (j == i || !out[j].aligned) continue;
        RC_ASSERT(!overlap(b, out[j].bounds));
        // Bands of one side follow their controls' positions.
        if (o.Align() == TAlign::alTop && k.Align() == TAlign::alTop && k.Top() < o.Top())
          RC_ASSERT(b.Top <= out[j].bounds.Top);
        if (o.Align() == TAlign::alLeft && k.Align() == TAlign::alLeft && k.Left() < o.Left())
          RC_ASSERT(b.Left <= out[j].bounds.Left);
      }
    }
    const long whole = long(area.Width) * area.Height;
    if (client)
      RC_ASSERT(covered == whole);
    else
      RC_ASSERT(covered <= whole);
    // With room for every band, each keeps its own height (top, bottom) or width (left, right).
    if (heights <= area.Height && widths <= area.Width)
      for (size_t i = 0; i < kids.size(); ++i) {
        const TControl& k = *kids[i];
        if (!out[i].aligned || k.Align() == TAlign::alClient) continue;
        bool vertical = k.Align() == TAlign::alTop || k.Align() == TAlign::alBottom;
        RC_ASSERT((vertical ? out[i].bounds.Height == k.Height() : out[i].bounds.Width == k.Width()));
      }
  });
  EXPECT_TRUE(ok);
}

}  // namespace
}  // namespace cad::test
