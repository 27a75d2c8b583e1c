#pragma once
// One run of a folder tool, or its preview: the walk, the worker thread that
// runs the engine with both cores, the rows it takes from the list, and what
// each file came to. The run dialog and the preview start it, stop it and
// listen to its signals; it knows neither of them.
//
// What crosses threads: the engine's labels, outcomes and notices are kept
// under a lock and handed to this object's thread by one queued call at a
// time (so a run of 20,000 files does not wait on the user-interface thread
// once per file); the rows are the view's snapshot, taken under its lock;
// only a file error message waits, as it is a box the user must see.

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "filename/FileNameEngine.h"
#include "filename/RunInterfaces.h"
#include "filename/RunSummary.h"
#include "text/FolderTextEngine.h"

class CZentravolixView;

// Carries out a worker's calls on the thread it lives on (the user-interface
// thread) while the worker waits. A call is a record on the worker's stack;
// it is handed over through an atomic, so the hand-over is plain C++ and also
// visible to ThreadSanitizer (Qt's own semaphore is not, in an uninstrumented
// Qt).
class CCallReceiver : public QObject {
  Q_OBJECT
 public:
  struct Call {
    void (*invoke)(void* fn) = nullptr;
    void* fn = nullptr;
    bool done = false;  // guarded by m_doneMutex
  };
  // Runs fn here and returns when it has run (or at once on this thread).
  template <typename F>
  void BlockingCall(F& fn) {
    Call call;
    call.invoke = [](void* p) { (*static_cast<F*>(p))(); };
    call.fn = &fn;
    Dispatch(call);
  }

  // Carries out the pending call, if any. Queued to this object's thread for
  // every call, and also called directly by whoever waits for the worker
  // there, so a call is served even where queued events are not delivered.
  Q_INVOKABLE void Run();

 private:
  void Dispatch(Call& call);

  std::mutex m_dispatch;  // one call at a time, whichever thread asks
  std::atomic<Call*> m_pending{nullptr};
  std::mutex m_doneMutex;
  std::condition_variable m_doneCv;
};

class CFolderRun : public QObject {
  Q_OBJECT
 public:
  enum class Tool { FileName, FolderText };

  // What a run takes from the settings file; read once, when it starts, so
  // that a run from a preview does what the preview showed.
  struct Options {
    bool subDir = false;
    zv::FileNameRunOptions names;
    zv::FolderTextRunOptions texts;
  };

  CFolderRun(Tool tool, CZentravolixView* view, QObject* parent = nullptr);
  ~CFolderRun() override;

  // Walks the source folder here (a failed walk has been shown: false), then
  // starts the worker. A preview writes nothing.
  bool Start(const std::string& src, const std::string& dst, const std::string& pattern, bool preview);
  // The very run a preview showed: its files, options and rows.
  bool StartFrom(const CFolderRun& preview);
  // Clears the flag: the files under way are finished, no other begins.
  void Stop() { m_running.store(0); }
  // Waits until the worker has ended, serving its calls meanwhile.
  void Wait();
  bool IsRunning() const { return m_pThread && !m_bEnded; }
  bool Ended() const { return m_bEnded; }

  Tool GetTool() const { return m_tool; }
  bool IsPreview() const { return m_bPreview; }
  const std::string& Src() const { return m_strSrc; }
  const std::string& Dst() const { return m_strDst; }
  const std::vector<std::string>& Files() const { return m_files; }
  // What each file came to; empty for files not reached (yet).
  const std::vector<std::optional<zv::FileOutcome>>& Outcomes() const { return m_outcomes; }
  const zv::RunSummary& Summary() const { return m_summary; }
  zv::RunEnd End() const { return m_end; }
  // Wall time of the run, from the walk to its end.
  double Seconds() const { return static_cast<double>(m_elapsed) / 1000.0; }
  const zv::SharedRows& Rows() const { return m_rows; }
  const Options& GetOptions() const { return m_options; }
  // The report of the CLI's --report, for レポートを保存.
  std::string ReportCsv() const;

  // Labels as the engines make them: a literal and a path, each decoded its own way.
  static QString LabelText(std::string_view label);

 signals:
  // The latest labels and percent (0..100; anything else hides the bar);
  // not every file's: they come as fast as the window can show them.
  void Progress(const QString& src, const QString& dst, int percent);
  // Outcomes of files [from, to) have arrived, in list order.
  void FilesDone(int from, int to);
  // Said once per run, such as rows an encoding cannot hold.
  void Notice(const QString& text);
  // The run ended: completed, stopped, or its thread went. Emitted once.
  void Finished();

 private:
  class Worker;
  friend class Worker;
  bool Launch();
  // Takes what the worker left since the last time (user-interface thread).
  Q_INVOKABLE void Flush();
  void OnThreadFinished();

  const Tool m_tool;
  QPointer<CZentravolixView> m_pView;
  bool m_bPreview = false;
  std::string m_strSrc, m_strDst;
  std::vector<std::string> m_files;
  Options m_options;
  zv::SharedRows m_rows;  // fixed for a preview and the run started from it; else the view's, per file
  bool m_bFixedRows = false;
  std::atomic<int> m_running{0};
  QPointer<QThread> m_pThread;
  CCallReceiver m_receiver;
  bool m_bEnded = false;
  zv::RunEnd m_end = zv::RunEnd::Stopped;
  QElapsedTimer m_timer;
  qint64 m_elapsed = 0;

  // Handed over from the worker, under m_mutex.
  std::mutex m_mutex;
  bool m_bFlushQueued = false;
  std::string m_srcLabel, m_dstLabel;
  // A run starts at 0 %: labels handed over before the first percent must
  // not hide the bar.
  int m_nPercent = 0;
  bool m_bLabelsNew = false;
  std::vector<zv::FileOutcome> m_arrived;
  std::vector<std::string> m_notices;

  // This thread's view of what arrived.
  std::vector<std::optional<zv::FileOutcome>> m_outcomes;
  std::size_t m_nextInOrder = 0;  // outcomes before this index have all arrived
  zv::RunSummary m_summary;
};
