// The conversion-list reader on whole files in both code pages: rows as the
// line rules say, limits kept, and what the writer writes reads back.

#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "Naive.h"
#include "list/ConvertListFile.h"

using zv::CodePage;

namespace {

std::string Doubled(const std::string& s) {
  std::string out;
  for (char c : s) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out;
}

// The writer's line reads back unchanged unless the search field, quotes
// doubled, runs into a "," before its own separator (a known limit of the format).
bool LineRoundTrips(const zv::ConvertItem& row, CodePage cp) {
  const std::string line = "\"" + Doubled(row.m_strFind) + "\",\"x\"";
  return zvfuzz::NaiveFind(line, "\",\"", 1, cp) == 1 + Doubled(row.m_strFind).size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const CodePage cp = (data[0] & 1) ? CodePage::Cp932 : CodePage::Utf8;
  std::string content(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (data[0] & 2) content = zvfuzz::SmallAlphabet(content);

  zvfuzz::MemFile file(content);
  zv::ConvertRows rows{{"keep", "me"}};
  int failures = 0;
  const zv::LoadListResult r = zv::LoadConvertList(
      file.path(), rows, [&](const std::string&) { ++failures; }, cp);
  // Only a file marked as UTF-16 can be refused: when its text does not decode.
  const bool utf16 = content.starts_with("\xFF\xFE") || content.starts_with("\xFE\xFF");
  ZV_FUZZ_CHECK(r.io.ok || utf16);
  if (!r.io.ok) {
    ZV_FUZZ_CHECK(rows.size() == 1 && rows[0].m_strFind == "keep");
    return 0;
  }
  ZV_FUZZ_CHECK(!utf16 || r.convertedFrom);
  ZV_FUZZ_CHECK(r.added >= 0 && static_cast<std::size_t>(r.added) == rows.size());

  for (const zv::ConvertItem& row : rows) {
    ZV_FUZZ_CHECK(!row.m_strFind.empty() && !row.m_strReplaceWith.empty());
    ZV_FUZZ_CHECK(zv::ItemFitsLimits(row.m_strFind, row.m_strReplaceWith, cp));
    ZV_FUZZ_CHECK(row.m_strFind.find('\n') == std::string::npos);
    if (LineRoundTrips(row, cp)) ZV_FUZZ_CHECK(zv::ParseCsvLine(zv::FormatCsvLine(row), cp) == row);
  }

  // Without a code-page conversion the rows are exactly the lines' pairs.
  if (!r.convertedFrom) {
    zv::ConvertRows want;
    int wantFailures = 0;
    // A UTF-8 mark is not part of the first search string.
    const bool bom = content.starts_with("\xEF\xBB\xBF");
    const std::string text = zvfuzz::NaiveTextModeDecode(bom ? content.substr(3) : content);
    std::size_t begin = 0;
    while (begin < text.size()) {
      std::size_t end = text.find('\n', begin);
      if (end == std::string::npos) end = text.size();
      const std::string_view line(text.data() + begin, end - begin);
      begin = end + 1;
      const auto item = zvfuzz::NaiveCsvLine(line, cp);
      ZV_FUZZ_CHECK(zv::ParseCsvLine(line, cp) == item);
      if (!item || item->m_strFind.empty() || item->m_strReplaceWith.empty()) continue;
      if (zvfuzz::NaiveCp932Length(item->m_strFind, cp) > 100 ||
          zvfuzz::NaiveCp932Length(item->m_strReplaceWith, cp) > 100) {
        ++wantFailures;
        continue;
      }
      want.push_back(*item);
    }
    ZV_FUZZ_CHECK(rows == want);
    ZV_FUZZ_CHECK(failures == wantFailures);
  }

  // Saved and loaded again, rows in the session's own valid text come back.
  bool valid = true, allRoundTrip = true;
  std::string joined;
  for (const zv::ConvertItem& row : rows) {
    valid = valid && zv::IsValidText(row.m_strFind, cp) && zv::IsValidText(row.m_strReplaceWith, cp);
    allRoundTrip = allRoundTrip && LineRoundTrips(row, cp);
    joined += row.m_strFind + row.m_strReplaceWith;
  }
  // A CP932 session takes a file that is valid UTF-8 for a UTF-8 list.
  bool nonAscii = false;
  for (unsigned char c : joined) nonAscii = nonAscii || c >= 0x80;
  const bool looksUtf8 = cp == CodePage::Cp932 && nonAscii && zv::IsValidText(joined, CodePage::Utf8);
  if (valid && allRoundTrip && !looksUtf8) {
    const std::string path = zvfuzz::ScratchFolder() + "/list.csv";
    ZV_FUZZ_CHECK(zv::SaveConvertList(path, rows).ok);
    zv::ConvertRows again;
    const zv::LoadListResult r2 = zv::LoadConvertList(path, again, nullptr, cp);
    ZV_FUZZ_CHECK(r2.io.ok && !r2.convertedFrom);
    ZV_FUZZ_CHECK(again == rows);
  }
  return 0;
}
