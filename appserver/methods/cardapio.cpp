// Methods of the default menu configuration of a service (table CNFCARD). Each method's comment
// states what the server does.
#include <string>
#include <vector>

#include "appserver/helpers.h"
#include "appserver/methods/methods.h"
#include "appserver/registry.h"

namespace cad::appserver {

namespace {

// The configuration rows exactly as the screen's cdsConfCard holds them (its calculated dish-type
// name excepted), numbers as floats. DSCOMPLTP carries the column's 60 characters: the grid lets
// the user type that many, and a shorter field would cut them on the way back.
const std::vector<FieldDef>& confCardFields() {
  static const std::vector<FieldDef> f = [] {
    std::vector<FieldDef> d{textField("CDFILIAL", 4),      textField("CDSERVFILI", 5, true),
                            floatField("NRSEQCNFCARD"),    floatField("NRORDCNFCARD"),
                            textField("CDTIPOPRAT", 2, true), textField("IDOPCCNFCARD", 1, true),
                            textField("IDIMPCNFCARD", 1, true), floatField("NRPAGCNFCARD"),
                            floatField("VRPERCOMCARD"),    textField("DSOBSCNFCARD", 60),
                            textField("DSCOMPLTP", 60),    textField("IDTPPRATEXTR", 1),
                            textField("IDVISUTPEXTR", 1),  textField("IDCONCNFCARD", 1)};
    for (const char* day : {"SEG", "TER", "QUA", "QUI", "SEX", "SAB", "DOM", "FER"})
      d.push_back(textField(std::string("IDTPPRAT") + day + "P", 1));
    d.push_back(textField("IDALTERCARD", 1));
    d.push_back(textField("CDCONTAINER", 5));
    d.push_back(textField("NMCONTAINER", 40));
    d.push_back(floatField("NRGRUPOEMB"));
    return d;
  }();
  return f;
}

// GetConfCard(CDFILIAL, CDSERVFILI): packet, loaded as it is, of the service's menu lines
// (CNFCARD) ordered by NRORDCNFCARD (then NRSEQCNFCARD). CDCONTAINER, NMCONTAINER and NRGRUPOEMB
// name the package in which the service-level packaging distribution places the line (its
// CNFDISTEMBTP row for the service itself, CDCLIENTE and CDDESTFILI ''), null when the line is in
// none or in an automatic distribution without container. An unknown service gives no row.
Variant getConfCard(CallContext& ctx, VariantArray& args) {
  static const std::string sql = [] {
    std::string s = "SELECT ";
    for (const FieldDef& f : confCardFields()) {
      if (f.name == "CDCONTAINER") s += "E.CDCONTAINER, ";
      else if (f.name == "NMCONTAINER") s += "K.NMCONTAINER, ";
      else if (f.name == "NRGRUPOEMB") s += "T.NRGRUPO AS NRGRUPOEMB";
      else s += "C." + f.name + ", ";
    }
    s += " FROM CNFCARD C"
         " LEFT JOIN CNFDISTEMBTP T ON T.CDFILIAL = C.CDFILIAL AND T.CDSERVFILI = C.CDSERVFILI"
         " AND T.CDCLIENTE = '' AND T.CDDESTFILI = '' AND T.NRSEQCNFCARD = C.NRSEQCNFCARD"
         " LEFT JOIN CNFDISTEMBSERV E ON E.CDFILIAL = T.CDFILIAL AND E.CDSERVFILI = T.CDSERVFILI"
         " AND E.CDCLIENTE = T.CDCLIENTE AND E.CDDESTFILI = T.CDDESTFILI AND E.NRGRUPO = T.NRGRUPO"
         " LEFT JOIN CONTAINER K ON K.CDCONTAINER = E.CDCONTAINER"
         " WHERE C.CDFILIAL = :CDFILIAL AND C.CDSERVFILI = :CDSERVFILI"
         " ORDER BY C.NRORDCNFCARD, C.NRSEQCNFCARD";
    return s;
  }();
  return Variant(queryPacket(ctx.db, sql, {{"CDFILIAL", textOf(args[0])}, {"CDSERVFILI", textOf(args[1])}},
                             confCardFields()));
}

}  // namespace

void registerMenuConfigMethods(Registry& r) {
  r.add({kCadastroServ, "GetConfCard", "ss", {}, false, getConfCard, 0});
}

}  // namespace cad::appserver
