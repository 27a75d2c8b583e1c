#include "filename/RunWorker.h"

#include <QCoreApplication>
#include <QMetaObject>

#include "app/QStringBytes.h"
#include "app/UiPrompts.h"
#include "filename/DlgBatchConvert.h"
#include "filename/FileNameEngine.h"
#include "filename/FileNameTexts.h"
#include "filename/FileNameUiTexts.h"
#include "list/ZentravolixView.h"
#include "platform/CodePage.h"
#include "platform/Path.h"
#include "settings/Settings.h"
#include "text/FolderTextEngine.h"
#include "text/TextTexts.h"

void CCallReceiver::Dispatch(Call& call) {
  if (QThread::currentThread() == thread()) {
    call.invoke(call.fn);
    return;
  }
  const std::lock_guard<std::mutex> lock(m_dispatch);
  m_pending.store(&call, std::memory_order_release);
  QMetaObject::invokeMethod(this, "Run", Qt::QueuedConnection);
  // Whoever runs the call (the queued event or a waiting view) marks it
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

CRunRowSource::CRunRowSource(CCallReceiver& receiver, CZentravolixView* view)
    : m_receiver(receiver), m_pView(view) {}

zv::SharedRows CRunRowSource::GetRows() {
  zv::ConvertRows rows;
  // The pointer is looked at on the view's own thread; the view outlives
  // every worker, since it waits for them before it goes.
  auto read = [this, &rows] {
    if (CZentravolixView* view = m_pView.data()) rows = view->GetRows();
  };
  m_receiver.BlockingCall(read);
  // Read afresh for every file, so edits during a run reach the files after
  // them; unchanged rows keep their pointer for the engines' caches.
  return m_rows.Hand(std::move(rows));
}

CDialogProgressSink::CDialogProgressSink(CCallReceiver& receiver, const QPointer<CDlgBatchConvert>& dialog)
    : m_receiver(receiver), m_pDialog(dialog) {}

template <typename F>
void CDialogProgressSink::Call(F f) {
  // The dialog waits for the worker before it goes; the check is only a guard.
  auto call = [this, &f] {
    if (CDlgBatchConvert* dialog = m_pDialog.data()) f(dialog);
  };
  m_receiver.BlockingCall(call);
}

void CDialogProgressSink::ShowSrcFile(const std::string& label) {
  Call([&label](CDlgBatchConvert* d) { d->OnShowSrcFile(RunLabelText(label)); });
}

void CDialogProgressSink::ShowDstFile(const std::string& label) {
  Call([&label](CDlgBatchConvert* d) { d->OnShowDstFile(RunLabelText(label)); });
}

void CDialogProgressSink::ShowProgress(int percent) {
  Call([percent](CDlgBatchConvert* d) { d->OnShowProgress(percent); });
}

void CDialogProgressSink::RunFinished() {
  Call([](CDlgBatchConvert* d) { d->OnRunFinished(); });
}

void CDialogProgressSink::FileDone(const zv::FileOutcome& outcome) {
  if (!m_bShowEncodings || outcome.encoding.empty()) return;
  const QString text = Ui(zv::texts::kEncodingShown) + QString::fromStdString(outcome.encoding) +
                       QStringLiteral(" (") + PathToQString(zv::PathFileName(outcome.src)) + QLatin1Char(')');
  // Queued, not waited for: the label is a courtesy, the run need not stop for it.
  if (CDlgBatchConvert* dialog = m_pDialog.data()) {
    QMetaObject::invokeMethod(
        dialog, [dialog, text] { dialog->OnShowEncoding(text); }, Qt::QueuedConnection);
  }
}

void CDialogProgressSink::RunNotice(const std::string& message) {
  Call([&message](CDlgBatchConvert* d) {
    CUiPrompts::WndMessageBox(d, Ui(message.c_str()), QMessageBox::Ok, QMessageBox::Information);
  });
}

void CGuiErrorSink::ShowFileError(const std::string& message) {
  auto show = [&message] {
    CUiPrompts::AfxMessageBox(CoreMessageText(message), QMessageBox::Ok, QMessageBox::Critical);
  };
  m_receiver.BlockingCall(show);
}

CRunWorker::CRunWorker(Tool tool, CZentravolixView* view, CDlgBatchConvert* dialog,
                       std::vector<std::string> files, std::string srcFolder, std::string dstFolder,
                       std::atomic<int>& running)
    : m_tool(tool),
      m_rows(m_receiver, view),
      m_pDialog(dialog),
      m_files(std::move(files)),
      m_srcFolder(std::move(srcFolder)),
      m_dstFolder(std::move(dstFolder)),
      m_running(running) {
  setObjectName(tool == Tool::FileName ? QStringLiteral("ConvertFileNameThread")
                                       : QStringLiteral("TextConvertThread"));
}

CRunWorker::~CRunWorker() { Joined(); }

void CRunWorker::run() {
  CDialogProgressSink progress(m_receiver, m_pDialog);
  CGuiErrorSink errors(m_receiver);
  // The options are read again here: a change since the start governs the run.
  if (m_tool == Tool::FileName) {
    zv::FileOptions stored;
    zv::LoadConvertFileOptions(stored);
    zv::FileNameRunOptions options;
    options.noCase = zv::FlagOn(stored.noCase);
    options.overwrite = zv::FlagOn(stored.overwrite);
    options.part = zv::FlagOn(stored.part);
    zv::FileNameEngine engine(m_files, m_srcFolder, m_dstFolder, options);
    m_result = engine.Run(m_rows, progress, errors, m_running);
  } else {
    zv::TextOptions stored;
    zv::LoadConvertTextOptions(stored);
    zv::FolderTextRunOptions options;
    options.overwrite = zv::FlagOn(stored.overwrite);
    options.exceptFileCopyOnly = zv::FlagOn(stored.exceptFileCopyOnly);
    zv::TextEncodingOptions encoding;
    zv::LoadTextEncodingOptions(encoding);
    options.encoding = zv::StoredEncodingChoice(encoding.encoding);
    options.keepLineEnds = zv::FlagOn(encoding.keepLineEnds);
    progress.ShowEncodings(options.encoding == zv::EncodingChoice::Auto);
    zv::FolderTextEngine engine(m_files, m_srcFolder, m_dstFolder, options, zv::ActiveCodePage());
    m_result = engine.Run(m_rows, progress, errors, m_running);
  }
  m_ended.store(true, std::memory_order_release);
}

QString RunLabelText(std::string_view label) {
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
