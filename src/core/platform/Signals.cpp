#include "platform/Signals.h"

#include <pthread.h>
#include <unistd.h>

#include <csignal>
#include <mutex>
#include <thread>

#include "platform/File.h"

namespace zv {

namespace {

std::mutex g_flagMutex;
std::atomic<int>* g_flag = nullptr;  // guarded by g_flagMutex
std::atomic<int> g_first{0};

sigset_t TerminationSet() {
  sigset_t set;
  sigemptyset(&set);
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) sigaddset(&set, sig);
  return set;
}

[[noreturn]] void EndBy(int sig) {
  RemoveTemporariesForExit();
  // Ended by the signal itself, so a shell sees what ended it.
  std::signal(sig, SIG_DFL);
  sigset_t one;
  sigemptyset(&one);
  sigaddset(&one, sig);
  pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
  ::raise(sig);
  ::_exit(128 + sig);
}

void WaitForSignals(sigset_t set) {
  // Named so that it can be told apart from the workers (top -H, /proc).
  pthread_setname_np(pthread_self(), "zv-signals");
  for (;;) {
    int sig = 0;
    if (sigwait(&set, &sig) != 0) continue;
    int none = 0;
    if (sig == SIGPIPE || !g_first.compare_exchange_strong(none, sig)) EndBy(sig);
    std::lock_guard<std::mutex> lock(g_flagMutex);
    if (g_flag) g_flag->store(0);
  }
}

}  // namespace

void InstallTerminationHandling() {
  static std::once_flag once;
  std::call_once(once, [] {
    const sigset_t set = TerminationSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    std::thread(WaitForSignals, set).detach();
  });
}

void SetTerminationFlag(std::atomic<int>* running) {
  std::lock_guard<std::mutex> lock(g_flagMutex);
  g_flag = running;
  if (running && g_first.load() != 0) running->store(0);
}

int TerminationSignal() { return g_first.load(); }

}  // namespace zv
