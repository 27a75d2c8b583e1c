#include "text/LiteralScanner.h"

#include <algorithm>
#include <utility>

namespace zv {

LiteralScanner::LiteralScanner(const std::vector<std::string>& needles) : m_needles(needles) {
  std::vector<std::pair<unsigned, std::uint32_t>> two, three, longer;
  for (std::uint32_t id = 0; id < needles.size(); ++id) {
    const std::string& s = needles[id];
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    switch (s.size()) {
      case 0:
        break;
      case 1:
        m_one[p[0]] = id + 1;
        m_hasOne = true;
        break;
      case 2:
        two.emplace_back((unsigned{p[0]} << 8) | p[1], id);
        break;
      case 3:
        three.emplace_back(Hash3(p), id);
        break;
      default:
        longer.emplace_back(Hash4(p), id);
        break;
    }
  }
  m_hasTwo = !two.empty();
  m_hasThree = !three.empty();
  m_hasLong = !longer.empty();
  if (m_hasTwo) Build(m_twoBits, m_twoStart, m_twoIds, two);
  if (m_hasThree) Build(m_threeBits, m_threeStart, m_threeIds, three);
  if (m_hasLong) Build(m_longBits, m_longStart, m_longIds, longer);
}

void LiteralScanner::Build(std::vector<std::uint64_t>& bits, std::vector<std::uint32_t>& start,
                           std::vector<std::uint32_t>& ids,
                           const std::vector<std::pair<unsigned, std::uint32_t>>& keyed) {
  bits.assign(kBuckets / 64, 0);
  start.assign(kBuckets + 1, 0);
  for (const auto& [k, id] : keyed) {
    bits[k >> 6] |= std::uint64_t{1} << (k & 63);
    ++start[k + 1];
  }
  for (unsigned k = 0; k < kBuckets; ++k) start[k + 1] += start[k];
  ids.assign(keyed.size(), 0);
  std::vector<std::uint32_t> fill(start.begin(), start.end() - 1);
  for (const auto& [k, id] : keyed) ids[fill[k]++] = id;
}

}  // namespace zv
