// Replace-all, the list engine and the name conversion against the simple
// second implementations of Naive.h, in both code pages.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "Naive.h"
#include "filename/NameConvert.h"
#include "text/TextConvert.h"

using zv::CodePage;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const CodePage cp = in.ConsumeBool() ? CodePage::Cp932 : CodePage::Utf8;
  const bool small = in.ConsumeBool();
  auto text = [&](std::string s) { return small ? zvfuzz::SmallAlphabet(s) : s; };

  zv::ConvertRows rows;
  std::string subject;
  switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
    case 1:
      // Any short list.
      rows.resize(in.ConsumeIntegralInRange<std::size_t>(0, 20));
      for (zv::ConvertItem& row : rows) {
        row.m_strFind = text(in.ConsumeRandomLengthString(8));
        row.m_strReplaceWith = text(in.ConsumeRandomLengthString(8));
      }
      subject = text(in.ConsumeRemainingBytesAsString());
      break;
    case 2: {
      // A family: rows that are prefixes, suffixes and extensions of one
      // stem, which the text holds over and over.
      const std::string stem = text(in.ConsumeRandomLengthString(6)) + "a";
      rows.resize(in.ConsumeIntegralInRange<std::size_t>(1, 40));
      for (zv::ConvertItem& row : rows) {
        const std::size_t a = in.ConsumeIntegralInRange<std::size_t>(0, stem.size() - 1);
        const std::size_t b = in.ConsumeIntegralInRange<std::size_t>(a + 1, stem.size());
        row.m_strFind = stem.substr(a, b - a) + text(in.ConsumeRandomLengthString(2));
        row.m_strReplaceWith = in.ConsumeBool() ? stem.substr(b) : text(in.ConsumeRandomLengthString(6));
      }
      for (const char c : in.ConsumeRemainingBytesAsString())
        subject += (c & 1) ? stem : text(std::string(1, static_cast<char>(c >> 1)));
      break;
    }
    default: {
      // Hundreds of codes sharing their start (more than the overlap table compares pairwise), prefixes of each other
      // (C1 of C12), joined or apart; some replacements are codes again.
      const std::string stem = text(in.ConsumeRandomLengthString(4)) + "C";
      rows.resize(in.ConsumeIntegralInRange<std::size_t>(1, 300));
      const std::string with = text(in.ConsumeRandomLengthString(4));
      const unsigned forming = in.ConsumeIntegralInRange<unsigned>(0, 50);
      for (std::size_t k = 0; k < rows.size(); ++k) {
        rows[k].m_strFind = stem + std::to_string(k);
        rows[k].m_strReplaceWith = forming && k % (forming + 1) == 0 ? stem + std::to_string(k / 3) : with;
      }
      for (const char c : in.ConsumeRemainingBytesAsString())
        subject += (c & 1) ? stem + std::to_string(static_cast<unsigned char>(c) * rows.size() / 256)
                           : text(std::string(1, static_cast<char>(c >> 1)));
    }
  }

  if (!rows.empty()) {
    std::string got = subject, want = subject;
    const std::size_t n = zv::ReplaceAll(got, rows[0].m_strFind, rows[0].m_strReplaceWith, cp);
    ZV_FUZZ_CHECK(n == zvfuzz::NaiveReplaceAll(want, rows[0].m_strFind, rows[0].m_strReplaceWith, cp));
    ZV_FUZZ_CHECK(got == want);
  }

  std::string want = subject;
  const std::size_t wantCount = zvfuzz::NaiveApplyList(want, rows, cp);
  std::string fast = subject, reference = subject;
  const std::size_t fastCount = zv::ApplyList(fast, rows, cp);
  const std::size_t referenceCount = zv::ApplyListReference(reference, rows, cp);
  ZV_FUZZ_CHECK(reference == want);
  ZV_FUZZ_CHECK(referenceCount == wantCount);
  ZV_FUZZ_CHECK(fast == want);
  ZV_FUZZ_CHECK(fastCount == wantCount);

  // Base names are short; the whole subject would only slow the search down.
  const std::string base = subject.substr(0, 64);
  for (int mode = 0; mode < 4; ++mode) {
    const zv::NameRules rules{(mode & 1) != 0, (mode & 2) != 0};
    const std::string got = zv::ConvertBaseName(base, rows, rules, cp);
    ZV_FUZZ_CHECK(got == zvfuzz::NaiveConvertName(base, rows, rules.part, rules.noCase, cp));
  }
  return 0;
}
