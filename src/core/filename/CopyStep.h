#pragma once
// The unchanged copy that both folder engines make.

#include <string>

#include "filename/RunInterfaces.h"

namespace zv {

// A copy from src onto dst would write src itself (device and inode; a link
// at dst does not count, since a copy replaces it).
bool SameFile(const std::string& src, const std::string& dst);

// Copies src to dst keeping mode and time (planned only in a dry run) and
// records Copied, Exists (refused: dst exists and overwrite is off) or Failed.
void CopyUnchanged(const std::string& src, const std::string& dst, bool overwrite, bool dryRun,
                   FileOutcome& outcome);
// Records a failure with the message the user is shown.
void FailFile(FileOutcome& outcome, std::string message);

}  // namespace zv
