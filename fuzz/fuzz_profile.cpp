// Profile strings on arbitrary file contents: a value written reads back
// exactly, nothing else changes, lookups respect the buffer size.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "platform/Profile.h"

namespace {

// The program's own sections and keys, and case variants of them.
constexpr const char* kSections[] = {"CONVERTFILE", "CONVERTTEXT", "convertfile", "X"};
constexpr const char* kKeys[] = {"SUBDIR", "NOCASE", "SRCDIR", "subdir", "EXCEPTFILECOPYONLY"};

bool IEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const char* section = kSections[in.ConsumeIntegralInRange<std::size_t>(0, 3)];
  const char* key = kKeys[in.ConsumeIntegralInRange<std::size_t>(0, 4)];
  const std::size_t buffer = in.ConsumeIntegralInRange<std::size_t>(0, 600);
  std::string value = in.ConsumeRandomLengthString(300);
  // The writer refuses line breaks; such values never reach the file.
  std::erase(value, '\r');
  std::erase(value, '\n');
  const std::string content = in.ConsumeRemainingBytesAsString();

  const std::string def = "<default>";
  const std::string got = zv::ProfileLookup(content, section, key, def, buffer);
  ZV_FUZZ_CHECK(buffer == 0 ? got.empty() : got.size() <= buffer - 1);
  ZV_FUZZ_CHECK(got ==
                zv::ProfileLookup(content, section, key, def, 1 << 20).substr(0, buffer ? buffer - 1 : 0));

  const std::string updated = zv::ProfileUpdate(content, section, key, value);
  ZV_FUZZ_CHECK(zv::ProfileLookup(updated, section, key, def, 1 << 20) == value);
  ZV_FUZZ_CHECK(zv::ProfileUpdate(updated, section, key, value) == updated);

  for (const char* s2 : kSections) {
    for (const char* k2 : kKeys) {
      if (IEqual(s2, section) && IEqual(k2, key)) continue;
      ZV_FUZZ_CHECK(zv::ProfileLookup(updated, s2, k2, def, 1 << 20) ==
                    zv::ProfileLookup(content, s2, k2, def, 1 << 20));
    }
  }
  return 0;
}
