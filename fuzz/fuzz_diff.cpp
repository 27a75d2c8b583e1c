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

  zv::ConvertRows rows(in.ConsumeIntegralInRange<std::size_t>(0, 20));
  for (zv::ConvertItem& row : rows) {
    row.m_strFind = text(in.ConsumeRandomLengthString(8));
    row.m_strReplaceWith = text(in.ConsumeRandomLengthString(8));
  }
  const std::string subject = text(in.ConsumeRemainingBytesAsString());

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
