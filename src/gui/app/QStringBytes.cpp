#include "app/QStringBytes.h"

#include "platform/CodePage.h"
#include "platform/FileError.h"
#include "platform/Path.h"
#include "platform/PlatformTexts.h"

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

QString PathToQString(std::string_view path) { return QString::fromStdString(zv::PathToUtf8(path)); }

std::string QStringToPath(const QString& text, const std::string& base) {
  return zv::PathFromText(text.toStdString(), base);
}

QString CoreMessageText(std::string_view message) {
  if (auto parts = zv::SplitFileErrorMessage(message)) {
    return (parts->noName ? Ui(zv::texts::kNoFileName) : PathToQString(parts->path)) +
           QStringLiteral(": ") + Ui(zv::CauseText(parts->cause));
  }
  // Our literals are UTF-8; text of the other code page is never valid UTF-8 in practice.
  if (zv::IsValidText(message, zv::CodePage::Utf8)) return QString::fromStdString(std::string(message));
  return BytesToQString(message);
}
