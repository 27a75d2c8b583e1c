#include "app/QStringBytes.h"

#include "platform/CodePage.h"

QString BytesToQString(std::string_view bytes) { return QString::fromStdString(zv::ToUtf8(bytes)); }

std::string QStringToBytes(const QString& text) {
  const std::string utf8 = text.toStdString();
  if (auto bytes = zv::FromUtf8(utf8)) return *bytes;
  std::string out;
  for (qsizetype i = 0; i < text.size();) {
    const qsizetype n = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    if (auto one = zv::FromUtf8(text.mid(i, n).toStdString())) out += *one;
    i += n;
  }
  return out;
}

bool IsEncodable(const QString& text) { return zv::FromUtf8(text.toStdString()).has_value(); }

std::size_t Cp932Length(const QString& text) {
  return zv::Cp932Length(text.toStdString(), zv::CodePage::Utf8);
}
