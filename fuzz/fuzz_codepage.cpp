// Character boundaries, case folding, comparison, CP932 lengths and code-page
// conversions against the simple second implementations of Naive.h.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "Naive.h"
#include "platform/CodePage.h"

using zv::CodePage;

namespace {

int Sign(int v) { return (v > 0) - (v < 0); }

void CheckOne(const std::string& s, const std::string& other, const std::string& needle, CodePage cp) {
  const std::vector<bool> b = zvfuzz::NaiveBoundaries(s, cp);
  for (std::size_t i = 0; i <= s.size() + 1; ++i) {
    const bool want = i <= s.size() && b[i];
    ZV_FUZZ_CHECK(zv::IsCharBoundary(s, i, cp) == want);
    if (i < s.size() && want) {
      ZV_FUZZ_CHECK(zv::CharLen(s, i, cp) == zvfuzz::NaiveCharLen(s, i, cp));
      ZV_FUZZ_CHECK(zv::NextChar(s, i, cp) == i + zvfuzz::NaiveCharLen(s, i, cp));
    }
    if (i <= s.size()) {
      std::size_t at = i;
      while (!b[at]) --at;
      ZV_FUZZ_CHECK(zv::BoundaryAtOrBefore(s, i, cp) == at);
    }
  }
  for (std::size_t from = 0; from <= s.size(); from += 1 + from / 4)
    ZV_FUZZ_CHECK(zv::FindOnBoundary(s, needle, from, cp) == zvfuzz::NaiveFind(s, needle, from, cp));

  // Folding keeps every byte length and every boundary, and folds once for all.
  const std::string folded = zv::FoldCase(s, cp);
  ZV_FUZZ_CHECK(folded == zvfuzz::NaiveFold(s, cp));
  ZV_FUZZ_CHECK(folded.size() == s.size());
  ZV_FUZZ_CHECK(zvfuzz::NaiveBoundaries(folded, cp) == b);
  ZV_FUZZ_CHECK(zv::FoldCase(folded, cp) == folded);

  const int ab = zv::MbsICmp(s, other, cp);
  ZV_FUZZ_CHECK(Sign(ab) == zvfuzz::NaiveICmp(s, other, cp));
  ZV_FUZZ_CHECK(Sign(ab) == -Sign(zv::MbsICmp(other, s, cp)));
  ZV_FUZZ_CHECK((ab == 0) == zv::MbsIEqual(s, other, cp));
  ZV_FUZZ_CHECK(zv::MbsICmp(s, s, cp) == 0);

  ZV_FUZZ_CHECK(zv::Cp932Length(s, cp) == zvfuzz::NaiveCp932Length(s, cp));

  // Whatever the bytes, the display form is valid UTF-8.
  ZV_FUZZ_CHECK(zv::IsValidText(zv::ToUtf8(s, cp), CodePage::Utf8));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const bool small = in.ConsumeBool();
  auto text = [&](std::string s) { return small ? zvfuzz::SmallAlphabet(s) : s; };
  const std::string needle = text(in.ConsumeRandomLengthString(6));
  const std::string other = text(in.ConsumeRandomLengthString(64));
  const std::string s = text(in.ConsumeRemainingBytesAsString());

  CheckOne(s, other, needle, CodePage::Cp932);
  CheckOne(s, other, needle, CodePage::Utf8);

  // Valid CP932 always has a UTF-8 form, which converts back; after one round
  // the bytes are stable (look-alikes collapse onto one form at most once).
  if (zv::IsValidText(s, CodePage::Cp932)) {
    const auto utf8 = zv::ConvertCodePage(s, CodePage::Cp932, CodePage::Utf8);
    ZV_FUZZ_CHECK(utf8.has_value());
    ZV_FUZZ_CHECK(zv::IsValidText(*utf8, CodePage::Utf8));
    const auto back = zv::ConvertCodePage(*utf8, CodePage::Utf8, CodePage::Cp932);
    ZV_FUZZ_CHECK(back.has_value());
    const auto again = zv::ConvertCodePage(*back, CodePage::Cp932, CodePage::Utf8);
    ZV_FUZZ_CHECK(again.has_value());
    ZV_FUZZ_CHECK(zv::ConvertCodePage(*again, CodePage::Utf8, CodePage::Cp932) == back);
  }
  // UTF-8 that converts to CP932 and back unchanged counts its CP932 bytes exactly.
  if (const auto cp932 = zv::ConvertCodePage(s, CodePage::Utf8, CodePage::Cp932)) {
    ZV_FUZZ_CHECK(zv::IsValidText(s, CodePage::Utf8));
    if (zv::ConvertCodePage(*cp932, CodePage::Cp932, CodePage::Utf8) == s)
      ZV_FUZZ_CHECK(zv::Cp932Length(s, CodePage::Utf8) == cp932->size());
  }
  return 0;
}
