#pragma once
// Deliberately simple second implementations of the text rules. Every
// character boundary is found by walking from the first byte; nothing is
// cached, skipped or clever. The fuzz targets hold the program's functions
// against these.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "list/ConvertItem.h"
#include "platform/CodePage.h"

namespace zvfuzz {

using zv::CodePage;

inline unsigned char U(char c) { return static_cast<unsigned char>(c); }

// Length of the character at i by the code page's byte rules (1 for a byte
// that does not start a complete character).
inline std::size_t NaiveCharLen(std::string_view s, std::size_t i, CodePage cp) {
  const unsigned char c = U(s[i]);
  const std::size_t left = s.size() - i;
  if (cp == CodePage::Cp932) {
    const bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    if (lead && left >= 2) {
      const unsigned char t = U(s[i + 1]);
      if ((t >= 0x40 && t <= 0x7E) || (t >= 0x80 && t <= 0xFC)) return 2;
    }
    return 1;
  }
  // The table of well-formed UTF-8 byte sequences.
  struct Row {
    unsigned char lo0, hi0, lo1, hi1;
    std::size_t len;
  };
  static constexpr Row kRows[] = {{0xC2, 0xDF, 0x80, 0xBF, 2}, {0xE0, 0xE0, 0xA0, 0xBF, 3},
                                  {0xE1, 0xEC, 0x80, 0xBF, 3}, {0xED, 0xED, 0x80, 0x9F, 3},
                                  {0xEE, 0xEF, 0x80, 0xBF, 3}, {0xF0, 0xF0, 0x90, 0xBF, 4},
                                  {0xF1, 0xF3, 0x80, 0xBF, 4}, {0xF4, 0xF4, 0x80, 0x8F, 4}};
  for (const Row& r : kRows) {
    if (c < r.lo0 || c > r.hi0) continue;
    if (left < r.len) return 1;
    if (U(s[i + 1]) < r.lo1 || U(s[i + 1]) > r.hi1) return 1;
    for (std::size_t k = 2; k < r.len; ++k)
      if (U(s[i + k]) < 0x80 || U(s[i + k]) > 0xBF) return 1;
    return r.len;
  }
  return 1;
}

// b[i] is true when a character starts at i; b[size] is true.
inline std::vector<bool> NaiveBoundaries(std::string_view s, CodePage cp) {
  std::vector<bool> b(s.size() + 1, false);
  for (std::size_t i = 0; i < s.size(); i += NaiveCharLen(s, i, cp)) b[i] = true;
  b[s.size()] = true;
  return b;
}

inline std::string NaiveFold(std::string_view s, CodePage cp) {
  std::string r(s);
  for (std::size_t i = 0; i < r.size();) {
    const std::size_t n = NaiveCharLen(r, i, cp);
    if (n == 1 && r[i] >= 'A' && r[i] <= 'Z') r[i] = static_cast<char>(r[i] - 'A' + 'a');
    if (n == 2 && cp == CodePage::Cp932 && U(r[i]) == 0x82 && U(r[i + 1]) >= 0x60 && U(r[i + 1]) <= 0x79)
      r[i + 1] = static_cast<char>(U(r[i + 1]) - 0x60 + 0x81);
    if (n == 3 && cp == CodePage::Utf8 && U(r[i]) == 0xEF && U(r[i + 1]) == 0xBC && U(r[i + 2]) >= 0xA1 &&
        U(r[i + 2]) <= 0xBA) {
      r[i + 1] = static_cast<char>(0xBD);
      r[i + 2] = static_cast<char>(U(r[i + 2]) - 0xA1 + 0x81);
    }
    i += n;
  }
  return r;
}

inline std::size_t NaiveFind(std::string_view hay, std::string_view needle, std::size_t from, CodePage cp) {
  if (needle.empty()) return std::string_view::npos;
  const std::vector<bool> b = NaiveBoundaries(hay, cp);
  for (std::size_t p = from; p + needle.size() <= hay.size(); ++p)
    if (b[p] && hay.substr(p, needle.size()) == needle) return p;
  return std::string_view::npos;
}

// Replace-all: occurrences found in the text as it was before this call,
// left to right, never overlapping.
inline std::size_t NaiveReplaceAll(std::string& text, std::string_view find, std::string_view with,
                                   CodePage cp) {
  if (find.empty()) return 0;
  const std::vector<bool> b = NaiveBoundaries(text, cp);
  std::string out;
  std::size_t count = 0;
  std::size_t p = 0;
  while (p < text.size()) {
    if (b[p] && p + find.size() <= text.size() && text.compare(p, find.size(), find) == 0) {
      out += with;
      p += find.size();
      ++count;
    } else {
      out += text[p++];
    }
  }
  text = out;
  return count;
}

inline std::size_t NaiveApplyList(std::string& text, const zv::ConvertRows& rows, CodePage cp) {
  std::size_t count = 0;
  for (const zv::ConvertItem& row : rows)
    count += NaiveReplaceAll(text, row.m_strFind, row.m_strReplaceWith, cp);
  return count;
}

// One row of the name conversion: whole-name or every occurrence; without
// case, occurrences are looked for in a folded copy and the same bytes of the
// name are replaced by the row's text as typed. An empty result keeps the name.
inline void NaiveNameRow(std::string& name, const zv::ConvertItem& row, bool part, bool noCase, CodePage cp) {
  const std::string& find = row.m_strFind;
  if (find.empty()) return;
  if (part) {
    const bool equal =
        noCase ? (name.size() == find.size() && NaiveFold(name, cp) == NaiveFold(find, cp)) : name == find;
    if (equal) name = row.m_strReplaceWith;
    return;
  }
  const std::string hay = noCase ? NaiveFold(name, cp) : name;
  const std::string needle = noCase ? NaiveFold(find, cp) : find;
  const std::vector<bool> b = NaiveBoundaries(hay, cp);
  std::string out;
  std::size_t p = 0;
  while (p < name.size()) {
    if (b[p] && p + needle.size() <= hay.size() && hay.compare(p, needle.size(), needle) == 0) {
      out += row.m_strReplaceWith;
      p += needle.size();
    } else {
      out += name[p++];
    }
  }
  if (!out.empty()) name = out;
}

inline std::string NaiveConvertName(std::string name, const zv::ConvertRows& rows, bool part, bool noCase,
                                    CodePage cp) {
  for (const zv::ConvertItem& row : rows) NaiveNameRow(name, row, part, noCase, cp);
  return name;
}

inline std::size_t NaiveCp932Length(std::string_view s, CodePage cp) {
  if (cp == CodePage::Cp932) return s.size();
  std::size_t len = 0;
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t n = NaiveCharLen(s, i, cp);
    bool single = n == 1;
    if (n == 3) {
      // U+FF61..U+FF9F, half-width katakana, is one byte in CP932.
      const unsigned cpnt = ((U(s[i]) & 0x0Fu) << 12) | ((U(s[i + 1]) & 0x3Fu) << 6) | (U(s[i + 2]) & 0x3Fu);
      single = cpnt >= 0xFF61 && cpnt <= 0xFF9F;
    }
    len += single ? 1 : 2;
    i += n;
  }
  return len;
}

// Sign of a case-insensitive comparison: CP932 compares character values
// (a double-byte character as one number), UTF-8 the folded bytes.
inline int NaiveICmp(std::string_view a, std::string_view b, CodePage cp) {
  const std::string fa = NaiveFold(a, cp), fb = NaiveFold(b, cp);
  if (cp == CodePage::Utf8) return fa < fb ? -1 : (fa == fb ? 0 : 1);
  auto values = [cp](const std::string& s) {
    std::vector<int> v;
    for (std::size_t i = 0; i < s.size();) {
      const std::size_t n = NaiveCharLen(s, i, cp);
      v.push_back(n == 2 ? (U(s[i]) << 8) | U(s[i + 1]) : U(s[i]));
      i += n;
    }
    return v;
  };
  const std::vector<int> va = values(fa), vb = values(fb);
  return va < vb ? -1 : (va == vb ? 0 : 1);
}

// Text mode: the byte 0x1A ends the data, CR LF reads as LF.
inline std::string NaiveTextModeDecode(std::string_view raw) {
  std::string out;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\x1A') break;
    if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;  // the LF follows
    out += raw[i];
  }
  return out;
}

// Lines split at LF; each line's content without its LF and without one CR
// right before it, followed by CR LF.
inline std::string NaiveSingleFileText(std::string_view raw) {
  std::string out, line;
  bool pending = false;
  for (char c : raw) {
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      out += line + "\r\n";
      line.clear();
      pending = false;
    } else {
      line += c;
      pending = true;
    }
  }
  if (pending) out += line + "\r\n";
  return out;
}

inline std::string NaiveExtension(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  const std::string_view last = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const std::size_t dot = last.rfind('.');
  return dot == std::string_view::npos ? std::string() : std::string(last.substr(dot));
}

inline std::string NaiveUndouble(std::string_view f, CodePage cp) {
  std::string out;
  for (std::size_t i = 0; i < f.size();) {
    const std::size_t n = NaiveCharLen(f, i, cp);
    if (n == 1 && f[i] == '"' && i + 1 < f.size() && f[i + 1] == '"') {
      out += '"';
      i += 2;
    } else {
      out.append(f.substr(i, n));
      i += n;
    }
  }
  return out;
}

// One CSV line by the quoted and plain forms.
inline std::optional<zv::ConvertItem> NaiveCsvLine(std::string_view line, CodePage cp) {
  std::string_view find, with;
  if (!line.empty() && line[0] == '"') {
    const std::size_t sep = NaiveFind(line, "\",\"", 1, cp);
    if (sep == std::string_view::npos) return std::nullopt;
    find = line.substr(1, sep - 1);
    const std::size_t start = sep + 3;
    std::size_t end = start;
    const std::vector<bool> b = NaiveBoundaries(line, cp);
    while (end < line.size()) {
      if (b[end] && line[end] == '"') {
        if (end + 1 < line.size() && line[end + 1] == '"') {
          end += 2;
          continue;
        }
        break;
      }
      ++end;
    }
    with = line.substr(start, end - start);
  } else {
    const std::size_t comma = NaiveFind(line, ",", 0, cp);
    if (comma == std::string_view::npos) return std::nullopt;
    find = line.substr(0, comma);
    const std::size_t next = NaiveFind(line, ",", comma + 1, cp);
    with = line.substr(comma + 1, next == std::string_view::npos ? std::string_view::npos : next - comma - 1);
  }
  return zv::ConvertItem{NaiveUndouble(find, cp), NaiveUndouble(with, cp)};
}

}  // namespace zvfuzz
