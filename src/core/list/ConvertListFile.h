#pragma once
// The conversion-list CSV file: one quoted pair per line.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "list/ConvertItem.h"
#include "platform/CodePage.h"
#include "platform/File.h"

namespace zv {

// True when the row passes the 100-byte limits (counted as CP932 bytes).
bool ItemFitsLimits(std::string_view find, std::string_view replace, CodePage cp);

// "項目の追加に失敗しました。検索文字：<find>\r\n置換文字列：<replace>\r\n"
// The fixed texts are given in code page cp, like the fields, so the whole
// message is one byte string in that code page.
std::string AddItemFailedMessage(std::string_view find, std::string_view replace, CodePage cp);
inline std::string AddItemFailedMessage(std::string_view find, std::string_view replace) {
  return AddItemFailedMessage(find, replace, ActiveCodePage());
}

// One line as written (without the line end): "find","replace" with quotes doubled.
std::string FormatCsvLine(const ConvertItem& item);
// Fields cut out of one line (no line end) by the quoted/plain rules, quotes
// undoubled; nullopt for a line without a separator. Empty fields are kept
// here; the reader drops them.
std::optional<ConvertItem> ParseCsvLine(std::string_view line, CodePage cp);

// A list has no business being large: about 1 MB holds 10,000 rows, so this
// is plenty; a larger file is refused.
inline constexpr std::size_t kMaxListBytes = std::size_t{16} << 20;

struct LoadListResult {
  int added = -1;  // rows read; -1 when nothing exists at the path or it was not read
  // Failure to open or read an existing file, or its refusal (FileOp::Refuse:
  // over the size limit, not a regular file, UTF-16 that cannot be converted).
  FileResult io;
  // Set when the file was in another encoding: "CP932", "UTF-8", "UTF-16LE", "UTF-16BE".
  std::optional<std::string> convertedFrom;
};

// Reads the file. On success `rows` is replaced by the pairs read, in file
// order; a pair that breaks the limits is reported through onAddFailed (the
// message text above) and skipped. When nothing exists, or the file cannot be
// read, `rows` is left as it was. A file that is not valid text in the active
// code page but is valid in the other one is converted (convertedFrom names
// the code page it was read in, "CP932" or "UTF-8"). A byte-order mark
// decides instead where there is one: UTF-8's is skipped, and UTF-16 text
// (either byte order) is converted to cp.
LoadListResult LoadConvertList(const std::string& path, ConvertRows& rows,
                               const std::function<void(const std::string& message)>& onAddFailed,
                               CodePage cp);
// Writes the rows in the given order (callers pass all rows or the selected
// ones), CR LF line ends, atomically.
FileResult SaveConvertList(const std::string& path, const ConvertRows& rows);

}  // namespace zv
