#include "text/LiteralScanner.h"

#include <algorithm>
#include <utility>

namespace zv {

namespace {

// Up to this many states the full table (1 KiB per state) is worth its memory.
constexpr std::size_t kMaxTableStates = 4096;

}  // namespace

LiteralScanner::LiteralScanner(const std::vector<std::string>& needles) {
  // The trie, with unsorted edge lists while it grows.
  std::vector<std::vector<std::pair<unsigned char, std::uint32_t>>> edges(1);
  m_out.assign(1, -1);
  auto find = [&edges](std::uint32_t s, unsigned char c) -> std::uint32_t {
    for (const auto& [b, t] : edges[s])
      if (b == c) return t;
    return 0;
  };
  for (std::size_t id = 0; id < needles.size(); ++id) {
    std::uint32_t s = 0;
    for (unsigned char c : needles[id]) {
      std::uint32_t t = find(s, c);
      if (t == 0) {
        t = static_cast<std::uint32_t>(edges.size());
        edges[s].emplace_back(c, t);
        edges.emplace_back();
        m_out.push_back(-1);
      }
      s = t;
    }
    if (s != 0) m_out[s] = static_cast<std::int32_t>(id);
  }
  const std::size_t n = edges.size();
  for (auto& e : edges) std::sort(e.begin(), e.end());

  // Failure links breadth first, so a state's link is always done before it.
  m_fail.assign(n, 0);
  m_outLink.assign(n, 0);
  std::vector<std::uint32_t> order;
  order.reserve(n);
  for (const auto& [c, t] : edges[0]) order.push_back(t);
  for (std::size_t k = 0; k < order.size(); ++k) {
    const std::uint32_t u = order[k];
    for (const auto& [c, v] : edges[u]) {
      std::uint32_t f = m_fail[u];
      std::uint32_t next = find(f, c);
      while (next == 0 && f != 0) {
        f = m_fail[f];
        next = find(f, c);
      }
      m_fail[v] = next;
      m_outLink[v] = m_out[next] >= 0 ? next : m_outLink[next];
      order.push_back(v);
    }
  }
  m_report.assign(n, 0);
  for (std::size_t s = 1; s < n; ++s)
    m_report[s] = m_out[s] >= 0 ? static_cast<std::uint32_t>(s) : m_outLink[s];

  if (n <= kMaxTableStates) {
    m_delta.assign(n * 256, 0);
    for (const auto& [c, t] : edges[0]) m_delta[c] = t;
    for (const std::uint32_t u : order) {
      std::uint32_t* row = &m_delta[static_cast<std::size_t>(u) << 8];
      const std::uint32_t* fallback = &m_delta[static_cast<std::size_t>(m_fail[u]) << 8];
      std::copy(fallback, fallback + 256, row);
      for (const auto& [c, t] : edges[u]) row[c] = t;
    }
    return;
  }
  m_rootDelta.assign(256, 0);
  for (const auto& [c, t] : edges[0]) m_rootDelta[c] = t;
  m_edgeStart.assign(n + 1, 0);
  for (std::size_t s = 0; s < n; ++s) {
    m_edgeStart[s + 1] = m_edgeStart[s] + static_cast<std::uint32_t>(edges[s].size());
    for (const auto& [c, t] : edges[s]) {
      m_edgeByte.push_back(c);
      m_edgeTarget.push_back(t);
    }
  }
}

std::uint32_t LiteralScanner::Child(std::uint32_t s, unsigned char c) const {
  const auto first = m_edgeByte.begin() + m_edgeStart[s];
  const auto last = m_edgeByte.begin() + m_edgeStart[s + 1];
  const auto it = std::lower_bound(first, last, c);
  if (it == last || *it != c) return 0;
  return m_edgeTarget[static_cast<std::size_t>(it - m_edgeByte.begin())];
}

}  // namespace zv
