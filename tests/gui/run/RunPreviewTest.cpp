// The preview, the run from it and the summary at its end, through the run
// dialog of each folder tool; the question before writing into the source.

#include <QAbstractItemModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <map>

#include "GuiTestSupport.h"
#include "app/CommandIds.h"
#include "app/MainFrame.h"
#include "app/QStringBytes.h"
#include "app/ZentravolixApp.h"
#include "filename/DlgBatchConvert.h"
#include "filename/FileNameTexts.h"
#include "list/ZentravolixView.h"
#include "platform/File.h"
#include "platform/Path.h"
#include "app/ByteLimitedEdit.h"
#include "run/DlgPreview.h"
#include "run/DlgRunSummary.h"
#include "run/FolderRun.h"

using gt::U;

namespace {

// One file as a preview or a run saw it.
struct Row {
  QString src, dst, action;
  qulonglong replacements = 0;
  QString message;
  bool operator==(const Row&) const = default;
};

QList<Row> TableRows(const CDlgPreview& dlg) {
  QList<Row> rows;
  const QAbstractItemModel* m = dlg.Table()->model();
  const int message = m->columnCount() - 1;
  for (int r = 0; r < m->rowCount(); ++r) {
    rows << Row{m->index(r, 0).data().toString(), m->index(r, 1).data().toString(), m->index(r, 2).data().toString(),
                m->index(r, 3).data().toULongLong(), m->index(r, message).data().toString()};
  }
  return rows;
}

// The report's rows counted as the summary counts files.
std::map<std::string, std::size_t> ReportCounts(const std::string& csv) {
  std::map<std::string, std::size_t> counts;
  std::size_t at = csv.find('\n') + 1;  // the header
  while (at < csv.size()) {
    const std::size_t end = csv.find('\n', at);
    const std::string line = csv.substr(at, end - at);
    at = end + 1;
    // source,destination,action,replacements,error,encoding (no quoted commas in this tree)
    std::vector<std::string> f;
    for (std::size_t p = 0;;) {
      const std::size_t c = line.find(',', p);
      f.push_back(line.substr(p, c - p));
      if (c == std::string::npos) break;
      p = c + 1;
    }
    const bool failed = f[2] == "failed" || !f[4].empty();
    // A copy under a new name is the names tool's conversion.
    const bool renamed = f[2] == "copied" && f[3] != "0";
    ++counts[failed ? "failed" : renamed ? "converted" : f[2]];
    counts["replacements"] += std::stoul(f[3]);
  }
  return counts;
}

// The run dialog of a command, with the folders filled in.
template <typename Body>
void RunDialog(CMainFrame* frame, int command, const QString& src, const QString& dst, Body body) {
  CUiPrompts::PushModalHandler([=](QDialog& d) {
    auto& dlg = static_cast<CDlgBatchConvert&>(d);
    dlg.SrcEdit()->setText(src);
    dlg.DstEdit()->setText(dst);
    dlg.PatternEdit()->setText(U("*.*"));
    body(dlg);
    if (dlg.isVisible()) dlg.CancelButton()->click();
    return dlg.result();
  });
  frame->OnCommand(command);
}

}  // namespace

class RunPreviewTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { gt::InitGuiTests(); }
  void init() {
    CUiPrompts::Reset();
    gt::ClearProfile();
  }

  // The preview lists what the run then does, file for file; 実行 runs just
  // that, and the summary's counts are the report's rows.
  void previewAndRunAgreeFileForFile_data() {
    QTest::addColumn<int>("command");
    QTest::newRow("names") << int(ID_CONVERT_FILENAME);
    QTest::newRow("texts") << int(ID_CONVERT_FOLDERTEXT);
  }
  void previewAndRunAgreeFileForFile() {
    QFETCH(int, command);
    const bool names = command == ID_CONVERT_FILENAME;
    auto app = gt::StartApp();
    CZentravolixView* view = gt::View(*app);
    for (auto [f, r] : {std::pair{"株式会社", "(株)"}, {"a", "z"}, {"b", "z"}, {"evil", "../evil"}})
      QVERIFY(view->AddConvertItem(view->RowCount(), gt::B(f), gt::B(r)));
    const QString src = gt::NewDir(), out = gt::NewDir();
    gt::WriteFile(src, U("a1.txt"), gt::B("株式会社ABC と 株式会社XYZ\n"));
    gt::WriteFile(src, U("b1.txt"), "b\n");
    gt::WriteFile(src, U("c.txt"), "c\n");
    gt::WriteFile(src, U("evil.txt"), "e\n");
    gt::WriteFile(out, U("c.txt"), "already there\n");

    QList<Row> previewed;
    std::vector<CDlgPreview::Mark> before, after;
    QString summaryCounts;
    std::string report;
    RunDialog(gt::Frame(*app), command, src, out, [&](CDlgBatchConvert& dlg) {
      CUiPrompts::PushModalHandler([&](QDialog& d) {
        auto& preview = static_cast<CDlgPreview&>(d);
        QSignalSpy ended(&preview, &CDlgPreview::PreviewEnded);
        if (!preview.Run()->Ended()) ended.wait(20000);
        previewed = TableRows(preview);
        preview.Table()->selectRow(0);  // a1.txt
        before = preview.BeforeMarks();
        after = preview.AfterMarks();
        preview.RunButton()->click();
        return preview.result();
      });
      // The summary at the run's end: its counts, and the report it saves.
      const QString reportPath = gt::NewDir() + U("/report.csv");
      CUiPrompts::PushModalHandler([&](QDialog& d) {
        auto& summary = static_cast<CDlgRunSummary&>(d);
        summaryCounts = summary.CountsLabel()->text();
        CUiPrompts::PushPathAnswer(reportPath);
        summary.SaveReportButton()->click();
        report = gt::ReadFile(reportPath);
        summary.OpenFolderButton()->click();
        summary.CloseButton()->click();
        return summary.result();
      });
      QSignalSpy shown(&dlg, &CDlgBatchConvert::SummaryShown);
      dlg.PreviewButton()->click();
      QVERIFY(shown.count() == 1 || shown.wait(20000));
    });

    // What the preview showed, in list order.
    const QString failed = U("失敗"), converted = U("変換"), copied = U("コピー"), exists = U("既存");
    QCOMPARE(previewed.size(), 4);
    if (names) {
      QCOMPARE(previewed[0].dst, U("z1.txt"));
      QCOMPARE(previewed[1].action, failed);  // b1.txt would take z1.txt as well
      QVERIFY2(previewed[1].message.contains(U("出力先が重複しています")), qPrintable(previewed[1].message));
      QCOMPARE(previewed[2].action, exists);
      QCOMPARE(previewed[3].action, failed);  // evil.txt would leave the output folder
      QVERIFY2(previewed[3].message.contains(U("出力先のﾌｫﾙﾀﾞの外")), qPrintable(previewed[3].message));
      QVERIFY(before.empty() && after.empty());  // names show no text
    } else {
      QCOMPARE(previewed[0].action, converted);
      QCOMPARE(previewed[0].replacements, 2ull);
      // Texts are written whatever they held; the overwrite option is the copies'.
      QCOMPARE(previewed[2].action, converted);
      QCOMPARE(previewed[2].replacements, 0ull);
      // The replaced spans, each whole on both sides.
      QCOMPARE(before, (std::vector<CDlgPreview::Mark>{{0, 0, 4}, {0, 10, 4}}));
      QCOMPARE(after, (std::vector<CDlgPreview::Mark>{{0, 0, 3}, {0, 9, 3}}));
    }

    // The run did exactly that.
    CFolderRun* run = view->Run();
    QVERIFY(run && run->Ended() && !run->IsPreview());
    QList<Row> ran;
    for (std::size_t i = 0; i < run->Files().size(); ++i) {
      const auto& o = run->Outcomes()[i];
      QVERIFY(o.has_value());
      ran << Row{PathToQString(o->src).mid(src.size() + 1), PathToQString(o->dst).mid(out.size() + 1), QString(),
                 o->replacements, QString()};
      QCOMPARE(ran.back().src, previewed[static_cast<int>(i)].src);
      QCOMPARE(ran.back().dst, previewed[static_cast<int>(i)].dst);
      QCOMPARE(ran.back().replacements, previewed[static_cast<int>(i)].replacements);
      const bool wrote = previewed[static_cast<int>(i)].action == converted ||
                         previewed[static_cast<int>(i)].action == copied;
      if (wrote) QVERIFY(zv::PathFileExists(o->dst));
    }
    QCOMPARE(gt::ReadFile(out + U("/c.txt")), std::string(names ? "already there\n" : "c\r\n"));
    QVERIFY(!zv::PathFileExists(QStringToPath(src + U("/../evil.txt"))));

    // The summary counts the report's rows.
    const auto counts = ReportCounts(report);
    auto n = [&](const char* k) { return counts.count(k) ? counts.at(k) : 0; };
    const QString expected = U("変換 %1、コピー %2、スキップ %3、既存 %4、失敗 %5、置換 %6 件")
                                 .arg(n("converted"))
                                 .arg(n("copied"))
                                 .arg(n("skipped"))
                                 .arg(n("exists"))
                                 .arg(n("failed"))
                                 .arg(n("replacements"));
    QCOMPARE(summaryCounts, expected);
    QCOMPARE(n("converted") + n("copied") + n("skipped") + n("exists") + n("failed"), std::size_t(4));
    // 出力フォルダを開く hands the output folder to the desktop.
    const auto& records = CUiPrompts::Records();
    QVERIFY(std::any_of(records.begin(), records.end(), [&](const CUiPrompts::Record& r) {
      return r.kind == CUiPrompts::Kind::OpenFolder && r.text.startsWith(out);
    }));
  }

  // Writing into the source folder, or below it, is asked about first; いいえ
  // runs nothing.
  void outputInsideTheSourceIsAskedAbout_data() {
    QTest::addColumn<QString>("below");
    QTest::addColumn<QString>("question");
    QTest::newRow("same") << QString() << U("出力先が変換元と同じフォルダです。");
    QTest::newRow("inside") << U("/out") << U("出力先が変換元のフォルダの中にあります。");
  }
  void outputInsideTheSourceIsAskedAbout() {
    QFETCH(QString, below);
    QFETCH(QString, question);
    auto app = gt::StartApp();
    QVERIFY(gt::View(*app)->AddConvertItem(0, "a", "z"));
    const QString src = gt::NewDir();
    gt::WriteFile(src, U("a.txt"), "a\n");
    for (QMessageBox::StandardButton answer : {QMessageBox::No, QMessageBox::Yes}) {
      CUiPrompts::Reset();
      CUiPrompts::PushMessageAnswer(answer);
      bool summary = false, idle = false;
      RunDialog(gt::Frame(*app), ID_CONVERT_FOLDERTEXT, src, src + below, [&](CDlgBatchConvert& dlg) {
        QSignalSpy shown(&dlg, &CDlgBatchConvert::SummaryShown);
        dlg.ExecuteButton()->click();
        idle = dlg.IsIdleLook();
        summary = shown.count() == 1 || (!idle && shown.wait(20000));
      });
      const auto boxes = gt::MessageBoxes();
      QVERIFY(!boxes.empty());
      QVERIFY2(boxes[0].text.startsWith(question), qPrintable(boxes[0].text));
      QCOMPARE(boxes[0].icon, QMessageBox::Question);
      // いいえ: nothing began, nothing was written; はい: the run went through.
      QCOMPARE(summary, answer == QMessageBox::Yes);
      QCOMPARE(idle, answer == QMessageBox::No);
      if (answer == QMessageBox::No) {
        QCOMPARE(gt::ReadFile(src + U("/a.txt")), std::string("a\n"));
        QVERIFY(below.isEmpty() || !zv::PathFileExists(QStringToPath(src + below)));
      }
    }
    // In place the source itself was converted; inside, beside it.
    QCOMPARE(gt::ReadFile(src + below + U("/a.txt")), std::string("z\r\n"));
    if (!below.isEmpty()) QCOMPARE(gt::ReadFile(src + U("/a.txt")), std::string("a\n"));
  }
};

QTEST_MAIN(RunPreviewTest)
#include "RunPreviewTest.moc"
