// Report definitions and the band layout into pages (rules in report.h).
#include "platform/report/report.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "platform/core/datetime.h"
#include "platform/core/format.h"

#ifndef CADSERV_REPORTS_DIR
#define CADSERV_REPORTS_DIR "reports"
#endif

namespace cad::report {

namespace {

using json = nlohmann::json;

constexpr size_t kMaxDefinitionBytes = size_t{1024} * 1024;

bool codeOk(const std::string& code) {
  if (code.empty() || code.size() > 64) return false;
  for (char c : code)
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_')) return false;
  return true;
}

Align alignOf(const std::string& s) {
  if (s == "center") return Align::Center;
  if (s == "right") return Align::Right;
  return Align::Left;
}
const char* alignName(Align a) { return a == Align::Center ? "center" : a == Align::Right ? "right" : "left"; }

Band bandOf(const json& j) {
  Band b;
  if (j.is_null()) return b;
  b.height = j.value("height", 0.0);
  for (const json& e : j.value("elements", json::array())) {
    Element el;
    el.x = e.value("x", 0.0);
    el.width = e.value("width", 0.0);
    el.text = e.value("text", std::string());
    el.size = e.value("size", 9.0);
    el.bold = e.value("bold", false);
    el.align = alignOf(e.value("align", std::string("left")));
    el.line = e.value("line", false);
    el.y = e.value("y", -1.0);
    el.height = e.value("height", 0.0);
    b.elements.push_back(std::move(el));
  }
  return b;
}

json bandJson(const Band& b) {
  json els = json::array();
  for (const Element& e : b.elements) {
    json j{{"x", e.x}, {"width", e.width}};
    if (e.line) {
      j["line"] = true;
      if (e.y >= 0) j["y"] = e.y;
    } else {
      j["text"] = e.text;
      if (e.y >= 0) j["y"] = e.y;
      if (e.height > 0) j["height"] = e.height;
      j["size"] = e.size;
      if (e.bold) j["bold"] = true;
      j["align"] = alignName(e.align);
    }
    els.push_back(std::move(j));
  }
  return json{{"height", b.height}, {"elements", std::move(els)}};
}

std::string& folderSetting() {
  static std::string folder = [] {
    const char* env = std::getenv("CADSERV_REPORTS");
    return std::string(env && *env ? env : CADSERV_REPORTS_DIR);
  }();
  return folder;
}

}  // namespace

bool Definition::HasParam(const std::string& name) const {
  for (const std::string& p : queryParams)
    if (sameText(p, name)) return true;
  return false;
}

DefinitionMissing::DefinitionMissing(std::string code, std::string folder)
    : Exception("Relatório " + code + " não encontrado em " + folder),
      code_(std::move(code)),
      folder_(std::move(folder)) {}

const std::string& ReportsFolder() { return folderSetting(); }
void SetReportsFolder(std::string folder) { folderSetting() = std::move(folder); }

Definition ParseDefinition(const std::string& text, const std::string& origin) {
  json j;
  try {
    j = json::parse(text);
  } catch (const json::exception& e) {
    throw Exception("Definição de relatório inválida (" + origin + "): " + e.what());
  }
  try {
    Definition d;
    d.code = j.at("code").get<std::string>();
    d.title = j.value("title", std::string());
    if (j.contains("page")) {
      const json& p = j["page"];
      d.pageWidth = p.value("width", d.pageWidth);
      d.pageHeight = p.value("height", d.pageHeight);
      d.margin = p.value("margin", d.margin);
    }
    if (d.pageWidth < 50 || d.pageWidth > 2000 || d.pageHeight < 50 || d.pageHeight > 2000 || d.margin < 0 ||
        2 * d.margin >= std::min(d.pageWidth, d.pageHeight))
      throw Exception("página de tamanho inválido");
    const json& q = j.at("query");
    d.queryName = q.at("name").get<std::string>();
    d.queryParams = q.value("params", std::vector<std::string>{});
    d.groupField = j.value("group", std::string());
    const json& b = j.value("bands", json::object());
    auto band = [&](const char* name) { return b.contains(name) ? bandOf(b[name]) : Band{}; };
    d.titleBand = band("title");
    d.pageHeader = band("pageHeader");
    d.groupHeader = band("groupHeader");
    d.detail = band("detail");
    d.groupFooter = band("groupFooter");
    d.summary = band("summary");
    d.pageFooter = band("pageFooter");
    return d;
  } catch (const json::exception& e) {
    throw Exception("Definição de relatório inválida (" + origin + "): " + e.what());
  } catch (const Exception& e) {
    throw Exception("Definição de relatório inválida (" + origin + "): " + e.what());
  }
}

std::string DefinitionJson(const Definition& d) {
  json j{{"code", d.code},
         {"title", d.title},
         {"page", {{"width", d.pageWidth}, {"height", d.pageHeight}, {"margin", d.margin}}},
         {"query", {{"name", d.queryName}, {"params", d.queryParams}}}};
  if (!d.groupField.empty()) j["group"] = d.groupField;
  json b = json::object();
  auto put = [&](const char* name, const Band& band) {
    if (band.present()) b[name] = bandJson(band);
  };
  put("title", d.titleBand);
  put("pageHeader", d.pageHeader);
  put("groupHeader", d.groupHeader);
  put("detail", d.detail);
  put("groupFooter", d.groupFooter);
  put("summary", d.summary);
  put("pageFooter", d.pageFooter);
  j["bands"] = std::move(b);
  return j.dump(2);
}

Definition LoadDefinition(const std::string& folder, const std::string& code) {
  if (!codeOk(code)) throw DefinitionMissing(code, folder);
  const std::string path = folder + "/" + code + ".json";
  std::ifstream in(path, std::ios::binary);
  if (!in) throw DefinitionMissing(code, folder);
  std::string text;
  text.resize(kMaxDefinitionBytes + 1);
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<size_t>(in.gcount()));
  if (text.size() > kMaxDefinitionBytes) throw Exception("Definição de relatório grande demais: " + path);
  return ParseDefinition(text, path);
}

std::string FormatValue(const Variant& v, const std::string& fmt) {
  if (v.isNull()) return {};
  if (fmt.empty()) {
    if (v.isDateTime()) return formatDate(v.asDateTime(), formatSettings().shortDateFormat);
    if (v.isNumber()) return floatToStr(v.asFloat());
    return v.asString();
  }
  if (fmt == "hora") {
    std::string s = trim(v.asString());
    return s.size() == 4 && isAllDigits(s) ? s.substr(0, 2) + ":" + s.substr(2) : s;
  }
  if (fmt == "data")
    return v.isDateTime() ? formatDate(v.asDateTime(), formatSettings().shortDateFormat) : v.asString();
  if (fmt == "sn") {
    std::string s = trim(v.asString());
    return s == "S" ? "Sim" : s == "N" ? "Não" : s;
  }
  if (fmt.rfind("map=", 0) == 0) {
    const std::string s = trim(v.asString());
    std::stringstream items(fmt.substr(4));
    std::string item;
    while (std::getline(items, item, ',')) {
      size_t colon = item.find(':');
      if (colon != std::string::npos && item.substr(0, colon) == s) return item.substr(colon + 1);
    }
    return s;
  }
  if (v.isNumber()) return formatFloat(fmt, v.asFloat());
  if (auto n = parseFloat(v.asString())) return formatFloat(fmt, *n);
  return v.asString();
}

std::string Document::PlainText() const {
  std::string out;
  for (const Page& p : pages) {
    for (const PlacedText& t : p.texts) out += t.text + "\n";
    out += "\f";
  }
  return out;
}

// ---- layout

namespace {

constexpr const char* kPageMark = "\x01PAGINAS\x01";  // replaced by the page count at the end

class Layouter {
 public:
  Layouter(const Definition& def, const Packet& rows, const Context& ctx) : def_(def), rows_(rows), ctx_(ctx) {
    doc_.code = def.code;
    doc_.title = ctx.title.empty() ? def.title : ctx.title;
    doc_.width = def.pageWidth;
    doc_.height = def.pageHeight;
    top_ = def.margin;
    bottom_ = def.pageHeight - def.margin - def.pageFooter.height;
    double room = bottom_ - top_ - def.pageHeader.height;
    for (const Band* b : {&def.titleBand, &def.groupHeader, &def.detail, &def.groupFooter, &def.summary})
      if (b->height > room || (b == &def.groupHeader && b->height + def.detail.height > room))
        throw Exception("Relatório " + def.code + ": uma faixa não cabe na página.");
    groupIndex_ = def.groupField.empty() ? -1 : rows.fieldIndex(def.groupField);
    if (!def.groupField.empty() && groupIndex_ < 0)
      throw Exception("Relatório " + def.code + ": campo de grupo " + def.groupField + " ausente dos dados.");
  }

  Document Run() {
    // Page 1 opens with the title, above the page header.
    doc_.pages.emplace_back();
    y_ = top_;
    place(def_.titleBand, -1);
    place(def_.pageHeader, -1);
    const size_t n = rows_.rowCount();
    for (size_t r = 0; r < n; ++r) {
      bool opens = groupIndex_ >= 0 && (r == 0 || !sameGroup(r - 1, r));
      if (opens) {
        groupCount_ = countGroup(r);
        // The group header goes with the group's first row.
        fit(def_.groupHeader.height + def_.detail.height);
        place(def_.groupHeader, static_cast<long>(r));
      }
      fit(def_.detail.height);
      place(def_.detail, static_cast<long>(r));
      bool closes = groupIndex_ >= 0 && (r + 1 == n || !sameGroup(r, r + 1));
      if (closes) {
        fit(def_.groupFooter.height);
        place(def_.groupFooter, static_cast<long>(r));
      }
    }
    groupCount_ = static_cast<long>(n);
    fit(def_.summary.height);
    place(def_.summary, n ? static_cast<long>(n - 1) : -1);
    closePage();
    const std::string total = std::to_string(doc_.pages.size());
    for (Page& p : doc_.pages)
      for (PlacedText& t : p.texts)
        for (size_t at; (at = t.text.find(kPageMark)) != std::string::npos;)
          t.text.replace(at, std::string(kPageMark).size(), total);
    return std::move(doc_);
  }

 private:
  bool sameGroup(size_t a, size_t b) const {
    const auto i = static_cast<size_t>(groupIndex_);
    return rows_.rows[a][i].asString() == rows_.rows[b][i].asString();
  }
  long countGroup(size_t from) const {
    size_t to = from + 1;
    while (to < rows_.rowCount() && sameGroup(from, to)) ++to;
    return static_cast<long>(to - from);
  }

  void newPage() {
    doc_.pages.emplace_back();
    y_ = top_;
    place(def_.pageHeader, lastRow_);
  }
  void closePage() {
    // The page footer sits at the bottom margin whatever the page holds.
    double keep = y_;
    y_ = bottom_;
    place(def_.pageFooter, lastRow_);
    y_ = keep;
  }
  void fit(double height) {
    if (height > 0 && y_ + height > bottom_ + 1e-9) {
      closePage();
      newPage();
    }
  }

  void place(const Band& band, long row) {
    if (!band.present()) return;
    if (row >= 0) lastRow_ = row;
    Page& page = doc_.pages.back();
    for (const Element& e : band.elements) {
      if (e.line) {
        double y = y_ + (e.y >= 0 ? std::min(e.y, band.height) : band.height / 2);
        page.lines.push_back({def_.margin + e.x, y, def_.margin + e.x + e.width, y});
        continue;
      }
      const double top = e.y >= 0 ? std::min(e.y, band.height) : 0;
      const double height = e.height > 0 ? std::min(e.height, band.height - top) : band.height - top;
      std::string texto = expand(e.text, row);
      if (!texto.empty())
        page.texts.push_back({def_.margin + e.x, y_ + top, e.width, height, std::move(texto), e.size, e.bold, e.align});
    }
    y_ += band.height;
  }

  std::string special(const std::string& name) const {
    if (name == "PAGINA") return std::to_string(doc_.pages.size());
    if (name == "PAGINAS") return kPageMark;
    if (name == "TITULO") return doc_.title;
    if (name == "DATA") return ctx_.date;
    if (name == "OPERADOR") return ctx_.operador;
    if (name == "CONTAGEM") return std::to_string(groupCount_);
    if (name == "TOTAL") return std::to_string(rows_.rowCount());
    return {};
  }

  // A text whose field places all come out empty prints nothing ("{HRINICSERV:hora} - {HRFINASERV:hora}"
  // of a service without hours is not a lone "-").
  std::string expand(const std::string& text, long row) const {
    std::string out;
    int campos = 0, preenchidos = 0;
    size_t i = 0;
    while (i < text.size()) {
      size_t open = text.find('{', i);
      size_t close = open == std::string::npos ? std::string::npos : text.find('}', open);
      if (close == std::string::npos) {
        out += text.substr(i);
        break;
      }
      out += text.substr(i, open - i);
      std::string inner = text.substr(open + 1, close - open - 1);
      if (inner.size() > 2 && inner.front() == '(' && inner.back() == ')') {
        out += special(inner.substr(1, inner.size() - 2));
      } else {
        size_t colon = inner.find(':');
        std::string name = inner.substr(0, colon), fmt = colon == std::string::npos ? "" : inner.substr(colon + 1);
        int f = rows_.fieldIndex(name);
        std::string valor;
        if (f >= 0 && row >= 0 && static_cast<size_t>(row) < rows_.rowCount())
          valor = FormatValue(rows_.rows[static_cast<size_t>(row)][static_cast<size_t>(f)], fmt);
        ++campos;
        preenchidos += !valor.empty();
        out += valor;
      }
      i = close + 1;
    }
    return campos > 0 && preenchidos == 0 ? std::string() : out;
  }

  const Definition& def_;
  const Packet& rows_;
  const Context& ctx_;
  Document doc_;
  double top_ = 0, bottom_ = 0, y_ = 0;
  int groupIndex_ = -1;
  long groupCount_ = 0;
  long lastRow_ = -1;
};

}  // namespace

Document Layout(const Definition& def, const Packet& rows, const Context& ctx) {
  return Layouter(def, rows, ctx).Run();
}

}  // namespace cad::report
