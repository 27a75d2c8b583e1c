#pragma once
// What a folder run engine takes from outside: the rows (asked once per
// file), a progress sink, an error sink and a stop flag.

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>

#include "list/ConvertItem.h"

namespace zv {

class RowSource {
 public:
  virtual ~RowSource() = default;
  // All rows in display order; called once per file. Never null. Hand out
  // the same pointer while the rows are unchanged: the engines then know
  // them again without comparing them.
  virtual SharedRows GetRows() = 0;
};

class FixedRowSource : public RowSource {
 public:
  explicit FixedRowSource(ConvertRows rows) : m_rows(std::make_shared<const ConvertRows>(std::move(rows))) {}
  SharedRows GetRows() override { return m_rows; }

 private:
  SharedRows m_rows;
};

// For sources that read their rows afresh for every file: rows equal to the
// ones handed out before come back as the same pointer.
class StableRows {
 public:
  SharedRows Hand(ConvertRows rows) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_last || *m_last != rows) m_last = std::make_shared<const ConvertRows>(std::move(rows));
    return m_last;
  }

 private:
  std::mutex m_mutex;
  SharedRows m_last;
};

enum class FileAction { Converted, Copied, Skipped, Failed, Exists };

// The action as reports name it: "converted", "copied", "skipped", "failed", "exists".
inline const char* FileActionName(FileAction action) {
  switch (action) {
    case FileAction::Converted:
      return "converted";
    case FileAction::Copied:
      return "copied";
    case FileAction::Skipped:
      return "skipped";
    case FileAction::Failed:
      return "failed";
    case FileAction::Exists:
      return "exists";
  }
  return "failed";
}

struct FileOutcome {
  std::size_t index = 0;  // position in the file list
  std::string src, dst;
  FileAction action = FileAction::Skipped;
  std::size_t replacements = 0;
  std::string error;  // when failed: the message the error sink was given
  // Text files: the encoding the file was read in ("UTF-8", "EUC-JP", ...),
  // and a note when it was not converted or some rows took no part.
  std::string encoding;
  std::string note;
};

class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  virtual void ShowSrcFile(const std::string& label) = 0;
  virtual void ShowDstFile(const std::string& label) = 0;
  // 0..100 shows the bar at that value; anything else hides it.
  virtual void ShowProgress(int percent) = 0;
  // A run that was not stopped has ended: restore the idle look.
  virtual void RunFinished() = 0;
  // Optional per-file report (command-line manifest).
  virtual void FileDone(const FileOutcome&) {}
  // Something the user should know about the run as a whole, said once
  // (UTF-8 text), such as rows that take no part for some names.
  virtual void RunNotice(const std::string&) {}
};

class ErrorSink {
 public:
  virtual ~ErrorSink() = default;
  // A failure of a file (or of the extension list), in list order: every
  // failed file comes here once, with the message its outcome carries. The
  // caller waits until it has been shown.
  virtual void ShowFileError(const std::string& message) = 0;
};

enum class RunEnd { Completed, Stopped };

}  // namespace zv
