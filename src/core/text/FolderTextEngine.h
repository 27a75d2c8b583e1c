#pragma once
// The folder text run: converts the text of every collected file into the
// mirrored output folder, copying or skipping files with a binary extension.
// Run it on a worker thread.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "filename/FolderWalk.h"
#include "filename/RunInterfaces.h"
#include "filename/RunTargets.h"
#include "platform/CodePage.h"
#include "text/RowsByEncoding.h"
#include "text/TextEncoding.h"

namespace zv {

struct FolderTextRunOptions {
  bool overwrite = false;           // binary copies may replace an existing file
  bool exceptFileCopyOnly = false;  // binary files are not copied
  bool dryRun = false;
  // Texts read and converted side by side; folders, labels, writes and
  // copies stay in list order.
  unsigned jobs = 1;
  // Decides text (true) or binary; default: IsTextFile with the config folder's list.
  std::function<bool(const std::string& path)> isTextFile;
  // The encoding of the texts: the code page the engine was made with, one
  // for every file, or each file's own. A file that fits none is copied
  // unchanged and reported.
  EncodingChoice encoding = EncodingChoice::System;
  // Every byte outside the replacements stays (no CR LF convention, no 0x1A rule).
  bool keepLineEnds = false;
  // Text files larger than this are converted piece by piece (TextStream.h),
  // reading streamPiece bytes at a time, on the calling thread in list order;
  // the others whole.
  std::uint64_t streamAbove = std::uint64_t{64} << 20;
  std::size_t streamPiece = std::size_t{8} << 20;
};

class FolderTextEngine {
 public:
  FolderTextEngine(std::vector<std::string> files, std::string srcFolder, std::string dstFolder,
                   FolderTextRunOptions options, CodePage cp);

  // A file that fails goes to `errors` and the run goes on with the next
  // one; sets `running` to 0 when it returns.
  // With several jobs, rows, the text test and the sinks are still called on
  // the calling thread only; a stop lets the files under way finish.
  RunEnd Run(RowSource& rows, ProgressSink& progress, ErrorSink& errors, std::atomic<int>& running);

 private:
  struct Job;
  void Prepare(std::size_t i, const MirrorFolders& mirror, Job& job) const;
  // Makes the file's folder, and clears stale temporary files from it once.
  void MakeFolder(const Job& job, std::string& lastFolder) const;
  void ShowLabels(std::size_t i, const Job& job, ProgressSink& progress) const;
  void DecideText(std::size_t i, Job& job) const;
  // After DecideText, in list order: may the file write its destination?
  void Admit(std::size_t i, Job& job, RunTargets& targets) const;
  // Reads and converts; rows, when given, are asked once the text is read
  // (one job), else job.rows were taken when the file began. A file above
  // streamAbove is only marked, to be streamed in Finish.
  void Load(std::size_t i, Job& job, RowSource* rows = nullptr) const;
  void LoadWhole(std::size_t i, Job& job, RowSource* rows) const;
  // The read bytes to the converted text, with job.rows.
  void Convert(Job& job, std::string raw) const;
  // A file too large to hold, converted and written piece by piece; read
  // whole (LoadWhole) where it cannot be cut.
  void Stream(std::size_t i, Job& job) const;
  // Writes or copies, and reports the file.
  void Finish(std::size_t i, Job& job, ProgressSink& progress, ErrorSink& errors) const;
  RunEnd RunSequential(const MirrorFolders& mirror, RunTargets& targets, RowSource& rows,
                       ProgressSink& progress, ErrorSink& errors, std::atomic<int>& running);
  RunEnd RunParallel(const MirrorFolders& mirror, RunTargets& targets, RowSource& rows,
                     ProgressSink& progress, ErrorSink& errors, std::atomic<int>& running);

  std::vector<std::string> m_files;
  std::string m_srcFolder, m_dstFolder;
  FolderTextRunOptions m_options;
  CodePage m_cp;
  mutable RowsByEncoding m_rowsByEncoding;                       // Convert runs on the workers too
  mutable std::vector<std::size_t> m_announced[kTextEncodings];  // notices given, calling thread only
};

}  // namespace zv
