// One long list over one text, in memory, list compile included: how the
// engine scales with rows (bench/gen_scale.py codes, bench/scale.sh).
//
//   bench_scale TEXT LIST.csv CODEPAGE(932|65001) [--expect FILE] [--reference]
//
// --expect compares the result with a file; --reference with the row-by-row
// engine (slow for long lists over long texts: rows times text).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "list/ConvertListFile.h"
#include "text/ListMatcher.h"
#include "text/TextConvert.h"

namespace {

std::string ReadAll(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

double Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s TEXT LIST.csv 932|65001 [--expect FILE] [--reference]\n", argv[0]);
    return 2;
  }
  const zv::CodePage cp = std::atoi(argv[3]) == 932 ? zv::CodePage::Cp932 : zv::CodePage::Utf8;
  const char* expectPath = nullptr;
  bool reference = false;
  for (int i = 4; i < argc; ++i) {
    if (std::strcmp(argv[i], "--expect") == 0 && i + 1 < argc) expectPath = argv[++i];
    else if (std::strcmp(argv[i], "--reference") == 0) reference = true;
  }
  const std::string original = ReadAll(argv[1]);
  zv::ConvertRows rows;
  auto start = std::chrono::steady_clock::now();
  zv::LoadConvertList(argv[2], rows, [](const std::string&) {}, cp);
  const double load = Since(start);

  start = std::chrono::steady_clock::now();
  const auto compiled = zv::CompileList(rows);
  const double compile = Since(start);
  std::string text = original;
  std::size_t count = 0;
  start = std::chrono::steady_clock::now();
  if (!zv::ApplyCompiledList(*compiled, text, cp, count)) count = zv::ApplyListReference(text, rows, cp);
  const double apply = Since(start);

  std::printf("%zu rows, %.2f MB: list read %.3f s, compile %.3f s, apply %.3f s, compile + apply %.3f s, "
              "%zu replacements",
              rows.size(), original.size() / 1048576.0, load, compile, apply, compile + apply, count);
  bool wrong = false;
  if (expectPath) {
    const bool same = ReadAll(expectPath) == text;
    wrong |= !same;
    std::printf(", %s the expected result", same ? "equal to" : "DIFFERENT FROM");
  }
  if (reference) {
    std::string ref = original;
    const std::size_t n = zv::ApplyListReference(ref, rows, cp);
    const bool same = ref == text && n == count;
    wrong |= !same;
    std::printf(", %s the reference", same ? "equal to" : "DIFFERENT FROM");
  }
  std::printf("\n");
  return wrong ? 1 : 0;
}
