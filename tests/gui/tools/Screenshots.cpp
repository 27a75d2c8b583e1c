// Writes the screenshots of the README: the main window with a list, its
// ﾌｧｲﾙ and 変換ﾘｽﾄ編集 menus open and the list's context menu, the item
// dialog, the open dialog, the save dialog asking before it replaces a file,
// the about box, and the folder tools' windows (the run dialog idle
// and during a run, both settings dialogs, the extension dialog, the folder
// browser and the new-folder dialog), the summary of the run, the preview of
// names and of texts (before and after), the list check, and the text dialog
// with a converted example text, alone and asking about its unsaved changes.
// Usage: zv_screenshots <list.csv> <out-dir>
// Run it on a real display (Xvfb) so that fonts render as a user sees them.

#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QTableView>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <memory>

#include "app/AboutDlg.h"
#include "app/AppTexts.h"
#include "app/ByteLimitedEdit.h"
#include "app/CommandIds.h"
#include "app/FileDialog.h"
#include "app/MainFrame.h"
#include "app/QStringBytes.h"
#include "app/UiPrompts.h"
#include "app/ZentravolixApp.h"
#include "filename/DlgBatchConvert.h"
#include "filename/DlgFileNameSetting.h"
#include "folder/DlgNewDirName.h"
#include "folder/FolderTreeDialog.h"
#include "list/DlgItemEdit.h"
#include "list/DlgListCheck.h"
#include "list/ZentravolixView.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "run/DlgPreview.h"
#include "run/FolderRun.h"
#include "text/DlgExtension.h"
#include "text/DlgFolderTextSetting.h"
#include "text/DlgTextConvert.h"

namespace {

bool Save(QWidget* w, const QString& path) {
  QApplication::processEvents();
  const bool ok = w->grab().save(path);
  std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
  return ok;
}

// Lets the X server map and draw what was just shown.
void Settle() {
  QEventLoop wait;
  QTimer::singleShot(400, &wait, &QEventLoop::quit);
  wait.exec();
}

// The screen under several windows at once (a window and its open menu or
// box), as a user sees them.
bool SaveScreen(const QList<QWidget*>& windows, const QString& path) {
  Settle();
  QRect area;
  for (QWidget* w : windows) area |= w->frameGeometry();
  const QPixmap shot =
      windows.front()->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
  const bool ok = !shot.isNull() && shot.save(path);
  std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
  return ok;
}

// The main window with a menu of its menu bar open, one item highlighted.
bool ShootMenu(CMainFrame* frame, int menuIndex, int highlight, const QString& path) {
  QAction* title = frame->menuBar()->actions().at(menuIndex);
  frame->UpdateCommandUI();
  frame->menuBar()->setActiveAction(title);
  Settle();
  QMenu* menu = title->menu();
  menu->setActiveAction(frame->Action(highlight));
  const bool ok = SaveScreen({frame, menu}, path);
  menu->hide();
  return ok;
}

// The list's context menu, opened by a right-click on row.
bool ShootContextMenu(CMainFrame* frame, CZentravolixView* view, int row, const QString& path) {
  const QPoint at = view->visualRect(view->model()->index(row, 0)).center() + QPoint(40, 0);
  QContextMenuEvent event(QContextMenuEvent::Mouse, at, view->viewport()->mapToGlobal(at));
  QApplication::sendEvent(view->viewport(), &event);
  Settle();
  QMenu* menu = frame->ContextMenu();
  menu->setActiveAction(frame->Action(ID_MOVE_UP));
  const bool ok = SaveScreen({frame, menu}, path);
  menu->hide();
  return ok;
}

// A preview, filled in, with its first row chosen.
bool ShootPreview(QWidget* parent, CZentravolixView* view, bool text, const QString& src, const QString& dst,
                  const QString& path) {
  CDlgPreview preview(parent, view, text);
  QEventLoop wait;
  QObject::connect(&preview, &CDlgPreview::PreviewEnded, &wait, &QEventLoop::quit);
  QTimer::singleShot(20000, &wait, &QEventLoop::quit);
  if (!preview.Start(QStringToPath(src), QStringToPath(dst), "*.txt")) return false;
  if (!preview.Run()->Ended()) wait.exec();
  preview.show();
  preview.Table()->selectRow(0);
  return Save(&preview, path);
}

// Both previews (the names of the reports; a notice, before and after) and
// the list check of a list with rows that cannot act or feed each other.
bool PreviewShots(QWidget* parent, CZentravolixView* view, const QString& documents, const QString& src,
                  const QString& dst, const QString& out) {
  bool ok = ShootPreview(parent, view, false, src + QStringLiteral("/2006"), dst,
                         out + QStringLiteral("/screenshot-preview-names.png"));
  const QString notices = documents + QStringLiteral("/お知らせ");
  const char* lines[] = {"株式会社ゼントの山田です。", "いつもお世話になっております。",
                         "ＡＢＣ有限会社様との打ち合わせは、", "株式会社ゼント 本社 3F 会議室で行います。",
                         "資料は有限会社ミナトの佐藤様がご用意くださいます。", "よろしくお願いいたします。"};
  QByteArray text;
  for (const char* l : lines) text += QByteArray(l) + "\r\n";
  for (const char* name : {"打ち合わせのお知らせ.txt", "議事録.txt"}) {
    QFile f(notices + QLatin1Char('/') + QString::fromUtf8(name));
    if (f.open(QIODevice::WriteOnly)) f.write(text);
  }
  ok &= ShootPreview(parent, view, true, notices, dst + QStringLiteral("お知らせ/"),
                     out + QStringLiteral("/screenshot-preview-text.png"));

  const zv::ConvertRows rows = {{"株式会社", "(株)"}, {"有限会社", "(有)"},      {"株式会社", "(株)"},
                                {"ＡＢＣ", "ABC"},    {"ABC", "ABC"},          {"会社概要", "会社案内"},
                                {"〜", "～"},          {"株式会社ゼント", "ゼント"}};
  CDlgListCheck check(parent, nullptr, zv::CheckList(rows));
  check.show();
  check.Findings()->setCurrentItem(check.Findings()->topLevelItem(0));
  ok &= Save(&check, out + QStringLiteral("/screenshot-list-check.png"));
  return ok;
}

bool FolderToolShots(CMainFrame* frame, CZentravolixView* view, const QString& out) {
  bool ok = true;
  // The documents folder of a user: the script's private home when it gives
  // one (ZV_SHOT_HOME), else a temporary folder.
  QTemporaryDir temp;
  const QString home =
      qEnvironmentVariableIsSet("ZV_SHOT_HOME") ? qEnvironmentVariable("ZV_SHOT_HOME") : temp.path();
  const QString documents = home + QStringLiteral("/ドキュメント");
  const QString src = documents + QStringLiteral("/報告書");
  QDir().mkpath(documents + QStringLiteral("/お知らせ"));
  for (int year = 1990; year <= 2007; ++year) QDir().mkpath(src + QStringLiteral("/%1").arg(year));
  for (int i = 1; i <= 40; ++i) {
    QFile f(src + QStringLiteral("/2006/株式会社ゼント_報告_%1.txt").arg(i, 2, 10, QLatin1Char('0')));
    if (f.open(QIODevice::WriteOnly)) f.write("x");
  }
  const QString dst = documents + QStringLiteral("/出力/");

  CDlgBatchConvert batch(frame, view);
  batch.show();
  batch.SrcEdit()->setText(src);
  batch.DstEdit()->setText(dst);
  batch.PatternEdit()->setText(QStringLiteral("*.txt"));
  ok &= Save(&batch, out + QStringLiteral("/screenshot-batch-idle.png"));

  // A real run, taken when the bar has passed the middle.
  CDlgFileNameSetting names(&batch);
  names.show();
  names.SubDirCheck()->setChecked(true);
  names.NoCaseCheck()->setChecked(true);
  ok &= Save(&names, out + QStringLiteral("/screenshot-filename-setting.png"));
  names.OkButton()->click();
  bool grabbed = false;
  QObject::connect(&batch, &CDlgBatchConvert::ProgressShown, &batch, [&](int percent) {
    if (percent >= 50 && !grabbed)
      grabbed = Save(&batch, out + QStringLiteral("/screenshot-batch-running.png"));
  });
  // The summary at the run's end, as it opens over the dialog.
  CUiPrompts::PushModalHandler([&](QDialog& summary) {
    summary.show();
    Settle();
    ok &= Save(&summary, out + QStringLiteral("/screenshot-summary.png"));
    summary.hide();
    return int(QDialog::Accepted);
  });
  QEventLoop run;
  QObject::connect(&batch, &CDlgBatchConvert::RunFinished, &run, &QEventLoop::quit);
  QTimer::singleShot(20000, &run, &QEventLoop::quit);
  // Forty small files go by faster than the window repaints: each is held
  // up a little, so the picture shows a run under way.
  zv::SetFileFaultHook([](zv::FileOp op, const std::string&) {
    if (op == zv::FileOp::Open) QThread::msleep(40);
    return 0;
  });
  batch.ExecuteButton()->click();
  if (!batch.IsIdleLook()) run.exec();
  zv::SetFileFaultHook(nullptr);
  ok &= grabbed;

  ok &= PreviewShots(&batch, view, documents, src, dst, out);

  CDlgFolderTextSetting texts(&batch);
  texts.show();
  ok &= Save(&texts, out + QStringLiteral("/screenshot-foldertext-setting.png"));
  CDlgExtension ext(&texts);
  ext.m_strExt = "txt";
  ext.show();
  ok &= Save(&ext, out + QStringLiteral("/screenshot-extension.png"));
  ext.hide();
  texts.hide();

  CFolderTreeDialog browser(&batch, QStringLiteral("保存するフォルダを選択してください"), true);
  browser.show();
  browser.SelectFolder(src + QStringLiteral("/2006"));
  browser.Tree()->scrollTo(browser.Tree()->currentIndex(), QAbstractItemView::PositionAtBottom);
  ok &= Save(&browser, out + QStringLiteral("/screenshot-folder-browser.png"));
  CDlgNewDirName name(&browser);
  name.m_strParent = QStringToPath(src);
  name.m_strName = "2007年度";
  name.show();
  ok &= Save(&name, out + QStringLiteral("/screenshot-new-folder.png"));
  name.hide();
  browser.hide();

  // A 932 session on UTF-8 folders, beside a legacy folder whose name is
  // Shift-JIS bytes: both read as they should.
  const zv::CodePage session = zv::ActiveCodePage();
  zv::SetActiveCodePage(zv::CodePage::Cp932);
  const std::string docs = QStringToPath(documents);
  const std::string legacy =
      docs + "/" + *zv::ConvertCodePage("旧資料（Shift-JIS）", zv::CodePage::Utf8, zv::CodePage::Cp932);
  zv::CreateOneDirectory(legacy);
  {
    CFolderTreeDialog mixed(&batch, QStringLiteral("保存するフォルダを選択してください"), true);
    mixed.show();
    mixed.SelectFolder(legacy);
    ok &= Save(&mixed, out + QStringLiteral("/screenshot-folder-browser-932.png"));
  }
  ::rmdir(legacy.c_str());  // Qt would not see it to remove it with the tree
  zv::SetActiveCodePage(session);
  batch.hide();
  return ok;
}

// The text dialog with the example text opened and converted by the list.
bool ShootTextDialog(CMainFrame* frame, const QString& listPath, const QString& out) {
  QString sample = QFileInfo(listPath).absoluteDir().filePath(QStringLiteral("お知らせ.txt"));
  if (!QFileInfo::exists(sample))
    sample = QFileInfo(listPath).absoluteDir().filePath(QStringLiteral("sample.txt"));
  CDlgTextConvert dlg(frame->GetConvertView(), frame);
  if (QFileInfo::exists(sample)) {
    CUiPrompts::PushPathAnswer(sample);
    dlg.OnOpenFile();
  } else {
    dlg.m_strText =
        QStringToBytes(QStringLiteral("株式会社ミナトの山田です。\r\nＡＢＣ有限会社の佐藤です。\r\n"));
    dlg.UpdateData(false);
  }
  dlg.OnConvert();
  dlg.show();
  bool ok = Save(&dlg, out + QStringLiteral("/screenshot-text.png"));

  // 終了 now would ask about the converted text; in this tool the prompts
  // answer for the user, so the box is built here with the very same texts.
  dlg.move(frame->geometry().topLeft() + QPoint(40, 40));
  const auto box = CUiPrompts::MakeMessageBox(
      &dlg, CUiPrompts::SaveChangesText(dlg.m_strPath), Ui(zv::texts::kFrameTitle),
      QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Warning);
  box->show();
  ok &= SaveScreen({&dlg, box.get()}, out + QStringLiteral("/screenshot-text-unsaved.png"));
  box->hide();
  dlg.hide();
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
    ok &= SaveScreen({frame}, out + QStringLiteral("/screenshot-main.png"));
    ok &= ShootMenu(frame, 0, ID_OPEN_LIST, out + QStringLiteral("/screenshot-menu-file.png"));
    ok &= ShootMenu(frame, 1, ID_MOVE_UP, out + QStringLiteral("/screenshot-menu-edit.png"));
    ok &= ShootContextMenu(frame, view, 2, out + QStringLiteral("/screenshot-context-menu.png"));

    CDlgItemEdit item(frame);
    if (const zv::ConvertItem* row = view->ItemAt(1)) {
      item.m_strSearch = row->m_strFind;
      item.m_strReplace = row->m_strReplaceWith;
    }
    item.show();
    ok &= Save(&item, out + QStringLiteral("/screenshot-item.png"));
    item.hide();

    CUiPrompts::FileDialogOptions open;
    open.filters = {QStringLiteral("csv(*.csv)"), QStringLiteral("全て(*.*)")};
    open.initialPath = QStringToPath(QFileInfo(args.at(1)).absoluteFilePath());
    CFileDialog files(frame, open, false);
    files.show();
    ok &= Save(&files, out + QStringLiteral("/screenshot-open-dialog.png"));
    files.hide();

    // 名前を付けてﾘｽﾄを保存 onto the list itself: the save dialog asks first,
    // with Qt's own (translated) はい / いいえ.
    CUiPrompts::FileDialogOptions saveAs;
    saveAs.filters = {Ui(zv::texts::kFilterAll)};
    saveAs.initialPath = open.initialPath;
    saveAs.confirmOverwrite = true;
    CFileDialog save(frame, saveAs, true);
    save.show();
    const auto replace = CUiPrompts::MakeMessageBox(
        &save, Ui(zv::texts::kFileDlgReplace).arg(PathToQString(saveAs.initialPath)),
        Ui(zv::texts::kFrameTitle), QMessageBox::Yes | QMessageBox::No, QMessageBox::Warning);
    replace->show();
    ok &= SaveScreen({&save, replace.get()}, out + QStringLiteral("/screenshot-save-replace.png"));
    replace->hide();
    save.hide();

    CAboutDlg about(frame);
    about.show();
    ok &= Save(&about, out + QStringLiteral("/screenshot-about.png"));
    about.hide();
    ok &= FolderToolShots(frame, view, out);
    ok &= ShootTextDialog(frame, args.at(1), out);
    frame->close();
    QCoreApplication::exit(ok ? 0 : 1);
  });
  return QApplication::exec();
}
