// Index order of a loaded packet on text keys: the order of byte-wise text comparison with nulls
// first, stable for equal keys, the next index field breaking ties, whatever prefix the keys share.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "platform/core/packet.h"
#include "platform/data/dataset.h"
#include "tests/platform/data/data_fixtures.h"

namespace cad {
namespace {

TEST(IndexOrder, TextKeysSortLikeTheirBytes) {
  // Keys sharing a long prefix, differing inside and after their first eight distinct bytes,
  // one a prefix of another, an embedded NUL, bytes above 0x7F, nulls and repeats.
  const std::string p = "Serviço de refeição ";
  std::vector<Variant> names = {Variant(p + "B"),
                                Variant(p + "Abcdefgh2"),
                                Variant(),
                                Variant(p + "Abcdefgh1"),
                                Variant(p + "Abcdefgh"),
                                Variant(p + "Ab"),
                                Variant(p + "Á"),
                                Variant(p + "Z"),
                                Variant(),
                                Variant(p + "B"),
                                Variant(std::string(p + "Ab") + '\0'),
                                Variant(p.substr(0, 5)),
                                Variant(p + "Abcdefgh1")};
  auto packet = std::make_shared<Packet>();
  packet->fields = {{"NOME", FieldType::String, 60, false, false},
                    {"GRUPO", FieldType::String, 2, false, false},
                    {"CODIGO", FieldType::Integer, 0, false, false}};
  for (size_t i = 0; i < names.size(); ++i)
    packet->rows.push_back({names[i], Variant(i % 2 ? "02" : "01"), Variant(static_cast<long long>(i))});

  // The expected order: a stable sort by the keys' own comparison.
  auto expected = [&] {
    std::vector<size_t> order(names.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return Variant::compare(names[a], names[b]) < 0; });
    std::vector<std::string> codes;
    for (size_t i : order) codes.push_back(std::to_string(i));
    return codes;
  };

  ClientDataSet ds;
  ds.SetIndexFieldNames("NOME;CODIGO");
  ds.SetData(packet);
  EXPECT_EQ(test::column(ds, "CODIGO"), expected());

  // Ties on the name go to the next field: with the codes reversed, equal names swap places.
  for (auto& row : packet->rows) row[2] = Variant(100 - row[2].asInt());
  ClientDataSet byName;
  byName.SetIndexFieldNames("NOME;CODIGO");
  byName.SetData(packet);
  std::vector<std::string> got = test::column(byName, "CODIGO");
  for (auto& code : got) code = std::to_string(100 - std::stoi(code));
  std::vector<std::string> want = expected();
  // Equal names now come in descending original position.
  for (size_t i = 0; i + 1 < want.size(); ++i)
    if (Variant::compare(names[std::stoul(want[i])], names[std::stoul(want[i + 1])]) == 0 &&
        std::stoul(want[i]) < std::stoul(want[i + 1]))
      std::swap(want[i], want[i + 1]);
  EXPECT_EQ(got, want);

  // A key with a number among its texts takes the general path and the same rules.
  packet->rows[3][0] = Variant(7LL);
  names[3] = Variant(7LL);
  ClientDataSet mixed;
  mixed.SetIndexFieldNames("NOME");
  mixed.SetData(packet);
  std::vector<std::string> mixedCodes = test::column(mixed, "CODIGO");
  for (auto& code : mixedCodes) code = std::to_string(100 - std::stoi(code));
  EXPECT_EQ(mixedCodes, expected());
}

}  // namespace
}  // namespace cad
