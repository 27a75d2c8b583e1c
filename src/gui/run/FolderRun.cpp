#include "run/FolderRun.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMetaObject>
#include <QTimer>
#include <algorithm>
#include <thread>

#include "app/QStringBytes.h"
#include "app/UiPrompts.h"
#include "filename/FileNameTexts.h"
#include "filename/FolderWalk.h"
#include "filename/RunReport.h"
#include "list/ViewRowSource.h"
#include "list/ZentravolixView.h"
#include "platform/CodePage.h"
#include "run/RunUiTexts.h"
#include "settings/Settings.h"
#include "text/TextTexts.h"

namespace {

// Labels reach the window at most this often: painting every file's path
// cost more than copying the file.
constexpr int kFlushMs = 40;

// Folders named in the box of folders the walk could not read.
constexpr std::size_t kUnreadShown = 10;

unsigned Jobs() { return std::max(1u, std::thread::hardware_concurrency()); }

}  // namespace

void CCallReceiver::Dispatch(Call& call) {
  if (QThread::currentThread() == thread()) {
    call.invoke(call.fn);
    return;
  }
  const std::lock_guard<std::mutex> lock(m_dispatch);
  m_pending.store(&call, std::memory_order_release);
  QMetaObject::invokeMethod(this, "Run", Qt::QueuedConnection);
  // Whoever runs the call (the queued event or a waiting owner) marks it
  // done under the lock, so everything the call wrote is seen from here on.
  std::unique_lock<std::mutex> done(m_doneMutex);
  m_doneCv.wait(done, [&call] { return call.done; });
}

void CCallReceiver::Run() {
  Call* call = m_pending.exchange(nullptr, std::memory_order_acq_rel);
  if (!call) return;
  call->invoke(call->fn);
  {
    const std::lock_guard<std::mutex> lock(m_doneMutex);
    call->done = true;
  }
  m_doneCv.notify_all();
}

// The engine's sinks and the thread it runs on. The sinks are called on this
// thread only (the engines call them from their calling thread).
class CFolderRun::Worker : public QThread, public zv::ProgressSink, public zv::ErrorSink {
 public:
  // Made on the user-interface thread, with the rows the run follows.
  Worker(CFolderRun& run, std::unique_ptr<zv::RowSource> rows) : m_run(run), m_rows(std::move(rows)) {
    setObjectName(run.m_tool == Tool::FileName ? QStringLiteral("ConvertFileNameThread")
                                               : QStringLiteral("TextConvertThread"));
  }

  // Read once the thread has finished; atomic because the hand-over inside
  // Qt's wait() is invisible to the thread sanitizer (Qt is not instrumented).
  std::atomic<zv::RunEnd> m_end{zv::RunEnd::Stopped};

 protected:
  void run() override {
    if (m_run.m_tool == Tool::FileName) {
      zv::FileNameEngine engine(m_run.m_files, m_run.m_strSrc, m_run.m_strDst, m_run.m_options.names);
      m_end.store(engine.Run(*m_rows, *this, *this, m_run.m_running), std::memory_order_release);
    } else {
      zv::FolderTextEngine engine(m_run.m_files, m_run.m_strSrc, m_run.m_strDst, m_run.m_options.texts,
                                  zv::ActiveCodePage());
      m_end.store(engine.Run(*m_rows, *this, *this, m_run.m_running), std::memory_order_release);
    }
  }

 public:
  void ShowSrcFile(const std::string& label) override {
    Hand([&] {
      m_run.m_srcLabel = label;
      m_run.m_bLabelsNew = true;
    });
  }
  void ShowDstFile(const std::string& label) override {
    Hand([&] {
      m_run.m_dstLabel = label;
      m_run.m_bLabelsNew = true;
    });
  }
  void ShowProgress(int percent) override {
    Hand([&] {
      m_run.m_nPercent = percent;
      m_run.m_bLabelsNew = true;
    });
  }
  void RunFinished() override {}
  void FileDone(const zv::FileOutcome& outcome) override { Hand([&] { m_run.m_arrived.push_back(outcome); }); }
  void RunNotice(const std::string& message) override { Hand([&] { m_run.m_notices.push_back(message); }); }
  // A failure is a box the user sees before the run goes on.
  void ShowFileError(const std::string& message) override {
    auto show = [&message] {
      CUiPrompts::AfxMessageBox(CoreMessageText(message), QMessageBox::Ok, QMessageBox::Critical);
    };
    m_run.m_receiver.BlockingCall(show);
  }

 private:
  template <typename F>
  void Hand(F f) {
    bool queue = false;
    {
      std::lock_guard<std::mutex> lock(m_run.m_mutex);
      f();
      queue = !m_run.m_bFlushQueued;
      m_run.m_bFlushQueued = true;
    }
    if (queue) QMetaObject::invokeMethod(&m_run, "Flush", Qt::QueuedConnection);
  }

  CFolderRun& m_run;
  std::unique_ptr<zv::RowSource> m_rows;
};

CFolderRun::CFolderRun(Tool tool, CZentravolixView* view, QObject* parent)
    : QObject(parent), m_tool(tool), m_pView(view) {}

CFolderRun::~CFolderRun() {
  Stop();
  Wait();
}

bool CFolderRun::Start(const std::string& src, const std::string& dst, const std::string& pattern,
                       bool preview) {
  m_bPreview = preview;
  m_strSrc = src;
  m_strDst = dst;
  // The options are read once, now: a run from a preview does what it showed.
  if (m_tool == Tool::FileName) {
    zv::FileOptions stored;
    zv::LoadConvertFileOptions(stored);
    m_options.subDir = zv::FlagOn(stored.subDir);
    m_options.names.noCase = zv::FlagOn(stored.noCase);
    m_options.names.overwrite = zv::FlagOn(stored.overwrite);
    m_options.names.part = zv::FlagOn(stored.part);
    m_options.names.dryRun = preview;
    m_options.names.jobs = Jobs();
  } else {
    zv::TextOptions stored;
    zv::LoadConvertTextOptions(stored);
    m_options.subDir = zv::FlagOn(stored.subDir);
    m_options.texts.overwrite = zv::FlagOn(stored.overwrite);
    m_options.texts.exceptFileCopyOnly = zv::FlagOn(stored.exceptFileCopyOnly);
    zv::TextEncodingOptions encoding;
    zv::LoadTextEncodingOptions(encoding);
    m_options.texts.encoding = zv::StoredEncodingChoice(encoding.encoding);
    m_options.texts.keepLineEnds = zv::FlagOn(encoding.keepLineEnds);
    m_options.texts.dryRun = preview;
    m_options.texts.jobs = Jobs();
  }
  // A preview shows what the rows of this moment do, and a run from it uses them.
  m_bFixedRows = preview;
  m_rows = m_pView ? m_pView->Snapshot()->Get() : std::make_shared<const zv::ConvertRows>();

  m_timer.start();
  // The wait cursor stays until the run ends.
  QApplication::setOverrideCursor(Qt::WaitCursor);
  zv::WalkCallbacks callbacks;
  callbacks.systemError = [](int code, int err, const std::string&) {
    CUiPrompts::ShowSystemError(CoreMessageText(zv::SystemErrorText(code, err)));
  };
  // Folders the walk may not read are passed over; the user hears of them
  // once, before the run, with their paths.
  std::vector<std::string> unread;
  callbacks.folderNotice = [&unread](const std::string&, const std::string& folder) {
    if (std::find(unread.begin(), unread.end(), folder) == unread.end()) unread.push_back(folder);
  };
  m_files.clear();
  if (!zv::CollectFiles(src, pattern, m_options.subDir, m_files, callbacks)) {
    QApplication::restoreOverrideCursor();
    m_bEnded = true;  // never began: nothing to wait for
    return false;
  }
  if (!unread.empty()) {
    QStringList shown;
    for (std::size_t i = 0; i < unread.size() && i < kUnreadShown; ++i) shown << PathToQString(unread[i]);
    if (unread.size() > kUnreadShown) shown << Ui(zv::texts::kFoldersNotReadMore).arg(unread.size() - kUnreadShown);
    CUiPrompts::AfxMessageBox(Ui(zv::texts::kFoldersNotRead).arg(shown.join(QLatin1Char('\n'))), QMessageBox::Ok,
                              QMessageBox::Warning);
  }
  return Launch();
}

bool CFolderRun::StartFrom(const CFolderRun& preview) {
  m_bPreview = false;
  m_strSrc = preview.m_strSrc;
  m_strDst = preview.m_strDst;
  m_files = preview.m_files;
  m_options = preview.m_options;
  m_options.names.dryRun = m_options.texts.dryRun = false;
  m_rows = preview.m_rows;
  m_bFixedRows = true;
  m_timer.start();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  return Launch();
}

bool CFolderRun::Launch() {
  m_outcomes.assign(m_files.size(), std::nullopt);
  m_summary = zv::RunSummary();
  // The view's rows, read again for every file, so an edit during the run
  // reaches the files after it; a preview, and a run from one, keep theirs.
  std::unique_ptr<zv::RowSource> rows;
  if (m_bFixedRows || !m_pView) {
    rows = std::make_unique<zv::FixedRowSource>(*m_rows);
  } else {
    rows = std::make_unique<CViewRowSource>(m_pView.data());
  }
  auto* worker = new Worker(*this, std::move(rows));
  connect(worker, &QThread::finished, this, &CFolderRun::OnThreadFinished);
  m_pThread = worker;
  // The flag is up before the worker's first step.
  m_running.store(1);
  worker->start();
  return true;
}

void CFolderRun::Wait() {
  QPointer<QThread> thread = m_pThread;
  // Its calls to this thread (a message box) are served meanwhile; polling,
  // not a nested loop: inside some event deliveries (a close event, for one)
  // a nested loop was seen to sleep through the worker's call.
  while (thread && !thread->isFinished()) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    m_receiver.Run();
    if (thread) thread->wait(QDeadlineTimer(5));
  }
  if (m_pThread && !m_bEnded) OnThreadFinished();
}

void CFolderRun::Flush() {
  // Not more often than the window can show it; the last call of a run
  // comes from OnThreadFinished, which takes everything left.
  static_assert(kFlushMs > 0);
  std::string src, dst;
  int percent = -1;
  bool labels = false;
  std::vector<zv::FileOutcome> arrived;
  std::vector<std::string> notices;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bFlushQueued = false;
    labels = m_bLabelsNew;
    m_bLabelsNew = false;
    src = m_srcLabel;
    dst = m_dstLabel;
    percent = m_nPercent;
    arrived.swap(m_arrived);
    notices.swap(m_notices);
  }
  if (!arrived.empty()) {
    int from = static_cast<int>(m_outcomes.size()), to = 0;
    for (zv::FileOutcome& o : arrived) {
      if (o.index >= m_outcomes.size() || m_outcomes[o.index]) continue;
      m_summary.Add(o);
      from = std::min(from, static_cast<int>(o.index));
      to = std::max(to, static_cast<int>(o.index) + 1);
      m_outcomes[o.index] = std::move(o);
    }
    if (from < to) emit FilesDone(from, to);
  }
  for (const std::string& n : notices) emit Notice(Ui(n.c_str()));
  if (labels && !m_bEnded) emit Progress(LabelText(src), LabelText(dst), percent);
  // The next hand-over is let in only after a pause, so the window is
  // repainted at a steady rate however fast files go.
  if (!m_bEnded) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_bFlushQueued) {
      m_bFlushQueued = true;
      QTimer::singleShot(kFlushMs, this, [this] {
        bool pending = false;
        {
          std::lock_guard<std::mutex> relock(m_mutex);
          pending = m_bLabelsNew || !m_arrived.empty() || !m_notices.empty();
          m_bFlushQueued = false;
        }
        if (pending) Flush();
      });
    }
  }
}

void CFolderRun::OnThreadFinished() {
  if (m_bEnded || !m_pThread) return;
  auto* worker = static_cast<Worker*>(m_pThread.data());
  worker->wait();
  m_end = worker->m_end.load(std::memory_order_acquire);
  Flush();
  m_bEnded = true;
  m_running.store(0);
  for (const auto& o : m_outcomes) m_summary.notReached += o ? 0 : 1;
  // Empty entries of the list are nobody's files.
  for (const std::string& f : m_files) m_summary.notReached -= f.empty() ? 1 : 0;
  m_elapsed = m_timer.elapsed();
  worker->deleteLater();
  QApplication::restoreOverrideCursor();
  emit Finished();
}

std::string CFolderRun::ReportCsv() const {
  std::vector<zv::ReportRow> rows;
  rows.reserve(m_files.size());
  for (std::size_t i = 0; i < m_files.size(); ++i) {
    zv::ReportRow row;
    row.source = m_files[i];
    if (const auto& o = m_outcomes[i]) {
      row.destination = o->dst;
      row.action = zv::FileActionName(o->action);
      row.replacements = o->replacements;
      row.error = CoreMessageText(o->error.empty() ? o->note : o->error).toStdString();
      row.encoding = o->encoding;
    } else {
      row.action = zv::FileActionName(zv::FileAction::Skipped);
      row.error = zv::texts::kNotProcessed;
    }
    rows.push_back(std::move(row));
  }
  return zv::FormatReport(rows);
}

QString CFolderRun::LabelText(std::string_view label) {
  for (const char* literal : {zv::texts::kNameSrcLabel, zv::texts::kNameDstLabel, zv::texts::kCopySrcLabel,
                              zv::texts::kCopyDstLabel}) {
    const std::string_view head(literal);
    if (label.substr(0, head.size()) == head) return Ui(literal) + PathToQString(label.substr(head.size()));
    // The same literal in the active code page, should the engine ever convert it.
    if (auto local = zv::FromUtf8(head); local && label.substr(0, local->size()) == *local) {
      return Ui(literal) + PathToQString(label.substr(local->size()));
    }
  }
  return PathToQString(label);
}
