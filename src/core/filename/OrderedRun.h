#pragma once
// Runs the files of a folder run on several worker threads while everything
// that must keep list order (labels, reports, writes that end a run) happens
// on the calling thread, one file after the other.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace zv {

struct OrderedSteps {
  // Calling thread: may file i begin while others are still under way? Never
  // asked when no file is under way, so a run always moves on.
  std::function<bool(std::size_t i)> ready;
  // Calling thread, list order; false stops the run before file i.
  std::function<bool(std::size_t i)> begin;
  // Any thread: a worker, or the calling thread while it waits.
  std::function<void(std::size_t i)> work;
  // Calling thread, list order, after work(i); false stops the run after i.
  std::function<bool(std::size_t i)> end;
};

struct OrderedResult {
  enum class How { Completed, BeginRefused, EndFailed };
  How how = How::Completed;
  std::size_t at = 0;  // the file that stopped the run
};

// At most `window` files are begun and not yet ended. With one job every file
// goes through begin, work and end before the next one begins. With
// callerWorks the calling thread counts as one of the jobs: its own steps are
// light and it takes up queued work whenever it would wait, so `jobs` threads
// share the cores instead of jobs + 1. With workersTakeLast the workers take
// the file begun last and the calling thread the first: with a wide window
// they then work far apart in the list (in a folder run, in other folders).
inline OrderedResult RunOrdered(std::size_t n, unsigned jobs, std::size_t window, const OrderedSteps& steps,
                                bool callerWorks = false, bool workersTakeLast = false) {
  using How = OrderedResult::How;
  if (jobs > n) jobs = static_cast<unsigned>(n);  // no idle threads for a short list
  if (jobs <= 1) {
    for (std::size_t i = 0; i < n; ++i) {
      if (!steps.begin(i)) return {How::BeginRefused, i};
      steps.work(i);
      if (!steps.end(i)) return {How::EndFailed, i};
    }
    return {How::Completed, n};
  }
  if (window < 1) window = 1;

  std::mutex mutex;
  std::condition_variable workCv, doneCv;
  std::deque<std::size_t> queue;
  std::vector<char> done(n, 0);
  std::vector<std::exception_ptr> failures(n);
  bool quit = false;

  std::vector<std::thread> workers;
  // Whatever way the loop is left, the workers finish the file in hand and
  // are joined; files begun after a failed one are never ended.
  struct Joiner {
    std::mutex& mutex;
    std::condition_variable& cv;
    std::deque<std::size_t>& queue;
    bool& quit;
    std::vector<std::thread>& workers;
    ~Joiner() {
      {
        std::lock_guard lock(mutex);
        quit = true;
        queue.clear();
      }
      cv.notify_all();
      for (std::thread& w : workers) w.join();
    }
  } joiner{mutex, workCv, queue, quit, workers};

  // Takes the next queued file and works on it; the lock is held on entry
  // and on return, not during the work.
  auto runOne = [&](std::unique_lock<std::mutex>& lock, bool last) {
    const std::size_t i = last ? queue.back() : queue.front();
    if (last) queue.pop_back();
    else queue.pop_front();
    lock.unlock();
    std::exception_ptr failure;
    try {
      steps.work(i);
    } catch (...) {
      failure = std::current_exception();  // raised again on the calling thread, in list order
    }
    lock.lock();
    failures[i] = failure;
    done[i] = 1;
  };

  const unsigned threads = callerWorks ? jobs - 1 : jobs;
  workers.reserve(threads);
  for (unsigned t = 0; t < threads; ++t) {
    workers.emplace_back([&] {
      std::unique_lock lock(mutex);
      for (;;) {
        workCv.wait(lock, [&] { return quit || !queue.empty(); });
        if (queue.empty()) return;
        runOne(lock, workersTakeLast);
        doneCv.notify_one();
      }
    });
  }

  OrderedResult result{How::Completed, n};
  std::size_t next = 0, ended = 0;
  bool begun = true;  // false once begin has refused a file
  for (;;) {
    if (ended < next) {
      std::exception_ptr failure;
      bool isDone;
      {
        std::lock_guard lock(mutex);
        isDone = done[ended] != 0;
        failure = failures[ended];
      }
      if (failure) std::rethrow_exception(failure);
      if (isDone) {
        if (!steps.end(ended)) {
          result = {How::EndFailed, ended};
          break;
        }
        ++ended;
        continue;
      }
    }
    if (begun && next < n && next - ended < window && (ended == next || steps.ready(next))) {
      if (!steps.begin(next)) {
        begun = false;
        result = {How::BeginRefused, next};
      } else {
        {
          std::lock_guard lock(mutex);
          queue.push_back(next);
        }
        workCv.notify_one();
        ++next;
      }
      continue;
    }
    if (ended == next) break;
    // Rather than sleep, take a file nobody has started: short files would
    // otherwise cost more in thread switches than in work.
    std::unique_lock lock(mutex);
    if (done[ended] == 0 && !queue.empty()) {
      runOne(lock, false);
      continue;
    }
    doneCv.wait(lock, [&] { return done[ended] != 0; });
  }
  return result;
}

// The files that the files under way of a run read or write. Two list
// entries may lead to one file (links, an output folder inside the source);
// such entries must not be under way together, or a read would see the file
// before an earlier entry has written it, or the two would meet each other's
// lock.
class FilesInUse {
 public:
  // Keys of a file that reads src and writes folder + name: the identity of
  // each file that exists (device and inode, through links) and, with
  // pathKey, the destination's resolved path, so two destinations that do
  // not exist yet meet too. Without dstIdentity the destination is not
  // looked at: right for a copy that never opens an existing destination.
  // srcSize, when given, gets the size of src (0 when it cannot be looked at).
  std::vector<std::string> KeysOf(const std::string& src, const std::string& folder, const std::string& name,
                                  bool pathKey, bool dstIdentity = true, std::uint64_t* srcSize = nullptr);
  bool Busy(const std::vector<std::string>& keys) const;
  void Hold(const std::vector<std::string>& keys);
  void Release(const std::vector<std::string>& keys);

 private:
  std::unordered_map<std::string, int> m_held;
  std::map<std::string, std::string> m_resolvedFolders;
};

}  // namespace zv
