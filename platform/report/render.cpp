// The cairo renderer of laid-out reports (rules in render.h).
#include "platform/report/render.h"

#include <cairo-pdf.h>
#include <cairo.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/core/errors.h"
#include "platform/core/format.h"

namespace cad::report {

namespace {

constexpr double kMmPerPoint = 25.4 / 72.0;
constexpr const char* kFace = "DejaVu Sans";

struct CairoDeleter {
  void operator()(cairo_t* c) const { cairo_destroy(c); }
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
using CairoContext = std::unique_ptr<cairo_t, CairoDeleter>;
using Surface = std::unique_ptr<cairo_surface_t, CairoDeleter>;

double textWidth(cairo_t* cr, const std::string& s) {
  cairo_text_extents_t ext;
  cairo_text_extents(cr, s.c_str(), &ext);
  return ext.x_advance;
}

// The longest head of the text that fits the width with "…" after it.
std::string fitted(cairo_t* cr, const std::string& text, double width) {
  if (width <= 0 || textWidth(cr, text) <= width) return text;
  std::vector<std::string> chars = utf8Chars(text);
  while (!chars.empty()) {
    chars.pop_back();
    std::string head;
    for (const std::string& c : chars) head += c;
    head += "…";
    if (textWidth(cr, head) <= width) return head;
  }
  return {};
}

// Draws one page in millimetre units (the caller scales the context).
void drawPage(cairo_t* cr, const Document& doc, const Page& page) {
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_rectangle(cr, 0, 0, doc.width, doc.height);
  cairo_fill(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_set_line_width(cr, 0.25);
  for (const PlacedLine& l : page.lines) {
    cairo_move_to(cr, l.x1, l.y1);
    cairo_line_to(cr, l.x2, l.y2);
    cairo_stroke(cr);
  }
  for (const PlacedText& t : page.texts) {
    if (t.text.empty()) continue;
    cairo_select_font_face(cr, kFace, CAIRO_FONT_SLANT_NORMAL,
                           t.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, t.size * kMmPerPoint);
    std::string s = fitted(cr, t.text, t.width);
    if (s.empty()) continue;
    cairo_font_extents_t fe;
    cairo_font_extents(cr, &fe);
    double w = textWidth(cr, s);
    double x = t.x;
    if (t.align == Align::Right) x = t.x + t.width - w;
    if (t.align == Align::Center) x = t.x + (t.width - w) / 2;
    double baseline = t.y + (t.height + fe.ascent - fe.descent) / 2;
    cairo_move_to(cr, x, baseline);
    cairo_show_text(cr, s.c_str());
  }
}

void check(cairo_status_t status, const std::string& what) {
  if (status != CAIRO_STATUS_SUCCESS) throw Exception(what + ": " + cairo_status_to_string(status));
}

}  // namespace

void WritePdf(const Document& doc, const std::string& path) {
  const double mmToPt = 1.0 / kMmPerPoint;
  const std::string temp = path + ".tmp";
  {
    Surface surface(cairo_pdf_surface_create(temp.c_str(), doc.width * mmToPt, doc.height * mmToPt));
    check(cairo_surface_status(surface.get()), "Não foi possível criar o arquivo " + path);
    cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_TITLE, doc.title.c_str());
    CairoContext cr(cairo_create(surface.get()));
    cairo_scale(cr.get(), mmToPt, mmToPt);
    for (const Page& p : doc.pages) {
      drawPage(cr.get(), doc, p);
      cairo_show_page(cr.get());
    }
    cr.reset();
    cairo_surface_finish(surface.get());
    cairo_status_t status = cairo_surface_status(surface.get());
    if (status != CAIRO_STATUS_SUCCESS) {
      std::remove(temp.c_str());
      check(status, "Não foi possível gravar o arquivo " + path);
    }
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    throw Exception("Não foi possível gravar o arquivo " + path + ": " + std::strerror(errno));
  }
}

PageImage RenderPage(const Document& doc, size_t page, double pixelsPerMm) {
  if (page >= doc.pages.size()) throw Exception("Página " + std::to_string(page + 1) + " inexistente no relatório.");
  if (!(pixelsPerMm > 0.1 && pixelsPerMm <= 40)) throw Exception("Escala de página inválida.");
  PageImage img;
  img.width = static_cast<int>(std::lround(doc.width * pixelsPerMm));
  img.height = static_cast<int>(std::lround(doc.height * pixelsPerMm));
  img.stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, img.width);
  img.pixels.assign(static_cast<size_t>(img.stride) * static_cast<size_t>(img.height), 0);
  Surface surface(
      cairo_image_surface_create_for_data(img.pixels.data(), CAIRO_FORMAT_ARGB32, img.width, img.height, img.stride));
  check(cairo_surface_status(surface.get()), "Não foi possível desenhar a página");
  CairoContext cr(cairo_create(surface.get()));
  cairo_scale(cr.get(), pixelsPerMm, pixelsPerMm);
  drawPage(cr.get(), doc, doc.pages[page]);
  cr.reset();
  cairo_surface_flush(surface.get());
  return img;
}

void WritePng(const PageImage& image, const std::string& path) {
  Surface surface(cairo_image_surface_create_for_data(const_cast<unsigned char*>(image.pixels.data()),
                                                      CAIRO_FORMAT_ARGB32, image.width, image.height, image.stride));
  check(cairo_surface_status(surface.get()), "Não foi possível gravar a imagem " + path);
  check(cairo_surface_write_to_png(surface.get(), path.c_str()), "Não foi possível gravar a imagem " + path);
}

}  // namespace cad::report
