#include "text/TextEncoding.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <utility>

#include "platform/Cpu.h"
#include "platform/Utf8Check.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace zv {

namespace {

unsigned char At(std::string_view s, std::size_t i) { return static_cast<unsigned char>(s[i]); }

// The iconv names. EUC-JP and ISO-2022-JP are read with the tables that map
// the look-alikes the way CP932 does (the wave dash is U+FF5E), so a list
// typed for Shift-JIS files finds the same characters in them.
const char* IconvName(TextEncoding enc) {
  switch (enc) {
    case TextEncoding::Cp932:
      return "CP932";
    case TextEncoding::Utf8:
      return "UTF-8";
    case TextEncoding::EucJp:
      return "EUC-JP-MS";
    case TextEncoding::Iso2022Jp:
      return "ISO-2022-JP";
    case TextEncoding::Utf16Le:
      return "UTF-16LE";
    case TextEncoding::Utf16Be:
      return "UTF-16BE";
  }
  return "UTF-8";
}

// One descriptor per thread and direction, opened once.
iconv_t Descriptor(TextEncoding from, TextEncoding to) {
  struct Cache {
    iconv_t cd[kTextEncodings][kTextEncodings];
    Cache() {
      for (auto& row : cd)
        for (iconv_t& c : row) c = reinterpret_cast<iconv_t>(-1);
    }
    ~Cache() {
      for (auto& row : cd)
        for (iconv_t c : row)
          if (c != reinterpret_cast<iconv_t>(-1)) iconv_close(c);
    }
  };
  thread_local Cache cache;
  iconv_t& cd = cache.cd[static_cast<int>(from)][static_cast<int>(to)];
  if (cd == reinterpret_cast<iconv_t>(-1)) cd = iconv_open(IconvName(to), IconvName(from));
  if (cd != reinterpret_cast<iconv_t>(-1)) iconv(cd, nullptr, nullptr, nullptr, nullptr);
  return cd;
}

// All of s or nothing.
std::optional<std::string> Iconv(std::string_view s, TextEncoding from, TextEncoding to) {
  iconv_t cd = Descriptor(from, to);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out(s.size() * 2 + 16, '\0');
  char* in = const_cast<char*>(s.data());
  std::size_t inLeft = s.size();
  std::size_t used = 0;
  for (bool flushing = false;;) {
    char* o = out.data() + used;
    std::size_t oLeft = out.size() - used;
    const std::size_t r =
        flushing ? iconv(cd, nullptr, nullptr, &o, &oLeft) : iconv(cd, &in, &inLeft, &o, &oLeft);
    used = out.size() - oLeft;
    if (r == static_cast<std::size_t>(-1)) {
      if (errno != E2BIG) return std::nullopt;
      out.resize(out.size() * 2);
      continue;
    }
    if (flushing) break;
    flushing = true;  // the shift back to ASCII of a stateful encoding
  }
  out.resize(used);
  return out;
}

bool HasNul(std::string_view s) { return std::memchr(s.data(), 0, s.size()) != nullptr; }

bool IsSevenBit(std::string_view s) {
  unsigned char any = 0;
  for (const char c : s) any |= static_cast<unsigned char>(c);
  return any < 0x80;
}

bool HasIso2022Escape(std::string_view s) {
  for (std::size_t i = s.find('\x1B'); i != std::string_view::npos; i = s.find('\x1B', i + 1)) {
    if (i + 2 < s.size() && (s[i + 1] == '$' || s[i + 1] == '(')) return true;
  }
  return false;
}

// Where a text is both valid CP932 and valid EUC-JP. Read as CP932 it is
// then mostly half-width katakana; a byte outside 0xA1 to 0xDF means a
// double-byte character there, which EUC-JP prose explains far better, so
// EUC-JP. A text of such bytes only is either half-width katakana records
// (as older systems write them) or EUC-JP whose trail bytes all happen to
// be low: kana, punctuation and full-width letters (lead bytes 0xA1 to
// 0xA5) make at least a quarter of EUC-JP Japanese, and about one pair in
// twelve of katakana records. Counted part by part for a file read in parts
// (valid EUC-JP never pairs a byte with the ASCII byte after it).
void AddKanaScore(std::string_view s, KanaScore& k) {
  for (std::size_t i = 0; i < s.size() && !k.eucJp;) {
    const unsigned char c = At(s, i);
    if (c < 0x80) {
      ++i;
      continue;
    }
    if (c < 0xA1 || c > 0xDF || i + 1 >= s.size() || At(s, i + 1) > 0xDF) {
      k.eucJp = true;
      break;
    }
    ++k.pairs;
    if (c <= 0xA5) ++k.kana;
    i += 2;
  }
}

TextEncoding Cp932OrEucJp(const KanaScore& k) {
  return k.eucJp || (k.kana * 4 >= k.pairs && k.pairs > 0) ? TextEncoding::EucJp : TextEncoding::Cp932;
}

TextEncoding ScoreCp932OrEucJp(std::string_view s) {
  KanaScore k;
  AddKanaScore(s, k);
  return Cp932OrEucJp(k);
}

std::optional<FileEncoding> MarkedEncoding(std::string_view b) {
  if (b.substr(0, 3) == "\xEF\xBB\xBF") return FileEncoding{TextEncoding::Utf8, 3, false};
  if (b.substr(0, 2) == "\xFF\xFE") return FileEncoding{TextEncoding::Utf16Le, 2, false};
  if (b.substr(0, 2) == "\xFE\xFF") return FileEncoding{TextEncoding::Utf16Be, 2, false};
  return std::nullopt;
}

}  // namespace

std::optional<EncodingChoice> ParseEncodingChoice(std::string_view word) {
  static constexpr std::pair<std::string_view, EncodingChoice> kWords[] = {
      {"system", EncodingChoice::System}, {"auto", EncodingChoice::Auto},
      {"932", EncodingChoice::Cp932},     {"65001", EncodingChoice::Utf8},
      {"eucjp", EncodingChoice::EucJp},   {"iso2022jp", EncodingChoice::Iso2022Jp},
      {"utf16", EncodingChoice::Utf16},
  };
  for (const auto& [w, choice] : kWords)
    if (w == word) return choice;
  return std::nullopt;
}

const char* EncodingChoiceWord(EncodingChoice choice) {
  switch (choice) {
    case EncodingChoice::System:
      return "system";
    case EncodingChoice::Auto:
      return "auto";
    case EncodingChoice::Cp932:
      return "932";
    case EncodingChoice::Utf8:
      return "65001";
    case EncodingChoice::EucJp:
      return "eucjp";
    case EncodingChoice::Iso2022Jp:
      return "iso2022jp";
    case EncodingChoice::Utf16:
      return "utf16";
  }
  return "system";
}

TextEncoding SessionEncoding() {
  return ActiveCodePage() == CodePage::Cp932 ? TextEncoding::Cp932 : TextEncoding::Utf8;
}

bool IsStructurallyCp932Portable(std::string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    const unsigned char c = At(s, i);
    if (c < 0x80 || (c >= 0xA1 && c <= 0xDF)) continue;
    if (!IsCp932Lead(c) || i + 1 >= s.size() || !IsCp932Trail(At(s, i + 1))) return false;
    ++i;
  }
  return true;
}

namespace {

#if defined(__x86_64__) || defined(__i386__)

__attribute__((target("avx2"))) inline __m256i InRange(__m256i x, unsigned char lo, unsigned char hi) {
  const __m256i above = _mm256_cmpeq_epi8(_mm256_max_epu8(x, _mm256_set1_epi8(static_cast<char>(lo))), x);
  const __m256i below = _mm256_cmpeq_epi8(_mm256_min_epu8(x, _mm256_set1_epi8(static_cast<char>(hi))), x);
  return _mm256_and_si256(above, below);
}

struct Cp932Masks {
  std::uint64_t lead = 0;   // may start a double-byte character
  std::uint64_t trail = 0;  // may end one
  std::uint64_t alone = 0;  // a character on its own (ASCII, half-width katakana)
};

__attribute__((target("avx2"))) inline std::uint64_t Bits(__m256i v) {
  return std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(v))};
}

__attribute__((target("avx2"))) Cp932Masks MasksOf(const unsigned char* p) {
  Cp932Masks m;
  for (int half = 0; half < 2; ++half) {
    const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * half));
    const int shift = 32 * half;
    m.lead |= Bits(_mm256_or_si256(InRange(x, 0x81, 0x9F), InRange(x, 0xE0, 0xFC))) << shift;
    m.trail |= Bits(_mm256_or_si256(InRange(x, 0x40, 0x7E), InRange(x, 0x80, 0xFC))) << shift;
    m.alone |= Bits(_mm256_or_si256(InRange(x, 0x00, 0x7F), InRange(x, 0xA1, 0xDF))) << shift;
  }
  return m;
}

// 64 bytes at a time. Every byte that may start a double-byte character may
// also end one, so a run of them pairs up from its start (the boundary rule
// of the engine); a run of odd length takes the byte after it as its trail.
// The positions after odd runs come from the carry arithmetic that JSON
// scanners use for runs of backslashes.
__attribute__((target("avx2"))) bool IsStructurallyCp932Avx2(const unsigned char* s, std::size_t n) {
  constexpr std::uint64_t kEven = 0x5555555555555555ull;
  std::uint64_t carry = 0;  // the previous block ended in an odd run
  std::size_t i = 0;
  alignas(32) unsigned char tail[64];
  for (; i < n; i += 64) {
    const unsigned char* p = s + i;
    std::uint64_t valid = ~0ull;
    if (n - i < 64) {
      // Padded with ASCII, which only a lead byte before it could trouble.
      std::memset(tail, 'A', sizeof tail);
      std::memcpy(tail, p, n - i);
      p = tail;
      valid = (std::uint64_t{1} << (n - i)) - 1;
    }
    const Cp932Masks m = MasksOf(p);
    const std::uint64_t lead = m.lead;
    // An odd run carried over from the last block turns the parity of bit 0.
    const std::uint64_t starts = lead & ~(lead << 1);
    const std::uint64_t evenStartMask = kEven ^ carry;
    const std::uint64_t evenStarts = starts & evenStartMask;
    const std::uint64_t oddStarts = starts & ~evenStartMask;
    const std::uint64_t evenCarries = lead + evenStarts;
    std::uint64_t oddCarries;
    const bool nextCarry = __builtin_add_overflow(lead, oddStarts, &oddCarries);
    oddCarries |= carry;  // an odd run that ended with the last block takes bit 0
    const std::uint64_t oddEnds = ((evenCarries & ~lead) & ~kEven) | ((oddCarries & ~lead) & kEven);
    // The trail after an odd run, and every other byte outside a run, must fit.
    const std::uint64_t bad = (oddEnds & ~m.trail) | (~lead & ~oddEnds & ~m.alone);
    if (bad & valid) return false;
    carry = nextCarry ? 1 : 0;
    if (n - i < 64) {
      // A run that reaches the real end oddly has no trail.
      const std::uint64_t endBit = std::uint64_t{1} << (n - i);
      if (oddEnds & endBit) return false;
      carry = 0;
    }
  }
  return carry == 0;
}

#endif

}  // namespace

bool IsStructurallyCp932(std::string_view s) {
#if defined(__x86_64__) || defined(__i386__)
  if (CpuHasAvx2() && s.size() >= 64)
    return IsStructurallyCp932Avx2(reinterpret_cast<const unsigned char*>(s.data()), s.size());
#endif
  return IsStructurallyCp932Portable(s);
}

bool IsStructurallyEucJp(std::string_view s) {
  auto pairByte = [](unsigned char c) { return c >= 0xA1 && c <= 0xFE; };
  for (std::size_t i = 0; i < s.size(); ++i) {
    const unsigned char c = At(s, i);
    if (c < 0x80) continue;
    if (c == 0x8E) {  // half-width katakana
      if (i + 1 >= s.size() || At(s, i + 1) < 0xA1 || At(s, i + 1) > 0xDF) return false;
      ++i;
    } else if (c == 0x8F) {  // JIS X 0212
      if (i + 2 >= s.size() || !pairByte(At(s, i + 1)) || !pairByte(At(s, i + 2))) return false;
      i += 2;
    } else {
      if (!pairByte(c) || i + 1 >= s.size() || !pairByte(At(s, i + 1))) return false;
      ++i;
    }
  }
  return true;
}

std::optional<FileEncoding> DetectEncoding(std::string_view b) {
  if (std::optional<FileEncoding> marked = MarkedEncoding(b)) return marked;
  if (HasNul(b)) return std::nullopt;
  if (IsSevenBit(b)) {
    if (HasIso2022Escape(b)) return FileEncoding{TextEncoding::Iso2022Jp, 0, false};
    return FileEncoding{SessionEncoding(), 0, true};
  }
  if (IsStrictUtf8(b)) return FileEncoding{TextEncoding::Utf8, 0, false};
  const bool cp932 = IsStructurallyCp932(b);
  const bool eucJp = IsStructurallyEucJp(b);
  if (cp932 && eucJp) return FileEncoding{ScoreCp932OrEucJp(b), 0, false};
  if (cp932) return FileEncoding{TextEncoding::Cp932, 0, false};
  if (eucJp) return FileEncoding{TextEncoding::EucJp, 0, false};
  return std::nullopt;
}

std::size_t DetectionCut(std::string_view b) {
  for (std::size_t i = b.size(); i > 0; --i) {
    const unsigned char c = At(b, i - 1);
    if (c < 0x40 && c != 0x1B && (i < 2 || At(b, i - 2) != 0x1B)) return i;
  }
  return 0;
}

void EncodingDetector::Feed(std::string_view part) {
  if (m_decided) return;
  if (m_first) {
    m_first = false;
    if ((m_result = MarkedEncoding(part))) {
      m_decided = true;
      return;
    }
  }
  if (HasNul(part)) {
    m_result.reset();
    m_decided = true;
    return;
  }
  if (m_sevenBit) {
    if (IsSevenBit(part)) {
      m_escape = m_escape || HasIso2022Escape(part);
      return;  // valid in every other candidate too
    }
    m_sevenBit = false;
  }
  // A later part may still rule out UTF-8, so the others are followed too.
  m_utf8 = m_utf8 && IsStrictUtf8(part);
  m_cp932 = m_cp932 && IsStructurallyCp932(part);
  m_eucJp = m_eucJp && IsStructurallyEucJp(part);
  if (m_cp932 && m_eucJp) AddKanaScore(part, m_score);
}

std::optional<FileEncoding> EncodingDetector::Result() const {
  if (m_decided) return m_result;
  if (m_sevenBit) {
    if (m_escape) return FileEncoding{TextEncoding::Iso2022Jp, 0, false};
    return FileEncoding{SessionEncoding(), 0, true};
  }
  if (m_utf8) return FileEncoding{TextEncoding::Utf8, 0, false};
  if (m_cp932 && m_eucJp) return FileEncoding{Cp932OrEucJp(m_score), 0, false};
  if (m_cp932) return FileEncoding{TextEncoding::Cp932, 0, false};
  if (m_eucJp) return FileEncoding{TextEncoding::EucJp, 0, false};
  return std::nullopt;
}

std::optional<FileEncoding> EncodingFor(EncodingChoice choice, std::string_view b) {
  switch (choice) {
    case EncodingChoice::System:
      return FileEncoding{SessionEncoding(), 0, false};
    case EncodingChoice::Auto:
      return DetectEncoding(b);
    case EncodingChoice::Cp932:
      return FileEncoding{TextEncoding::Cp932, 0, false};
    case EncodingChoice::Utf8:
      // A mark there is kept, as it would be by detection.
      return FileEncoding{TextEncoding::Utf8, b.substr(0, 3) == "\xEF\xBB\xBF" ? std::size_t{3} : 0, false};
    case EncodingChoice::EucJp:
      return FileEncoding{TextEncoding::EucJp, 0, false};
    case EncodingChoice::Iso2022Jp:
      return FileEncoding{TextEncoding::Iso2022Jp, 0, false};
    case EncodingChoice::Utf16:
      // The mark decides the byte order; without one, little-endian as Windows writes it.
      if (b.substr(0, 2) == "\xFE\xFF") return FileEncoding{TextEncoding::Utf16Be, 2, false};
      return FileEncoding{TextEncoding::Utf16Le, b.substr(0, 2) == "\xFF\xFE" ? std::size_t{2} : 0, false};
  }
  return std::nullopt;
}

std::string EncodingLabel(const FileEncoding& enc) {
  if (enc.ascii) return "ASCII";
  std::string label;
  switch (enc.encoding) {
    case TextEncoding::Cp932:
      label = "Shift_JIS";
      break;
    case TextEncoding::Utf8:
      label = "UTF-8";
      break;
    case TextEncoding::EucJp:
      label = "EUC-JP";
      break;
    case TextEncoding::Iso2022Jp:
      label = "ISO-2022-JP";
      break;
    case TextEncoding::Utf16Le:
      label = "UTF-16LE";
      break;
    case TextEncoding::Utf16Be:
      label = "UTF-16BE";
      break;
  }
  if (enc.bom > 0) label += " (BOM)";
  return label;
}

CodePage WorkingCodePage(TextEncoding enc) {
  return enc == TextEncoding::Cp932 ? CodePage::Cp932 : CodePage::Utf8;
}

std::optional<std::string> DecodeExactly(std::string_view body, TextEncoding enc) {
  if (!IsDecoded(enc)) return std::string(body);
  std::optional<std::string> utf8 = Iconv(body, enc, TextEncoding::Utf8);
  if (!utf8) return std::nullopt;
  const std::optional<std::string> back = Iconv(*utf8, TextEncoding::Utf8, enc);
  if (!back || *back != body) return std::nullopt;
  return utf8;
}

std::optional<std::string> EncodeText(std::string_view utf8, TextEncoding enc) {
  if (!IsDecoded(enc)) return std::string(utf8);
  return Iconv(utf8, TextEncoding::Utf8, enc);
}

bool CanExpress(std::string_view sessionText, TextEncoding enc) {
  const CodePage session = ActiveCodePage();
  if (!IsDecoded(enc)) return ActiveTextIn(sessionText, WorkingCodePage(enc)).has_value();
  const std::optional<std::string> utf8 = ConvertCodePage(sessionText, session, CodePage::Utf8);
  return utf8 && EncodeText(*utf8, enc).has_value();
}

EncodedFailure OpenEncoded(std::string raw, EncodingChoice choice, EncodedText& t) {
  const std::optional<FileEncoding> enc = EncodingFor(choice, raw);
  if (!enc) return EncodedFailure::Unknown;
  t.enc = *enc;
  t.as = enc->ascii ? SessionEncoding() : enc->encoding;
  t.mark = raw.substr(0, enc->bom);
  if (IsDecoded(t.as)) {
    std::optional<std::string> decoded = DecodeExactly(std::string_view(raw).substr(enc->bom), t.as);
    if (!decoded) return EncodedFailure::NotExact;
    t.text = std::move(*decoded);
  } else {
    raw.erase(0, enc->bom);
    t.text = std::move(raw);
  }
  return EncodedFailure::None;
}

std::optional<std::string> CloseEncoded(const EncodedText& opened, std::string text) {
  if (IsDecoded(opened.as)) {
    std::optional<std::string> encoded = EncodeText(text, opened.as);
    if (!encoded) return std::nullopt;
    text = std::move(*encoded);
  }
  if (opened.mark.empty()) return text;
  return opened.mark + text;
}

}  // namespace zv
