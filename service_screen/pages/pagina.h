// PaginaServ: what the frame of the service screen (TfrmCadastroServ) asks of each of its pages.
// The frame keeps the branch panel, the group filter, the service list, the page control and the
// navigator; every toolbar command and every change of service is forwarded to the active page
// through this interface, and what one page must tell the others travels as an Aviso the frame
// hands to every page (each one reacts to it on its own terms, or not at all).
//
// Invariants: exactly one page shows the active sheet of the page control; a page reaches the
// frame through `tela` and never another page's components.
#pragma once

#include <string>

namespace cad {

class TComponent;
class TTabSheet;
class TfrmCadastroServ;

// Why the frame asks whether the active page may be left.
enum class Saida {
  Pagina,       // another page is about to become active
  Tela,         // the screen is closing
  EntraFilial,  // the focus moves into the branch panel (the list is about to be cleared)
  SaiFilial,    // the focus leaves the branch panel (the list is about to be read again)
};

// What the frame tells every page, active or not.
enum class Aviso {
  ServicoTrocado,   // another service became current: data loaded for the previous one is stale
  ServicoMostrado,  // the frame finished showing the new current service
  PaginaMudando,    // a page is becoming active (before its entry): toolbar commands of the pages
  PaginaTrocada,    // a page became active (after its entry)
  CustoCancelado,   // the standard-cost page cancelled its edit
  TelaMontada,      // the screen was created: the pages set up their controls for the module and session
  ParametrosLidos,  // the general parameters were read again (TpConfPadrao, IdNaoUtCardPadr)
  ModoFaturamento,  // the billing or planning mode may have changed (type, list state, page)
  ListaMostrada,    // the frame made the list page active without a page change (no entry runs)
  // The diners page confirmed new day totals of the service (TfrmCadastroServ::TotaisComensais),
  // before it saves the record: the shifts follow them.
  ComensaisConfirmados,
  TelaAtivada,      // the screen became active (after its first activation's setup)
  FilialAberta,     // the branch typed in the panel was opened and its parameters read
  FilialListada,    // the focus left the branch panel and the branch's services were listed
  Criacao,          // the screen is being created (FormCreate): pages prepare their controls
  PontosAlterados,  // the service's delivery points changed: lists of them are stale
};

class PaginaServ {
 public:
  explicit PaginaServ(TfrmCadastroServ& t) : tela(t) {}
  virtual ~PaginaServ() = default;
  PaginaServ(const PaginaServ&) = delete;
  PaginaServ& operator=(const PaginaServ&) = delete;

  // Whether the sheet belongs to this page (the list and form page has two).
  virtual bool Mostra(const TTabSheet* aba) const = 0;
  // Whether the page may be entered for the current service, of this type.
  virtual bool Serve(const std::string& /*tipo*/) const { return true; }
  // The sheet that takes the page's place for a service of a type the page does not serve
  // (null: the page serves it).
  virtual TTabSheet* Substituta(const std::string& /*tipo*/) const { return nullptr; }

  // Entry: the page became active.
  virtual void Entra() {}
  // Leave checks: false (or an abort) keeps the page; the page shows its own message.
  virtual bool PodeSair(Saida) { return true; }
  // The screen closes while the page is active (after the leave checks passed).
  virtual void Fecha() {}
  // Another service is about to become current while the page is active (an abort refuses it).
  virtual void SaiServico() {}
  // Another service became current while the page is active: first while the frame updates,
  // then once it has shown the service.
  virtual void TrocaServico() {}
  virtual void ServicoMostrado() {}

  // The toolbar's commands on the active page.
  virtual void Inclui(TComponent&) {}
  virtual void Altera(TComponent&) {}
  virtual void Confirma() {}
  virtual void Cancela() {}
  virtual void Verifica() {}
  // True when something was deleted (the frame reports it).
  virtual bool Exclui() { return false; }
  virtual void Procura(TComponent&) {}
  // The export command (toolbar button and maintenance-menu entry).
  virtual void Exporta() {}
  // Command states after the service list changed state (browse, edit, insert, closed).
  virtual void EstadoServico() {}
  // The focus entered the page control.
  virtual void FocoNasAbas() {}
  // Whether the page holds an edit that the navigator must not leave.
  virtual bool Editando() const { return false; }
  // The service record was posted while the page is active: true lets the frame send it to the
  // server at once; a page that stages the record's changes sends them itself and answers false.
  virtual bool GravaServico() { return true; }

  // A notice from another page or the frame.
  virtual void Avisa(Aviso) {}

 protected:
  // Whether this page is the active one.
  bool Ativa() const;

  TfrmCadastroServ& tela;
};

}  // namespace cad
