// Apply-list throughput on the files of a folder, in memory: separates the
// engine from reading and writing. Used with bench/gen_corpus.py trees.
//
//   bench_corpus FOLDER LIST.csv CODEPAGE(932|65001) [MB] [REPEAT] [--check|--scan-only|--against-scan]
//
// --check compares every result with the row-by-row reference; --scan-only
// times the engine's scan for occurring rows alone; --against-scan times the
// scan alone (as bench_scan does) and the engine in turns, each repeat one of
// each, so that a machine whose speed drifts moves both alike.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "CorpusTexts.h"
#include "list/ConvertListFile.h"
#include "platform/Allocator.h"
#include "text/ListMatcher.h"
#include "text/LiteralScanner.h"
#include "text/TextConvert.h"

int main(int argc, char** argv) {
  // As the command-line and desktop programs run the engine.
  zv::KeepLargeBuffersInHeap();
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s FOLDER LIST.csv 932|65001 [MB] [REPEAT] [--check]\n", argv[0]);
    return 2;
  }
  const zv::CodePage cp = std::atoi(argv[3]) == 932 ? zv::CodePage::Cp932 : zv::CodePage::Utf8;
  const std::size_t limit = (argc > 4 ? std::strtoull(argv[4], nullptr, 10) : 64) << 20;
  const int repeat = argc > 5 ? std::atoi(argv[5]) : 3;
  const bool check = argc > 6 && std::strcmp(argv[6], "--check") == 0;
  const bool scanOnly = argc > 6 && std::strcmp(argv[6], "--scan-only") == 0;
  const bool againstScan = argc > 6 && std::strcmp(argv[6], "--against-scan") == 0;

  std::size_t bytes = 0;
  const std::vector<std::string> texts = LoadCorpusTexts(argv[1], limit, bytes);
  zv::ConvertRows rows;
  zv::LoadConvertList(
      argv[2], rows, [](const std::string&) {}, cp);
  // As a run holds its rows: one shared list, known again by its pointer.
  const zv::SharedRows shared = std::make_shared<const zv::ConvertRows>(rows);

  if (againstScan) {
    const zv::LiteralScanner scanner(SearchStrings(rows), cp == zv::CodePage::Utf8);
    double bestScan = 1e9, bestEngine = 1e9;
    std::size_t found = 0, replaced = 0;
    for (int r = 0; r < repeat; ++r) {
      std::vector<std::string> work = texts;
      found = replaced = 0;
      auto start = std::chrono::steady_clock::now();
      for (const auto& t : texts)
        scanner.Scan(t, [&found](std::uint32_t, std::size_t) { return ++found, true; });
      auto end = std::chrono::steady_clock::now();
      bestScan = std::min(bestScan, std::chrono::duration<double>(end - start).count());
      start = std::chrono::steady_clock::now();
      for (auto& s : work) replaced += zv::ApplySharedList(s, shared, cp);
      end = std::chrono::steady_clock::now();
      bestEngine = std::min(bestEngine, std::chrono::duration<double>(end - start).count());
    }
    const double mb = bytes / 1048576.0;
    std::printf(
        "%zu rows, %zu files, %.1f MB: engine %.1f MB/s (%zu replacements), scan alone %.1f MB/s (%zu "
        "occurrences), engine / scan %.2f\n",
        rows.size(), texts.size(), mb, mb / bestEngine, replaced, mb / bestScan, found,
        bestScan / bestEngine);
    return 0;
  }

  double best = 1e9;
  std::size_t count = 0, wrong = 0;
  for (int r = 0; r < repeat; ++r) {
    count = 0;
    // The copies the engine works on are made outside the time: copying is
    // the caller's, as reading the files is.
    std::vector<std::string> work = texts;
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::uint32_t> occurring;
    for (std::size_t i = 0; i < texts.size(); ++i) {
      const std::string& t = texts[i];
      if (scanOnly) {
        zv::RowsOccurring(*zv::CompileList(rows), t, -1, occurring);
        count += occurring.size();
        continue;
      }
      std::string& s = work[i];
      count += zv::ApplySharedList(s, shared, cp);
      if (check && r == 0) {
        std::string ref = t;
        zv::ApplyListReference(ref, rows, cp);
        wrong += ref != s;
      }
    }
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!check || r > 0) best = std::min(best, secs);
  }
  std::printf("%zu rows, %zu files, %.1f MB: %.1f MB/s, %zu replacements%s\n", rows.size(), texts.size(),
              bytes / 1048576.0, bytes / 1048576.0 / best, count,
              check ? (wrong ? " WRONG FILES" : ", all equal to the reference") : "");
  if (check) std::printf("wrong: %zu\n", wrong);
  return wrong ? 1 : 0;
}
