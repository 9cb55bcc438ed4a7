// The one renderer of laid-out reports (report.h): the same drawing code makes the preview's page
// images, the pages sent to a printer and PDF files. It uses cairo (a PDF surface for files, an
// image surface for pages), so it needs no display and no user-interface toolkit.
//
// Rules: texts are drawn in one sans-serif face at their size in points; a text wider than its
// element is cut and ends with "…" (never spills into its neighbour); the page is white.
#pragma once

#include <string>
#include <vector>

#include "platform/report/report.h"

namespace cad::report {

// Writes the document as a PDF file of vector pages of the document's size. Throws cad::Exception
// when the file cannot be written (the path is not left half written: it is written under a
// temporary name and renamed).
void WritePdf(const Document& doc, const std::string& path);

// One page as an image of 32-bit premultiplied ARGB pixels in native byte order (QImage's
// Format_ARGB32_Premultiplied), `stride` bytes per row, at `pixelsPerMm` (about 3.78 for 96 dpi).
struct PageImage {
  int width = 0, height = 0, stride = 0;
  std::vector<unsigned char> pixels;
};
PageImage RenderPage(const Document& doc, size_t page, double pixelsPerMm);

// Writes a page image as a PNG file (previews saved by tests and tools).
void WritePng(const PageImage& image, const std::string& path);

}  // namespace cad::report
