// Components and handlers generated from a layout folder (layout_binding/owners, tela.json): each
// owner gets the components of what the owners file gives it (a panel with everything in it, a
// dataset and its source) and answers the handlers named there, whatever component names them;
// the rest is the form's, and a handler marked manual is left to the screen's own code.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/framework/padrao.h"
#include "tests/platform/framework/framework_fixture.h"
#include "tests/platform/framework/layout_binding/binding.h"

namespace cad {

class PaginaItens : public layout::teste::PaginaItensComponents {
 public:
  std::vector<std::string>* log = nullptr;
  void edtCodigoExit(TComponent&) { log->push_back("pagina:edtCodigoExit"); }
  void btnLimpaClick(TComponent&) { log->push_back("pagina:btnLimpaClick"); }
  void mnuItensClick(TComponent&) { log->push_back("pagina:mnuItensClick"); }
  void cdsItensAfterPost(DataSet&) { log->push_back("pagina:cdsItensAfterPost"); }
  void CODIGOValidate(Field&) { log->push_back("pagina:CODIGOValidate"); }
};

class TfrmTela : public TfrmPadrao, public layout::teste::TfrmTelaComponents {
 public:
  TfrmTela() {
    itens.log = &log;
    Handler<void(TComponent&)>("edtDiaSegExit", [this](TComponent&) { log.push_back("tela:manual"); });
    layout::teste::Load_tela(*this, itens);
  }
  void FormActivate(TComponent&) { log.push_back("tela:FormActivate"); }
  void btnAtualizaClick(TComponent&) { log.push_back("tela:btnAtualizaClick"); }

  PaginaItens itens;
  std::vector<std::string> log;
};

namespace test {
namespace {

// Only names this unit creates are members: an item the base layout declares is extended.
template <class T>
concept TemFolhaDados = requires {
  &T::mnuFolhaDados;
};
static_assert(!TemFolhaDados<layout::teste::TfrmTelaComponents>);

class LayoutBindingTest : public FrameworkTest {};

TEST_F(LayoutBindingTest, EachOwnerHoldsItsComponentsAndAnswersItsHandlers) {
  TfrmTela tela;
  PaginaItens& p = tela.itens;
  EXPECT_EQ(p.panItens, tela.find<TPanel>("panItens"));
  EXPECT_EQ(p.edtCodigo, tela.find<TEdit>("edtCodigo"));
  EXPECT_EQ(p.btnLimpa, tela.find<TButton>("btnLimpa"));
  EXPECT_EQ(p.cdsItens, tela.find<ClientDataSet>("cdsItens"));
  EXPECT_EQ(p.dtsItens, tela.FindDataSource("dtsItens"));
  EXPECT_EQ(tela.btnAtualiza, tela.find<TButton>("btnAtualiza"));
  EXPECT_EQ(tela.edtDiaSeg, tela.find<TEdit>("edtDiaSeg"));
  EXPECT_EQ(tela.mnuItens, tela.find<TMenuItem>("mnuItens"));

  tela.btnAtualiza->OnClick(*tela.btnAtualiza);
  p.btnLimpa->OnClick(*p.btnLimpa);
  p.edtCodigo->OnExit(*p.edtCodigo);
  tela.mnuItens->OnClick(*tela.mnuItens);
  tela.edtDiaSeg->OnExit(*tela.edtDiaSeg);
  tela.OnActivate(tela);
  p.cdsItens->CreateDataSet();
  p.cdsItens->Append();
  p.cdsItens->FieldByName("CODIGO").SetAsString("0001");
  p.cdsItens->Post();
  EXPECT_EQ(tela.log, (std::vector<std::string>{"tela:btnAtualizaClick", "pagina:btnLimpaClick", "pagina:edtCodigoExit",
                                                "pagina:mnuItensClick", "tela:manual", "tela:FormActivate",
                                                "pagina:CODIGOValidate", "pagina:cdsItensAfterPost"}));
}

}  // namespace
}  // namespace test
}  // namespace cad
