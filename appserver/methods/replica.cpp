// Copy of a whole service under new service codes of the same branch (the copy-service screen).
//
// A service's own rows live in these tables (every table of schema.sql keyed by CDFILIAL +
// CDSERVFILI, or hanging on such a row), and the copy carries them in this order, parents first:
//   SERVICO         the record itself (new code and name; the reduced name follows the new name)
//   SERVFATU        the billing services the source is billed under (not the services billed
//                   under the source: those equivalences belong to the other services)
//   TURNOSERV       shifts with their diners per weekday
//   CUSTPADR        standard cost per month, then CUSTPADRTP, its split over dish types
//   CNFCARD         default menu configuration (line numbers kept, the packaging refers to them)
//   CONSPRODSERV    products consumed by the service
//   DIETSERV        estimated diners per diet
//   DESTSRVCLI      clients and delivery points with their diners
//   CNFDISTEMBSERV  packages of the distribution, then CNFDISTEMBTP, the lines in each package
//   RESTEMBTPPRAT   collective-packaging restrictions (each copy takes a new number from
//                   SEQUENCIA), then RESTEMBCONT, the packages of each restriction
// Not copied, being history or working data of the source: EFETSERVFAT (billed meals), CARDADIA
// (planned menus), LISTCUSTPADR (working lists of the automatic cost maintenance), CARDCOMENS
// (diners handed to the menu planning).
//
// Invariant: all destinations are written in the method's one transaction; the first refused or
// failing destination refuses the call and the dispatcher rolls every row back.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "appserver/helpers.h"
#include "appserver/methods/embalagens.h"
#include "appserver/methods/methods.h"
#include "appserver/registry.h"
#include "platform/core/errors.h"
#include "platform/core/format.h"

namespace cad::appserver {

namespace {

// Destinations one call may create.
constexpr size_t kMaxDestinos = 100;
constexpr size_t kTamCodigo = 5;
constexpr size_t kTamNome = 40;

// The tables copied as they are, but for the service code, in the order parents first.
const std::vector<const char*>& tabelasSimples() {
  static const std::vector<const char*> t{"SERVFATU",     "TURNOSERV", "CUSTPADR",   "CUSTPADRTP",     "CNFCARD",
                                          "CONSPRODSERV", "DIETSERV",  "DESTSRVCLI", "CNFDISTEMBSERV", "CNFDISTEMBTP"};
  return t;
}

// Inserts one row given as column names (from the database's own result, never from a client)
// and values, the values passed as parameters.
void insereLinha(db::Database& db, const char* tabela, const std::vector<db::Column>& colunas,
                 const std::vector<Variant>& valores) {
  std::string nomes, marcas;
  db::Params params;
  for (size_t i = 0; i < colunas.size(); ++i) {
    std::string p = "P" + std::to_string(i);
    nomes += (i ? ", " : "") + colunas[i].name;
    marcas += (i ? ", :" : ":") + p;
    params.push_back({p, valores[i]});
  }
  db.exec(std::string("INSERT INTO ") + tabela + " (" + nomes + ") VALUES (" + marcas + ")", params);
}

// Copies the rows of `tabela` of the source service under the destination code; `ajusta` may
// change other columns of each row. Returns the rows copied.
template <class F>
size_t copiaTabela(db::Database& db, const char* tabela, const std::string& filial, const std::string& origem,
                   const std::string& destino, F ajusta) {
  db::ResultSet rs = db.query(std::string("SELECT * FROM ") + tabela + " WHERE CDFILIAL = :F AND CDSERVFILI = :S",
                              {{"F", filial}, {"S", origem}});
  int cServ = rs.columnIndex("CDSERVFILI");
  for (std::vector<Variant>& linha : rs.rows) {
    linha[static_cast<size_t>(cServ)] = Variant(destino);
    ajusta(rs, linha);
    insereLinha(db, tabela, rs.columns, linha);
  }
  return rs.rows.size();
}

void semAjuste(const db::ResultSet&, std::vector<Variant>&) {}

// The restrictions and their packages, each restriction under a new number.
void copiaRestricoes(db::Database& db, const std::string& filial, const std::string& origem,
                     const std::string& destino) {
  std::map<long long, long long> numeros;
  copiaTabela(db, "RESTEMBTPPRAT", filial, origem, destino, [&](const db::ResultSet& rs, std::vector<Variant>& l) {
    size_t c = static_cast<size_t>(rs.columnIndex("NRRESTEMBTPPRAT"));
    long long novo = novaRestricao(db);  // the packaging methods' counter
    numeros[l[c].asInt()] = novo;
    l[c] = Variant(novo);
  });
  for (const auto& [antigo, novo] : numeros) {
    db::ResultSet rs = db.query("SELECT * FROM RESTEMBCONT WHERE NRRESTEMBTPPRAT = :N", {{"N", Variant(antigo)}});
    size_t c = static_cast<size_t>(rs.columnIndex("NRRESTEMBTPPRAT"));
    for (std::vector<Variant>& l : rs.rows) {
      l[c] = Variant(novo);
      insereLinha(db, "RESTEMBCONT", rs.columns, l);
    }
  }
}

// A service code has five letters or digits, as the service record requires.
bool codigoValido(const std::string& codigo) {
  if (codigo.size() != kTamCodigo) return false;
  for (char c : codigo)
    if (!std::isalnum(static_cast<unsigned char>(c))) return false;
  return true;
}

// Why a destination may not be created, "" when it may.
std::string destinoRefusal(db::Database& db, const std::string& filial, const std::string& codigo,
                           const std::string& nome, bool usaPadroes, std::set<std::string>& vistos) {
  if (codigo.empty()) return "Código do serviço deve ser informado.";
  if (!codigoValido(codigo)) return "Código de serviço inválido: " + codigo + ".";
  if (nome.empty()) return "Nome do serviço " + codigo + " deve ser informado.";
  if (nome.size() > kTamNome) return "Nome do serviço " + codigo + " excede 40 caracteres.";
  if (!vistos.insert(codigo).second) return "Serviço " + codigo + " informado mais de uma vez.";
  if (!db.query("SELECT 1 FROM SERVICO WHERE CDFILIAL = :F AND CDSERVFILI = :S", {{"F", filial}, {"S", codigo}})
           .rows.empty())
    return "Código de serviço " + codigo + " já cadastrado para a filial " + filial + ".";
  if (usaPadroes && db.query("SELECT 1 FROM SERVPADR WHERE CDSERVPADR = :S", {{"S", codigo}}).rows.empty())
    return "Padrão de serviço " + codigo + " não encontrado.";
  return {};
}

// ReplicaServico(CDFILIAL, CDGRUPSERV, source CDSERVFILI, packet of destinations with CDSERVFILI
// and NMSERVICO): an update with a checkable result. Creates every destination service in the
// branch as a copy of the source (the rows listed at the top of this file) and answers
// [true, number of services created]; all destinations or none.
// Refused ([false, text]): no access to the branch; a group given that is not registered; the
// source not a service of the branch of that group, or a billing-only or menu service ('F', 'M');
// no destination, or more than 100; a destination with an empty or invalid code (5 letters
// or digits), an empty name or one over 40 characters, given twice, already a service of the
// branch, or — while standard services exist — not a standard service. While standard services
// exist, each destination takes the name and the product of its standard service (the name sent
// is not used), as a service included on the service record does.
Variant replicaServico(CallContext& ctx, VariantArray& args) {
  std::string filial = textOf(args[0]), grupo = textOf(args[1]), origem = textOf(args[2]);
  if (std::string r = branchRefusal(ctx.db, ctx.operatorName, filial); !r.empty()) return checkFail(r);
  if (!grupo.empty() && ctx.db.query("SELECT 1 FROM GRUPSERV WHERE CDGRUPSERV = :G", {{"G", grupo}}).rows.empty())
    return checkFail("Grupo de serviço " + grupo + " não cadastrado.");
  db::ResultSet fonte =
      ctx.db.query("SELECT IDTIPOSERV, CDGRUPSERV FROM SERVICO WHERE CDFILIAL = :F AND CDSERVFILI = :S",
                   {{"F", filial}, {"S", origem}});
  if (origem.empty() || fonte.rows.empty())
    return checkFail("Serviço " + origem + " não cadastrado na filial " + filial + ".");
  std::string tipo = textOf(fonte.rows[0][0]);
  if (tipo == "F" || tipo == "M") return checkFail("O serviço " + origem + " não pode ser copiado.");
  if (!grupo.empty() && textOf(fonte.rows[0][1]) != grupo)
    return checkFail("Serviço " + origem + " não pertence ao grupo " + grupo + ".");

  const Packet& destinos = args[3].asPacket();
  int cCodigo = destinos.fieldIndex("CDSERVFILI"), cNome = destinos.fieldIndex("NMSERVICO");
  if (cCodigo < 0 || cNome < 0) return checkFail("Lista de serviços de destino sem código ou nome.");
  if (destinos.rowCount() == 0) return checkFail("Informe pelo menos um serviço de destino.");
  if (destinos.rowCount() > kMaxDestinos) return checkFail("Serviços de destino demais (limite 100).");

  bool usaPadroes = !ctx.db.query("SELECT 1 FROM SERVPADR LIMIT 1").rows.empty();
  std::set<std::string> vistos;
  for (size_t r = 0; r < destinos.rowCount(); ++r) {
    std::string codigo = textOf(destinos.rows[r][static_cast<size_t>(cCodigo)]);
    std::string nome = textOf(destinos.rows[r][static_cast<size_t>(cNome)]);
    // Under standard services a new service is the standard one: its name and product.
    Variant produto;
    if (usaPadroes) {
      db::ResultSet padrao =
          ctx.db.query("SELECT NMSERVPADR, CDPRODUTO FROM SERVPADR WHERE CDSERVPADR = :S", {{"S", codigo}});
      if (!padrao.rows.empty()) {
        nome = textOf(padrao.rows[0][0]);
        produto = padrao.rows[0][1];
      }
    }
    if (std::string recusa = destinoRefusal(ctx.db, filial, codigo, nome, usaPadroes, vistos); !recusa.empty())
      return checkFail(recusa);
    copiaTabela(ctx.db, "SERVICO", filial, origem, codigo, [&](const db::ResultSet& rs, std::vector<Variant>& l) {
      l[static_cast<size_t>(rs.columnIndex("NMSERVICO"))] = Variant(nome);
      l[static_cast<size_t>(rs.columnIndex("NMSERVICOREDU"))] = Variant(nome);
      if (usaPadroes) l[static_cast<size_t>(rs.columnIndex("CDPRODUTO"))] = produto;
    });
    for (const char* tabela : tabelasSimples()) copiaTabela(ctx.db, tabela, filial, origem, codigo, semAjuste);
    copiaRestricoes(ctx.db, filial, origem, codigo);
  }
  return checkOk(Variant(static_cast<long long>(destinos.rowCount())));
}

}  // namespace

void registerReplicaMethods(Registry& r) {
  r.add({kCadastroServ, "ReplicaServico", "sssp", {}, true, replicaServico, 0, true});
}

}  // namespace cad::appserver
