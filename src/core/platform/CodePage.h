#pragma once
// Multibyte text in the active code page. Every search, fold and comparison
// in the program goes through here so that a character is never split.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zv {

enum class CodePage { Cp932 = 932, Utf8 = 65001 };

// The code page chosen once at start-up (InitActiveCodePage); tests may set it.
CodePage ActiveCodePage();
void SetActiveCodePage(CodePage cp);

// ZENTRAVOLIX_CODEPAGE (932/65001) if set, else the locale's character set
// (UTF-8 -> 65001, Shift_JIS/CP932/Windows-31J -> 932), else 65001.
CodePage DetectCodePage();
// Calls setlocale(LC_ALL, "") and SetActiveCodePage(DetectCodePage()).
void InitActiveCodePage();
std::optional<CodePage> ParseCodePage(std::string_view text);  // "932", "65001"
// A locale's character set name (nl_langinfo(CODESET)) as a code page, if it is one of ours.
std::optional<CodePage> CodePageFromCharset(std::string_view codeset);

// CP932 byte classes.
constexpr bool IsCp932Lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
constexpr bool IsCp932Trail(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }

// Length in bytes of the character starting at pos (1 for an invalid byte or a
// lead byte without its trail); 0 when pos >= s.size().
std::size_t CharLen(std::string_view s, std::size_t pos, CodePage cp);
inline std::size_t CharLen(std::string_view s, std::size_t pos) { return CharLen(s, pos, ActiveCodePage()); }
// pos of the next character (pos + CharLen, at least pos + 1, at most s.size()).
std::size_t NextChar(std::string_view s, std::size_t pos, CodePage cp);

// True when pos (0..size) starts a character. Looks back only over the bytes
// that can belong to the character around pos, never from the start.
bool IsCharBoundary(std::string_view s, std::size_t pos, CodePage cp);
inline bool IsCharBoundary(std::string_view s, std::size_t pos) {
  return IsCharBoundary(s, pos, ActiveCodePage());
}

// Leftmost occurrence of needle at or after from that starts on a character
// boundary; npos when none. An empty needle is never found.
std::size_t FindOnBoundary(std::string_view hay, std::string_view needle, std::size_t from, CodePage cp);

// Largest character boundary <= pos.
std::size_t BoundaryAtOrBefore(std::string_view s, std::size_t pos, CodePage cp);

// Lower-cases ASCII letters and full-width Latin letters, keeping every byte
// length, so a range found in the folded copy is the same range in the input.
std::string FoldCase(std::string_view s, CodePage cp);
inline std::string FoldCase(std::string_view s) { return FoldCase(s, ActiveCodePage()); }

// Case-insensitive comparison character by character (a double-byte character
// is one unit), as used for sorting the list: <0, 0, >0.
int MbsICmp(std::string_view a, std::string_view b, CodePage cp);
inline int MbsICmp(std::string_view a, std::string_view b) { return MbsICmp(a, b, ActiveCodePage()); }
bool MbsIEqual(std::string_view a, std::string_view b, CodePage cp);

// Length counted as CP932 bytes (1 for ASCII and half-width katakana, 2 for
// any other character), whatever the code page: the unit of the 100-byte limits.
std::size_t Cp932Length(std::string_view s, CodePage cp);
inline std::size_t Cp932Length(std::string_view s) { return Cp932Length(s, ActiveCodePage()); }

// Whole-text conversions (iconv "CP932" <-> "UTF-8"). nullopt when the text
// is not valid in `from` or cannot be represented in `to`.
std::optional<std::string> ConvertCodePage(std::string_view s, CodePage from, CodePage to);
bool IsValidText(std::string_view s, CodePage cp);

// Convenience for the user interfaces: active code page <-> UTF-8.
// ToUtf8 never fails: bytes that do not decode become U+FFFD.
std::string ToUtf8(std::string_view s, CodePage cp);
inline std::string ToUtf8(std::string_view s) { return ToUtf8(s, ActiveCodePage()); }
std::optional<std::string> FromUtf8(std::string_view utf8, CodePage cp);
inline std::optional<std::string> FromUtf8(std::string_view utf8) { return FromUtf8(utf8, ActiveCodePage()); }

// File names. A name meets the list in its own encoding: valid UTF-8 is
// UTF-8, anything else is taken as CP932 bytes as they stand, whatever the
// active code page (a Linux system's names are UTF-8; legacy trees copied
// from old Windows media keep Shift-JIS bytes).
inline CodePage NameCodePage(std::string_view name) {
  return IsValidText(name, CodePage::Utf8) ? CodePage::Utf8 : CodePage::Cp932;
}
// A path as text to show, each component decoded by its own encoding, so a
// legacy name below a UTF-8 folder reads right too. Never fails.
std::string PathToUtf8(std::string_view path);
// True when pos starts a character of the path component around it, in that
// component's encoding.
bool IsPathCharBoundary(std::string_view path, std::size_t pos);

// Text of the active code page (list rows, patterns, extension entries) in
// `to`; nullopt when `to` cannot express it. ASCII is taken as it stands.
std::optional<std::string> ActiveTextIn(std::string_view text, CodePage to);

}  // namespace zv
