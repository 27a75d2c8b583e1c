#include "filename/NameConvert.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "text/ListMatcher.h"

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

  // Occurrences are found in the name as it stood before this row, as
  // replace-all finds them in a text: an inserted replacement that ends in a
  // lone lead byte must not change where a later occurrence begins. Folding
  // keeps byte lengths, so a range found in the folded copy is the same range
  // in the name.
  const std::string hay = rules.noCase ? FoldCase(name, cp) : name;
  const std::string needle = rules.noCase ? FoldCase(find, cp) : find;
  std::string result;
  std::size_t count = 0;
  std::size_t copied = 0;
  for (std::size_t pos = FindOnBoundary(hay, needle, 0, cp); pos != std::string::npos;
       pos = FindOnBoundary(hay, needle, copied, cp)) {
    result.append(name, copied, pos - copied);
    result += with;
    copied = pos + needle.size();
    ++count;
  }
  result.append(name, copied, std::string::npos);
  // An empty name would leave nothing to copy under; keep the one before this row.
  if (count == 0 || result.empty()) return 0;
  name = std::move(result);
  return count;
}

namespace {

// Short lists are applied row by row; longer ones ask the compiled list which
// rows occur in the name at all.
constexpr std::size_t kIndexedRows = 16;

// What a list needs for names: the compiled search strings (folded when case
// is ignored) and, for whole-name mode, the rows of each (folded) name.
struct NameIndex {
  SharedRows rows;
  bool noCase = false;
  CodePage cp = CodePage::Utf8;
  std::shared_ptr<const CompiledList> compiled;
  std::unordered_map<std::string, std::vector<std::uint32_t>> whole;
};

// The index last built, with the rows it was last asked with; holding them
// keeps their address from being reused by other rows.
std::shared_ptr<const NameIndex> IndexFor(const ConvertRows& rows, const SharedRows& key, NameRules rules,
                                          CodePage cp) {
  // One index per encoding: a tree that mixes UTF-8 and CP932 names asks
  // for both in turn.
  static std::mutex mutex;
  static std::shared_ptr<const NameIndex> lasts[2];
  static SharedRows lastKeys[2];
  std::shared_ptr<const NameIndex>& last = lasts[cp == CodePage::Cp932 ? 0 : 1];
  SharedRows& lastKey = lastKeys[cp == CodePage::Cp932 ? 0 : 1];
  {
    std::lock_guard<std::mutex> lock(mutex);
    if (last && last->noCase == rules.noCase && last->cp == cp) {
      if (key && key == lastKey) return last;
      if (*last->rows == rows) {
        if (key) lastKey = key;
        return last;
      }
    }
  }
  auto index = std::make_shared<NameIndex>();
  index->rows = key ? key : std::make_shared<const ConvertRows>(rows);
  index->noCase = rules.noCase;
  index->cp = cp;
  ConvertRows keys = rows;
  if (rules.noCase)
    for (ConvertItem& k : keys) k.m_strFind = FoldCase(k.m_strFind, cp);
  for (std::uint32_t i = 0; i < keys.size(); ++i)
    if (!keys[i].m_strFind.empty()) index->whole[keys[i].m_strFind].push_back(i);
  index->compiled = CompileList(keys);
  std::lock_guard<std::mutex> lock(mutex);
  last = index;
  lastKey = key;
  return index;
}

// Whole-name mode: the next row after `after` whose search string equals the name.
long NextWholeMatch(const NameIndex& index, const std::string& name, long after, CodePage cp) {
  auto it = index.whole.find(index.noCase ? FoldCase(name, cp) : name);
  if (it == index.whole.end()) return -1;
  auto next = after < 0 ? it->second.begin()
                        : std::upper_bound(it->second.begin(), it->second.end(), static_cast<std::uint32_t>(after));
  return next == it->second.end() ? -1 : static_cast<long>(*next);
}

}  // namespace

namespace {

std::string Convert(const std::string& base, const ConvertRows& rows, const SharedRows& key, NameRules rules,
                    CodePage cp, std::size_t* replacements) {
  std::string name = base;
  std::size_t total = 0;
  if (rows.size() < kIndexedRows) {
    for (const ConvertItem& row : rows) total += ConvertNameRow(name, row, rules, cp);
    if (replacements) *replacements = total;
    return name;
  }
  const auto index = IndexFor(rows, key, rules, cp);
  if (rules.part) {
    for (long i = NextWholeMatch(*index, name, -1, cp); i >= 0; i = NextWholeMatch(*index, name, i, cp)) {
      name = rows[static_cast<std::size_t>(i)].m_strReplaceWith;
      ++total;
    }
  } else {
    std::vector<std::uint32_t> present;
    long after = -1;
    bool ok = RowsOccurring(*index->compiled, rules.noCase ? FoldCase(name, cp) : name, after, present);
    std::size_t k = 0;
    while (ok && k < present.size()) {
      const std::uint32_t i = present[k++];
      const std::size_t n = ConvertNameRow(name, rows[i], rules, cp);
      if (n == 0) continue;
      total += n;
      // The name changed: later rows may now occur, or no longer.
      after = static_cast<long>(i);
      ok = RowsOccurring(*index->compiled, rules.noCase ? FoldCase(name, cp) : name, after, present);
      k = 0;
    }
    if (!ok) {  // the scan could not run: every later row in turn
      for (std::size_t i = static_cast<std::size_t>(after + 1); i < rows.size(); ++i)
        total += ConvertNameRow(name, rows[i], rules, cp);
    }
  }
  if (replacements) *replacements = total;
  return name;
}

}  // namespace

std::string ConvertBaseName(const std::string& base, const ConvertRows& rows, NameRules rules, CodePage cp,
                            std::size_t* replacements) {
  return Convert(base, rows, nullptr, rules, cp, replacements);
}

std::string ConvertBaseName(const std::string& base, const SharedRows& rows, NameRules rules, CodePage cp,
                            std::size_t* replacements) {
  static const ConvertRows kNone;
  return Convert(base, rows ? *rows : kNone, rows, rules, cp, replacements);
}

}  // namespace zv
