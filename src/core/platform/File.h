#pragma once
// File services: text-mode and untranslated I/O, atomic replacement, copies,
// directories and pattern listings. Errors come back as values (FileResult).

#include <cerrno>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

// The operation that failed; decides the cause text of the file error message.
// Refuse: the file was turned away before any I/O (see ReadInputFile).
// List: a folder the walk lists (its seam: EACCES there is a folder it may not read).
enum class FileOp { None, Open, Read, Write, Flush, Rename, CreateDir, Copy, Refuse, List };

// Why FileOp::Refuse turned a file away.
inline constexpr int kRefusedTooLarge = EFBIG;
inline constexpr int kRefusedNotAFile = ENODEV;  // a device, FIFO or socket
inline constexpr int kRefusedEncoding = EILSEQ;  // text that cannot be converted

struct FileResult {
  bool ok = true;
  FileOp op = FileOp::None;
  int err = 0;       // errno of the failure
  std::string path;  // the path handed to the failing operation

  static FileResult Ok() { return {}; }
  static FileResult Fail(FileOp op, int err, std::string path) { return {false, op, err, std::move(path)}; }
  explicit operator bool() const { return ok; }
};

// Untranslated: every byte as it stands. out is emptied first; after a failed
// read it holds what was read before the failure. The file is locked while it
// is open: a lock held by another opener fails the open with EWOULDBLOCK.
FileResult ReadFileBytes(const std::string& path, std::string& out);
// The same without taking the lock, for readers that may meet each other
// (profile strings read by several threads).
FileResult ReadFileBytesShared(const std::string& path, std::string& out);
// For inputs that have no business being large (lists): only a regular file
// of at most maxBytes is read, so a device or a FIFO never grows memory.
FileResult ReadInputFile(const std::string& path, std::string& out, std::size_t maxBytes);
// Text mode: CR LF reads as LF, the byte 0x1A ends the file.
FileResult ReadTextModeFile(const std::string& path, std::string& out);
std::string TextModeDecode(std::string_view raw);   // the same on bytes in memory
void TextModeDecodeInPlace(std::string& text);      // the same without a copy
void CutAtTextModeEnd(std::string& text);           // its first step: 0x1A ends the data
std::string TextModeEncode(std::string_view text);  // LF -> CR LF

enum class WriteMode { Untranslated, TextMode };
// A symbolic link at the target: the user's own files (lists, settings, a
// text saved by hand) are written through it; a run's outputs replace it, so
// a link in an output folder never leads a run to another file.
enum class LinkAtTarget { Follow, Replace };
// Writes a whole file: checks first that the target may be written, then
// writes a temporary file in the same folder and renames it over the target,
// so a failure never leaves a half-written target or a stray temporary file.
// Setuid and setgid bits of a replaced file are not carried over.
FileResult WriteFileAtomic(const std::string& path, std::string_view data,
                           WriteMode mode = WriteMode::Untranslated,
                           LinkAtTarget link = LinkAtTarget::Follow);
// A file read front to back in parts, locked while open as ReadFileBytes
// locks it; for files too large to hold at once.
class FileReader {
 public:
  FileReader() = default;
  ~FileReader();
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;
  FileResult Open(const std::string& path);
  // Appends up to n bytes to out; got is 0 at the end of the file.
  FileResult Read(std::string& out, std::size_t n, std::size_t& got);
  FileResult Rewind();
  // Whether path names the file this reader has open.
  bool Holds(const std::string& path) const;

 private:
  int m_fd = -1;
  bool m_regular = true;
  std::string m_path;
};

// A file written in parts, as WriteFileAtomic writes it whole: into a
// temporary file beside the target, renamed over it by Commit only. A writer
// that goes without Commit (a failure, a file given up) leaves the target as
// it was and no temporary file; a signal's end removes it as it removes
// WriteFileAtomic's.
class PartWriter {
 public:
  PartWriter(std::string path, LinkAtTarget link);
  ~PartWriter();
  PartWriter(const PartWriter&) = delete;
  PartWriter& operator=(const PartWriter&) = delete;
  // sourceLocked: the target is the file a FileReader of ours holds, whose
  // lock stands for the writer's own.
  FileResult Begin(bool sourceLocked = false);
  FileResult Write(std::string_view data);
  FileResult Commit();

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};

// Everything WriteFileAtomic checks and creates before it writes, then
// nothing: whether path could be written now.
FileResult ProbeWrite(const std::string& path);

// Copy contents, permission bits (without setuid and setgid, as cp does) and
// modification time; a link at dst is replaced. With failIfExists an
// existing destination is left alone and the copy fails with EEXIST.
FileResult CopyFileKeep(const std::string& src, const std::string& dst, bool failIfExists);

// Temporary files are ".zv-tmp-<pid>-<counter>" (hex) beside their target.
bool IsTemporaryName(std::string_view name);
// Removes the temporary files in folder left by processes that no longer
// exist (killed while writing); those of live processes stay.
void RemoveStaleTemporaries(const std::string& folder);
// For a process about to end by a signal: removes the temporary files under
// way and makes every later write fail, once no temporary file is being
// created at that moment.
void RemoveTemporariesForExit();

// Create one directory (mode 0777 minus umask).
FileResult CreateOneDirectory(const std::string& path);

// Listing codes, as the walk expects them.
enum ListCode : int {
  kListOk = 0,
  kListFileNotFound = 2,  // folder exists, nothing matches
  kListPathNotFound = 3,  // folder missing or not a folder
  kListAccessDenied = 5,
  kListNoMoreFiles = 18,        // folder has no entries at all
  kListNotReady = 21,           // ENODEV/ENXIO/EIO on the folder
  kListSystemErrorBase = 1000,  // any other errno e comes back as 1000 + e
};

enum class EntryKind { File, Directory, Other };
struct DirEntry {
  std::string name;
  EntryKind kind = EntryKind::Other;  // links to files count as files; links to folders as Other
};
struct DirListing {
  int code = kListOk;
  int err = 0;                    // errno behind a failure code
  std::vector<DirEntry> entries;  // "." and ".." are never listed
};
// Entries of folder (empty: the current folder) whose names match pattern
// (case-insensitive '*' and '?', character-aware; "*.*" and "" match every
// name). The pattern is text of the active code page and meets each name in
// the name's own encoding (NameCodePage). Sorted by name bytes so that runs
// are repeatable.
DirListing ListDirectory(const std::string& folder, std::string_view pattern);
bool MatchPattern(std::string_view name, std::string_view pattern);
// The folder holds a folder (or a link to one) whose name does not start with
// a dot. Past maxEntries names it stops looking and says true.
bool HasVisibleSubfolder(const std::string& folder, std::size_t maxEntries);

// Test seam: when set, called before each open, read, write, flush, rename
// and directory creation; a non-zero return fails that operation with it.
using FileFaultHook = std::function<int(FileOp op, const std::string& path)>;
void SetFileFaultHook(FileFaultHook hook);
int CheckFileFault(FileOp op, const std::string& path);

}  // namespace zv
