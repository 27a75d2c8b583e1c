#pragma once
// The signals that end a command-line process: INT, TERM, HUP and PIPE. A
// thread of its own waits for them, so what they set off is ordinary code
// rather than a signal handler's. The first INT, TERM or HUP clears the run's
// flag: the run stops after the files under way and the process ends with
// 128 + the signal (130 for INT). A second one, or PIPE, removes the
// temporary files under way and ends the process at once by that signal.

#include <atomic>

namespace zv {

// Once, before any other thread starts: every thread started later blocks
// the signals, so only the waiting thread meets them.
void InstallTerminationHandling();
// The flag a first signal clears (nullptr: none). A signal that came before
// clears it at once. Set it back to nullptr before the flag goes.
void SetTerminationFlag(std::atomic<int>* running);
// The first INT, TERM or HUP received, or 0.
int TerminationSignal();

}  // namespace zv
