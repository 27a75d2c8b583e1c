#pragma once

namespace zv::texts {

inline constexpr const char* kCopySrcLabel = "コピー元： ";
inline constexpr const char* kCopyDstLabel = "コピー先： ";
// In-place runs leave files reached through a link alone (%1 the link).
inline constexpr const char* kLinkLeftAlone = "%1: シンボリックリンクなので変換しません";

// "<head><row numbers><mid><encoding><tail>": rows an encoding cannot express.
inline constexpr const char* kRowsLeftOutHead = "変換リストの行 ";
inline constexpr const char* kRowsLeftOutMid = " は ";
inline constexpr const char* kRowsLeftOutOfNames = " のファイル名では表せない文字を含むため、その名前には使いません。";
inline constexpr const char* kRowsLeftOutOfTexts = " のテキストでは表せない文字を含むため、そのファイルには使いません。";
// The report's note on a file that such rows were not used for (%1 the row numbers).
inline constexpr const char* kRowsNotUsed = "表せない行を使いませんでした: %1";
// Files of an encoding choice that are copied unchanged (%1 the file).
inline constexpr const char* kEncodingUnknown = "%1: 文字コードを判別できません";
inline constexpr const char* kEncodingNotExact = "%1: %2 として読み書きすると元のバイト列に戻らないため、変換しません";

}  // namespace zv::texts
