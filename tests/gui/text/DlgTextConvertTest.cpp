// The single-file text dialog: opening and saving with their line ends,
// conversion by the list in display order, line-break removal, hand edits,
// refused characters, file errors, the size rule, and the field's byte-exact
// rendering, in both code pages.

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>
#include <QTextDocument>
#include <cerrno>

#include "GuiTestSupport.h"
#include "app/CommandIds.h"
#include "app/DialogUnits.h"
#include "app/FileDialog.h"
#include "app/MainFrame.h"
#include "app/QStringBytes.h"
#include "app/ZentravolixApp.h"
#include "list/ZentravolixView.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "settings/Settings.h"
#include "text/DlgTextConvert.h"
#include "text/EncodingChoiceBox.h"

using gt::U;

namespace {

void AddCodePages() {
  QTest::addColumn<int>("cp");
  QTest::newRow("utf8") << static_cast<int>(zv::CodePage::Utf8);
  QTest::newRow("cp932") << static_cast<int>(zv::CodePage::Cp932);
}

void UseCodePage() {
  QFETCH(int, cp);
  zv::SetActiveCodePage(static_cast<zv::CodePage>(cp));
}

void Open(CDlgTextConvert& dlg, const QString& path) {
  CUiPrompts::PushPathAnswer(path);
  dlg.OnOpenFile();
}

void Save(CDlgTextConvert& dlg, const QString& path) {
  CUiPrompts::PushPathAnswer(path);
  dlg.OnSaveFile();
}

QString Field(const CDlgTextConvert& dlg) { return dlg.TextEdit()->toPlainText(); }

// The escape the field shows for a byte it cannot show as itself.
QString Esc(unsigned char b) { return QString(QChar(static_cast<char16_t>(0xDC00 + b))); }

const CUiPrompts::Record* LastOf(CUiPrompts::Kind kind) {
  const auto& records = CUiPrompts::Records();
  for (auto it = records.rbegin(); it != records.rend(); ++it) {
    if (it->kind == kind) return &*it;
  }
  return nullptr;
}

// Collects the enabled state of a widget each time it changes.
class EnableWatcher : public QObject {
 public:
  explicit EnableWatcher(QWidget* w) : m_w(w) { w->installEventFilter(this); }
  QList<bool> changes;

 protected:
  bool eventFilter(QObject* obj, QEvent* e) override {
    if (obj == m_w && e->type() == QEvent::EnabledChange) changes << m_w->isEnabled();
    return false;
  }

 private:
  QWidget* m_w;
};

}  // namespace

class DlgTextConvertTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { gt::InitGuiTests(); }
  void init() {
    CUiPrompts::Reset();
    zv::SetActiveCodePage(zv::CodePage::Utf8);
  }
  void cleanup() {
    // A failed test must not leave the real file dialog to the next one.
    CFileDialog::SetRealDialogInTestMode(false);
    zv::SetFileFaultHook(nullptr);
    zv::SetActiveCodePage(zv::CodePage::Utf8);
  }

  void textsAndShape() {
    CZentravolixView view;
    CDlgTextConvert dlg(&view);
    QCOMPARE(dlg.windowTitle(), U("ﾃｷｽﾄ置換[*]"));  // "*" while the text is unsaved
    QStringList texts;
    for (QPushButton* b : {dlg.OpenButton(), dlg.SaveButton(), dlg.QuitButton(), dlg.ConvertButton(),
                           dlg.RemoveLineBreaksButton()})
      texts << b->text();
    QCOMPARE(texts, (QStringList{U("ﾌｧｲﾙを開く(&O)..."), U("保存(&F)..."), U("終了"), U("変換(&C)..."),
                                 U("改行を削除(&R)")}));
    const QList<QLabel*> labels = dlg.findChildren<QLabel*>();
    QCOMPARE(labels.size(), 3);  // with ours: the encoding's label and what a file was read as
    QCOMPARE(labels[0]->text(), U("ファイル名："));
    QVERIFY(labels[0]->alignment() & Qt::AlignRight);
    QCOMPARE(labels[1]->text(), U("文字コード(&K)："));
    QCOMPARE(dlg.EncodingBox()->currentText(), U("システム (既定)"));
    QVERIFY(dlg.EncodingLabel()->text().isEmpty());
    QVERIFY(dlg.PathEdit()->isReadOnly());
    QCOMPARE(dlg.TextEdit()->lineWrapMode(), QPlainTextEdit::NoWrap);
    QCOMPARE(dlg.TextEdit()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(dlg.TextEdit()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

    // Shown, it has at least the minimum size, the fields follow the size
    // rule, and no button is the default one that Enter would press.
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    const QRect outer = dlg.frameGeometry();
    QVERIFY(outer.width() >= 550 && outer.height() >= 210);
    const QRect text = dlg.TextEdit()->geometry();
    QCOMPARE(text.right() + 1, outer.width() - 20);
    QCOMPARE(text.bottom() + 1, outer.height() - 35);
    for (QPushButton* b : dlg.findChildren<QPushButton*>()) QVERIFY(!b->isDefault());
  }

  void openAndSaveBackEndEveryLineWithCrLf_data() { AddCodePages(); }
  void openAndSaveBackEndEveryLineWithCrLf() {
    UseCodePage();
    const QString dir = gt::NewDir();
    CZentravolixView view;
    CDlgTextConvert dlg(&view);

    // LF-only lines come in as CR LF, and go out that way.
    const QString lf = gt::WriteFile(dir, U("lf.txt"), gt::B("あ\nb\n"));
    Open(dlg, lf);
    QCOMPARE(dlg.PathEdit()->text(), lf);
    QCOMPARE(Field(dlg), U("あ\nb\n"));
    QCOMPARE(dlg.m_strText, gt::B("あ\r\nb\r\n"));
    const QString out1 = dir + U("/out1.txt");
    Save(dlg, out1);
    QCOMPARE(gt::ReadFile(out1), gt::B("あ\r\nb\r\n"));
    QCOMPARE(dlg.PathEdit()->text(), out1);
    QCOMPARE(Field(dlg), U("あ\nb\n"));

    // CR LF lines never double their CR; the last line gains its line end.
    const QString crlf = gt::WriteFile(dir, U("crlf.txt"), gt::B("a\r\n日本\r\n\r\nい"));
    Open(dlg, crlf);
    QCOMPARE(Field(dlg), U("a\n日本\n\nい\n"));
    Save(dlg, out1);  // replaced without a question
    QCOMPARE(gt::ReadFile(out1), gt::B("a\r\n日本\r\n\r\nい\r\n"));

    // Lone CRs stay, even when the text was edited by hand before saving;
    // 0x1A is an ordinary byte.
    const QString cr = gt::WriteFile(dir, U("cr.txt"), "a\rb\x1A\r\r\nc");
    Open(dlg, cr);
    QCOMPARE(Field(dlg), U("a") + Esc('\r') + U("b\x1A") + Esc('\r') + U("\nc\n"));
    const QString out2 = dir + U("/out2.txt");
    Save(dlg, out2);
    QCOMPARE(gt::ReadFile(out2), std::string("a\rb\x1A\r\r\nc\r\n"));
    dlg.TextEdit()->moveCursor(QTextCursor::End);
    gt::TypeText(dlg.TextEdit(), U("x"));
    Save(dlg, out2);
    QCOMPARE(gt::ReadFile(out2), std::string("a\rb\x1A\r\r\nc\r\nx"));

    // An empty file gives an empty text and an empty file.
    const QString empty = gt::WriteFile(dir, U("empty.txt"), "");
    Open(dlg, empty);
    QVERIFY(Field(dlg).isEmpty());
    Save(dlg, out2);
    QCOMPARE(gt::ReadFile(out2), std::string());
    QVERIFY(gt::MessageBoxes().empty());
  }

  // In both sessions, a UTF-8 name and a legacy CP932 name: the open and
  // save dialogs list each name readably and reach it by its bytes.
  void filesAreReachedByTheirOwnBytes_data() { AddCodePages(); }
  void filesAreReachedByTheirOwnBytes() {
    UseCodePage();
    const std::string dir = QStringToPath(gt::NewDir()) + "/";
    const std::string legacy = *zv::ConvertCodePage("旧メモ.txt", zv::CodePage::Utf8, zv::CodePage::Cp932);
    CFileDialog::SetRealDialogInTestMode(true);
    std::size_t files = 0;
    for (const std::string& name : {std::string("メモ.txt"), legacy}) {
      ++files;
      QVERIFY(zv::WriteFileAtomic(dir + name, gt::B("株式会社\r\n")));
      CZentravolixView view;
      CDlgTextConvert dlg(&view);
      CUiPrompts::PushModalHandler([&](QDialog& d) {
        auto& f = static_cast<CFileDialog&>(d);
        f.SetFolder(dir);
        f.List()->setCurrentItem(f.List()->findItems(PathToQString(name), Qt::MatchExactly).value(0));
        f.OkButton()->click();
        return f.result();
      });
      dlg.OnOpenFile();
      QCOMPARE(dlg.PathEdit()->text(), PathToQString(dir + name));
      QCOMPARE(dlg.m_strText, gt::B("株式会社\r\n"));

      // The save dialog starts on the file; OK saves over it once the user
      // has said yes to replacing it.
      dlg.TextEdit()->moveCursor(QTextCursor::End);
      gt::TypeText(dlg.TextEdit(), U("x"));
      CUiPrompts::PushModalHandler([](QDialog& d) {
        static_cast<CFileDialog&>(d).OkButton()->click();
        return d.result();
      });
      CUiPrompts::PushMessageAnswer(QMessageBox::Yes);
      dlg.OnSaveFile();
      QCOMPARE(gt::ReadFile(PathToQString(dir + name)), gt::B("株式会社\r\nx"));
      QCOMPARE(zv::ListDirectory(dir, "*.*").entries.size(), files);
      QCOMPARE(gt::MessageBoxes().size(), files);  // one for each file so far
      QVERIFY(gt::MessageBoxes().back().text.endsWith(U("は既に存在します。\n上書きしますか?")));
    }
    CFileDialog::SetRealDialogInTestMode(false);
  }

  // With 自動判別 a file is read, converted and saved in its own encoding,
  // with its mark; rows its encoding cannot hold sit out and are named.
  void aFileIsReadConvertedAndSavedInItsOwnEncoding() {
    zv::SetActiveCodePage(zv::CodePage::Utf8);
    const QString dir = gt::NewDir();
    CZentravolixView view;
    view.OnInitialUpdate();
    QVERIFY(view.AddConvertItem(0, "株式", "ｶﾌﾞ"));  // ISO-2022-JP has no half-width katakana
    QVERIFY(view.AddConvertItem(1, "会社", "(社)"));
    CDlgTextConvert dlg(&view);
    dlg.EncodingBox()->SetChoice(zv::EncodingChoice::Auto);
    QCOMPARE(zv::LoadTextDialogEncoding(), std::string("auto"));  // remembered
    const struct {
      const char* name;
      std::string bytes, saved;
      const char* label;
    } cases[] = {
        {"euc.txt", "\xB3\xF4\xBC\xB0\xB2\xF1\xBC\xD2", "\x8E\xB6\x8E\xCC\x8E\xDE(\xBC\xD2)\r\n", "EUC-JP"},
        {"bom.txt", "\xEF\xBB\xBF株式会社", "\xEF\xBB\xBFｶﾌﾞ(社)\r\n", "UTF-8 (BOM)"},
        {"iso.txt", "\x1B$B3t<02q<R\x1B(B", "\x1B$B3t<0\x1B(B(\x1B$B<R\x1B(B)\r\n", "ISO-2022-JP"},
    };
    for (const auto& c : cases) {
      const QString path = gt::WriteFile(dir, U(c.name), c.bytes);
      Open(dlg, path);
      dlg.OnConvert();
      QCOMPARE(dlg.EncodingLabel()->text(), U(c.label));
      Save(dlg, path);
      QCOMPARE(gt::ReadFile(path), c.saved);
    }
    // Said once, for the one file whose encoding had no form for a row.
    const auto boxes = gt::MessageBoxes();
    QCOMPARE(boxes.size(), std::size_t(1));
    QCOMPARE(boxes[0].text, U("変換リストの行 1 は ISO-2022-JP "
                              "のテキストでは表せない文字を含むため、そのファイルには使いません。"));
    dlg.EncodingBox()->SetChoice(zv::EncodingChoice::System);
  }

  void untouchedTextKeepsItsBytes() {
    // CP932 has some characters twice (0xFA4A and 0x8754 are both U+2160);
    // the field holds characters, so only an edited text takes the usual form.
    zv::SetActiveCodePage(zv::CodePage::Cp932);
    const QString dir = gt::NewDir();
    CZentravolixView view;
    view.OnInitialUpdate();
    QVERIFY(view.AddConvertItem(0, "q", "Q"));
    CDlgTextConvert dlg(&view);
    Open(dlg, gt::WriteFile(dir, U("dup.txt"), "\xFA\x4Aq\r\n"));
    QCOMPARE(Field(dlg), U("Ⅰq\n"));
    dlg.OnConvert();
    dlg.OnRemoveLineBreaks();
    const QString out = dir + U("/out.txt");
    Save(dlg, out);
    QCOMPARE(gt::ReadFile(out), std::string("\xFA\x4AQ"));
    // Typing and taking it back again counts as an edit.
    gt::TypeText(dlg.TextEdit(), U("z"));
    QTest::keyClick(dlg.TextEdit(), Qt::Key_Backspace);
    Save(dlg, out);
    QCOMPARE(gt::ReadFile(out), std::string("\x87\x54Q"));
  }

  void convertAppliesEveryRowInDisplayOrder_data() { AddCodePages(); }
  void convertAppliesEveryRowInDisplayOrder() {
    UseCodePage();
    const QString dir = gt::NewDir();
    CZentravolixView view;
    view.OnInitialUpdate();
    QVERIFY(view.AddConvertItem(0, "a", "b"));
    QVERIFY(view.AddConvertItem(1, "b", "c"));
    QVERIFY(view.AddConvertItem(2, gt::B("日本"), gt::B("ﾆﾎﾝ")));
    CDlgTextConvert dlg(&view);

    // Converting an empty field leaves it empty.
    dlg.OnConvert();
    QVERIFY(Field(dlg).isEmpty());

    const QString file = gt::WriteFile(dir, U("t.txt"), gt::B("ab日本\n"));
    Open(dlg, file);
    EnableWatcher watcher(dlg.ConvertButton());
    dlg.OnConvert();
    QCOMPARE(watcher.changes, (QList<bool>{false, true}));  // disabled while it runs
    QCOMPARE(Field(dlg), U("ccﾆﾎﾝ\n"));
    QCOMPARE(dlg.m_strText, gt::B("ccﾆﾎﾝ\r\n"));

    // Sorted descending by the search column: "日本", "b"->"c", "a"->"b".
    // Only the first row is selected; every row still takes part.
    view.OnColumnClick(0);
    view.OnColumnClick(0);
    QCOMPARE(view.ItemAt(1)->m_strFind, std::string("b"));
    view.SetRowSelected(0, true);
    Open(dlg, file);
    dlg.OnConvert();
    QCOMPARE(Field(dlg), U("bcﾆﾎﾝ\n"));
    const QString out = dir + U("/out.txt");
    Save(dlg, out);
    QCOMPARE(gt::ReadFile(out), gt::B("bcﾆﾎﾝ\r\n"));
  }

  void removeLineBreaksThenSaveGivesOneLine_data() { AddCodePages(); }
  void removeLineBreaksThenSaveGivesOneLine() {
    UseCodePage();
    const QString dir = gt::NewDir();
    CZentravolixView view;
    CDlgTextConvert dlg(&view);
    Open(dlg, gt::WriteFile(dir, U("t.txt"), gt::B("あ\r\nb\nc\rd")));
    dlg.OnRemoveLineBreaks();
    QCOMPARE(dlg.TextEdit()->document()->blockCount(), 1);
    QCOMPARE(Field(dlg), U("あbc") + Esc('\r') + U("d"));
    const QString out = dir + U("/out.txt");
    Save(dlg, out);
    QCOMPARE(gt::ReadFile(out), gt::B("あbc\rd"));
  }

  void typedTextIsConvertedAndSaved_data() { AddCodePages(); }
  void typedTextIsConvertedAndSaved() {
    UseCodePage();
    const QString dir = gt::NewDir();
    CZentravolixView view;
    view.OnInitialUpdate();
    QVERIFY(view.AddConvertItem(0, gt::B("い"), gt::B("イ")));
    CDlgTextConvert dlg(&view);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    dlg.TextEdit()->setFocus();
    gt::TypeText(dlg.TextEdit(), U("あい"));
    QTest::keyClick(dlg.TextEdit(), Qt::Key_Return);  // a line break, not the end of the dialog
    QTest::keyClick(dlg.TextEdit(), Qt::Key_Enter);
    gt::TypeText(dlg.TextEdit(), U("いa"));
    QVERIFY(dlg.isVisible());
    QCOMPARE(dlg.result(), 0);
    QCOMPARE(Field(dlg), U("あい\n\nいa"));

    QTest::mouseClick(dlg.ConvertButton(), Qt::LeftButton);
    QCOMPARE(Field(dlg), U("あイ\n\nイa"));
    const QString out = dir + U("/typed.txt");
    Save(dlg, out);
    QCOMPARE(gt::ReadFile(out), gt::B("あイ\r\n\r\nイa"));
    QCOMPARE(dlg.PathEdit()->text(), out);

    // The quit button closes without a question.
    QTest::mouseClick(dlg.QuitButton(), Qt::LeftButton);
    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
    QVERIFY(gt::MessageBoxes().empty());
  }

  void cancellingEitherFileDialogChangesNothing() {
    const QString dir = gt::NewDir();
    CZentravolixView view;
    CDlgTextConvert dlg(&view);
    const QString file = gt::WriteFile(dir, U("a.txt"), "one\n");
    Open(dlg, file);

    dlg.OnOpenFile();  // no answer: cancelled
    const CUiPrompts::Record* open = LastOf(CUiPrompts::Kind::OpenFile);
    QVERIFY(open);
    QCOMPARE(open->owner, &dlg);
    QCOMPARE(open->file.filters, QStringList{U("ﾃｷｽﾄ(*.txt)")});
    QCOMPARE(PathToQString(open->file.initialPath), file);
    QVERIFY(open->file.mustExist);
    QVERIFY(open->file.defaultSuffix.isEmpty());
    QCOMPARE(dlg.PathEdit()->text(), file);
    QCOMPARE(Field(dlg), U("one\n"));

    gt::TypeText(dlg.TextEdit(), U("z"));
    dlg.OnSaveFile();
    const CUiPrompts::Record* save = LastOf(CUiPrompts::Kind::SaveFile);
    QVERIFY(save);
    QCOMPARE(save->file.filters, QStringList{U("ﾃｷｽﾄ(*.txt)")});
    QCOMPARE(PathToQString(save->file.initialPath), file);
    QVERIFY(save->file.confirmOverwrite);
    QVERIFY(save->file.defaultSuffix.isEmpty());
    QCOMPARE(gt::ReadFile(file), std::string("one\n"));
    QCOMPARE(dlg.PathEdit()->text(), file);
    QCOMPARE(PathToQString(dlg.m_strPath), file);
    QVERIFY(gt::MessageBoxes().empty());
  }

  void failedOpenKeepsTheDisplay_data() { AddCodePages(); }
  void failedOpenKeepsTheDisplay() {
    UseCodePage();
    const QString dir = gt::NewDir();
    CZentravolixView view;
    view.OnInitialUpdate();
    QVERIFY(view.AddConvertItem(0, "x", "y"));
    CDlgTextConvert dlg(&view);
    const QString good = gt::WriteFile(dir, U("good.txt"), gt::B("x表\n"));
    Open(dlg, good);

    // Access denied: the message, and the fields go on showing good.txt.
    const QString denied = gt::WriteFile(dir, U("denied.txt"), "other\n");
    const std::string deniedBytes = denied.toStdString();
    zv::SetFileFaultHook([&](zv::FileOp op, const std::string& path) {
      return op == zv::FileOp::Open && path == deniedBytes ? EACCES : 0;
    });
    Open(dlg, denied);
    auto boxes = gt::MessageBoxes();
    QCOMPARE(boxes.size(), size_t(1));
    QCOMPARE(boxes[0].text, denied + U(": ﾌｧｲﾙｱｸｾｽ禁止です"));
    QCOMPARE(boxes[0].caption, U("Zentravolix"));
    QCOMPARE(boxes[0].icon, QMessageBox::Critical);
    QCOMPARE(dlg.PathEdit()->text(), good);
    QCOMPARE(Field(dlg), U("x表\n"));
    // Only the next file dialog proposes the name that failed ...
    dlg.OnOpenFile();
    QCOMPARE(PathToQString(LastOf(CUiPrompts::Kind::OpenFile)->file.initialPath), denied);
    // ... and the buttons work on what the fields show.
    dlg.OnConvert();
    QCOMPARE(Field(dlg), U("y表\n"));
    dlg.OnOpenFile();
    QCOMPARE(PathToQString(LastOf(CUiPrompts::Kind::OpenFile)->file.initialPath), good);

    // A missing folder is a bad path; a file gone from an existing folder
    // shows nothing; a read that fails midway has our own words.
    CUiPrompts::Reset();
    const QString noFolder = dir + U("/none/a.txt");
    Open(dlg, noFolder);
    Open(dlg, dir + U("/gone.txt"));
    zv::SetFileFaultHook([&](zv::FileOp op, const std::string& path) {
      return op == zv::FileOp::Read && path == deniedBytes ? EIO : 0;
    });
    Open(dlg, denied);
    boxes = gt::MessageBoxes();
    QCOMPARE(boxes.size(), size_t(2));
    QCOMPARE(boxes[0].text, noFolder + U(": ﾊﾟｽが誤っています"));
    QCOMPARE(boxes[1].text, denied + U(" を読み込めませんでした。"));
    QCOMPARE(Field(dlg), U("y表\n"));
    QCOMPARE(dlg.PathEdit()->text(), good);

    const QString out = dir + U("/out.txt");
    Save(dlg, out);
    QCOMPARE(gt::ReadFile(out), gt::B("y表\r\n"));
  }

  void failedSaveIsReportedAndTheDialogStays() {
    const QString dir = gt::NewDir();
    CZentravolixView view;
    CDlgTextConvert dlg(&view);
    dlg.show();
    const QString file = gt::WriteFile(dir, U("a.txt"), "keep\n");
    Open(dlg, file);
    gt::TypeText(dlg.TextEdit(), U("new "));

    Save(dlg, U("/dev/full"));
    const QString noFolder = dir + U("/none/b.txt");
    Save(dlg, noFolder);
    // A failure without a cause of its own (a lock, say) has our words.
    const std::string fileBytes = file.toStdString();
    zv::SetFileFaultHook([&](zv::FileOp op, const std::string& path) {
      return op == zv::FileOp::Open && path == fileBytes ? EWOULDBLOCK : 0;
    });
    Save(dlg, file);
    const auto boxes = gt::MessageBoxes();
    QCOMPARE(boxes.size(), size_t(3));
    QCOMPARE(boxes[0].text, U("/dev/full: ﾃﾞｨｽｸが一杯です"));
    QCOMPARE(boxes[0].caption, U("Zentravolix"));
    QCOMPARE(boxes[0].icon, QMessageBox::Critical);
    QCOMPARE(boxes[1].text, noFolder + U(": ﾊﾟｽが誤っています"));
    QCOMPARE(boxes[2].text, file + U(" に保存できませんでした。"));
    QCOMPARE(gt::ReadFile(file), std::string("keep\n"));
    QVERIFY(dlg.isVisible());
    QCOMPARE(dlg.PathEdit()->text(), file);
    QCOMPARE(Field(dlg), U("new keep\n"));
  }

  void charactersTheCodePageCannotHoldAreRefused() {
    zv::SetActiveCodePage(zv::CodePage::Cp932);
    const QString dir = gt::NewDir();
    CZentravolixView view;
    view.OnInitialUpdate();
    QVERIFY(view.AddConvertItem(0, "a", "b"));
    CDlgTextConvert dlg(&view);
    const QString out = dir + U("/out.txt");

    // U+301C goes into CP932 only as the bytes of U+FF5E, which read back as
    // another character; é does not go in at all.
    gt::TypeText(dlg.TextEdit(), U("a〜"));
    Save(dlg, out);
    gt::TypeText(dlg.TextEdit(), U("éé"));
    Save(dlg, out);
    QVERIFY(!QFile::exists(out));
    QVERIFY(!LastOf(CUiPrompts::Kind::SaveFile));
    auto boxes = gt::MessageBoxes();
    QCOMPARE(boxes.size(), size_t(2));
    QCOMPARE(boxes[0].caption, U("Moravquell"));
    QVERIFY(boxes[0].text.contains(U("CP932")));
    QVERIFY(boxes[0].text.endsWith(U("\n〜 (U+301C)")));
    QVERIFY(boxes[1].text.contains(U("é (U+00E9)")));
    QCOMPARE(boxes[1].text.count(U("U+00E9")), 1);
    // Converting is refused the same way and leaves the field alone.
    dlg.OnConvert();
    dlg.OnRemoveLineBreaks();
    QCOMPARE(gt::MessageBoxes().size(), size_t(4));
    QCOMPARE(Field(dlg), U("a〜éé"));

    // The full-width tilde is CP932's own and goes through.
    dlg.TextEdit()->selectAll();
    gt::TypeText(dlg.TextEdit(), U("a～"));
    dlg.OnConvert();
    QCOMPARE(Field(dlg), U("b～"));
    Save(dlg, out);
    QCOMPARE(gt::ReadFile(out), std::string("b\x81\x60"));

    // UTF-8 holds them all.
    zv::SetActiveCodePage(zv::CodePage::Utf8);
    dlg.TextEdit()->selectAll();
    gt::TypeText(dlg.TextEdit(), U("aé〜"));
    Save(dlg, out);
    QCOMPARE(gt::ReadFile(out), std::string("a\xC3\xA9\xE3\x80\x9C"));
  }

  void resizingKeepsTheMinimumAndStretchesTheFields() {
    CZentravolixView view;
    CDlgTextConvert dlg(&view);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    const int extraW = dlg.frameGeometry().width() - dlg.width();
    const int extraH = dlg.frameGeometry().height() - dlg.height();
    const QPoint convertAt = dlg.ConvertButton()->pos();

    dlg.resize(300 - extraW, 100 - extraH);
    QTRY_COMPARE(dlg.frameGeometry().size(), QSize(550, 210));
    dlg.resize(700 - extraW, 120 - extraH);
    QTRY_COMPARE(dlg.frameGeometry().size(), QSize(700, 210));
    dlg.resize(500 - extraW, 400 - extraH);
    QTRY_COMPARE(dlg.frameGeometry().size(), QSize(550, 400));

    dlg.resize(800 - extraW, 500 - extraH);
    QTRY_COMPARE(dlg.frameGeometry().size(), QSize(800, 500));
    const QRect path = dlg.PathEdit()->geometry();
    const QRect text = dlg.TextEdit()->geometry();
    QCOMPARE(path.right() + 1, 800 - 20);
    QCOMPARE(text.right() + 1, 800 - 20);
    QCOMPARE(text.bottom() + 1, 500 - 35);
    const CDialogUnits du(dlg.font());
    QCOMPARE(path.topLeft(), du.Rect(43, 23, 0, 0).topLeft());
    QCOMPARE(path.height(), du.Y(12));
    QCOMPARE(text.topLeft(), du.Rect(7, 57, 0, 0).topLeft());
    QCOMPARE(dlg.ConvertButton()->pos(), convertAt);
  }

  // Any bytes shown in the field and taken back, through the real document,
  // come back unchanged.
  void fieldRenderingIsExact_data() { AddCodePages(); }
  void fieldRenderingIsExact() {
    UseCodePage();
    const zv::CodePage cp = zv::ActiveCodePage();
    using namespace std::string_literals;
    std::vector<std::string> pieces = {gt::B("ソ"), gt::B("表"), gt::B("～")};
    const std::string more =
        "a|\r|\n|\r\n|\0|\x1A|\\|\xFF|\x80|\x81|\xA0|\xB1|\x85\x40|\xE2\x80\xA9|\xE2\x80\xA8|\xEF\xB7\x90|\xC2\xA0|\xE3\x81|\t| "s;
    for (const QByteArray& piece : QByteArray::fromStdString(more).split('|'))
      pieces.push_back(piece.toStdString());
    // An encoded surrogate is invalid UTF-8; in CP932 the same bytes start
    // one of the characters CP932 has twice, which is another matter.
    if (cp == zv::CodePage::Utf8) pieces.push_back("\xED\xA0\x80");
    CZentravolixView view;
    CDlgTextConvert dlg(&view);
    QRandomGenerator rng(932);
    for (int round = 0; round < 300; ++round) {
      std::string bytes;
      const int n = static_cast<int>(rng.bounded(12));
      for (int i = 0; i < n; ++i) bytes += pieces[rng.bounded(static_cast<quint32>(pieces.size()))];
      dlg.m_strText = bytes;
      dlg.UpdateData(false);
      dlg.m_strText.clear();
      dlg.TextEdit()->document()->setModified(true);  // taken from the field, not the member
      QVERIFY(dlg.UpdateData(true));
      const std::string& back = dlg.m_strText;
      if (back != bytes) {
        QFAIL(qPrintable(QStringLiteral("round %1: %2 came back as %3")
                             .arg(round)
                             .arg(QString::fromLatin1(QByteArray::fromStdString(bytes).toHex()),
                                  QString::fromLatin1(QByteArray::fromStdString(back).toHex()))));
      }
    }
    // A long text goes into the field by pieces: nothing is lost or doubled
    // at a seam, and a line longer than a piece comes back whole.
    std::string big;
    for (int i = 0; i < 60000; ++i) big += gt::B("行") + std::to_string(i) + (i % 7 ? "\r\n" : "\r");
    big += std::string(300000, 'x') + "\r\nend\r\n";
    dlg.m_strText = big;
    dlg.UpdateData(false);
    QCOMPARE(dlg.TextEdit()->document()->blockCount(), 60000 - 60000 / 7 + 2);
    dlg.m_strText.clear();
    dlg.TextEdit()->document()->setModified(true);
    QVERIFY(dlg.UpdateData(true));
    QVERIFY(dlg.m_strText == big);
  }

  // 終了, Escape and the close box ask about text changed since it was
  // opened or saved, which the title marks: 保存する saves and closes (a
  // cancelled save stays), 保存しない closes, キャンセル stays. Text that
  // nothing changed closes at once.
  void quittingAsksAboutUnsavedText_data() {
    QTest::addColumn<QString>("way");
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closes");
    QTest::newRow("quit, typed, discard") << U("quit") << U("typed") << int(QMessageBox::Discard) << true;
    QTest::newRow("escape, converted, cancel")
        << U("escape") << U("converted") << int(QMessageBox::Cancel) << false;
    QTest::newRow("close box, stripped, save")
        << U("close") << U("stripped") << int(QMessageBox::Save) << true;
    QTest::newRow("quit, typed, save cancelled")
        << U("quit") << U("typed") << int(QMessageBox::Save) << false;
    QTest::newRow("escape, opened only") << U("escape") << U("none") << 0 << true;
    QTest::newRow("quit, converted without a match") << U("quit") << U("unmatched") << 0 << true;
    QTest::newRow("close box, typed then saved") << U("close") << U("saved") << 0 << true;
  }
  void quittingAsksAboutUnsavedText() {
    QFETCH(QString, way);
    QFETCH(QString, change);
    QFETCH(int, answer);
    QFETCH(bool, closes);
    const bool asks = answer != 0;
    CZentravolixView view;
    view.OnInitialUpdate();
    QVERIFY(view.AddConvertItem(0, "cat", "dog"));
    const QString dir = gt::NewDir();
    const QString file =
        gt::WriteFile(dir, U("a.txt"), change == U("unmatched") ? "no match\r\n" : "a cat\r\nsat\r\n");
    const QString saved = dir + U("/saved.txt");
    CDlgTextConvert dlg(&view);
    bool open = true;
    QString marked;
    gt::ShowModal(dlg, [&](CDlgTextConvert& d) {
      Open(d, file);
      QCOMPARE(gt::ShownTitle(&d), U("ﾃｷｽﾄ置換"));
      if (change == U("typed") || change == U("saved")) gt::TypeText(d.TextEdit(), U("x"));
      if (change == U("converted") || change == U("unmatched")) d.OnConvert();
      if (change == U("stripped")) d.OnRemoveLineBreaks();
      if (change == U("saved")) Save(d, saved);
      marked = gt::ShownTitle(&d);
      CUiPrompts::Reset();
      if (asks) CUiPrompts::PushMessageAnswer(static_cast<QMessageBox::StandardButton>(answer));
      // The save dialog of 保存する answers with a name only when the dialog should close.
      if (answer == QMessageBox::Save && closes) CUiPrompts::PushPathAnswer(saved);
      if (way == U("quit")) d.QuitButton()->click();
      if (way == U("escape")) QTest::keyClick(&d, Qt::Key_Escape);
      if (way == U("close")) d.close();
      open = d.isVisible();
    });
    QCOMPARE(marked, asks ? U("ﾃｷｽﾄ置換*") : U("ﾃｷｽﾄ置換"));
    QCOMPARE(open, !closes);
    const auto boxes = gt::MessageBoxes();
    QCOMPARE(boxes.size(), size_t(asks ? 1 : 0));
    if (asks) {
      QCOMPARE(boxes[0].text, U("a.txt への変更を保存しますか?"));
      QCOMPARE(boxes[0].caption, U("Moravquell"));
      QCOMPARE(boxes[0].buttons, QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
      QCOMPARE(boxes[0].owner, &dlg);
    }
    if (answer == QMessageBox::Save && closes) QCOMPARE(gt::ReadFile(saved), std::string("a catsat"));
  }

  void mainFrameOpensTheDialogOverTheList() {
    auto app = gt::StartApp();
    QVERIFY(app);
    CMainFrame* frame = gt::Frame(*app);
    // Disabled while the list is empty.
    frame->OnCommand(ID_CONVERT_TEXT);
    QVERIFY(!LastOf(CUiPrompts::Kind::Modal));

    QVERIFY(gt::View(*app)->AddConvertItem(0, "cat", "dog"));
    frame->UpdateCommandUI();
    QVERIFY(frame->Action(ID_CONVERT_TEXT)->isEnabled());
    QString converted;
    QWidget* owner = nullptr;
    CUiPrompts::PushModalHandler([&](QDialog& dialog) {
      auto* dlg = qobject_cast<CDlgTextConvert*>(&dialog);
      if (!dlg) return int(QDialog::Rejected);
      owner = dlg->parentWidget();
      gt::TypeText(dlg->TextEdit(), U("a cat"));
      dlg->OnConvert();
      converted = Field(*dlg);
      return int(QDialog::Rejected);
    });
    frame->OnCommand(ID_CONVERT_TEXT);
    const CUiPrompts::Record* modal = LastOf(CUiPrompts::Kind::Modal);
    QVERIFY(modal);
    QCOMPARE(modal->dialogClass, U("CDlgTextConvert"));
    QCOMPARE(modal->caption, U("ﾃｷｽﾄ置換[*]"));
    QCOMPARE(owner, frame);
    QCOMPARE(converted, U("a dog"));
    frame->close();
  }
};

QTEST_MAIN(DlgTextConvertTest)
#include "DlgTextConvertTest.moc"
