// The desktop's fonts, icons and pictures (see style.h).
#include "hosts/desktop/style.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>
#include <utility>

#include "platform/ui/component.h"

namespace cad::desktop::style {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

QFont ScreenFont() {
  // The screens' coordinates were laid out for a small UI font (about 11 pixels high).
  // A condensed face keeps captions within the widths the layouts give them.
  QFont f(QStringLiteral("DejaVu Sans Condensed"));
  f.setFamilies({QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")});
  f.setPixelSize(11);
  return f;
}

QFont ControlFont(const QFont& base, const TControl& c) {
  QFont f = base;
  if (!c.FontName().empty() && c.FontName() != "MS Sans Serif" && c.FontName() != "Tahoma")
    f.setFamily(qs(c.FontName()));
  f.setBold(c.FontBold());
  return f;
}

namespace {

// Icons of the framework's toolbar glyphs, drawn so each one shows its command (a printer prints,
// a question mark helps) in colour; Qt greys them itself when the command is off.
QIcon drawnIcon(const QString& g) {
  QPixmap pm(32, 32);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  auto pen = [&](const QColor& c, qreal w) {
    QPen pn(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pn);
    p.setBrush(Qt::NoBrush);
  };
  const QColor green(0x2e, 0x8b, 0x3a), red(0xc6, 0x28, 0x28), blue(0x1f, 0x5f, 0xbf), grey(0x50, 0x50, 0x50),
      orange(0xd9, 0x7a, 0x00);
  if (g == "incluir") {
    pen(green, 5);
    p.drawLine(16, 5, 16, 27);
    p.drawLine(5, 16, 27, 16);
  } else if (g == "alterar") {
    pen(blue, 3);
    p.drawLine(8, 24, 24, 8);
    p.drawLine(6, 26, 9, 25);
    pen(grey, 2);
    p.drawLine(21, 5, 27, 11);
  } else if (g == "excluir") {
    pen(red, 5);
    p.drawLine(7, 7, 25, 25);
    p.drawLine(25, 7, 7, 25);
  } else if (g == "confirmar") {
    pen(green, 5);
    p.drawPolyline(QPolygon({QPoint(5, 17), QPoint(13, 25), QPoint(27, 7)}));
  } else if (g == "cancelar") {
    pen(orange, 4);
    p.drawArc(QRect(7, 7, 20, 18), 90 * 16, -270 * 16);
    p.drawPolyline(QPolygon({QPoint(4, 10), QPoint(9, 16), QPoint(14, 10)}));
  } else if (g == "procurar") {
    pen(blue, 4);
    p.drawEllipse(QRect(5, 5, 15, 15));
    p.drawLine(18, 18, 27, 27);
  } else if (g == "verificar" || g == "atualizar" || g == "automatico") {
    pen(green, 4);
    p.drawArc(QRect(6, 6, 20, 20), 60 * 16, 300 * 16);
    p.drawPolyline(QPolygon({QPoint(20, 3), QPoint(23, 9), QPoint(17, 11)}));
  } else if (g == "imprimir") {
    pen(grey, 2);
    p.setBrush(Qt::white);
    p.drawRect(QRect(10, 4, 12, 9));
    p.setBrush(QColor(0x90, 0x90, 0x90));
    p.drawRoundedRect(QRect(4, 12, 24, 11), 2, 2);
    p.setBrush(Qt::white);
    p.drawRect(QRect(10, 19, 12, 9));
  } else if (g == "ajuda") {
    pen(blue, 4);
    p.drawArc(QRect(9, 3, 14, 13), 160 * 16, -250 * 16);
    p.drawLine(16, 16, 16, 21);
    p.setBrush(blue);
    p.drawEllipse(QPoint(16, 27), 2, 2);
  } else if (g == "fechar") {
    pen(grey, 2);
    p.drawRect(QRect(5, 4, 14, 24));
    pen(red, 4);
    p.drawLine(13, 16, 28, 16);
    p.drawPolyline(QPolygon({QPoint(22, 10), QPoint(28, 16), QPoint(22, 22)}));
  } else {
    return {};
  }
  return QIcon(pm);
}

}  // namespace

QIcon GlyphIcon(const std::string& glyph) {
  static const std::pair<const char*, QStyle::StandardPixmap> map[] = {
      {"copiar", QStyle::SP_FileLinkIcon},
      {"exportar", QStyle::SP_ArrowRight},
      {"importar", QStyle::SP_ArrowLeft},
      {"primeiro", QStyle::SP_MediaSkipBackward},
      {"ultimo", QStyle::SP_MediaSkipForward},
      {"anterior", QStyle::SP_MediaSeekBackward},
      {"proximo", QStyle::SP_MediaSeekForward},
      {"salvar", QStyle::SP_DialogSaveButton},
      {"importarexportar", QStyle::SP_FileDialogToParent},
  };
  QString g = qs(glyph).toLower();
  QIcon drawn = drawnIcon(g);
  if (!drawn.isNull()) return drawn;
  for (const auto& [name, pixmap] : map)
    if (g == name) return QApplication::style()->standardIcon(pixmap);
  return {};
}

QString NavigatorGlyph(int button) {
  static const char* const glyphs[kNavigatorButtons] = {"|◀", "◀", "▶", "▶|", "+", "−", "✎", "✓", "✗", "↻"};
  return QString::fromUtf8(glyphs[button]);
}

QString NavigatorHint(int button) {
  static const char* const hints[kNavigatorButtons] = {"Primeiro", "Anterior", "Próximo", "Último",   "Incluir",
                                                       "Excluir",  "Alterar",  "Gravar",  "Cancelar", "Atualizar"};
  return QString::fromUtf8(hints[button]);
}

void PaintPicture(QPainter& p, const QRect& r, const std::string& name) {
  QString n = qs(name).toLower();
  bool unchecked = n.contains("uncheck") || n.contains("desmarc") || n.contains("nao") ||
                   n.contains(QString::fromUtf8("não")) || n.contains("false") || n.contains("off");
  bool checked = !unchecked && (n.contains("check") || n.contains("marc") || n.contains("sim") || n.contains("true") ||
                                n.contains("on") || n.contains("ok"));
  if (!checked && !unchecked) {
    p.save();
    p.setPen(QColor(160, 160, 160));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.restore();
    return;
  }
  QStyleOptionButton opt;
  int side = std::min({r.width(), r.height(), 14});
  opt.rect = QRect(r.left(), r.top() + (r.height() - side) / 2, side, side);
  opt.state = QStyle::State_Enabled | (checked ? QStyle::State_On : QStyle::State_Off);
  QApplication::style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &opt, &p);
}

}  // namespace cad::desktop::style
