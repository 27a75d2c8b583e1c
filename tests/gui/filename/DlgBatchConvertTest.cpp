// The run dialog without a run: its texts and layout, the folders and
// pattern it loads and saves, how it closes, the progress protocol, the
// folder buttons, the settings button by mode; the file-name settings
// dialog; and the main window's commands that open them.

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

#include "app/QStringBytes.h"
#include "GuiTestSupport.h"
#include "app/ByteLimitedEdit.h"
#include "app/CommandIds.h"
#include "app/MainFrame.h"
#include "app/ZentravolixApp.h"
#include "filename/BitmapButton.h"
#include "filename/DlgBatchConvert.h"
#include "filename/DlgFileNameSetting.h"
#include "folder/FolderTreeDialog.h"
#include "list/ZentravolixView.h"
#include "platform/CodePage.h"
#include "settings/Settings.h"

using gt::U;

namespace {

QString Ini() { return QDir(qEnvironmentVariable("ZENTRAVOLIX_CONFIG_DIR")).filePath(U("Zentravolix.ini")); }

void WriteIni(const std::string& text) { gt::WriteFile(QFileInfo(Ini()).path(), U("Zentravolix.ini"), text); }

// Empty outputs, as the dialog reads them; "<no file>" when nothing was saved.
zv::FilePaths StoredPaths() {
  zv::FilePaths paths;
  if (!zv::LoadConvertFilePaths(paths)) paths.srcDir = "<no file>";
  return paths;
}

QStringList Texts(const QWidget& w) {
  QStringList texts;
  for (const QLabel* l : w.findChildren<QLabel*>()) {
    if (!l->text().isEmpty()) texts << l->text();
  }
  for (const QAbstractButton* b : w.findChildren<QAbstractButton*>()) texts << b->text();
  return texts;
}

}  // namespace

class DlgBatchConvertTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { gt::InitGuiTests(); }
  void init() {
    CUiPrompts::Reset();
    zv::SetActiveCodePage(zv::CodePage::Utf8);
    QFile::remove(Ini());
  }
  void cleanup() { CFolderTreeDialog::SetRealBrowserInTestMode(false); }

  void textsAndLayout() {
    CDlgBatchConvert dlg;
    gt::ShowModal(dlg, [](CDlgBatchConvert&) {});
    QCOMPARE(dlg.windowTitle(), U("ﾌｧｲﾙ名置換"));
    QStringList texts = Texts(dlg);
    texts.sort();
    QStringList expected{U("変換元のﾌｫﾙﾀﾞ(&R)"), U("検索文字（ファイル名絞込み）(&F)："),
                         U("出力先(&D)"),        U("Dir(&1)..."),
                         U("Dir(&2).."),         U("設定(&S)..."),
                         U("プレビュー(&V)..."), U("実行(&C)"),          U("閉じる")};
    expected.sort();
    QCOMPARE(texts, expected);
    // Nothing of a run shows yet.
    QVERIFY(dlg.IsIdleLook());
    QCOMPARE(dlg.Progress()->minimum(), 0);
    QCOMPARE(dlg.Progress()->maximum(), 100);
    // Source row, pattern, output row, file lines, bar, buttons: top to bottom.
    const QList<QWidget*> column{dlg.SrcEdit(),      dlg.PatternEdit(),  dlg.DstEdit(),
                                 dlg.SrcFileLabel(), dlg.DstFileLabel(), dlg.Progress(),
                                 dlg.ExecuteButton()};
    for (qsizetype i = 1; i < column.size(); ++i) {
      QVERIFY(column[i - 1]->geometry().bottom() < column[i]->geometry().top());
    }
    QVERIFY(dlg.SettingsButton()->geometry().right() < dlg.ExecuteButton()->geometry().left());
    QVERIFY(dlg.ExecuteButton()->geometry().right() < dlg.CancelButton()->geometry().left());
    QVERIFY(dlg.rect().contains(dlg.CancelButton()->geometry()));
    // The folder buttons draw their own 21 x 19 images.
    for (CBitmapButton* b : {dlg.SrcButton(), dlg.DstButton()}) {
      QCOMPARE(b->Bitmap(CBitmapButton::State::Normal).size(), QSize(21, 19));
      QVERIFY(b->Bitmap(CBitmapButton::State::Pressed).toImage() !=
              b->Bitmap(CBitmapButton::State::Normal).toImage());
      QVERIFY(b->Bitmap(CBitmapButton::State::Focused).toImage() !=
              b->Bitmap(CBitmapButton::State::Normal).toImage());
      QVERIFY(b->Bitmap(CBitmapButton::State::Disabled).toImage() ==
              b->Bitmap(CBitmapButton::State::Normal).toImage());
    }
  }

  void patternTakesAtMost256Characters() {
    CDlgBatchConvert dlg;
    gt::ShowModal(dlg, [](CDlgBatchConvert& d) {
      d.PatternEdit()->clear();
      gt::TypeText(d.PatternEdit(), QString(300, QLatin1Char('a')));
    });
    QCOMPARE(dlg.PatternEdit()->text(), QString(256, QLatin1Char('a')));
    // Filling the edit from a longer stored pattern is cut the same way.
    WriteIni("[CONVERTFILE]\r\nSEARCH=" + std::string(300, 'b') + "\r\n");
    CDlgBatchConvert again;
    gt::ShowModal(again, [](CDlgBatchConvert&) {});
    QCOMPARE(again.PatternEdit()->text(), QString(256, QLatin1Char('b')));
  }

  void opensWithTheFoldersAndPatternOfTheLastClosing() {
    CDlgBatchConvert none;
    gt::ShowModal(none, [](CDlgBatchConvert&) {});
    QVERIFY(none.SrcEdit()->text().isEmpty());
    QVERIFY(none.DstEdit()->text().isEmpty());
    QCOMPARE(none.PatternEdit()->text(), U("*.*"));

    WriteIni(gt::B("[CONVERTFILE]\r\nSRCDIR=/data/入力\r\nDSTDIR=/data/out/\r\nSEARCH=*.csv\r\n"));
    CDlgBatchConvert stored;
    stored.m_nMode = CDlgBatchConvert::kModeFolderText;
    gt::ShowModal(stored, [](CDlgBatchConvert&) {});
    QCOMPARE(stored.windowTitle(), U("ﾌｫﾙﾀﾞを指定してﾃｷｽﾄ置換"));
    QCOMPARE(stored.SrcEdit()->text(), U("/data/入力"));
    QCOMPARE(stored.DstEdit()->text(), U("/data/out/"));
    QCOMPARE(stored.PatternEdit()->text(), U("*.csv"));

    // An empty stored pattern shows as "*.*".
    WriteIni("[CONVERTFILE]\r\nSRCDIR=/a\r\nSEARCH=\r\n");
    CDlgBatchConvert empty;
    gt::ShowModal(empty, [](CDlgBatchConvert&) {});
    QCOMPARE(empty.SrcEdit()->text(), U("/a"));
    QCOMPARE(empty.PatternEdit()->text(), U("*.*"));
  }

  void cancelEscAndTheCloseBoxSaveEnterDoesNot() {
    // The close button.
    CDlgBatchConvert a;
    gt::ShowModal(a, [](CDlgBatchConvert& d) {
      d.SrcEdit()->setText(U("/src/日本"));
      d.DstEdit()->setText(U("/dst"));
      d.PatternEdit()->clear();
      d.CancelButton()->click();
    });
    QCOMPARE(a.result(), int(QDialog::Rejected));
    zv::FilePaths saved = StoredPaths();
    QCOMPARE(saved.srcDir, gt::B("/src/日本"));
    QCOMPARE(saved.dstDir, std::string("/dst"));
    QCOMPARE(saved.search, std::string());
    {
      // An empty pattern saved comes back as "*.*".
      CDlgBatchConvert next;
      gt::ShowModal(next, [](CDlgBatchConvert&) {});
      QCOMPARE(next.PatternEdit()->text(), U("*.*"));
    }

    // Esc.
    CDlgBatchConvert b;
    gt::ShowModal(b, [](CDlgBatchConvert& d) {
      d.SrcEdit()->setText(U("/esc"));
      QTest::keyClick(d.SrcEdit(), Qt::Key_Escape);
    });
    QVERIFY(!b.isVisible());
    QCOMPARE(StoredPaths().srcDir, std::string("/esc"));

    // The window's close box.
    CDlgBatchConvert c;
    gt::ShowModal(c, [](CDlgBatchConvert& d) {
      d.SrcEdit()->setText(U("/closebox"));
      d.close();
    });
    QCOMPARE(StoredPaths().srcDir, std::string("/closebox"));

    // Enter in an edit closes through OK and writes nothing.
    CDlgBatchConvert e;
    gt::ShowModal(e, [](CDlgBatchConvert& d) {
      d.SrcEdit()->setText(U("/enter"));
      d.PatternEdit()->setFocus();
      QTest::keyClick(d.PatternEdit(), Qt::Key_Return);
    });
    QCOMPARE(e.result(), int(QDialog::Accepted));
    QCOMPARE(e.m_strSrcDir, std::string("/enter"));
    QCOMPARE(StoredPaths().srcDir, std::string("/closebox"));
  }

  void progressProtocolShowsAndHidesTheBar() {
    CDlgBatchConvert dlg;
    gt::ShowModal(dlg, [](CDlgBatchConvert& d) {
      d.OnShowSrcFile(U("変換元ファイル： /a"));
      d.OnShowDstFile(U("変換先ファイル： /b"));
      d.OnShowProgress(0);
      QVERIFY(d.Progress()->isVisible());
      QCOMPARE(d.Progress()->value(), 0);
      d.OnShowProgress(100);
      QVERIFY(d.Progress()->isVisible());
      QCOMPARE(d.Progress()->value(), 100);
      d.OnShowProgress(101);
      QVERIFY(d.Progress()->isHidden());
      QCOMPARE(d.Progress()->value(), 0);
      d.OnShowProgress(40);
      d.OnShowProgress(-1);
      QVERIFY(d.Progress()->isHidden());
      QCOMPARE(d.Progress()->value(), 0);
    });
    QCOMPARE(dlg.SrcFileLabel()->text(), U("変換元ファイル： /a"));
    QCOMPARE(dlg.DstFileLabel()->text(), U("変換先ファイル： /b"));
  }

  void folderButtonsTakeTheBrowsersAnswers() {
    CDlgBatchConvert dlg;
    gt::ShowModal(dlg, [](CDlgBatchConvert& d) {
      d.SrcEdit()->setText(U("/typed"));
      d.PatternEdit()->setText(U("*.typed"));
      d.UpdateData(true);
      d.PatternEdit()->setText(U("*.later"));
      CUiPrompts::PushPathAnswer(U("/chosen/src/"));
      d.SrcButton()->click();
      CUiPrompts::PushPathAnswer(U("/chosen/dst"));
      d.DstButton()->click();
      // Cancelled browsers leave the fields alone.
      d.SrcButton()->click();
      d.DstButton()->click();
    });
    // The source as the browser gave it; the output with exactly one separator.
    QCOMPARE(dlg.SrcEdit()->text(), U("/chosen/src/"));
    QCOMPARE(dlg.DstEdit()->text(), U("/chosen/dst/"));
    // Filled from the fields: the pattern typed since the last exchange gives way.
    QCOMPARE(dlg.PatternEdit()->text(), U("*.typed"));
    QStringList titles;
    for (const auto& r : CUiPrompts::Records()) {
      if (r.kind == CUiPrompts::Kind::Folder) {
        titles << r.caption;
        QCOMPARE(r.owner, static_cast<QWidget*>(&dlg));
      }
    }
    QCOMPARE(titles, (QStringList{U("サイト情報を保存したフォルダを選択してください"),
                                  U("保存するフォルダを選択してください"),
                                  U("サイト情報を保存したフォルダを選択してください"),
                                  U("保存するフォルダを選択してください")}));
  }

  void browsersStartAtTheDocumentsFolder() {
    const QString config = gt::NewDir();
    const QString docs = gt::NewDir();
    gt::WriteFile(config, U("user-dirs.dirs"), "XDG_DOCUMENTS_DIR=\"" + docs.toStdString() + "\"\n");
    const QByteArray oldXdg = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.toUtf8());
    const std::string src = CDlgBatchConvert::InitialSrcFolder();
    const std::string dst = CDlgBatchConvert::InitialDstFolder();
    QCOMPARE(QString::fromStdString(src), docs + U("/"));
    QCOMPARE(QString::fromStdString(dst), docs + U("/DEST_DIR"));

    // The real browser opens on the documents folder under the caller's title.
    CFolderTreeDialog::SetRealBrowserInTestMode(true);
    QString selected, title;
    CDlgBatchConvert dlg;
    gt::ShowModal(dlg, [&](CDlgBatchConvert& d) {
      CUiPrompts::PushModalHandler([&](QDialog& b) {
        auto& browser = static_cast<CFolderTreeDialog&>(b);
        selected = PathToQString(browser.SelectedPath());
        title = browser.TitleLabel()->text();
        browser.CancelButton()->click();
        return browser.result();
      });
      d.SrcButton()->click();
    });
    if (oldXdg.isNull()) {
      qunsetenv("XDG_CONFIG_HOME");
    } else {
      qputenv("XDG_CONFIG_HOME", oldXdg);
    }
    QCOMPARE(selected, docs);
    QCOMPARE(title, U("サイト情報を保存したフォルダを選択してください"));
    QVERIFY(dlg.SrcEdit()->text().isEmpty());
  }

  void settingsButtonOpensTheToolsSettings() {
    CDlgBatchConvert names;
    gt::ShowModal(names, [](CDlgBatchConvert& d) { d.SettingsButton()->click(); });
    CDlgBatchConvert texts;
    texts.m_nMode = CDlgBatchConvert::kModeFolderText;
    gt::ShowModal(texts, [](CDlgBatchConvert& d) { d.SettingsButton()->click(); });
    QStringList opened;
    for (const auto& r : CUiPrompts::Records()) {
      if (r.kind == CUiPrompts::Kind::Modal) opened << r.dialogClass;
    }
    QCOMPARE(opened, (QStringList{U("CDlgBatchConvert"), U("CDlgFileNameSetting"), U("CDlgBatchConvert"),
                                  U("CDlgFolderTextSetting")}));
  }

  void fileNameSettingsShowAndSaveTheFourFlags() {
    // No settings file: every box cleared, case-insensitive matching too.
    QList<bool> shown;
    auto readBoxes = [&shown](QDialog& d) {
      auto& s = static_cast<CDlgFileNameSetting&>(d);
      shown = {s.SubDirCheck()->isChecked(), s.NoCaseCheck()->isChecked(), s.OverwriteCheck()->isChecked(),
               s.PartCheck()->isChecked()};
      return int(QDialog::Rejected);
    };
    {
      CDlgFileNameSetting dlg;
      CUiPrompts::PushModalHandler(readBoxes);
      CUiPrompts::DoModal(dlg);
      QCOMPARE(dlg.windowTitle(), U("ﾌｧｲﾙ名置換の設定"));
      QCOMPARE(Texts(dlg), (QStringList{U("ｻﾌﾞﾃﾞｨﾚｸﾄﾘを検索する(&S)"), U("大文字小文字を区別しない(&N)"),
                                        U("既に存在する場合に上書きする(&O)"),
                                        U("完全に一致するファイル名だけ変換(&P)"), U("OK"), U("ｷｬﾝｾﾙ")}));
      QVERIFY(dlg.OkButton()->isDefault());
    }
    QCOMPARE(shown, (QList<bool>{false, false, false, false}));
    QVERIFY(!QFile::exists(Ini()));  // nothing written by a cancel

    // A file without NOCASE: its default is on. "2" is not "1" and shows cleared.
    WriteIni("[CONVERTFILE]\r\nSUBDIR=1\r\nOVERWRITE=2\r\nPART=1x\r\n");
    {
      CDlgFileNameSetting dlg;
      CUiPrompts::PushModalHandler(readBoxes);
      CUiPrompts::DoModal(dlg);
    }
    QCOMPARE(shown, (QList<bool>{true, true, false, true}));

    // OK writes each box as "%d", in the order SUBDIR, NOCASE, OVERWRITE, PART.
    QFile::remove(Ini());
    {
      CDlgFileNameSetting dlg;
      CUiPrompts::PushModalHandler([](QDialog& d) {
        auto& s = static_cast<CDlgFileNameSetting&>(d);
        s.OverwriteCheck()->setChecked(true);
        s.PartCheck()->setChecked(true);
        s.OkButton()->click();
        return s.result();
      });
      QCOMPARE(CUiPrompts::DoModal(dlg), int(QDialog::Accepted));
    }
    const std::string ini = gt::ReadFile(Ini());
    const auto at = [&ini](const char* key) { return ini.find(key); };
    QVERIFY(at("SUBDIR=0") < at("NOCASE=0"));
    QVERIFY(at("NOCASE=0") < at("OVERWRITE=1"));
    QVERIFY(at("OVERWRITE=1") < at("PART=1"));
    QVERIFY(at("PART=1") != std::string::npos);
  }

  void commandsOpenTheDialogsWithTheirEnabling() {
    auto app = gt::StartApp();
    CMainFrame* frame = gt::Frame(*app);
    // An empty list: the run commands are off, the settings commands on.
    QVERIFY(!frame->Action(ID_CONVERT_FILENAME)->isEnabled());
    QVERIFY(!frame->Action(ID_CONVERT_FOLDERTEXT)->isEnabled());
    QVERIFY(frame->Action(ID_CONVERT_FILENAME_SETTING)->isEnabled());
    QVERIFY(frame->Action(ID_CONVERT_FOLDERTEXT_SETTING)->isEnabled());
    frame->Action(ID_CONVERT_FILENAME)->trigger();
    frame->Action(ID_CONVERT_FILENAME_SETTING)->trigger();
    frame->Action(ID_CONVERT_FOLDERTEXT_SETTING)->trigger();

    gt::View(*app)->AddConvertItem(0, "a", "b");
    QVERIFY(frame->Action(ID_CONVERT_FILENAME)->isEnabled());
    QStringList titles;
    QList<QWidget*> owners;
    auto note = [&titles, &owners](QDialog& d) {
      titles << d.windowTitle();
      owners << d.parentWidget();
      return int(QDialog::Rejected);
    };
    // The tool bar's buttons run the same commands.
    CUiPrompts::PushModalHandler(note);
    qobject_cast<QToolButton*>(frame->ToolBar()->widgetForAction(frame->Action(ID_CONVERT_FILENAME)))
        ->click();
    CUiPrompts::PushModalHandler(note);
    qobject_cast<QToolButton*>(frame->ToolBar()->widgetForAction(frame->Action(ID_CONVERT_FOLDERTEXT)))
        ->click();
    QCOMPARE(titles, (QStringList{U("ﾌｧｲﾙ名置換"), U("ﾌｫﾙﾀﾞを指定してﾃｷｽﾄ置換")}));
    QCOMPARE(owners, (QList<QWidget*>{frame, frame}));

    QStringList opened;
    for (const auto& r : CUiPrompts::Records()) {
      if (r.kind == CUiPrompts::Kind::Modal) opened << r.dialogClass;
    }
    QCOMPARE(opened, (QStringList{U("CDlgFileNameSetting"), U("CDlgFolderTextSetting"), U("CDlgBatchConvert"),
                                  U("CDlgBatchConvert")}));
  }
};

QTEST_MAIN(DlgBatchConvertTest)
#include "DlgBatchConvertTest.moc"
