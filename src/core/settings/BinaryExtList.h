#pragma once
// The binary-extension list ZentravolixExpList in the config folder.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/File.h"

namespace zv {

using ExtList = std::vector<std::string>;

// Called with the file error message text when the list cannot be read or written.
using FileErrorReporter = std::function<void(const std::string& message)>;

std::string BinaryExtListPath();
const ExtList& DefaultBinaryExtensions();  // the 28 built-in entries
// A list has no business being large: a larger file is refused.
inline constexpr std::size_t kMaxExtListBytes = std::size_t{1} << 20;

// false when the file does not exist (silently) or reading failed (reported:
// also a file over the limit, a device or a FIFO). A UTF-8 BOM is skipped.
bool LoadBinaryExtList(ExtList& out, const FileErrorReporter& report);
bool LoadBinaryExtListFrom(const std::string& path, ExtList& out, const FileErrorReporter& report);
// Writes every entry followed by a line end (CR LF), atomically; creates a missing file.
bool SaveBinaryExtList(const ExtList& in, const FileErrorReporter& report);
bool SaveBinaryExtListTo(const std::string& path, const ExtList& in, const FileErrorReporter& report);

// True when the file's text is to be converted; reads the list afresh per
// call. Without a list file the built-in list is in force (the one the
// settings dialog shows); so it is when the file cannot be read (reported).
bool IsTextFile(const std::string& path, const FileErrorReporter& report);
bool IsTextFileWith(const std::string& path, const std::string& listPath, const FileErrorReporter& report);
// The same with a list in hand.
bool IsTextFileIn(std::string_view path, const ExtList& list);
// A file's extension (dot included) equals ".entry", without regard to case.
bool IsListedExtension(std::string_view ext, std::string_view entry);
// A directory entry exists at path.
bool FileExists(const std::string& path);

}  // namespace zv
