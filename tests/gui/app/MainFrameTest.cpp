// The main window: start-up state, menu 130, tool bar, status bar, the title
// rule, the list file commands, help, the about box and the command line.

#include <QAction>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <QToolBar>
#include <QToolButton>
#include <cerrno>
#include <set>

#include "GuiTestSupport.h"
#include "app/AboutDlg.h"
#include "app/CommandIds.h"
#include "app/FileDialog.h"
#include "app/HelpWindow.h"
#include "app/MainFrame.h"
#include "app/QStringBytes.h"
#include "app/ZentravolixApp.h"
#include "list/ZentravolixView.h"
#include "platform/CodePage.h"
#include "platform/File.h"

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
                                    ID_APP_EXIT};

std::set<int> EnabledCommands(CMainFrame* frame) {
  std::set<int> on;
  for (int id : kAllCommands) {
    if (frame->Action(id)->isEnabled()) on.insert(id);
  }
  return on;
}

// Three pairs as a CP932 or UTF-8 list, whichever the session uses.
std::string ThreeRows() { return gt::B("\"abc\",\"xyz\"\r\n\"日本\",\"語\"\r\n\"k\",\"v\"\r\n"); }

}  // namespace

class MainFrameTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    gt::InitGuiTests();
    zv::SetActiveCodePage(zv::CodePage::Utf8);
  }
  void init() { CUiPrompts::Reset(); }
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
    QCOMPARE(frame->windowTitle(), U("Moravquell"));
    QCOMPARE(frame->MessageText(), U("ﾚﾃﾞｨ"));
    QVERIFY(frame->ListPath().empty());
    QCOMPARE(gt::View(*app)->RowCount(), 0);

    const std::set<int> expected = {ID_OPEN_LIST,
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
      for (QAction* a : top->menu()->actions()) lines << (a->isSeparator() ? U("-") : U("  ") + a->text());
    }
    const QStringList expected = {
        U("ﾌｧｲﾙ(&F)"),
        U("  ﾘｽﾄﾌｧｲﾙ(.csv)を開く(&O)..."),
        U("-"),
        U("  ﾘｽﾄを上書き保存(&S)"),
        U("  選択した行だけを上書き保存(&C)"),
        U("  名前を付けてﾘｽﾄを保存(&A)..."),
        U("  選択した行だけを名前を付けて保存(&E)..."),
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
    // Each item carries its command id; nothing has a keyboard shortcut.
    for (QAction* top : frame->menuBar()->actions()) {
      for (QAction* a : top->menu()->actions()) {
        if (a->isSeparator()) continue;
        QVERIFY(kAllCommands.count(a->data().toInt()));
        QVERIFY(a->shortcuts().isEmpty());
      }
    }
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
    };
    std::set<int> withPrompt;
    for (const Expect& e : expected) {
      QCOMPARE(frame->Action(e.id)->statusTip(), U(e.prompt));
      QCOMPARE(frame->Action(e.id)->toolTip(), U(e.tip));
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
    const std::set<int> expected = {ID_OPEN_LIST,
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

    QCOMPARE(frame->windowTitle(), U("Moravquell - list.csv"));
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
    QCOMPARE(frame->windowTitle(), U("Moravquell - list.csv"));
    QCOMPARE(view->RowCount(), 3);
  }

  void openOfNothingChangesNothing() {
    auto app = gt::StartApp();
    CMainFrame* frame = gt::Frame(*app);
    gt::View(*app)->AddConvertItem(0, "keep", "me");
    CUiPrompts::PushPathAnswer(gt::NewDir() + U("/missing.csv"));
    frame->Action(ID_OPEN_LIST)->trigger();
    QCOMPARE(frame->windowTitle(), U("Moravquell"));
    QVERIFY(frame->ListPath().empty());
    QCOMPARE(gt::View(*app)->RowCount(), 1);
    QVERIFY(gt::MessageBoxes().empty());
  }

  void openOfFileWithoutUsableLineStillBecomesCurrent() {
    auto app = gt::StartApp();
    CMainFrame* frame = gt::Frame(*app);
    gt::View(*app)->AddConvertItem(0, "old", "row");
    const QString path = gt::WriteFile(gt::NewDir(), U("empty.csv"), "no comma here\r\n,x\r\n");
    CUiPrompts::PushPathAnswer(path);
    frame->Action(ID_OPEN_LIST)->trigger();
    QCOMPARE(frame->windowTitle(), U("Moravquell - empty.csv"));
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
    QCOMPARE(frame->windowTitle(), U("Moravquell - list.csv"));

    // Selected rows only, with nothing selected: the file is emptied.
    view->clearSelection();
    frame->Action(ID_SAVE_SELECTED)->trigger();
    QCOMPARE(gt::ReadFile(path), std::string());
    QVERIFY(CUiPrompts::Records().size() == 1);  // only the open dialog; no save dialog

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
    QVERIFY(!rec.file.confirmOverwrite);
    QCOMPARE(frame->windowTitle(), U("Moravquell"));  // cancelled

    const QString path = gt::NewDir() + U("/noext");
    CUiPrompts::PushPathAnswer(path);
    frame->OnSaveSelected();
    QCOMPARE(gt::ReadFile(path), std::string("\"a\",\"b\"\r\n\"c\",\"d\"\r\n"));
    QCOMPARE(frame->windowTitle(), U("Moravquell - noext"));
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
    QCOMPARE(frame->windowTitle(), U("Moravquell - out.csv"));
    QCOMPARE(PathToQString(frame->ListPath()), existing);
    QVERIFY(gt::MessageBoxes().empty());  // replaced without a question
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
    QCOMPARE(frame->windowTitle(), U("Moravquell"));
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

  void keyboardShortcutsDoNothing() {
    auto app = gt::StartApp();
    CMainFrame* frame = gt::Frame(*app);
    CZentravolixView* view = gt::View(*app);
    view->AddConvertItem(0, "a", "b");
    view->AddConvertItem(1, "c", "d");
    view->setFocus();
    for (QKeySequence::StandardKey key : {QKeySequence::Open, QKeySequence::Save, QKeySequence::SelectAll,
                                          QKeySequence::New, QKeySequence::HelpContents}) {
      const QKeySequence seq(key);
      if (seq.isEmpty()) continue;
      QTest::keySequence(view, seq);
      QTest::keySequence(frame, seq);
    }
    QVERIFY(CUiPrompts::Records().empty());
    QVERIFY(!view->IsRowSelected(0) && !view->IsRowSelected(1));
    QVERIFY(frame->HelpWindow() == nullptr);
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

  void exitClosesTheWindow() {
    auto app = gt::StartApp();
    QPointer<CMainFrame> frame = gt::Frame(*app);
    gt::View(*app)->AddConvertItem(0, "unsaved", "row");
    frame->Action(ID_APP_EXIT)->trigger();
    // Never a question about the unsaved list.
    QVERIFY(CUiPrompts::Records().empty());
    QTRY_VERIFY(frame.isNull());
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
      QCOMPARE(frame->windowTitle(), U("Moravquell - ") + PathToQString(name));
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
      QVERIFY(gt::MessageBoxes().empty());

      auto byArgument = std::make_unique<CZentravolixApp>();
      QVERIFY(byArgument->InitInstance(std::vector<std::string>{"zentravolix", path}));
    }
    CFileDialog::SetRealDialogInTestMode(false);
  }

  void commandLineFileIsOpenedButNotRead() {
    const QString path = gt::WriteFile(gt::NewDir(), U("list.csv"), ThreeRows());
    auto app = gt::StartApp({U("zentravolix"), path});
    QVERIFY(app);
    QCOMPARE(gt::Frame(*app)->windowTitle(), U("Moravquell"));
    QCOMPARE(gt::View(*app)->RowCount(), 0);
    QVERIFY(gt::Frame(*app)->ListPath().empty());
    QVERIFY(CUiPrompts::Records().empty());
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
