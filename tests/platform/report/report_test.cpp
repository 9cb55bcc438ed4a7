// The report engine without a screen: definitions read and written back, the band layout into
// pages (page numbers, group runs and counts, bands kept together, a band that can never fit),
// field formats in the session's locale, and the renderer's PDF (read back with pdftotext) and
// page images.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/core/datetime.h"
#include "platform/core/format.h"
#include "platform/report/render.h"
#include "platform/report/report.h"
#include "tests/support/files.h"

namespace cad {
namespace {

using report::Definition;

// 100 x 100 mm pages, margin 10: 80 mm between the margins, footer 10, header 10 -> 60 mm of rows.
const char* kDefinicao = R"({
  "code": "TST001", "title": "Teste",
  "page": { "width": 100, "height": 100, "margin": 10 },
  "query": { "name": "TST001", "params": ["P_A", "L_B"] },
  "group": "G",
  "bands": {
    "title": { "height": 10, "elements": [ { "x": 0, "width": 80, "text": "{(TITULO)} {(DATA)}" } ] },
    "pageHeader": { "height": 10, "elements": [ { "x": 0, "width": 80, "text": "Cabeçalho" } ] },
    "groupHeader": { "height": 5, "elements": [ { "x": 0, "width": 80, "text": "Grupo {G}" } ] },
    "detail": { "height": 5, "elements": [ { "x": 0, "width": 40, "text": "{N}" }, { "x": 0, "width": 9, "text": "{X} - {Y:hora}" }, { "x": 40, "width": 40, "text": "{V:#,##0.00}", "align": "right" } ] },
    "groupFooter": { "height": 5, "elements": [ { "x": 0, "width": 80, "text": "Fim {G}: {(CONTAGEM)}" } ] },
    "summary": { "height": 5, "elements": [ { "x": 0, "width": 80, "text": "Total: {(TOTAL)}" } ] },
    "pageFooter": { "height": 10, "elements": [ { "line": true, "x": 0, "width": 80, "y": 0 },
                                                { "x": 0, "width": 80, "text": "Página {(PAGINA)} de {(PAGINAS)}" } ] }
  }
})";

Packet linhas(const std::vector<std::pair<std::string, int>>& grupos) {
  Packet p;
  p.fields = {FieldDef{"G", FieldType::String, 4, false, false}, FieldDef{"N", FieldType::String, 10, false, false},
              FieldDef{"V", FieldType::Float, 0, false, false}};
  for (const auto& [g, n] : grupos)
    for (int i = 0; i < n; ++i)
      p.rows.push_back({Variant(g), Variant(g + "-" + std::to_string(i + 1)), Variant(1234.5 * (i + 1))});
  return p;
}

std::vector<std::string> textos(const report::Page& p) {
  std::vector<std::string> out;
  for (const auto& t : p.texts) out.push_back(t.text);
  return out;
}

TEST(ReportLayout, PaginasGruposEContagens) {
  Definition def = report::ParseDefinition(kDefinicao);
  // Page 1: title 10 + header 10 leaves 50 mm: group A (header, 3 rows, footer = 25), then group
  // B's header and rows until the page is full; group B (12 rows) runs on to page 2.
  report::Document doc = report::Layout(def, linhas({{"A", 3}, {"B", 12}}), {"", "07/12/2026", "ADMIN"});
  ASSERT_EQ(doc.pages.size(), 2u);
  std::vector<std::string> p1 = textos(doc.pages[0]);
  EXPECT_EQ(p1.front(), "Teste 07/12/2026");
  EXPECT_EQ(std::count(p1.begin(), p1.end(), "Fim A: 3"), 1);
  EXPECT_EQ(p1.back(), "Página 1 de 2");
  std::vector<std::string> p2 = textos(doc.pages[1]);
  EXPECT_EQ(p2.front(), "Cabeçalho");
  EXPECT_NE(std::find(p2.begin(), p2.end(), "Fim B: 12"), p2.end());
  EXPECT_NE(std::find(p2.begin(), p2.end(), "Total: 15"), p2.end());
  EXPECT_EQ(p2.back(), "Página 2 de 2");
  // Every row is on exactly one page, in order, and no text crosses into the footer.
  std::string todos = doc.PlainText();
  EXPECT_NE(todos.find("B-12"), std::string::npos);
  EXPECT_LT(todos.find("A-3"), todos.find("B-1\n"));
  for (const auto& page : doc.pages)
    for (const auto& t : page.texts)
      if (t.text.rfind("Página", 0) != 0) {
        EXPECT_LE(t.y + t.height, 80.0 + 1e-9) << t.text;
      }
  // A text whose fields are all empty is left out, not printed as its bare separators.
  EXPECT_EQ(todos.find(" - "), std::string::npos);
  // The footer's rule sits at the top of the footer band.
  ASSERT_EQ(doc.pages[0].lines.size(), 1u);
  EXPECT_DOUBLE_EQ(doc.pages[0].lines[0].y1, 80.0);
}

TEST(ReportLayout, CabecalhoDeGrupoNaoFicaSozinhoNoPeDaPagina) {
  Definition def = report::ParseDefinition(kDefinicao);
  // Group A fills page 1 up to 5 mm before its end: B's header alone would fit, but not with a row.
  report::Document doc = report::Layout(def, linhas({{"A", 7}, {"B", 1}}), {});
  ASSERT_EQ(doc.pages.size(), 2u);
  std::vector<std::string> p1 = textos(doc.pages[0]), p2 = textos(doc.pages[1]);
  EXPECT_EQ(std::find(p1.begin(), p1.end(), "Grupo B"), p1.end());
  EXPECT_NE(std::find(p2.begin(), p2.end(), "Grupo B"), p2.end());
}

TEST(ReportLayout, SemLinhasEFaixaQueNaoCabe) {
  Definition def = report::ParseDefinition(kDefinicao);
  report::Document vazio = report::Layout(def, linhas({}), {});
  ASSERT_EQ(vazio.pages.size(), 1u);
  EXPECT_EQ(textos(vazio.pages[0]), (std::vector<std::string>{"Teste ", "Cabeçalho", "Total: 0", "Página 1 de 1"}));
  def.detail.height = 70;
  EXPECT_THROW(report::Layout(def, linhas({{"A", 1}}), {}), Exception);
  def = report::ParseDefinition(kDefinicao);
  def.groupField = "X";
  EXPECT_THROW(report::Layout(def, linhas({{"A", 1}}), {}), Exception);
}

TEST(ReportDefinition, ArquivoAusenteInvalidoEGravadoDeVolta) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("cadserv_rel_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  EXPECT_THROW(report::LoadDefinition(dir.string(), "TST001"), report::DefinitionMissing);
  EXPECT_THROW(report::LoadDefinition(dir.string(), "../TST001"), report::DefinitionMissing);
  std::ofstream(dir / "RUIM.json") << "{ \"code\": ";
  EXPECT_THROW(report::LoadDefinition(dir.string(), "RUIM"), Exception);
  Definition def = report::ParseDefinition(kDefinicao);
  std::ofstream(dir / "TST001.json") << report::DefinitionJson(def);
  Definition lida = report::LoadDefinition(dir.string(), "TST001");
  EXPECT_EQ(report::DefinitionJson(lida), report::DefinitionJson(def));
  EXPECT_TRUE(lida.HasParam("p_a"));
  EXPECT_FALSE(lida.HasParam("P_C"));
  fs::remove_all(dir);
}

TEST(ReportFormat, ValoresNosFormatosDaSessao) {
  struct Caso {
    Variant valor;
    const char* fmt = "";
    const char* esperado = "";
  } casos[] = {
      {Variant("1130"), "hora", "11:30"},
      {Variant("11"), "hora", "11"},
      {Variant(DateTime::fromDate(2026, 12, 7)), "", "07/12/2026"},
      {Variant(1234.5), "#,##0.00", "1.234,50"},
      {Variant("N"), "sn", "Não"},
      {Variant("D"), "map=N:Corporativo,D:Hospital", "Hospital"},
      {Variant("X"), "map=N:Corporativo,D:Hospital", "X"},
      {Variant(), "hora", ""},
  };
  for (const Caso& c : casos) EXPECT_EQ(report::FormatValue(c.valor, c.fmt), c.esperado) << c.fmt;
}

TEST(ReportRender, PdfLegivelEImagemDaPagina) {
  Definition def = report::ParseDefinition(kDefinicao);
  report::Document doc = report::Layout(def, linhas({{"A", 3}, {"B", 12}}), {"Relação Çedilha", "07/12/2026", "ADMIN"});
  namespace fs = std::filesystem;
  fs::path pdf = fs::temp_directory_path() / ("cadserv_rel_" + std::to_string(::getpid()) + ".pdf");
  report::WritePdf(doc, pdf.string());
  std::string texto = test::commandOutput("pdftotext -layout '" + pdf.string() + "' -");
  for (const char* s : {"Relação Çedilha 07/12/2026", "Página 1 de 2", "Página 2 de 2", "Fim B: 12", "1.234,50"})
    EXPECT_NE(texto.find(s), std::string::npos) << s << "\n" << texto;
  fs::remove(pdf);
  EXPECT_THROW(report::WritePdf(doc, "/nao/existe/x.pdf"), Exception);

  report::PageImage img = report::RenderPage(doc, 0, 2.0);
  EXPECT_EQ(img.width, 200);
  const auto largura = static_cast<size_t>(img.width), altura = static_cast<size_t>(img.height);
  const auto passo = static_cast<size_t>(img.stride);
  size_t escuros = 0;
  for (size_t y = 0; y < altura; ++y)
    for (size_t x = 0; x < largura; ++x) escuros += img.pixels[y * passo + x * 4] < 128;
  EXPECT_GT(escuros, 100u);  // texts and rules were drawn on the white page
  EXPECT_THROW(report::RenderPage(doc, 2, 2.0), Exception);
}

}  // namespace
}  // namespace cad
