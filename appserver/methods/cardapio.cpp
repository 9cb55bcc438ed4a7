// Methods of the default menu configuration of a service (table CNFCARD). Each method's comment
// states what the server does.
//
// Invariant of every write here: a service's lines are numbered 1..n without gaps, each with a
// dish type of the catalogue and "S"/"N" flags, and no packaging distribution or restriction
// setting stays attached to a line number whose line was removed or now holds another dish type.
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "appserver/helpers.h"
#include "appserver/methods/embalagens.h"
#include "appserver/methods/methods.h"
#include "appserver/registry.h"
#include "platform/core/errors.h"
#include "platform/db/database.h"

namespace cad::appserver {

namespace {

// The configuration rows exactly as the screen's cdsConfCard holds them (its calculated dish-type
// name excepted), numbers as floats. NRSEQANTCNFCARD repeats the line's stored number: a client
// sends it back with each line it saves, so a line keeps its packaging settings when it moves.
const std::vector<FieldDef>& confCardFields() {
  static const std::vector<FieldDef> f = [] {
    std::vector<FieldDef> d{
        textField("CDFILIAL", 4),           textField("CDSERVFILI", 5, true), floatField("NRSEQCNFCARD"),
        floatField("NRORDCNFCARD"),         textField("CDTIPOPRAT", 2, true), textField("IDOPCCNFCARD", 1, true),
        textField("IDIMPCNFCARD", 1, true), floatField("NRPAGCNFCARD"),       floatField("VRPERCOMCARD"),
        textField("DSOBSCNFCARD", 60),      textField("DSCOMPLTP", 15),       textField("IDTPPRATEXTR", 1),
        textField("IDVISUTPEXTR", 1),       textField("IDCONCNFCARD", 1)};
    for (const char* day : {"SEG", "TER", "QUA", "QUI", "SEX", "SAB", "DOM", "FER"})
      d.push_back(textField(std::string("IDTPPRAT") + day + "P", 1));
    d.push_back(textField("IDALTERCARD", 1));
    d.push_back(textField("CDCONTAINER", 5));
    d.push_back(textField("NMCONTAINER", 40));
    d.push_back(floatField("NRGRUPOEMB"));
    d.push_back(floatField("NRSEQANTCNFCARD"));
    return d;
  }();
  return f;
}

// GetConfCard(CDFILIAL, CDSERVFILI): packet, loaded as it is, of the service's menu lines
// (CNFCARD) ordered by NRORDCNFCARD (then NRSEQCNFCARD). CDCONTAINER, NMCONTAINER and NRGRUPOEMB
// name the package in which the service-level packaging distribution places the line (its
// CNFDISTEMBTP row for the service itself, CDCLIENTE and CDDESTFILI ''), null when the line is in
// none or in an automatic distribution without container. An unknown service gives no row.
PacketPtr confCardPacket(db::Database& db, const std::string& filial, const std::string& servico) {
  static const std::string sql = [] {
    std::string s = "SELECT ";
    for (const FieldDef& f : confCardFields()) {
      if (&f != &confCardFields().front()) s += ", ";
      if (f.name == "CDCONTAINER")
        s += "E.CDCONTAINER";
      else if (f.name == "NMCONTAINER")
        s += "K.NMCONTAINER";
      else if (f.name == "NRGRUPOEMB")
        s += "T.NRGRUPO AS NRGRUPOEMB";
      else if (f.name == "NRSEQANTCNFCARD")
        s += "C.NRSEQCNFCARD AS NRSEQANTCNFCARD";
      else
        s += "C." + f.name;
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
  return queryPacket(db, sql, {{"CDFILIAL", filial}, {"CDSERVFILI", servico}}, confCardFields());
}

Variant getConfCard(CallContext& ctx, VariantArray& args) {
  return Variant(confCardPacket(ctx.db, textOf(args[0]), textOf(args[1])));
}

// The most lines a configuration holds (the grid's 999 rows less its header).
constexpr size_t kMaxLinhas = 998;
// VRPERCOMCARD is NUMERIC(15,5): ten integer digits.
constexpr double kMaxPercentual = 9999999999.99999;
constexpr const char* kFlags[] = {"IDOPCCNFCARD", "IDIMPCNFCARD", "IDTPPRATEXTR", "IDVISUTPEXTR", "IDCONCNFCARD",
                                  "IDTPPRATSEGP", "IDTPPRATTERP", "IDTPPRATQUAP", "IDTPPRATQUIP", "IDTPPRATSEXP",
                                  "IDTPPRATSABP", "IDTPPRATDOMP", "IDTPPRATFERP"};
// Flags a client may leave out: stored with the column's default.
const std::map<std::string, std::string>& flagDefaults() {
  static const std::map<std::string, std::string> d = [] {
    std::map<std::string, std::string> m{{"IDTPPRATEXTR", "N"}, {"IDVISUTPEXTR", "S"}, {"IDCONCNFCARD", "S"}};
    for (const char* day : {"SEG", "TER", "QUA", "QUI", "SEX", "SAB", "DOM", "FER"})
      m[std::string("IDTPPRAT") + day + "P"] = "S";
    return m;
  }();
  return d;
}

// One line as it will be stored.
struct Linha {
  int seq = 0;
  int origem = 0;                          // the stored number the line had before this save; 0 for a new line
  std::map<std::string, Variant> valores;  // column -> value, every stored column but the key
};

// A whole number from 1 to `max` held by a numeric value; 0 when it is not one.
int inteiro(const Variant& v, int max) {
  if (!v.isNumber()) return 0;
  double d = v.asFloat();
  if (!std::isfinite(d) || d != std::floor(d) || d < 1 || d > max) return 0;
  return static_cast<int>(d);
}

// The value of a packet's field in a row, null when the packet lacks the field.
Variant campo(const Packet& p, size_t r, const char* field) {
  int i = p.fieldIndex(field);
  return i < 0 ? Variant() : p.rows[r][static_cast<size_t>(i)];
}

// Reads the lines of a configuration packet for one service, checking each; "" or the refusal.
std::string leLinhas(db::Database& db, const Packet& p, const std::string& filial, const std::string& servico,
                     std::vector<Linha>& out) {
  if (p.rowCount() > kMaxLinhas) return "A configuração padrão admite no máximo 998 linhas.";
  std::set<int> seqs, origens;
  for (size_t r = 0; r < p.rowCount(); ++r) {
    std::string f = textOf(campo(p, r, "CDFILIAL")), s = textOf(campo(p, r, "CDSERVFILI"));
    if ((!f.empty() && f != filial) || s != servico)
      return "A configuração enviada contém linhas de outro serviço ou de outra filial.";
    Linha l;
    l.seq = inteiro(campo(p, r, "NRSEQCNFCARD"), static_cast<int>(kMaxLinhas));
    if (l.seq == 0) return "Número de linha da configuração inválido.";
    if (!seqs.insert(l.seq).second) return "Linha " + std::to_string(l.seq) + " da configuração repetida.";
    l.origem = inteiro(campo(p, r, "NRSEQANTCNFCARD"), static_cast<int>(kMaxLinhas));
    if (l.origem != 0 && !origens.insert(l.origem).second)
      return "Linha guardada " + std::to_string(l.origem) + " enviada duas vezes.";
    int ordem = inteiro(campo(p, r, "NRORDCNFCARD"), static_cast<int>(kMaxLinhas));
    l.valores["NRORDCNFCARD"] = Variant(ordem == 0 ? l.seq : ordem);
    std::string tipo = textOf(campo(p, r, "CDTIPOPRAT"));
    if (tipo.empty()) return "Tipo de prato não informado na linha " + std::to_string(l.seq) + ".";
    if (db.query("SELECT 1 FROM TIPOPRAT WHERE CDTIPOPRAT = :T", {{"T", tipo}}).rows.empty())
      return "Tipo de prato não cadastrado: " + tipo + ".";
    l.valores["CDTIPOPRAT"] = Variant(tipo);
    for (const char* flag : kFlags) {
      std::string v = textOf(campo(p, r, flag));
      if (v.empty()) {
        auto d = flagDefaults().find(flag);
        if (d == flagDefaults().end())
          return std::string("Campo ") + flag + " não informado na linha " + std::to_string(l.seq) + ".";
        v = d->second;
      }
      if (v != "S" && v != "N") return std::string("Valor inválido em ") + flag + ": " + v + ".";
      l.valores[flag] = Variant(v);
    }
    // Printed lines carry their pair number; unprinted ones none.
    Variant pag = campo(p, r, "NRPAGCNFCARD");
    int par = inteiro(pag, static_cast<int>(kMaxLinhas));
    if (l.valores["IDIMPCNFCARD"].asString() == "S" && par == 0)
      return "Número de página inválido na linha " + std::to_string(l.seq) + ".";
    l.valores["NRPAGCNFCARD"] = Variant(l.valores["IDIMPCNFCARD"].asString() == "S" ? par : 0);
    Variant perc = campo(p, r, "VRPERCOMCARD");
    if (!perc.isNull() &&
        (!perc.isNumber() || !std::isfinite(perc.asFloat()) || perc.asFloat() < 0 || perc.asFloat() > kMaxPercentual))
      return "Percentual de acréscimo inválido na linha " + std::to_string(l.seq) + ".";
    l.valores["VRPERCOMCARD"] = Variant(perc.isNull() ? 0.0 : perc.asFloat());
    struct Texto {
      const char* campo;
      const char* nome;
      size_t largura;
    };
    for (const Texto& texto : {Texto{"DSOBSCNFCARD", "A observação", 60}, Texto{"DSCOMPLTP", "O complemento", 15}}) {
      Variant v = campo(p, r, texto.campo);
      std::string t = v.isString() ? v.asString() : std::string();
      // Characters, not bytes: the columns count characters on both backends.
      size_t chars = 0;
      for (unsigned char c : t) chars += (c & 0xC0) != 0x80;
      if (chars > texto.largura)
        return std::string(texto.nome) + " da linha " + std::to_string(l.seq) + " excede " +
               std::to_string(texto.largura) + " caracteres.";
      l.valores[texto.campo] = t.empty() ? Variant() : Variant(t);
    }
    std::string marca = textOf(campo(p, r, "IDALTERCARD"));
    l.valores["IDALTERCARD"] = Variant(marca == "I" ? "I" : "A");
    out.push_back(std::move(l));
  }
  if (!seqs.empty() && *seqs.rbegin() != static_cast<int>(seqs.size()))
    return "As linhas da configuração devem ser numeradas de 1 a " + std::to_string(seqs.size()) + ".";
  return {};
}

// The packaging settings that hang on one stored line: its places in distribution packages and its
// restrictions with their packages.
struct Embalagens {
  std::vector<std::vector<Variant>> distribuicao;  // CDCLIENTE, CDDESTFILI, NRGRUPO
  std::vector<std::vector<Variant>> restricoes;    // NRRESTEMBTPPRAT, CDCLIENTE, CDDESTFILI
  std::vector<std::vector<Variant>> pacotes;       // NRRESTEMBTPPRAT, CDCONTAINER, VRMINCONTAINER, NRORDEM
};

Embalagens leEmbalagens(db::Database& db, const db::Params& linha) {
  Embalagens e;
  e.distribuicao = db.query(
                         "SELECT CDCLIENTE, CDDESTFILI, NRGRUPO FROM CNFDISTEMBTP"
                         " WHERE CDFILIAL = :F AND CDSERVFILI = :S AND NRSEQCNFCARD = :N",
                         linha)
                       .rows;
  e.restricoes = db.query(
                       "SELECT NRRESTEMBTPPRAT, CDCLIENTE, CDDESTFILI FROM RESTEMBTPPRAT"
                       " WHERE CDFILIAL = :F AND CDSERVFILI = :S AND NRSEQCNFCARD = :N",
                       linha)
                     .rows;
  e.pacotes = db.query(
                    "SELECT NRRESTEMBTPPRAT, CDCONTAINER, VRMINCONTAINER, NRORDEM FROM RESTEMBCONT"
                    " WHERE NRRESTEMBTPPRAT IN (SELECT NRRESTEMBTPPRAT FROM RESTEMBTPPRAT"
                    " WHERE CDFILIAL = :F AND CDSERVFILI = :S AND NRSEQCNFCARD = :N)",
                    linha)
                  .rows;
  return e;
}

void apagaEmbalagens(db::Database& db, const db::Params& linha) {
  db.exec(
      "DELETE FROM RESTEMBCONT WHERE NRRESTEMBTPPRAT IN (SELECT NRRESTEMBTPPRAT FROM RESTEMBTPPRAT"
      " WHERE CDFILIAL = :F AND CDSERVFILI = :S AND NRSEQCNFCARD = :N)",
      linha);
  db.exec("DELETE FROM RESTEMBTPPRAT WHERE CDFILIAL = :F AND CDSERVFILI = :S AND NRSEQCNFCARD = :N", linha);
  db.exec("DELETE FROM CNFDISTEMBTP WHERE CDFILIAL = :F AND CDSERVFILI = :S AND NRSEQCNFCARD = :N", linha);
}

void gravaEmbalagens(db::Database& db, const db::Params& linha, const Embalagens& e) {
  for (const auto& r : e.distribuicao) {
    db::Params p = linha;
    p.insert(p.end(), {{"C", r[0]}, {"D", r[1]}, {"G", r[2]}});
    db.exec(
        "INSERT INTO CNFDISTEMBTP (CDFILIAL, CDSERVFILI, CDCLIENTE, CDDESTFILI, NRSEQCNFCARD, NRGRUPO)"
        " VALUES (:F, :S, :C, :D, :N, :G)",
        p);
  }
  for (const auto& r : e.restricoes) {
    db::Params p = linha;
    p.insert(p.end(), {{"R", r[0]}, {"C", r[1]}, {"D", r[2]}});
    db.exec(
        "INSERT INTO RESTEMBTPPRAT (NRRESTEMBTPPRAT, CDFILIAL, CDSERVFILI, CDCLIENTE, CDDESTFILI, NRSEQCNFCARD)"
        " VALUES (:R, :F, :S, :C, :D, :N)",
        p);
  }
  for (const auto& r : e.pacotes)
    db.exec("INSERT INTO RESTEMBCONT (NRRESTEMBTPPRAT, CDCONTAINER, VRMINCONTAINER, NRORDEM) VALUES (:R, :C, :V, :O)",
            {{"R", r[0]}, {"C", r[1]}, {"V", r[2]}, {"O", r[3]}});
}

// Replaces the service's configuration by `linhas` (numbered 1..n). A stored line's packaging
// settings follow the new line that came from it: with `porOrigem`, the line that names it as its
// origin (the screen sends each line's stored number); otherwise the line now under its number.
// Either way only to a line of the same dish type, and never to two lines; the settings of a
// stored line no line takes (removed lines, `removidas`, included) are deleted.
void substitui(db::Database& db, const std::string& filial, const std::string& servico,
               const std::vector<Linha>& linhas, const std::set<int>& removidas, bool porOrigem) {
  const db::Params chave{{"F", filial}, {"S", servico}};
  auto daLinha = [&](int seq) {
    db::Params p = chave;
    p.emplace_back("N", seq);
    return p;
  };
  std::map<int, std::string> guardadas;
  for (const auto& row :
       db.query("SELECT NRSEQCNFCARD, CDTIPOPRAT FROM CNFCARD WHERE CDFILIAL = :F AND CDSERVFILI = :S", chave).rows)
    guardadas[static_cast<int>(row[0].asInt())] = row[1].asString();
  std::map<int, int> destino;  // stored number -> number of the line that takes its settings
  for (const Linha& l : linhas) {
    int de = porOrigem ? l.origem : l.seq;
    auto g = guardadas.find(de);
    if (g != guardadas.end() && !removidas.count(de) && g->second == l.valores.at("CDTIPOPRAT").asString())
      destino[de] = l.seq;
  }
  std::map<int, Embalagens> mudam;  // new number -> the settings it takes from another number
  for (const auto& [seq, tipo] : guardadas) {
    auto d = destino.find(seq);
    if (d != destino.end() && d->second == seq) continue;
    if (d != destino.end()) mudam[d->second] = leEmbalagens(db, daLinha(seq));
    apagaEmbalagens(db, daLinha(seq));
  }
  std::set<int> novas;
  for (const Linha& l : linhas) novas.insert(l.seq);
  for (const auto& [seq, tipo] : guardadas)
    if (!novas.count(seq))
      db.exec("DELETE FROM CNFCARD WHERE CDFILIAL = :F AND CDSERVFILI = :S AND NRSEQCNFCARD = :N", daLinha(seq));
  for (const Linha& l : linhas) {
    db::Params p = daLinha(l.seq);
    std::string cols, vals, sets;
    for (const auto& [col, v] : l.valores) {
      p.emplace_back(col, v);
      cols += ", " + col;
      vals += ", :" + col;
      sets += std::string(sets.empty() ? "" : ", ") + col + " = :" + col;
    }
    if (guardadas.count(l.seq))
      db.exec("UPDATE CNFCARD SET " + sets + " WHERE CDFILIAL = :F AND CDSERVFILI = :S AND NRSEQCNFCARD = :N", p);
    else
      db.exec("INSERT INTO CNFCARD (CDFILIAL, CDSERVFILI, NRSEQCNFCARD" + cols + ") VALUES (:F, :S, :N" + vals + ")",
              p);
  }
  for (const auto& [seq, e] : mudam) gravaEmbalagens(db, daLinha(seq), e);
}

bool servicoExiste(db::Database& db, const std::string& filial, const std::string& servico) {
  return !db.query("SELECT 1 FROM SERVICO WHERE CDFILIAL = :F AND CDSERVFILI = :S", {{"F", filial}, {"S", servico}})
              .rows.empty();
}

// UpdConfCard(configuration packet, removed-lines packet, TpConfPadrao by reference, CDFILIAL,
// CDSERVFILI): replaces the service's configuration as a whole by the rows of the first packet
// (the lines as the grid holds them, NRSEQCNFCARD 1..n) in one transaction; returns "" or the
// refusal text, and then nothing is written.
//  - The operator must have access to the branch; the service must be stored in it; both
//    packets' rows belong to that service (CDFILIAL may be empty: the branch argument's).
//  - At most 998 lines, each with its own line number from 1 to 998, a catalogued dish type,
//    "S"/"N" flags, a pair number on printed lines (0 stored on the others), a percentage from 0
//    to the column's maximum, an observation of at most 60 characters and a complement of at
//    most 15 (the width a client may type).
//  - A line that names its stored number (NRSEQANTCNFCARD, each number once) takes that line's
//    packaging distribution and restriction settings with it when it moves, provided it holds the
//    same dish type; a packet without that field keeps the settings of each number that keeps its
//    dish type. The settings no line takes (removed lines, NRSEQCNFCARD of the second packet,
//    included) are deleted, and stored numbers beyond the new last line are deleted with theirs; a
//    package left without lines goes.
//  - TpConfPadrao ("D" or "S", the branch's configuration mode) decides the line marks: in
//    standard-menu mode ("S") IDALTERCARD is stored as sent ("I" for a line as the central branch
//    inserted it), otherwise every line is stored "A". It is sent back unchanged.
Variant updConfCard(CallContext& ctx, VariantArray& args) {
  const Packet& conf = args[0].asPacket();
  const Packet& removidas = args[1].asPacket();
  std::string modo = textOf(args[2]);
  std::string filial = textOf(args[3]), servico = textOf(args[4]);
  if (filial.empty()) return Variant("Filial não informada.");
  if (servico.empty()) return Variant("Serviço não informado.");
  if (modo != "D" && modo != "S") return Variant("Modo de configuração padrão inválido.");
  if (std::string r = branchRefusal(ctx.db, ctx.operatorName, filial); !r.empty()) return Variant(r);
  if (!servicoExiste(ctx.db, filial, servico))
    return Variant("Serviço " + servico + " não cadastrado na filial " + filial + ".");
  std::vector<Linha> linhas;
  if (std::string r = leLinhas(ctx.db, conf, filial, servico, linhas); !r.empty()) return Variant(r);
  if (removidas.rowCount() > kMaxLinhas) return Variant("Linhas removidas demais.");
  std::set<int> fora;
  for (size_t r = 0; r < removidas.rowCount(); ++r) {
    std::string f = textOf(campo(removidas, r, "CDFILIAL")), s = textOf(campo(removidas, r, "CDSERVFILI"));
    if ((!f.empty() && f != filial) || s != servico)
      return Variant("A configuração enviada contém linhas de outro serviço ou de outra filial.");
    // A removed line that was never saved has no number yet.
    if (int seq = inteiro(campo(removidas, r, "NRSEQCNFCARD"), static_cast<int>(kMaxLinhas))) fora.insert(seq);
  }
  if (modo != "S")
    for (Linha& l : linhas) l.valores["IDALTERCARD"] = Variant("A");
  substitui(ctx.db, filial, servico, linhas, fora, conf.fieldIndex("NRSEQANTCNFCARD") >= 0);
  removeEmbalagensSemLinhas(ctx.db, filial, servico);
  return Variant("");
}

// The lines of a service as stored, ready to be written elsewhere.
std::vector<Linha> linhasGuardadas(db::Database& db, const std::string& filial, const std::string& servico) {
  std::vector<Linha> out;
  PacketPtr p = confCardPacket(db, filial, servico);
  for (size_t r = 0; r < p->rowCount(); ++r) {
    Linha l;
    l.seq = static_cast<int>(p->value(r, "NRSEQCNFCARD").asFloat());
    for (const FieldDef& f : p->fields)
      if (f.name != "CDFILIAL" && f.name != "CDSERVFILI" && f.name != "NRSEQCNFCARD" && f.name != "CDCONTAINER" &&
          f.name != "NMCONTAINER" && f.name != "NRGRUPOEMB" && f.name != "NRSEQANTCNFCARD")
        l.valores[f.name] = p->value(r, f.name);
    out.push_back(std::move(l));
  }
  return out;
}

// Importa__ConfCard(CDSERVFILI, CDFILIAL, CDFILCENTPME): checkable. Replaces the branch's
// configuration of the service by the one its central branch holds for the same service code,
// every line marked "I" (as the central branch inserted it), in one transaction; [true, null] or
// [false, text]. The central branch is the one FILIAL records for the branch: any other code is
// refused, as are a branch that is its own central, a service missing from either branch, a
// central branch without lines for the service, and an operator without access to the branch
// (write) or to the central branch (read). Packaging settings follow UpdConfCard's rule.
Variant importaConfCard(CallContext& ctx, VariantArray& args) {
  std::string servico = textOf(args[0]), filial = textOf(args[1]), central = textOf(args[2]);
  if (servico.empty()) return checkFail("Serviço não informado.");
  if (filial.empty()) return checkFail("Filial não informada.");
  if (std::string r = branchRefusal(ctx.db, ctx.operatorName, filial); !r.empty()) return checkFail(r);
  auto f = ctx.db.query("SELECT CDFILCENTPME FROM FILIAL WHERE CDFILIAL = :F", {{"F", filial}});
  if (f.rows.empty()) return checkFail("Filial " + filial + " não cadastrada.");
  std::string registrada = f.rows[0][0].isNull() ? std::string() : textOf(f.rows[0][0]);
  if (registrada.empty() || registrada == filial)
    return checkFail("A filial " + filial + " não é agregada a uma central.");
  if (central != registrada) return checkFail("A central da filial " + filial + " é a filial " + registrada + ".");
  if (std::string r = branchReadRefusal(ctx.db, ctx.operatorName, central); !r.empty()) return checkFail(r);
  if (!servicoExiste(ctx.db, filial, servico))
    return checkFail("Serviço " + servico + " não cadastrado na filial " + filial + ".");
  std::vector<Linha> linhas = linhasGuardadas(ctx.db, central, servico);
  if (linhas.empty())
    return checkFail("A central " + central + " não tem configuração padrão para o serviço " + servico + ".");
  for (Linha& l : linhas) l.valores["IDALTERCARD"] = Variant("I");
  substitui(ctx.db, filial, servico, linhas, {}, false);
  removeEmbalagensSemLinhas(ctx.db, filial, servico);
  return checkOk();
}

// ExisteDistrRest(CDFILIAL, CDSERVFILI): checkable; [true, flag], the flag true when the service
// has any packaging distribution (CNFDISTEMBSERV) or restriction (RESTEMBTPPRAT), at the service
// level or at any delivery point.
Variant existeDistrRest(CallContext& ctx, VariantArray& args) {
  return checkOk(Variant(existeDistribuicaoOuRestricao(ctx.db, textOf(args[0]), textOf(args[1]))));
}

}  // namespace

void registerMenuConfigMethods(Registry& r) {
  r.add({kCadastroServ, "GetConfCard", "ss", {}, false, getConfCard, 0});
  r.add({kCadastroServ, "UpdConfCard", "ppsss", {2}, true, updConfCard});
  r.add({kCadastroServ, "Importa__ConfCard", "sss", {}, true, importaConfCard, -1, true});
  r.add({kCadastroServ, "ExisteDistrRest", "ss", {}, false, existeDistrRest, 0, true});
}

}  // namespace cad::appserver
