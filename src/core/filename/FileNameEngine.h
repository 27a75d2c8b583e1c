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
  // Copies made side by side; labels and FileDone stay in list order.
  unsigned jobs = 1;
};

class FileNameEngine {
 public:
  FileNameEngine(std::vector<std::string> files, std::string srcFolder, std::string dstFolder,
                 FileNameRunOptions options);

  // Tests `running` once per file, after the destination folder is created
  // and before the labels; a complete run ends with empty labels, -1 and
  // RunFinished. A failed file goes to `errors`, and the run goes on. Sets
  // `running` to 0 when it returns. With several jobs, rows are still asked
  // and sinks called on the calling thread only; a stop lets the copies
  // under way finish.
  RunEnd Run(RowSource& rows, ProgressSink& progress, ErrorSink& errors, std::atomic<int>& running);

 private:
  void CopyOne(const std::string& src, FileOutcome& outcome) const;

  std::vector<std::string> m_files;
  std::string m_srcFolder, m_dstFolder;
  FileNameRunOptions m_options;
};

}  // namespace zv
