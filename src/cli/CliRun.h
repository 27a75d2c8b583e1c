#pragma once

namespace zv::cli {

// The whole program: parses the arguments, runs the command, returns the
// exit status (0 all files handled, 1 some file failed, 2 usage error or bad
// input, 130 stopped by Ctrl+C).
int RunCli(int argc, const char* const* argv);

}  // namespace zv::cli
