// The main window: start-up state, menu 130, tool bar, status bar, the title
// rule, the list file commands, help, the about box, the command line, and
// the desktop habits: unsaved changes, keys, the context menu, what the
// profile remembers, recent files, dropped lists and Qt's own texts.

#include <unistd.h>

#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>
#include <QToolBar>
#include <QToolButton>
#include <cerrno>
#include <filesystem>
#include <map>
#include <set>

#include "GuiTestSupport.h"
#include "app/AboutDlg.h"
#include "app/ByteLimitedEdit.h"
#include "app/CommandIds.h"
#include "app/FileDialog.h"
#include "app/HelpWindow.h"
#include "app/MainFrame.h"
#include "app/QStringBytes.h"
#include "app/RecentFileList.h"
#include "app/ZentravolixApp.h"
#include "list/DlgItemEdit.h"
#include "list/ZentravolixView.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "text/DlgTextConvert.h"

using gt::U;

namespace {

const std::set<int> kAllCommands = {ID_OPEN_LIST,
                                    ID_LIST_CLEAR,
                                    ID_CONVERT_FILENAME,
                                    ID_CONVERT_TEXT,
                                    ID_CONVERT_FILENAME_SETTING,
                                    ID_CONVERT_FOLDERTEXT_SETTING,
                                    ID_HELP_CONTENTS,
                                    ID_SELECT_ALL,
                                    ID_SELECT_INVERT,
                                    ID_ITEM_ADD,
                                    ID_ITEM_DELETE,
                                    ID_ITEM_EDIT,
                                    ID_SAVE_LIST,
                                    ID_SAVE_LIST_AS,
                                    ID_SAVE_SELECTED_AS,
                                    ID_CONVERT_FOLDERTEXT,
                                    ID_SAVE_SELECTED,
                                    ID_APP_ABOUT,
                                    ID_APP_EXIT,
                                    ID_NEW_LIST,
                                    ID_MOVE_UP,
                                    ID_MOVE_DOWN};

std::set<int> EnabledCommands(CMainFrame* frame) {
  std::set<int> on;
  for (int id : kAllCommands) {
    if (frame->Action(id)->isEnabled()) on.insert(id);
  }
  return on;
}

// Three pairs as a CP932 or UTF-8 list, whichever the session uses.
std::string ThreeRows() { return gt::B("\"abc\",\"xyz\"\r\n\"日本\",\"語\"\r\n\"k\",\"v\"\r\n"); }

QString Title(CMainFrame* frame) { return gt::ShownTitle(frame); }

// The program started with ThreeRows() opened from list.csv.
struct Started {
  std::unique_ptr<CZentravolixApp> app;
  CMainFrame* frame = nullptr;
  CZentravolixView* view = nullptr;
  QString path;
};
Started StartWithList() {
  Started s;
  s.app = gt::StartApp();
  s.frame = gt::Frame(*s.app);
  s.view = gt::View(*s.app);
  s.path = gt::WriteFile(gt::NewDir(), U("list.csv"), ThreeRows());
  s.frame->OpenListFile(QStringToPath(s.path));
  return s;
}

// Drops a file on the window as a file manager would: file URLs carry the
// name's own bytes, percent-encoded. True when the window took the drag.
bool Drop(CMainFrame* frame, const std::string& path) {
  QMimeData mime;
  mime.setUrls({QUrl(QStringLiteral("file://") +
                     QString::fromLatin1(QByteArray::fromStdString(path).toPercentEncoding("/")))});
  const QPoint at = frame->rect().center();
  QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(frame, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(frame, &drop);
  // The list is opened once the drop has ended.
  QCoreApplication::processEvents();
  return drop.isAccepted();
}

}  // namespace

class MainFrameTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    gt::InitGuiTests();
    zv::SetActiveCodePage(zv::CodePage::Utf8);
  }
  void init() {
    CUiPrompts::Reset();
    gt::ClearProfile();
  }
  void cleanup() {
    zv::SetFileFaultHook(nullptr);
    CMainFrame::SetHelpFoldersForTesting(std::nullopt);
    zv::SetActiveCodePage(zv::CodePage::Utf8);
  }

  void startUpState() {
    auto app = gt::StartApp();
    QVERIFY(app);
    CMainFrame* frame = gt::Frame(*app);
    QVERIFY(frame->isVisible());
    QCOMPARE(Title(frame), U("Moravquell"));
    QCOMPARE(frame->MessageText(), U("ﾚﾃﾞｨ"));
    QVERIFY(frame->ListPath().empty());
    QCOMPARE(gt::View(*app)->RowCount(), 0);

    const std::set<int> expected = {ID_NEW_LIST,
                                    ID_OPEN_LIST,
                                    ID_APP_EXIT,
                                    ID_ITEM_ADD,
                                    ID_CONVERT_FILENAME_SETTING,
                                    ID_CONVERT_FOLDERTEXT_SETTING,
                                    ID_APP_ABOUT,
                                    ID_HELP_CONTENTS};
    QVERIFY(EnabledCommands(frame) == expected);

    // Status bar: the message pane and four indicators, in order.
    QStringList panes;
    for (QLabel* pane : frame->IndicatorPanes()) panes << pane->text();
    QCOMPARE(panes, (QStringList{U("ｶﾅ"), U("CAP"), U("NUM"), U("SCRL")}));

    // The list's two columns.
    CZentravolixView* view = gt::View(*app);
    QCOMPARE(view->columnCount(), 2);
    QCOMPARE(view->headerItem()->text(0), U("検索"));
    QCOMPARE(view->headerItem()->text(1), U("置換"));
    QCOMPARE(view->columnWidth(0), 256);
    QCOMPARE(view->columnWidth(1), 256);
    QCOMPARE(view->selectionMode(), QAbstractItemView::ExtendedSelection);
    QCOMPARE(view->selectionBehavior(), QAbstractItemView::SelectRows);
    QVERIFY(!view->rootIsDecorated());
    QVERIFY(!frame->windowIcon().isNull());
  }

  void toolBarHasSixButtonsInThreeGroups() {
    auto app = gt::StartApp();
    CMainFrame* frame = gt::Frame(*app);
    QToolBar* bar = frame->ToolBar();
    QVERIFY(!bar->isMovable());
    QVERIFY(!bar->isFloatable());
    QCOMPARE(bar->iconSize(), QSize(16, 15));

    QList<int> layout;  // command ids, 0 for a separator
    for (QAction* a : bar->actions()) layout << (a->isSeparator() ? 0 : a->data().toInt());
    QCOMPARE(layout, (QList<int>{ID_OPEN_LIST, ID_SAVE_LIST, 0, ID_CONVERT_FILENAME, ID_CONVERT_TEXT,
                                 ID_CONVERT_FOLDERTEXT, 0, ID_APP_ABOUT}));
    for (QAction* a : bar->actions()) {
      if (a->isSeparator()) continue;
      auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(a));
      QVERIFY(button);
      QVERIFY(button->autoRaise());  // flat
      QVERIFY(!a->icon().isNull());
    }
    // At start the save and the three tool buttons are grey.
    for (int id : {ID_SAVE_LIST, ID_CONVERT_FILENAME, ID_CONVERT_TEXT, ID_CONVERT_FOLDERTEXT}) {
      QVERIFY(!bar->widgetForAction(frame->Action(id))->isEnabled());
    }
    QVERIFY(bar->widgetForAction(frame->Action(ID_OPEN_LIST))->isEnabled());
    QVERIFY(bar->widgetForAction(frame->Action(ID_APP_ABOUT))->isEnabled());
  }

  void menuTextsAreExact() {
    auto app = gt::StartApp();
    CMainFrame* frame = gt::Frame(*app);
    QStringList lines;
    for (QAction* top : frame->menuBar()->actions()) {
      lines << top->text();
      for (QAction* a : top->menu()->actions()) {
        if (!a->isVisible()) continue;
        lines << (a->isSeparator() ? U("-") : U("  ") + a->text());
      }
    }
    const QStringList expected = {
        U("ﾌｧｲﾙ(&F)"),
        U("  ﾘｽﾄを新規作成(&N)"),
        U("  ﾘｽﾄﾌｧｲﾙ(.csv)を開く(&O)..."),
        U("-"),
        U("  ﾘｽﾄを上書き保存(&S)"),
        U("  選択した行だけを上書き保存(&C)"),
        U("  名前を付けてﾘｽﾄを保存(&A)..."),
        U("  選択した行だけを名前を付けて保存(&E)..."),
        U("-"),
        U("  最近使ったﾌｧｲﾙ"),  // no recent file yet
        U("-"),
        U("  終了(&X)"),
        U("変換ﾘｽﾄ編集(&E)"),
        U("  全て選択(&S)"),
        U("  選択を反転(&R)"),
        U("-"),
        U("  項目を追加(&A)..."),
        U("  項目を編集(&E)..."),
        U("  選択した項目を削除(&D)..."),
        U("-"),
        U("  上へ移動(&U)"),
        U("  下へ移動(&N)"),
        U("-"),
        U("  変換リストの検査(&K)..."),
        U("-"),
        U("  ﾘｽﾄをｸﾘｱする(&D)..."),
        U("ﾌｧｲﾙ名置換(&A)"),
        U("  ﾌｧｲﾙ名置換実行(&R)..."),
        U("  ﾌｧｲﾙ名置換設定(&S)..."),
        U("ﾃｷｽﾄ置換(&B)"),
        U("  ﾃｷｽﾄ置換実行(&R)..."),
        U("  ﾌｫﾙﾀﾞを指定してﾃｷｽﾄ置換(&F)..."),
        U("  ﾌｫﾙﾀﾞを指定してﾃｷｽﾄ置換の設定(&S)..."),
        U("ﾍﾙﾌﾟ(&H)"),
        U("  Zentravolix のﾊﾞｰｼﾞｮﾝ情報(&A)..."),
        U("  目次(&H)..."),
    };
    QCOMPARE(lines, expected);
    // Each command item carries its command id.
    for (QAction* top : frame->menuBar()->actions()) {
      for (QAction* a : top->menu()->actions()) {
        if (a->isSeparator() || !a->isEnabled() || !a->isVisible()) continue;
        QVERIFY2(kAllCommands.count(a->data().toInt()), qPrintable(a->text()));
      }
    }
    QVERIFY(!frame->RecentActions().front()->isVisible());
  }

  void promptsAndToolTips() {
    auto app = gt::StartApp();
    CMainFrame* frame = gt::Frame(*app);
    struct Expect {
      int id;
      const char* prompt;
      const char* tip;
    };
    const Expect expected[] = {
        {ID_OPEN_LIST, "変換候補ファイル(CSV)を開きます", "変換候補(CSV)を開く"},
        {ID_CONVERT_FILENAME, "フォルダを指定してファイル名を一括変換します", "ﾌｧｲﾙ名置換"},
        {ID_CONVERT_TEXT, "テキストファイルを開いて、置換します。", "ファイルを開いてテキスト置換"},
        {ID_SAVE_LIST, "現在のファイルで上書き保存します", "変換候補を上書き保存(CSV)"},
        {ID_CONVERT_FOLDERTEXT, "フォルダを指定して、含まれるテキストファイルの中身を一括置換します",
         "ﾌｫﾙﾀﾞを指定してテキスト置換"},
        {ID_APP_ABOUT, "ﾌﾟﾛｸﾞﾗﾑの情報、ﾊﾞｰｼﾞｮﾝそして著作権を表示", "ﾊﾞｰｼﾞｮﾝ情報"},
        {ID_APP_EXIT, "ｱﾌﾟﾘｹｰｼｮﾝを終了し、ﾌｧｲﾙの保存を指示", "終了"},
        // Ours, not on the tool bar.
        {ID_NEW_LIST, "新しい変換ﾘｽﾄを作成します", nullptr},
        {ID_MOVE_UP, "選択した項目を1行上へ移動します", nullptr},
        {ID_MOVE_DOWN, "選択した項目を1行下へ移動します", nullptr},
    };
    std::set<int> withPrompt;
    for (const Expect& e : expected) {
      QCOMPARE(frame->Action(e.id)->statusTip(), U(e.prompt));
      if (e.tip) QCOMPARE(frame->Action(e.id)->toolTip(), U(e.tip));
      withPrompt.insert(e.id);
    }
    for (int id : kAllCommands) {
      if (!withPrompt.count(id))
        QVERIFY2(frame->Action(id)->statusTip().isEmpty(), qPrintable(QString::number(id)));
    }

    // Hovering a tool button shows its prompt; leaving brings the idle text back.
    QToolBar* bar = frame->ToolBar();
    QWidget* openButton = bar->widgetForAction(frame->Action(ID_OPEN_LIST));
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(openButton, &enter);
    QCOMPARE(frame->MessageText(), U("変換候補ファイル(CSV)を開きます"));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(openButton, &leave);
    QCOMPARE(frame->MessageText(), U("ﾚﾃﾞｨ"));

    // In an open menu an item without a prompt shows an empty pane.
    QMenu* fileMenu = frame->menuBar()->actions().at(0)->menu();
    emit fileMenu->aboutToShow();
    emit fileMenu->hovered(frame->Action(ID_SAVE_LIST_AS));
    QCOMPARE(frame->MessageText(), QString());
    emit fileMenu->hovered(frame->Action(ID_APP_EXIT));
    QCOMPARE(frame->MessageText(), U("ｱﾌﾟﾘｹｰｼｮﾝを終了し、ﾌｧｲﾙの保存を指示"));
    emit fileMenu->aboutToHide();
    QCOMPARE(frame->MessageText(), U("ﾚﾃﾞｨ"));
  }

  void enablingFollowsRowsAndCurrentFile() {
    auto app = gt::StartApp();
    CMainFrame* frame = gt::Frame(*app);
    CZentravolixView* view = gt::View(*app);
    QVERIFY(view->AddConvertItem(0, "a", "b"));
    const std::set<int> expected = {ID_NEW_LIST,
                                    ID_OPEN_LIST,
                                    ID_APP_EXIT,
                                    ID_ITEM_ADD,
                                    ID_CONVERT_FILENAME_SETTING,
                                    ID_CONVERT_FOLDERTEXT_SETTING,
                                    ID_APP_ABOUT,
                                    ID_HELP_CONTENTS,
                                    ID_SAVE_LIST_AS,
                                    ID_SAVE_SELECTED_AS,
                                    ID_CONVERT_FILENAME,
                                    ID_CONVERT_TEXT,
                                    ID_CONVERT_FOLDERTEXT,
                                    ID_SELECT_ALL,
                                    ID_SELECT_INVERT,
                                    ID_ITEM_EDIT,
                                    ID_ITEM_DELETE,
                                    ID_LIST_CLEAR};
    QVERIFY(EnabledCommands(frame) == expected);
    // The selection plays no part.
    view->SetRowSelected(0, true);
    frame->UpdateCommandUI();
    QVERIFY(EnabledCommands(frame) == expected);

    view->DeleteAllConvertItems();
    QVERIFY(!frame->Action(ID_SAVE_LIST_AS)->isEnabled());
    QVERIFY(!frame->Action(ID_CONVERT_TEXT)->isEnabled());
  }

  void openSetsTitleCurrentFileAndSelectsRowZero() {
    auto app = gt::StartApp();
    CMainFrame* frame = gt::Frame(*app);
    CZentravolixView* view = gt::View(*app);
    const QString path = gt::WriteFile(gt::NewDir(), U("list.csv"), ThreeRows());
    CUiPrompts::PushPathAnswer(path);
    frame->Action(ID_OPEN_LIST)->trigger();

    QCOMPARE(Title(frame), U("Moravquell - list.csv"));
    QCOMPARE(PathToQString(frame->ListPath()), path);
    QCOMPARE(view->RowCount(), 3);
    QCOMPARE(view->ItemAt(1)->m_strFind, gt::B("日本"));
    QCOMPARE(view->headerItem()->text(0), U("検索"));
    QCOMPARE(view->topLevelItem(1)->text(0), U("日本"));
    QCOMPARE(view->topLevelItem(1)->text(1), U("語"));
    QVERIFY(view->IsRowSelected(0));
    QVERIFY(!view->IsRowSelected(1));
    QCOMPARE(view->currentIndex().row(), 0);
    QVERIFY(frame->Action(ID_SAVE_LIST)->isEnabled());
    QVERIFY(frame->Action(ID_SAVE_SELECTED)->isEnabled());

    // The open dialog: two filters, csv first, existing files only.
    const auto& rec = CUiPrompts::Records().front();
    QCOMPARE(rec.kind, CUiPrompts::Kind::OpenFile);
    QCOMPARE(rec.file.filters, (QStringList{U("csv(*.csv)"), U("全て(*.*)")}));
    QVERIFY(rec.file.mustExist);
    QCOMPARE(rec.file.defaultSuffix, U("csv"));

    // The next open starts at the current file.
    CUiPrompts::Reset();
    frame->Action(ID_OPEN_LIST)->trigger();  // cancelled
    QCOMPARE(PathToQString(CUiPrompts::Records().front().file.initialPath), path);
    QCOMPARE(Title(frame), U("Moravquell - list.csv"));
    QCOMPARE(view->RowCount(), 3);
  }

  void openOfNothingChangesNothing() {
    auto app = gt::StartApp();
    CMainFrame* frame = gt::Frame(*app);
    gt::View(*app)->AddConvertItem(0, "keep", "me");
    CUiPrompts::PushMessageAnswer(QMessageBox::Discard);  // the unsaved row
    CUiPrompts::PushPathAnswer(gt::NewDir() + U("/missing.csv"));
    frame->Action(ID_OPEN_LIST)->trigger();
    QCOMPARE(Title(frame), U("Moravquell*"));
    QVERIFY(frame->ListPath().empty());
    QCOMPARE(gt::View(*app)->RowCount(), 1);
    QCOMPARE(gt::MessageBoxes().size(), size_t(1));  // only the question
  }

  void openOfFileWithoutUsableLineStillBecomesCurrent() {
    auto app = gt::StartApp();
    CMainFrame* frame = gt::Frame(*app);
    gt::View(*app)->AddConvertItem(0, "old", "row");
    const QString path = gt::WriteFile(gt::NewDir(), U("empty.csv"), "no comma here\r\n,x\r\n");
    CUiPrompts::PushMessageAnswer(QMessageBox::Discard);  // the unsaved row
    CUiPrompts::PushPathAnswer(path);
    frame->Action(ID_OPEN_LIST)->trigger();
    QCOMPARE(Title(frame), U("Moravquell - empty.csv"));
    QCOMPARE(gt::View(*app)->RowCount(), 0);
    // An empty list cannot be saved over the file.
    QVERIFY(!frame->Action(ID_SAVE_LIST)->isEnabled());
  }

  void saveEnablingTracksTheFileOnDisk() {
    auto app = gt::StartApp();
    CMainFrame* frame = gt::Frame(*app);
    const QString path = gt::WriteFile(gt::NewDir(), U("list.csv"), ThreeRows());
    CUiPrompts::PushPathAnswer(path);
    frame->Action(ID_OPEN_LIST)->trigger();
    QVERIFY(frame->Action(ID_SAVE_LIST)->isEnabled());
    QVERIFY(frame->ToolBar()->widgetForAction(frame->Action(ID_SAVE_LIST))->isEnabled());

    // Deleted outside the program: the idle check notices without any change here.
    QVERIFY(QFile::remove(path));
    QTRY_VERIFY_WITH_TIMEOUT(!frame->Action(ID_SAVE_LIST)->isEnabled(), 3000);
    QVERIFY(!frame->Action(ID_SAVE_SELECTED)->isEnabled());
    QVERIFY(frame->Action(ID_SAVE_LIST_AS)->isEnabled());
    gt::WriteFile(QFileInfo(path).absolutePath(), U("list.csv"), "x");
    QTRY_VERIFY_WITH_TIMEOUT(frame->Action(ID_SAVE_LIST)->isEnabled(), 3000);
  }

  void saveOverWritesAllOrSelectedRows() {
    auto app = gt::StartApp();
    CMainFrame* frame = gt::Frame(*app);
    CZentravolixView* view = gt::View(*app);
    const QString path = gt::WriteFile(gt::NewDir(), U("list.csv"), ThreeRows());
    CUiPrompts::PushPathAnswer(path);
    frame->Action(ID_OPEN_LIST)->trigger();

    view->AddConvertItem(3, "say \"hi\"", "1,2");
    frame->Action(ID_SAVE_LIST)->trigger();
    QCOMPARE(gt::ReadFile(path), ThreeRows() + "\"say \"\"hi\"\"\",\"1,2\"\r\n");
    QCOMPARE(Title(frame), U("Moravquell - list.csv"));

    view->SetRowSelected(2, true);
    view->SetRowSelected(0, true);
    frame->Action(ID_SAVE_SELECTED)->trigger();
    QCOMPARE(gt::ReadFile(path), std::string("\"abc\",\"xyz\"\r\n\"k\",\"v\"\r\n"));
  }

  void saveWithoutCurrentFileAsksForAName() {
    auto app = gt::StartApp();
    CMainFrame* frame = gt::Frame(*app);
    CZentravolixView* view = gt::View(*app);
    view->AddConvertItem(0, "a", "b");
    view->AddConvertItem(1, "c", "d");
    view->SetRowSelected(1, true);
    frame->OnSaveSelected();  // no current file: behaves as save-as of all rows
    QCOMPARE(CUiPrompts::Records().size(), size_t(1));
    const auto& rec = CUiPrompts::Records().front();
    QCOMPARE(rec.kind, CUiPrompts::Kind::SaveFile);
    QCOMPARE(rec.file.filters, QStringList{U("全て(*.*)")});
    QVERIFY(rec.file.defaultSuffix.isEmpty());
    QVERIFY(rec.file.confirmOverwrite);        // the dialog asks before it replaces a file
    QCOMPARE(Title(frame), U("Moravquell*"));  // cancelled; the rows are unsaved

    const QString path = gt::NewDir() + U("/noext");
    CUiPrompts::PushPathAnswer(path);
    frame->OnSaveSelected();
    QCOMPARE(gt::ReadFile(path), std::string("\"a\",\"b\"\r\n\"c\",\"d\"\r\n"));
    QCOMPARE(Title(frame), U("Moravquell - noext"));
    QCOMPARE(PathToQString(frame->ListPath()), path);
  }

  void saveSelectedAsWritesThoseRowsAndBecomesCurrent() {
    auto app = gt::StartApp();
    CMainFrame* frame = gt::Frame(*app);
    CZentravolixView* view = gt::View(*app);
    for (int i = 0; i < 4; ++i) view->AddConvertItem(i, "r" + std::to_string(i + 1), "x");
    view->SetRowSelected(0, true);
    view->SetRowSelected(2, true);
    const QString existing = gt::WriteFile(gt::NewDir(), U("out.csv"), "old contents\r\n");
    CUiPrompts::PushPathAnswer(existing);
    frame->Action(ID_SAVE_SELECTED_AS)->trigger();
    QCOMPARE(gt::ReadFile(existing), std::string("\"r1\",\"x\"\r\n\"r3\",\"x\"\r\n"));
    QCOMPARE(Title(frame), U("Moravquell - out.csv*"));  // two rows of four saved
    QCOMPARE(PathToQString(frame->ListPath()), existing);
  }

  // Saving selected rows with none selected would empty the file or write
  // an empty one: refused with a message, before any file dialog.
  void savingSelectedRowsWithNoneSelectedIsRefused_data() {
    QTest::addColumn<int>("command");
    QTest::newRow("over the current file") << int(ID_SAVE_SELECTED);
    QTest::newRow("under a name") << int(ID_SAVE_SELECTED_AS);
  }
  void savingSelectedRowsWithNoneSelectedIsRefused() {
    QFETCH(int, command);
    const auto [app, frame, view, path] = StartWithList();
    QCOMPARE(frame->ListPath(), QStringToPath(path));
    view->clearSelection();
    CUiPrompts::Reset();
    frame->Action(command)->trigger();
    QCOMPARE(gt::ReadFile(path), ThreeRows());
    QCOMPARE(CUiPrompts::Records().size(), size_t(1));  // no file dialog
    const auto boxes = gt::MessageBoxes();
    QCOMPARE(boxes.size(), size_t(1));
    QCOMPARE(boxes[0].text, U("保存する行が選択されていません。"));
    QCOMPARE(boxes[0].caption, U("Moravquell"));
    QCOMPARE(boxes[0].owner, frame);
  }

  // Save As through the real dialog: an existing file is replaced only
  // after a yes; a new name is not asked about.
  void saveAsAsksBeforeReplacingAFile_data() {
    QTest::addColumn<bool>("exists");
    QTest::addColumn<int>("answer");
    QTest::newRow("existing, yes") << true << int(QMessageBox::Yes);
    QTest::newRow("existing, no") << true << int(QMessageBox::No);
    QTest::newRow("new name") << false << int(QMessageBox::Yes);
  }
  void saveAsAsksBeforeReplacingAFile() {
    QFETCH(bool, exists);
    QFETCH(int, answer);
    auto app = gt::StartApp();
    CMainFrame* frame = gt::Frame(*app);
    gt::View(*app)->AddConvertItem(0, "a", "b");
    const QString dir = gt::NewDir();
    const QString target = dir + U("/out.csv");
    if (exists) gt::WriteFile(dir, U("out.csv"), "old\r\n");
    CFileDialog::SetRealDialogInTestMode(true);
    bool stayedOpen = false;
    CUiPrompts::PushMessageAnswer(static_cast<QMessageBox::StandardButton>(answer));
    CUiPrompts::PushModalHandler([&](QDialog& d) {
      auto& f = static_cast<CFileDialog&>(d);
      f.SetFolder(QStringToPath(dir));
      f.NameEdit()->setText(U("out.csv"));
      f.OkButton()->click();
      stayedOpen = f.isVisible();
      return f.result();
    });
    frame->Action(ID_SAVE_LIST_AS)->trigger();
    CFileDialog::SetRealDialogInTestMode(false);

    const bool written = !exists || answer == QMessageBox::Yes;
    QCOMPARE(gt::ReadFile(target), std::string(written ? "\"a\",\"b\"\r\n" : "old\r\n"));
    QCOMPARE(stayedOpen, !written);
    QCOMPARE(Title(frame), written ? U("Moravquell - out.csv") : U("Moravquell*"));
    const auto boxes = gt::MessageBoxes();
    QCOMPARE(boxes.size(), size_t(exists ? 1 : 0));
    if (exists) {
      QCOMPARE(boxes[0].text, target + U(" は既に存在します。\n上書きしますか?"));
      QCOMPARE(boxes[0].buttons, QMessageBox::Yes | QMessageBox::No);
    }
  }

  void failedSaveIsReportedAndChangesNothing() {
    auto app = gt::StartApp();
    CMainFrame* frame = gt::Frame(*app);
    gt::View(*app)->AddConvertItem(0, "a", "b");
    const QString dir = gt::NewDir();
    const QString target = gt::WriteFile(dir, U("ro.csv"), "keep\r\n");
    // Root ignores permission bits: refuse the write through the file layer.
    zv::SetFileFaultHook([](zv::FileOp op, const std::string&) {
      return op == zv::FileOp::Open || op == zv::FileOp::Write ? EACCES : 0;
    });
    CUiPrompts::PushPathAnswer(target);
    frame->Action(ID_SAVE_LIST_AS)->trigger();
    zv::SetFileFaultHook(nullptr);

    QCOMPARE(gt::ReadFile(target), std::string("keep\r\n"));
    QCOMPARE(Title(frame), U("Moravquell*"));
    QVERIFY(frame->ListPath().empty());
    const auto boxes = gt::MessageBoxes();
    QCOMPARE(boxes.size(), size_t(1));
    QCOMPARE(boxes[0].caption, U("Zentravolix"));
    QVERIFY2(boxes[0].text.endsWith(U(": ﾌｧｲﾙｱｸｾｽ禁止です")), qPrintable(boxes[0].text));
    QCOMPARE(boxes[0].icon, QMessageBox::Critical);
  }

  void listInTheOtherCodePageIsConvertedAndSaidSo() {
    auto app = gt::StartApp();
    CMainFrame* frame = gt::Frame(*app);
    // "日本","語" in CP932 while the session is UTF-8.
    const QString path = gt::WriteFile(gt::NewDir(), U("sjis.csv"), "\"\x93\xfa\x96\x7b\",\"\x8c\xea\"\r\n");
    CUiPrompts::PushPathAnswer(path);
    frame->Action(ID_OPEN_LIST)->trigger();
    QCOMPARE(gt::View(*app)->RowCount(), 1);
    QCOMPARE(gt::View(*app)->ItemAt(0)->m_strFind, std::string("日本"));
    QVERIFY2(frame->MessageText().contains(U("CP932")), qPrintable(frame->MessageText()));
  }

  // The keys a desktop user expects reach their commands from the list.
  void keysReachTheirCommands_data() {
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<int>("command");
    QTest::newRow("Ctrl+N") << QKeySequence(Qt::CTRL | Qt::Key_N) << int(ID_NEW_LIST);
    QTest::newRow("Ctrl+O") << QKeySequence(Qt::CTRL | Qt::Key_O) << int(ID_OPEN_LIST);
    QTest::newRow("Ctrl+S") << QKeySequence(Qt::CTRL | Qt::Key_S) << int(ID_SAVE_LIST);
    QTest::newRow("Ctrl+Shift+S") << QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S) << int(ID_SAVE_LIST_AS);
    QTest::newRow("Ctrl+A") << QKeySequence(Qt::CTRL | Qt::Key_A) << int(ID_SELECT_ALL);
    QTest::newRow("Delete") << QKeySequence(Qt::Key_Delete) << int(ID_ITEM_DELETE);
    QTest::newRow("Alt+Up") << QKeySequence(Qt::ALT | Qt::Key_Up) << int(ID_MOVE_UP);
    QTest::newRow("Alt+Down") << QKeySequence(Qt::ALT | Qt::Key_Down) << int(ID_MOVE_DOWN);
    QTest::newRow("F1") << QKeySequence(Qt::Key_F1) << int(ID_HELP_CONTENTS);
  }
  void keysReachTheirCommands() {
    QFETCH(QKeySequence, keys);
    QFETCH(int, command);
    const auto [app, frame, view, path] = StartWithList();
    QCOMPARE(view->RowCount(), 3);
    view->clearSelection();
    view->SetRowSelected(1, true);  // every command is enabled
    CMainFrame::SetHelpFoldersForTesting(QStringList{gt::NewDir()});
    frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame));
    view->setFocus();

    std::map<int, std::unique_ptr<QSignalSpy>> spies;
    for (int id : kAllCommands)
      spies[id] = std::make_unique<QSignalSpy>(frame->Action(id), &QAction::triggered);
    QTest::keySequence(view, keys);
    for (const auto& [id, spy] : spies)
      QVERIFY2(spy->count() == (id == command ? 1 : 0), qPrintable(QString::number(id)));
  }

  // Enter and a double-click edit a row through the edit command.
  void enterOrDoubleClickEditsTheRow_data() {
    QTest::addColumn<QString>("input");
    QTest::newRow("Enter") << U("Enter");
    QTest::newRow("keypad Enter") << U("keypad");
    QTest::newRow("double-click") << U("double");
  }
  void enterOrDoubleClickEditsTheRow() {
    QFETCH(QString, input);
    auto app = gt::StartApp();
    CMainFrame* frame = gt::Frame(*app);
    CZentravolixView* view = gt::View(*app);
    for (const char* f : {"a", "b", "c"}) view->AddConvertItem(view->RowCount(), f, "1");
    const auto center = [view](int row) { return view->visualRect(view->model()->index(row, 0)).center(); };
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, center(0));
    std::string edited;
    CUiPrompts::PushModalHandler([&](QDialog& d) {
      auto& dlg = static_cast<CDlgItemEdit&>(d);
      edited = dlg.m_strSearch;
      dlg.ReplaceEdit()->setText(U("2"));
      dlg.OkButton()->click();
      return dlg.result();
    });
    QSignalSpy spy(frame->Action(ID_ITEM_EDIT), &QAction::triggered);
    int row = 0;
    if (input == U("double")) {
      row = 2;  // not the selected row 0: the one double-clicked
      QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, center(row));
    } else {
      view->setFocus();
      QTest::keyClick(view, input == U("Enter") ? Qt::Key_Return : Qt::Key_Enter,
                      input == U("Enter") ? Qt::NoModifier : Qt::KeypadModifier);
    }
    QCOMPARE(spy.count(), 1);
    QCOMPARE(edited, view->ItemAt(row)->m_strFind);
    for (int r = 0; r < 3; ++r)
      QCOMPARE(view->ItemAt(r)->m_strReplaceWith, std::string(r == row ? "2" : "1"));
  }

  // The list's context menu: the editing commands under their rules, from
  // the pointer or the keyboard, and what is chosen in it runs.
  void contextMenuHoldsTheEditingCommands_data() {
    QTest::addColumn<bool>("keyboard");
    QTest::newRow("right-click") << false;
    QTest::newRow("menu key") << true;
  }
  void contextMenuHoldsTheEditingCommands() {
    QFETCH(bool, keyboard);
    auto app = gt::StartApp();
    CMainFrame* frame = gt::Frame(*app);
    CZentravolixView* view = gt::View(*app);
    for (const char* f : {"a", "b", "c"}) view->AddConvertItem(view->RowCount(), f, "1");
    const QPoint at = view->visualRect(view->model()->index(2, 0)).center();
    if (keyboard) {
      QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
      QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(), view->mapToGlobal(QPoint()));
      QApplication::sendEvent(view->viewport(), &event);
    } else {
      // The right button selects the row it presses, as item views do.
      QTest::mousePress(view->viewport(), Qt::RightButton, Qt::NoModifier, at);
      QTest::mouseRelease(view->viewport(), Qt::RightButton, Qt::NoModifier, at);
      QContextMenuEvent event(QContextMenuEvent::Mouse, at, view->viewport()->mapToGlobal(at));
      QApplication::sendEvent(view->viewport(), &event);
    }
    QMenu* menu = frame->ContextMenu();
    QVERIFY(menu->isVisible());
    QStringList items;
    for (QAction* a : menu->actions()) {
      items << (a->isSeparator() ? U("-") : a->text() + (a->isEnabled() ? QString() : U(" (off)")));
    }
    QCOMPARE(items,
             (QStringList{U("項目を追加(&A)..."), U("項目を編集(&E)..."), U("選択した項目を削除(&D)..."),
                          U("-"), U("上へ移動(&U)"), U("下へ移動(&N) (off)"), U("-"), U("全て選択(&S)"),
                          U("選択を反転(&R)"), U("-"), U("ﾘｽﾄをｸﾘｱする(&D)...")}));
    menu->actions().at(4)->trigger();
    menu->close();
    QCOMPARE(view->topLevelItem(1)->text(0), U("c"));
  }

  // The title shows unsaved changes the Qt way; any change of the rows or
  // their order marks it, opening or saving the whole list clears it, and
  // an empty list has nothing to lose.
  void titleMarksUnsavedChanges_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("marked");
    for (const char* change : {"add", "edit", "delete", "sort", "move"})
      QTest::newRow(change) << U(change) << true;
    QTest::newRow("edit, nothing changed") << U("same") << false;
    QTest::newRow("select") << U("select") << false;
    QTest::newRow("clear") << U("clear") << false;
  }
  void titleMarksUnsavedChanges() {
    QFETCH(QString, change);
    QFETCH(bool, marked);
    const auto [app, frame, view, path] = StartWithList();
    QCOMPARE(Title(frame), U("Moravquell - list.csv"));
    view->clearSelection();
    view->SetRowSelected(2, true);
    const auto editTo = [](const char* replace) {
      CUiPrompts::PushModalHandler([replace](QDialog& d) {
        auto& dlg = static_cast<CDlgItemEdit&>(d);
        dlg.ReplaceEdit()->setText(U(replace));
        dlg.OkButton()->click();
        return dlg.result();
      });
    };
    if (change == U("add")) view->AddConvertItem(3, "n", "m");
    if (change == U("edit")) editTo("changed");
    if (change == U("same")) editTo("v");
    if (change == U("edit") || change == U("same")) frame->Action(ID_ITEM_EDIT)->trigger();
    if (change == U("delete")) frame->Action(ID_ITEM_DELETE)->trigger();
    if (change == U("sort")) view->OnColumnClick(0);
    if (change == U("move")) frame->Action(ID_MOVE_UP)->trigger();
    if (change == U("select")) frame->Action(ID_SELECT_ALL)->trigger();
    if (change == U("clear")) frame->Action(ID_LIST_CLEAR)->trigger();
    QCOMPARE(frame->IsModified(), marked);
    QCOMPARE(Title(frame), marked ? U("Moravquell - list.csv*") : U("Moravquell - list.csv"));
    if (!marked) return;
    frame->Action(ID_SAVE_LIST)->trigger();
    QCOMPARE(Title(frame), U("Moravquell - list.csv"));
    QVERIFY(!frame->IsModified());
  }

  // Closing, 終了, a new list, opening another, a recent file or a dropped
  // list ask first when the list is unsaved: 保存する saves and goes on,
  // 保存しない goes on, キャンセル stays.
  void unsavedChangesAreAskedAbout_data() {
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<int>("answer");
    for (const char* trigger : {"close", "exit", "new", "open", "recent", "drop"}) {
      for (auto answer : {QMessageBox::Save, QMessageBox::Discard, QMessageBox::Cancel}) {
        const char* name = answer == QMessageBox::Save      ? "save"
                           : answer == QMessageBox::Discard ? "discard"
                                                            : "cancel";
        QTest::addRow("%s, %s", trigger, name) << U(trigger) << int(answer);
      }
    }
  }
  void unsavedChangesAreAskedAbout() {
    QFETCH(QString, trigger);
    QFETCH(int, answer);
    auto app = gt::StartApp();
    QPointer<CMainFrame> frame = gt::Frame(*app);
    CZentravolixView* view = gt::View(*app);
    const QString dir = gt::NewDir();
    const QString other = gt::WriteFile(dir, U("other.csv"), "\"o\",\"p\"\r\n");
    const QString path = gt::WriteFile(dir, U("list.csv"), ThreeRows());
    QVERIFY(frame->OpenListFile(QStringToPath(other)));  // the second recent file
    QVERIFY(frame->OpenListFile(QStringToPath(path)));
    view->AddConvertItem(3, "new", "row");
    QCOMPARE(Title(frame), U("Moravquell - list.csv*"));

    CUiPrompts::Reset();
    CUiPrompts::PushMessageAnswer(static_cast<QMessageBox::StandardButton>(answer));
    if (trigger == U("open")) CUiPrompts::PushPathAnswer(other);
    if (trigger == U("close")) frame->close();
    if (trigger == U("exit")) frame->Action(ID_APP_EXIT)->trigger();
    if (trigger == U("new")) frame->Action(ID_NEW_LIST)->trigger();
    if (trigger == U("open")) frame->Action(ID_OPEN_LIST)->trigger();
    if (trigger == U("recent")) frame->RecentActions().at(1)->trigger();
    if (trigger == U("drop")) QVERIFY(Drop(frame, QStringToPath(other)));

    const auto boxes = gt::MessageBoxes();
    QCOMPARE(boxes.size(), size_t(1));
    QCOMPARE(boxes[0].text, U("list.csv への変更を保存しますか?"));
    QCOMPARE(boxes[0].caption, U("Moravquell"));
    QCOMPARE(boxes[0].buttons, QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    QCOMPARE(boxes[0].owner, frame.data());
    const std::string saved = ThreeRows() + "\"new\",\"row\"\r\n";
    QCOMPARE(gt::ReadFile(path), answer == QMessageBox::Save ? saved : ThreeRows());
    if (answer == QMessageBox::Cancel) {
      QVERIFY(frame->isVisible());
      QCOMPARE(view->RowCount(), 4);
      QCOMPARE(Title(frame), U("Moravquell - list.csv*"));
    } else if (trigger == U("close") || trigger == U("exit")) {
      QTRY_VERIFY(frame.isNull());
    } else if (trigger == U("new")) {
      QCOMPARE(view->RowCount(), 0);
      QCOMPARE(Title(frame), U("Moravquell"));
      QVERIFY(frame->ListPath().empty());
    } else {
      QCOMPARE(view->RowCount(), 1);
      QCOMPARE(Title(frame), U("Moravquell - other.csv"));
    }
  }

  // A saved list, or one without rows, is left without a question; a save
  // the user cancels keeps the window open.
  void nothingToLoseAsksNothing() {
    auto app = gt::StartApp();
    QPointer<CMainFrame> frame = gt::Frame(*app);
    gt::View(*app)->AddConvertItem(0, "a", "b");
    // 保存する, then the save dialog cancelled: nothing was saved, so stay.
    CUiPrompts::PushMessageAnswer(QMessageBox::Save);
    frame->close();
    QVERIFY(frame->isVisible());
    QCOMPARE(CUiPrompts::Records().back().kind, CUiPrompts::Kind::SaveFile);
    gt::View(*app)->DeleteAllConvertItems();
    CUiPrompts::Reset();
    frame->close();
    QVERIFY(gt::MessageBoxes().empty());
    QTRY_VERIFY(frame.isNull());
  }

  // The window's size and place and the column widths come back in the
  // next session.
  void windowAndColumnsAreRemembered() {
    QRect geometry;
    {
      auto app = gt::StartApp();
      QPointer<CMainFrame> frame = gt::Frame(*app);
      frame->setGeometry(60, 70, 640, 360);
      gt::View(*app)->setColumnWidth(0, 120);
      gt::View(*app)->setColumnWidth(1, 300);
      geometry = frame->geometry();
      frame->close();
      QTRY_VERIFY(frame.isNull());
    }
    auto app = gt::StartApp();
    QCOMPARE(gt::Frame(*app)->geometry(), geometry);
    QCOMPARE(gt::View(*app)->columnWidth(0), 120);
    QCOMPARE(gt::View(*app)->columnWidth(1), 300);
  }

  // Without a current file, each window's file dialog starts in the folder
  // last chosen from it, in this session or the next; a folder that has
  // gone is not offered.
  void fileDialogsStartInTheirLastFolder() {
    const QString lists = gt::NewDir();
    const QString texts = gt::NewDir();
    const QString list = gt::WriteFile(lists, U("list.csv"), ThreeRows());
    {
      auto app = gt::StartApp();
      CUiPrompts::PushPathAnswer(list);
      gt::Frame(*app)->Action(ID_OPEN_LIST)->trigger();
      CDlgTextConvert dlg(gt::View(*app), gt::Frame(*app));
      CUiPrompts::PushPathAnswer(gt::WriteFile(texts, U("a.txt"), "x"));
      dlg.OnOpenFile();
    }
    auto app = gt::StartApp();
    CUiPrompts::Reset();
    gt::Frame(*app)->Action(ID_OPEN_LIST)->trigger();
    CDlgTextConvert dlg(gt::View(*app), gt::Frame(*app));
    dlg.OnOpenFile();
    const auto& records = CUiPrompts::Records();
    QCOMPARE(records.size(), size_t(2));
    QCOMPARE(PathToQString(records[0].file.initialPath), lists + U("/"));
    QCOMPARE(PathToQString(records[1].file.initialPath), texts + U("/"));

    QVERIFY(QDir(texts).removeRecursively());
    CUiPrompts::Reset();
    dlg.OnOpenFile();
    QVERIFY(CUiPrompts::Records().at(0).file.initialPath.empty());
  }

  // The recent-file list: newest first, a file only once, four at most.
  void recentFileListKeepsTheFourNewest_data() {
    QTest::addColumn<QStringList>("added");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("newest first") << QStringList{U("a"), U("b")} << QStringList{U("b"), U("a")};
    QTest::newRow("again moves to the top")
        << QStringList{U("a"), U("b"), U("c"), U("a")} << QStringList{U("a"), U("c"), U("b")};
    QTest::newRow("four at most") << QStringList{U("a"), U("b"), U("c"), U("d"), U("e")}
                                  << QStringList{U("e"), U("d"), U("c"), U("b")};
  }
  void recentFileListKeepsTheFourNewest() {
    QFETCH(QStringList, added);
    QFETCH(QStringList, expected);
    {
      CRecentFileList list;
      for (const QString& name : added) list.Add("/lists/" + QStringToPath(name) + ".csv");
    }
    // As the next session reads it.
    const CRecentFileList next;
    QStringList entries;
    for (const std::string& path : next.Entries()) entries << PathToQString(path);
    for (QString& name : expected) name = U("/lists/") + name + U(".csv");
    QCOMPARE(entries, expected);
  }

  // The ﾌｧｲﾙ menu shows the recent files; one opens as ﾌｧｲﾙを開く opens it,
  // one that has gone is dropped with a message. Legacy names come back by
  // their bytes.
  void recentFilesOpenFromTheFileMenu() {
    const std::string dir = QStringToPath(gt::NewDir()) + "/";
    const std::string legacy =
        dir + *zv::ConvertCodePage("旧リスト.csv", zv::CodePage::Utf8, zv::CodePage::Cp932);
    const std::string gone = dir + "gone.csv";
    QVERIFY(zv::WriteFileAtomic(legacy, ThreeRows()));
    QVERIFY(zv::WriteFileAtomic(gone, "\"g\",\"h\"\r\n"));
    {
      auto app = gt::StartApp();
      QVERIFY(gt::Frame(*app)->OpenListFile(legacy));
      QVERIFY(gt::Frame(*app)->OpenListFile(gone));
    }
    QVERIFY(::unlink(gone.c_str()) == 0);
    auto app = gt::StartApp();
    CMainFrame* frame = gt::Frame(*app);
    const auto& actions = frame->RecentActions();
    QVERIFY(actions[0]->isVisible() && actions[1]->isVisible() && !actions[2]->isVisible());
    QCOMPARE(actions[0]->text(), U("&1 ") + PathToQString(gone));
    QCOMPARE(actions[1]->text(), U("&2 ") + PathToQString(legacy));

    actions[0]->trigger();
    const auto boxes = gt::MessageBoxes();
    QCOMPARE(boxes.size(), size_t(1));
    QCOMPARE(boxes[0].text,
             PathToQString(gone) + U("\nファイルが見つかりません。最近使ったﾌｧｲﾙの一覧から削除しました。"));
    QCOMPARE(frame->RecentFiles().Entries(), std::vector<std::string>{legacy});
    QCOMPARE(actions[0]->text(), U("&1 ") + PathToQString(legacy));
    QVERIFY(!actions[1]->isVisible());
    QCOMPARE(Title(frame), U("Moravquell"));

    actions[0]->trigger();
    QCOMPARE(frame->ListPath(), legacy);
    QCOMPARE(gt::View(*app)->RowCount(), 3);
  }

  void helpShowsThePageAtItsIndex() {
    auto app = gt::StartApp();
    CMainFrame* frame = gt::Frame(*app);
    const QString empty = gt::NewDir();
    CMainFrame::SetHelpFoldersForTesting(QStringList{empty});
    frame->Action(ID_HELP_CONTENTS)->trigger();
    QVERIFY(frame->HelpWindow() == nullptr);  // no page: nothing, silently
    QVERIFY(CUiPrompts::Records().empty());

    // The first folder that holds the page wins.
    const QString second = gt::NewDir();
    QVERIFY(QFile::copy(U(ZV_SOURCE_HELP_PAGE), second + U("/Zentravolix.html")));
    CMainFrame::SetHelpFoldersForTesting(QStringList{empty, second});
    frame->Action(ID_HELP_CONTENTS)->trigger();
    CHelpWindow* help = frame->HelpWindow();
    QVERIFY(help);
    QVERIFY(help->isVisible());
    QCOMPARE(help->Browser()->source().toLocalFile(), second + U("/Zentravolix.html"));
    QCOMPARE(help->Browser()->source().fragment(), U("index"));
    // The page we ship names every command and the command-line program.
    const QString page = help->Browser()->toPlainText();
    for (const char* word :
         {"ﾌｧｲﾙ名置換実行", "ﾃｷｽﾄ置換実行", "ﾌｫﾙﾀﾞを指定してﾃｷｽﾄ置換", "zentravolix-cli",
          "--remove-line-breaks", "--binary-ext", "ZentravolixExpList", "Zentravolix.ini"}) {
      QVERIFY2(page.contains(U(word)), word);
    }
    frame->close();
    QTRY_VERIFY(frame->HelpWindow() == nullptr || !frame->HelpWindow()->isVisible());
  }

  void aboutBox() {
    auto app = gt::StartApp();
    CMainFrame* frame = gt::Frame(*app);
    bool checked = false;
    CUiPrompts::PushModalHandler([&](QDialog& dlg) {
      checked = true;
      [&] {
        QCOMPARE(dlg.windowTitle(), U("Zentravolixのﾊﾞｰｼﾞｮﾝ情報"));
        QStringList texts;
        for (QLabel* label : dlg.findChildren<QLabel*>()) {
          if (!label->text().isEmpty()) texts << label->text();
        }
        QVERIFY(texts.contains(U("Zentravolix Version 1.0.1")));
        QVERIFY(
            std::any_of(texts.begin(), texts.end(), [](const QString& t) { return t.contains(U("2006")); }));
        auto* icon = dlg.findChild<QLabel*>(U("icon127"));
        QVERIFY(icon && !icon->pixmap().isNull());
        QCOMPARE(icon->pixmap().size(), QSize(32, 32));
        auto buttons = dlg.findChildren<QPushButton*>();
        QCOMPARE(buttons.size(), 1);
        QCOMPARE(buttons[0]->text(), U("OK"));
        QVERIFY(buttons[0]->isDefault());
      }();
      QTest::keyClick(&dlg, Qt::Key_Escape);
      return dlg.result();
    });
    frame->Action(ID_APP_ABOUT)->trigger();
    QVERIFY(checked);
    QCOMPARE(CUiPrompts::Records().front().dialogClass, U("CAboutDlg"));

    // OK closes it too.
    CUiPrompts::PushModalHandler([](QDialog& dlg) {
      dlg.findChild<QPushButton*>()->click();
      return dlg.result();
    });
    CAboutDlg dlg;
    QCOMPARE(CUiPrompts::DoModal(dlg), int(QDialog::Accepted));
  }

  // In both sessions, a UTF-8 name and a legacy CP932 name: the open and
  // save dialogs list the name readably and reach the file by its own bytes;
  // the title shows it; the command line names it by its bytes.
  void listFilesAreReachedByTheirOwnBytes_data() {
    QTest::addColumn<int>("cp");
    QTest::newRow("932") << static_cast<int>(zv::CodePage::Cp932);
    QTest::newRow("65001") << static_cast<int>(zv::CodePage::Utf8);
  }
  void listFilesAreReachedByTheirOwnBytes() {
    QFETCH(int, cp);
    zv::SetActiveCodePage(static_cast<zv::CodePage>(cp));
    const std::string dir = QStringToPath(gt::NewDir()) + "/";
    const std::string legacy = *zv::ConvertCodePage("旧リスト.csv", zv::CodePage::Utf8, zv::CodePage::Cp932);
    CFileDialog::SetRealDialogInTestMode(true);
    std::size_t files = 0;
    for (const std::string& name : {std::string("変換リスト.csv"), legacy}) {
      const std::string path = dir + name;
      ++files;
      CUiPrompts::Reset();
      QVERIFY(zv::WriteFileAtomic(path, ThreeRows()));
      auto app = gt::StartApp();
      CMainFrame* frame = gt::Frame(*app);
      QStringList listed;
      CUiPrompts::PushModalHandler([&](QDialog& d) {
        auto& f = static_cast<CFileDialog&>(d);
        f.SetFolder(dir);
        for (int i = 0; i < f.List()->count(); ++i) listed << f.List()->item(i)->text();
        f.List()->setCurrentItem(f.List()->findItems(PathToQString(name), Qt::MatchExactly).value(0));
        f.OkButton()->click();
        return f.result();
      });
      frame->Action(ID_OPEN_LIST)->trigger();
      QVERIFY(listed.contains(PathToQString(name)));
      QCOMPARE(frame->ListPath(), path);
      QCOMPARE(Title(frame), U("Moravquell - ") + PathToQString(name));
      QCOMPARE(gt::View(*app)->RowCount(), 3);

      // Saved over, and saved as the same name typed in the save dialog.
      gt::View(*app)->AddConvertItem(3, "k2", "v2");
      frame->Action(ID_SAVE_LIST)->trigger();
      QCOMPARE(gt::ReadFile(PathToQString(path)).size(), ThreeRows().size() + 11);
      CUiPrompts::PushModalHandler([&](QDialog& d) {
        auto& f = static_cast<CFileDialog&>(d);
        f.NameEdit()->setText(PathToQString(name));
        f.OkButton()->click();
        return f.result();
      });
      gt::View(*app)->AddConvertItem(4, "k3", "v3");
      frame->Action(ID_SAVE_LIST_AS)->trigger();
      QCOMPARE(frame->ListPath(), path);
      QCOMPARE(zv::ListDirectory(dir, "*.*").entries.size(), files);  // nothing under another name
      // The question before replacing names the file readably.
      const auto boxes = gt::MessageBoxes();
      QCOMPARE(boxes.size(), size_t(1));
      QCOMPARE(boxes[0].text, PathToQString(path) + U(" は既に存在します。\n上書きしますか?"));

      auto byArgument = std::make_unique<CZentravolixApp>();
      QVERIFY(byArgument->InitInstance(std::vector<std::string>{"zentravolix", path}));
      QCOMPARE(byArgument->MainFrame()->ListPath(), path);
      QCOMPARE(byArgument->MainFrame()->GetConvertView()->RowCount(), 5);
    }
    CFileDialog::SetRealDialogInTestMode(false);
  }

  // The list-file argument (as "open with" gives it) and a list dropped on
  // the window open as ﾌｧｲﾙを開く opens them, messages included; a relative
  // argument is kept absolute, a legacy name by its bytes, and a dropped
  // file that is no .csv is refused.
  void listFileArgumentAndDropOpenTheList_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("name");
    QTest::newRow("argument") << U("argument") << U("list.csv");
    QTest::newRow("relative argument") << U("relative") << U("list.csv");
    QTest::newRow("drop") << U("drop") << U("list.csv");
    QTest::newRow("drop, upper case") << U("drop") << U("LIST.CSV");
    QTest::newRow("drop, legacy name") << U("drop") << U("legacy");
    QTest::newRow("drop, no list") << U("drop") << U("notes.txt");
  }
  void listFileArgumentAndDropOpenTheList() {
    QFETCH(QString, how);
    QFETCH(QString, name);
    const std::string dir = QStringToPath(gt::NewDir()) + "/";
    const std::string file =
        name == U("legacy") ? *zv::ConvertCodePage("旧リスト.csv", zv::CodePage::Utf8, zv::CodePage::Cp932)
                            : QStringToPath(name);
    // "日本","語" in CP932 while the session is UTF-8: the status bar says so.
    QVERIFY(zv::WriteFileAtomic(dir + file, "\"\x93\xfa\x96\x7b\",\"\x8c\xea\"\r\n"));
    std::unique_ptr<CZentravolixApp> app;
    if (how == U("drop")) {
      app = gt::StartApp();
      const bool taken = Drop(gt::Frame(*app), dir + file);
      QCOMPARE(taken, name != U("notes.txt"));
      if (!taken) {
        QVERIFY(gt::Frame(*app)->ListPath().empty());
        return;
      }
    } else {
      app = std::make_unique<CZentravolixApp>();
      const std::string cwd = std::filesystem::current_path().string();
      if (how == U("relative")) std::filesystem::current_path(dir);
      const bool started = app->InitInstance(
          std::vector<std::string>{"zentravolix", how == U("relative") ? file : dir + file});
      std::filesystem::current_path(cwd);
      QVERIFY(started);
    }
    CMainFrame* frame = gt::Frame(*app);
    QCOMPARE(frame->ListPath(), dir + file);
    QCOMPARE(Title(frame), U("Moravquell - ") + PathToQString(file));
    QCOMPARE(gt::View(*app)->RowCount(), 1);
    QCOMPARE(gt::View(*app)->ItemAt(0)->m_strFind, std::string("日本"));
    QVERIFY2(frame->MessageText().contains(U("CP932")), qPrintable(frame->MessageText()));
    QCOMPARE(frame->RecentFiles().Entries().front(), dir + file);
    QVERIFY(!frame->IsModified());
  }

  // Qt's own buttons and menus are Japanese, as is our unsaved-changes box.
  void qtsOwnTextsAreJapanese() {
    auto app = gt::StartApp();
    QMessageBox box(QMessageBox::Question, U("t"), U("t"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Close);
    QCOMPARE(box.button(QMessageBox::Yes)->text(), U("はい(&Y)"));
    QCOMPARE(box.button(QMessageBox::No)->text(), U("いいえ(&N)"));
    QCOMPARE(box.button(QMessageBox::Close)->text(), U("閉じる"));
    QLineEdit edit;
    std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList items;
    for (QAction* a : menu->actions()) items << a->text().section(u'\t', 0, 0);
    QCOMPARE(items,
             (QStringList{U("元に戻す(&U)"), U("やり直す(&R)"), QString(), U("切り取り(&T)"), U("コピー(&C)"),
                          U("貼り付け(&P)"), U("削除"), QString(), U("すべてを選択")}));

    const auto ask = CUiPrompts::MakeMessageBox(
        gt::Frame(*app), CUiPrompts::SaveChangesText({}), U("Moravquell"),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Warning);
    QCOMPARE(ask->text(), U("無題 への変更を保存しますか?"));
    QCOMPARE(ask->button(QMessageBox::Save)->text(), U("保存する(&S)"));
    QCOMPARE(ask->button(QMessageBox::Discard)->text(), U("保存しない(&N)"));
    QCOMPARE(ask->button(QMessageBox::Cancel)->text(), U("キャンセル"));
    QCOMPARE(ask->defaultButton(), ask->button(QMessageBox::Save));
  }

  void commandLineFileThatCannotBeOpenedEndsTheProgram() {
    const QString missing = gt::NewDir() + U("/missing.csv");
    auto app = std::make_unique<CZentravolixApp>();
    QVERIFY(!app->InitInstance({U("zentravolix"), missing}));
    QVERIFY(app->MainFrame() == nullptr);
    auto boxes = gt::MessageBoxes();
    QCOMPARE(boxes.size(), size_t(1));
    QCOMPARE(boxes[0].caption, U("Zentravolix"));
    QVERIFY(boxes[0].text.contains(missing));

    CUiPrompts::Reset();
    QVERIFY(!app->InitInstance({U("zentravolix"), gt::NewDir()}));  // a folder is no document
    QCOMPARE(gt::MessageBoxes().size(), size_t(1));
  }
};

QTEST_MAIN(MainFrameTest)
#include "MainFrameTest.moc"
