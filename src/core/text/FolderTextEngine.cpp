#include "text/FolderTextEngine.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "filename/CopyStep.h"
#include "filename/FolderWalk.h"
#include "filename/OrderedRun.h"
#include "platform/File.h"
#include "platform/FileError.h"
#include "platform/Path.h"
#include "settings/BinaryExtList.h"
#include "text/TextConvert.h"
#include "text/TextTexts.h"

namespace zv {

namespace {

}  // namespace

FolderTextEngine::FolderTextEngine(std::vector<std::string> files, std::string srcFolder,
                                   std::string dstFolder, FolderTextRunOptions options, CodePage cp)
    : m_files(std::move(files)),
      m_srcFolder(std::move(srcFolder)),
      m_dstFolder(std::move(dstFolder)),
      m_options(std::move(options)),
      m_cp(cp) {}

// One file of a run between its steps.
struct FolderTextEngine::Job {
  bool prepared = false;
  bool skip = false;  // empty entry
  std::string folder, name, dst;
  bool isText = false;
  std::vector<std::string> messages;  // file error messages of the text test, shown in list order
  SharedRows rows;
  FileResult read;
  std::string text;
  bool fileForm = false;  // text keeps the file's CR LF line ends
  std::size_t replacements = 0;
  std::vector<std::string> keys;
  bool keysFresh = false;  // taken by a ready() that let the file begin at once
  std::size_t bytes = 0;
};

void FolderTextEngine::Prepare(std::size_t i, const MirrorFolders& mirror, Job& job) const {
  if (job.prepared) return;
  job.prepared = true;
  const std::string& src = m_files[i];
  if (src.empty()) {
    job.skip = true;
    return;
  }
  const PathParts parts = SplitPath(src);
  job.folder = DestinationFolder(mirror, src);
  job.name = parts.fname + parts.ext;
  job.dst = MakePath("", job.folder, parts.fname, parts.ext);
}

void FolderTextEngine::ShowLabels(std::size_t i, const Job& job, ProgressSink& progress) const {
  const int percent = static_cast<int>(static_cast<unsigned long long>(i) * 100 / m_files.size());
  std::string shortSrc, shortDst;
  ShortenPath(m_files[i], shortSrc, 60, 10);
  ShortenPath(job.dst, shortDst, 60, 10);
  progress.ShowSrcFile(texts::kCopySrcLabel + shortSrc);
  progress.ShowDstFile(texts::kCopyDstLabel + shortDst);
  progress.ShowProgress(percent);
}

void FolderTextEngine::DecideText(std::size_t i, Job& job) const {
  const std::string& src = m_files[i];
  job.isText = m_options.isTextFile
                   ? m_options.isTextFile(src)
                   : IsTextFile(src, [&job](const std::string& message) { job.messages.push_back(message); });
}

void FolderTextEngine::Load(std::size_t i, Job& job) const {
  // Read first and whole, so an output equal to the source is converted in place.
  std::string raw;
  job.read = ReadFileBytes(m_files[i], raw);
  if (job.read.ok) Convert(job, std::move(raw));
  job.rows.reset();
}

void FolderTextEngine::Convert(Job& job, std::string raw) const {
  // Rows that cannot tell CR LF from LF work on a CR LF file's own bytes,
  // which spares decoding it and encoding the result.
  job.text = FolderTextFromBytes(std::move(raw), RowsIgnoreLineEnds(job.rows), job.fileForm);
  job.replacements = ApplySharedList(job.text, job.rows, m_cp);
}

bool FolderTextEngine::Finish(std::size_t i, Job& job, ProgressSink& progress, ErrorSink& errors) const {
  const std::string& src = m_files[i];
  for (const std::string& message : job.messages) errors.ShowFileError(message);
  FileOutcome outcome;
  outcome.index = i;
  outcome.src = src;
  outcome.dst = job.dst;
  bool failed = false;
  if (job.isText) {
    FileResult r = job.read;
    if (r.ok) {
      outcome.replacements = job.replacements;
      if (!m_options.dryRun) r = WriteFolderText(job.dst, job.text, job.fileForm);
    }
    std::string().swap(job.text);  // the memory goes now, not when the run ends
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
    const std::string& dst = job.dst;
    if (SameFile(src, dst)) {
      // A copy onto itself does not happen; the file stays as it is.
      outcome.action = FileAction::Skipped;
    } else {
      CopyUnchanged(src, dst, m_options.overwrite, m_options.dryRun, outcome);
    }
  } else {
    outcome.action = FileAction::Skipped;
  }
  progress.FileDone(outcome);
  return !failed;
}

RunEnd FolderTextEngine::Run(RowSource& rows, ProgressSink& progress, ErrorSink& errors,
                             std::atomic<int>& running) {
  const MirrorFolders mirror = PrepareMirror(m_srcFolder, m_dstFolder);
  const RunEnd end = m_options.jobs > 1 ? RunParallel(mirror, rows, progress, errors, running)
                                        : RunSequential(mirror, rows, progress, errors, running);
  if (end == RunEnd::Stopped) return end;
  // A run that failed at a file still restores the idle look, unless it was stopped meanwhile.
  if (running.load() == 0) return end == RunEnd::FailedAtFile ? end : RunEnd::Stopped;
  progress.ShowSrcFile("");
  progress.ShowDstFile("");
  progress.ShowProgress(-1);
  progress.RunFinished();
  running.store(0);
  return end;
}

RunEnd FolderTextEngine::RunSequential(const MirrorFolders& mirror, RowSource& rows, ProgressSink& progress,
                                       ErrorSink& errors, std::atomic<int>& running) {
  for (std::size_t i = 0; i < m_files.size(); ++i) {
    Job job;
    Prepare(i, mirror, job);
    if (job.skip) continue;
    // Also for a file that is then skipped: its subfolder exists all the same.
    if (!m_options.dryRun) CreateDirectories(job.folder);
    if (running.load() == 0) return RunEnd::Stopped;
    ShowLabels(i, job, progress);
    DecideText(i, job);
    for (const std::string& message : job.messages) errors.ShowFileError(message);
    job.messages.clear();
    if (job.isText) {
      std::string raw;
      job.read = ReadFileBytes(m_files[i], raw);
      if (job.read.ok) {
        job.rows = rows.GetRows();
        Convert(job, std::move(raw));
        job.rows.reset();
      }
    }
    if (!Finish(i, job, progress, errors)) return RunEnd::FailedAtFile;
  }
  return RunEnd::Completed;
}

// Texts are read and converted ahead on the workers; folders, labels,
// writes and copies follow list order on this thread, so a run that fails at
// a file leaves the output exactly as a run with one job would.
RunEnd FolderTextEngine::RunParallel(const MirrorFolders& mirror, RowSource& rows, ProgressSink& progress,
                                     ErrorSink& errors, std::atomic<int>& running) {
  const std::size_t n = m_files.size();
  // Texts held in memory at once beyond the one file always allowed.
  constexpr std::size_t kBudget = std::size_t{32} << 20;
  std::vector<Job> slots(n);
  FilesInUse inUse;
  std::size_t bytesHeld = 0;

  auto keysOf = [&](std::size_t i, Job& job) {
    std::uint64_t size = 0;
    job.keys = inUse.KeysOf(m_files[i], job.folder, job.name, false, true, &size);
    job.bytes = static_cast<std::size_t>(size);
  };

  OrderedSteps steps;
  steps.ready = [&](std::size_t i) {
    Job& job = slots[i];
    Prepare(i, mirror, job);
    if (job.skip) return true;
    keysOf(i, job);
    job.keysFresh = !inUse.Busy(job.keys) && bytesHeld + job.bytes <= kBudget;
    return job.keysFresh;
  };
  steps.begin = [&](std::size_t i) {
    Job& job = slots[i];
    Prepare(i, mirror, job);
    if (job.skip) return true;
    if (running.load() == 0) return false;
    DecideText(i, job);
    if (job.isText) job.rows = rows.GetRows();
    // Keys taken while an earlier file was under way may be out of date.
    if (!job.keysFresh) keysOf(i, job);
    inUse.Hold(job.keys);
    bytesHeld += job.bytes;
    return true;
  };
  steps.work = [&](std::size_t i) {
    Job& job = slots[i];
    if (!job.skip && job.isText) Load(i, job);
  };
  steps.end = [&](std::size_t i) {
    Job& job = slots[i];
    bool ok = true;
    if (!job.skip) {
      if (!m_options.dryRun) CreateDirectories(job.folder);
      ShowLabels(i, job, progress);
      ok = Finish(i, job, progress, errors);
      inUse.Release(job.keys);
      bytesHeld -= job.bytes;
    }
    Job gone = std::move(job);  // takes the buffers along; assigning Job{} would keep them
    return ok;
  };

  const OrderedResult result = RunOrdered(n, m_options.jobs, std::size_t{8} * m_options.jobs, steps, true);
  switch (result.how) {
    case OrderedResult::How::Completed:
      return RunEnd::Completed;
    case OrderedResult::How::EndFailed:
      return RunEnd::FailedAtFile;
    case OrderedResult::How::BeginRefused:
      break;
  }
  // As with one job, the folder of the file at which the run stopped exists.
  if (!m_options.dryRun) CreateDirectories(slots[result.at].folder);
  return RunEnd::Stopped;
}

}  // namespace zv
