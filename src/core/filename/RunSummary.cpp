#include "filename/RunSummary.h"

#include "filename/FileNameTexts.h"

namespace zv {

void RunSummary::Add(const FileOutcome& o) {
  replacements += o.replacements;
  // Each file counts once: a failure is a failure whatever step it reached.
  if (o.action == FileAction::Failed || !o.error.empty()) {
    ++failed;
    if (firstFailures.size() < kFailuresKept) firstFailures.push_back(o);
    return;
  }
  switch (o.action) {
    case FileAction::Converted:
      ++converted;
      break;
    case FileAction::Copied:
      // A copy under a new name is the file-name tool's conversion.
      ++(o.replacements > 0 ? converted : copied);
      break;
    case FileAction::Skipped:
      ++skipped;
      break;
    case FileAction::Exists:
      ++exists;
      break;
    case FileAction::Failed:
      break;
  }
}

std::string SummaryLine(const RunSummary& s) {
  auto n = [](std::size_t v) { return std::to_string(v); };
  std::string line = std::string(texts::kSummaryConverted) + n(s.converted) + texts::kSummaryCopied + n(s.copied) +
                     texts::kSummarySkipped + n(s.skipped) + texts::kSummaryExists + n(s.exists) +
                     texts::kSummaryFailed + n(s.failed) + texts::kSummaryReplacements + n(s.replacements) +
                     texts::kSummaryReplacementsTail;
  if (s.notReached > 0) line += texts::kSummaryNotReached + n(s.notReached);
  return line;
}

}  // namespace zv
