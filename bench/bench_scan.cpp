// The scan alone, in memory: every occurrence of a list's search strings
// counted, with no replacement work. Our scanner, and vectorscan's literal
// mode where it is installed, over the same texts: how much of a long list's
// time any scanner would cost before a single replacement is made.
//
//   bench_scan FOLDER LIST.csv CODEPAGE(932|65001) [REPEAT]
//
// Both count every occurrence, character boundaries not considered.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#ifdef ZV_HAVE_HS
#include <hs/hs.h>
#endif

#include "CorpusTexts.h"
#include "list/ConvertListFile.h"
#include "text/LiteralScanner.h"

namespace {

using Texts = std::vector<std::string>;

// Best of `repeat` runs of scan(text) over every text, in MB/s; the count of the last.
template <class Scan>
double Time(const Texts& texts, std::size_t bytes, int repeat, std::size_t& count, Scan&& scan) {
  double best = 1e9;
  for (int r = 0; r < repeat; ++r) {
    count = 0;
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& t : texts) count += scan(t);
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return static_cast<double>(bytes) / 1048576.0 / best;
}

#ifdef ZV_HAVE_HS
int CountMatch(unsigned, unsigned long long, unsigned long long, unsigned, void* ctx) {
  ++*static_cast<std::size_t*>(ctx);
  return 0;
}

void TimeVectorscan(const std::vector<std::string>& needles, const Texts& texts, std::size_t bytes, int repeat) {
  std::vector<const char*> data;
  std::vector<std::size_t> sizes;
  std::vector<unsigned> ids, flags(needles.size(), 0);
  for (unsigned i = 0; i < needles.size(); ++i) {
    data.push_back(needles[i].data());
    sizes.push_back(needles[i].size());
    ids.push_back(i);
  }
  hs_database_t* db = nullptr;
  hs_compile_error_t* error = nullptr;
  if (hs_compile_lit_multi(data.data(), flags.data(), ids.data(), sizes.data(), static_cast<unsigned>(needles.size()),
                           HS_MODE_BLOCK, nullptr, &db, &error) != HS_SUCCESS) {
    std::printf("vectorscan: %s\n", error->message);
    hs_free_compile_error(error);
    return;
  }
  hs_scratch_t* scratch = nullptr;
  if (hs_alloc_scratch(db, &scratch) != HS_SUCCESS) {
    std::printf("vectorscan: no scratch space\n");
    hs_free_database(db);
    return;
  }
  std::size_t count = 0;
  const double mbs = Time(texts, bytes, repeat, count, [&](const std::string& t) {
    std::size_t n = 0;
    hs_scan(db, t.data(), static_cast<unsigned>(t.size()), 0, scratch, CountMatch, &n);
    return n;
  });
  std::printf("vectorscan: %.1f MB/s, %zu occurrences\n", mbs, count);
  hs_free_scratch(scratch);
  hs_free_database(db);
}
#endif

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s FOLDER LIST.csv 932|65001 [REPEAT]\n", argv[0]);
    return 2;
  }
  const zv::CodePage cp = std::atoi(argv[3]) == 932 ? zv::CodePage::Cp932 : zv::CodePage::Utf8;
  const int repeat = argc > 4 ? std::atoi(argv[4]) : 4;

  std::size_t bytes = 0;
  const Texts texts = LoadCorpusTexts(argv[1], SIZE_MAX, bytes);
  zv::ConvertRows rows;
  zv::LoadConvertList(argv[2], rows, [](const std::string&) {}, cp);
  const std::vector<std::string> needles = SearchStrings(rows);
  std::printf("%zu search strings, %zu files, %.1f MB\n", needles.size(), texts.size(), bytes / 1048576.0);

  // Keyed as the engine keys them for the code page.
  const zv::LiteralScanner scanner(needles, cp == zv::CodePage::Utf8);
  std::size_t count = 0;
  const double mbs = Time(texts, bytes, repeat, count, [&](const std::string& t) {
    std::size_t n = 0;
    scanner.Scan(t, [&n](std::uint32_t, std::size_t) { return ++n, true; });
    return n;
  });
  std::printf("ours: %.1f MB/s, %zu occurrences\n", mbs, count);
#ifdef ZV_HAVE_HS
  TimeVectorscan(needles, texts, bytes, repeat);
#else
  std::printf("vectorscan: not built (libvectorscan-dev not found)\n");
#endif
  return 0;
}
