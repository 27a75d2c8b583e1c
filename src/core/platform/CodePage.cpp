#include "platform/CodePage.h"

#include <iconv.h>
#include <langinfo.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/Utf8Check.h"

namespace zv {

namespace {

std::atomic<int> g_activeCodePage{static_cast<int>(CodePage::Utf8)};

constexpr bool IsCont(unsigned char c) { return c >= 0x80 && c <= 0xBF; }

unsigned char At(std::string_view s, std::size_t i) { return static_cast<unsigned char>(s[i]); }

// Well-formed UTF-8 only (no overlong forms, surrogates or values past
// U+10FFFF), so a character here is exactly what the converters accept.
std::size_t Utf8CharLen(std::string_view s, std::size_t pos) {
  const std::size_t len = Utf8SequenceLength(s, pos);
  return len == 0 ? 1 : len;
}

std::size_t Cp932CharLen(std::string_view s, std::size_t pos) {
  if (IsCp932Lead(At(s, pos)) && pos + 1 < s.size() && IsCp932Trail(At(s, pos + 1))) return 2;
  return 1;
}

const char* IconvName(CodePage cp) { return cp == CodePage::Cp932 ? "CP932" : "UTF-8"; }

// iconv descriptors are costly to open and not thread-safe: one cached pair
// per thread and direction.
class IconvCache {
 public:
  ~IconvCache() {
    for (auto& row : cd_)
      for (iconv_t cd : row)
        if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
  }
  iconv_t Get(CodePage from, CodePage to) {
    iconv_t& cd = cd_[Index(from)][Index(to)];
    if (cd == reinterpret_cast<iconv_t>(-1)) cd = iconv_open(IconvName(to), IconvName(from));
    if (cd != reinterpret_cast<iconv_t>(-1)) iconv(cd, nullptr, nullptr, nullptr, nullptr);
    return cd;
  }

 private:
  static int Index(CodePage cp) { return cp == CodePage::Cp932 ? 0 : 1; }
  iconv_t cd_[2][2] = {{reinterpret_cast<iconv_t>(-1), reinterpret_cast<iconv_t>(-1)},
                       {reinterpret_cast<iconv_t>(-1), reinterpret_cast<iconv_t>(-1)}};
};

iconv_t Converter(CodePage from, CodePage to) {
  thread_local IconvCache cache;
  return cache.Get(from, to);
}

// Converts as much as possible; returns the offset of the first byte that
// does not convert (s.size() when all did), with out holding the result so far.
std::size_t IconvRun(iconv_t cd, std::string_view s, std::string& out) {
  char* in = const_cast<char*>(s.data());
  std::size_t inLeft = s.size();
  std::string buf(s.size() * 3 + 16, '\0');
  for (;;) {
    char* o = buf.data();
    std::size_t oLeft = buf.size();
    const std::size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
    out.append(buf.data(), buf.size() - oLeft);
    if (r != static_cast<std::size_t>(-1)) break;
    if (errno != E2BIG) return s.size() - inLeft;
  }
  char* o = buf.data();
  std::size_t oLeft = buf.size();
  iconv(cd, nullptr, nullptr, &o, &oLeft);
  out.append(buf.data(), buf.size() - oLeft);
  return s.size();
}

bool IsValidUtf8(std::string_view s) { return IsStrictUtf8(s); }

std::string Upper(std::string_view s) {
  std::string r;
  for (char c : s) {
    if (c == '-' || c == '_') continue;
    r += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
  }
  return r;
}

int Sign(int v) { return (v > 0) - (v < 0); }

}  // namespace

CodePage ActiveCodePage() { return static_cast<CodePage>(g_activeCodePage.load(std::memory_order_relaxed)); }

void SetActiveCodePage(CodePage cp) {
  g_activeCodePage.store(static_cast<int>(cp), std::memory_order_relaxed);
}

std::optional<CodePage> ParseCodePage(std::string_view text) {
  if (text == "932") return CodePage::Cp932;
  if (text == "65001") return CodePage::Utf8;
  return std::nullopt;
}

CodePage DetectCodePage() {
  if (const char* env = std::getenv("ZENTRAVOLIX_CODEPAGE")) {
    if (auto cp = ParseCodePage(env)) return *cp;
  }
  const char* codeset = nl_langinfo(CODESET);
  return CodePageFromCharset(codeset ? codeset : "").value_or(CodePage::Utf8);
}

std::optional<CodePage> CodePageFromCharset(std::string_view codeset) {
  const std::string name = Upper(codeset);
  if (name == "UTF8") return CodePage::Utf8;
  if (name == "SHIFTJIS" || name == "SJIS" || name == "CP932" || name == "WINDOWS31J" || name == "MSKANJI")
    return CodePage::Cp932;
  return std::nullopt;
}

void InitActiveCodePage() {
  std::setlocale(LC_ALL, "");
  SetActiveCodePage(DetectCodePage());
}

std::size_t CharLen(std::string_view s, std::size_t pos, CodePage cp) {
  if (pos >= s.size()) return 0;
  return cp == CodePage::Cp932 ? Cp932CharLen(s, pos) : Utf8CharLen(s, pos);
}

std::size_t NextChar(std::string_view s, std::size_t pos, CodePage cp) {
  if (pos >= s.size()) return s.size();
  return pos + CharLen(s, pos, cp);
}

bool IsCharBoundary(std::string_view s, std::size_t pos, CodePage cp) {
  if (pos == 0 || pos == s.size()) return true;
  if (pos > s.size()) return false;
  if (cp == CodePage::Cp932) {
    // Every lead-capable byte is also a valid trail, so only the run of
    // lead-capable bytes before pos is ambiguous. The byte before that run
    // ends a character, the run pairs up from its start, and an odd run
    // leaves a lead at pos - 1 that takes s[pos] when it is a valid trail.
    if (!IsCp932Lead(At(s, pos - 1))) return true;
    std::size_t k = 1;
    while (k < pos && IsCp932Lead(At(s, pos - 1 - k))) ++k;
    return k % 2 == 0 || !IsCp932Trail(At(s, pos));
  }
  if (!IsCont(At(s, pos))) return true;
  // A character is at most 4 bytes: its lead lies at most 3 bytes back.
  for (std::size_t k = 1; k <= 3 && k <= pos; ++k) {
    if (!IsCont(At(s, pos - k))) return Utf8CharLen(s, pos - k) <= k;
  }
  return true;
}

std::size_t FindOnBoundary(std::string_view hay, std::string_view needle, std::size_t from, CodePage cp) {
  if (needle.empty()) return std::string_view::npos;
  // CP932: the start of the last lead-byte run looked at is kept, so that
  // candidates deep inside one long run (katakana lines are made of them)
  // do not each scan back to its start.
  std::size_t runFrom = 0, runTo = 0;  // [runFrom, runTo): lead-capable, runFrom starts its run
  while (from < hay.size() && hay.size() - from >= needle.size()) {
    const void* hit = memmem(hay.data() + from, hay.size() - from, needle.data(), needle.size());
    if (!hit) break;
    const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(hit) - hay.data());
    bool boundary;
    if (cp != CodePage::Cp932 || at == 0 || !IsCp932Lead(At(hay, at - 1))) {
      boundary = IsCharBoundary(hay, at, cp);
    } else {
      std::size_t start = at - 1;
      while (start > 0 && IsCp932Lead(At(hay, start - 1))) {
        if (runTo > runFrom && start == runTo) {
          start = runFrom;
          break;
        }
        --start;
      }
      runFrom = start;
      runTo = at;
      boundary = (at - start) % 2 == 0 || !IsCp932Trail(At(hay, at));
    }
    if (boundary) return at;
    from = at + 1;
  }
  return std::string_view::npos;
}

std::size_t BoundaryAtOrBefore(std::string_view s, std::size_t pos, CodePage cp) {
  pos = std::min(pos, s.size());
  while (pos > 0 && !IsCharBoundary(s, pos, cp)) --pos;
  return pos;
}

std::string FoldCase(std::string_view s, CodePage cp) {
  std::string r(s);
  for (std::size_t i = 0; i < r.size();) {
    const std::size_t n = CharLen(r, i, cp);
    const unsigned char c = At(r, i);
    if (n == 1) {
      if (c >= 'A' && c <= 'Z') r[i] = static_cast<char>(c + 32);
    } else if (cp == CodePage::Cp932) {
      // Ａ..Ｚ 0x8260..0x8279 -> ａ..ｚ 0x8281..0x829A
      const unsigned char t = At(r, i + 1);
      if (c == 0x82 && t >= 0x60 && t <= 0x79) r[i + 1] = static_cast<char>(t + 0x21);
    } else if (n == 3 && c == 0xEF && At(r, i + 1) == 0xBC) {
      // U+FF21..FF3A (EF BC A1..BA) -> U+FF41..FF5A (EF BD 81..9A)
      const unsigned char t = At(r, i + 2);
      if (t >= 0xA1 && t <= 0xBA) {
        r[i + 1] = static_cast<char>(0xBD);
        r[i + 2] = static_cast<char>(t - 0x20);
      }
    }
    i += n;
  }
  return r;
}

int MbsICmp(std::string_view a, std::string_view b, CodePage cp) {
  const std::string fa = FoldCase(a, cp);
  const std::string fb = FoldCase(b, cp);
  if (cp == CodePage::Utf8) return Sign(fa.compare(fb));
  std::size_t i = 0, j = 0;
  while (i < fa.size() && j < fb.size()) {
    const std::size_t na = CharLen(fa, i, cp), nb = CharLen(fb, j, cp);
    const int va = na == 2 ? (At(fa, i) << 8) | At(fa, i + 1) : At(fa, i);
    const int vb = nb == 2 ? (At(fb, j) << 8) | At(fb, j + 1) : At(fb, j);
    if (va != vb) return va < vb ? -1 : 1;
    i += na;
    j += nb;
  }
  return Sign(static_cast<int>(i < fa.size()) - static_cast<int>(j < fb.size()));
}

bool MbsIEqual(std::string_view a, std::string_view b, CodePage cp) {
  return a.size() == b.size() && FoldCase(a, cp) == FoldCase(b, cp);
}

std::size_t Cp932Length(std::string_view s, CodePage cp) {
  if (cp == CodePage::Cp932) return s.size();
  std::size_t len = 0;
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t n = Utf8CharLen(s, i);
    if (n == 1) {
      len += 1;
    } else if (n == 3 && At(s, i) == 0xEF &&
               ((At(s, i + 1) == 0xBD && At(s, i + 2) >= 0xA1) ||
                (At(s, i + 1) == 0xBE && At(s, i + 2) <= 0x9F))) {
      len += 1;  // half-width katakana U+FF61..FF9F
    } else {
      len += 2;
    }
    i += n;
  }
  return len;
}

std::optional<std::string> ConvertCodePage(std::string_view s, CodePage from, CodePage to) {
  if (from == CodePage::Utf8 && !IsValidUtf8(s)) return std::nullopt;
  if (from == to) {
    if (from == CodePage::Cp932 && !IsValidText(s, from)) return std::nullopt;
    return std::string(s);
  }
  iconv_t cd = Converter(from, to);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out;
  out.reserve(s.size() * 3 / 2 + 8);
  if (IconvRun(cd, s, out) != s.size()) return std::nullopt;
  return out;
}

bool IsValidText(std::string_view s, CodePage cp) {
  if (cp == CodePage::Utf8) return IsValidUtf8(s);
  iconv_t cd = Converter(CodePage::Cp932, CodePage::Utf8);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::string out;
  return IconvRun(cd, s, out) == s.size();
}

std::string ToUtf8(std::string_view s, CodePage cp) {
  static constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
  std::string out;
  out.reserve(s.size() + s.size() / 2);
  if (cp == CodePage::Utf8) {
    for (std::size_t i = 0; i < s.size();) {
      const std::size_t n = Utf8CharLen(s, i);
      if (n == 1 && At(s, i) >= 0x80)
        out += kReplacement;
      else
        out.append(s.substr(i, n));
      i += n;
    }
    return out;
  }
  iconv_t cd = Converter(cp, CodePage::Utf8);
  std::size_t pos = 0;
  while (pos < s.size()) {
    if (cd == reinterpret_cast<iconv_t>(-1)) {
      out += kReplacement;  // no converter at all: nothing decodes
      ++pos;
      continue;
    }
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    pos += IconvRun(cd, s.substr(pos), out);
    if (pos < s.size()) {
      out += kReplacement;
      ++pos;
    }
  }
  return out;
}

std::optional<std::string> FromUtf8(std::string_view utf8, CodePage cp) {
  return ConvertCodePage(utf8, CodePage::Utf8, cp);
}

namespace {

bool IsAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The component of path around pos: [begin, end).
std::pair<std::size_t, std::size_t> ComponentAt(std::string_view path, std::size_t pos) {
  const std::size_t slash = pos == 0 ? std::string_view::npos : path.rfind('/', pos - 1);
  const std::size_t begin = slash == std::string_view::npos ? 0 : slash + 1;
  const std::size_t end = std::min(path.find('/', pos), path.size());
  return {begin, end};
}

}  // namespace

std::string PathToUtf8(std::string_view path) {
  // '/' is never part of a UTF-8 sequence nor of a CP932 character.
  if (IsValidUtf8(path)) return std::string(path);
  std::string out;
  out.reserve(path.size() * 3 / 2);
  std::size_t begin = 0;
  for (;;) {
    const std::size_t slash = path.find('/', begin);
    const std::string_view part = path.substr(begin, slash == std::string_view::npos ? slash : slash - begin);
    out += ToUtf8(part, NameCodePage(part));
    if (slash == std::string_view::npos) break;
    out += '/';
    begin = slash + 1;
  }
  return out;
}

bool IsPathCharBoundary(std::string_view path, std::size_t pos) {
  if (pos == 0 || pos >= path.size()) return true;
  const auto [begin, end] = ComponentAt(path, pos);
  if (pos == begin) return true;
  const std::string_view part = path.substr(begin, end - begin);
  return IsCharBoundary(part, pos - begin, NameCodePage(part));
}

std::optional<std::string> ActiveTextIn(std::string_view text, CodePage to) {
  const CodePage from = ActiveCodePage();
  if (from == to || IsAscii(text)) return std::string(text);
  return ConvertCodePage(text, from, to);
}

}  // namespace zv
