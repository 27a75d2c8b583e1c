#pragma once
// One file of the folder text tool, from the bytes read to the bytes to
// write: its encoding, the line-end convention and the rows. The engine runs
// it for every file, and the desktop's preview for the file it shows, so
// what the preview shows is what the run writes.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "list/ConvertItem.h"
#include "platform/CodePage.h"
#include "text/RowsByEncoding.h"
#include "text/TextEncoding.h"

namespace zv {

struct FolderTextResult {
  std::optional<FileEncoding> enc;  // as read; for NotExact the one that was tried
  // When the file is copied unchanged instead: the message (%1 the file,
  // %2 its encoding), else nullptr.
  const char* unconverted = nullptr;
  std::vector<std::size_t> leftOut;  // rows its encoding cannot hold
  std::string text;                  // to write
  bool fileForm = false;             // text is written as it stands; else each LF as CR LF
  std::size_t replacements = 0;
};

// cp: the session's code page (the System choice); byEncoding: the run's
// rows per encoding, converted once.
FolderTextResult ConvertFolderText(std::string raw, const SharedRows& rows, EncodingChoice encoding,
                                   bool keepLineEnds, CodePage cp, RowsByEncoding& byEncoding);
// The bytes the write puts into the file.
std::string WrittenBytes(const FolderTextResult& r);

}  // namespace zv
