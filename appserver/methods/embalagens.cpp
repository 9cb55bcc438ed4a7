// Methods of the packaging of a transported service: the distribution of the menu lines into
// packages per delivery point (CNFDISTEMBSERV, CNFDISTEMBTP) and the collective-packaging
// restrictions per menu line and delivery point (RESTEMBTPPRAT, RESTEMBCONT). Each method's comment
// states what the server does. Every result is checkable ([true, payload] / [false, text]).
// Invariants: a delivery point is the pair (CDCLIENTE, CDDESTFILI), both '' for the service
// itself; a menu line sits in at most one package per delivery point; a delivery point has at most
// one 'DIST' and one 'DISTR' package; a refused write keeps nothing (the dispatcher rolls back).
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "appserver/changeset.h"
#include "appserver/helpers.h"
#include "appserver/methods/embalagens.h"
#include "appserver/methods/methods.h"
#include "appserver/registry.h"
#include "platform/core/errors.h"

namespace cad::appserver {

namespace {

// Upper bounds of what a request may carry: group numbers and order numbers, and rows of a packet.
constexpr double kMaxGrupo = 99999.0;
constexpr double kMaxOrdem = 999999.0;
constexpr size_t kMaxLinhas = 2000;
// Largest quantity the NUMERIC(15,5) column holds.
constexpr double kMaxQuantidade = 9999999999.0;
// The screen's marker of an empty number in a change set.
constexpr double kCampoNumericoVazio = -1.0;

// A text argument as sent (null as ""), blanks trimmed.
std::string arg(const VariantArray& args, size_t i) { return textOf(args[i]); }

}  // namespace

// Whether the delivery point belongs to the service ('' / '' is the service itself).
std::string destinoRefusal(db::Database& db, const std::string& filial, const std::string& servico,
                           const std::string& cliente, const std::string& destino) {
  if (cliente.empty() && destino.empty()) return {};
  if (db.query("SELECT 1 FROM DESTSRVCLI WHERE CDFILIAL = :F AND CDSERVFILI = :S AND CDCLIENTE = :C"
               " AND CDDESTFILI = :D",
               {{"F", filial}, {"S", servico}, {"C", cliente}, {"D", destino}})
          .rows.empty())
    return "Ponto de entrega " + cliente + "/" + destino + " não cadastrado para o serviço " + servico + ".";
  return {};
}

// A whole number from min to max, or nullopt-like -1 when the value is anything else.
long long wholeNumber(const Variant& v, double min, double max) {
  if (!v.isNumber()) return -1;
  double d = v.asFloat();
  if (!std::isfinite(d) || d < min || d > max || d != std::floor(d)) return -1;
  return static_cast<long long>(d);
}

db::Params destinoParams(const std::string& f, const std::string& s, const std::string& c, const std::string& d) {
  return {{"F", f}, {"S", s}, {"C", c}, {"D", d}};
}

void removeEmbalagensSemLinhas(db::Database& db, const std::string& filial, const std::string& servico) {
  db.exec(
      "DELETE FROM CNFDISTEMBSERV WHERE CDFILIAL = :F AND CDSERVFILI = :S AND NOT EXISTS (SELECT 1 FROM"
      " CNFDISTEMBTP T WHERE T.CDFILIAL = CNFDISTEMBSERV.CDFILIAL AND T.CDSERVFILI = CNFDISTEMBSERV.CDSERVFILI"
      " AND T.CDCLIENTE = CNFDISTEMBSERV.CDCLIENTE AND T.CDDESTFILI = CNFDISTEMBSERV.CDDESTFILI"
      " AND T.NRGRUPO = CNFDISTEMBSERV.NRGRUPO)",
      {{"F", filial}, {"S", servico}});
}

namespace {

// ---- Distribution --------------------------------------------------------------------------

// GetPontosEntrega(CDFILIAL, CDSERVFILI): packet (CDCLIENTE 21, NMRAZSOCCLIE 50, CDDESTFILI 3,
// NMDESTFILI 30) of the service's delivery points ordered by client and point, for the two
// delivery-point lists of the packaging page. An unknown service gives no row.
Variant getPontosEntrega(CallContext& ctx, VariantArray& args) {
  static const std::vector<FieldDef> fields{textField("CDCLIENTE", 21), textField("NMRAZSOCCLIE", 50),
                                            textField("CDDESTFILI", 3), textField("NMDESTFILI", 30)};
  return checkOk(Variant(queryPacket(ctx.db,
                                     "SELECT P.CDCLIENTE, C.NMRAZSOCCLIE, P.CDDESTFILI, F.NMDESTFILI FROM DESTSRVCLI P"
                                     " JOIN CLIENTE C ON C.CDCLIENTE = P.CDCLIENTE"
                                     " JOIN DESTFILI F ON F.CDFILIAL = P.CDFILIAL AND F.CDDESTFILI = P.CDDESTFILI"
                                     " WHERE P.CDFILIAL = :F AND P.CDSERVFILI = :S ORDER BY P.CDCLIENTE, P.CDDESTFILI",
                                     {{"F", arg(args, 0)}, {"S", arg(args, 1)}}, fields)));
}

// GetDadosDistribuicao(CDFILIAL, CDSERVFILI, CDCLIENTE, CDDESTFILI): the distribution of one
// delivery point as [free lines, packages, lines in packages]:
//  [0] (NRORDCNFCARD, NRSEQCNFCARD, NMTIPOPRAT 15): menu lines in no package of the point;
//  [1] (CDCNFDISTEMBSERV 5, NRGRUPO, VARIOSTPPRAT 1, NOME 40, CDCONTAINER 5): its packages by group;
//  [2] (NRGRUPO, NRORDCNFCARD, NRSEQCNFCARD, NMTIPOPRAT 15): the lines of every package;
// lines in menu order. Refused for a service or delivery point that is not registered.
Variant getDadosDistribuicao(CallContext& ctx, VariantArray& args) {
  std::string f = arg(args, 0), s = arg(args, 1), c = arg(args, 2), d = arg(args, 3);
  if (std::string r = serviceRefusal(ctx.db, f, s); !r.empty()) return checkFail(r);
  if (std::string r = destinoRefusal(ctx.db, f, s, c, d); !r.empty()) return checkFail(r);
  static const std::vector<FieldDef> livres{floatField("NRORDCNFCARD"), floatField("NRSEQCNFCARD"),
                                            textField("NMTIPOPRAT", 15)};
  static const std::vector<FieldDef> embalagens{textField("CDCNFDISTEMBSERV", 5), floatField("NRGRUPO"),
                                                textField("VARIOSTPPRAT", 1), textField("NOME", 40),
                                                textField("CDCONTAINER", 5)};
  static const std::vector<FieldDef> colocados{floatField("NRGRUPO"), floatField("NRORDCNFCARD"),
                                               floatField("NRSEQCNFCARD"), textField("NMTIPOPRAT", 15)};
  db::Params p = destinoParams(f, s, c, d);
  VariantArray out{
      Variant(queryPacket(ctx.db,
                          "SELECT L.NRORDCNFCARD, L.NRSEQCNFCARD, T.NMTIPOPRAT FROM CNFCARD L"
                          " JOIN TIPOPRAT T ON T.CDTIPOPRAT = L.CDTIPOPRAT"
                          " WHERE L.CDFILIAL = :F AND L.CDSERVFILI = :S AND NOT EXISTS (SELECT 1 FROM CNFDISTEMBTP E"
                          " WHERE E.CDFILIAL = L.CDFILIAL AND E.CDSERVFILI = L.CDSERVFILI AND E.CDCLIENTE = :C"
                          " AND E.CDDESTFILI = :D AND E.NRSEQCNFCARD = L.NRSEQCNFCARD)"
                          " ORDER BY L.NRORDCNFCARD, L.NRSEQCNFCARD",
                          p, livres)),
      Variant(queryPacket(ctx.db,
                          "SELECT E.CDCNFDISTEMBSERV, E.NRGRUPO, M.VARIOSTPPRAT, M.NOME, E.CDCONTAINER"
                          " FROM CNFDISTEMBSERV E JOIN EMBDISTR M ON M.CDCNFDISTEMBSERV = E.CDCNFDISTEMBSERV"
                          " WHERE E.CDFILIAL = :F AND E.CDSERVFILI = :S AND E.CDCLIENTE = :C AND E.CDDESTFILI = :D"
                          " ORDER BY E.NRGRUPO",
                          p, embalagens)),
      Variant(queryPacket(ctx.db,
                          "SELECT E.NRGRUPO, L.NRORDCNFCARD, L.NRSEQCNFCARD, T.NMTIPOPRAT FROM CNFDISTEMBTP E"
                          " JOIN CNFCARD L ON L.CDFILIAL = E.CDFILIAL AND L.CDSERVFILI = E.CDSERVFILI"
                          " AND L.NRSEQCNFCARD = E.NRSEQCNFCARD JOIN TIPOPRAT T ON T.CDTIPOPRAT = L.CDTIPOPRAT"
                          " WHERE E.CDFILIAL = :F AND E.CDSERVFILI = :S AND E.CDCLIENTE = :C AND E.CDDESTFILI = :D"
                          " ORDER BY L.NRORDCNFCARD, L.NRSEQCNFCARD",
                          p, colocados))};
  return checkOk(Variant(std::move(out)));
}

// GetVdDistrEmb(code): packet (CDCNFDISTEMBSERV 5, CDCONTAINER 5, NOME 40, VARIOSTPPRAT 1, NRORDEM)
// of the package with that distribution code, or of every package (by NRORDEM) for "T". No row
// for an unknown code.
Variant getVdDistrEmb(CallContext& ctx, VariantArray& args) {
  static const std::vector<FieldDef> fields{textField("CDCNFDISTEMBSERV", 5), textField("CDCONTAINER", 5),
                                            textField("NOME", 40), textField("VARIOSTPPRAT", 1), floatField("NRORDEM")};
  std::string codigo = arg(args, 0);
  std::string sql = "SELECT CDCNFDISTEMBSERV, CDCONTAINER, NOME, VARIOSTPPRAT, NRORDEM FROM EMBDISTR";
  db::Params p;
  if (codigo != "T") {
    sql += " WHERE CDCNFDISTEMBSERV = :C";
    p = {{"C", codigo}};
  }
  sql += " ORDER BY NRORDEM, CDCNFDISTEMBSERV";
  return checkOk(Variant(queryPacket(ctx.db, sql, p, fields)));
}

// SetDistrEmb(CDFILIAL, CDSERVFILI, CDCLIENTE, CDDESTFILI, CDCNFDISTEMBSERV, CDCONTAINER, NRGRUPO,
// packet of the lines in packages): an update. Replaces the package of group NRGRUPO (a whole
// number from 1) of the delivery point and its lines with the packet's rows of that group (rows of
// other groups are the client's copy of what is stored and are not written). Refused with a text:
// no access to the branch; service or delivery point not registered; the distribution code not
// registered; a second 'DIST' or 'DISTR' package of the point; no line in the package, or more
// than one in a package that takes a single dish type; a line that is not in the service's menu
// configuration or that another package of the point already holds. The container stored is the
// one registered for the distribution code; the one sent is not trusted.
Variant setDistrEmb(CallContext& ctx, VariantArray& args) {
  std::string f = arg(args, 0), s = arg(args, 1), c = arg(args, 2), d = arg(args, 3), codigo = arg(args, 4);
  if (std::string r = branchRefusal(ctx.db, ctx.operatorName, f); !r.empty()) return checkFail(r);
  if (std::string r = serviceRefusal(ctx.db, f, s); !r.empty()) return checkFail(r);
  if (std::string r = destinoRefusal(ctx.db, f, s, c, d); !r.empty()) return checkFail(r);
  long long grupo = wholeNumber(args[6], 1, kMaxGrupo);
  if (grupo < 1) return checkFail("Grupo da embalagem inválido.");
  db::ResultSet emb =
      ctx.db.query("SELECT CDCONTAINER, VARIOSTPPRAT FROM EMBDISTR WHERE CDCNFDISTEMBSERV = :C", {{"C", codigo}});
  if (codigo.empty()) return checkFail("Embalagem deve ser informada.");
  if (emb.rows.empty()) return checkFail("Embalagem informada não cadastrada.");
  db::Params p = destinoParams(f, s, c, d);
  p.push_back({"G", static_cast<int64_t>(grupo)});
  if (codigo == "DIST" || codigo == "DISTR") {
    db::Params q = p;
    q.push_back({"E", codigo});
    if (!ctx.db
             .query("SELECT 1 FROM CNFDISTEMBSERV WHERE CDFILIAL = :F AND CDSERVFILI = :S AND CDCLIENTE = :C"
                    " AND CDDESTFILI = :D AND NRGRUPO <> :G AND CDCNFDISTEMBSERV = :E",
                    q)
             .rows.empty())
      return checkFail(
          "É permitido apenas um registro de distribuição automática e um registro de distribuição automática "
          "recursiva.");
  }
  const Packet& linhas = args[7].asPacket();
  if (linhas.delta) throw Exception("SetDistrEmb espera o pacote dos tipos de prato, não um conjunto de alterações.");
  if (linhas.rowCount() > kMaxLinhas) return checkFail("Tipos de prato demais na distribuição.");
  int colGrupo = linhas.fieldIndex("NRGRUPO"), colSeq = linhas.fieldIndex("NRSEQCNFCARD");
  if (colGrupo < 0 || colSeq < 0) throw Exception("SetDistrEmb espera NRGRUPO e NRSEQCNFCARD nos tipos de prato.");
  std::set<long long> seqs;
  for (size_t r = 0; r < linhas.rowCount(); ++r) {
    if (wholeNumber(linhas.rows[r][colGrupo], 0, kMaxGrupo) != grupo) continue;
    long long seq = wholeNumber(linhas.rows[r][colSeq], 1, kMaxOrdem);
    if (seq < 1) return checkFail("Tipo de prato inválido na embalagem.");
    seqs.insert(seq);
  }
  if (seqs.empty())
    return checkFail("Ao menos um tipo de prato deve ser informado na embalagem ou distribuição automática.");
  if (textOf(emb.rows[0][1]) == "N" && seqs.size() > 1)
    return checkFail("Somente um tipo de prato pode ser associado à embalagem selecionada.");
  for (long long seq : seqs) {
    db::Params q = p;
    q.push_back({"Q", static_cast<int64_t>(seq)});
    if (ctx.db.query("SELECT 1 FROM CNFCARD WHERE CDFILIAL = :F AND CDSERVFILI = :S AND NRSEQCNFCARD = :Q", q)
            .rows.empty())
      return checkFail("Tipo de prato " + std::to_string(seq) + " não está na configuração de cardápio do serviço.");
    if (!ctx.db
             .query("SELECT 1 FROM CNFDISTEMBTP WHERE CDFILIAL = :F AND CDSERVFILI = :S AND CDCLIENTE = :C"
                    " AND CDDESTFILI = :D AND NRSEQCNFCARD = :Q AND NRGRUPO <> :G",
                    q)
             .rows.empty())
      return checkFail(kChangedByOther);
  }
  const char* where =
      " WHERE CDFILIAL = :F AND CDSERVFILI = :S AND CDCLIENTE = :C AND CDDESTFILI = :D AND NRGRUPO = :G";
  ctx.db.exec(std::string("DELETE FROM CNFDISTEMBTP") + where, p);
  ctx.db.exec(std::string("DELETE FROM CNFDISTEMBSERV") + where, p);
  db::Params ins = p;
  ins.push_back({"E", codigo});
  ins.push_back({"K", emb.rows[0][0]});
  ctx.db.exec(
      "INSERT INTO CNFDISTEMBSERV (CDFILIAL, CDSERVFILI, CDCLIENTE, CDDESTFILI, NRGRUPO, CDCNFDISTEMBSERV,"
      " CDCONTAINER) VALUES (:F, :S, :C, :D, :G, :E, :K)",
      ins);
  for (long long seq : seqs) {
    db::Params q = p;
    q.push_back({"Q", static_cast<int64_t>(seq)});
    ctx.db.exec(
        "INSERT INTO CNFDISTEMBTP (CDFILIAL, CDSERVFILI, CDCLIENTE, CDDESTFILI, NRSEQCNFCARD, NRGRUPO)"
        " VALUES (:F, :S, :C, :D, :Q, :G)",
        q);
  }
  return checkOk(Variant(""));
}

// DelDistrEmb(CDFILIAL, CDSERVFILI, CDCLIENTE, CDDESTFILI, NRGRUPO): an update. Deletes the package
// of that group of the delivery point with its lines. Refused without access to the branch, and
// when the package is no longer stored (another user removed it: the screen reloads).
Variant delDistrEmb(CallContext& ctx, VariantArray& args) {
  std::string f = arg(args, 0), s = arg(args, 1), c = arg(args, 2), d = arg(args, 3);
  if (std::string r = branchRefusal(ctx.db, ctx.operatorName, f); !r.empty()) return checkFail(r);
  long long grupo = wholeNumber(args[4], 1, kMaxGrupo);
  if (grupo < 1) return checkFail("Grupo da embalagem inválido.");
  db::Params p = destinoParams(f, s, c, d);
  p.push_back({"G", static_cast<int64_t>(grupo)});
  const char* where =
      " WHERE CDFILIAL = :F AND CDSERVFILI = :S AND CDCLIENTE = :C AND CDDESTFILI = :D AND NRGRUPO = :G";
  ctx.db.exec(std::string("DELETE FROM CNFDISTEMBTP") + where, p);
  if (ctx.db.exec(std::string("DELETE FROM CNFDISTEMBSERV") + where, p) == 0) return checkFail(kChangedByOther);
  return checkOk(Variant(""));
}

// ---- Restrictions --------------------------------------------------------------------------

// GetCatembalag(): packet (NRCATEMBALAG, NMCATEMBALAG 40) of the package categories by NRORDEM.
Variant getCatembalag(CallContext& ctx, VariantArray&) {
  static const std::vector<FieldDef> fields{floatField("NRCATEMBALAG"), textField("NMCATEMBALAG", 40)};
  return checkOk(Variant(queryPacket(
      ctx.db, "SELECT NRCATEMBALAG, NMCATEMBALAG FROM CATEMBALAG ORDER BY NRORDEM, NRCATEMBALAG", {}, fields)));
}

const std::vector<FieldDef>& restricaoFields() {
  static const std::vector<FieldDef> fields{floatField("NRRESTEMBTPPRAT"), textField("CDCONTAINER", 5),
                                            textField("NMCONTAINER", 40),  floatField("VRMINCONTAINER"),
                                            floatField("NRORDEM"),         floatField("NRCATEMBALAG")};
  return fields;
}

// GetRestricoes(CDFILIAL, CDSERVFILI, CDCLIENTE, CDDESTFILI, NRSEQCNFCARD): packet
// (NRRESTEMBTPPRAT, CDCONTAINER 5, NMCONTAINER 40, VRMINCONTAINER, NRORDEM, NRCATEMBALAG) of the
// packages of the restriction of that menu line and delivery point, by NRORDEM then code;
// VRMINCONTAINER null for a package without minimum. No row when there is no restriction.
Variant getRestricoes(CallContext& ctx, VariantArray& args) {
  db::Params p = destinoParams(arg(args, 0), arg(args, 1), arg(args, 2), arg(args, 3));
  long long seq = wholeNumber(args[4], 0, kMaxOrdem);
  p.push_back({"Q", static_cast<int64_t>(seq)});
  return checkOk(Variant(
      queryPacket(ctx.db,
                  "SELECT R.NRRESTEMBTPPRAT, C.CDCONTAINER, K.NMCONTAINER, C.VRMINCONTAINER, C.NRORDEM, K.NRCATEMBALAG"
                  " FROM RESTEMBTPPRAT R JOIN RESTEMBCONT C ON C.NRRESTEMBTPPRAT = R.NRRESTEMBTPPRAT"
                  " JOIN CONTAINER K ON K.CDCONTAINER = C.CDCONTAINER"
                  " WHERE R.CDFILIAL = :F AND R.CDSERVFILI = :S AND R.CDCLIENTE = :C AND R.CDDESTFILI = :D"
                  " AND R.NRSEQCNFCARD = :Q ORDER BY C.NRORDEM, C.CDCONTAINER",
                  p, restricaoFields())));
}

// GetVdEmbRest(code or "T", category; both by reference): packet (CDCONTAINER 5, NMCONTAINER 40,
// NRCATEMBALAG) of the collective package (IDCOLETIVO 'S') with that code, or of all of them for
// "T", limited to the category when it is not 0; by code. No row when none matches, so a package
// of another category reads as not registered.
Variant getVdEmbRest(CallContext& ctx, VariantArray& args) {
  static const std::vector<FieldDef> fields{textField("CDCONTAINER", 5), textField("NMCONTAINER", 40),
                                            floatField("NRCATEMBALAG")};
  std::string codigo = textOf(args[0]);
  long long categoria = args[1].isNull() ? 0 : wholeNumber(args[1], 0, kMaxOrdem);
  if (categoria < 0) return checkFail("Categoria de embalagem inválida.");
  std::string sql = "SELECT CDCONTAINER, NMCONTAINER, NRCATEMBALAG FROM CONTAINER WHERE IDCOLETIVO = 'S'";
  db::Params p;
  if (codigo != "T") {
    sql += " AND CDCONTAINER = :C";
    p.push_back({"C", codigo});
  }
  if (categoria != 0) {
    sql += " AND NRCATEMBALAG = :K";
    p.push_back({"K", static_cast<int64_t>(categoria)});
  }
  sql += " ORDER BY CDCONTAINER";
  return checkOk(Variant(queryPacket(ctx.db, sql, p, fields)));
}

// The restriction number of a menu line and delivery point, 0 when it has none.
long long restricaoDe(db::Database& db, const db::Params& p) {
  db::ResultSet rs = db.query(
      "SELECT NRRESTEMBTPPRAT FROM RESTEMBTPPRAT WHERE CDFILIAL = :F AND CDSERVFILI = :S"
      " AND CDCLIENTE = :C AND CDDESTFILI = :D AND NRSEQCNFCARD = :Q",
      p);
  return rs.rows.empty() ? 0 : rs.rows[0][0].asInt();
}

}  // namespace

// A new restriction number from the counter 'RESTEMBTPPRAT' (created from the highest number in
// use when missing; see takeCounter for why two servers never hand out the same one).
bool existeDistribuicaoOuRestricao(db::Database& db, const std::string& filial, const std::string& servico) {
  db::Params chave{{"F", filial}, {"S", servico}};
  return !db.query("SELECT 1 FROM CNFDISTEMBSERV WHERE CDFILIAL = :F AND CDSERVFILI = :S", chave).rows.empty() ||
         !db.query("SELECT 1 FROM RESTEMBTPPRAT WHERE CDFILIAL = :F AND CDSERVFILI = :S", chave).rows.empty();
}

long long novaRestricao(db::Database& db) {
  return takeCounter(db, "RESTEMBTPPRAT", "(SELECT COALESCE(MAX(NRRESTEMBTPPRAT), 0) + 1 FROM RESTEMBTPPRAT)");
}

namespace {

// SetRestricoes(restriction number by reference, CDFILIAL, CDSERVFILI, CDCLIENTE and CDDESTFILI by
// reference, NRSEQCNFCARD, change set of the restriction's packages): an update. Applies the change
// set to RESTEMBCONT for the restriction of that menu line and delivery point, creating the
// restriction (a number from the counter) when the number sent is 0 and none is stored yet, and
// removing it once it holds no package; the number is written back.
// Refused with a text: no access to the branch; service, menu line or delivery point not
// registered; a number that is not the one stored for that line and point (another user changed
// it); a package that is not a registered collective package; a minimum quantity that is not
// empty (null or -1, stored as null) and not above 0 ("Quantidade mínima deve ser maior que
// zero."); an order that is not a whole number from 1 to 999999; the applier's refusals.
Variant setRestricoes(CallContext& ctx, VariantArray& args) {
  std::string f = arg(args, 1), s = arg(args, 2), c = arg(args, 3), d = arg(args, 4);
  if (std::string r = branchRefusal(ctx.db, ctx.operatorName, f); !r.empty()) return checkFail(r);
  if (std::string r = serviceRefusal(ctx.db, f, s); !r.empty()) return checkFail(r);
  if (std::string r = destinoRefusal(ctx.db, f, s, c, d); !r.empty()) return checkFail(r);
  long long seq = wholeNumber(args[5], 1, kMaxOrdem);
  db::Params p = destinoParams(f, s, c, d);
  p.push_back({"Q", static_cast<int64_t>(seq)});
  if (seq < 1 || ctx.db.query("SELECT 1 FROM CNFCARD WHERE CDFILIAL = :F AND CDSERVFILI = :S AND NRSEQCNFCARD = :Q", p)
                     .rows.empty())
    return checkFail("Tipo de prato não cadastrado na configuração de cardápio do serviço.");
  long long enviado = wholeNumber(args[0], 0, 1e15);
  long long numero = restricaoDe(ctx.db, p);
  if (enviado < 0 || (enviado != 0 && enviado != numero)) return checkFail(kChangedByOther);
  const Packet& sent = args[6].asPacket();
  if (!sent.delta) throw Exception("SetRestricoes espera um conjunto de alterações.");
  if (sent.rowCount() > kMaxLinhas) return checkFail("Embalagens demais na restrição.");
  Packet copia = *withTrimmedCodes(sent, {"CDCONTAINER"});  // codes trimmed, values rewritten below
  Packet* delta = &copia;
  int colNr = delta->fieldIndex("NRRESTEMBTPPRAT"), colMin = delta->fieldIndex("VRMINCONTAINER");
  if (colNr < 0 || colMin < 0) throw Exception("SetRestricoes espera NRRESTEMBTPPRAT e VRMINCONTAINER.");
  if (numero == 0) {
    bool insere = false;
    for (ChangeKind k : delta->kinds) insere = insere || k == ChangeKind::Inserted;
    if (!insere) return delta->rowCount() ? checkFail(kChangedByOther) : checkOk(Variant(""));
    numero = novaRestricao(ctx.db);
    db::Params q = p;
    q.push_back({"N", static_cast<int64_t>(numero)});
    ctx.db.exec(
        "INSERT INTO RESTEMBTPPRAT (NRRESTEMBTPPRAT, CDFILIAL, CDSERVFILI, CDCLIENTE, CDDESTFILI, NRSEQCNFCARD)"
        " VALUES (:N, :F, :S, :C, :D, :Q)",
        q);
  }
  for (size_t r = 0; r < delta->rowCount(); ++r) {
    if (delta->kinds[r] != ChangeKind::Inserted &&
        wholeNumber(oldValue(*delta, r, "NRRESTEMBTPPRAT"), 0, 1e15) != numero)
      return checkFail(kChangedByOther);
    // The client's empty-number marker in the values it read reads as the null stored.
    if (!delta->original.empty() && !delta->original[r].empty()) {
      Variant& antes = delta->original[r].at(static_cast<size_t>(colMin));
      if (antes.isNumber() && antes.asFloat() == kCampoNumericoVazio) antes = Variant();
    }
    if (delta->kinds[r] == ChangeKind::Deleted) continue;
    delta->rows[r].at(static_cast<size_t>(colNr)) = Variant(static_cast<double>(numero));
    std::string codigo = textOf(newValue(*delta, r, "CDCONTAINER"));
    if (ctx.db.query("SELECT 1 FROM CONTAINER WHERE CDCONTAINER = :K AND IDCOLETIVO = 'S'", {{"K", codigo}})
            .rows.empty())
      return checkFail("Embalagem informada não cadastrada");
    Variant& minimo = delta->rows[r].at(static_cast<size_t>(colMin));
    if (minimo.isNumber() && minimo.asFloat() == kCampoNumericoVazio) minimo = Variant();
    if (!minimo.isNull() &&
        (!minimo.isNumber() || !std::isfinite(minimo.asFloat()) || minimo.asFloat() > kMaxQuantidade))
      return checkFail("Quantidade mínima inválida na embalagem " + codigo + ".");
    if (!minimo.isNull() && minimo.asFloat() <= 0) return checkFail("Quantidade mínima deve ser maior que zero.");
    if (delta->fieldIndex("NRORDEM") < 0 || wholeNumber(newValue(*delta, r, "NRORDEM"), 1, kMaxOrdem) < 1)
      return checkFail("Ordem inválida na embalagem " + codigo + ".");
  }
  static const TableSpec table{"RESTEMBCONT", {"NRRESTEMBTPPRAT", "CDCONTAINER"}, {}};
  if (std::string r = applyChangeSet(ctx.db, table, *delta); !r.empty()) return checkFail(r);
  db::Params n{{"N", static_cast<int64_t>(numero)}};
  if (ctx.db.query("SELECT 1 FROM RESTEMBCONT WHERE NRRESTEMBTPPRAT = :N", n).rows.empty()) {
    ctx.db.exec("DELETE FROM RESTEMBTPPRAT WHERE NRRESTEMBTPPRAT = :N", n);
    numero = 0;
  }
  args[0] = Variant(static_cast<double>(numero));
  return checkOk(Variant(""));
}

}  // namespace

void registerPackagingMethods(Registry& r) {
  r.add({kCadastroServ, "GetPontosEntrega", "ss", {}, false, getPontosEntrega, 0, true});
  r.add({kCadastroServ, "GetDadosDistribuicao", "ssss", {}, false, getDadosDistribuicao, 0, true});
  r.add({kCadastroServ, "GetVdDistrEmb", "s", {}, false, getVdDistrEmb, -1, true});
  r.add({kCadastroServ, "SetDistrEmb", "sssssvfp", {}, true, setDistrEmb, -1, true});
  r.add({kCadastroServ, "DelDistrEmb", "ssssf", {}, true, delDistrEmb, -1, true});
  r.add({kCadastroServ, "GetCatembalag", "", {}, false, getCatembalag, -1, true});
  r.add({kCadastroServ, "GetRestricoes", "ssssf", {}, false, getRestricoes, 0, true});
  r.add({kCadastroServ, "GetVdEmbRest", "sv", {0, 1}, false, getVdEmbRest, -1, true});
  r.add({kCadastroServ, "SetRestricoes", "vssssfp", {0, 3, 4}, true, setRestricoes, -1, true});
}

}  // namespace cad::appserver
