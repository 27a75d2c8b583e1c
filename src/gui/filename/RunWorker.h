#pragma once
// The worker thread of a folder run: reads the run's options, then runs the
// core engine with the view's rows, the run dialog as progress sink and the
// view's stop flag. Everything it asks of the user-interface thread (rows,
// labels, a message box) is a blocking queued call; it never opens a window.

#include <QPointer>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "filename/RunInterfaces.h"

class CDlgBatchConvert;
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

// The rows of the list view in display order, read on the user-interface
// thread while the worker waits.
class CRunRowSource : public zv::RowSource {
 public:
  CRunRowSource(CCallReceiver& receiver, CZentravolixView* view);
  zv::SharedRows GetRows() override;

 private:
  CCallReceiver& m_receiver;
  QPointer<CZentravolixView> m_pView;
  zv::StableRows m_rows;
};

// The run dialog as the engines' progress sink: each call is carried out on
// the user-interface thread while the worker waits, with its text copied.
class CDialogProgressSink : public zv::ProgressSink {
 public:
  CDialogProgressSink(CCallReceiver& receiver, const QPointer<CDlgBatchConvert>& dialog);

  void ShowSrcFile(const std::string& label) override;
  void ShowDstFile(const std::string& label) override;
  void ShowProgress(int percent) override;
  void RunFinished() override;
  void RunNotice(const std::string& message) override;
  // With detection per file, what each text was read as; not waited for.
  void FileDone(const zv::FileOutcome& outcome) override;
  void ShowEncodings(bool on) { m_bShowEncodings = on; }

 private:
  template <typename F>
  void Call(F f);

  bool m_bShowEncodings = false;

  CCallReceiver& m_receiver;
  const QPointer<CDlgBatchConvert>& m_pDialog;
};

// The file error message, shown on the user-interface thread; the worker waits.
class CGuiErrorSink : public zv::ErrorSink {
 public:
  explicit CGuiErrorSink(CCallReceiver& receiver) : m_receiver(receiver) {}
  void ShowFileError(const std::string& message) override;

 private:
  CCallReceiver& m_receiver;
};

class CRunWorker : public QThread {
  Q_OBJECT
 public:
  enum class Tool { FileName, FolderText };

  // Everything the run needs is copied here, on the user-interface thread.
  CRunWorker(Tool tool, CZentravolixView* view, CDlgBatchConvert* dialog, std::vector<std::string> files,
             std::string srcFolder, std::string dstFolder, std::atomic<int>& running);
  ~CRunWorker() override;

  Tool GetTool() const { return m_tool; }
  // How the run ended; valid once the thread has finished.
  zv::RunEnd Result() const { return m_result.load(); }
  // Called on the user-interface thread once the thread has ended, so that
  // all the run did is seen to happen before (by ThreadSanitizer too).
  void Joined() { (void)m_ended.load(std::memory_order_acquire); }
  // Serves a call the worker is waiting for (user-interface thread only).
  void ServePendingCall() { m_receiver.Run(); }

 protected:
  void run() override;

 private:
  const Tool m_tool;
  CCallReceiver m_receiver;  // lives on the user-interface thread
  CRunRowSource m_rows;
  QPointer<CDlgBatchConvert> m_pDialog;
  const std::vector<std::string> m_files;
  const std::string m_srcFolder;
  const std::string m_dstFolder;
  std::atomic<int>& m_running;
  std::atomic<zv::RunEnd> m_result{zv::RunEnd::Stopped};
  std::atomic<bool> m_ended{false};
};

// A progress label of the engines: a literal (UTF-8) followed by a path.
QString RunLabelText(std::string_view label);
