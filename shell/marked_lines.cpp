#include "shell/marked_lines.h"

namespace qv::shell {

namespace {

// A private-use character, then the mark's code.
constexpr char16_t kTag = 0xE000;

}  // namespace

QString MarkLine(LineMark mark, const QString& text) {
  if (mark == LineMark::None) return text;
  QString out;
  out.reserve(text.size() + 2);
  out += QChar(kTag);
  out += QChar(u'0' + static_cast<char16_t>(mark));
  out += text;
  return out;
}

LineMark MarkOf(const QString& queued, QString* visible) {
  if (queued.size() < 2 || queued[0] != QChar(kTag)) {
    if (visible != nullptr) *visible = queued;
    return LineMark::None;
  }
  const int code = queued[1].unicode() - u'0';
  if (visible != nullptr) *visible = queued.mid(2);
  switch (code) {
    case static_cast<int>(LineMark::Error):
      return LineMark::Error;
    case static_cast<int>(LineMark::Warning):
      return LineMark::Warning;
    case static_cast<int>(LineMark::Separator):
      return LineMark::Separator;
    default:
      return LineMark::None;
  }
}

QColor MarkColour(LineMark mark) {
  switch (mark) {
    case LineMark::Error:
      return QColor(0xB0, 0x00, 0x20);
    case LineMark::Warning:
      return QColor(0xA0, 0x5A, 0x00);
    case LineMark::Separator:
      return QColor(0x70, 0x70, 0x70);
    case LineMark::None:
      break;
  }
  return QColor();
}

}  // namespace qv::shell
