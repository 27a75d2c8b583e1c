// Writes the screenshots of the README: the main window with a list, the
// item dialog and the about box. Usage: zv_screenshots <list.csv> <out-dir>
// Run it on a real display (Xvfb) so that fonts render as a user sees them.

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QTimer>
#include <cstdio>

#include "app/AboutDlg.h"
#include "app/ByteLimitedEdit.h"
#include "app/MainFrame.h"
#include "app/QStringBytes.h"
#include "app/UiPrompts.h"
#include "app/ZentravolixApp.h"
#include "list/DlgItemEdit.h"
#include "list/ZentravolixView.h"
#include "platform/CodePage.h"

namespace {

bool Save(QWidget* w, const QString& path) {
  QApplication::processEvents();
  const bool ok = w->grab().save(path);
  std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  zv::InitActiveCodePage();
  QApplication qapp(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  if (args.size() != 3) {
    std::fprintf(stderr, "usage: zv_screenshots <list.csv> <out-dir>\n");
    return 2;
  }
  const QString out = args.at(2);
  QDir().mkpath(out);

  CZentravolixApp app;
  if (!app.InitInstance({args.at(0)})) return 1;
  CMainFrame* frame = app.MainFrame();
  frame->resize(720, 420);
  CZentravolixView* view = frame->GetConvertView();
  // Opened the way a user opens it, with the answer to the file dialog preset.
  CUiPrompts::SetTestMode(true);
  CUiPrompts::PushPathAnswer(QFileInfo(args.at(1)).absoluteFilePath());
  frame->OnOpenList();
  bool ok = true;

  QTimer::singleShot(300, [&] {
    view->SetRowSelected(2, true);
    ok &= Save(frame, out + QStringLiteral("/screenshot-main.png"));

    CDlgItemEdit item(frame);
    if (const zv::ConvertItem* row = view->ItemAt(1)) {
      item.m_strSearch = row->m_strFind;
      item.m_strReplace = row->m_strReplaceWith;
    }
    item.show();
    ok &= Save(&item, out + QStringLiteral("/screenshot-item.png"));
    item.hide();

    CAboutDlg about(frame);
    about.show();
    ok &= Save(&about, out + QStringLiteral("/screenshot-about.png"));
    about.hide();
    frame->close();
    QCoreApplication::exit(ok ? 0 : 1);
  });
  return QApplication::exec();
}
