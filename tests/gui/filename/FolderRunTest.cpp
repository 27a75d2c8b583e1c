// Both folder tools end to end on temporary trees, through the main window's
// commands and the real run dialog: what the dialog is shown, the idle look
// after a run, stopping by closing the dialog or the main window, a failing
// source folder, the options of both tools and a failing output file.

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <cstdio>
#include <fstream>

#include "GuiTestSupport.h"
#include "app/ByteLimitedEdit.h"
#include "app/CommandIds.h"
#include "app/MainFrame.h"
#include "app/QStringBytes.h"
#include "app/ZentravolixApp.h"
#include "filename/DlgBatchConvert.h"
#include "filename/DlgFileNameSetting.h"
#include "filename/FolderWalk.h"
#include "list/ZentravolixView.h"
#include "platform/AppPaths.h"
#include "platform/CodePage.h"
#include "platform/Path.h"
#include "platform/File.h"
#include "run/FolderRun.h"
#include "filename/FileNameTexts.h"
#include "text/TextTexts.h"
#include "settings/Settings.h"
#include "text/DlgFolderTextSetting.h"

using gt::U;

namespace {

// What the dialog was shown during one run.
struct Seen {
  QStringList src, dst;
  QList<int> percents;
  int finished = 0;
  bool cursorDuringRun = false;
  bool idleAfter = false;
  bool closed = false;
  QString cancelCaptionDuringRun;
  bool executeEnabledDuringRun = true;
};

void Watch(CDlgBatchConvert& dlg, Seen& seen) {
  QObject::connect(&dlg, &CDlgBatchConvert::SrcFileShown, &dlg, [&seen, &dlg](const QString& t) {
    seen.src << t;
    // The labels a run shows, its last (empty) ones too, come while the wait
    // cursor is up; the dialog's idle look clears them after it has gone.
    if (QApplication::overrideCursor() != nullptr) {
      seen.cursorDuringRun = true;
      seen.cancelCaptionDuringRun = dlg.CancelButton()->text();
      seen.executeEnabledDuringRun = dlg.ExecuteButton()->isEnabled() || dlg.SettingsButton()->isEnabled() ||
                                     dlg.PreviewButton()->isEnabled();
    }
  });
  QObject::connect(&dlg, &CDlgBatchConvert::DstFileShown, &dlg, [&seen](const QString& t) { seen.dst << t; });
  QObject::connect(&dlg, &CDlgBatchConvert::ProgressShown, &dlg, [&seen](int p) { seen.percents << p; });
  QObject::connect(&dlg, &CDlgBatchConvert::RunFinished, &dlg, [&seen] { ++seen.finished; });
}

void SetFields(CDlgBatchConvert& dlg, const QString& src, const QString& dst, const QString& pattern) {
  dlg.SrcEdit()->setText(src);
  dlg.DstEdit()->setText(dst);
  dlg.PatternEdit()->setText(pattern);
}

// Presses "実行(&C)" and waits for the run's end: the idle look again.
bool ExecuteAndWait(CDlgBatchConvert& dlg, Seen& seen) {
  QSignalSpy done(&dlg, &CDlgBatchConvert::RunFinished);
  dlg.ExecuteButton()->click();
  if (dlg.IsIdleLook()) {
    seen.idleAfter = true;  // nothing was started
    return true;
  }
  const bool ended = done.wait(20000);
  seen.idleAfter = dlg.IsIdleLook();
  return ended;
}

// Opens the run dialog through the command and hands it to body; the dialog
// is closed with its close button afterwards when body left it open.
template <typename Body>
void RunDialog(CMainFrame* frame, int command, Body body) {
  CUiPrompts::PushModalHandler([body](QDialog& d) {
    auto& dlg = static_cast<CDlgBatchConvert&>(d);
    body(dlg);
    if (dlg.isVisible()) dlg.CancelButton()->click();
    return dlg.result();
  });
  frame->OnCommand(command);
}

QString Ini() { return QDir(qEnvironmentVariable("ZENTRAVOLIX_CONFIG_DIR")).filePath(U("Zentravolix.ini")); }
QString ExtList() {
  return QDir(qEnvironmentVariable("ZENTRAVOLIX_CONFIG_DIR")).filePath(U("ZentravolixExpList"));
}

// A file with a byte-string name (for names in the other code page).
void WriteRaw(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

QStringList FilesBelow(const QString& dir) {
  QStringList out;
  const QDir root(dir);
  std::function<void(const QString&)> walk = [&](const QString& d) {
    for (const QFileInfo& fi :
         QDir(d).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
      if (fi.isDir()) {
        out << root.relativeFilePath(fi.filePath()) + U("/");
        walk(fi.filePath());
      } else {
        out << root.relativeFilePath(fi.filePath());
      }
    }
  };
  walk(dir);
  return out;
}

QString Label(const char* literal, const std::string& path) {
  std::string shortened;
  zv::ShortenPath(path, shortened, 60, 10);
  return U(literal) + PathToQString(shortened);
}
QString Label(const char* literal, const QString& path) { return Label(literal, path.toStdString()); }

// The progress a run showed: as often as the window could show it, never
// backwards, ending with empty labels and a hidden bar. labels: every file's
// source label in list order; each one shown must be among them, in order.
void ExpectProgress(const Seen& seen, const QStringList& labels) {
  QVERIFY(!seen.percents.isEmpty());
  QCOMPARE(seen.percents.last(), -1);
  QVERIFY(seen.src.last().isEmpty() && seen.dst.last().isEmpty());
  const int n = static_cast<int>(labels.size());
  for (int i = 0; i + 1 < seen.percents.size(); ++i) {
    const int p = seen.percents[i];
    QVERIFY2(n > 0 && p >= 0 && p < 100 && (i == 0 || p >= seen.percents[i - 1]), qPrintable(QString::number(p)));
  }
  qsizetype at = 0;
  for (const QString& shown : seen.src) {
    if (shown.isEmpty()) continue;
    at = labels.indexOf(shown, at);
    QVERIFY2(at >= 0, qPrintable(shown));
  }
}

// Slows every file operation, so that a run is still under way when a test
// acts on it.
struct SlowFiles {
  explicit SlowFiles(int ms) {
    zv::SetFileFaultHook([ms](zv::FileOp op, const std::string&) {
      if (op == zv::FileOp::Open) QThread::msleep(static_cast<unsigned long>(ms));
      return 0;
    });
  }
  ~SlowFiles() { zv::SetFileFaultHook(nullptr); }
};

// The files below dir named stem000 to stemNNN: those a stopped run wrote
// form the start of the list.
int WrittenPrefix(const QString& dir, const char* stem, int total) {
  int n = 0;
  while (n < total && QFile::exists(dir + QStringLiteral("/%1%2.txt").arg(U(stem)).arg(n, 3, 10, QLatin1Char('0'))))
    ++n;
  return FilesBelow(dir).size() == n ? n : -1;
}

}  // namespace

class FolderRunTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { gt::InitGuiTests(); }
  void init() {
    CUiPrompts::Reset();
    zv::SetActiveCodePage(zv::CodePage::Utf8);
    QFile::remove(Ini());
    QFile::remove(ExtList());
  }
  void cleanup() {
    zv::SetActiveCodePage(zv::CodePage::Utf8);
    // Every run gives its wait cursor back once its worker has gone.
    QTRY_VERIFY(QApplication::overrideCursor() == nullptr);
  }

  void fileNameRunShowsItsProgressThenTheIdleLook() {
    // With slow files the window shows more than the first and last label.
    SlowFiles slow(5);
    auto app = gt::StartApp();
    CMainFrame* frame = gt::Frame(*app);
    CZentravolixView* view = gt::View(*app);
    view->AddConvertItem(0, "old", "new");
    const QString src = gt::NewDir();
    const QString out = gt::NewDir() + U("/out");
    for (const char* name : {"a_old.txt", "b_old.txt", "c.txt", "d_old_old.dat"})
      gt::WriteFile(src, U(name), name);

    Seen seen;
    bool ended = false;
    RunDialog(frame, ID_CONVERT_FILENAME, [&](CDlgBatchConvert& dlg) {
      Watch(dlg, seen);
      SetFields(dlg, src, out, U("*.*"));
      ended = ExecuteAndWait(dlg, seen);
    });
    QVERIFY(ended);
    QVERIFY(seen.idleAfter);
    QCOMPARE(seen.finished, 1);
    QStringList labels;
    for (const char* name : {"a_old.txt", "b_old.txt", "c.txt", "d_old_old.dat"})
      labels << Label("変換元ファイル： ", src + U("/") + U(name));
    ExpectProgress(seen, labels);
    QVERIFY(seen.cursorDuringRun);
    QCOMPARE(seen.cancelCaptionDuringRun, U("ｷｬﾝｾﾙ"));
    QVERIFY(!seen.executeEnabledDuringRun);
    QCOMPARE(FilesBelow(out), (QStringList{U("a_new.txt"), U("b_new.txt"), U("c.txt"), U("d_new_new.dat")}));
    QCOMPARE(gt::ReadFile(out + U("/b_new.txt")), std::string("b_old.txt"));
    // The sources are never touched.
    QCOMPARE(FilesBelow(src), (QStringList{U("a_old.txt"), U("b_old.txt"), U("c.txt"), U("d_old_old.dat")}));
    QVERIFY(view->Run() && view->Run()->Ended());
    // Three copies under new names, one under its own.
    QCOMPARE(view->Run()->Summary().converted, std::size_t(3));
    QCOMPARE(view->Run()->Summary().copied, std::size_t(1));
    QTRY_VERIFY(QApplication::overrideCursor() == nullptr);
  }

  void anEmptyWalkStillRestoresTheDialogAndASecondRunWorks() {
    auto app = gt::StartApp();
    CMainFrame* frame = gt::Frame(*app);
    gt::View(*app)->AddConvertItem(0, "x", "y");
    const QString src = gt::NewDir();
    const QString out = gt::NewDir();
    gt::WriteFile(src, U("x.txt"), "1");

    Seen first, second;
    bool ended1 = false, ended2 = false;
    RunDialog(frame, ID_CONVERT_FILENAME, [&](CDlgBatchConvert& dlg) {
      Watch(dlg, first);
      SetFields(dlg, src, out, U("*.none"));
      ended1 = ExecuteAndWait(dlg, first);
      QObject::disconnect(&dlg, nullptr, &dlg, nullptr);
      Watch(dlg, second);
      dlg.PatternEdit()->setText(U("*.TXT"));  // matched without regard to case
      ended2 = ExecuteAndWait(dlg, second);
    });
    QVERIFY(ended1 && ended2);
    QCOMPARE(first.percents, (QList<int>{-1}));
    QCOMPARE(first.src, (QStringList{QString()}));
    QVERIFY(first.idleAfter);
    ExpectProgress(second, {Label("変換元ファイル： ", src + U("/x.txt"))});
    QVERIFY(second.idleAfter);
    QCOMPARE(FilesBelow(out), (QStringList{U("y.txt")}));
    QTRY_VERIFY(QApplication::overrideCursor() == nullptr);
  }

  void closingTheDialogStopsAfterTheFileUnderWay() {
    auto app = gt::StartApp();
    CMainFrame* frame = gt::Frame(*app);
    CZentravolixView* view = gt::View(*app);
    view->AddConvertItem(0, "f", "g");
    const QString src = gt::NewDir();
    const QString out = gt::NewDir();
    // More files than a run begins ahead of the ones under way.
    constexpr int kFiles = 900;
    for (int i = 0; i < kFiles; ++i)
      gt::WriteFile(src, QStringLiteral("f%1.txt").arg(i, 3, 10, QLatin1Char('0')), "x");

    SlowFiles slow(2);
    Seen seen;
    bool closed = false;
    RunDialog(frame, ID_CONVERT_FILENAME, [&](CDlgBatchConvert& dlg) {
      Watch(dlg, seen);
      QObject::connect(&dlg, &CDlgBatchConvert::SrcFileShown, &dlg, [&](const QString& text) {
        // A user's click arrives through the event loop, never inside a call.
        if (!text.isEmpty() && seen.src.size() == 1) {
          QMetaObject::invokeMethod(
              &dlg, [&dlg] { dlg.CancelButton()->click(); }, Qt::QueuedConnection);
        }
      });
      SetFields(dlg, src, out, QString());
      QSignalSpy finished(&dlg, &QDialog::finished);
      dlg.ExecuteButton()->click();
      closed = finished.wait(20000);
    });
    QVERIFY(closed);
    // The files under way were finished, no other begun: what was written
    // is the start of the list, and not all of it.
    const int written = WrittenPrefix(out, "g", kFiles);
    QVERIFY2(written >= 1 && written < kFiles, qPrintable(QString::number(written)));
    // A stopped run never restores the idle look, and shows no summary.
    QCOMPARE(seen.finished, 0);
    QVERIFY(!seen.percents.contains(-1));
    // The dialog waited for it; its settings were saved on the way out.
    QVERIFY(view->Run() && view->Run()->Ended() && view->Run()->End() == zv::RunEnd::Stopped);
    zv::FilePaths paths;
    QVERIFY(zv::LoadConvertFilePaths(paths));
    QCOMPARE(QString::fromStdString(paths.srcDir), src);
    QCOMPARE(paths.search, std::string());
    QTRY_VERIFY(QApplication::overrideCursor() == nullptr);
  }

  void closingTheMainWindowDuringARunStopsItWithoutDeadlock() {
    auto app = gt::StartApp();
    QPointer<CMainFrame> frame = gt::Frame(*app);
    CZentravolixView* view = gt::View(*app);
    view->AddConvertItem(0, "f", "g");
    const QString src = gt::NewDir();
    const QString out = gt::NewDir();
    constexpr int kFiles = 900;
    for (int i = 0; i < kFiles; ++i)
      gt::WriteFile(src, QStringLiteral("f%1.txt").arg(i, 3, 10, QLatin1Char('0')), "x");

    // Shown over the main window as the command shows it, but left open
    // while the main window goes.
    SlowFiles slow(2);
    QPointer<CDlgBatchConvert> dlg = new CDlgBatchConvert(frame, view);
    Seen seen;
    Watch(*dlg, seen);
    connect(dlg.data(), &CDlgBatchConvert::SrcFileShown, dlg.data(), [&](const QString& text) {
      if (!text.isEmpty() && seen.src.size() == 1) {
        QMetaObject::invokeMethod(
            frame, [frame] { frame->close(); }, Qt::QueuedConnection);
      }
    });
    dlg->show();
    SetFields(*dlg, src, out, QString());
    CUiPrompts::PushMessageAnswer(QMessageBox::Discard);  // the unsaved list
    dlg->ExecuteButton()->click();
    // The main window goes, and the dialog with it.
    QTRY_VERIFY_WITH_TIMEOUT(frame.isNull(), 20000);
    QVERIFY(dlg.isNull());
    const int written = WrittenPrefix(out, "g", kFiles);
    QVERIFY2(written >= 1 && written < kFiles, qPrintable(QString::number(written)));
    QCOMPARE(seen.finished, 0);
    QTRY_VERIFY(QApplication::overrideCursor() == nullptr);
  }

  // A subfolder the walk may not read is named in one box before the run,
  // which converts the rest.
  void aFolderThatCannotBeReadIsNamedAndTheRunGoesOn() {
    auto app = gt::StartApp();
    CMainFrame* frame = gt::Frame(*app);
    gt::View(*app)->AddConvertItem(0, "a", "b");
    const QString src = gt::NewDir(), out = gt::NewDir();
    gt::WriteFile(src, U("a.txt"), "a");
    QDir(src).mkpath(U("鍵付き"));
    gt::WriteFile(src + U("/鍵付き"), U("a2.txt"), "a");
    const std::string locked = QStringToPath(src + U("/鍵付き/"));
    zv::SetFileFaultHook([locked](zv::FileOp op, const std::string& path) {
      return op == zv::FileOp::List && path == locked ? EACCES : 0;
    });
    zv::FileOptions options;
    zv::LoadConvertFileOptions(options);
    options.subDir = "1";
    QVERIFY(zv::SaveConvertFileOptions(options));
    Seen seen;
    RunDialog(frame, ID_CONVERT_FILENAME, [&](CDlgBatchConvert& dlg) {
      Watch(dlg, seen);
      SetFields(dlg, src, out, U("*.*"));
      ExecuteAndWait(dlg, seen);
    });
    zv::SetFileFaultHook(nullptr);
    const auto boxes = gt::MessageBoxes();
    QCOMPARE(boxes.size(), std::size_t(1));  // both listings of the folder, one box
    QCOMPARE(boxes[0].text, U("次のフォルダは読み取れないため、その中のファイルは処理されません。\n\n") + src +
                                U("/鍵付き"));
    QCOMPARE(seen.finished, 1);
    QCOMPARE(FilesBelow(out), QStringList{U("b.txt")});
  }

  void aFailingSourceFolderShowsTheSystemErrorOnce() {
    auto app = gt::StartApp();
    CMainFrame* frame = gt::Frame(*app);
    CZentravolixView* view = gt::View(*app);
    view->AddConvertItem(0, "a", "b");
    const QString out = gt::NewDir();
    Seen seen;
    RunDialog(frame, ID_CONVERT_FOLDERTEXT, [&](CDlgBatchConvert& dlg) {
      Watch(dlg, seen);
      SetFields(dlg, gt::TempDir() + U("/no/such/folder"), out, U("*.*"));
      ExecuteAndWait(dlg, seen);
    });
    const auto boxes = gt::MessageBoxes();
    QCOMPARE(boxes.size(), std::size_t(1));
    QCOMPARE(boxes[0].caption, U("Error"));
    QCOMPARE(boxes[0].icon, QMessageBox::Information);
    QCOMPARE(boxes[0].text, U("指定されたパスが見つかりません。"));
    QVERIFY(seen.idleAfter);
    QVERIFY(seen.percents.isEmpty());
    QVERIFY(!view->Run() || view->Run()->Ended());
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QVERIFY(FilesBelow(out).isEmpty());
  }

  void folderFieldsThatCannotWorkAreRefusedBeforeAnythingStarts() {
    auto app = gt::StartApp();
    CMainFrame* frame = gt::Frame(*app);
    CZentravolixView* view = gt::View(*app);
    view->AddConvertItem(0, "a", "b");
    const QString src = gt::NewDir();
    gt::WriteFile(src, U("a.txt"), "a");
    QStringList texts;
    QList<bool> idle;
    RunDialog(frame, ID_CONVERT_FILENAME, [&](CDlgBatchConvert& dlg) {
      SetFields(dlg, QString(), gt::NewDir(), U("*.*"));
      dlg.ExecuteButton()->click();
      idle << dlg.IsIdleLook();
      // Without an output folder the files would land below the root.
      SetFields(dlg, src, QString(), U("*.*"));
      dlg.ExecuteButton()->click();
      idle << dlg.IsIdleLook();
      // A file there would fail every file of the run.
      SetFields(dlg, src, src + U("/a.txt"), U("*.*"));
      dlg.ExecuteButton()->click();
      idle << dlg.IsIdleLook();
    });
    for (const auto& box : gt::MessageBoxes()) {
      QCOMPARE(box.caption, U("Moravquell"));
      texts << box.text;
    }
    QCOMPARE(texts, (QStringList{U("変換元のﾌｫﾙﾀﾞを指定してください。"), U("出力先のﾌｫﾙﾀﾞを指定してください。"),
                                 src + U("/a.txt: 出力先がﾌｫﾙﾀﾞではありません")}));
    QCOMPARE(idle, (QList<bool>{true, true, true}));
    QVERIFY(!view->Run());
  }

  void fileNameOptionsFromTheSettingsDialogGovernTheRun() {
    auto app = gt::StartApp();
    CMainFrame* frame = gt::Frame(*app);
    gt::View(*app)->AddConvertItem(0, "report", "summary");
    const QString src = gt::NewDir();
    QDir(src).mkpath(U("sub/deep"));
    gt::WriteFile(src, U("Report.TXT"), "top");
    gt::WriteFile(src, U("REPORT.txt"), "upper");
    gt::WriteFile(src + U("/sub/deep"), U("MyREPORT_report.txt"), "deep");
    QDir(src).mkpath(U("empty"));
    const QString out = gt::NewDir();
    gt::WriteFile(out, U("summary.TXT"), "old");

    // Subfolders and case-insensitive matching on; no overwriting, no whole names.
    auto setOptions = [](bool subDir, bool noCase, bool overwrite, bool part) {
      CUiPrompts::PushModalHandler([=](QDialog& d) {
        auto& s = static_cast<CDlgFileNameSetting&>(d);
        s.SubDirCheck()->setChecked(subDir);
        s.NoCaseCheck()->setChecked(noCase);
        s.OverwriteCheck()->setChecked(overwrite);
        s.PartCheck()->setChecked(part);
        s.OkButton()->click();
        return s.result();
      });
    };
    Seen seen;
    RunDialog(frame, ID_CONVERT_FILENAME, [&](CDlgBatchConvert& dlg) {
      Watch(dlg, seen);
      setOptions(true, true, false, false);
      dlg.SettingsButton()->click();
      SetFields(dlg, src, out, U("*.txt"));
      ExecuteAndWait(dlg, seen);
    });
    QVERIFY(seen.idleAfter);
    // Both top-level names become "summary" (the second copy is refused),
    // the deep one keeps its untouched parts' case.
    QCOMPARE(FilesBelow(out), (QStringList{U("sub/"), U("sub/deep/"), U("sub/deep/Mysummary_summary.txt"),
                                           U("summary.TXT"), U("summary.txt")}));
    QCOMPARE(gt::ReadFile(out + U("/summary.TXT")), std::string("old"));
    QCOMPARE(seen.percents.last(), -1);

    // Whole names, case counts, existing files replaced, no subfolders.
    Seen again;
    gt::WriteFile(src, U("report.dat"), "whole");
    gt::WriteFile(out, U("summary.dat"), "older");
    RunDialog(frame, ID_CONVERT_FILENAME, [&](CDlgBatchConvert& dlg) {
      Watch(dlg, again);
      setOptions(false, false, true, true);
      dlg.SettingsButton()->click();
      // The folders and pattern of the last closing come back.
      dlg.PatternEdit()->setText(U("*.dat"));
      ExecuteAndWait(dlg, again);
    });
    QCOMPARE(gt::ReadFile(out + U("/summary.dat")), std::string("whole"));
    QCOMPARE(again.percents.last(), -1);
    zv::FileOptions stored;
    QVERIFY(zv::LoadConvertFileOptions(stored));
    QCOMPARE(stored.part, std::string("1"));

    // Whole names with case: "REPORT" is not "report" and keeps its name.
    Seen third;
    RunDialog(frame, ID_CONVERT_FILENAME, [&](CDlgBatchConvert& dlg) {
      Watch(dlg, third);
      dlg.PatternEdit()->setText(U("REPORT.txt"));
      ExecuteAndWait(dlg, third);
    });
    QCOMPARE(third.percents.last(), -1);
    QCOMPARE(gt::ReadFile(out + U("/REPORT.txt")), std::string("upper"));
    QCOMPARE(gt::ReadFile(out + U("/Report.TXT")), std::string("top"));
    QCOMPARE(gt::ReadFile(out + U("/summary.TXT")), std::string("old"));
  }

  void namesInTheOtherCodePageAreConvertedAndShown() {
    zv::SetActiveCodePage(zv::CodePage::Cp932);
    auto app = gt::StartApp();
    CMainFrame* frame = gt::Frame(*app);
    // ソ ends in the byte of the separator's look-alike: 0x83 0x5C.
    QVERIFY(gt::View(*app)->AddConvertItem(0, "\x83\x5c", "\x95\x5c"));  // ソ -> 表
    const QString src = gt::NewDir();
    const QString out = gt::NewDir();
    const std::string srcName = src.toStdString() + "/a\x83\x5c.txt";
    const std::string outName = out.toStdString() + "/a\x95\x5c.txt";
    // Qt cannot name these files to remove them with the temporary folder.
    struct Unlink {
      std::vector<std::string> paths;
      ~Unlink() {
        for (const auto& p : paths) std::remove(p.c_str());
      }
    } unlink{{srcName, outName}};
    WriteRaw(srcName, "cp932");
    Seen seen;
    RunDialog(frame, ID_CONVERT_FILENAME, [&](CDlgBatchConvert& dlg) {
      Watch(dlg, seen);
      SetFields(dlg, src, out, U("*.txt"));
      ExecuteAndWait(dlg, seen);
    });
    QVERIFY(seen.idleAfter);
    // Named by bytes: QString names would be taken as UTF-8.
    std::ifstream in(outName, std::ios::binary);
    std::string copied;
    std::getline(in, copied);
    QCOMPARE(copied, std::string("cp932"));
    // The labels hold the literal and the path, each decoded the right way.
    QCOMPARE(CFolderRun::LabelText(zv::texts::kNameSrcLabel + srcName), U("変換元ファイル： ") + src + U("/aソ.txt"));
    QCOMPARE(CFolderRun::LabelText(*zv::FromUtf8(zv::texts::kNameDstLabel) + outName),
             U("変換先ファイル： ") + out + U("/a表.txt"));
  }

  // In both sessions, UTF-8 folders and names with a legacy CP932 folder
  // shown decoded in the field: both tools reach every file by its bytes and
  // write each new name in its old name's encoding.
  void bothToolsWorkOnJapaneseAndLegacyNames_data() {
    QTest::addColumn<int>("cp");
    QTest::newRow("932") << static_cast<int>(zv::CodePage::Cp932);
    QTest::newRow("65001") << static_cast<int>(zv::CodePage::Utf8);
  }
  void bothToolsWorkOnJapaneseAndLegacyNames() {
    QFETCH(int, cp);
    zv::SetActiveCodePage(static_cast<zv::CodePage>(cp));
    auto app = gt::StartApp();
    CMainFrame* frame = gt::Frame(*app);
    QVERIFY(gt::View(*app)->AddConvertItem(0, gt::B("株式会社"), gt::B("(株)")));
    const std::string root = QStringToPath(gt::NewDir());
    const std::string legacy = *zv::ConvertCodePage("旧資料", zv::CodePage::Utf8, zv::CodePage::Cp932);
    const std::string sjisCompany = *zv::ConvertCodePage("株式会社", zv::CodePage::Utf8, zv::CodePage::Cp932);
    const std::string src = root + "/元フォルダ/" + legacy;
    QDir().mkpath(PathToQString(root + "/元フォルダ"));
    QVERIFY(zv::CreateDirectories(src));
    WriteRaw(src + "/報告書_株式会社.txt", gt::B("株式会社"));
    WriteRaw(src + "/" + sjisCompany + ".txt", "legacy");

    for (int command : {ID_CONVERT_FILENAME, ID_CONVERT_FOLDERTEXT}) {
      const std::string out = root + (command == ID_CONVERT_FILENAME ? "/名前" : "/テキスト");
      Seen seen;
      RunDialog(frame, command, [&](CDlgBatchConvert& dlg) {
        Watch(dlg, seen);
        SetFields(dlg, PathToQString(src), PathToQString(out), U("*.txt"));
        ExecuteAndWait(dlg, seen);
      });
      QVERIFY(seen.idleAfter);
      QVERIFY(gt::MessageBoxes().empty());
      QCOMPARE(CFolderRun::LabelText(std::string(command == ID_CONVERT_FILENAME ? zv::texts::kNameSrcLabel
                                                                                 : zv::texts::kCopySrcLabel) +
                                     src + "/報告書_株式会社.txt"),
               U(command == ID_CONVERT_FILENAME ? "変換元ファイル： " : "コピー元： ") +
                   PathToQString(src + "/報告書_株式会社.txt"));
      if (command == ID_CONVERT_FILENAME) {
        QCOMPARE(gt::ReadFile(PathToQString(out + "/報告書_(株).txt")), gt::B("株式会社"));
        QVERIFY(zv::PathFileExists(out + "/" + *zv::ConvertCodePage("(株)", zv::CodePage::Utf8, zv::CodePage::Cp932) +
                                   ".txt"));
      } else {
        QCOMPARE(gt::ReadFile(PathToQString(out + "/報告書_株式会社.txt")), gt::B("(株)") + "\r\n");
      }
    }
  }

  // With 自動判別, each text is converted in its own encoding, and the dialog
  // says what it read each one as.
  void autoEncodingConvertsEachTextInItsOwnAndShowsIt() {
    auto app = gt::StartApp();
    CMainFrame* frame = gt::Frame(*app);
    QVERIFY(gt::View(*app)->AddConvertItem(0, "株式", "(株)"));
    QVERIFY(zv::SaveTextEncodingOptions({"auto", "0"}));
    const QString src = gt::NewDir();
    const QString out = gt::NewDir();
    gt::WriteFile(src, U("euc.txt"), "\xB3\xF4\xBC\xB0");  // 株式 in EUC-JP
    gt::WriteFile(src, U("utf8.txt"), "株式\n");
    QStringList shown;
    Seen seen;
    RunDialog(frame, ID_CONVERT_FOLDERTEXT, [&](CDlgBatchConvert& dlg) {
      Watch(dlg, seen);
      QObject::connect(&dlg, &CDlgBatchConvert::EncodingShown, &dlg, [&shown](const QString& t) { shown << t; });
      SetFields(dlg, src, out, QString());
      ExecuteAndWait(dlg, seen);
      QVERIFY(dlg.EncodingLabel()->text().isEmpty());
    });
    QVERIFY(zv::SaveTextEncodingOptions({"system", "0"}));
    QCOMPARE(gt::ReadFile(out + U("/euc.txt")), std::string("(\xB3\xF4)\r\n"));
    QCOMPARE(gt::ReadFile(out + U("/utf8.txt")), std::string("(株)\r\n"));
    // At least the last text's; each one shown, its own.
    QVERIFY(!shown.isEmpty());
    QCOMPARE(shown.last(), U("文字コード： UTF-8 (utf8.txt)"));
    for (const QString& t : shown)
      QVERIFY(t == U("文字コード： EUC-JP (euc.txt)") || t == U("文字コード： UTF-8 (utf8.txt)"));
  }

  void folderTextRunConvertsTextAndCopiesOrSkipsBinaries() {
    auto app = gt::StartApp();
    CMainFrame* frame = gt::Frame(*app);
    gt::View(*app)->AddConvertItem(0, "cat", "dog");
    const QString src = gt::NewDir();
    QDir(src).mkpath(U("img"));
    gt::WriteFile(src, U("a.txt"), "cat\ncat");
    gt::WriteFile(src + U("/img"), U("PHOTO.JPG"), "cat\xff");
    const QString out = gt::NewDir();

    Seen seen;
    RunDialog(frame, ID_CONVERT_FOLDERTEXT, [&](CDlgBatchConvert& dlg) {
      Watch(dlg, seen);
      // "コピーしない" with the default list, which OK writes as the list file.
      CUiPrompts::PushModalHandler([](QDialog& d) {
        auto& s = static_cast<CDlgFolderTextSetting&>(d);
        s.SubDirCheck()->setChecked(true);
        s.NoCopyRadio()->setChecked(true);
        s.OkButton()->click();
        return s.result();
      });
      dlg.SettingsButton()->click();
      SetFields(dlg, src, out, QString());
      ExecuteAndWait(dlg, seen);
    });
    QVERIFY(seen.idleAfter);
    ExpectProgress(seen, {Label("コピー元： ", src + U("/a.txt")), Label("コピー元： ", src + U("/img/PHOTO.JPG"))});
    QCOMPARE(gt::ReadFile(out + U("/a.txt")), std::string("dog\r\ndog\r\n"));
    // The skipped file's folder exists all the same.
    QCOMPARE(FilesBelow(out), (QStringList{U("a.txt"), U("img/")}));
    QVERIFY(QFile::exists(ExtList()));

    Seen copy;
    RunDialog(frame, ID_CONVERT_FOLDERTEXT, [&](CDlgBatchConvert& dlg) {
      Watch(dlg, copy);
      // "コピーのみ": the binary file is copied unchanged.
      CUiPrompts::PushModalHandler([](QDialog& d) {
        auto& s = static_cast<CDlgFolderTextSetting&>(d);
        s.CopyOnlyRadio()->setChecked(true);
        s.OkButton()->click();
        return s.result();
      });
      dlg.SettingsButton()->click();
      ExecuteAndWait(dlg, copy);
    });
    QVERIFY(copy.idleAfter);
    QCOMPARE(gt::ReadFile(out + U("/img/PHOTO.JPG")), std::string("cat\xff"));
  }

  void aFailingOutputFileIsReportedAndTheRunGoesOn() {
    auto app = gt::StartApp();
    CMainFrame* frame = gt::Frame(*app);
    gt::View(*app)->AddConvertItem(0, "a", "b");
    const QString src = gt::NewDir();
    for (const char* name : {"1.txt", "2.txt", "3.txt"}) gt::WriteFile(src, U(name), "aaa");
    const QString out = gt::NewDir();
    // A folder where the second output file should go: no one may write it.
    QDir(out).mkpath(U("2.txt"));
    Seen seen;
    RunDialog(frame, ID_CONVERT_FOLDERTEXT, [&](CDlgBatchConvert& dlg) {
      Watch(dlg, seen);
      SetFields(dlg, src, out, U("*.txt"));
      ExecuteAndWait(dlg, seen);
    });
    QVERIFY(seen.idleAfter);
    QCOMPARE(seen.percents.last(), -1);
    const auto boxes = gt::MessageBoxes();
    QCOMPARE(boxes.size(), std::size_t(1));
    QCOMPARE(boxes[0].caption, U("Zentravolix"));
    QCOMPARE(boxes[0].icon, QMessageBox::Critical);
    QCOMPARE(boxes[0].text, out + U("/2.txt: ﾌｧｲﾙｱｸｾｽ禁止です"));
    // The run went on with the next file.
    QCOMPARE(gt::ReadFile(out + U("/1.txt")), std::string("bbb\r\n"));
    QCOMPARE(gt::ReadFile(out + U("/3.txt")), std::string("bbb\r\n"));
  }
};

QTEST_MAIN(FolderRunTest)
#include "FolderRunTest.moc"
