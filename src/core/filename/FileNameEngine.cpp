#include "filename/FileNameEngine.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>

#include "filename/CopyStep.h"
#include "filename/FileNameTexts.h"
#include "filename/FolderWalk.h"
#include "filename/OrderedRun.h"
#include "filename/RunTargets.h"
#include "platform/File.h"
#include "platform/FileError.h"
#include "platform/Path.h"
#include "text/RowsByEncoding.h"

namespace zv {

namespace {

// With several jobs the workers copy the files begun last and the calling
// thread the first ones: far apart in the list, so usually in different
// folders, where their creates and renames do not wait for each other on
// one folder's lock. That needs a window wider than a folder: up to 128
// files per job, and no more than 64 MB of sources per job under way, so a
// stop still ends soon.
constexpr std::size_t kNameFilesPerJob = 128;
constexpr std::uint64_t kNameBytesPerJob = std::uint64_t{64} << 20;

// Why a converted name cannot be copied under, or 0 when it can. A name may
// hold a separator (it then names a subfolder that is not created), but it
// never climbs out of the destination folder and never names a folder itself.
// Every reason reads as a bad path.
// RefuseName's answer for a name with a ".." part.
constexpr int kLeavesFolder = -1;

int RefuseName(const std::string& name, const std::string& dst) {
  if (dst.size() >= PATH_MAX) return ENAMETOOLONG;
  std::size_t start = 0;
  std::string_view last;
  for (;;) {
    const std::size_t end = name.find(kPathSep, start);
    const std::string_view part =
        std::string_view(name).substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (part == "..") return kLeavesFolder;
    if (part.size() > NAME_MAX) return ENAMETOOLONG;
    last = part;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  if (last.empty() || last == ".") return EINVAL;
  return 0;
}

}  // namespace

FileNameEngine::FileNameEngine(std::vector<std::string> files, std::string srcFolder, std::string dstFolder,
                               FileNameRunOptions options)
    : m_files(std::move(files)),
      m_srcFolder(std::move(srcFolder)),
      m_dstFolder(std::move(dstFolder)),
      m_options(options) {}

RunEnd FileNameEngine::Run(RowSource& rows, ProgressSink& progress, ErrorSink& errors,
                           std::atomic<int>& running) {
  const std::size_t n = m_files.size();
  const MirrorFolders mirror = PrepareMirror(m_srcFolder, m_dstFolder);
  const NameRules rules{m_options.part, m_options.noCase};
  const unsigned jobs = std::max(1u, m_options.jobs);

  // What one file needs between its steps; dropped once it has ended.
  struct Job {
    bool prepared = false;
    bool skip = false;  // empty entry
    std::string folder, name, dst;
    std::vector<std::string> keys;
    std::uint64_t size = 0;  // of the source, for the bytes under way
    bool keysFresh = false;  // taken by a ready() that let the file begin at once
    std::string refusal;     // why the file is not copied at all
    FileOutcome outcome;
  };
  std::vector<Job> slots(n);
  FilesInUse inUse;
  // Made before the first copy, so no output is ever taken for a source.
  RunTargets targets(m_files);
  // The walk lists a folder's files together: the folder is made (or
  // looked at) once for all of them.
  std::string madeFolder;
  // Each name meets the rows in its own encoding; rows it cannot express are
  // announced once for each set of them.
  RowsByEncoding nameRows;
  std::vector<std::size_t> announced[2];

  auto prepare = [&](std::size_t i) -> Job& {
    Job& job = slots[i];
    if (job.prepared) return job;
    job.prepared = true;
    const std::string& src = m_files[i];
    if (src.empty()) {
      job.skip = true;
      return job;
    }
    const PathParts parts = SplitPath(src);
    job.folder = DestinationFolder(mirror, src);
    const CodePage cp = NameCodePage(PathFileName(src));
    const TextEncoding enc = cp == CodePage::Cp932 ? TextEncoding::Cp932 : TextEncoding::Utf8;
    const RowsByEncoding::Converted list = nameRows.For(rows.GetRows(), enc);
    std::vector<std::size_t>& said = announced[cp == CodePage::Cp932 ? 0 : 1];
    if (!list.leftOut.empty() && list.leftOut != said) {
      said = list.leftOut;
      progress.RunNotice(RowsLeftOutOfNames(said, enc));
    }
    std::size_t replacements = 0;
    const std::string base = ConvertBaseName(parts.fname, list.rows, rules, cp, &replacements);
    job.name = base + parts.ext;
    job.dst = MakePath("", job.folder, base, parts.ext);
    job.outcome.index = i;
    job.outcome.src = src;
    job.outcome.dst = job.dst;
    job.outcome.replacements = replacements;
    return job;
  };

  OrderedSteps steps;
  // Another file under way that reads or writes the same file (or the same
  // new destination) goes first; copies of unrelated files run side by side.
  // Without overwrite an existing destination is refused before it is
  // opened, so only its path counts: looking up names that do not exist yet
  // contends with the other copies for the folder's lock.
  std::uint64_t bytesUnderWay = 0;
  steps.ready = [&](std::size_t i) {
    Job& job = prepare(i);
    if (job.skip) return true;
    job.keys = inUse.KeysOf(m_files[i], job.folder, job.name, true, m_options.overwrite, &job.size);
    job.keysFresh = !inUse.Busy(job.keys) && bytesUnderWay + job.size <= kNameBytesPerJob * jobs;
    return job.keysFresh;
  };
  steps.begin = [&](std::size_t i) {
    Job& job = prepare(i);
    if (job.skip) return true;
    if (!m_options.dryRun && job.folder != madeFolder) {
      if (CreateDirectories(job.folder)) {
        madeFolder = job.folder;
        RemoveStaleTemporaries(job.folder);
      }
    }

    const int percent = static_cast<int>(static_cast<unsigned long long>(i) * 100 / n);
    std::string shortSrc, shortDst;
    ShortenPath(m_files[i], shortSrc, 60, 10);
    ShortenPath(job.dst, shortDst, 60, 10);
    const std::string srcLabel = texts::kNameSrcLabel + shortSrc;
    const std::string dstLabel = texts::kNameDstLabel + shortDst;

    // Stopped: leave without addressing the dialog again.
    if (running.load() == 0) return false;

    progress.ShowSrcFile(srcLabel);
    progress.ShowDstFile(dstLabel);
    progress.ShowProgress(percent);
    // Decided here, in list order: the first file to a destination keeps it.
    if (const int refused = RefuseName(job.name, job.dst)) {
      job.refusal = refused == kLeavesFolder
                        ? FormatMessage(texts::kNameLeavesFolder, {job.dst})
                        : FileFailureMessage(FileResult::Fail(FileOp::Open, refused, job.dst));
    } else if (const RunTargets::Claim claim = targets.Take(i, job.dst);
               claim.kind == RunTargets::Kind::Taken ||
               (m_options.overwrite && claim.kind != RunTargets::Kind::Free)) {
      // Without overwrite an existing destination is never written anyway.
      job.refusal = targets.Refusal(claim, i, job.dst);
    }
    if (jobs > 1) {
      // Keys taken while an earlier file was under way may be out of date.
      if (!job.keysFresh)
        job.keys = inUse.KeysOf(m_files[i], job.folder, job.name, true, m_options.overwrite, &job.size);
      inUse.Hold(job.keys);
      bytesUnderWay += job.size;
    }
    return true;
  };
  steps.work = [&](std::size_t i) {
    Job& job = slots[i];
    if (job.skip) return;
    if (job.refusal.empty())
      CopyOne(m_files[i], job.outcome);
    else
      FailFile(job.outcome, std::move(job.refusal));
  };
  steps.end = [&](std::size_t i) {
    Job& job = slots[i];
    if (!job.skip) {
      inUse.Release(job.keys);
      bytesUnderWay -= job.size;
      if (job.outcome.action == FileAction::Failed) errors.ShowFileError(job.outcome.error);
      progress.FileDone(job.outcome);
    }
    Job gone = std::move(job);  // takes the buffers along; assigning Job{} would keep them
    return true;
  };

  if (RunOrdered(n, jobs, kNameFilesPerJob * jobs, steps, true, true).how != OrderedResult::How::Completed)
    return RunEnd::Stopped;

  if (running.load() == 0) return RunEnd::Stopped;
  progress.ShowSrcFile("");
  progress.ShowDstFile("");
  progress.ShowProgress(-1);
  progress.RunFinished();
  running.store(0);
  return RunEnd::Completed;
}

void FileNameEngine::CopyOne(const std::string& src, FileOutcome& outcome) const {
  const std::string& dst = outcome.dst;
  if (m_options.overwrite && SameFile(src, dst)) {
    // A copy onto itself (a hard link, say) would only risk the source.
    // Without overwrite the copy refuses any existing destination anyway.
    FailFile(outcome, FormatMessage(texts::kDstIsSource, {dst}));
  } else {
    CopyUnchanged(src, dst, m_options.overwrite, m_options.dryRun, outcome);
  }
}

}  // namespace zv
