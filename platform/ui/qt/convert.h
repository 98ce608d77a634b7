// ANSI text, colours, fonts and bitmaps of the model in Qt's terms.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>
#include <string>

#include "platform/text/ansi.h"
#include "platform/ui/bitmap.h"
#include "platform/ui/geometry.h"

namespace platform::ui::qt {

inline QString toQt(const std::string& ansi) { return QString::fromUtf8(ansiToUtf8(ansi)); }
inline std::string fromQt(const QString& s) { return utf8ToAnsi(s.toUtf8().toStdString()); }
// Line breaks of the system ("\r\n" or a lone '\r') as Qt writes them.
inline QString toQtText(const std::string& ansi) {
  QString s = toQt(ansi);
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  s.replace(QChar('\r'), QChar('\n'));
  return s;
}
inline QColor toQt(Color c) { return QColor(c.r, c.g, c.b); }
QFont toQt(const Font& f);
// The bitmap's pixels shared into an image (valid while the bitmap lives).
inline QImage toQImage(const Bitmap& b) {
  return QImage(reinterpret_cast<const uchar*>(b.data().data()), b.width(), b.height(), b.width() * 4,
                QImage::Format_RGB32);
}

}  // namespace platform::ui::qt
