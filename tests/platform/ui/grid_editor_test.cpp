// Text editing against a model of a text with a caret and a selection: random key sequences
// (arrows, Home, End, with and without Shift, typing, Backspace, Delete) leave the grids' in-place
// editor and a plain edit with the model's text, caret and selection, in a string grid, in data
// grid cells and in a TEdit; a number cell still takes only digits, a leading minus and one
// decimal separator wherever the caret is.
#include <gtest/gtest.h>
#include <rapidcheck.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/core/format.h"
#include "platform/data/dataset.h"
#include "platform/ui/actions.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbcontrols.h"
#include "platform/ui/grids.h"
#include "tests/platform/ui/ui_fixture.h"

namespace cad::test {
namespace {

// The editor as a person expects it: characters, the caret and the selection's other end.
struct Texto {
  std::vector<std::string> chars;
  int caret = 0, anchor = 0;
  bool numero = false;  // only "-?[0-9]*(,[0-9]*)?" is ever taken as typed

  int ini() const { return std::min(caret, anchor); }
  int fim() const { return std::max(caret, anchor); }
  std::string str() const {
    std::string s;
    for (const auto& c : chars) s += c;
    return s;
  }
  static bool valido(const std::vector<std::string>& t) {
    int virgulas = 0;
    for (size_t i = 0; i < t.size(); ++i)
      if (!((t[i] >= "0" && t[i] <= "9" && t[i].size() == 1) || (t[i] == "-" && i == 0) ||
            (t[i] == "," && ++virgulas == 1)))
        return false;
    return true;
  }
  void apaga(int de, int ate) {
    chars.erase(chars.begin() + de, chars.begin() + ate);
    caret = anchor = de;
  }
  void tecla(const std::string& k, bool shift) {
    const int n = static_cast<int>(chars.size());
    const int para = k == "Home" ? 0 : k == "End" ? n : k == "Left" ? std::max(0, caret - 1) : std::min(n, caret + 1);
    if (shift) {
      caret = para;
    } else if (ini() != fim() && (k == "Left" || k == "Right")) {
      caret = anchor = k == "Left" ? ini() : fim();  // an arrow collapses the selection to its side
    } else {
      caret = anchor = para;
    }
  }
  void digita(std::string c) {
    if (numero && c == ".") c = ",";  // a point typed in a number is the decimal separator
    std::vector<std::string> t = chars;
    t.erase(t.begin() + ini(), t.begin() + fim());
    t.insert(t.begin() + ini(), c);
    if (numero && !valido(t)) return;  // refused: nothing changes
    int em = ini() + 1;
    chars = t;
    caret = anchor = em;
  }
  void backspace() {
    if (ini() != fim())
      apaga(ini(), fim());
    else if (caret > 0)
      apaga(caret - 1, caret);
  }
  void del() {
    if (ini() != fim())
      apaga(ini(), fim());
    else if (caret < static_cast<int>(chars.size()))
      apaga(caret, caret + 1);
  }
};

struct Grades : TForm {
  ClientDataSet cds{"cdsGrade"};
  DataSource dts{"dtsGrade"};
  TStringGrid* stg = Create<TStringGrid>("stgTexto", this);
  TDBGrid* dbgNome = Create<TDBGrid>("dbgNome", this);
  TDBGrid* dbgValor = Create<TDBGrid>("dbgValor", this);
  TEdit* edt = Create<TEdit>("edtTexto", this);
  Grades() {
    cds.AddField({"NOME", FieldType::String, 60});
    cds.AddField({"VALOR", FieldType::Float, 0}).MinValue = -1000;
    cds.CreateDataSet();
    cds.Append();
    cds.Post();
    dts.SetDataSet(&cds);
    for (auto [g, campo] : {std::pair{dbgNome, "NOME"}, std::pair{dbgValor, "VALOR"}}) {
      g->AddColumn().FieldName = campo;
      g->SetDataSource(&dts);
      g->SetOption(goEditing, true);
    }
    stg->SetColCount(1);
    stg->SetRowCount(1);
    stg->SetFixedCols(0);
    stg->SetFixedRows(0);
    stg->SetOptions(goEditing);
  }
};

using GridEditorTest = UiTest;

TEST_F(GridEditorTest, KeysActOnTheCaretAndTheSelectionAsInATextEdit) {
  const std::vector<std::string> letras = {"a", "ç", "7", "0", ",", ".", "-", "x"};
  const std::vector<std::string> teclas = {"Left", "Right", "Home", "End"};
  bool ok = rc::check([&] {
    Grades f;
    f.Show();
    const int alvo = *rc::gen::element(0, 1, 2, 3);  // uniform (inRange favours small values); 3: the plain edit
    TControl& g = alvo == 0   ? static_cast<TControl&>(*f.stg)
                  : alvo == 1 ? static_cast<TControl&>(*f.dbgNome)
                  : alvo == 2 ? static_cast<TControl&>(*f.dbgValor)
                              : static_cast<TControl&>(*f.edt);
    auto* grade = dynamic_cast<TCustomGrid*>(&g);
    Texto m;
    m.numero = alvo == 2;
    // The control starts with a text of its kind; F2 opens a grid's editor with the caret at its
    // end, End puts the edit's caret there.
    std::string inicial = m.numero ? "-12,5" : "Pão";
    if (alvo == 0) {
      f.stg->SetCells(0, 0, inicial);
    } else if (alvo == 3) {
      f.edt->SetText(inicial);
    } else {
      f.cds.Edit();
      f.cds.FieldByName(m.numero ? "VALOR" : "NOME").SetText(inicial);
      f.cds.Post();
    }
    RC_ASSERT(UserActions::Focus(g).ok());
    RC_ASSERT(UserActions::Key(g, grade ? "F2" : "End").ok());
    m.chars = utf8Chars(grade ? grade->EditorText() : f.edt->Text());
    m.caret = m.anchor = static_cast<int>(m.chars.size());
    const int passos = *rc::gen::inRange(10, 60);
    for (int i = 0; i < passos; ++i) {
      // Half the steps are moves, so selections are made and then acted on.
      const int tipo = *rc::gen::weightedElement<int>({{6, 0}, {2, 1}, {2, 2}, {2, 3}});
      if (tipo == 0) {
        std::string k = *rc::gen::elementOf(teclas);
        bool shift = *rc::gen::arbitrary<bool>();
        RC_ASSERT(UserActions::Key(g, (shift ? "Shift+" : "") + k).ok());
        m.tecla(k, shift);
      } else if (tipo == 1) {
        std::string c = *rc::gen::elementOf(letras);
        RC_ASSERT(UserActions::Type(g, c).ok());
        m.digita(c);
      } else if (tipo == 2) {
        RC_ASSERT(UserActions::Key(g, "Backspace").ok());
        m.backspace();
      } else {
        RC_ASSERT(UserActions::Key(g, "Delete").ok());
        m.del();
      }
      if (!grade) {
        RC_ASSERT(f.edt->Text() == m.str());
        RC_ASSERT(f.edt->SelStart() == m.ini());
        RC_ASSERT(f.edt->SelLength() == m.fim() - m.ini());
        continue;
      }
      RC_ASSERT(grade->EditorMode());
      RC_ASSERT(grade->EditorText() == m.str());
      RC_ASSERT(grade->EditorCaret() == m.caret);
      RC_ASSERT(grade->EditorSelStart() == m.ini());
      RC_ASSERT(grade->EditorSelLength() == m.fim() - m.ini());
    }
    // What was edited is what the cell keeps.
    if (alvo == 0) RC_ASSERT(f.stg->Cells(0, 0) == m.str());
    if (alvo == 1) {
      RC_ASSERT(UserActions::Key(g, "Enter").ok());
      RC_ASSERT(f.cds.FieldByName("NOME").AsString() == m.str());
    }
  });
  EXPECT_TRUE(ok);
}

}  // namespace
}  // namespace cad::test
