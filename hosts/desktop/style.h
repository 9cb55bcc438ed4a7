// The desktop's look in one place: the font the screens are laid out for, a control's font, the
// icons of the toolbar glyphs and of the navigator's buttons, and the pictures drawn by name.
#pragma once

#include <QFont>
#include <QIcon>
#include <QRect>
#include <QString>

#include <string>

class QPainter;

namespace cad {
class TControl;
}

namespace cad::desktop::style {

// The font the screens are laid out for (their coordinates assume a small UI font).
QFont ScreenFont();
// `base` with a control's font name (the classic default faces keep the screen font) and weight.
QFont ControlFont(const QFont& base, const TControl& control);

// The icon of a toolbar glyph name ("incluir", "imprimir"…); null when none fits.
QIcon GlyphIcon(const std::string& glyph);

// The navigator's buttons (first, prior, next, last, insert, delete, edit, post, cancel,
// refresh): the symbol each shows and its tooltip.
constexpr int kNavigatorButtons = 10;
QString NavigatorGlyph(int button);
QString NavigatorHint(int button);

// Draws a picture by name: the check images of the grids as check boxes, others as a frame.
void PaintPicture(QPainter& p, const QRect& r, const std::string& name);

}  // namespace cad::desktop::style
