// Clients and delivery points of a corporate service: the packets of the delivery-points page
// (see pontentr.h). Every query is filtered by branch and service, so a packet never mixes
// services.
#include "appserver/methods/pontentr.h"

#include <vector>

#include "appserver/helpers.h"
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
  sql += " FROM DESTSRVCLI P JOIN DESTFILI F ON F.CDFILIAL = P.CDFILIAL AND F.CDDESTFILI = P.CDDESTFILI"
         " WHERE P.CDFILIAL = :CDFILIAL AND P.CDSERVFILI = :CDSERVFILI ORDER BY P.CDCLIENTE, P.CDDESTFILI";
  return queryPacket(db, sql, {{"CDFILIAL", filial}, {"CDSERVFILI", servico}}, fields);
}

}  // namespace cad::appserver
