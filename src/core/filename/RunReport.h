#pragma once
// The CSV report of a run: one row per file, in file-list order; the
// command line's --report and the desktop's レポートを保存 write the same.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "filename/RunInterfaces.h"
#include "platform/File.h"

namespace zv {

struct ReportRow {
  std::string source, destination;  // the file system's bytes
  std::string action;               // converted, copied, skipped, failed, exists
  std::size_t replacements = 0;
  std::string error;
  std::string encoding;  // of a text file: the one it was read in
};

// Quoted (quotes doubled) when it holds a comma, a quote or a line break.
std::string CsvField(std::string_view field);
// Header line, then the rows; LF line ends. Written atomically.
std::string FormatReport(const std::vector<ReportRow>& rows);
FileResult WriteReport(const std::string& path, const std::vector<ReportRow>& rows);

}  // namespace zv
