#pragma once
// What a folder run did, counted from its per-file outcomes: the same numbers
// the report's rows give, for the desktop's summary and the dry run's last
// line.

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "filename/RunInterfaces.h"

namespace zv {

struct RunSummary {
  std::size_t converted = 0, copied = 0, skipped = 0, exists = 0, failed = 0;
  std::size_t replacements = 0;
  std::size_t notReached = 0;  // files a stopped run never came to
  std::vector<FileOutcome> firstFailures;  // the first few, in list order

  static constexpr std::size_t kFailuresKept = 10;

  // Counts one file; a text copied unchanged for its encoding counts as
  // failed, a copy under a new name as converted.
  void Add(const FileOutcome& o);
  std::size_t Files() const { return converted + copied + skipped + exists + failed; }
  // No row matched anywhere: whatever was written, the list changed nothing.
  bool ChangedNothing() const { return replacements == 0; }
};

// "変換 3、コピー 1、スキップ 0、既存 0、失敗 0、置換 12 件" (UTF-8).
std::string SummaryLine(const RunSummary& s);

}  // namespace zv
