#pragma once
// The worker thread of a folder run: reads the run's options, then runs the
// core engine with the view's rows, the run dialog as progress sink and the
// view's stop flag. Everything it asks of the user-interface thread (rows,
// labels, a message box) is a blocking queued call; it never opens a window.

#include <QPointer>
#include <QThread>
#include <atomic>
#include <string>
#include <string_view>
#include <vector>

#include "filename/RunInterfaces.h"
#include "list/ViewRowSource.h"

class CDlgBatchConvert;
class CZentravolixView;

class CRunWorker : public QThread {
  Q_OBJECT
 public:
  enum class Tool { FileName, FolderText };

  // Everything the run needs is copied here, on the user-interface thread.
  CRunWorker(Tool tool, CZentravolixView* view, CDlgBatchConvert* dialog, std::vector<std::string> files,
             std::string srcFolder, std::string dstFolder, std::atomic<int>& running);

  Tool GetTool() const { return m_tool; }
  // How the run ended; valid once the thread has finished.
  zv::RunEnd Result() const { return m_result.load(); }

 protected:
  void run() override;

 private:
  const Tool m_tool;
  CViewRowSource m_rows;
  QPointer<CDlgBatchConvert> m_pDialog;
  const std::vector<std::string> m_files;
  const std::string m_srcFolder;
  const std::string m_dstFolder;
  std::atomic<int>& m_running;
  std::atomic<zv::RunEnd> m_result{zv::RunEnd::Stopped};
};

// The run dialog as the engines' progress sink: each call is carried out on
// the user-interface thread while the worker waits, with its text copied.
class CDialogProgressSink : public zv::ProgressSink {
 public:
  explicit CDialogProgressSink(CDlgBatchConvert* dialog);

  void ShowSrcFile(const std::string& label) override;
  void ShowDstFile(const std::string& label) override;
  void ShowProgress(int percent) override;
  void RunFinished() override;

 private:
  template <typename F>
  void Call(F&& f);
  QPointer<CDlgBatchConvert> m_pDialog;
};

// The file error message, shown on the user-interface thread; the worker waits.
class CGuiErrorSink : public zv::ErrorSink {
 public:
  void ShowFileError(const std::string& message) override;
};

// A progress label of the engines: a literal (UTF-8) followed by a path in
// the active code page.
QString RunLabelText(std::string_view label);
// A message of the core made of literals (UTF-8), or else of active-code-page bytes.
QString CoreMessageText(std::string_view message);
