// The service record of TfrmCadastroServ: its save through the application server. The record's
// defaults, field checks, lookups and control handlers join this unit with the service-record
// work; BindRecordHandlers binds the names of every handler the layout gives the record.
//
// Invariant: a save either merges the whole change log (the server accepted it) or cancels every
// pending change of cdsServico; it never leaves half a change behind.
#include <string>

#include "platform/core/errors.h"
#include "platform/framework/consiste.h"
#include "platform/framework/session.h"
#include "platform/framework/showavi.h"
#include "platform/ui/forms.h"
#include "service_screen/cadastroserv.h"

namespace cad {

void TfrmCadastroServ::BindRecordHandlers() {}

void TfrmCadastroServ::GravaServicoCache() {
  if (!cdsServico->Active() || cdsServico->ChangeCount() == 0) return;
  bool turnos = pgcPadrao->ActivePage() == tshTurnos;
  ShowAviGuard avi(this, 1, Msg(turnos ? "upd_cdsTurno" : "upd_cdsServico"));
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
    if (!resposta.isNull() && !resposta.asString().empty()) Consiste::MensErro(resposta.asString(), true);
    cdsServico->MergeChangeLog();
    if (!turnos) Corvane::AtualizaLocalCache({"SERVICO"});
  } catch (...) {
    cdsServico->CancelUpdates();
    throw;
  }
}

}  // namespace cad
