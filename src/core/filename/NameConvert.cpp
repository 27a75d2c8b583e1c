#include "filename/NameConvert.h"

namespace zv {

std::size_t ConvertNameRow(std::string& name, const ConvertItem& row, NameRules rules, CodePage cp) {
  const std::string& find = row.m_strFind;
  const std::string& with = row.m_strReplaceWith;
  // A row without a search string does nothing, in either mode.
  if (find.empty()) return 0;

  if (rules.part) {
    const bool equal = rules.noCase ? MbsIEqual(name, find, cp) : name == find;
    if (!equal) return 0;
    name = with;  // may leave the base name empty: the copy is then named by its extension
    return 1;
  }

  std::string result = name;
  std::size_t count = 0;
  std::size_t pos = 0;
  if (rules.noCase) {
    // Folding keeps byte lengths, so a range found in the folded copy is the
    // same range in the name; the copy follows every replacement.
    std::string folded = FoldCase(result, cp);
    const std::string foldedFind = FoldCase(find, cp);
    const std::string foldedWith = FoldCase(with, cp);
    while ((pos = FindOnBoundary(folded, foldedFind, pos, cp)) != std::string::npos) {
      result.replace(pos, find.size(), with);
      folded.replace(pos, foldedFind.size(), foldedWith);
      pos += with.size();
      ++count;
    }
  } else {
    while ((pos = FindOnBoundary(result, find, pos, cp)) != std::string::npos) {
      result.replace(pos, find.size(), with);
      pos += with.size();
      ++count;
    }
  }
  // An empty name would leave nothing to copy under; keep the one before this row.
  if (count == 0 || result.empty()) return 0;
  name = std::move(result);
  return count;
}

std::string ConvertBaseName(const std::string& base, const ConvertRows& rows, NameRules rules, CodePage cp,
                            std::size_t* replacements) {
  std::string name = base;
  std::size_t total = 0;
  for (const ConvertItem& row : rows) total += ConvertNameRow(name, row, rules, cp);
  if (replacements) *replacements = total;
  return name;
}

}  // namespace zv
