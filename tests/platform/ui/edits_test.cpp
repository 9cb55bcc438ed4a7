// Edits with shapes: masked edits keeping literals while typing and deleting, the date edit's
// validity check, and the number edit's separators and decimals.
#include <gtest/gtest.h>

#include "platform/core/errors.h"
#include "platform/ui/actions.h"
#include "platform/ui/controls.h"
#include "tests/platform/ui/ui_fixture.h"

namespace cad::test {
namespace {

using EditsTest = UiTest;

TEST_F(EditsTest, MaskedDateAndNumberEdits) {
  TForm f;
  auto* hora = f.Create<TMaskEdit>("medHora", &f);
  auto* de = f.Create<TDateEditPlus>("depDataDe", &f);
  auto* ned = f.Create<TNumberEdit>("nedValPer", &f);
  auto* other = f.Create<TEdit>("edtOutro", &f);
  hora->SetEditMask("99:99;0;_");
  ned->SetDecimals(5);
  f.Show();

  // Literals stay in place; Backspace blanks the previous digit and skips the literal.
  ASSERT_TRUE(UserActions::Type(*hora, "123").ok());
  EXPECT_EQ(hora->EditText(), "12:3_");
  ASSERT_TRUE(UserActions::Type(*hora, "\b\b").ok());
  EXPECT_EQ(hora->EditText(), "1_:__");
  ASSERT_TRUE(UserActions::Type(*hora, "x930").ok());  // a letter does not fit a digit position
  EXPECT_EQ(hora->Text(), "1930");
  hora->SetText("0745");
  EXPECT_EQ(hora->EditText(), "07:45");

  // The date edit takes the session's short date format.
  ASSERT_TRUE(UserActions::Type(*de, "31022024").ok());
  EXPECT_EQ(de->EditText(), "31/02/2024");
  EXPECT_THROW(de->CheckValidDate(), Exception);
  EXPECT_EQ(f.ActiveControl(), de);
  ASSERT_TRUE(UserActions::SetText(*de, "29/02/2024").ok());
  EXPECT_NO_THROW(de->CheckValidDate());
  EXPECT_EQ(de->Date(), DateTime::fromDate(2024, 2, 29));
  de->SetDate(DateTime{});
  EXPECT_TRUE(de->IsBlank());
  EXPECT_NO_THROW(de->CheckValidDate());  // blank is valid

  // The number edit groups thousands when it shows the value, not while it is typed.
  ASSERT_TRUE(UserActions::Type(*ned, "1234.5x-").ok());
  EXPECT_EQ(ned->Text(), "1234,5");
  ASSERT_TRUE(UserActions::Focus(*other).ok());
  EXPECT_EQ(ned->Text(), "1.234,50000");
  EXPECT_DOUBLE_EQ(ned->Value(), 1234.5);
  ASSERT_TRUE(UserActions::Focus(*ned).ok());
  EXPECT_EQ(ned->Text(), "1234,50000");
  EXPECT_TRUE(UserActions::SetText(*ned, "abc").refused());
  ned->SetValue(-0.000001);
  EXPECT_EQ(ned->Text(), "0,00000");
}

}  // namespace
}  // namespace cad::test
