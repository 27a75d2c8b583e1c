#include "settings/BinaryExtList.h"

#include "platform/AppPaths.h"
#include "platform/CodePage.h"
#include "platform/FileError.h"
#include "platform/Path.h"

namespace zv {

namespace {

// Every failure, also one without a cause of the file error message (a lock,
// a refusal): a list that silently goes missing changes which files are text.
void Report(const FileErrorReporter& report, const FileResult& r) {
  if (report) report(FileFailureMessage(r));
}

}  // namespace

std::string BinaryExtListPath() { return ConfigFilePath(kExtListFileName); }

const ExtList& DefaultBinaryExtensions() {
  // "mwv" and "mwa" are the entries as the program always shipped them.
  static const ExtList kDefaults = {"bmp", "jpg",  "jpeg", "gif", "png", "mwv",  "mwa", "mp3", "avi", "mov",
                                    "asf", "mpeg", "mpg",  "swf", "mid", "aiff", "rm",  "ram", "mp4", "xls",
                                    "doc", "pdf",  "mdb",  "ppt", "zip", "exe",  "dll", "db"};
  return kDefaults;
}

bool LoadBinaryExtList(ExtList& out, const FileErrorReporter& report) {
  return LoadBinaryExtListFrom(BinaryExtListPath(), out, report);
}

bool LoadBinaryExtListFrom(const std::string& path, ExtList& out, const FileErrorReporter& report) {
  out.clear();
  if (!FileExists(path)) return false;
  std::string content;
  FileResult r = ReadInputFile(path, content, kMaxExtListBytes);
  if (!r) {
    Report(report, r);
    return false;
  }
  if (content.starts_with("\xEF\xBB\xBF")) content.erase(0, 3);  // a BOM would hide the first entry
  TextModeDecodeInPlace(content);
  // Text mode already turned CR LF into LF; every LF ends an entry, and a last
  // line without one is an entry too.
  std::size_t begin = 0;
  while (begin < content.size()) {
    std::size_t end = content.find('\n', begin);
    if (end == std::string::npos) end = content.size();
    out.emplace_back(content, begin, end - begin);
    begin = end + 1;
  }
  return true;
}

bool SaveBinaryExtList(const ExtList& in, const FileErrorReporter& report) {
  return SaveBinaryExtListTo(BinaryExtListPath(), in, report);
}

bool SaveBinaryExtListTo(const std::string& path, const ExtList& in, const FileErrorReporter& report) {
  std::string data;
  for (const std::string& e : in) {
    data += e;
    data += '\n';
  }
  // A missing file is created: the settings dialog shows the defaults when
  // there is none and saves what it shows, so OK always leaves a usable list.
  FileResult r = WriteFileAtomic(path, data, WriteMode::TextMode);
  if (!r) {
    r.path = path;  // the message names the list, not a temporary file
    Report(report, r);
    return false;
  }
  return true;
}

bool IsTextFile(const std::string& path, const FileErrorReporter& report) {
  return IsTextFileWith(path, BinaryExtListPath(), report);
}

bool IsTextFileWith(const std::string& path, const std::string& listPath, const FileErrorReporter& report) {
  if (path.empty()) return false;
  ExtList list;
  // No list, or none that could be read: the built-in one, never "all text".
  if (!LoadBinaryExtListFrom(listPath, list, report)) return IsTextFileIn(path, DefaultBinaryExtensions());
  return IsTextFileIn(path, list);
}

bool IsTextFileIn(std::string_view path, const ExtList& list) {
  if (path.empty()) return false;
  const std::string_view ext = PathExtension(path);
  for (const std::string& entry : list) {
    if (IsListedExtension(ext, entry)) return false;
  }
  return true;
}

bool IsListedExtension(std::string_view ext, std::string_view entry) {
  // The entry is text of the active code page; the extension is part of a
  // file name and meets it in the name's own encoding.
  const CodePage cp = NameCodePage(ext);
  const std::optional<std::string> inName = ActiveTextIn(entry, cp);
  return inName && MbsIEqual("." + *inName, ext, cp);
}

bool FileExists(const std::string& path) { return PathFileExists(path); }

}  // namespace zv
