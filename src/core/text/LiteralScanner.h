#pragma once
// Every occurrence of a set of byte strings in one pass over a text
// (Aho-Corasick), reported in order of end offset. Small sets walk a full
// transition table; large ones follow failure links over sorted edges.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

class LiteralScanner {
 public:
  // needles: distinct and non-empty; a needle's id is its index.
  explicit LiteralScanner(const std::vector<std::string>& needles);

  // Calls onMatch(id, end) for every occurrence (end = offset just past it);
  // onMatch returns false to stop, and Scan then returns false.
  template <class OnMatch>
  bool Scan(std::string_view text, OnMatch&& onMatch) const {
    std::uint32_t s = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
      s = Step(s, static_cast<unsigned char>(text[i]));
      for (std::uint32_t t = m_report[s]; t != 0; t = m_outLink[t])
        if (!onMatch(static_cast<std::uint32_t>(m_out[t]), i + 1)) return false;
    }
    return true;
  }

 private:
  std::uint32_t Step(std::uint32_t s, unsigned char c) const {
    if (!m_delta.empty()) return m_delta[(static_cast<std::size_t>(s) << 8) | c];
    for (;;) {
      if (s == 0) return m_rootDelta[c];
      if (std::uint32_t t = Child(s, c)) return t;
      s = m_fail[s];
    }
  }
  std::uint32_t Child(std::uint32_t s, unsigned char c) const;

  std::vector<std::int32_t> m_out;       // per state: id of the needle ending here, or -1
  std::vector<std::uint32_t> m_outLink;  // per state: next shorter suffix state with a needle, or 0
  std::vector<std::uint32_t> m_report;   // per state: first state to report (itself or m_outLink), or 0
  std::vector<std::uint32_t> m_fail;
  // Full table for small sets: state * 256 + byte.
  std::vector<std::uint32_t> m_delta;
  // Sorted edges for large sets: state s owns [m_edgeStart[s], m_edgeStart[s + 1]).
  std::vector<std::uint32_t> m_edgeStart;
  std::vector<unsigned char> m_edgeByte;
  std::vector<std::uint32_t> m_edgeTarget;
  std::vector<std::uint32_t> m_rootDelta;
};

}  // namespace zv
