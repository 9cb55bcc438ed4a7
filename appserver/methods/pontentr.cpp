// Clients and delivery points of a corporate service: the packets of the delivery-points page
// (see pontentr.h) and the page's methods (lists, checks, multi-select, save). Every query is
// filtered by branch and service, so a packet never mixes services. Invariant of every stored row
// written here: its service is corporate, its client and its point exist, and every diner figure
// is a number from 0 (a figure left empty is stored as 0).
#include "appserver/methods/pontentr.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "appserver/changeset.h"
#include "appserver/helpers.h"
#include "appserver/methods/methods.h"
#include "appserver/registry.h"
#include "platform/core/errors.h"
#include "platform/db/database.h"

namespace cad::appserver {

namespace {

// The day columns of a delivery point, Monday to Sunday, then holiday.
constexpr const char* kDiasPonto[] = {"QTCOESTCSSEG", "QTCOESTCSTER", "QTCOESTCSQUA", "QTCOESTCSQUI",
                                      "QTCOESTCSSEX", "QTCOESTCSSAB", "QTCOESTCSDOM", "QTCOESTCSFER"};

}  // namespace

PacketPtr clientesPacket(db::Database& db, const std::string& filial, const std::string& servico) {
  static const std::vector<FieldDef> fields{textField("CDFILIAL", 4),      textField("CDSERVFILI", 5),
                                            textField("CDCLIENTE", 21),    textField("IDTPIJURCLIE", 1),
                                            textField("NRINSJURCLIE", 18), textField("NMRAZSOCCLIE", 50),
                                            textField("NMFANTCLIE", 50)};
  return queryPacket(db,
                     "SELECT D.CDFILIAL, D.CDSERVFILI, D.CDCLIENTE, C.IDTPIJURCLIE, C.NRINSJURCLIE, C.NMRAZSOCCLIE,"
                     " C.NMFANTCLIE FROM (SELECT DISTINCT CDFILIAL, CDSERVFILI, CDCLIENTE FROM DESTSRVCLI"
                     " WHERE CDFILIAL = :CDFILIAL AND CDSERVFILI = :CDSERVFILI) D"
                     " JOIN CLIENTE C ON C.CDCLIENTE = D.CDCLIENTE ORDER BY D.CDCLIENTE",
                     {{"CDFILIAL", filial}, {"CDSERVFILI", servico}}, fields);
}

PacketPtr pontosEntregaPacket(db::Database& db, const std::string& filial, const std::string& servico) {
  static const std::vector<FieldDef> fields = [] {
    std::vector<FieldDef> f{textField("CDFILIAL", 4), textField("CDSERVFILI", 5), textField("CDCLIENTE", 21),
                            textField("CDDESTFILI", 3), textField("NMDESTFILI", 30)};
    for (const char* dia : kDiasPonto) f.push_back(floatField(dia));
    return f;
  }();
  std::string sql = "SELECT P.CDFILIAL, P.CDSERVFILI, P.CDCLIENTE, P.CDDESTFILI, F.NMDESTFILI";
  for (const char* dia : kDiasPonto) sql += std::string(", P.") + dia;
  sql +=
      " FROM DESTSRVCLI P JOIN DESTFILI F ON F.CDFILIAL = P.CDFILIAL AND F.CDDESTFILI = P.CDDESTFILI"
      " WHERE P.CDFILIAL = :CDFILIAL AND P.CDSERVFILI = :CDSERVFILI ORDER BY P.CDCLIENTE, P.CDDESTFILI";
  return queryPacket(db, sql, {{"CDFILIAL", filial}, {"CDSERVFILI", servico}}, fields);
}

// ---- Methods of the delivery-points page ----------------------------------------------------

namespace {

// Refusal keys the screen maps to its own message texts.
constexpr const char* kClienteNaoCadastrado = "Clie_NCad";
constexpr const char* kClienteJaCadastrado = "Clie_JCad";
constexpr const char* kPontoNaoCadastrado = "PontEntr_NCad";
constexpr const char* kPontoJaCadastrado = "PontEntr_JCad";

// Largest quantity the NUMERIC(15,5) columns hold.
constexpr double kMaxQuantidade = 9999999999.0;
// Most delivery points one multi-select may name; a branch has far fewer.
constexpr size_t kMaxSelecao = 1000;
// Longest registration number accepted as typed (a CNPJ with its punctuation has 18 characters).
constexpr size_t kMaxInscricao = 18;

const std::vector<FieldDef>& pesqClieFields() {
  static const std::vector<FieldDef> f{textField("CDCLIENTE", 21), textField("NRINSJURCLIE", 18),
                                       textField("NMRAZSOCCLIE", 50), textField("IDTPIJURCLIE", 1),
                                       textField("NMFANTCLIE", 50)};
  return f;
}

const std::vector<FieldDef>& pontoEntrFields() {
  static const std::vector<FieldDef> f{textField("IDMARCADO", 1), textField("CDDESTFILI", 3),
                                       textField("NMDESTFILI", 30)};
  return f;
}

std::string digitsOf(const std::string& s) {
  std::string out;
  for (char c : s)
    if (c >= '0' && c <= '9') out += c;
  return out;
}

// Why the service may not have delivery points, "" when it may: it must exist and be corporate.
std::string servicoRefusal(db::Database& db, const std::string& filial, const std::string& servico) {
  if (filial.empty() || servico.empty()) return "Serviço não informado.";
  db::ResultSet rs = db.query("SELECT IDTIPOSERV FROM SERVICO WHERE CDFILIAL = :CDFILIAL AND CDSERVFILI = :CDSERVFILI",
                              {{"CDFILIAL", filial}, {"CDSERVFILI", servico}});
  if (rs.rows.empty()) return "Serviço " + servico + " não cadastrado na filial " + filial + ".";
  if (textOf(rs.rows[0][0]) != "N")
    return "O serviço " + servico + " da filial " + filial +
           " não é corporativo; só serviços corporativos têm pontos de entrega.";
  return {};
}

// GetPontEntr(CDFILIAL, CDSERVFILI): the array [clients packet, delivery-points packet] of the
// service (the packets of pontentr.h), loaded on entry to the page and after a client loses its
// last delivery point. A text instead: "Serviço não informado." for an empty code, "Serviço X não
// cadastrado na filial Y." for a service that does not exist, so a missing service never looks
// like one without clients.
Variant getPontEntr(CallContext& ctx, VariantArray& args) {
  std::string filial = textOf(args[0]), servico = textOf(args[1]);
  if (std::string recusa = serviceRefusal(ctx.db, filial, servico); !recusa.empty()) return Variant(recusa);
  return Variant(VariantArray{Variant(clientesPacket(ctx.db, filial, servico)),
                              Variant(pontosEntregaPacket(ctx.db, filial, servico))});
}

// GetPEntClie(CDFILIAL, CDSERVFILI): checkable. [true, delivery-points packet of the service]
// (pontentr.h); an unknown service gives no row.
Variant getPEntClie(CallContext& ctx, VariantArray& args) {
  return checkOk(Variant(pontosEntregaPacket(ctx.db, textOf(args[0]), textOf(args[1]))));
}

// GetPesqClie(filter): checkable. [true, packet (CDCLIENTE 21, NRINSJURCLIE 18, NMRAZSOCCLIE 50,
// IDTPIJURCLIE 1, NMFANTCLIE 50)] ordered by company name: every client for "T", otherwise the
// client whose registration number has the filter's digits (punctuation ignored). Clients are
// company-wide, so no branch is involved.
Variant getPesqClie(CallContext& ctx, VariantArray& args) {
  std::string filtro = textOf(args[0]);
  std::string sql = "SELECT CDCLIENTE, NRINSJURCLIE, NMRAZSOCCLIE, IDTPIJURCLIE, NMFANTCLIE FROM CLIENTE";
  db::Params params;
  if (filtro != "T") {
    if (filtro.size() > kMaxInscricao) return checkFail(kClienteNaoCadastrado);
    sql += " WHERE NRINSJURCLIE = :NRINSJURCLIE";
    params.emplace_back("NRINSJURCLIE", digitsOf(filtro));
  }
  sql += " ORDER BY NMRAZSOCCLIE, CDCLIENTE";
  return checkOk(Variant(queryPacket(ctx.db, sql, params, pesqClieFields())));
}

// GetVerifClie(CDFILIAL, CDSERVFILI, NRINSJURCLIE, CDCLIENTE): checkable; the check of a client
// typed on the page. The number is compared by its digits (punctuation ignored, at most 18
// characters as typed). [false, "Clie_NCad"] when no client has that number, [false, "Clie_JCad"]
// when that client already has a delivery point on the service; otherwise [true, the client's row
// in the GetPesqClie shape]. CDCLIENTE is what the screen holds so far and is not relied on.
Variant getVerifClie(CallContext& ctx, VariantArray& args) {
  std::string filial = textOf(args[0]), servico = textOf(args[1]), numero = textOf(args[2]);
  if (numero.size() > kMaxInscricao || digitsOf(numero).empty()) return checkFail(kClienteNaoCadastrado);
  PacketPtr p = queryPacket(ctx.db,
                            "SELECT CDCLIENTE, NRINSJURCLIE, NMRAZSOCCLIE, IDTPIJURCLIE, NMFANTCLIE FROM CLIENTE"
                            " WHERE NRINSJURCLIE = :NRINSJURCLIE",
                            {{"NRINSJURCLIE", digitsOf(numero)}}, pesqClieFields());
  if (p->rowCount() == 0) return checkFail(kClienteNaoCadastrado);
  if (!ctx.db
           .query("SELECT 1 FROM DESTSRVCLI WHERE CDFILIAL = :CDFILIAL AND CDSERVFILI = :CDSERVFILI"
                  " AND CDCLIENTE = :CDCLIENTE",
                  {{"CDFILIAL", filial}, {"CDSERVFILI", servico}, {"CDCLIENTE", p->value(0, "CDCLIENTE").asString()}})
           .rows.empty())
    return checkFail(kClienteJaCadastrado);
  return checkOk(Variant(p));
}

// GetPesqPontoEntr(CDFILIAL): checkable. [true, packet (IDMARCADO 1, CDDESTFILI 3, NMDESTFILI 30)]
// of the branch's delivery points ordered by code, IDMARCADO empty (the multi-select marks it).
Variant getPesqPontoEntr(CallContext& ctx, VariantArray& args) {
  return checkOk(Variant(queryPacket(ctx.db,
                                     "SELECT '' AS IDMARCADO, CDDESTFILI, NMDESTFILI FROM DESTFILI"
                                     " WHERE CDFILIAL = :CDFILIAL ORDER BY CDDESTFILI",
                                     {{"CDFILIAL", textOf(args[0])}}, pontoEntrFields())));
}

// GetVerifPontEntr(CDFILIAL, CDSERVFILI, CDCLIENTE, CDDESTFILI): checkable; the check of a delivery
// point typed for a client. [false, "PontEntr_NCad"] when the branch has no such point,
// [false, "PontEntr_JCad"] when the client already has it on the service; otherwise [true, the
// point's row in the GetPesqPontoEntr shape].
Variant getVerifPontEntr(CallContext& ctx, VariantArray& args) {
  std::string filial = textOf(args[0]), servico = textOf(args[1]), cliente = textOf(args[2]), ponto = textOf(args[3]);
  PacketPtr p = queryPacket(ctx.db,
                            "SELECT '' AS IDMARCADO, CDDESTFILI, NMDESTFILI FROM DESTFILI"
                            " WHERE CDFILIAL = :CDFILIAL AND CDDESTFILI = :CDDESTFILI",
                            {{"CDFILIAL", filial}, {"CDDESTFILI", ponto}}, pontoEntrFields());
  if (p->rowCount() == 0) return checkFail(kPontoNaoCadastrado);
  if (!ctx.db
           .query("SELECT 1 FROM DESTSRVCLI WHERE CDFILIAL = :CDFILIAL AND CDSERVFILI = :CDSERVFILI"
                  " AND CDCLIENTE = :CDCLIENTE AND CDDESTFILI = :CDDESTFILI",
                  {{"CDFILIAL", filial}, {"CDSERVFILI", servico}, {"CDCLIENTE", cliente}, {"CDDESTFILI", ponto}})
           .rows.empty())
    return checkFail(kPontoJaCadastrado);
  return checkOk(Variant(p));
}

// SetPEntClie(CDFILIAL, CDSERVFILI, CDCLIENTE, selection by reference): checkable; turns the
// multi-select's answer into the delivery-point rows the screen adds for the client. The selection
// is the lookup's text "_001_002_" (or "T" for every point of the branch); at most 1000 codes.
// [true, packet (CDFILIAL 4, CDSERVFILI 5, CDCLIENTE 21, CDDESTFILI 3, NMDESTFILI 30)] ordered by
// code, without the points the client already has on the service (adding them again would refuse
// the whole save) and without repeats; the selection is written back with the codes returned.
// Refused: no client ("Cliente deve ser informado."), a code the branch does not have ("Ponto de
// Entrega X não cadastrado."), too long a selection. Nothing is written.
Variant setPEntClie(CallContext& ctx, VariantArray& args) {
  std::string filial = textOf(args[0]), servico = textOf(args[1]), cliente = textOf(args[2]);
  std::string selecao = args[3].isNull() ? std::string() : args[3].asString();
  if (cliente.empty()) return checkFail("Cliente deve ser informado.");
  std::vector<std::string> codigos;
  bool todos = textOf(args[3]) == "T";
  if (!todos) {
    size_t inicio = 0;
    while (inicio <= selecao.size()) {
      size_t fim = selecao.find('_', inicio);
      if (fim == std::string::npos) fim = selecao.size();
      std::string codigo = textOf(Variant(selecao.substr(inicio, fim - inicio)));
      if (!codigo.empty() && std::find(codigos.begin(), codigos.end(), codigo) == codigos.end()) {
        if (codigos.size() == kMaxSelecao) return checkFail("Seleção de pontos de entrega grande demais.");
        codigos.push_back(codigo);
      }
      inicio = fim + 1;
    }
  }
  static const std::vector<FieldDef> fields{textField("CDFILIAL", 4), textField("CDSERVFILI", 5),
                                            textField("CDCLIENTE", 21), textField("CDDESTFILI", 3),
                                            textField("NMDESTFILI", 30)};
  auto out = std::make_shared<Packet>();
  out->fields = fields;
  db::ResultSet existentes = ctx.db.query(
      "SELECT CDDESTFILI FROM DESTSRVCLI WHERE CDFILIAL = :CDFILIAL AND CDSERVFILI = :CDSERVFILI"
      " AND CDCLIENTE = :CDCLIENTE",
      {{"CDFILIAL", filial}, {"CDSERVFILI", servico}, {"CDCLIENTE", cliente}});
  auto jaTem = [&](const std::string& codigo) {
    for (const auto& row : existentes.rows)
      if (textOf(row[0]) == codigo) return true;
    return false;
  };
  db::ResultSet pontos =
      ctx.db.query("SELECT CDDESTFILI, NMDESTFILI FROM DESTFILI WHERE CDFILIAL = :CDFILIAL ORDER BY CDDESTFILI",
                   {{"CDFILIAL", filial}});
  for (const std::string& codigo : codigos) {
    bool achou = false;
    for (const auto& row : pontos.rows) achou = achou || textOf(row[0]) == codigo;
    if (!achou) return checkFail("Ponto de Entrega " + codigo + " não cadastrado.");
  }
  std::string devolvida = "_";
  for (const auto& row : pontos.rows) {
    std::string codigo = textOf(row[0]);
    if (!todos && std::find(codigos.begin(), codigos.end(), codigo) == codigos.end()) continue;
    if (jaTem(codigo)) continue;
    out->rows.push_back(
        {Variant(filial), Variant(servico), Variant(cliente), Variant(codigo), Variant(textOf(row[1]))});
    devolvida += codigo + "_";
  }
  args[3] = Variant(out->rows.empty() ? std::string() : devolvida);
  return checkOk(Variant(PacketPtr(out)));
}

// GetMaxCPEntr(CDFILIAL, CDSERVFILI): checkable; asked before each delivery-point post. The
// service must exist and be corporate (refused with "Serviço X não cadastrado na filial Y." or the
// corporate-only text). [true, packet (MAXCSEGCLI ... MAXCFERCLI floats)] with one row: the stored
// diners of all the service's delivery points per day, Monday to Sunday then holiday.
Variant getMaxCPEntr(CallContext& ctx, VariantArray& args) {
  std::string filial = textOf(args[0]), servico = textOf(args[1]);
  if (std::string refusal = servicoRefusal(ctx.db, filial, servico); !refusal.empty()) return checkFail(refusal);
  static const char* kSufixos[] = {"SEG", "TER", "QUA", "QUI", "SEX", "SAB", "DOM", "FER"};
  std::vector<FieldDef> fields;
  std::string sql = "SELECT ";
  for (size_t i = 0; i < 8; ++i) {
    std::string nome = std::string("MAXC") + kSufixos[i] + "CLI";
    fields.push_back(floatField(nome));
    sql += (i ? ", " : "") + std::string("COALESCE(SUM(") + kDiasPonto[i] + "), 0) AS " + nome;
  }
  sql += " FROM DESTSRVCLI WHERE CDFILIAL = :CDFILIAL AND CDSERVFILI = :CDSERVFILI";
  return checkOk(Variant(queryPacket(ctx.db, sql, {{"CDFILIAL", filial}, {"CDSERVFILI", servico}}, fields)));
}

// Checks of an inserted or modified delivery-point row; "" when it may be written. Null
// quantities were made 0 before.
std::string pontoRefusal(db::Database& db, const Packet& delta, size_t r) {
  std::string filial = textOf(newValue(delta, r, "CDFILIAL")), servico = textOf(newValue(delta, r, "CDSERVFILI")),
              cliente = textOf(newValue(delta, r, "CDCLIENTE")), ponto = textOf(newValue(delta, r, "CDDESTFILI"));
  if (delta.kinds[r] == ChangeKind::Modified) {
    for (const char* chave : {"CDFILIAL", "CDSERVFILI", "CDCLIENTE", "CDDESTFILI"})
      if (textOf(newValue(delta, r, chave)) != textOf(oldValue(delta, r, chave)))
        return "A filial, o serviço, o cliente e o código de um ponto de entrega cadastrado não podem ser alterados.";
  }
  if (std::string refusal = servicoRefusal(db, filial, servico); !refusal.empty()) return refusal;
  if (cliente.empty()) return "Cliente deve ser informado.";
  if (db.query("SELECT 1 FROM CLIENTE WHERE CDCLIENTE = :CDCLIENTE", {{"CDCLIENTE", cliente}}).rows.empty())
    return "Cliente deve estar cadastrado.";
  if (ponto.empty()) return "Ponto de Entrega deve ser informado.";
  if (db.query("SELECT 1 FROM DESTFILI WHERE CDFILIAL = :CDFILIAL AND CDDESTFILI = :CDDESTFILI",
               {{"CDFILIAL", filial}, {"CDDESTFILI", ponto}})
          .rows.empty())
    return "Ponto de Entrega não cadastrado.";
  for (const char* dia : kDiasPonto) {
    Variant v = newValue(delta, r, dia);
    if (!v.isNumber() || !std::isfinite(v.asFloat()) || v.asFloat() > kMaxQuantidade)
      return "Quantidade de comensais inválida no ponto de entrega " + ponto + " (" + dia + ").";
    if (v.asFloat() < 0) return "Quantidade de comensais do ponto de entrega deve ser maior ou igual a zero.";
  }
  return {};
}

// UpdPontoEntr(change set of cdsPEntClie): an update. Writes the change set to DESTSRVCLI by its
// key CDFILIAL + CDSERVFILI + CDCLIENTE + CDDESTFILI in one transaction and returns "" or the
// refusal text; on any refusal nothing of the change set is kept. A new client of the service
// arrives with its first delivery-point row (the client itself lives in CLIENTE).
//  - The operator must have access (FILIOPER) to the branch of every row, before and after.
//  - Inserted and modified rows: the service stored and corporate, the client stored ("Cliente
//    deve estar cadastrado."), the point one of the branch's ("Ponto de Entrega não
//    cadastrado."); a modified row keeps its key. A null diner figure is stored as 0; any other
//    must be a number from 0 to the column's maximum ("Quantidade de comensais do ponto de
//    entrega deve ser maior ou igual a zero.", "Quantidade de comensais inválida ...").
//  - An inserted key already stored and a modified or deleted row no longer stored as the client
//    read it refuse the change set with the applier's texts. NMDESTFILI is not stored.
Variant updPontoEntr(CallContext& ctx, VariantArray& args) {
  const Packet& sent = args[0].asPacket();
  if (!sent.delta) throw Exception("UpdPontoEntr espera um conjunto de alterações.");
  if (std::string refusal = changeSetBranchRefusal(ctx.db, ctx.operatorName, sent); !refusal.empty())
    return Variant(refusal);
  Packet delta = *withTrimmedCodes(sent, {"CDFILIAL", "CDSERVFILI", "CDCLIENTE", "CDDESTFILI"});
  for (size_t r = 0; r < delta.rows.size(); ++r) {
    if (delta.kinds[r] == ChangeKind::Deleted) continue;
    for (const char* dia : kDiasPonto) {
      int i = delta.fieldIndex(dia);
      if (i < 0) return Variant(std::string("Campo ") + dia + " ausente no conjunto de alterações.");
      Variant& v = delta.rows[r].at(static_cast<size_t>(i));
      if (v.isNull()) v = Variant(0.0);
    }
    if (std::string refusal = pontoRefusal(ctx.db, delta, r); !refusal.empty()) return Variant(refusal);
  }
  static const TableSpec table{"DESTSRVCLI", {"CDFILIAL", "CDSERVFILI", "CDCLIENTE", "CDDESTFILI"}, {}};
  return Variant(applyChangeSet(ctx.db, table, delta));
}

}  // namespace

void registerDeliveryPointMethods(Registry& r) {
  r.add({kCadastroServ, "GetPontEntr", "ss", {}, false, getPontEntr, 0});
  r.add({kCadastroServ, "GetPEntClie", "ss", {}, false, getPEntClie, 0, true});
  r.add({kCadastroServ, "GetPesqClie", "s", {}, false, getPesqClie, -1, true});
  r.add({kCadastroServ, "GetVerifClie", "ssss", {}, false, getVerifClie, 0, true});
  r.add({kCadastroServ, "GetPesqPontoEntr", "s", {}, false, getPesqPontoEntr, 0, true});
  r.add({kCadastroServ, "GetVerifPontEntr", "ssss", {}, false, getVerifPontEntr, 0, true});
  r.add({kCadastroServ, "SetPEntClie", "ssss", {3}, false, setPEntClie, 0, true});
  r.add({kCadastroServ, "GetMaxCPEntr", "ss", {}, false, getMaxCPEntr, 0, true});
  r.add({kCadastroServ, "UpdPontoEntr", "p", {}, true, updPontoEntr});
}

}  // namespace cad::appserver
