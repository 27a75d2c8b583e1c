#pragma once
// The unchanged copy that both folder engines make.

#include <string>

#include "filename/RunInterfaces.h"

namespace zv {

// The two paths name the same file (device and inode).
bool SameFile(const std::string& a, const std::string& b);

// Copies src to dst keeping mode and time (planned only in a dry run) and
// records Copied, Exists (refused: dst exists and overwrite is off) or Failed.
void CopyUnchanged(const std::string& src, const std::string& dst, bool overwrite, bool dryRun,
                   FileOutcome& outcome);

}  // namespace zv
