#pragma once
// The settings file Zentravolix.ini in the config folder, never cached.

#include <string>

#include "platform/File.h"
#include "text/TextEncoding.h"

namespace zv {

struct FileOptions {  // section CONVERTFILE
  std::string subDir, noCase, overwrite, part;
};
struct FilePaths {  // section CONVERTFILE
  std::string srcDir, dstDir, search;
};
struct TextOptions {  // section CONVERTTEXT
  std::string subDir, overwrite, exceptFileCopyOnly;
};
// Keys added to CONVERTTEXT for the folder text tool (files without them
// keep working): the encoding choice ("system", "auto", "932", ...) and "1"
// to keep every line end as it is.
struct TextEncodingOptions {
  std::string encoding, keepLineEnds;
};

std::string SettingsFilePath();  // built anew at every call

// Loads keep the caller's values when the file is missing (false result).
bool LoadConvertFileOptions(FileOptions& out);
FileResult SaveConvertFileOptions(const FileOptions& in);
bool LoadConvertFilePaths(FilePaths& out);
FileResult SaveConvertFilePaths(const FilePaths& in);
bool LoadConvertTextOptions(TextOptions& out);
FileResult SaveConvertTextOptions(const TextOptions& in);
bool LoadTextEncodingOptions(TextEncodingOptions& out);
FileResult SaveTextEncodingOptions(const TextEncodingOptions& in);
// The text dialog's encoding choice: key ENCODING of section TEXTDIALOG.
std::string LoadTextDialogEncoding();
FileResult SaveTextDialogEncoding(const std::string& word);
// A stored choice; a missing or unknown word is the code page, as before.
EncodingChoice StoredEncodingChoice(const std::string& word);

// A run counts a flag as on only when its text is exactly "1".
inline bool FlagOn(const std::string& v) { return v == "1"; }
// The dialogs read a flag as an integer: leading blanks, sign, decimal digits; none gives 0.
int FlagToInt(const std::string& v);
std::string IntToFlag(int v);  // "%d"

inline constexpr std::size_t kProfileBufferSize = 519;

}  // namespace zv
