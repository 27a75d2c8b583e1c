#include "list/ListCheck.h"

#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <unordered_map>

#include "list/ListTexts.h"
#include "platform/CodePage.h"
#include "text/ListMatcher.h"
#include "text/TextEncoding.h"

namespace zv {

namespace {

std::string Format(std::string_view utf8Template, std::initializer_list<std::string> args) {
  std::string out;
  for (std::size_t i = 0; i < utf8Template.size(); ++i) {
    const char c = utf8Template[i];
    if (c == '%' && i + 1 < utf8Template.size() && utf8Template[i + 1] >= '1' && utf8Template[i + 1] <= '9') {
      const std::size_t n = static_cast<std::size_t>(utf8Template[++i] - '1');
      if (n < args.size()) out += *(args.begin() + n);
      continue;
    }
    out += c;
  }
  return out;
}

std::string Num(std::size_t row) { return std::to_string(row + 1); }

// Search strings as a user compares them: width, case and normalisation
// folded (NFKC with case folding), in UTF-8.
std::string Folded(const std::string& utf8) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfkcCf = icu::Normalizer2::getNFKCCasefoldInstance(status);
  if (U_FAILURE(status)) return utf8;
  const icu::UnicodeString folded = nfkcCf->normalize(icu::UnicodeString::fromUTF8(utf8), status);
  if (U_FAILURE(status)) return utf8;
  std::string out;
  folded.toUTF8String(out);
  return out;
}

// Rows whose search string occurs in text on a character boundary.
std::vector<std::size_t> Occurring(const CompiledList* compiled, const ConvertRows& rows,
                                   const std::string& text) {
  std::vector<std::size_t> found;
  const CodePage cp = ActiveCodePage();
  std::vector<std::uint32_t> candidates;
  if (compiled && RowsOccurring(*compiled, text, -1, candidates)) {
    for (std::uint32_t j : candidates)
      if (FindOnBoundary(text, rows[j].m_strFind, 0, cp) != std::string::npos) found.push_back(j);
    return found;
  }
  for (std::size_t j = 0; j < rows.size(); ++j)
    if (FindOnBoundary(text, rows[j].m_strFind, 0, cp) != std::string::npos) found.push_back(j);
  return found;
}

// Groups of at least two rows that lead round to each other (Tarjan).
std::vector<std::vector<std::size_t>> Cycles(const std::vector<std::vector<std::size_t>>& next) {
  const std::size_t n = next.size();
  std::vector<long> index(n, -1), low(n, 0);
  std::vector<bool> onStack(n, false);
  std::vector<std::size_t> stack;
  std::vector<std::vector<std::size_t>> groups;
  long counter = 0;
  struct Frame {
    std::size_t v, edge;
  };
  for (std::size_t root = 0; root < n; ++root) {
    if (index[root] >= 0 || next[root].empty()) continue;
    std::vector<Frame> frames{{root, 0}};
    index[root] = low[root] = counter++;
    stack.push_back(root);
    onStack[root] = true;
    while (!frames.empty()) {
      Frame& f = frames.back();
      if (f.edge < next[f.v].size()) {
        const std::size_t w = next[f.v][f.edge++];
        if (index[w] < 0) {
          index[w] = low[w] = counter++;
          stack.push_back(w);
          onStack[w] = true;
          frames.push_back({w, 0});
        } else if (onStack[w]) {
          low[f.v] = std::min(low[f.v], index[w]);
        }
        continue;
      }
      const std::size_t v = f.v;
      frames.pop_back();
      if (!frames.empty()) low[frames.back().v] = std::min(low[frames.back().v], low[v]);
      if (low[v] != index[v]) continue;
      std::vector<std::size_t> group;
      std::size_t w;
      do {
        w = stack.back();
        stack.pop_back();
        onStack[w] = false;
        group.push_back(w);
      } while (w != v);
      if (group.size() > 1) {
        std::sort(group.begin(), group.end());
        groups.push_back(std::move(group));
      }
    }
  }
  std::sort(groups.begin(), groups.end());
  return groups;
}

std::string RowList(const std::vector<std::size_t>& rows) {
  std::string out;
  for (std::size_t r : rows) out += (out.empty() ? "" : ", ") + Num(r);
  return out;
}

}  // namespace

const char* FindingKindWord(FindingKind kind) {
  switch (kind) {
    case FindingKind::Duplicate:
      return "duplicate";
    case FindingKind::NoChange:
      return "no-change";
    case FindingKind::ContainsEarlier:
      return "contains-earlier";
    case FindingKind::Chain:
      return "chain";
    case FindingKind::Cycle:
      return "cycle";
    case FindingKind::Variant:
      return "variant";
    case FindingKind::LookAlike:
      return "look-alike";
    case FindingKind::NotExpressible:
      return "not-expressible";
  }
  return "";
}

std::vector<ListFinding> CheckList(const ConvertRows& rows) {
  std::vector<ListFinding> findings;
  const CodePage cp = ActiveCodePage();
  auto shown = [cp](const std::string& s) { return ToUtf8(s, cp); };
  const std::shared_ptr<const CompiledList> compiled = CompileList(rows);

  std::unordered_map<std::string, std::size_t> firstOf;
  std::map<std::string, std::vector<std::size_t>> byFolded;
  std::vector<std::vector<std::size_t>> next(rows.size());
  for (std::size_t j = 0; j < rows.size(); ++j) {
    const ConvertItem& row = rows[j];
    if (row.m_strFind.empty()) continue;
    const auto [it, fresh] = firstOf.emplace(row.m_strFind, j);
    if (!fresh) {
      findings.push_back({FindingKind::Duplicate,
                          {j + 1, it->second + 1},
                          Format(texts::kCheckDuplicate, {Num(j), Num(it->second)})});
    }
    if (row.m_strFind == row.m_strReplaceWith)
      findings.push_back({FindingKind::NoChange, {j + 1}, Format(texts::kCheckNoChange, {Num(j)})});
    // An earlier, different search string inside this one replaced it first.
    for (std::size_t i : Occurring(compiled.get(), rows, row.m_strFind)) {
      if (i >= j || rows[i].m_strFind == row.m_strFind) continue;
      findings.push_back({FindingKind::ContainsEarlier,
                          {j + 1, i + 1},
                          Format(texts::kCheckContainsEarlier, {Num(j), Num(i)})});
    }
    for (std::size_t k : Occurring(compiled.get(), rows, row.m_strReplaceWith)) {
      if (k == j || rows[k].m_strFind == row.m_strFind) continue;
      next[j].push_back(k);
      if (k > j)
        findings.push_back(
            {FindingKind::Chain, {j + 1, k + 1}, Format(texts::kCheckChain, {Num(j), Num(k)})});
    }
    byFolded[Folded(shown(row.m_strFind))].push_back(j);

    const std::string utf8 = shown(row.m_strFind);
    if (utf8.find("\xE3\x80\x80") != std::string::npos)
      findings.push_back({FindingKind::LookAlike, {j + 1}, Format(texts::kCheckFullWidthSpace, {Num(j)})});
    for (const char* wave : {"\xE3\x80\x9C", "\xEF\xBD\x9E"}) {
      if (utf8.find(wave) == std::string::npos) continue;
      findings.push_back({FindingKind::LookAlike, {j + 1}, Format(texts::kCheckWaveDash, {Num(j), wave})});
    }

    std::string missing;
    for (TextEncoding enc :
         {TextEncoding::Cp932, TextEncoding::EucJp, TextEncoding::Iso2022Jp, TextEncoding::Utf8}) {
      if (CanExpress(row.m_strFind, enc) && CanExpress(row.m_strReplaceWith, enc)) continue;
      missing += (missing.empty() ? "" : ", ") + EncodingLabel({enc, 0, false});
    }
    if (!missing.empty())
      findings.push_back(
          {FindingKind::NotExpressible, {j + 1}, Format(texts::kCheckNotExpressible, {Num(j), missing})});
  }
  for (const auto& [folded, group] : byFolded) {
    for (std::size_t k = 1; k < group.size(); ++k) {
      const ConvertItem& first = rows[group.front()];
      const ConvertItem& other = rows[group[k]];
      if (other.m_strFind == first.m_strFind) continue;  // a duplicate, said above
      findings.push_back({FindingKind::Variant,
                          {group[k] + 1, group.front() + 1},
                          Format(texts::kCheckVariant, {Num(group[k]), Num(group.front()),
                                                        shown(other.m_strFind), shown(first.m_strFind)})});
    }
  }
  for (const std::vector<std::size_t>& group : Cycles(next)) {
    std::vector<std::size_t> numbers;
    for (std::size_t r : group) numbers.push_back(r + 1);
    findings.push_back({FindingKind::Cycle, numbers, Format(texts::kCheckCycle, {RowList(group)})});
  }
  std::stable_sort(findings.begin(), findings.end(), [](const ListFinding& a, const ListFinding& b) {
    return a.rows.front() < b.rows.front();
  });
  return findings;
}

}  // namespace zv
