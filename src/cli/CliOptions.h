#pragma once
// The parsed command line.

#include <optional>
#include <string>

#include "platform/CodePage.h"
#include "text/TextEncoding.h"

namespace zv::cli {

class Console;

enum class Command { Names, FolderText, Text, Check };

struct CliOptions {
  Command command = Command::Names;
  std::string list;
  std::string pattern = "*.*";
  bool subdir = false;
  std::string src, dst;  // names, folder-text
  std::string file;      // text
  // names
  bool noCase = false;
  bool wholeName = false;
  // names, folder-text
  bool overwrite = false;
  // names, folder-text: files handled side by side (0: one per core)
  unsigned jobs = 0;
  // folder-text
  bool skipBinary = false;
  std::optional<std::string> binaryExt;
  // folder-text, text
  EncodingChoice encoding = EncodingChoice::System;
  // folder-text
  bool keepLineEnds = false;
  // text
  bool removeLineBreaks = false;
  // check: the findings as CSV instead of lines of text
  bool csv = false;
  std::optional<std::string> output;
  // all
  std::optional<CodePage> codePage;
  bool dryRun = false;
  std::optional<std::string> report;
  bool quiet = false;
};

struct ParseOutcome {
  std::optional<CliOptions> options;  // set when a command is to run
  int exitCode = 0;                   // otherwise: 0 after --help/--version, 2 for a usage error
};

// Help and version go to stdout, usage errors to stderr.
ParseOutcome ParseCommandLine(int argc, const char* const* argv, Console& console);

}  // namespace zv::cli
