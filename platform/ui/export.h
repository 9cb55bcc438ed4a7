// Grid export: writes what a grid shows (every row, the visible columns, the title row first)
// to a CSV or XLSX file. One writer serves every host: the desktop asks only for the path and
// the format, the driver's `export` command names them.
//
//  - CSV: UTF-8 without a byte-order mark, ";" between cells, CRLF line ends; a cell holding
//    ";", a quote or a line break is quoted (quotes doubled). Cells are the grid's texts.
//  - XLSX: one sheet; the title rows in bold. A data grid cell whose shown text is its field's
//    display text is written typed: numbers as numbers and dates as dates, with the field's
//    display format (the session's date format when it has none); every other cell as the text
//    shown.
//  - The file is written beside the target and renamed over it once complete, so a failure
//    leaves no partial file; a failure throws cad::Exception with the reason.
#pragma once

#include <string>
#include <string_view>

namespace cad {

class TCustomGrid;

enum class ExportFormat { Csv, Xlsx };

// "csv"/"xlsx" (any case) -> format; false when unknown.
bool ExportFormatFromName(std::string_view name, ExportFormat& out);

void ExportGrid(TCustomGrid& grid, const std::string& path, ExportFormat format);

}  // namespace cad
