#pragma once
// Collecting source files, mirroring subfolders below the output folder,
// creating destination folders and shortening paths for labels.

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zv {

struct WalkCallbacks {
  // The two standard-output texts; default: the process's standard output.
  std::function<void(const std::string& text)> writeStdout;
  // When set, takes those texts instead, with the folder they are about.
  std::function<void(const std::string& text, const std::string& folder)> folderNotice;
  // Any other listing error: code as the walk sees it, errno, folder.
  std::function<void(int code, int err, const std::string& folder)> systemError;
};

// Appends the files of folder matching pattern, then (recurse) those of each
// subfolder, depth first. False after an unexpected listing error, which has
// been reported through systemError. Temporary files of the file layer are
// never taken; a path too long to open is, so that its run reports it.
bool CollectFiles(const std::string& folder, const std::string& pattern, bool recurse,
                  std::vector<std::string>& fileList, const WalkCallbacks& cb);

// The system's text for a walk error code (Japanese, as the desktop shows it).
std::string SystemErrorText(int code, int err);

struct MirrorFolders {
  std::string src;  // ends in a separator
  std::string dst;  // ends in a separator
  std::size_t srcDirLen = 0;  // L: byte length of the source folder's directory part
};
MirrorFolders PrepareMirror(const std::string& srcFolder, const std::string& dstFolder);
// Destination folder of a collected source path (ends in a separator).
std::string DestinationFolder(const MirrorFolders& m, const std::string& srcPath);

// Creates the folder and its missing parents, outermost first; never a root.
// True when the folder was there or has been made.
bool CreateDirectories(const std::string& folder);

// Byte lengths; the cut is moved to a character boundary of the name it
// falls in, in that name's own encoding.
bool ShortenPath(const std::string& path, std::string& out, std::size_t maxLen, std::size_t headLen);

// Where the output folder lies against the source folder, links and "." or
// ".." worked out (an output folder that does not exist yet by its parent).
enum class FolderRelation { Apart, Same, Inside };
FolderRelation RelationOf(const std::string& src, const std::string& dst);

// Refuses empty folder fields before any walk: the message, or nullopt when fine.
std::optional<std::string> CheckRunFolders(const std::string& src, const std::string& dst);

}  // namespace zv
