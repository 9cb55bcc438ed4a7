// Methods of the packaging-configuration transfers: a delivery point's distribution
// (CNFDISTEMBSERV, CNFDISTEMBTP) or restrictions (RESTEMBTPPRAT, RESTEMBCONT) copied from one
// service and delivery point onto another, or onto many services and delivery points of a branch.
// Every result is checkable ([true, payload] / [false, text]).
//
// Invariants:
//  - A copy replaces the destination's configuration as a whole (for restrictions: of the dish
//    types selected), all destinations of one call in one transaction: a refusal of any of them
//    keeps nothing (the dispatcher rolls back).
//  - Menu lines are matched by dish type: the k-th line of a dish type in the origin's menu
//    configuration stands for the k-th line of that dish type in the destination's. A line
//    without a counterpart is not copied, and a package left without lines is not created.
//  - The origin is read with the operator's read rights (the dispatcher checks its branch);
//    every destination branch needs write access.
//  - A copy that would write nothing for a destination (no dish type of the origin's
//    configuration in the destination's menu, no restriction of the dish types selected) is
//    refused with the reason, and so is an export without any destination: a destination is never
//    emptied by a copy that reports success.
//  - The per-service list of an export names its service on every line ("00002=_001000003_"),
//    and each line goes with the row of that service, whatever the order of the packet's rows.
#include <functional>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "appserver/helpers.h"
#include "appserver/methods/embalagens.h"
#include "appserver/methods/methods.h"
#include "appserver/registry.h"
#include "platform/core/errors.h"

namespace cad::appserver {

namespace {

// Upper bounds of what a request may carry: rows of the services packet, size of a selection
// text or of the per-service list of delivery points, delivery points named on one line.
constexpr size_t kMaxServicos = 2000;
constexpr size_t kMaxTexto = 1u << 20;
constexpr size_t kMaxPontosLinha = 5000;
// Upper bounds of the work one call may ask for: destinations of an export, dish types selected.
constexpr size_t kMaxDestinos = 20000;
constexpr size_t kMaxTipos = 2000;

std::string arg(const VariantArray& args, size_t i) { return textOf(args[i]); }
// A text argument as sent, blanks kept (its lines count).
std::string texto(const Variant& v) { return v.isNull() ? std::string() : v.asString(); }

struct Ponto {
  std::string filial, servico, cliente, destino;
  bool operator==(const Ponto&) const = default;
  bool operator<(const Ponto& o) const {
    return std::tie(filial, servico, cliente, destino) < std::tie(o.filial, o.servico, o.cliente, o.destino);
  }
};

db::Params paramsDe(const Ponto& p) { return destinoParams(p.filial, p.servico, p.cliente, p.destino); }

// "" when the service and delivery point exist; otherwise the refusal text.
std::string pontoRefusal(db::Database& db, const Ponto& p) {
  if (std::string r = serviceRefusal(db, p.filial, p.servico); !r.empty()) return r;
  return destinoRefusal(db, p.filial, p.servico, p.cliente, p.destino);
}

// "" when the (registered) service is transported; only such a service has packaging.
std::string transporteRefusal(db::Database& db, const std::string& filial, const std::string& servico) {
  if (db.query("SELECT 1 FROM SERVICO WHERE CDFILIAL = :F AND CDSERVFILI = :S AND IDSERVTRAN = 'S'",
               {{"F", filial}, {"S", servico}})
          .rows.empty())
    return "Serviço " + servico + " da filial " + filial + " não é transportado.";
  return {};
}

// "" when an import from `origem` into `destino` may go on: the operator may write the
// destination's branch, both points exist, the destination's service is transported and they
// differ; otherwise the refusal text.
std::string importRefusal(CallContext& ctx, const Ponto& origem, const Ponto& destino) {
  if (std::string r = branchRefusal(ctx.db, ctx.operatorName, destino.filial); !r.empty()) return r;
  if (std::string r = pontoRefusal(ctx.db, origem); !r.empty()) return r;
  if (std::string r = pontoRefusal(ctx.db, destino); !r.empty()) return r;
  if (std::string r = transporteRefusal(ctx.db, destino.filial, destino.servico); !r.empty()) return r;
  if (origem == destino) return "Origem dos dados deve ser diferente do destino.";
  return {};
}

// The keys of a selection text "_k1_k2_" ("_" holds none).
std::set<std::string> chavesDe(const std::string& selecao) {
  std::set<std::string> out;
  size_t i = 0;
  while (i <= selecao.size()) {
    size_t j = selecao.find('_', i);
    if (j == std::string::npos) j = selecao.size();
    if (j > i) out.insert(selecao.substr(i, j - i));
    i = j + 1;
  }
  return out;
}

// ---- Menu lines ------------------------------------------------------------------------------

// Origin line -> destination line, matched by dish type and occurrence (see the invariants).
std::map<long long, long long> correspondencia(db::Database& db, const Ponto& origem, const Ponto& destino) {
  auto linhas = [&](const Ponto& p) {
    std::map<std::string, std::vector<long long>> porTipo;
    for (const auto& r : db.query("SELECT CDTIPOPRAT, NRSEQCNFCARD FROM CNFCARD WHERE CDFILIAL = :F AND CDSERVFILI = :S"
                                  " ORDER BY NRORDCNFCARD, NRSEQCNFCARD",
                                  {{"F", p.filial}, {"S", p.servico}})
                             .rows)
      porTipo[textOf(r[0])].push_back(r[1].asInt());
    return porTipo;
  };
  std::map<std::string, std::vector<long long>> de = linhas(origem), para = linhas(destino);
  std::map<long long, long long> out;
  for (const auto& [tipo, seqs] : de) {
    auto it = para.find(tipo);
    if (it == para.end()) continue;
    for (size_t k = 0; k < seqs.size() && k < it->second.size(); ++k) out[seqs[k]] = it->second[k];
  }
  return out;
}

// Runs `grava` for each destination other than the origin, with the origin's menu lines matched
// to the destination's (computed once per service), until one refuses. "" when every destination
// was written (`n` of them), else the refusal text; no destination at all is refused too.
std::string paraCadaDestino(
    db::Database& db, const Ponto& origem, const std::vector<Ponto>& destinos, size_t& n,
    const std::function<std::string(const Ponto&, const std::map<long long, long long>&)>& grava) {
  n = 0;
  std::map<std::pair<std::string, std::string>, std::map<long long, long long>> linhas;
  for (const Ponto& d : destinos) {
    if (d == origem) continue;
    auto chave = std::make_pair(d.filial, d.servico);
    if (!linhas.count(chave)) linhas[chave] = correspondencia(db, origem, d);
    if (std::string r = grava(d, linhas[chave]); !r.empty()) return r;
    ++n;
  }
  if (n == 0) return "Nenhum serviço ou ponto de entrega de destino para a exportação; nada foi copiado.";
  return {};
}

// ---- Distribution ----------------------------------------------------------------------------

struct Embalagem {
  std::string codigo;
  Variant container;
  std::vector<long long> linhas;
};

// The packages of a delivery point in group order, with their lines.
std::vector<Embalagem> distribuicaoDe(db::Database& db, const Ponto& p) {
  std::vector<Embalagem> out;
  std::map<long long, size_t> porGrupo;
  const char* where = " WHERE CDFILIAL = :F AND CDSERVFILI = :S AND CDCLIENTE = :C AND CDDESTFILI = :D";
  for (const auto& r : db.query(std::string("SELECT NRGRUPO, CDCNFDISTEMBSERV, CDCONTAINER FROM CNFDISTEMBSERV") +
                                    where + " ORDER BY NRGRUPO",
                                paramsDe(p))
                           .rows) {
    porGrupo[r[0].asInt()] = out.size();
    out.push_back({textOf(r[1]), r[2], {}});
  }
  for (const auto& r :
       db.query(std::string("SELECT NRGRUPO, NRSEQCNFCARD FROM CNFDISTEMBTP") + where + " ORDER BY NRSEQCNFCARD",
                paramsDe(p))
           .rows)
    if (auto it = porGrupo.find(r[0].asInt()); it != porGrupo.end()) out[it->second].linhas.push_back(r[1].asInt());
  return out;
}

// The origin's packages with their lines moved onto the destination's menu (see the invariants),
// a package left without lines dropped.
std::vector<Embalagem> mapeiaDistribuicao(const std::vector<Embalagem>& origem,
                                          const std::map<long long, long long>& linhas) {
  std::vector<Embalagem> out;
  for (const Embalagem& e : origem) {
    std::set<long long> seqs;
    for (long long s : e.linhas)
      if (auto it = linhas.find(s); it != linhas.end()) seqs.insert(it->second);
    if (!seqs.empty()) out.push_back({e.codigo, e.container, std::vector<long long>(seqs.begin(), seqs.end())});
  }
  return out;
}

// The dish types of the given menu lines of a service, as "01, 02" (codes ascending).
std::string tiposDasLinhas(db::Database& db, const Ponto& p, const std::set<long long>& seqs) {
  std::set<std::string> tipos;
  for (const auto& r : db.query("SELECT NRSEQCNFCARD, CDTIPOPRAT FROM CNFCARD WHERE CDFILIAL = :F AND CDSERVFILI = :S",
                                {{"F", p.filial}, {"S", p.servico}})
                           .rows)
    if (seqs.count(r[0].asInt())) tipos.insert(textOf(r[1]));
  std::string out;
  for (const std::string& t : tipos) out += (out.empty() ? "" : ", ") + t;
  return out;
}

// Why nothing of the origin can be copied to `destino`: its menu has none of the dish types.
std::string semCorrespondencia(db::Database& db, const Ponto& origem, const Ponto& destino,
                               const std::set<long long>& seqs, const char* oque) {
  return "O cardápio do serviço " + destino.servico + " da filial " + destino.filial +
         " não possui os tipos de prato " + oque + " (" + tiposDasLinhas(db, origem, seqs) + "); nada foi copiado.";
}

// The origin's menu lines its packages use.
std::set<long long> linhasUsadas(const std::vector<Embalagem>& embalagens) {
  std::set<long long> out;
  for (const Embalagem& e : embalagens) out.insert(e.linhas.begin(), e.linhas.end());
  return out;
}

// Replaces the distribution of the destination with the packages given (destination lines),
// groups renumbered from 1 in their order.
void gravaDistribuicao(db::Database& db, const Ponto& destino, const std::vector<Embalagem>& embalagens) {
  db::Params p = paramsDe(destino);
  const char* where = " WHERE CDFILIAL = :F AND CDSERVFILI = :S AND CDCLIENTE = :C AND CDDESTFILI = :D";
  db.exec(std::string("DELETE FROM CNFDISTEMBTP") + where, p);
  db.exec(std::string("DELETE FROM CNFDISTEMBSERV") + where, p);
  long long grupo = 0;
  for (const Embalagem& e : embalagens) {
    db::Params q = p;
    q.push_back({"G", static_cast<int64_t>(++grupo)});
    db::Params emb = q;
    emb.push_back({"E", e.codigo});
    emb.push_back({"K", e.container});
    db.exec(
        "INSERT INTO CNFDISTEMBSERV (CDFILIAL, CDSERVFILI, CDCLIENTE, CDDESTFILI, NRGRUPO, CDCNFDISTEMBSERV,"
        " CDCONTAINER) VALUES (:F, :S, :C, :D, :G, :E, :K)",
        emb);
    for (long long s : e.linhas) {
      db::Params l = q;
      l.push_back({"Q", static_cast<int64_t>(s)});
      db.exec(
          "INSERT INTO CNFDISTEMBTP (CDFILIAL, CDSERVFILI, CDCLIENTE, CDDESTFILI, NRSEQCNFCARD, NRGRUPO)"
          " VALUES (:F, :S, :C, :D, :Q, :G)",
          l);
    }
  }
}

// ---- Restrictions ----------------------------------------------------------------------------

struct Restricao {
  long long linha;
  std::string tipo;
  std::vector<std::vector<Variant>> embalagens;  // CDCONTAINER, VRMINCONTAINER, NRORDEM
};

// The restrictions of a delivery point by menu line, limited to the dish types selected.
std::vector<Restricao> restricoesDe(db::Database& db, const Ponto& p, const std::set<std::string>& tipos) {
  std::vector<Restricao> out;
  std::map<long long, size_t> porNumero;
  for (const auto& r :
       db.query("SELECT R.NRRESTEMBTPPRAT, R.NRSEQCNFCARD, L.CDTIPOPRAT, C.CDCONTAINER, C.VRMINCONTAINER,"
                " C.NRORDEM FROM RESTEMBTPPRAT R JOIN CNFCARD L ON L.CDFILIAL = R.CDFILIAL"
                " AND L.CDSERVFILI = R.CDSERVFILI AND L.NRSEQCNFCARD = R.NRSEQCNFCARD"
                " JOIN RESTEMBCONT C ON C.NRRESTEMBTPPRAT = R.NRRESTEMBTPPRAT"
                " WHERE R.CDFILIAL = :F AND R.CDSERVFILI = :S AND R.CDCLIENTE = :C AND R.CDDESTFILI = :D"
                " ORDER BY R.NRSEQCNFCARD, C.NRORDEM, C.CDCONTAINER",
                paramsDe(p))
           .rows) {
    std::string tipo = textOf(r[2]);
    if (!tipos.count(tipo)) continue;
    auto [it, novo] = porNumero.try_emplace(r[0].asInt(), out.size());
    if (novo) out.push_back({r[1].asInt(), tipo, {}});
    out[it->second].embalagens.push_back({r[3], r[4], r[5]});
  }
  return out;
}

// The origin's restrictions moved onto the destination's menu lines; a restriction whose line has
// no counterpart is dropped.
std::vector<Restricao> mapeiaRestricoes(const std::vector<Restricao>& origem,
                                        const std::map<long long, long long>& linhas) {
  std::vector<Restricao> out;
  for (const Restricao& r : origem)
    if (auto it = linhas.find(r.linha); it != linhas.end()) out.push_back({it->second, r.tipo, r.embalagens});
  return out;
}

// The origin's menu lines its restrictions are for.
std::set<long long> linhasUsadas(const std::vector<Restricao>& restricoes) {
  std::set<long long> out;
  for (const Restricao& r : restricoes) out.insert(r.linha);
  return out;
}

// Replaces the destination's restrictions of the dish types selected with the ones given
// (destination lines).
void gravaRestricoes(db::Database& db, const Ponto& destino, const std::set<std::string>& tipos,
                     const std::vector<Restricao>& restricoes) {
  db::Params p = paramsDe(destino);
  for (const std::string& tipo : tipos) {
    db::Params q = p;
    q.push_back({"T", tipo});
    const char* alvo =
        "SELECT R.NRRESTEMBTPPRAT FROM RESTEMBTPPRAT R JOIN CNFCARD L ON L.CDFILIAL = R.CDFILIAL"
        " AND L.CDSERVFILI = R.CDSERVFILI AND L.NRSEQCNFCARD = R.NRSEQCNFCARD WHERE R.CDFILIAL = :F"
        " AND R.CDSERVFILI = :S AND R.CDCLIENTE = :C AND R.CDDESTFILI = :D AND L.CDTIPOPRAT = :T";
    db.exec(std::string("DELETE FROM RESTEMBCONT WHERE NRRESTEMBTPPRAT IN (") + alvo + ")", q);
    db.exec(std::string("DELETE FROM RESTEMBTPPRAT WHERE NRRESTEMBTPPRAT IN (") + alvo + ")", q);
  }
  for (const Restricao& r : restricoes) {
    long long numero = novaRestricao(db);
    db::Params q = p;
    q.push_back({"N", static_cast<int64_t>(numero)});
    q.push_back({"Q", static_cast<int64_t>(r.linha)});
    db.exec(
        "INSERT INTO RESTEMBTPPRAT (NRRESTEMBTPPRAT, CDFILIAL, CDSERVFILI, CDCLIENTE, CDDESTFILI, NRSEQCNFCARD)"
        " VALUES (:N, :F, :S, :C, :D, :Q)",
        q);
    for (const auto& e : r.embalagens)
      db.exec("INSERT INTO RESTEMBCONT (NRRESTEMBTPPRAT, CDCONTAINER, VRMINCONTAINER, NRORDEM) VALUES (:N, :K, :M, :O)",
              {{"N", static_cast<int64_t>(numero)}, {"K", e[0]}, {"M", e[1]}, {"O", e[2]}});
  }
}

// ---- Destinations of an export ----------------------------------------------------------------

// The lines of the per-service list of delivery points (a final line break ends the last line).
std::vector<std::string> linhasDe(const std::string& texto) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < texto.size()) {
    size_t j = texto.find('\n', i);
    if (j == std::string::npos) j = texto.size();
    std::string linha = texto.substr(i, j - i);
    if (!linha.empty() && linha.back() == '\r') linha.pop_back();
    out.push_back(linha);
    i = j + 1;
  }
  return out;
}

// The destinations of an export: for every row of the services packet marked "S", the service
// itself when NIVELSERV is "S", and every delivery point of the service when TODOS_PONTOS is "S",
// else the points of the service's line of the list (keys: point code in 3 characters, then
// client).
// Refused with a text: no write access to a row's branch; a service that is not registered or not
// transported; a point that is not one of the service's.
std::string destinosExport(db::Database& db, const std::string& operador, const Packet& servicos,
                           const std::string& lista, std::vector<Ponto>& out) {
  if (servicos.delta) throw Exception("A exportação espera o pacote dos serviços, não um conjunto de alterações.");
  if (servicos.rowCount() > kMaxServicos) return "Serviços demais na exportação.";
  if (lista.size() > kMaxTexto) return "Lista de pontos de entrega grande demais.";
  for (const char* campo : {"IDMARCADO", "CDFILIAL", "CDSERVFILI", "NIVELSERV", "TODOS_PONTOS"})
    if (servicos.fieldIndex(campo) < 0) throw Exception(std::string("A exportação espera o campo ") + campo + ".");
  std::vector<std::string> linhas = linhasDe(lista);
  const char* naoCorresponde = "A lista de pontos de entrega não corresponde aos serviços.";
  if (linhas.size() > servicos.rowCount()) return naoCorresponde;
  // Each line names its service ("00002=_001000003_"); an empty line names none.
  std::map<std::string, std::string> pontosPorServico;
  std::set<std::string> codigos;
  for (size_t r = 0; r < servicos.rowCount(); ++r) codigos.insert(textOf(servicos.value(r, "CDSERVFILI")));
  for (const std::string& linha : linhas) {
    if (linha.empty()) continue;
    size_t igual = linha.find('=');
    if (igual == std::string::npos) return naoCorresponde;
    std::string codigo = textOf(Variant(linha.substr(0, igual)));
    if (!codigos.count(codigo) || !pontosPorServico.emplace(codigo, linha.substr(igual + 1)).second)
      return naoCorresponde;
  }
  std::set<Ponto> vistos;
  auto adiciona = [&](Ponto p) {
    if (vistos.insert(p).second) out.push_back(std::move(p));
  };
  for (size_t r = 0; r < servicos.rowCount(); ++r) {
    if (textOf(servicos.value(r, "IDMARCADO")) != "S") continue;
    std::string f = textOf(servicos.value(r, "CDFILIAL")), s = textOf(servicos.value(r, "CDSERVFILI"));
    if (std::string e = branchRefusal(db, operador, f); !e.empty()) return e;
    if (std::string e = serviceRefusal(db, f, s); !e.empty()) return e;
    if (std::string e = transporteRefusal(db, f, s); !e.empty()) return e;
    if (textOf(servicos.value(r, "NIVELSERV")) == "S") adiciona({f, s, "", ""});
    if (textOf(servicos.value(r, "TODOS_PONTOS")) == "S") {
      for (const auto& p :
           db.query("SELECT CDCLIENTE, CDDESTFILI FROM DESTSRVCLI WHERE CDFILIAL = :F AND CDSERVFILI = :S"
                    " ORDER BY CDCLIENTE, CDDESTFILI",
                    {{"F", f}, {"S", s}})
               .rows)
        adiciona({f, s, textOf(p[0]), textOf(p[1])});
      if (out.size() > kMaxDestinos) return "Pontos de entrega demais na exportação.";
      continue;
    }
    auto linha = pontosPorServico.find(s);
    std::set<std::string> chaves = chavesDe(linha == pontosPorServico.end() ? std::string() : linha->second);
    if (chaves.size() > kMaxPontosLinha || out.size() + chaves.size() > kMaxDestinos)
      return "Pontos de entrega demais na lista do serviço " + s + ".";
    for (const std::string& chave : chaves) {
      // Position key: the point in its first 3 characters, the client after them.
      Ponto p{f, s, chave.size() > 3 ? textOf(Variant(chave.substr(3))) : std::string(),
              textOf(Variant(chave.substr(0, 3)))};
      if (p.cliente.empty() || p.destino.empty()) return "Ponto de entrega " + chave + " inválido.";
      if (std::string e = destinoRefusal(db, f, s, p.cliente, p.destino); !e.empty()) return e;
      adiciona(std::move(p));
    }
  }
  return {};
}

// ---- Methods ---------------------------------------------------------------------------------

// GetVdDistribuicoesServ(CDFILIAL, CDSERVFILI, CDCLIENTE and CDDESTFILI by reference): packet
// (NRGRUPO, CDCNFDISTEMBSERV 5, CDCONTAINER 5) of the packages of the delivery point's
// distribution by group; no row when it has none. Refused for a service or delivery point that is
// not registered.
Variant getVdDistribuicoesServ(CallContext& ctx, VariantArray& args) {
  Ponto p{arg(args, 0), arg(args, 1), arg(args, 2), arg(args, 3)};
  if (std::string r = pontoRefusal(ctx.db, p); !r.empty()) return checkFail(r);
  static const std::vector<FieldDef> fields{floatField("NRGRUPO"), textField("CDCNFDISTEMBSERV", 5),
                                            textField("CDCONTAINER", 5)};
  return checkOk(
      Variant(queryPacket(ctx.db,
                          "SELECT NRGRUPO, CDCNFDISTEMBSERV, CDCONTAINER FROM CNFDISTEMBSERV WHERE CDFILIAL = :F"
                          " AND CDSERVFILI = :S AND CDCLIENTE = :C AND CDDESTFILI = :D ORDER BY NRGRUPO",
                          paramsDe(p), fields)));
}

// ImportaDistribuicao(origin CDFILIAL, CDSERVFILI, CDCLIENTE and CDDESTFILI by reference,
// destination CDFILIAL, CDSERVFILI, CDCLIENTE and CDDESTFILI by reference): an update. Replaces
// the destination's distribution with the origin's (lines matched by dish type). Payload: the
// number of packages written. Refused with a text: no write access to the destination's branch;
// either service or delivery point not registered; a destination service that is not transported;
// the destination equal to the origin; an origin without distribution (which would only empty the
// destination); a destination whose menu has none of the distribution's dish types (likewise).
Variant importaDistribuicao(CallContext& ctx, VariantArray& args) {
  Ponto origem{arg(args, 0), arg(args, 1), arg(args, 2), arg(args, 3)};
  Ponto destino{arg(args, 4), arg(args, 5), arg(args, 6), arg(args, 7)};
  if (std::string r = importRefusal(ctx, origem, destino); !r.empty()) return checkFail(r);
  std::vector<Embalagem> embalagens = distribuicaoDe(ctx.db, origem);
  if (embalagens.empty()) return checkFail("Origem informada não possui distribuição cadastrada.");
  std::vector<Embalagem> copia = mapeiaDistribuicao(embalagens, correspondencia(ctx.db, origem, destino));
  if (copia.empty())
    return checkFail(
        semCorrespondencia(ctx.db, origem, destino, linhasUsadas(embalagens), "da distribuição de origem"));
  gravaDistribuicao(ctx.db, destino, copia);
  return checkOk(Variant(static_cast<double>(copia.size())));
}

// GetServicosFilial(CDFILIAL by reference): packet (IDMARCADO 1, CDFILIAL 4, CDSERVFILI 5,
// NMSERVICO 40, NIVELSERV 1, TODOS_PONTOS 1) of the branch's transported services by code, none
// marked, each copying at service level and to all its delivery points.
Variant getServicosFilial(CallContext& ctx, VariantArray& args) {
  static const std::vector<FieldDef> fields{textField("IDMARCADO", 1),  textField("CDFILIAL", 4),
                                            textField("CDSERVFILI", 5), textField("NMSERVICO", 40),
                                            textField("NIVELSERV", 1),  textField("TODOS_PONTOS", 1)};
  return checkOk(Variant(queryPacket(ctx.db,
                                     "SELECT 'N' AS IDMARCADO, CDFILIAL, CDSERVFILI, NMSERVICO, 'S' AS NIVELSERV, 'S' "
                                     "AS TODOS_PONTOS FROM SERVICO WHERE CDFILIAL = :F"
                                     " AND IDSERVTRAN = 'S' ORDER BY CDSERVFILI",
                                     {{"F", arg(args, 0)}}, fields)));
}

// ExportaDistribuicao(origin CDFILIAL, CDSERVFILI, CDCLIENTE and CDDESTFILI by reference, packet
// of the services, per-service list of delivery points): an update. Copies the origin's
// distribution to every destination of the services marked (see destinosExport), the origin
// itself left out. Payload: the number of delivery points replaced. Refused with a text: the
// origin not registered, not transported or without distribution; the refusals of destinosExport;
// no destination; a destination whose menu has none of the distribution's dish types.
Variant exportaDistribuicao(CallContext& ctx, VariantArray& args) {
  Ponto origem{arg(args, 0), arg(args, 1), arg(args, 2), arg(args, 3)};
  if (std::string r = pontoRefusal(ctx.db, origem); !r.empty()) return checkFail(r);
  if (std::string r = transporteRefusal(ctx.db, origem.filial, origem.servico); !r.empty()) return checkFail(r);
  std::vector<Embalagem> embalagens = distribuicaoDe(ctx.db, origem);
  if (embalagens.empty()) return checkFail("Origem informada não possui distribuição cadastrada.");
  std::vector<Ponto> destinos;
  if (std::string r = destinosExport(ctx.db, ctx.operatorName, args[4].asPacket(), texto(args[5]), destinos);
      !r.empty())
    return checkFail(r);
  size_t n = 0;
  std::string recusa =
      paraCadaDestino(ctx.db, origem, destinos, n, [&](const Ponto& d, const std::map<long long, long long>& linhas) {
        std::vector<Embalagem> copia = mapeiaDistribuicao(embalagens, linhas);
        if (copia.empty())
          return semCorrespondencia(ctx.db, origem, d, linhasUsadas(embalagens), "da distribuição de origem");
        gravaDistribuicao(ctx.db, d, copia);
        return std::string();
      });
  if (!recusa.empty()) return checkFail(recusa);
  return checkOk(Variant(static_cast<double>(n)));
}

// GetTiposPratoServ(CDFILIAL, CDSERVFILI): packet (IDMARCADO 1, CHAVE 40, NRSEQCNFCARD,
// NRORDCNFCARD, CDTIPOPRAT 2, NMTIPOPRAT 15) of the dish types of the service's menu
// configuration, one row per dish type (its first line) in menu order; CHAVE is the dish-type code,
// the key of a restriction transfer's selection.
Variant getTiposPratoServ(CallContext& ctx, VariantArray& args) {
  static const std::vector<FieldDef> fields{textField("IDMARCADO", 1),  textField("CHAVE", 40),
                                            floatField("NRSEQCNFCARD"), floatField("NRORDCNFCARD"),
                                            textField("CDTIPOPRAT", 2), textField("NMTIPOPRAT", 15)};
  return checkOk(
      Variant(queryPacket(ctx.db,
                          "SELECT 'N' AS IDMARCADO, L.CDTIPOPRAT AS CHAVE, MIN(L.NRSEQCNFCARD) AS NRSEQCNFCARD,"
                          " MIN(L.NRORDCNFCARD) AS NRORDCNFCARD, L.CDTIPOPRAT, T.NMTIPOPRAT FROM CNFCARD L"
                          " JOIN TIPOPRAT T ON T.CDTIPOPRAT = L.CDTIPOPRAT WHERE L.CDFILIAL = :F AND L.CDSERVFILI = :S"
                          " GROUP BY L.CDTIPOPRAT, T.NMTIPOPRAT ORDER BY MIN(L.NRORDCNFCARD), L.CDTIPOPRAT",
                          {{"F", arg(args, 0)}, {"S", arg(args, 1)}}, fields)));
}

// GetVdRestricoesServ(CDFILIAL, CDSERVFILI, CDCLIENTE and CDDESTFILI by reference): packet
// (NRSEQCNFCARD, CDTIPOPRAT 2, CDCONTAINER 5, VRMINCONTAINER, NRORDEM) of the packages of the
// delivery point's restrictions by menu line and order; no row when it has none. Refused for a
// service or delivery point that is not registered.
Variant getVdRestricoesServ(CallContext& ctx, VariantArray& args) {
  Ponto p{arg(args, 0), arg(args, 1), arg(args, 2), arg(args, 3)};
  if (std::string r = pontoRefusal(ctx.db, p); !r.empty()) return checkFail(r);
  static const std::vector<FieldDef> fields{floatField("NRSEQCNFCARD"), textField("CDTIPOPRAT", 2),
                                            textField("CDCONTAINER", 5), floatField("VRMINCONTAINER"),
                                            floatField("NRORDEM")};
  return checkOk(Variant(queryPacket(
      ctx.db,
      "SELECT R.NRSEQCNFCARD, L.CDTIPOPRAT, C.CDCONTAINER, C.VRMINCONTAINER, C.NRORDEM FROM RESTEMBTPPRAT R"
      " JOIN CNFCARD L ON L.CDFILIAL = R.CDFILIAL AND L.CDSERVFILI = R.CDSERVFILI AND L.NRSEQCNFCARD = R.NRSEQCNFCARD"
      " JOIN RESTEMBCONT C ON C.NRRESTEMBTPPRAT = R.NRRESTEMBTPPRAT"
      " WHERE R.CDFILIAL = :F AND R.CDSERVFILI = :S AND R.CDCLIENTE = :C AND R.CDDESTFILI = :D"
      " ORDER BY R.NRSEQCNFCARD, C.NRORDEM, C.CDCONTAINER",
      paramsDe(p), fields)));
}

const char* const kSemRestricaoDosTipos =
    "Origem informada não possui restrição cadastrada para os tipos de prato selecionados; nada foi copiado.";

// The dish types of a selection text; "" when it is valid, else the refusal text.
std::string tiposRefusal(const std::string& selecao, std::set<std::string>& tipos) {
  if (selecao.empty()) return "Tipo de prato deve ser informado";
  if (selecao.size() > kMaxTexto) return "Seleção de tipos de prato grande demais.";
  tipos = chavesDe(selecao);
  if (tipos.size() > kMaxTipos) return "Tipos de prato demais na seleção.";
  return {};
}

// ImportaRestricoes(origin CDFILIAL, CDSERVFILI, CDCLIENTE and CDDESTFILI by reference, dish-type
// selection "_t1_t2_" by reference ("_" for none), destination CDFILIAL, CDSERVFILI, CDCLIENTE and
// CDDESTFILI by reference): an update. Replaces the destination's restrictions of the dish types
// selected with the origin's (lines matched by dish type; new numbers from the counter). Payload:
// the number of restrictions written. Refused with a text: no write access to the destination's
// branch; either service or delivery point not registered; a destination service that is not
// transported; the destination equal to the origin; an origin without restrictions, or without
// any of the dish types selected; an empty selection; a destination whose menu has none of the
// restrictions' dish types.
Variant importaRestricoes(CallContext& ctx, VariantArray& args) {
  Ponto origem{arg(args, 0), arg(args, 1), arg(args, 2), arg(args, 3)};
  Ponto destino{arg(args, 5), arg(args, 6), arg(args, 7), arg(args, 8)};
  if (std::string r = importRefusal(ctx, origem, destino); !r.empty()) return checkFail(r);
  std::set<std::string> tipos;
  if (std::string r = tiposRefusal(arg(args, 4), tipos); !r.empty()) return checkFail(r);
  if (ctx.db
          .query("SELECT 1 FROM RESTEMBTPPRAT WHERE CDFILIAL = :F AND CDSERVFILI = :S AND CDCLIENTE = :C"
                 " AND CDDESTFILI = :D",
                 paramsDe(origem))
          .rows.empty())
    return checkFail("Origem informada não possui restrição cadastrada.");
  std::vector<Restricao> restricoes = restricoesDe(ctx.db, origem, tipos);
  if (restricoes.empty()) return checkFail(kSemRestricaoDosTipos);
  std::vector<Restricao> copia = mapeiaRestricoes(restricoes, correspondencia(ctx.db, origem, destino));
  if (copia.empty())
    return checkFail(semCorrespondencia(ctx.db, origem, destino, linhasUsadas(restricoes), "das restrições de origem"));
  gravaRestricoes(ctx.db, destino, tipos, copia);
  return checkOk(Variant(static_cast<double>(copia.size())));
}

// ExportaRestricoes(origin CDFILIAL, CDSERVFILI, CDCLIENTE and CDDESTFILI by reference, dish-type
// selection by reference, packet of the services, per-service list of delivery points): an
// update. Copies the origin's restrictions of the dish types selected to every destination of the
// services marked (see destinosExport), the origin itself left out. Payload: the number of
// delivery points replaced. Refused with a text: the origin not registered or not transported; an
// empty selection; an origin without restrictions of the dish types selected; the refusals of
// destinosExport; no destination; a destination whose menu has none of the restrictions' dish
// types.
Variant exportaRestricoes(CallContext& ctx, VariantArray& args) {
  Ponto origem{arg(args, 0), arg(args, 1), arg(args, 2), arg(args, 3)};
  if (std::string r = pontoRefusal(ctx.db, origem); !r.empty()) return checkFail(r);
  if (std::string r = transporteRefusal(ctx.db, origem.filial, origem.servico); !r.empty()) return checkFail(r);
  std::set<std::string> tipos;
  if (std::string r = tiposRefusal(arg(args, 4), tipos); !r.empty()) return checkFail(r);
  std::vector<Ponto> destinos;
  if (std::string r = destinosExport(ctx.db, ctx.operatorName, args[5].asPacket(), texto(args[6]), destinos);
      !r.empty())
    return checkFail(r);
  std::vector<Restricao> restricoes = restricoesDe(ctx.db, origem, tipos);
  if (restricoes.empty()) return checkFail(kSemRestricaoDosTipos);
  size_t n = 0;
  std::string recusa =
      paraCadaDestino(ctx.db, origem, destinos, n, [&](const Ponto& d, const std::map<long long, long long>& linhas) {
        std::vector<Restricao> copia = mapeiaRestricoes(restricoes, linhas);
        if (copia.empty())
          return semCorrespondencia(ctx.db, origem, d, linhasUsadas(restricoes), "das restrições de origem");
        gravaRestricoes(ctx.db, d, tipos, copia);
        return std::string();
      });
  if (!recusa.empty()) return checkFail(recusa);
  return checkOk(Variant(static_cast<double>(n)));
}

}  // namespace

void registerPackagingTransferMethods(Registry& r) {
  r.add({kCadastroServ, "GetVdDistribuicoesServ", "ssss", {2, 3}, false, getVdDistribuicoesServ, 0, true});
  r.add({kCadastroServ, "ImportaDistribuicao", "ssssssss", {2, 3, 6, 7}, true, importaDistribuicao, 0, true});
  r.add({kCadastroServ, "GetServicosFilial", "s", {0}, false, getServicosFilial, 0, true});
  r.add({kCadastroServ, "ExportaDistribuicao", "ssssps", {2, 3}, true, exportaDistribuicao, 0, true});
  r.add({kCadastroServ, "GetTiposPratoServ", "ss", {}, false, getTiposPratoServ, 0, true});
  r.add({kCadastroServ, "GetVdRestricoesServ", "ssss", {2, 3}, false, getVdRestricoesServ, 0, true});
  r.add({kCadastroServ, "ImportaRestricoes", "sssssssss", {2, 3, 4, 7, 8}, true, importaRestricoes, 0, true});
  r.add({kCadastroServ, "ExportaRestricoes", "sssssps", {2, 3, 4}, true, exportaRestricoes, 0, true});
}

}  // namespace cad::appserver
