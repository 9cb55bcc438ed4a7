// Reports: a definition of our own per report code, read from the reports folder; the layout of a
// report's rows into pages of positioned texts and rules. Nothing here draws: a renderer
// (render.h) turns a laid-out document into preview images, printed pages or a PDF file, so the
// preview, the printout and the file always show the same pages.
//
// Definition file <folder>/<CODE>.json:
//   { "code": "GER041", "title": "Relação de Serviços",
//     "page": { "width": 297, "height": 210, "margin": 10 },           (millimetres)
//     "query": { "name": "GER041", "params": ["P_CDGRUPFILI", ...] },  (a query the server holds)
//     "group": "CDFILIAL",                                              (optional)
//     "bands": { "title": band, "pageHeader": band, "groupHeader": band, "detail": band,
//                "groupFooter": band, "summary": band, "pageFooter": band } }
//   band:    { "height": 6, "elements": [element, ...] }
//   element: { "x": 0, "width": 20, "y": 0, "height": 4, "text": "Filial {CDFILIAL} - {NMFILIAL}", "size": 9,
//              "bold": false, "align": "left|center|right" }
//            or { "line": true, "x": 0, "width": 277, "y": 1 }  (a rule; y from the band's top,
//              the band's middle when absent)
//   In a text, {NAME} is the formatted value of a field of the current row (the group's first row
//   in a group header, its last in a group footer); {NAME:fmt} formats it: "hora" (hhmm as
//   hh:mm), "data" (the session's short date), "sn" ("S" Sim, "N" Não), a number format
//   ("#,##0.00", with the session's separators), or "map=K1:Text1,K2:Text2". Names in
//   parentheses are the report's own: {(PAGINA)}, {(PAGINAS)}, {(TITULO)}, {(DATA)} (processing
//   date), {(OPERADOR)}, {(CONTAGEM)} (rows of the group), {(TOTAL)} (rows of the report).
//
// Layout rules:
//  - Page 1 starts with the title band, every page (after it) with the page header and ends with the page
//    footer (kept at the bottom margin); the group header opens each group, the group footer
//    closes it, the summary follows the last group.
//  - A band that does not fit above the page footer starts a new page; a group header never
//    stays alone at the foot of a page (it moves with the group's first row).
//  - {(PAGINAS)} is the final page count ("Página N de M" on every page).
//  - No rows: title, headers, summary and footer still print (counts are 0).
//  - A text with field places that all come out empty is left out ("{A} - {B}" never prints "-").
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/errors.h"
#include "platform/core/packet.h"

namespace cad::report {

enum class Align { Left, Center, Right };

struct Element {
  double x = 0, width = 0;  // millimetres from the left margin
  std::string text;         // with {FIELD} and {(NAME)} places
  double size = 9;          // points
  bool bold = false;
  Align align = Align::Left;
  bool line = false;  // a horizontal rule instead of a text
  double y = -1;      // from the band's top; -1 = a text fills the band, a rule sits in its middle
  double height = 0;  // a text's height; 0 = to the band's bottom
};

struct Band {
  double height = 0;  // millimetres; 0 = the band is absent
  std::vector<Element> elements;
  bool present() const { return height > 0; }
};

struct Definition {
  std::string code, title;
  double pageWidth = 210, pageHeight = 297, margin = 10;  // millimetres
  std::string queryName;
  std::vector<std::string> queryParams;
  std::string groupField;
  Band titleBand, pageHeader, groupHeader, detail, groupFooter, summary, pageFooter;

  bool HasParam(const std::string& name) const;  // without regard to letter case
};

// The definition file of a report code is missing from the folder.
class DefinitionMissing : public Exception {
 public:
  DefinitionMissing(std::string code, std::string folder);
  const std::string& Code() const { return code_; }
  const std::string& Folder() const { return folder_; }

 private:
  std::string code_, folder_;
};

// Reads <folder>/<code>.json. Throws DefinitionMissing when there is no such file, cad::Exception
// naming the file and the fault for a malformed one. Codes are letters, digits, '-' and '_'.
Definition LoadDefinition(const std::string& folder, const std::string& code);
Definition ParseDefinition(const std::string& json, const std::string& origin = "relatório");
std::string DefinitionJson(const Definition& def);  // the file form (ParseDefinition reads it back)

// The folder reports are read from: set by the host (its --reports option), else the
// CADSERV_REPORTS environment variable, else the folder the build assembled.
const std::string& ReportsFolder();
void SetReportsFolder(std::string folder);

// ---- laid-out document

struct PlacedText {
  double x, y, width, height;  // millimetres from the page's top left corner
  std::string text;
  double size;
  bool bold;
  Align align;
};
struct PlacedLine {
  double x1, y1, x2, y2;
};
struct Page {
  std::vector<PlacedText> texts;
  std::vector<PlacedLine> lines;
};
struct Document {
  std::string code, title;
  double width = 210, height = 297;  // millimetres
  std::vector<Page> pages;
  // Every text of the document, page by page and line by line (for checks and logs).
  std::string PlainText() const;
};

struct Context {
  std::string title;  // "" = the definition's
  std::string date;   // processing date as shown
  std::string operador;
};

// Lays the rows (in the packet's order; a group is a run of equal group-field values) out into
// pages. Throws cad::Exception when a band is taller than the page's room between header and
// footer (the report could never be printed).
Document Layout(const Definition& def, const Packet& rows, const Context& ctx);

// The text of one field value formatted as {NAME:fmt} says (fmt empty: as stored).
std::string FormatValue(const Variant& value, const std::string& fmt);

}  // namespace cad::report
