#pragma once
// The folder text run: converts the text of every collected file into the
// mirrored output folder, copying or skipping files with a binary extension.
// Run it on a worker thread.

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "filename/RunInterfaces.h"
#include "platform/CodePage.h"

namespace zv {

struct FolderTextRunOptions {
  bool overwrite = false;           // binary copies may replace an existing file
  bool exceptFileCopyOnly = false;  // binary files are not copied
  bool dryRun = false;
  // Decides text (true) or binary; default: IsTextFile with the config folder's list.
  std::function<bool(const std::string& path)> isTextFile;
};

class FolderTextEngine {
 public:
  FolderTextEngine(std::vector<std::string> files, std::string srcFolder, std::string dstFolder,
                   FolderTextRunOptions options, CodePage cp);

  // Ends the run at a file whose reading or writing failed (after the file
  // error message); sets `running` to 0 when it returns.
  RunEnd Run(RowSource& rows, ProgressSink& progress, ErrorSink& errors, std::atomic<int>& running);

 private:
  std::vector<std::string> m_files;
  std::string m_srcFolder, m_dstFolder;
  FolderTextRunOptions m_options;
  CodePage m_cp;
};

}  // namespace zv
