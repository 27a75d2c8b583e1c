// Folder runs with several jobs: list order for everything the caller sees,
// the calling thread for rows and sinks, and stops that behave as with one.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>

#include "engines/TreeFixture.h"
#include "filename/FileNameEngine.h"
#include "filename/FolderWalk.h"
#include "filename/OrderedRun.h"
#include "text/FolderTextEngine.h"

namespace zv {
namespace {

using zvtest::CountingRows;
using zvtest::ReadBytes;
using zvtest::RecordingErrors;
using zvtest::RecordingSink;
using zvtest::Rows;
using zvtest::Snapshot;
using zvtest::TempDir;
using zvtest::WriteBytes;

TEST(RunOrdered, EndsInListOrderWithAtMostTheWindowUnderWay) {
  for (bool takeLast : {false, true})
  for (bool callerWorks : {false, true})
    for (unsigned jobs : {1u, 2u, 5u}) {
      SCOPED_TRACE(std::to_string(jobs) + (callerWorks ? " jobs, caller works" : " jobs") +
                   (takeLast ? ", workers take the last file" : ""));
      std::mutex m;
      std::vector<std::size_t> begun, ended;
      std::set<std::thread::id> workers;
      std::size_t underWay = 0, most = 0;
      const std::thread::id caller = std::this_thread::get_id();
      bool offThread = false;
      OrderedSteps steps;
      steps.ready = [&](std::size_t) { return true; };
      steps.begin = [&](std::size_t i) {
        offThread |= std::this_thread::get_id() != caller;
        begun.push_back(i);
        std::lock_guard lock(m);
        most = std::max(most, ++underWay);
        return true;
      };
      std::vector<int> worked(40, 0);
      steps.work = [&](std::size_t i) {
        {
          std::lock_guard lock(m);
          workers.insert(std::this_thread::get_id());
          ++worked[i];
        }
        // Later files finish first.
        std::this_thread::sleep_for(std::chrono::microseconds(200 * (7 - i % 7)));
      };
      steps.end = [&](std::size_t i) {
        offThread |= std::this_thread::get_id() != caller;
        ended.push_back(i);
        std::lock_guard lock(m);
        --underWay;
        return true;
      };
      const OrderedResult r = RunOrdered(40, jobs, 3, steps, callerWorks, takeLast);
      EXPECT_EQ(r.how, OrderedResult::How::Completed);
      EXPECT_EQ(worked, std::vector<int>(40, 1)) << "every file worked on once";
      std::vector<std::size_t> all(40);
      for (std::size_t i = 0; i < all.size(); ++i) all[i] = i;
      EXPECT_EQ(begun, all);
      EXPECT_EQ(ended, all);
      EXPECT_LE(most, jobs == 1 ? 1u : 3u);
      EXPECT_FALSE(offThread) << "begin and end belong to the calling thread";
      // The caller takes up work while it waits; when it counts as a job, no
      // more than `jobs` threads work.
      EXPECT_LE(workers.size(), callerWorks || jobs == 1 ? jobs : jobs + 1);
    }
}

TEST(RunOrdered, FailedEndDropsLaterFilesAndRefusedBeginLetsEarlierOnesFinish) {
  for (bool callerWorks : {false, true})
    for (unsigned jobs : {1u, 4u}) {
      std::vector<std::size_t> ended;
      std::atomic<int> worked{0};
      OrderedSteps steps;
      steps.ready = [](std::size_t) { return true; };
      steps.begin = [](std::size_t) { return true; };
      steps.work = [&](std::size_t) { ++worked; };
      steps.end = [&](std::size_t i) {
        ended.push_back(i);
        return i != 5;
      };
      OrderedResult r = RunOrdered(30, jobs, 8, steps, callerWorks);
      EXPECT_EQ(r.how, OrderedResult::How::EndFailed);
      EXPECT_EQ(r.at, 5u);
      EXPECT_EQ(ended, (std::vector<std::size_t>{0, 1, 2, 3, 4, 5}));
      EXPECT_LE(worked.load(), 5 + 8);

      ended.clear();
      steps.begin = [](std::size_t i) { return i != 9; };
      steps.end = [&](std::size_t i) {
        ended.push_back(i);
        return true;
      };
      r = RunOrdered(30, jobs, 4, steps, callerWorks);
      EXPECT_EQ(r.how, OrderedResult::How::BeginRefused);
      EXPECT_EQ(r.at, 9u);
      EXPECT_EQ(ended, (std::vector<std::size_t>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    }
}

TEST(RunOrdered, NotReadyWaitsForEarlierFilesAndAFailingWorkerReachesTheCaller) {
  // File 6 may begin only when nothing before it is under way.
  std::size_t lastEnded = 0;
  bool waited = true;
  OrderedSteps steps;
  steps.ready = [&](std::size_t i) { return i != 6 || lastEnded == 5; };
  steps.begin = [&](std::size_t i) {
    if (i == 6) waited = lastEnded == 5;
    return true;
  };
  steps.work = [](std::size_t) {};
  steps.end = [&](std::size_t i) {
    lastEnded = i;
    return true;
  };
  EXPECT_EQ(RunOrdered(12, 3, 12, steps).how, OrderedResult::How::Completed);
  EXPECT_TRUE(waited);

  steps.work = [](std::size_t i) {
    if (i == 4) throw std::runtime_error("work failed");
  };
  EXPECT_THROW(RunOrdered(12, 3, 12, steps), std::runtime_error);
}

// Rows asked from the calling thread only, counted.
class ThreadCheckedRows : public RowSource {
 public:
  explicit ThreadCheckedRows(ConvertRows rows)
      : m_rows(std::make_shared<const ConvertRows>(std::move(rows))) {}
  SharedRows GetRows() override {
    ++calls;
    offThread |= std::this_thread::get_id() != m_caller;
    return m_rows;
  }
  int calls = 0;
  bool offThread = false;

 private:
  SharedRows m_rows;
  std::thread::id m_caller = std::this_thread::get_id();
};

class ParallelEngines : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(tmp.path().empty());
    src = tmp / "src";
  }
  std::vector<std::string> Walk() {
    std::vector<std::string> files;
    EXPECT_TRUE(CollectFiles(src, "*.*", true, files, {}));
    return files;
  }

  zvtest::CodePageScope codePage{CodePage::Utf8};
  TempDir tmp;
  std::string src;
};

TEST_F(ParallelEngines, NameRunShowsTheSameProgressAndOutcomesAsWithOneJob) {
  for (int i = 0; i < 30; ++i)
    WriteBytes(src + "/d" + std::to_string(i % 3) + "/f" + std::to_string(i) + ".txt", "x");
  WriteBytes(src + "/same1.txt", "1");
  WriteBytes(src + "/same2.txt", "2");
  const std::vector<std::string> files = Walk();
  const ConvertRows rows = Rows({{"f", "g"}, {"same1", "same"}, {"same2", "same"}});

  struct Seen {
    std::vector<std::string> events;
    std::vector<std::pair<std::size_t, FileAction>> outcomes;
    zvtest::TreeSnapshot out;
  };
  auto run = [&](unsigned jobs) {
    FileNameRunOptions opt;
    opt.jobs = jobs;
    const std::string out = tmp / ("out" + std::to_string(jobs));
    FileNameEngine engine(files, src, out, opt);
    ThreadCheckedRows source(rows);
    RecordingSink sink;
    RecordingErrors errors;
    std::atomic<int> running{1};
    EXPECT_EQ(engine.Run(source, sink, errors, running), RunEnd::Completed);
    EXPECT_EQ(source.calls, static_cast<int>(files.size()));
    EXPECT_FALSE(source.offThread);
    Seen seen;
    for (const std::string& e : sink.events) {
      // Labels name the output folder, which differs between the two runs.
      seen.events.push_back(e.rfind("dst:", 0) == 0 ? "dst" : e);
    }
    for (const FileOutcome& o : sink.outcomes) seen.outcomes.emplace_back(o.index, o.action);
    seen.out = Snapshot(out);
    return seen;
  };
  const Seen one = run(1);
  const Seen four = run(4);
  EXPECT_EQ(four.events, one.events);
  EXPECT_EQ(four.outcomes, one.outcomes);
  EXPECT_EQ(four.out, one.out);
  ASSERT_EQ(one.out.count("same.txt"), 1u);
  EXPECT_EQ(one.out.at("same.txt"), "file:1") << "the first file in list order that meets the name wins";
}

TEST_F(ParallelEngines, StopLetsTheFilesUnderWayFinishAndNothingAfterThem) {
  for (int i = 0; i < 40; ++i) WriteBytes(src + "/f" + std::to_string(i) + ".txt", "foo");
  const std::vector<std::string> files = Walk();

  for (bool textRun : {false, true}) {
    SCOPED_TRACE(textRun ? "folder text" : "names");
    const std::string out = tmp / (textRun ? "text" : "names");
    RecordingSink sink;
    RecordingErrors errors;
    std::atomic<int> running{1};
    // The flag is cleared while the labels of the sixth file are shown.
    int shown = 0;
    sink.onEvent = [&](const std::string& e) {
      if (e.rfind("src:", 0) == 0 && ++shown == 6) running = 0;
    };
    CountingRows rows(Rows({{"foo", "bar"}}));
    RunEnd end;
    if (textRun) {
      FolderTextRunOptions opt;
      opt.jobs = 4;
      opt.isTextFile = [](const std::string&) { return true; };
      end = FolderTextEngine(files, src, out, opt, CodePage::Utf8).Run(rows, sink, errors, running);
    } else {
      FileNameRunOptions opt;
      opt.jobs = 4;
      end = FileNameEngine(files, src, out, opt).Run(rows, sink, errors, running);
    }
    EXPECT_EQ(end, RunEnd::Stopped);
    EXPECT_EQ(std::count(sink.events.begin(), sink.events.end(), "finished"), 0);
    // The files that were done form the start of the list, each written whole.
    ASSERT_GE(sink.outcomes.size(), 6u);
    EXPECT_LT(sink.outcomes.size(), files.size());
    for (std::size_t i = 0; i < sink.outcomes.size(); ++i) EXPECT_EQ(sink.outcomes[i].index, i);
    std::size_t written = 0;
    for (const std::string& f : files) {
      const auto name = f.substr(src.size());
      if (auto bytes = ReadBytes(out + name)) {
        ++written;
        EXPECT_EQ(*bytes, textRun ? "bar\r\n" : "foo");
      }
    }
    EXPECT_EQ(written, sink.outcomes.size());
  }
}

TEST_F(ParallelEngines, TextTestAndErrorsFollowListOrderAndTheRunGoesOnAfterAFailure) {
  for (int i = 0; i < 20; ++i) WriteBytes(src + "/f" + std::to_string(i) + ".txt", "foo");
  const std::vector<std::string> files = Walk();
  const std::string out = tmp / "out";
  const std::size_t failing = 7;
  // A folder where the output of the eighth file in list order must go.
  std::filesystem::create_directories(out + files[failing].substr(src.size()));

  std::vector<std::string> tested;
  const std::thread::id caller = std::this_thread::get_id();
  bool offThread = false;
  FolderTextRunOptions opt;
  opt.jobs = 3;
  opt.isTextFile = [&](const std::string& p) {
    offThread |= std::this_thread::get_id() != caller;
    tested.push_back(p);
    return true;
  };
  RecordingSink sink;
  RecordingErrors errors;
  std::atomic<int> running{1};
  CountingRows rows(Rows({{"foo", "bar"}}));
  EXPECT_EQ(FolderTextEngine(files, src, out, opt, CodePage::Utf8).Run(rows, sink, errors, running),
            RunEnd::Completed);
  EXPECT_FALSE(offThread);
  EXPECT_EQ(tested, files);
  ASSERT_EQ(errors.messages.size(), 1u);
  EXPECT_EQ(errors.messages[0].rfind(out + files[failing].substr(src.size()) + ": ", 0), 0u);
  ASSERT_EQ(sink.outcomes.size(), files.size());
  for (std::size_t i = 0; i < files.size(); ++i) {
    EXPECT_EQ(sink.outcomes[i].index, i);
    EXPECT_EQ(sink.outcomes[i].action, i == failing ? FileAction::Failed : FileAction::Converted);
  }
  EXPECT_EQ(std::count(sink.events.begin(), sink.events.end(), "finished"), 1) << "the idle look comes back";
}

}  // namespace
}  // namespace zv
