#include "text/FolderTextEngine.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <new>
#include <optional>
#include <stdexcept>

#include "filename/CopyStep.h"
#include "filename/FolderWalk.h"
#include "filename/OrderedRun.h"
#include "platform/File.h"
#include "platform/FileError.h"
#include "platform/Path.h"
#include "settings/BinaryExtList.h"
#include "text/FolderTextConvert.h"
#include "text/TextConvert.h"
#include "text/TextStream.h"
#include "text/TextTexts.h"

namespace zv {

namespace {

// A text too large for memory fails as a file, not the whole run.
template <typename F>
FileResult UnlessOutOfMemory(FileOp op, const std::string& path, F&& f) {
  try {
    return f();
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  return FileResult::Fail(op, ENOMEM, path);
}

bool IsLink(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

std::uint64_t SizeOf(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0;
}

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
  std::string refusal;                // why the file is not written at all
  SharedRows rows;
  FileResult read;
  std::string text;
  bool fileForm = false;  // text keeps the file's CR LF line ends
  std::size_t replacements = 0;
  std::optional<FileEncoding> enc;    // the encoding the text was read in
  const char* unconverted = nullptr;  // why a text file is copied unchanged instead
  std::vector<std::size_t> leftOut;   // rows its encoding cannot express
  bool stream = false;                // converted piece by piece in Finish
  std::optional<FileResult> written;  // the write a streamed file made
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

void FolderTextEngine::MakeFolder(const Job& job, std::string& lastFolder) const {
  if (m_options.dryRun) return;
  CreateDirectories(job.folder);
  if (job.folder == lastFolder) return;
  lastFolder = job.folder;
  RemoveStaleTemporaries(job.folder);
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

void FolderTextEngine::Admit(std::size_t i, Job& job, RunTargets& targets) const {
  const bool writes = job.isText || !m_options.exceptFileCopyOnly;
  if (!writes) return;
  const RunTargets::Claim claim = targets.Take(i, job.dst);
  switch (claim.kind) {
    case RunTargets::Kind::Free:
      return;
    case RunTargets::Kind::Taken:
      break;
    case RunTargets::Kind::OtherSource:
      // A binary file without overwrite never replaces anything anyway.
      if (!job.isText && !m_options.overwrite) return;
      break;
    case RunTargets::Kind::OwnSource:
      // In place: the file is replaced by its own output, unless it was
      // reached through a link, which would turn into a file of its own. A
      // binary copy onto itself is passed over in Finish.
      if (IsLink(m_files[i])) job.refusal = FormatMessage(texts::kLinkLeftAlone, {m_files[i]});
      return;
  }
  job.refusal = targets.Refusal(claim, i, job.dst);
}

void FolderTextEngine::Load(std::size_t i, Job& job, RowSource* rows) const {
  if (SizeOf(m_files[i]) > m_options.streamAbove) {
    job.stream = true;
    if (rows) job.rows = rows->GetRows();
    return;
  }
  LoadWhole(i, job, rows);
}

void FolderTextEngine::LoadWhole(std::size_t i, Job& job, RowSource* rows) const {
  // Read first and whole, so an output equal to the source is converted in place.
  job.read = UnlessOutOfMemory(FileOp::Read, m_files[i], [&] {
    std::string raw;
    FileResult r = ReadFileBytes(m_files[i], raw);
    if (!r.ok) return r;
    if (rows) job.rows = rows->GetRows();
    Convert(job, std::move(raw));
    return r;
  });
  if (!job.read.ok) std::string().swap(job.text);
  job.rows.reset();
}

void FolderTextEngine::Convert(Job& job, std::string raw) const {
  FolderTextResult r = ConvertFolderText(std::move(raw), job.rows, m_options.encoding, m_options.keepLineEnds, m_cp,
                                         m_rowsByEncoding);
  job.enc = r.enc;
  job.unconverted = r.unconverted;
  job.leftOut = std::move(r.leftOut);
  job.text = std::move(r.text);
  job.fileForm = r.fileForm;
  job.replacements = r.replacements;
}

void FolderTextEngine::Stream(std::size_t i, Job& job) const {
  StreamRequest q;
  q.src = m_files[i];
  if (!m_options.dryRun) q.dst = job.dst;
  q.rows = job.rows;
  q.encoding = m_options.encoding;
  q.form = m_options.keepLineEnds ? LineEndForm::AsIs : LineEndForm::TextMode;
  q.cp = m_cp;
  q.piece = m_options.streamPiece;
  StreamResult r = ConvertStreamed(q, m_rowsByEncoding);
  if (r.end == StreamResult::End::WholeFile) {
    job.stream = false;
    LoadWhole(i, job, nullptr);
    return;
  }
  job.read = r.end == StreamResult::End::ReadFailed ? r.read : FileResult::Ok();
  job.enc = r.enc;
  job.leftOut = std::move(r.leftOut);
  job.replacements = r.replacements;
  if (r.end == StreamResult::End::Unknown) job.unconverted = texts::kEncodingUnknown;
  if (r.end == StreamResult::End::NotExact) job.unconverted = texts::kEncodingNotExact;
  if (r.end == StreamResult::End::Unknown || r.end == StreamResult::End::ReadFailed) job.enc.reset();
  if (r.end == StreamResult::End::ReadFailed) job.leftOut.clear();
  job.written = r.write;
  job.rows.reset();
}

void FolderTextEngine::Finish(std::size_t i, Job& job, ProgressSink& progress, ErrorSink& errors) const {
  const std::string& src = m_files[i];
  if (job.stream && job.isText && job.refusal.empty()) Stream(i, job);
  for (const std::string& message : job.messages) errors.ShowFileError(message);
  FileOutcome outcome;
  outcome.index = i;
  outcome.src = src;
  outcome.dst = job.dst;
  if (!job.refusal.empty()) {
    FailFile(outcome, std::move(job.refusal));
  } else if (job.isText && job.unconverted && job.read.ok) {
    // Never guessed into damage: the file goes over as it is, and is reported.
    outcome.encoding = job.enc ? EncodingLabel(*job.enc) : std::string();
    if (SameFile(src, job.dst)) {
      outcome.action = FileAction::Skipped;
    } else {
      CopyUnchanged(src, job.dst, true, m_options.dryRun, outcome);
    }
    if (outcome.action != FileAction::Failed) {
      outcome.error = FormatMessage(job.unconverted, {src, outcome.encoding});
      errors.ShowFileError(outcome.error);
    }
  } else if (job.isText) {
    FileResult r = job.read;
    if (job.enc) outcome.encoding = EncodingLabel(*job.enc);
    if (!job.leftOut.empty()) {
      const TextEncoding as = job.enc->ascii ? SessionEncoding() : job.enc->encoding;
      outcome.note = FormatMessage(texts::kRowsNotUsed, {RowNumbers(job.leftOut)});
      std::vector<std::size_t>& said = m_announced[static_cast<int>(as)];
      if (said != job.leftOut) {
        said = job.leftOut;
        progress.RunNotice(RowsLeftOutOfTexts(said, as));
      }
    }
    if (r.ok) {
      outcome.replacements = job.replacements;
      if (job.written) {
        r = *job.written;
      } else if (!m_options.dryRun) {
        r = UnlessOutOfMemory(FileOp::Write, job.dst,
                              [&] { return WriteFolderText(job.dst, job.text, job.fileForm); });
      }
    }
    std::string().swap(job.text);  // the memory goes now, not when the run ends
    if (r.ok) {
      outcome.action = FileAction::Converted;
    } else {
      FailFile(outcome, FileFailureMessage(r));
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
  if (outcome.action == FileAction::Failed) errors.ShowFileError(outcome.error);
  progress.FileDone(outcome);
}

RunEnd FolderTextEngine::Run(RowSource& rows, ProgressSink& progress, ErrorSink& errors,
                             std::atomic<int>& running) {
  const MirrorFolders mirror = PrepareMirror(m_srcFolder, m_dstFolder);
  // Made before the first write, so no output is ever taken for a source.
  RunTargets targets(m_files);
  const RunEnd end = m_options.jobs > 1 ? RunParallel(mirror, targets, rows, progress, errors, running)
                                        : RunSequential(mirror, targets, rows, progress, errors, running);
  if (end == RunEnd::Stopped || running.load() == 0) return RunEnd::Stopped;
  progress.ShowSrcFile("");
  progress.ShowDstFile("");
  progress.ShowProgress(-1);
  progress.RunFinished();
  running.store(0);
  return end;
}

RunEnd FolderTextEngine::RunSequential(const MirrorFolders& mirror, RunTargets& targets, RowSource& rows,
                                       ProgressSink& progress, ErrorSink& errors, std::atomic<int>& running) {
  std::string lastFolder;
  for (std::size_t i = 0; i < m_files.size(); ++i) {
    Job job;
    Prepare(i, mirror, job);
    if (job.skip) continue;
    // Also for a file that is then skipped: its subfolder exists all the same.
    MakeFolder(job, lastFolder);
    if (running.load() == 0) return RunEnd::Stopped;
    ShowLabels(i, job, progress);
    DecideText(i, job);
    for (const std::string& message : job.messages) errors.ShowFileError(message);
    job.messages.clear();
    Admit(i, job, targets);
    if (job.isText && job.refusal.empty()) Load(i, job, &rows);
    Finish(i, job, progress, errors);
  }
  return RunEnd::Completed;
}

// Texts are read and converted ahead on the workers; folders, labels,
// writes and copies follow list order on this thread, so the output is
// exactly what a run with one job makes.
RunEnd FolderTextEngine::RunParallel(const MirrorFolders& mirror, RunTargets& targets, RowSource& rows,
                                     ProgressSink& progress, ErrorSink& errors, std::atomic<int>& running) {
  const std::size_t n = m_files.size();
  // Texts held in memory at once beyond the one file always allowed.
  constexpr std::size_t kBudget = std::size_t{32} << 20;
  std::vector<Job> slots(n);
  FilesInUse inUse;
  std::size_t bytesHeld = 0;
  std::string lastFolder;

  auto keysOf = [&](std::size_t i, Job& job) {
    std::uint64_t size = 0;
    job.keys = inUse.KeysOf(m_files[i], job.folder, job.name, false, true, &size);
    // A file converted piece by piece holds a piece at a time, on this thread.
    job.bytes = size > m_options.streamAbove ? 0 : static_cast<std::size_t>(size);
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
    Admit(i, job, targets);
    if (job.isText && job.refusal.empty()) job.rows = rows.GetRows();
    // Keys taken while an earlier file was under way may be out of date.
    if (!job.keysFresh) keysOf(i, job);
    inUse.Hold(job.keys);
    bytesHeld += job.bytes;
    return true;
  };
  steps.work = [&](std::size_t i) {
    Job& job = slots[i];
    if (!job.skip && job.isText && job.refusal.empty()) Load(i, job);
  };
  steps.end = [&](std::size_t i) {
    Job& job = slots[i];
    if (!job.skip) {
      MakeFolder(job, lastFolder);
      ShowLabels(i, job, progress);
      Finish(i, job, progress, errors);
      inUse.Release(job.keys);
      bytesHeld -= job.bytes;
    }
    Job gone = std::move(job);  // takes the buffers along; assigning Job{} would keep them
    return true;
  };

  const OrderedResult result = RunOrdered(n, m_options.jobs, std::size_t{8} * m_options.jobs, steps, true);
  if (result.how != OrderedResult::How::BeginRefused) return RunEnd::Completed;
  // As with one job, the folder of the file at which the run stopped exists.
  if (!m_options.dryRun) CreateDirectories(slots[result.at].folder);
  return RunEnd::Stopped;
}

}  // namespace zv
