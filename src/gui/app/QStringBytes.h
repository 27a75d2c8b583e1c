#pragma once
// Every conversion between QString and the core's byte strings goes through
// here: texts are bytes of the active code page, paths the file system's own
// bytes (never converted to or from the code page).

#include <QString>
#include <string>
#include <string_view>

// UTF-8 text of the program's own literals.
inline QString Ui(const char* utf8) { return QString::fromUtf8(utf8); }

// Bytes in the active code page -> QString.
QString BytesToQString(std::string_view bytes);
// QString -> bytes in the active code page; characters the code page cannot
// hold are dropped (the edits refuse them while typing, so this is rare).
std::string QStringToBytes(const QString& text);
// True when the active code page can hold every character of text.
bool IsEncodable(const QString& text);
// Length of text counted as CP932 bytes: 1 for ASCII and half-width katakana,
// 2 for any other character, whatever the active code page.
std::size_t Cp932Length(const QString& text);

// A path as the user sees it: each name decoded as UTF-8, or as CP932 where it
// is not valid UTF-8 (legacy names).
QString PathToQString(std::string_view path);
// A path typed or shown as text, as the file system's bytes: a shown legacy
// name leads back to its own CP932 bytes, anything new is UTF-8. Relative
// paths are resolved below base when one is given.
std::string QStringToPath(const QString& text, const std::string& base = {});
// A message of the core that may carry a path (file error message, the
// literals of the walk): the path part decoded as a path, the rest as text.
QString CoreMessageText(std::string_view message);
