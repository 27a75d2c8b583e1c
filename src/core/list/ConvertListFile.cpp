#include "list/ConvertListFile.h"

#include "list/ListTexts.h"
#include "platform/Path.h"

namespace zv {

namespace {

// "" -> " left to right; the pairs do not overlap.
std::string Undouble(std::string_view field, CodePage cp) {
  std::string out;
  out.reserve(field.size());
  std::size_t pos = 0;
  while (pos < field.size()) {
    std::size_t len = CharLen(field, pos, cp);
    if (len == 1 && field[pos] == '"' && pos + 1 < field.size() && field[pos + 1] == '"') {
      out += '"';
      pos += 2;
      continue;
    }
    out.append(field.substr(pos, len));
    pos += len;
  }
  return out;
}

std::string DoubleQuotes(std::string_view s) {
  std::string out;
  out.reserve(s.size() + 2);
  for (char c : s) {
    out += c;
    if (c == '"') out += '"';
  }
  return out;
}

// End of a quoted replacement field that starts at `from`: the first " that is
// not part of a doubled "", or the end of the line.
std::size_t QuotedFieldEnd(std::string_view line, std::size_t from, CodePage cp) {
  std::size_t pos = from;
  while (pos < line.size()) {
    std::size_t len = CharLen(line, pos, cp);
    if (len == 1 && line[pos] == '"') {
      if (pos + 1 < line.size() && line[pos + 1] == '"') {
        pos += 2;
        continue;
      }
      return pos;
    }
    pos += len;
  }
  return line.size();
}

enum class Bom { None, Utf8, Utf16Le, Utf16Be };

// Takes a byte-order mark off the front of content.
Bom TakeBom(std::string& content) {
  auto take = [&content](std::string_view mark, Bom bom) {
    if (!content.starts_with(mark)) return Bom::None;
    content.erase(0, mark.size());
    return bom;
  };
  if (Bom b = take("\xEF\xBB\xBF", Bom::Utf8); b != Bom::None) return b;
  if (Bom b = take("\xFF\xFE", Bom::Utf16Le); b != Bom::None) return b;
  return take("\xFE\xFF", Bom::Utf16Be);
}

// nullopt for an odd length or a surrogate without its partner.
std::optional<std::string> Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
  if (bytes.size() % 2 != 0) return std::nullopt;
  auto unit = [&](std::size_t i) -> char32_t {
    const auto b0 = static_cast<unsigned char>(bytes[i]), b1 = static_cast<unsigned char>(bytes[i + 1]);
    return bigEndian ? (b0 << 8) | b1 : (b1 << 8) | b0;
  };
  std::string out;
  out.reserve(bytes.size() * 3 / 2);
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    char32_t c = unit(i);
    if (c >= 0xDC00 && c <= 0xDFFF) return std::nullopt;
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 4 > bytes.size()) return std::nullopt;
      const char32_t low = unit(i + 2);
      if (low < 0xDC00 || low > 0xDFFF) return std::nullopt;
      c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

bool HasNonAscii(std::string_view s) {
  for (unsigned char c : s)
    if (c >= 0x80) return true;
  return false;
}

// Lists travel between sessions of both code pages, so a file in the other
// one is converted before parsing. CP932 validity is loose (most byte strings
// pass), so the two directions differ: a UTF-8 session converts a file that is
// not UTF-8 but is CP932; a CP932 session converts a file that is strictly
// valid UTF-8 with at least one multibyte sequence, since Shift-JIS Japanese
// text is practically never valid UTF-8. A file that cannot be converted
// (characters without a CP932 form) is parsed as it stands.
std::optional<std::string> DetectOtherCodePage(std::string& content, CodePage cp) {
  if (cp == CodePage::Utf8) {
    if (IsValidText(content, CodePage::Utf8) || !IsValidText(content, CodePage::Cp932)) return std::nullopt;
    auto converted = ConvertCodePage(content, CodePage::Cp932, CodePage::Utf8);
    if (!converted) return std::nullopt;
    content = std::move(*converted);
    return std::string("CP932");
  }
  if (!HasNonAscii(content) || !IsValidText(content, CodePage::Utf8)) return std::nullopt;
  auto converted = ConvertCodePage(content, CodePage::Utf8, CodePage::Cp932);
  if (!converted) return std::nullopt;
  content = std::move(*converted);
  return std::string("UTF-8");
}

}  // namespace

bool ItemFitsLimits(std::string_view find, std::string_view replace, CodePage cp) {
  return !find.empty() && Cp932Length(find, cp) <= kMaxItemBytes && Cp932Length(replace, cp) <= kMaxItemBytes;
}

std::string AddItemFailedMessage(std::string_view find, std::string_view replace, CodePage cp) {
  // The texts are UTF-8 in the source; CP932 has a form for every one of them.
  auto text = [cp](const char* utf8) { return FromUtf8(utf8, cp).value_or(utf8); };
  std::string msg = text(texts::kAddItemFailed);
  msg += text(texts::kSearchLabel);
  msg.append(find);
  msg += "\r\n";
  msg += text(texts::kReplaceLabel);
  msg.append(replace);
  msg += "\r\n";
  return msg;
}

std::string FormatCsvLine(const ConvertItem& item) {
  return "\"" + DoubleQuotes(item.m_strFind) + "\",\"" + DoubleQuotes(item.m_strReplaceWith) + "\"";
}

std::optional<ConvertItem> ParseCsvLine(std::string_view line, CodePage cp) {
  std::string_view find, replace;
  if (!line.empty() && line[0] == '"') {
    std::size_t sep = FindOnBoundary(line, "\",\"", 1, cp);
    if (sep == std::string_view::npos) return std::nullopt;
    find = line.substr(1, sep - 1);
    std::size_t start = sep + 3;
    replace = line.substr(start, QuotedFieldEnd(line, start, cp) - start);
  } else {
    std::size_t comma = FindOnBoundary(line, ",", 0, cp);
    if (comma == std::string_view::npos) return std::nullopt;
    find = line.substr(0, comma);
    std::size_t start = comma + 1;
    std::size_t next = FindOnBoundary(line, ",", start, cp);
    replace = line.substr(start, next == std::string_view::npos ? std::string_view::npos : next - start);
  }
  return ConvertItem{Undouble(find, cp), Undouble(replace, cp)};
}

LoadListResult LoadConvertList(const std::string& path, ConvertRows& rows,
                               const std::function<void(const std::string& message)>& onAddFailed,
                               CodePage cp) {
  LoadListResult result;
  if (!PathFileExists(path)) return result;

  std::string content;
  result.io = ReadInputFile(path, content, kMaxListBytes);
  if (!result.io) return result;  // rows untouched: never a partly filled list

  // Read as bytes, UTF-16 would give no usable row, and a UTF-8 mark would
  // stick to the first search string.
  const Bom bom = TakeBom(content);
  if (bom == Bom::Utf16Le || bom == Bom::Utf16Be) {
    std::optional<std::string> text = Utf16ToUtf8(content, bom == Bom::Utf16Be);
    if (text && cp != CodePage::Utf8) text = ConvertCodePage(*text, CodePage::Utf8, cp);
    if (!text) {
      result.io = FileResult::Fail(FileOp::Refuse, kRefusedEncoding, path);
      return result;
    }
    content = std::move(*text);
    result.convertedFrom = bom == Bom::Utf16Le ? "UTF-16LE" : "UTF-16BE";
  }
  TextModeDecodeInPlace(content);
  // A UTF-8 mark settles the question in a UTF-8 session.
  if (bom == Bom::None || (bom == Bom::Utf8 && cp != CodePage::Utf8))
    result.convertedFrom = DetectOtherCodePage(content, cp);

  ConvertRows loaded;
  std::size_t begin = 0;
  while (begin < content.size()) {
    std::size_t end = content.find('\n', begin);
    if (end == std::string::npos) end = content.size();
    std::string_view line(content.data() + begin, end - begin);
    begin = end + 1;

    auto item = ParseCsvLine(line, cp);
    if (!item || item->m_strFind.empty() || item->m_strReplaceWith.empty()) continue;
    if (!ItemFitsLimits(item->m_strFind, item->m_strReplaceWith, cp)) {
      if (onAddFailed) onAddFailed(AddItemFailedMessage(item->m_strFind, item->m_strReplaceWith, cp));
      continue;
    }
    loaded.push_back(std::move(*item));
  }

  rows = std::move(loaded);
  result.added = static_cast<int>(rows.size());
  return result;
}

FileResult SaveConvertList(const std::string& path, const ConvertRows& rows) {
  std::string data;
  for (const ConvertItem& item : rows) {
    data += FormatCsvLine(item);
    data += '\n';
  }
  // Text mode, as the list was always written: LF becomes CR LF.
  FileResult r = WriteFileAtomic(path, data, WriteMode::TextMode);
  if (!r) r.path = path;  // the message names the list, not a temporary file
  return r;
}

}  // namespace zv
