// The folder text settings dialog and the extension dialog: what they show
// from the settings file and the extension list, the list editing, what OK
// writes and in which order, failures of the list file, and the extension
// name rules.

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <cerrno>

#include "GuiTestSupport.h"
#include "app/ByteLimitedEdit.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "settings/BinaryExtList.h"
#include "settings/Settings.h"
#include "text/DlgExtension.h"
#include "text/DlgFolderTextSetting.h"
#include "text/EncodingChoiceBox.h"

using gt::U;

namespace {

QString Config() { return qEnvironmentVariable("ZENTRAVOLIX_CONFIG_DIR"); }
QString Ini() { return QDir(Config()).filePath(U("Zentravolix.ini")); }
QString ExtList() { return QDir(Config()).filePath(U("ZentravolixExpList")); }

QStringList Entries(const CDlgFolderTextSetting& dlg) {
  QStringList out;
  for (int i = 0; i < dlg.m_listExt->count(); ++i) out << dlg.m_listExt->item(i)->text();
  return out;
}

QStringList Defaults() {
  QStringList out;
  for (const char* e :
       {"bmp", "jpg",  "jpeg", "gif", "png", "mwv", "mwa", "mp3", "avi", "mov", "asf", "mpeg", "mpg", "swf",
        "mid", "aiff", "rm",   "ram", "mp4", "xls", "doc", "pdf", "mdb", "ppt", "zip", "exe",  "dll", "db"}) {
    out << U(e);
  }
  return out;
}

// The next extension dialog gets text typed into it and OK (or cancel).
void AnswerExtension(const QString& text, bool ok = true) {
  CUiPrompts::PushModalHandler([text, ok](QDialog& d) {
    auto& ext = static_cast<CDlgExtension&>(d);
    ext.ExtEdit()->clear();
    gt::TypeText(ext.ExtEdit(), text);
    (ok ? ext.OkButton() : ext.CancelButton())->click();
    return ext.result();
  });
}

}  // namespace

class FolderTextSettingTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { gt::InitGuiTests(); }
  void init() {
    CUiPrompts::Reset();
    zv::SetActiveCodePage(zv::CodePage::Utf8);
    QFile::remove(Ini());
    QFile::remove(ExtList());
    QDir(ExtList()).removeRecursively();
  }
  void cleanup() { zv::SetFileFaultHook(nullptr); }

  void withoutFilesShowsClearedOptionsCopyOnlyAndTheDefaults() {
    CDlgFolderTextSetting dlg;
    gt::ShowModal(dlg, [](CDlgFolderTextSetting&) {});
    QCOMPARE(dlg.windowTitle(), U("ﾌｫﾙﾀﾞを指定してﾃｷｽﾄ置換の設定"));
    QStringList texts;
    for (QGroupBox* g : dlg.findChildren<QGroupBox*>()) texts << g->title();
    for (QLabel* l : dlg.findChildren<QLabel*>()) texts << l->text();
    for (QAbstractButton* b : dlg.findChildren<QAbstractButton*>()) texts << b->text();
    texts.sort();
    QStringList expected{U("ﾌｫﾙﾀﾞを指定してﾃｷｽﾄ置換"),
                         U("バイナリファイル"),
                         U("変換しない拡張子(&E)："),
                         U("ｻﾌﾞﾃﾞｨﾚｸﾄﾘを検索する(&S)"),
                         U("既に存在する場合に上書きする(&O)"),
                         U("コピーのみ(&P)"),
                         U("コピーしない(&N)"),
                         U("追加(&A)"),
                         U("削除(&D)"),
                         U("編集(&E)"),
                         U("初期化(&I)"),
                         U("OK"),
                         U("ｷｬﾝｾﾙ"),
                         U("文字コードと改行"),
                         U("文字コード(&C)："),
                         U("改行コード："),
                         U("CR LF に揃える(&L)"),
                         U("元のまま(&K)")};
    expected.sort();
    QCOMPARE(texts, expected);
    QVERIFY(dlg.OkButton()->isDefault());
    QVERIFY(!dlg.SubDirCheck()->isChecked());
    QVERIFY(!dlg.OverwriteCheck()->isChecked());
    QVERIFY(dlg.CopyOnlyRadio()->isChecked());
    QVERIFY(!dlg.NoCopyRadio()->isChecked());
    QCOMPARE(Entries(dlg), Defaults());
    QCOMPARE(dlg.SelectedEntry(), 0);
    QCOMPARE(dlg.m_listExt->selectionMode(), QAbstractItemView::SingleSelection);
    // The list sits right of the radio buttons, its buttons right of it.
    QVERIFY(dlg.NoCopyRadio()->geometry().right() < dlg.m_listExt->geometry().left());
    QVERIFY(dlg.m_listExt->geometry().right() < dlg.AddButton()->geometry().left());
    // Cancel writes nothing.
    QVERIFY(!QFile::exists(Ini()));
    QVERIFY(!QFile::exists(ExtList()));
  }

  void storedOptionsAndListAreShown() {
    gt::WriteFile(Config(), U("Zentravolix.ini"),
                  "[CONVERTTEXT]\r\nSUBDIR=1\r\nOVERWRITE= 1\r\nEXCEPTFILECOPYONLY=-1\r\n");
    gt::WriteFile(Config(), U("ZentravolixExpList"), "txt\r\n\r\nJPG\nlast");
    CDlgFolderTextSetting dlg;
    gt::ShowModal(dlg, [](CDlgFolderTextSetting&) {});
    QVERIFY(dlg.SubDirCheck()->isChecked());
    QVERIFY(dlg.OverwriteCheck()->isChecked());  // leading blanks read as a number
    // "-1": neither radio button.
    QVERIFY(!dlg.CopyOnlyRadio()->isChecked());
    QVERIFY(!dlg.NoCopyRadio()->isChecked());
    QCOMPARE(Entries(dlg), (QStringList{U("txt"), QString(), U("JPG"), U("last")}));
    QCOMPARE(dlg.SelectedEntry(), 0);

    // Kept as it was: OK writes "-1" back.
    CDlgFolderTextSetting again;
    gt::ShowModal(again, [](CDlgFolderTextSetting& d) { d.OkButton()->click(); });
    zv::TextOptions stored;
    QVERIFY(zv::LoadConvertTextOptions(stored));
    QCOMPARE(stored.exceptFileCopyOnly, std::string("-1"));
    QCOMPARE(stored.overwrite, std::string("1"));

    gt::WriteFile(Config(), U("Zentravolix.ini"), "[CONVERTTEXT]\r\nEXCEPTFILECOPYONLY=1\r\n");
    CDlgFolderTextSetting noCopy;
    gt::ShowModal(noCopy, [](CDlgFolderTextSetting&) {});
    QVERIFY(noCopy.NoCopyRadio()->isChecked());
    QVERIFY(!noCopy.SubDirCheck()->isChecked());
  }

  // The encoding and line ends live in keys of their own: a file without
  // them shows the code page and CR LF; OK writes what is shown.
  void encodingAndLineEndsAreShownAndSaved() {
    gt::WriteFile(Config(), U("Zentravolix.ini"), "[CONVERTTEXT]\r\nSUBDIR=1\r\n");
    CDlgFolderTextSetting dlg;
    gt::ShowModal(dlg, [](CDlgFolderTextSetting& d) {
      QCOMPARE(d.EncodingBox()->currentText(), U("システム (既定)"));
      QVERIFY(d.CrLfRadio()->isChecked() && !d.KeepLineEndsRadio()->isChecked());
      d.EncodingBox()->SetChoice(zv::EncodingChoice::Auto);
      d.KeepLineEndsRadio()->setChecked(true);
      d.OkButton()->click();
    });
    zv::TextEncodingOptions stored;
    QVERIFY(zv::LoadTextEncodingOptions(stored));
    QCOMPARE(stored.encoding, std::string("auto"));
    QCOMPARE(stored.keepLineEnds, std::string("1"));
    CDlgFolderTextSetting again;
    gt::ShowModal(again, [](CDlgFolderTextSetting& d) {
      QCOMPARE(d.EncodingBox()->currentText(), U("自動判別"));
      QVERIFY(d.KeepLineEndsRadio()->isChecked());
      QVERIFY(d.SubDirCheck()->isChecked());
    });
  }

  void anUnreadableListIsReportedAndTheDefaultsShown() {
    QDir().mkpath(ExtList());  // a folder cannot be read as the list
    CDlgFolderTextSetting dlg;
    gt::ShowModal(dlg, [](CDlgFolderTextSetting&) {});
    QCOMPARE(Entries(dlg), Defaults());
    const auto boxes = gt::MessageBoxes();
    QCOMPARE(boxes.size(), std::size_t(1));
    QCOMPARE(boxes[0].caption, U("Zentravolix"));
    QCOMPARE(boxes[0].icon, QMessageBox::Critical);
    QVERIFY2(boxes[0].text.startsWith(ExtList() + U(": ")), qPrintable(boxes[0].text));
  }

  void editingTheList() {
    gt::WriteFile(Config(), U("ZentravolixExpList"), "doc\nxls\n");
    CDlgFolderTextSetting dlg;
    QList<int> selections;
    QList<QStringList> states;
    gt::ShowModal(dlg, [&](CDlgFolderTextSetting& d) {
      // Equal entries are allowed; the new one is selected.
      AnswerExtension(U("jpg"));
      d.AddButton()->click();
      AnswerExtension(U(".jpg"));
      d.AddButton()->click();
      states << Entries(d);
      selections << d.SelectedEntry();
      // A cancelled add changes nothing.
      AnswerExtension(U("zzz"), false);
      d.AddButton()->click();
      states << Entries(d);

      // Edit keeps the position; a cancelled edit keeps the entry.
      d.m_listExt->setCurrentRow(0);
      AnswerExtension(U("docx"));
      d.EditButton()->click();
      selections << d.SelectedEntry();
      AnswerExtension(U("nope"), false);
      d.EditButton()->click();
      states << Entries(d);

      // Delete the selected entry; then nothing is selected, so again nothing goes.
      d.m_listExt->setCurrentRow(1);
      d.DeleteButton()->click();
      selections << d.SelectedEntry();
      d.DeleteButton()->click();
      states << Entries(d);
      // Edit without a selection opens nothing.
      d.EditButton()->click();

      d.ResetButton()->click();
      states << Entries(d);
      selections << d.SelectedEntry();
      d.CancelButton()->click();
    });
    QCOMPARE(states.at(0), (QStringList{U("doc"), U("xls"), U("jpg"), U("jpg")}));
    QCOMPARE(states.at(1), states.at(0));
    QCOMPARE(states.at(2), (QStringList{U("docx"), U("xls"), U("jpg"), U("jpg")}));
    QCOMPARE(states.at(3), (QStringList{U("docx"), U("jpg"), U("jpg")}));
    QCOMPARE(states.at(4), Defaults());
    QCOMPARE(selections, (QList<int>{3, 0, -1, 0}));
    int extensionDialogs = 0;
    for (const auto& r : CUiPrompts::Records()) {
      if (r.kind == CUiPrompts::Kind::Modal && r.dialogClass == U("CDlgExtension")) ++extensionDialogs;
    }
    QCOMPARE(extensionDialogs, 5);
    // Reset and cancel: the file is as it was.
    QCOMPARE(gt::ReadFile(ExtList()), std::string("doc\nxls\n"));
  }

  void okWritesTheOptionsFirstAndTheListSecond() {
    gt::WriteFile(Config(), U("ZentravolixExpList"), "doc\n");
    QStringList touched;
    zv::SetFileFaultHook([&touched](zv::FileOp op, const std::string& path) {
      if (op == zv::FileOp::Write || op == zv::FileOp::Rename) touched << QString::fromStdString(path);
      return 0;
    });
    CDlgFolderTextSetting dlg;
    const int result = gt::ShowModal(dlg, [](CDlgFolderTextSetting& d) {
      d.SubDirCheck()->setChecked(true);
      d.NoCopyRadio()->setChecked(true);
      d.ResetButton()->click();
      d.OkButton()->click();
    });
    zv::SetFileFaultHook(nullptr);
    QCOMPARE(result, int(QDialog::Accepted));
    int firstIni = -1, firstList = -1;
    for (int i = 0; i < touched.size(); ++i) {
      if (firstIni < 0 && touched.at(i).contains(U("Zentravolix.ini"))) firstIni = i;
      if (firstList < 0 && touched.at(i).contains(U("ZentravolixExpList"))) firstList = i;
    }
    QVERIFY2(firstIni >= 0 && firstList > firstIni, qPrintable(touched.join(U(" | "))));
    zv::TextOptions stored;
    QVERIFY(zv::LoadConvertTextOptions(stored));
    QCOMPARE(stored.subDir, std::string("1"));
    QCOMPARE(stored.overwrite, std::string("0"));
    QCOMPARE(stored.exceptFileCopyOnly, std::string("1"));
    // The list file holds the 28 defaults, each with a CR LF.
    std::string expected;
    for (const QString& e : Defaults()) expected += e.toStdString() + "\r\n";
    QCOMPARE(gt::ReadFile(ExtList()), expected);
  }

  void aFailedListSaveIsReportedAndTheDialogStillCloses() {
    zv::SetFileFaultHook([](zv::FileOp op, const std::string& path) {
      return op == zv::FileOp::Open && path.find("ZentravolixExpList") != std::string::npos ? EACCES : 0;
    });
    CDlgFolderTextSetting dlg;
    const int result = gt::ShowModal(dlg, [](CDlgFolderTextSetting& d) {
      d.OverwriteCheck()->setChecked(true);
      d.OkButton()->click();
    });
    zv::SetFileFaultHook(nullptr);
    QCOMPARE(result, int(QDialog::Accepted));
    const auto boxes = gt::MessageBoxes();
    QCOMPARE(boxes.size(), std::size_t(1));
    QCOMPARE(boxes[0].text, ExtList() + U(": ﾌｧｲﾙｱｸｾｽ禁止です"));
    QCOMPARE(boxes[0].icon, QMessageBox::Critical);
    zv::TextOptions stored;
    QVERIFY(zv::LoadConvertTextOptions(stored));
    QCOMPARE(stored.overwrite, std::string("1"));
    QVERIFY(!QFile::exists(ExtList()));
  }

  void extensionNamesLoseTheirLeadingDots() {
    struct Case {
      QString typed;
      bool accepted;
      QString ext;  // what it hands back, or what the edit shows after a refusal
    };
    const Case cases[] = {{U(".txt"), true, U("txt")},      {U("..txt"), true, U("txt")},
                          {U("tar.gz"), true, U("tar.gz")}, {U("拡張"), true, U("拡張")},
                          {U("."), false, QString()},       {U("..."), false, QString()},
                          {QString(), false, QString()}};
    for (const Case& c : cases) {
      CUiPrompts::Reset();
      CDlgExtension dlg;
      QString shown;
      bool stayed = false;
      CUiPrompts::PushModalHandler([&](QDialog& d) {
        auto& ext = static_cast<CDlgExtension&>(d);
        gt::TypeText(ext.ExtEdit(), c.typed);
        ext.OkButton()->click();
        stayed = ext.isVisible();
        shown = ext.ExtEdit()->text();
        if (stayed) ext.CancelButton()->click();
        return ext.result();
      });
      const int result = CUiPrompts::DoModal(dlg);
      QCOMPARE(result == QDialog::Accepted, c.accepted);
      QCOMPARE(stayed, !c.accepted);
      QCOMPARE(shown, c.ext);
      const auto boxes = gt::MessageBoxes();
      if (c.accepted) {
        QCOMPARE(QString::fromStdString(dlg.m_strExt), c.ext);
        QVERIFY(boxes.empty());
      } else {
        QCOMPARE(boxes.size(), std::size_t(1));
        QCOMPARE(boxes[0].text, U("拡張子名が正しくありません。"));
        QCOMPARE(boxes[0].icon, QMessageBox::Warning);
        QCOMPARE(boxes[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
      }
    }
    CDlgExtension dlg;
    QCOMPARE(dlg.windowTitle(), U("拡張子"));
    QCOMPARE(dlg.findChild<QLabel*>()->text(), U("拡張子名(&N)："));
  }
};

QTEST_MAIN(FolderTextSettingTest)
#include "FolderTextSettingTest.moc"
