#pragma once
// INI profile strings with the semantics the settings rely on: the default
// when the file or key is missing, the value cut to size - 1 bytes, sections
// and keys matched without regard to ASCII case, file and section created on
// write. Bytes pass through unchanged.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/File.h"

namespace zv {

std::string GetProfileString(std::string_view section, std::string_view key, std::string_view def,
                             std::size_t bufferSize, const std::string& path);
FileResult WriteProfileString(std::string_view section, std::string_view key, std::string_view value,
                              const std::string& path);
// Several keys of one section in one replacement of the file, so that a
// failure leaves either all of them or none written.
struct ProfileEntry {
  std::string_view key;
  std::string_view value;
};
FileResult WriteProfileStrings(std::string_view section, const std::vector<ProfileEntry>& entries,
                               const std::string& path);

// Parsing and editing on text in memory, for the functions above and tests.
std::string ProfileLookup(std::string_view content, std::string_view section, std::string_view key,
                          std::string_view def, std::size_t bufferSize);
std::string ProfileUpdate(std::string_view content, std::string_view section, std::string_view key,
                          std::string_view value);

}  // namespace zv
