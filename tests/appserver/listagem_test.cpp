// The reads of the service listing on both backends: the branches and services offered for
// choosing (by group, by branch list, one branch), the report's rows for each choice of its
// parameters, and what an operator without access to a branch never sees.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/appserver/method_fixture.h"

namespace cad {
namespace {

class ListagemTest : public test::MethodTest {
 protected:
  // One column of a checkable packet result, its values joined by spaces.
  std::string coluna(const Variant& result, const std::string& campo) {
    Variant p = payload(result);
    return p.isPacket() ? column(p.asPacket(), campo) : "";
  }
  Variant pedeRelatorio(const std::string& grupo, const std::string& todosGrupos, const std::string& filial,
                        const std::string& servico) {
    auto p = std::make_shared<Packet>();
    for (const char* n : {"P_CDGRUPFILI", "P_TCDGRUPFILI", "L_FILIAL", "L_FILISERV"})
      p->fields.push_back(FieldDef{n, FieldType::String, 0, false, false});
    p->rows.push_back({Variant(grupo), Variant(todosGrupos), Variant(filial), Variant(servico)});
    return call("GetDadosRel", {"GER041", Variant(p)});
  }
  // The report's rows as branch and service codes joined ("000100001 ...").
  std::string relatorio(const std::string& grupo, const std::string& todosGrupos, const std::string& filial,
                        const std::string& servico) {
    Variant r = payload(pedeRelatorio(grupo, todosGrupos, filial, servico));
    std::string out;
    for (size_t i = 0; r.isPacket() && i < r.asPacket().rowCount(); ++i)
      out += (i ? " " : "") + r.asPacket().value(i, "CDFILIAL").asString() +
             r.asPacket().value(i, "CDSERVFILI").asString();
    return out;
  }
};

const char* const kTodos = "000100001 000100002 000100003 000100090 000200001 000200004 000300010 000300011 000300091";

TEST_P(ListagemTest, FiliaisDoGrupoOuTodas) {
  EXPECT_EQ(coluna(call("GetFiliPorGrup", {""}), "CDFILIAL"), "0001 0002 0003");
  EXPECT_EQ(coluna(call("GetFiliPorGrup", {"0000000001"}), "CDFILIAL"), "0001 0002");
  EXPECT_EQ(coluna(call("GetFiliPorGrup", {"9999999999"}), "CDFILIAL"), "");
  server.setOperator("JOAO");  // no access to 0002
  EXPECT_EQ(coluna(call("GetFiliPorGrup", {""}), "CDFILIAL"), "0001 0003");
}

TEST_P(ListagemTest, ServicosPorGrupoEFiliais) {
  struct Caso {
    const char *grupo, *todosGrupos, *lista, *todasFiliais, *chaves;
  } casos[] = {
      {"", "T", "", "T", kTodos},
      {"0000000002", "", "", "T", "000300010 000300011 000300091"},
      {"", "T", "_0002_0003_", "", "000200001 000200004 000300010 000300011 000300091"},
      {"0000000001", "", "_0002_0003_", "", "000200001 000200004"},
      {" ", "T", "0002", " ", "000200001 000200004"},  // one branch code (branch module)
      {"", "T", "", "", ""},
  };
  for (const Caso& c : casos)
    EXPECT_EQ(coluna(call("GetServPorGrup", {c.grupo, c.todosGrupos, c.lista, c.todasFiliais}), "L_FILISERV"), c.chaves)
        << c.grupo << "|" << c.todosGrupos << "|" << c.lista << "|" << c.todasFiliais;
  server.setOperator("JOAO");
  EXPECT_EQ(coluna(call("GetServPorGrup", {"", "T", "_0002_", ""}), "L_FILISERV"), "");
}

TEST_P(ListagemTest, LinhasDoRelatorioPorEscolha) {
  struct Caso {
    const char *grupo, *todosGrupos, *filial, *servico, *chaves;
  } casos[] = {
      {"", "T", "T", "T", kTodos},
      {"0000000002", "", "T", "T", "000300010 000300011 000300091"},
      {"", "T", "_0002_", "T", "000200001 000200004"},
      {"", "T", "0003", "T", "000300010 000300011 000300091"},
      {"", "T", "T", "_000100002_000300011_", "000100002 000300011"},
      {"0000000001", "", "_0001_0003_", "T", "000100001 000100002 000100003 000100090"},
      {"", "T", "_0%_", "T", ""},  // a wildcard in a list names no branch
  };
  for (const Caso& c : casos)
    EXPECT_EQ(relatorio(c.grupo, c.todosGrupos, c.filial, c.servico), c.chaves)
        << c.grupo << "|" << c.todosGrupos << "|" << c.filial << "|" << c.servico;
  server.setOperator("JOAO");
  EXPECT_EQ(relatorio("", "T", "T", "T"), "000100001 000100002 000100003 000100090 000300010 000300011 000300091");
}

TEST_P(ListagemTest, RelatorioRecusaConsultaOuParametroAusente) {
  auto p = std::make_shared<Packet>();
  p->fields.push_back(FieldDef{"L_FILIAL", FieldType::String, 0, false, false});
  p->rows.push_back({Variant("T")});
  EXPECT_EQ(refusal(call("GetDadosRel", {"GER041", Variant(p)})), "Parâmetro P_CDGRUPFILI do relatório não informado.");
  EXPECT_EQ(refusal(call("GetDadosRel", {"XYZ", Variant(p)})), "Consulta de relatório 'XYZ' desconhecida.");
  EXPECT_EQ(refusal(pedeRelatorio("", "T", std::string(70000, '_'), "T")),
            "Parâmetro L_FILIAL do relatório longo demais.");
}

INSTANTIATE_TEST_SUITE_P(Db, ListagemTest, ::testing::ValuesIn(test::backends()), test::BackendName());

}  // namespace
}  // namespace cad
