#include "settings/Settings.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <initializer_list>
#include <vector>

#include "platform/AppPaths.h"
#include "platform/Path.h"
#include "platform/Profile.h"

namespace zv {

namespace {

constexpr const char* kFileSection = "CONVERTFILE";
constexpr const char* kTextSection = "CONVERTTEXT";
constexpr const char* kTextDialogSection = "TEXTDIALOG";

struct KeyOut {
  const char* key;
  const char* def;
  std::string* out;
};
struct KeyIn {
  const char* key;
  const std::string* value;
};

// The keys of one group in table order. The CONVERTTEXT outputs start from
// "0", so an empty stored value reads as "0" there but stays empty elsewhere.
bool LoadGroup(const char* section, bool presetZero, std::initializer_list<KeyOut> keys) {
  const std::string path = SettingsFilePath();
  if (!PathFileExists(path)) return false;
  for (const KeyOut& k : keys) {
    if (presetZero) k.out->assign(1, '0');
    std::string value = GetProfileString(section, k.key, k.def, kProfileBufferSize, path);
    if (!value.empty()) *k.out = std::move(value);
  }
  return true;
}

// One replacement of the file per group: a failed save leaves the whole
// group as it was, never some keys new and the rest old.
FileResult SaveGroup(const char* section, std::initializer_list<KeyIn> keys) {
  std::vector<ProfileEntry> entries;
  for (const KeyIn& k : keys) entries.push_back({k.key, *k.value});
  return WriteProfileStrings(section, entries, SettingsFilePath());
}

}  // namespace

std::string SettingsFilePath() { return ConfigFilePath(kSettingsFileName); }

bool LoadConvertFileOptions(FileOptions& out) {
  return LoadGroup(kFileSection, false,
                   {{"SUBDIR", "0", &out.subDir},
                    {"NOCASE", "1", &out.noCase},
                    {"OVERWRITE", "0", &out.overwrite},
                    {"PART", "", &out.part}});
}

FileResult SaveConvertFileOptions(const FileOptions& in) {
  return SaveGroup(
      kFileSection,
      {{"SUBDIR", &in.subDir}, {"NOCASE", &in.noCase}, {"OVERWRITE", &in.overwrite}, {"PART", &in.part}});
}

bool LoadConvertFilePaths(FilePaths& out) {
  return LoadGroup(kFileSection, false,
                   {{"SRCDIR", "", &out.srcDir}, {"DSTDIR", "", &out.dstDir}, {"SEARCH", "", &out.search}});
}

FileResult SaveConvertFilePaths(const FilePaths& in) {
  return SaveGroup(kFileSection, {{"SRCDIR", &in.srcDir}, {"DSTDIR", &in.dstDir}, {"SEARCH", &in.search}});
}

bool LoadConvertTextOptions(TextOptions& out) {
  return LoadGroup(kTextSection, true,
                   {{"SUBDIR", "0", &out.subDir},
                    {"OVERWRITE", "0", &out.overwrite},
                    {"EXCEPTFILECOPYONLY", "0", &out.exceptFileCopyOnly}});
}

FileResult SaveConvertTextOptions(const TextOptions& in) {
  return SaveGroup(
      kTextSection,
      {{"SUBDIR", &in.subDir}, {"OVERWRITE", &in.overwrite}, {"EXCEPTFILECOPYONLY", &in.exceptFileCopyOnly}});
}

bool LoadTextEncodingOptions(TextEncodingOptions& out) {
  return LoadGroup(kTextSection, false,
                   {{"ENCODING", "system", &out.encoding}, {"KEEPLINEENDS", "0", &out.keepLineEnds}});
}

FileResult SaveTextEncodingOptions(const TextEncodingOptions& in) {
  return SaveGroup(kTextSection, {{"ENCODING", &in.encoding}, {"KEEPLINEENDS", &in.keepLineEnds}});
}

std::string LoadTextDialogEncoding() {
  std::string word;
  LoadGroup(kTextDialogSection, false, {{"ENCODING", "system", &word}});
  return word;
}

FileResult SaveTextDialogEncoding(const std::string& word) {
  return SaveGroup(kTextDialogSection, {{"ENCODING", &word}});
}

EncodingChoice StoredEncodingChoice(const std::string& word) {
  return ParseEncodingChoice(word).value_or(EncodingChoice::System);
}

int FlagToInt(const std::string& v) {
  std::size_t pos = 0;
  while (pos < v.size() && std::isspace(static_cast<unsigned char>(v[pos]))) ++pos;
  bool negative = false;
  if (pos < v.size() && (v[pos] == '+' || v[pos] == '-')) negative = v[pos++] == '-';
  // Hand-edited files may hold any number; clamp instead of overflowing.
  long long n = 0;
  while (pos < v.size() && v[pos] >= '0' && v[pos] <= '9') {
    if (n <= static_cast<long long>(INT_MAX) + 1) n = n * 10 + (v[pos] - '0');
    ++pos;
  }
  if (negative) n = -n;
  if (n > INT_MAX) return INT_MAX;
  if (n < INT_MIN) return INT_MIN;
  return static_cast<int>(n);
}

std::string IntToFlag(int v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%d", v);
  return buf;
}

}  // namespace zv
