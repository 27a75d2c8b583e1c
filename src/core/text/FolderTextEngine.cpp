#include "text/FolderTextEngine.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "filename/FolderWalk.h"
#include "platform/File.h"
#include "platform/FileError.h"
#include "platform/Path.h"
#include "settings/BinaryExtList.h"
#include "text/TextConvert.h"
#include "text/TextTexts.h"

namespace zv {

namespace {

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {};
  struct stat sb {};
  if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace

FolderTextEngine::FolderTextEngine(std::vector<std::string> files, std::string srcFolder,
                                   std::string dstFolder, FolderTextRunOptions options, CodePage cp)
    : m_files(std::move(files)),
      m_srcFolder(std::move(srcFolder)),
      m_dstFolder(std::move(dstFolder)),
      m_options(std::move(options)),
      m_cp(cp) {}

RunEnd FolderTextEngine::Run(RowSource& rows, ProgressSink& progress, ErrorSink& errors,
                             std::atomic<int>& running) {
  const std::size_t n = m_files.size();
  const MirrorFolders mirror = PrepareMirror(m_srcFolder, m_dstFolder);
  const FileErrorReporter reporter = [&errors](const std::string& message) { errors.ShowFileError(message); };
  bool failed = false;

  for (std::size_t i = 0; i < n && !failed; ++i) {
    const std::string& src = m_files[i];
    if (src.empty()) continue;

    const PathParts parts = SplitPath(src);
    const std::string folder = DestinationFolder(mirror, src);
    const std::string dst = MakePath("", folder, parts.fname, parts.ext);

    // Also for a file that is then skipped: its subfolder exists all the same.
    if (!m_options.dryRun) CreateDirectories(folder);

    const int percent = static_cast<int>(static_cast<unsigned long long>(i) * 100 / n);
    std::string shortSrc, shortDst;
    ShortenPath(src, shortSrc, 60, 10);
    ShortenPath(dst, shortDst, 60, 10);
    const std::string srcLabel = texts::kCopySrcLabel + shortSrc;
    const std::string dstLabel = texts::kCopyDstLabel + shortDst;

    if (running.load() == 0) return RunEnd::Stopped;

    progress.ShowSrcFile(srcLabel);
    progress.ShowDstFile(dstLabel);
    progress.ShowProgress(percent);

    FileOutcome outcome;
    outcome.index = i;
    outcome.src = src;
    outcome.dst = dst;

    const bool isText = m_options.isTextFile ? m_options.isTextFile(src) : IsTextFile(src, reporter);
    if (isText) {
      // Reading first and whole, so an output equal to the source is converted in place.
      std::string text;
      FileResult r = ReadFolderText(src, text);
      if (r.ok) {
        outcome.replacements = ApplyList(text, rows.GetRows(), m_cp);
        if (!m_options.dryRun) r = WriteFolderText(dst, text);
      }
      if (r.ok) {
        outcome.action = FileAction::Converted;
      } else {
        const std::optional<std::string> message = FileErrorMessage(r);
        if (message) errors.ShowFileError(*message);
        outcome.action = FileAction::Failed;
        outcome.error = message ? *message : std::string(std::strerror(r.err));
        failed = true;
      }
    } else if (!m_options.exceptFileCopyOnly) {
      const bool failIfExists = !m_options.overwrite;
      if (SameFile(src, dst)) {
        // A copy onto itself does not happen; the file stays as it is.
        outcome.action = FileAction::Skipped;
      } else if (m_options.dryRun) {
        outcome.action = failIfExists && PathFileExists(dst) ? FileAction::Exists : FileAction::Copied;
      } else {
        const FileResult r = CopyFileKeep(src, dst, failIfExists);
        if (r.ok) {
          outcome.action = FileAction::Copied;
        } else if (r.err == EEXIST && failIfExists) {
          outcome.action = FileAction::Exists;
        } else {
          outcome.action = FileAction::Failed;
          outcome.error = std::strerror(r.err);
        }
      }
    } else {
      outcome.action = FileAction::Skipped;
    }
    progress.FileDone(outcome);
  }

  // A run that failed at a file still restores the idle look, unless it was stopped meanwhile.
  if (running.load() == 0) return failed ? RunEnd::FailedAtFile : RunEnd::Stopped;
  progress.ShowSrcFile("");
  progress.ShowDstFile("");
  progress.ShowProgress(-1);
  progress.RunFinished();
  running.store(0);
  return failed ? RunEnd::FailedAtFile : RunEnd::Completed;
}

}  // namespace zv
