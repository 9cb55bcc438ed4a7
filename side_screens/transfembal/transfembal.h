// The packaging-configuration transfer dialogs of a transported service, opened from the packaging
// page with its current service and delivery point:
//  - TfrmImpDist ("GER04108") and TfrmImpRest ("GER04110") import a distribution or restrictions
//    into that service and point from one origin (branch, service, delivery point);
//  - TfrmExportDist ("GER04109") and TfrmExportRest ("GER04111") export them from that service and
//    point to any number of services of a destination branch, at service level and/or to their
//    delivery points.
// The import pair shares TfrmImportaConf, the export pair TfrmExportaConf; the restriction dialogs
// add the dish-type selection (SelecaoTiposPrato). Every dialog calls the application server
// through the connection it is given (the main screen's), ends with mrOk only after the server
// accepted the transfer, and releases itself when closed.
//
// Invariants:
//  - Delivery-point identity: client and point codes, both empty for the service itself; a list
//    key is client + "_" + point, a position key (CHAVE) the point in 3 characters then the client.
//  - A changed flag (the edit's Tag) is 1 from the moment a code is typed until it was validated,
//    so a code is looked up once however often the edit is left.
//  - The export's delivery points are chosen per service code; the text sent has one line per
//    row of cdsServicos, in grid order, each naming its service ("00002=_001000003_"), so the
//    server pairs a choice with its service by key.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/data/dataset.h"
#include "platform/db/query.h"
#include "platform/framework/messages.h"
#include "platform/framework/rotigeral.h"
#include "platform/net/netconnection.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbcontrols.h"
#include "side_screens/transfembal/layout/binding.h"

namespace cad {

// The dish-type selection of the restriction dialogs: radio buttons "Todos"/"Lista", the list
// lookup and the origin service's dish types. The selection text is the list lookup's ("_k1_k2_").
// It owns its components and handlers in the dialog's layout (layout/owners).
class SelecaoTiposPrato : public layout::transfembal::SelecaoTiposPratoComponents {
 public:
  // Once the layout is loaded: the empty list of dish types, the lookup off; `msg` gives the
  // lookup's texts.
  void Prepara(TMessages& msg);
  // Loads the origin service's dish types (GetTiposPratoServ) under the progress display.
  void Carrega(TForm& form, TNetConnection& net, const std::string& filial, const std::string& servico);
  // The selection to send: with "Todos" every dish type ("_" when there is none); with "Lista" the
  // one chosen, an empty one failing with "TIPOPRATO_N_INF" (focus on "Lista").
  std::string Selecao(TMessages& msg);
  // The radio buttons' click: the lookup only with "Lista".
  void Habilita();
  // The lookup: the user's choice replaces the selection text.
  void Pesquisa(TMessages& msg);

  void rbtTiposPratoTClick(TComponent& sender);
  void btnTiposPratoClick(TComponent& sender);

  std::string selecao;

 private:
  TMessages* msg_ = nullptr;
};

// ---------------------------------------------------------------- import

class TfrmImportaConf : public TfrmRotiGeral, public layout::transfembal::TfrmImportaConfComponents {
 public:
  // Destination as the creator gives it, and the connection to use.
  void Inicializa(TNetConnection& net, const std::string& filial, const std::string& servico,
                  const std::string& cliente, const std::string& ponto);

  void edtCdFilialOriExit(TComponent& sender);
  void edtCdFilialOriChange(TComponent& sender);
  void edtCdServOriExit(TComponent& sender);
  void edtCdServOriChange(TComponent& sender);
  void btnFilialOriClick(TComponent& sender);
  void btnServOriClick(TComponent& sender);
  void sbtConfirmaClick(TComponent& sender) override;

  // The origin's list keys, item 0 (the service itself) empty.
  const std::vector<std::string>& ChavesPontos() const { return chavesPontos_; }

 protected:
  // Sets up the shared components once the dialog's layout is loaded.
  void Prepara();
  void VdFilial(bool vazioErro);
  void VdServico(bool vazioErro);
  void CarregaPontos();
  // The origin service was validated or picked.
  virtual void OrigemValidada() {}
  // Whether the origin has a configuration to copy.
  virtual bool OrigemTemConfiguracao(const std::string& cliente, const std::string& ponto) = 0;
  // The key of the message for an origin without configuration.
  virtual const char* SemConfiguracao() const = 0;
  // Runs before the confirmation question (may abort).
  virtual void AntesDaPergunta() {}
  // The server call that replaces the destination's configuration.
  virtual Variant Importa(Variant& cliOri, Variant& pontoOri, Variant& cliDest, Variant& pontoDest) = 0;
  [[noreturn]] void Erro(const char* key);
  void FocaOrigem();

  TNetConnection* net_ = nullptr;
  std::string filialDest_, servicoDest_, clienteDest_, pontoDest_;
  std::string chaveDestino_;  // the destination's position key
  std::vector<std::string> chavesPontos_{""};
};

class TfrmImpDist : public TfrmImportaConf {
 public:
  TfrmImpDist();
  const char* ClassName() const override { return "TfrmImpDist"; }

 protected:
  bool OrigemTemConfiguracao(const std::string& cliente, const std::string& ponto) override;
  const char* SemConfiguracao() const override { return "N_HA_DIST_ORI"; }
  Variant Importa(Variant& cliOri, Variant& pontoOri, Variant& cliDest, Variant& pontoDest) override;
};

class TfrmImpRest : public TfrmImportaConf {
 public:
  TfrmImpRest();
  const char* ClassName() const override { return "TfrmImpRest"; }

  SelecaoTiposPrato tipos;

 protected:
  void OrigemValidada() override;
  bool OrigemTemConfiguracao(const std::string& cliente, const std::string& ponto) override;
  const char* SemConfiguracao() const override { return "N_HA_REST_ORI"; }
  void AntesDaPergunta() override;
  Variant Importa(Variant& cliOri, Variant& pontoOri, Variant& cliDest, Variant& pontoDest) override;

 private:
  std::string selecaoEnvio_;
};

// ---------------------------------------------------------------- export

class TfrmExportaConf : public TfrmRotiGeral, public layout::transfembal::TfrmExportaConfComponents {
 public:
  // Origin as the creator gives it, and the connection to use.
  void Inicializa(TNetConnection& net, const std::string& filial, const std::string& servico,
                  const std::string& cliente, const std::string& ponto);

  void edtCdFilialDestExit(TComponent& sender);
  void edtCdFilialDestChange(TComponent& sender);
  void btnFilialDestClick(TComponent& sender);
  void cdsServicosBeforeInsert(DataSet& ds);
  void cdsServicosBeforePost(DataSet& ds);
  void cdsServicosAfterScroll(DataSet& ds);
  void cdsPontosEntregaCalcFields(DataSet& ds);
  void dbgServicosCellClick(TComponent& sender, TColumn& column);
  void dbgServicosTitleClick(TComponent& sender, TColumn& column);
  void dbgServicosDrawColumnCell(TComponent& sender, const TRect& rect, int dataCol, TColumn& column, unsigned state);
  void dbgServicosKeyDown(TComponent& sender, int& key, ShiftState shift);
  void dbgServicosKeyPress(TComponent& sender, std::string& key);
  void rbtPontosTClick(TComponent& sender);
  void btnPontosClick(TComponent& sender);
  void sbtConfirmaClick(TComponent& sender) override;

  // The delivery points chosen for a service code ("" when none).
  std::string PontosDoServico(const std::string& servico) const;
  // The text sent with the export: one line per row of cdsServicos, "code=selection".
  std::string TextoPontos() const;

 protected:
  // Sets up the shared components once the dialog's layout is loaded.
  void Prepara();
  void VdFilial(bool vazioErro);
  void GetServicos();
  void MarcaServicos(bool todos);
  // The origin is known (runs during the initialisation).
  virtual void OrigemInicializada() {}
  // Runs first on confirm (may abort).
  virtual void AntesDaValidacao() {}
  // The server call that copies the origin's configuration.
  virtual Variant Exporta(Variant& cliOri, Variant& pontoOri, const Variant& servicos, const std::string& pontos) = 0;
  [[noreturn]] void Erro(const char* key);

  TNetConnection* net_ = nullptr;
  std::string filialOri_, servicoOri_, clienteOri_, pontoOri_;
  std::map<std::string, std::string> pontosServicos_;  // by CDSERVFILI
};

class TfrmExportDist : public TfrmExportaConf {
 public:
  TfrmExportDist();
  const char* ClassName() const override { return "TfrmExportDist"; }

 protected:
  Variant Exporta(Variant& cliOri, Variant& pontoOri, const Variant& servicos, const std::string& pontos) override;
};

class TfrmExportRest : public TfrmExportaConf {
 public:
  TfrmExportRest();
  const char* ClassName() const override { return "TfrmExportRest"; }

  SelecaoTiposPrato tipos;

 protected:
  void OrigemInicializada() override;
  void AntesDaValidacao() override;
  Variant Exporta(Variant& cliOri, Variant& pontoOri, const Variant& servicos, const std::string& pontos) override;

 private:
  std::string selecaoEnvio_;
};

// The creators: the dialog over the main screen's connection (or, with no main screen open, one
// of its own to the session's server), shown modally; true when the transfer was done.
bool CriaImpDist(const std::string& filial, const std::string& servico, const std::string& cliente,
                 const std::string& ponto);
bool CriaExpDist(const std::string& filial, const std::string& servico, const std::string& cliente,
                 const std::string& ponto);
bool CriaImpRest(const std::string& filial, const std::string& servico, const std::string& cliente,
                 const std::string& ponto);
bool CriaExpRest(const std::string& filial, const std::string& servico, const std::string& cliente,
                 const std::string& ponto);

// The module's entries of the creators: parameters [branch, service, client, delivery point,
// result]; the result (true when the transfer was done) is written into the last one.
void EntradaCriaImpDist(VariantArray& params);
void EntradaCriaExpDist(VariantArray& params);
void EntradaCriaImpRest(VariantArray& params);
void EntradaCriaExpRest(VariantArray& params);

}  // namespace cad
