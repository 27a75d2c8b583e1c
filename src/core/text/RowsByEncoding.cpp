#include "text/RowsByEncoding.h"

#include <memory>

#include "text/TextTexts.h"

namespace zv {

RowsByEncoding::Converted RowsByEncoding::For(const SharedRows& rows, TextEncoding enc) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Entry& entry = m_entries[static_cast<int>(enc)];
  if (entry.source == rows && entry.converted.rows) return entry.converted;
  entry.source = rows;
  entry.converted.leftOut.clear();
  const CodePage working = WorkingCodePage(enc);
  if (!rows || (enc == SessionEncoding())) {
    entry.converted.rows = rows;
    return entry.converted;
  }
  auto converted = std::make_shared<ConvertRows>();
  converted->reserve(rows->size());
  for (std::size_t i = 0; i < rows->size(); ++i) {
    const ConvertItem& row = (*rows)[i];
    auto find = ActiveTextIn(row.m_strFind, working);
    auto with = ActiveTextIn(row.m_strReplaceWith, working);
    if (find && with &&
        (!IsDecoded(enc) || (CanExpress(row.m_strFind, enc) && CanExpress(row.m_strReplaceWith, enc)))) {
      converted->push_back({std::move(*find), std::move(*with)});
    } else {
      entry.converted.leftOut.push_back(i);
    }
  }
  entry.converted.rows = std::move(converted);
  // Another encoding worked in the same code page may have the very same rows.
  for (const Entry& other : m_entries) {
    if (&other == &entry || other.source != rows || !other.converted.rows) continue;
    if (*other.converted.rows == *entry.converted.rows) {
      entry.converted.rows = other.converted.rows;
      break;
    }
  }
  return entry.converted;
}

std::string RowNumbers(const std::vector<std::size_t>& leftOut) {
  std::string numbers;
  for (std::size_t i : leftOut) {
    if (!numbers.empty()) numbers += ", ";
    numbers += std::to_string(i + 1);
  }
  return numbers;
}

namespace {

std::string Notice(const std::vector<std::size_t>& leftOut, TextEncoding enc, const char* tail) {
  return texts::kRowsLeftOutHead + RowNumbers(leftOut) + texts::kRowsLeftOutMid +
         EncodingLabel({enc, 0, false}) + tail;
}

}  // namespace

std::string RowsLeftOutOfNames(const std::vector<std::size_t>& leftOut, TextEncoding enc) {
  return Notice(leftOut, enc, texts::kRowsLeftOutOfNames);
}

std::string RowsLeftOutOfTexts(const std::vector<std::size_t>& leftOut, TextEncoding enc) {
  return Notice(leftOut, enc, texts::kRowsLeftOutOfTexts);
}

}  // namespace zv
