#include "filename/RunReport.h"

namespace zv {

std::string CsvField(std::string_view field) {
  if (field.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(field);
  std::string out = "\"";
  for (char c : field) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

std::string FormatReport(const std::vector<ReportRow>& rows) {
  std::string out = "source,destination,action,replacements,error,encoding\n";
  for (const ReportRow& row : rows) {
    out += CsvField(row.source) + ',' + CsvField(row.destination) + ',' + row.action + ',' +
           std::to_string(row.replacements) + ',' + CsvField(row.error) + ',' + CsvField(row.encoding) + '\n';
  }
  return out;
}

FileResult WriteReport(const std::string& path, const std::vector<ReportRow>& rows) {
  return WriteFileAtomic(path, FormatReport(rows));
}

}  // namespace zv
