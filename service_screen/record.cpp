// The service record as the frame of TfrmCadastroServ serves it to every page: the save of the
// list's pending changes through the application server, the reload after a refused save, and the
// checks and helpers more than one page uses. The record's own events and field checks are the
// form page's (pages/servico_registro.cpp).
//
// Invariants:
//  - Every check that fails shows its message, moves the focus to its editor and aborts, so the
//    post (or the focus change) does not happen and the record keeps the values entered.
//  - A save either merges the whole change log (the server accepted it) or cancels every pending
//    change of cdsServico; it never leaves half a change behind.
#include <optional>
#include <string>
#include <vector>

#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/framework/consiste.h"
#include "platform/framework/remoto.h"
#include "platform/framework/session.h"
#include "platform/framework/showavi.h"
#include "platform/ui/forms.h"
#include "service_screen/cadastroserv.h"
#include "service_screen/module.h"

namespace cad {

// ---------------------------------------------------------------- helpers

void TfrmCadastroServ::Foca(TControl* c) {
  if (c && c->CanFocus() && !c->Focused()) c->SetFocus();
}

void TfrmCadastroServ::FalhaCampo(TControl* foco, const std::string& key, const std::vector<std::string>& args) {
  msgPadrao->ShowMsg(key, TMsgDlgType::mtError, mbOK, args);
  Foca(foco);
  Abort();
}

void TfrmCadastroServ::EditaServico() {
  if (cdsServico->State() == DataSetState::Browse) cdsServico->Edit();
}

std::string TfrmCadastroServ::CarregaUtilReqPrat() {
  UtilReqPrat.assign(5, Variant());
  Variant r = netCadastroServ.Call("GetUtilReqPrat", {CodFilial()});
  if (!r.isArray() || r.asArray().size() < 5) throw RespostaInesperada("GetUtilReqPrat");
  for (size_t i = 0; i < 5; ++i) UtilReqPrat[i] = r.asArray()[i];
  return UtilReqPrat[0].isNull() ? std::string() : UtilReqPrat[0].asString();
}

// ---------------------------------------------------------------- checks the pages share

void TfrmCadastroServ::Vd_RequerRetiPrato(TControl* foco) {
  std::string obrigacao = CarregaUtilReqPrat();
  if (TipoServico() == "F") return;
  // An error key is shown with its text, as the new record shows it.
  if (!obrigacao.empty() && obrigacao != "S" && obrigacao != "N") Erro(obrigacao);
  bool porPrato = Campo(*cdsServico, "IDUTRETIPRAT") == "S";
  if (obrigacao == "S" && !porPrato) {
    Foca(foco);
    Erro("FILIALREQPRAT");
  }
  if (!porPrato) return;
  static const char* const kPadroes[] = {"CDTPPRATOFIXO", "CDPRATOFIXO", "CDTPPRATOPER", "CDPRATOPER"};
  for (size_t i = 0; i < 4; ++i)
    if (UtilReqPrat[i + 1].isNull() || Consiste::EmptyString(UtilReqPrat[i + 1].asString()))
      FalhaCampo(foco, kPadroes[i]);
}

void TfrmCadastroServ::Vd_QtComensais(TDBEdit& editor) {
  if (cdsServico->State() != DataSetState::Edit) return;
  std::string texto = Consiste::AllTrim(editor.Text());
  if (texto.empty()) {
    editor.SetText("0");
    return;
  }
  std::optional<double> valor = parseFloat(texto);
  if (valor && *valor < 0) FalhaCampo(&editor, "Val_Inteiro");
}

// ---------------------------------------------------------------- save

bool TfrmCadastroServ::GravaServicoPostado() {
  if (PaginaServ* p = Ativa(); p && !p->GravaServico()) return false;
  GravaServicoCache();
  return true;
}

void TfrmCadastroServ::GravaServicoCache(const std::string& mensagem, bool atualizaCache) {
  if (!cdsServico->Active() || cdsServico->ChangeCount() == 0) return;
  ShowAviGuard avi(this, 1, Msg(mensagem));
  std::string codigo = Campo(*cdsServico, "CDSERVFILI");
  bool recusado = false;
  try {
    // "_FIELD" for every null field of the current record, in field order.
    std::string nulos;
    if (!cdsServico->IsEmpty())
      for (int i = 0; i < cdsServico->FieldCount(); ++i) {
        Field& f = cdsServico->Fields(i);
        if (f.Kind() == FieldKind::Data && f.IsNull()) nulos += "_" + f.FieldName();
      }
    Variant resposta = netCadastroServ.Call("UpdServico", {Variant(cdsServico->Delta()), nulos});
    Application().ProcessMessages();
    if (!resposta.isNull() && !resposta.asString().empty()) {
      recusado = true;
      avi.Hide();
      Consiste::MensErro(resposta.asString(), true);
    }
    cdsServico->MergeChangeLog();
    if (atualizaCache) Corvane::AtualizaLocalCache({"SERVICO"});
  } catch (...) {
    cdsServico->CancelUpdates();
    if (recusado) MostraServicoGuardado(codigo);
    throw;
  }
}

void TfrmCadastroServ::MostraServicoGuardado(const std::string& cdServFili) {
  // The refusal was shown already; a failure to read the list again is shown after it and the
  // screen keeps what it had.
  try {
    GetServicos(edtCdGrupoFiltro->Text());
    if (!cdServFili.empty()) cdsServico->Locate("CDSERVFILI", cdServFili);
  } catch (const EAbort&) {
  } catch (const std::exception& e) {
    Consiste::MensErro(e.what(), false);
  }
}

}  // namespace cad
