#pragma once

#include <memory>
#include <string>
#include <vector>

namespace zv {

// One row of the conversion list: bytes in the active code page.
struct ConvertItem {
  std::string m_strFind;         // 1..100 (CP932-counted) bytes
  std::string m_strReplaceWith;  // 0..100

  bool operator==(const ConvertItem&) const = default;
};

using ConvertRows = std::vector<ConvertItem>;
// Rows handed from one owner to many files: the same pointer means the same
// rows, so per-file caches recognise them without comparing every row.
using SharedRows = std::shared_ptr<const ConvertRows>;

inline constexpr std::size_t kMaxItemBytes = 100;

}  // namespace zv
