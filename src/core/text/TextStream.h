#pragma once
// A text file converted piece by piece, for files too large to hold whole:
// the same bytes, counts and verdicts as the whole-file conversion of the two
// text tools, in the memory of a few pieces.
//
// A piece ends right after a byte at which the list's chunks end
// (IsChunkSeparator), which the rows' results never reach across, and which
// is a whole character of the file's encoding there: for EUC-JP an ASCII
// byte, for UTF-16 an ASCII unit, for ISO-2022-JP an ASCII byte in ASCII
// state. Never after a CR, so no CR LF is split. A piece that holds no such
// place, or a list that leaves none, sends the file back to the whole-file
// path.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "list/ConvertItem.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "text/RowsByEncoding.h"
#include "text/TextEncoding.h"

namespace zv {

// How a tool reads and writes the lines of a text.
enum class LineEndForm : std::uint8_t {
  TextMode,     // folder tool: CR LF read as LF, 0x1A ends the text, LF written as CR LF
  AsIs,         // folder tool with kept line ends: every byte as it stands
  CrLfLines,    // single-file tool: every line ends in CR LF, the last one too
  JoinedLines,  // the same with the line breaks then removed
};

struct StreamRequest {
  std::string src;
  std::string dst;  // empty: nothing is written (a dry run)
  LinkAtTarget link = LinkAtTarget::Replace;
  SharedRows rows;  // in the session's code page
  EncodingChoice encoding = EncodingChoice::System;
  LineEndForm form = LineEndForm::TextMode;
  // The folder tool's System choice with text-mode lines takes the rows as
  // they are in this code page (as ConvertFolderText does).
  CodePage cp = CodePage::Utf8;
  std::size_t piece = std::size_t{8} << 20;  // bytes read at a time
};

struct StreamResult {
  enum class End {
    Done,       // converted (and written, unless write says otherwise)
    WholeFile,  // no place to cut: nothing written, convert the file whole instead
    Unknown,    // no encoding fits
    NotExact,   // enc was found, but some bytes would not come back
    ReadFailed,
  };
  End end = End::Done;
  FileResult read;   // ReadFailed
  FileResult write;  // a failed write of a Done file
  std::optional<FileEncoding> enc;
  std::vector<std::size_t> leftOut;  // rows the encoding cannot hold
  std::size_t replacements = 0;
};

// The temporary file is renamed over dst only when the whole file is Done;
// otherwise dst is left as it was. A write that fails ends the file there,
// Done with that failure.
StreamResult ConvertStreamed(const StreamRequest& request, RowsByEncoding& byEncoding);

}  // namespace zv
