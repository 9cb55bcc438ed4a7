// Packaging-configuration transfers on both backends: a property over random menus, origins and
// destinations (a transfer copies by dish type or refuses and changes nothing), and the refusals
// of malformed or forbidden calls leaving the tables as they were, also when only a later
// destination of an export fails.
#include <gtest/gtest.h>
#include <rapidcheck.h>

#include <algorithm>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "appserver/helpers.h"
#include "tests/appserver/method_fixture.h"

namespace cad {
namespace {

using TransfEmbalTest = test::MethodTest;

TEST_P(TransfEmbalTest, RefusedTransfersWriteNothing) {
  struct Case {
    std::string operador, metodo;
    std::vector<RpcArg> args;
    std::string texto;
  };
  PacketPtr pontoInexistente = servicos("0002", {{"00001", "S", "N"}});
  std::string muitosTipos = "_";
  for (int i = 0; i < 2001; ++i) muitosTipos += std::to_string(i) + "_";
  std::vector<Case> cases{
      {"ADMIN",
       "ImportaDistribuicao",
       {"0001", "00001", "", "", "0001", "00001", "", ""},
       "Origem dos dados deve ser diferente do destino."},
      {"ADMIN",
       "ImportaDistribuicao",
       {"0001", "00001", "000001", "001", "0002", "00001", "", ""},
       "Origem informada não possui distribuição cadastrada."},
      {"ADMIN",
       "ImportaDistribuicao",
       {"0001", "00001", "", "", "0002", "00001", "000001", "009"},
       "Ponto de entrega 000001/009 não cadastrado para o serviço 00001."},
      {"JOAO",
       "ImportaDistribuicao",
       {"0001", "00001", "", "", "0002", "00001", "", ""},
       "O operador JOAO não tem acesso à filial 0002."},
      {"JOAO", "GetServicosFilial", {"0002"}, "O operador JOAO não tem acesso à filial 0002."},
      {"ADMIN",
       "ImportaRestricoes",
       {"0001", "00001", "", "", "", "0002", "00001", "", ""},
       "Tipo de prato deve ser informado"},
      {"ADMIN",
       "ImportaRestricoes",
       {"0001", "00001", "000001", "002", "_01_", "0002", "00001", "", ""},
       "Origem informada não possui restrição cadastrada."},
      // The service level goes first, then the unknown point refuses the whole export.
      {"ADMIN",
       "ExportaDistribuicao",
       {"0001", "00001", "", "", Variant(pontoInexistente), "00001=_009000003_\n"},
       "Ponto de entrega 000003/009 não cadastrado para o serviço 00001."},
      {"ADMIN",
       "ExportaDistribuicao",
       {"0001", "00001", "", "", Variant(pontoInexistente), "\n\n"},
       "A lista de pontos de entrega não corresponde aos serviços."},
      {"ADMIN",
       "ExportaRestricoes",
       {"0001", "00001", "", "", muitosTipos, Variant(pontoInexistente), "\n"},
       "Tipos de prato demais na seleção."},
      {"JOAO",
       "ExportaRestricoes",
       {"0001", "00001", "", "", "_01_", Variant(pontoInexistente), "\n"},
       "O operador JOAO não tem acesso à filial 0002."},
      // A service that is not transported has no packaging to receive or to give.
      {"ADMIN",
       "ImportaDistribuicao",
       {"0001", "00001", "", "", "0001", "00002", "", ""},
       "Serviço 00002 da filial 0001 não é transportado."},
      {"ADMIN",
       "ExportaRestricoes",
       {"0001", "00002", "", "", "_01_", Variant(pontoInexistente), "\n"},
       "Serviço 00002 da filial 0001 não é transportado."},
  };
  exec("UPDATE SERVICO SET IDSERVTRAN = 'N' WHERE CDFILIAL = '0001' AND CDSERVFILI = '00002'");
  std::string antes = everything();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.metodo + " " + c.texto);
    server.setOperator(c.operador);
    EXPECT_EQ(refusal(call(c.metodo, c.args)), c.texto);
    EXPECT_EQ(everything(), antes);
  }
  // A services packet without its fields is a fault, not a crash, and writes nothing either.
  server.setOperator("ADMIN");
  auto semCampos = std::make_shared<Packet>();
  semCampos->fields = {appserver::textField("CDSERVFILI", 5)};
  semCampos->rows = {{Variant("00001")}};
  EXPECT_ANY_THROW(call("ExportaDistribuicao", {"0001", "00001", "", "", Variant(PacketPtr(semCampos)), ""}));
  EXPECT_EQ(everything(), antes);
}

// The transfers in the terms a user sees them: each menu line of a service named by its dish type
// and its occurrence among that type's lines ("03#1" is the second line of dish type 03).
class TransfEmbalPropTest : public TransfEmbalTest {
 protected:
  struct Ponto {
    std::string f, s, c, d;
  };
  std::map<long long, std::string> chavesLinhas(const std::string& f, const std::string& s) {
    std::map<long long, std::string> out;
    std::map<std::string, int> vistas;
    for (const auto& r : sql("SELECT NRSEQCNFCARD, CDTIPOPRAT FROM CNFCARD WHERE CDFILIAL = :F AND CDSERVFILI = :S"
                             " ORDER BY NRORDCNFCARD, NRSEQCNFCARD",
                             {{"F", f}, {"S", s}})
                             .rows)
      out[r[0].asInt()] = r[1].asString() + "#" + std::to_string(vistas[r[1].asString()]++);
    return out;
  }
  // Packages in group order as "code/container:key key ...", keys sorted.
  std::vector<std::string> dist(const Ponto& p) {
    auto chaves = chavesLinhas(p.f, p.s);
    db::Params k{{"F", p.f}, {"S", p.s}, {"C", p.c}, {"D", p.d}};
    std::vector<std::string> out;
    for (const auto& g : sql("SELECT NRGRUPO, CDCNFDISTEMBSERV, CDCONTAINER FROM CNFDISTEMBSERV WHERE CDFILIAL = :F"
                             " AND CDSERVFILI = :S AND CDCLIENTE = :C AND CDDESTFILI = :D ORDER BY NRGRUPO",
                             k)
                             .rows) {
      db::Params q = k;
      q.push_back({"G", g[0]});
      std::set<std::string> linhas;
      for (const auto& l : sql("SELECT NRSEQCNFCARD FROM CNFDISTEMBTP WHERE CDFILIAL = :F AND CDSERVFILI = :S"
                               " AND CDCLIENTE = :C AND CDDESTFILI = :D AND NRGRUPO = :G",
                               q)
                               .rows)
        linhas.insert(chaves[l[0].asInt()]);
      std::string e = g[1].asString() + "/" + (g[2].isNull() ? "" : g[2].asString()) + ":";
      for (const std::string& l : linhas) e += " " + l;
      out.push_back(e);
    }
    return out;
  }
  // Restrictions by line key: "container/minimum/order ...".
  std::map<std::string, std::string> rest(const Ponto& p) {
    auto chaves = chavesLinhas(p.f, p.s);
    std::map<std::string, std::string> out;
    for (const auto& r : sql("SELECT R.NRSEQCNFCARD, C.CDCONTAINER, C.VRMINCONTAINER, C.NRORDEM FROM RESTEMBTPPRAT R"
                             " JOIN RESTEMBCONT C ON C.NRRESTEMBTPPRAT = R.NRRESTEMBTPPRAT WHERE R.CDFILIAL = :F"
                             " AND R.CDSERVFILI = :S AND R.CDCLIENTE = :C AND R.CDDESTFILI = :D"
                             " ORDER BY C.NRORDEM, C.CDCONTAINER",
                             {{"F", p.f}, {"S", p.s}, {"C", p.c}, {"D", p.d}})
                             .rows)
      out[chaves[r[0].asInt()]] += r[1].asString() + "/" + (r[2].isNull() ? "-" : std::to_string(r[2].asFloat())) +
                                   "/" + std::to_string(r[3].asInt()) + " ";
    return out;
  }
  // Writes a random configuration at a delivery point: `grupos[i]` places line i + 1 in that
  // package (0: none), `restricoes[i]` gives it a restriction of that kind (0: none).
  void configura(db::Database& db, const Ponto& p, const std::vector<int>& grupos, const std::vector<int>& restricoes,
                 long long& numero) {
    static const char* codigos[] = {"MX08", "GN12", "DIST"};
    db::Params k{{"F", p.f}, {"S", p.s}, {"C", p.c}, {"D", p.d}};
    for (int g = 1; g <= 3; ++g) {
      if (std::find(grupos.begin(), grupos.end(), g) == grupos.end()) continue;
      db::Params q = k;
      q.push_back({"G", Variant(static_cast<long long>(g))});
      q.push_back({"E", codigos[g - 1]});
      q.push_back({"K", g == 3 ? Variant() : Variant(codigos[g - 1])});
      db.exec(
          "INSERT INTO CNFDISTEMBSERV (CDFILIAL, CDSERVFILI, CDCLIENTE, CDDESTFILI, NRGRUPO, CDCNFDISTEMBSERV, "
          "CDCONTAINER)"
          " VALUES (:F, :S, :C, :D, :G, :E, :K)",
          q);
    }
    for (size_t i = 0; i < grupos.size(); ++i) {
      db::Params q = k;
      q.push_back({"Q", Variant(static_cast<long long>(i + 1))});
      if (grupos[i] > 0) {
        q.push_back({"G", Variant(static_cast<long long>(grupos[i]))});
        db.exec(
            "INSERT INTO CNFDISTEMBTP (CDFILIAL, CDSERVFILI, CDCLIENTE, CDDESTFILI, NRSEQCNFCARD, NRGRUPO)"
            " VALUES (:F, :S, :C, :D, :Q, :G)",
            q);
        q.pop_back();
      }
      if (restricoes[i] == 0) continue;
      q.push_back({"N", Variant(++numero)});
      db.exec(
          "INSERT INTO RESTEMBTPPRAT (NRRESTEMBTPPRAT, CDFILIAL, CDSERVFILI, CDCLIENTE, CDDESTFILI, NRSEQCNFCARD)"
          " VALUES (:N, :F, :S, :C, :D, :Q)",
          q);
      db.exec(
          "INSERT INTO RESTEMBCONT (NRRESTEMBTPPRAT, CDCONTAINER, VRMINCONTAINER, NRORDEM) VALUES (:N, :K, :M, 1)",
          {{"N", Variant(numero)}, {"K", restricoes[i] == 1 ? "GN11" : "CT50"}, {"M", Variant(double(restricoes[i]))}});
    }
  }
};

// Runs a property a bounded number of times (the suite runs it on each backend).
template <class Propriedade>
void verifica(int casos, Propriedade&& propriedade) {
  rc::detail::TestParams params = rc::detail::configuration().testParams;
  params.maxSuccess = casos;
  rc::detail::TestMetadata meta;
  meta.id = meta.description = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  auto resultado = rc::detail::checkTestable(std::forward<Propriedade>(propriedade), meta, params);
  if (resultado.template is<rc::detail::SuccessResult>()) {
    rc::detail::printResultMessage(resultado, std::cout);  // how the cases fell (their tags)
    std::cout << std::endl;
  } else {
    std::ostringstream texto;
    rc::detail::printResultMessage(resultado, texto);
    ADD_FAILURE() << texto.str();
  }
}

// For random menus, configurations, origins and destinations, every transfer either leaves each
// destination equal to the origin's configuration carried over by dish type, or refuses with a
// text and changes nothing; it answers success only when it wrote something everywhere.
TEST_P(TransfEmbalPropTest, TransferCopiesByDishTypeOrChangesNothing) {
  verifica(40, [&] {
    // The destination service's menu: eight lines of random dish types, some never in the origin.
    auto tipos = *rc::gen::container<std::vector<std::string>>(
        8, rc::gen::elementOf(std::vector<std::string>{"01", "03", "03", "05", "09", "10"}));
    // Values drawn evenly whatever the case's size (rapidcheck draws small ones first otherwise).
    auto uniforme = [](int de, int ate) { return rc::gen::resize(100, rc::gen::inRange(de, ate)); };
    auto aleatorio = [&](int maximo) { return *rc::gen::container<std::vector<int>>(8, uniforme(0, maximo + 1)); };
    Ponto origem =
        *rc::gen::arbitrary<bool>() ? Ponto{"0001", "00001", "000001", "001"} : Ponto{"0001", "00001", "", ""};
    std::vector<Ponto> pontos2{
        {"0002", "00001", "", ""}, {"0002", "00001", "000003", "001"}, {"0002", "00001", "000003", "002"}};
    {
      // The case's configuration in one transaction (a commit per statement makes the case slow).
      auto conexao = server.pool().acquire();
      db::Transaction t(*conexao);
      for (size_t i = 0; i < tipos.size(); ++i)
        conexao->exec(
            "UPDATE CNFCARD SET CDTIPOPRAT = :T WHERE CDFILIAL = '0002' AND CDSERVFILI = '00001'"
            " AND NRSEQCNFCARD = :N",
            {{"T", tipos[i]}, {"N", Variant(static_cast<long long>(i + 1))}});
      for (const char* tabela : {"RESTEMBCONT", "RESTEMBTPPRAT", "CNFDISTEMBTP", "CNFDISTEMBSERV"})
        conexao->exec(std::string("DELETE FROM ") + tabela);
      long long numero = 900000;
      configura(*conexao, origem, aleatorio(3), aleatorio(2), numero);
      for (const Ponto& p : pontos2) configura(*conexao, p, aleatorio(3), aleatorio(2), numero);
      t.commit();
    }

    int operacao = *uniforme(0, 4);  // import / export of distribution / restrictions
    bool restricoes = operacao >= 2, exporta = operacao % 2 == 1;
    std::set<std::string> selecao = *rc::gen::container<std::set<std::string>>(
        rc::gen::elementOf(std::vector<std::string>{"01", "02", "03", "04", "05", "06", "07", "09", "10"}));
    std::string textoSelecao = "_";
    for (const std::string& t : selecao) textoSelecao += t + "_";

    std::vector<Ponto> destinos;
    std::vector<RpcArg> args{origem.f, origem.s, origem.c, origem.d};
    if (restricoes) args.push_back(textoSelecao);
    if (!exporta) {
      destinos.push_back(pontos2[*uniforme(0, 2)]);
      for (const std::string& v : {destinos[0].f, destinos[0].s, destinos[0].c, destinos[0].d}) args.push_back(v);
    } else {
      // One service of a branch: the origin's own (which is left out) or the other branch's.
      bool propria = *rc::gen::arbitrary<bool>();
      std::string filial = propria ? "0001" : "0002";
      std::vector<Ponto> pontos = propria ? std::vector<Ponto>{{"0001", "00001", "000001", "001"},
                                                               {"0001", "00001", "000001", "002"},
                                                               {"0001", "00001", "000002", "003"}}
                                          : std::vector<Ponto>{pontos2[1], pontos2[2]};
      bool nivel = *rc::gen::arbitrary<bool>(), todos = *rc::gen::arbitrary<bool>();
      std::string lista = "_";
      if (nivel) destinos.push_back({filial, "00001", "", ""});
      for (const Ponto& p : pontos)
        if (todos || *rc::gen::arbitrary<bool>()) {
          destinos.push_back(p);
          if (!todos) lista += p.d + p.c + "_";
        }
      destinos.erase(
          std::remove_if(destinos.begin(), destinos.end(),
                         [&](const Ponto& d) { return d.f == origem.f && d.c == origem.c && d.d == origem.d; }),
          destinos.end());
      args.push_back(Variant(servicos(filial, {{"00001", nivel ? "S" : "N", todos ? "S" : "N"}})));
      args.push_back(todos ? std::string() : "00001=" + lista + "\n");
    }

    // What each destination should hold afterwards, in dish-type terms.
    auto chavesDestino = [&](const Ponto& d) {
      std::set<std::string> out;
      for (const auto& [seq, chave] : chavesLinhas(d.f, d.s)) out.insert(chave);
      return out;
    };
    auto tipoDe = [](const std::string& chave) { return chave.substr(0, 2); };
    bool copiavel = !destinos.empty();
    std::vector<std::vector<std::string>> esperadaDist;
    std::vector<std::map<std::string, std::string>> esperadaRest;
    std::map<std::string, std::string> restOrigem = rest(origem);
    std::vector<std::string> distOrigem = dist(origem);
    for (const Ponto& d : destinos) {
      std::set<std::string> chaves = chavesDestino(d);
      std::vector<std::string> pacotes;
      for (const std::string& e : distOrigem) {
        std::string codigo = e.substr(0, e.find(':') + 1), linhas;
        std::istringstream in(e.substr(e.find(':') + 1));
        for (std::string l; in >> l;)
          if (chaves.count(l)) linhas += " " + l;
        if (!linhas.empty()) pacotes.push_back(codigo + linhas);
      }
      std::map<std::string, std::string> restricoesD = rest(d);
      bool algumaRestricao = false;
      for (const std::string& t : selecao)
        for (auto it = restricoesD.begin(); it != restricoesD.end();)
          it = tipoDe(it->first) == t ? restricoesD.erase(it) : std::next(it);
      for (const auto& [chave, conteudo] : restOrigem)
        if (selecao.count(tipoDe(chave)) && chaves.count(chave)) {
          restricoesD[chave] = conteudo;
          algumaRestricao = true;
        }
      copiavel = copiavel && (restricoes ? algumaRestricao : !pacotes.empty());
      esperadaDist.push_back(pacotes);
      esperadaRest.push_back(restricoesD);
    }

    std::string antes = everything();
    static const char* metodos[] = {"ImportaDistribuicao", "ExportaDistribuicao", "ImportaRestricoes",
                                    "ExportaRestricoes"};
    Variant r = call(metodos[operacao], args);
    RC_ASSERT(r.isArray() && r.asArray().size() == 2);
    bool sucesso = r.asArray()[0].asBool();
    RC_TAG(std::string(metodos[operacao]) + (sucesso ? " grava" : " recusa"));
    RC_ASSERT(sucesso == copiavel);
    if (!sucesso) {
      RC_ASSERT(!r.asArray()[1].asString().empty());
      RC_ASSERT(everything() == antes);
      return;
    }
    RC_ASSERT(r.asArray()[1].asFloat() > 0);
    for (size_t i = 0; i < destinos.size(); ++i) {
      if (restricoes)
        RC_ASSERT(rest(destinos[i]) == esperadaRest[i]);
      else
        RC_ASSERT(dist(destinos[i]) == esperadaDist[i]);
    }
    RC_ASSERT(dist(origem) == distOrigem);
    RC_ASSERT(rest(origem) == restOrigem);
  });
}

INSTANTIATE_TEST_SUITE_P(Db, TransfEmbalTest, ::testing::ValuesIn(test::backends()), test::BackendName());
INSTANTIATE_TEST_SUITE_P(Db, TransfEmbalPropTest, ::testing::ValuesIn(test::backends()), test::BackendName());

}  // namespace
}  // namespace cad
