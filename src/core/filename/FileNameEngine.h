#pragma once
// The file-name run: copies every collected file into the mirrored output
// folder under its converted name. Run it on a worker thread.

#include <atomic>
#include <string>
#include <vector>

#include "filename/NameConvert.h"
#include "filename/RunInterfaces.h"

namespace zv {

struct FileNameRunOptions {
  bool noCase = false;
  bool overwrite = false;
  bool part = false;
  bool dryRun = false;  // plan only: report, write nothing
};

class FileNameEngine {
 public:
  FileNameEngine(std::vector<std::string> files, std::string srcFolder, std::string dstFolder,
                 FileNameRunOptions options);

  // Tests `running` once per file, after the destination folder is created
  // and before the labels; a complete run ends with empty labels, -1 and
  // RunFinished. Sets `running` to 0 when it returns.
  RunEnd Run(RowSource& rows, ProgressSink& progress, std::atomic<int>& running);

 private:
  std::vector<std::string> m_files;
  std::string m_srcFolder, m_dstFolder;
  FileNameRunOptions m_options;
};

}  // namespace zv
