#pragma once
// The encoding of a text file: the choice a user makes (the session's code
// page, a fixed encoding, or detection per file), detection, and the way
// from a file's bytes to a text the list can work on and back, byte-exact.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/CodePage.h"

namespace zv {

enum class TextEncoding : std::uint8_t { Cp932, Utf8, EucJp, Iso2022Jp, Utf16Le, Utf16Be };
inline constexpr int kTextEncodings = 6;

// What the user chose: the active code page (as before there was a choice),
// detection per file, or one encoding for every file.
enum class EncodingChoice : std::uint8_t { System, Auto, Cp932, Utf8, EucJp, Iso2022Jp, Utf16 };

// "system", "auto", "932", "65001", "eucjp", "iso2022jp", "utf16" (the CLI's
// and the settings file's words).
std::optional<EncodingChoice> ParseEncodingChoice(std::string_view word);
const char* EncodingChoiceWord(EncodingChoice choice);

struct FileEncoding {
  TextEncoding encoding = TextEncoding::Utf8;
  std::size_t bom = 0;  // bytes of a byte-order mark, kept as they are
  bool ascii = false;   // nothing but ASCII: read in the session's code page
};

// The encoding of the session's code page.
TextEncoding SessionEncoding();

// Detection, in this order: a byte-order mark (UTF-8, UTF-16LE/BE); 7-bit
// bytes with ISO-2022-JP escape sequences; ASCII only (the session's code
// page); strictly valid UTF-8; CP932 or EUC-JP by validity, and where both
// fit, by a score (EncodingScore). nullopt when nothing fits, and for any
// NUL byte without a byte-order mark (no text file holds one).
std::optional<FileEncoding> DetectEncoding(std::string_view bytes);
// What tells CP932 from EUC-JP where both fit, counted part by part.
struct KanaScore {
  std::size_t pairs = 0, kana = 0;
  bool eucJp = false;  // settled for EUC-JP
};
// Detection over a file read in parts, with DetectEncoding's answer on the
// whole. Each part but the last ends where DetectionCut says: right after a
// byte below 0x40 other than ESC, not right after an ESC (a character of its
// own in every candidate, inside no escape sequence; no mark holds one).
class EncodingDetector {
 public:
  void Feed(std::string_view part);
  // What follows can no longer change the answer (a mark, a NUL byte).
  bool Decided() const { return m_decided; }
  std::optional<FileEncoding> Result() const;

 private:
  bool m_first = true, m_decided = false;
  std::optional<FileEncoding> m_result;  // once decided
  bool m_sevenBit = true, m_escape = false;
  bool m_utf8 = true, m_cp932 = true, m_eucJp = true;
  KanaScore m_score;
};
// Just past the last place in b where a part may end for the detector, or 0.
std::size_t DetectionCut(std::string_view b);

// The encoding a choice gives to these bytes (detection for Auto).
std::optional<FileEncoding> EncodingFor(EncodingChoice choice, std::string_view bytes);

// Both validity tests, by structure (a lead byte with a fitting trail).
bool IsStructurallyCp932(std::string_view bytes);
bool IsStructurallyCp932Portable(std::string_view bytes);  // byte by byte, for tests to compare with
bool IsStructurallyEucJp(std::string_view bytes);

// Reports and the windows: "Shift_JIS", "UTF-8", "UTF-8 (BOM)", "EUC-JP",
// "ISO-2022-JP", "UTF-16LE (BOM)", "UTF-16BE (BOM)", "ASCII".
std::string EncodingLabel(const FileEncoding& enc);

// The code page the list works in on a text of this encoding: CP932 and
// UTF-8 texts are worked on as their own bytes; the others as UTF-8.
CodePage WorkingCodePage(TextEncoding enc);
// Whether the text of this encoding is decoded to UTF-8 to be worked on.
inline bool IsDecoded(TextEncoding enc) { return enc != TextEncoding::Cp932 && enc != TextEncoding::Utf8; }

// The body (after the mark) as UTF-8, only when encoding it again gives the
// very same bytes; nullopt otherwise. Encodings worked on as bytes are
// handed back as they stand.
std::optional<std::string> DecodeExactly(std::string_view body, TextEncoding enc);
// UTF-8 text of a decoded encoding back into it; nullopt when some character
// has no form there.
std::optional<std::string> EncodeText(std::string_view utf8, TextEncoding enc);
// Whether text of the active code page (a list row) has a form in enc.
bool CanExpress(std::string_view sessionText, TextEncoding enc);

// A file's bytes taken apart for the list: its encoding, the byte-order mark
// it keeps, and its text in the code page it is worked in.
struct EncodedText {
  FileEncoding enc;
  TextEncoding as = TextEncoding::Utf8;  // worked as (an ASCII file: the session's encoding)
  std::string mark;
  std::string text;  // the file's own bytes, or UTF-8 for a decoded encoding
};
enum class EncodedFailure { None, Unknown, NotExact };
// Unknown: no encoding fits; NotExact: out.enc was found, but its bytes
// would not come back. out is complete only without a failure.
EncodedFailure OpenEncoded(std::string raw, EncodingChoice choice, EncodedText& out);
// The bytes to write for the worked text (mark first); nullopt when some
// character has no form in the encoding.
std::optional<std::string> CloseEncoded(const EncodedText& opened, std::string text);

}  // namespace zv
