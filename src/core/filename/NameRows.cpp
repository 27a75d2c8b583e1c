#include "filename/NameRows.h"

#include <memory>

#include "filename/FileNameTexts.h"

namespace zv {

const NameRows::Converted& NameRows::For(const SharedRows& rows, CodePage cp) {
  Entry& entry = m_entries[cp == CodePage::Cp932 ? 0 : 1];
  if (entry.source == rows && entry.converted.rows) return entry.converted;
  entry.source = rows;
  entry.converted.leftOut.clear();
  if (!rows || cp == ActiveCodePage()) {
    entry.converted.rows = rows;
    return entry.converted;
  }
  auto converted = std::make_shared<ConvertRows>();
  converted->reserve(rows->size());
  for (std::size_t i = 0; i < rows->size(); ++i) {
    const ConvertItem& row = (*rows)[i];
    auto find = ActiveTextIn(row.m_strFind, cp);
    auto with = ActiveTextIn(row.m_strReplaceWith, cp);
    if (find && with) {
      converted->push_back({std::move(*find), std::move(*with)});
    } else {
      entry.converted.leftOut.push_back(i);
    }
  }
  entry.converted.rows = std::move(converted);
  return entry.converted;
}

std::string RowsLeftOutNotice(const std::vector<std::size_t>& leftOut, CodePage cp) {
  std::string rows;
  for (std::size_t i : leftOut) {
    if (!rows.empty()) rows += ", ";
    rows += std::to_string(i + 1);
  }
  return texts::kRowsLeftOutHead + rows + texts::kRowsLeftOutMid +
         (cp == CodePage::Cp932 ? texts::kEncodingCp932 : texts::kEncodingUtf8) + texts::kRowsLeftOutTail;
}

}  // namespace zv
