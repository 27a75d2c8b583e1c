#pragma once
// Every conversion between QString and the core's byte strings (active code
// page) goes through here.

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
