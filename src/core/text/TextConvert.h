#pragma once
// Replace-all, the list applied row by row, line-break removal and the
// reading/writing conventions of the two text tools.

#include <cstddef>
#include <string>
#include <string_view>

#include "list/ConvertItem.h"
#include "platform/CodePage.h"
#include "platform/File.h"

namespace zv {

// Every occurrence of find (starting on a character boundary), left to right,
// no overlap, scan resuming after the inserted text. Returns the count.
std::size_t ReplaceAll(std::string& text, std::string_view find, std::string_view replace, CodePage cp);
// Row 0 first, each row to the output of the rows before it. Reference engine.
std::size_t ApplyListReference(std::string& text, const ConvertRows& rows, CodePage cp);
// The engine the programs use (byte-identical to the reference).
std::size_t ApplyList(std::string& text, const ConvertRows& rows, CodePage cp);
// The same for rows handed out again and again (the compiled list is known by the pointer).
std::size_t ApplySharedList(std::string& text, const SharedRows& rows, CodePage cp);
// CR LF removed, then LF removed; lone CR stays.
void RemoveLineBreaks(std::string& text);

// Single-file tool: untranslated read, every line ending in CR LF.
FileResult ReadSingleFileText(const std::string& path, std::string& text);
std::string SingleFileTextFromBytes(std::string_view raw);
// Single-file tool: the bytes as they stand.
FileResult WriteSingleFileText(const std::string& path, std::string_view text);
// Folder tool: text-mode read, every line ending in LF.
FileResult ReadFolderText(const std::string& path, std::string& text);
std::string FolderTextFromBytes(std::string raw);  // decoded in place
// Rows without a CR or LF in any search string or replacement: a match
// never touches a line end, so on a text with CR LF line ends they give the
// decoded text's result, encoded (encoding maps each LF on its own).
bool RowsIgnoreLineEnds(const SharedRows& rows);
// The same read for such rows: a text whose every LF follows a CR stays in
// file form (CR LF kept, a final CR LF added where decoding would add an LF),
// so that it is neither decoded nor encoded. fileForm says which form it is.
std::string FolderTextFromBytes(std::string raw, bool keepCrLf, bool& fileForm);
// Folder tool: text-mode write (LF as CR LF); a text in file form as it
// stands. A link at path is replaced by the file.
FileResult WriteFolderText(const std::string& path, std::string_view text, bool fileForm = false);

}  // namespace zv
