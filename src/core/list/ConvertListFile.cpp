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
  result.io = ReadTextModeFile(path, content);
  if (!result.io) return result;  // rows untouched: never a partly filled list

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
