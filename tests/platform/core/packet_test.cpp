// Packet storage by column: whatever mix of kinds a column receives (nulls first, one kind, then
// another), every cell reads back with its value and kind, through the columns and through the row
// form; writing through the row form makes it the storage and keeps every other value.
#include <gtest/gtest.h>

#include <random>

#include "platform/core/packet.h"

namespace cad {
namespace {

Variant randomValue(std::mt19937& rng, int kindBias) {
  std::uniform_int_distribution<int> pick(0, 9);
  int k = pick(rng) < 7 ? kindBias : pick(rng) % 7;  // mostly the column's kind, sometimes another
  switch (k) {
    case 0: return Variant();
    case 1: return Variant(pick(rng) % 2 == 0);
    case 2: return Variant(static_cast<long long>(rng()) - (1LL << 31));
    case 3: return Variant(static_cast<double>(rng()) / 7.0);
    case 4: return Variant(std::string(pick(rng), 'a' + static_cast<char>(pick(rng))) + std::string(1, '\0'));
    case 5: return Variant(DateTime::fromDateTime(2000 + pick(rng), 1 + pick(rng), 1 + pick(rng), pick(rng), 0, 0));
    default: return Variant(VariantArray{1, "x"});
  }
}

TEST(PacketStorage, EveryCellReadsBackWithItsKindWhateverTheColumnsMix) {
  std::mt19937 rng(29);
  for (int round = 0; round < 40; ++round) {
    size_t width = 1 + rng() % 6, count = rng() % 200;
    std::vector<std::vector<Variant>> expected(count);
    std::vector<PacketColumn> cols(width);
    for (size_t c = 0; c < width; ++c) {
      int bias = static_cast<int>(rng() % 7);
      size_t leadingNulls = rng() % 3 == 0 ? rng() % (count + 1) : 0;
      for (size_t r = 0; r < count; ++r) {
        Variant v = r < leadingNulls ? Variant() : randomValue(rng, bias);
        cols[c].push(v);
        expected[r].push_back(v);
      }
    }
    Packet p;
    p.rows.setColumns(std::move(cols), count);
    ASSERT_EQ(p.rows.size(), count);
    for (size_t r = 0; r < count; ++r)
      for (size_t c = 0; c < width; ++c) {
        Variant got = p.rows.cell(r, c);
        ASSERT_EQ(got.kind(), expected[r][c].kind()) << "linha " << r << " coluna " << c;
        ASSERT_TRUE(got == expected[r][c]);
        ASSERT_EQ(p.rows.column(c).isNull(r), expected[r][c].isNull());
      }
    EXPECT_TRUE(p.rows == expected);
    Packet copy = p;  // a copy keeps its own columns
    if (count == 0) continue;
    size_t r = rng() % count;
    p.rows[r][0] = Variant("alterado");
    expected[r][0] = Variant("alterado");
    EXPECT_FALSE(p.rows.columnar());
    EXPECT_TRUE(p.rows == expected);
    EXPECT_TRUE(copy.rows.columnar());
    EXPECT_EQ(copy.rows.size(), count);
  }
}

}  // namespace
}  // namespace cad
