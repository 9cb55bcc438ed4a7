// Report data. A report screen never sends SQL: its definition names a query of the server and the
// values of that query's named parameters, and the server runs the query it holds under that name.
// So a report reads through the same door as every other screen read: the operator is checked,
// only branches the operator has access to are listed, and the SQL text is fixed and parameterised.
//
// GetDadosRel(query name, parameters): the parameters are a packet with one row whose fields are
// the parameter names (text values). The answer is checkable: [true, packet of the report's rows]
// or [false, text] for an unknown query, a parameter the query needs and did not get, or a value
// too long.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "appserver/helpers.h"
#include "appserver/methods/methods.h"
#include "appserver/registry.h"
#include "platform/core/format.h"

namespace cad::appserver {

namespace {

constexpr size_t kMaxValorParametro = size_t{64} * 1024;

struct ConsultaRel {
  std::vector<std::string> parametros;  // every one must be given
  std::string sql;                      // named parameters, plus :CDOPERADOR supplied by the server
  std::vector<FieldDef> campos;
};

// GER041, the service listing: every service of the chosen branches, with its type, group, hours,
// route, product and active flag, by branch and service. P_TCDGRUPFILI = "T" takes every group,
// otherwise the branches of P_CDGRUPFILI; L_FILIAL = "T" every branch, otherwise the branches named
// in the selection text ("_0001_0003_") or the one branch code; L_FILISERV = "T" every service,
// otherwise the branch-and-service keys named in the selection text ("_000100001_").
const ConsultaRel& listagemServicos() {
  static const ConsultaRel c{
      {"P_CDGRUPFILI", "P_TCDGRUPFILI", "L_FILIAL", "L_FILISERV"},
      "SELECT S.CDFILIAL, F.NMFILIAL, S.CDSERVFILI, S.NMSERVICO, S.IDTIPOSERV, S.CDGRUPSERV, G.NMGRUPSERV,"
      " S.HRINICSERV, S.HRFINASERV, S.CDROTATRANS, R.NMROTATRANS, S.CDPRODUTO, P.NMPRODUTO, S.IDSERVATIV"
      " FROM SERVICO S JOIN FILIAL F ON F.CDFILIAL = S.CDFILIAL"
      " LEFT JOIN GRUPSERV G ON G.CDGRUPSERV = S.CDGRUPSERV"
      " LEFT JOIN ROTATRANS R ON R.CDROTATRANS = S.CDROTATRANS"
      " LEFT JOIN PRODUTO P ON P.CDPRODUTO = S.CDPRODUTO"
      " WHERE S.CDFILIAL IN (SELECT CDFILIAL FROM FILIOPER WHERE CDOPERADOR = :CDOPERADOR)"
      " AND (:P_TCDGRUPFILI = 'T' OR S.CDFILIAL IN"
      "      (SELECT CDFILIAL FROM FILIGRUP WHERE CDGRUPFILI = :P_CDGRUPFILI))"
      " AND (:L_FILIAL = 'T' OR S.CDFILIAL = :L_FILIAL"
      "      OR :L_FILIAL LIKE '%!_' || S.CDFILIAL || '!_%' ESCAPE '!')"
      " AND (:L_FILISERV = 'T' OR :L_FILISERV LIKE '%!_' || S.CDFILIAL || S.CDSERVFILI || '!_%' ESCAPE '!')"
      " ORDER BY S.CDFILIAL, S.CDSERVFILI",
      {textField("CDFILIAL", 4), textField("NMFILIAL", 30), textField("CDSERVFILI", 5), textField("NMSERVICO", 40),
       textField("IDTIPOSERV", 1), textField("CDGRUPSERV", 3), textField("NMGRUPSERV", 30), textField("HRINICSERV", 4),
       textField("HRFINASERV", 4), textField("CDROTATRANS", 6), textField("NMROTATRANS", 40),
       textField("CDPRODUTO", 10), textField("NMPRODUTO", 50), textField("IDSERVATIV", 1)}};
  return c;
}

const std::map<std::string, std::function<const ConsultaRel&()>>& consultas() {
  static const std::map<std::string, std::function<const ConsultaRel&()>> m{{"GER041", listagemServicos}};
  return m;
}

Variant getDadosRel(CallContext& ctx, VariantArray& args) {
  const std::string nome = upperCase(textOf(args[0]));
  auto it = consultas().find(nome);
  if (it == consultas().end()) return checkFail("Consulta de relatório '" + nome + "' desconhecida.");
  const ConsultaRel& c = it->second();
  const Packet& dados = args[1].asPacket();
  db::Params params{{"CDOPERADOR", ctx.operatorName}};
  for (const std::string& p : c.parametros) {
    int i = dados.fieldIndex(p);
    if (i < 0 || dados.rowCount() == 0) return checkFail("Parâmetro " + p + " do relatório não informado.");
    const Variant& v = dados.rows[0][static_cast<size_t>(i)];
    std::string texto = v.isNull() ? std::string() : v.asString();
    if (texto.size() > kMaxValorParametro) return checkFail("Parâmetro " + p + " do relatório longo demais.");
    // Codes are compared trimmed, as they are stored.
    params.push_back({p, trim(texto)});
  }
  return checkOk(Variant(queryPacket(ctx.db, c.sql, params, c.campos)));
}

}  // namespace

void registerReportMethods(Registry& r) {
  r.add({kCadastroServ, "GetDadosRel", "sp", {}, false, getDadosRel, -1, true});
}

}  // namespace cad::appserver
