// The item dialog: its texts, the 100-byte limit while typing and pasting,
// the required search string, and the bytes it hands back.

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "GuiTestSupport.h"
#include "app/ByteLimitedEdit.h"
#include "list/DlgItemEdit.h"
#include "platform/CodePage.h"

using gt::U;

namespace {

QString Repeat(const char* utf8, int n) {
  QString s;
  for (int i = 0; i < n; ++i) s += U(utf8);
  return s;
}

}  // namespace

class DlgItemEditTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { gt::InitGuiTests(); }
  void init() {
    CUiPrompts::Reset();
    zv::SetActiveCodePage(zv::CodePage::Utf8);
  }

  void textsAndLayout() {
    CDlgItemEdit dlg;
    QCOMPARE(dlg.windowTitle(), U("項目の編集"));
    QStringList labels;
    for (QLabel* l : dlg.findChildren<QLabel*>()) labels << l->text();
    labels.sort();
    QStringList expected{U("置換対象の文字列(&B)"), U("置換する文字列(&A)")};
    expected.sort();
    QCOMPARE(labels, expected);
    QCOMPARE(dlg.OkButton()->text(), U("OK"));
    QVERIFY(dlg.OkButton()->isDefault());
    QCOMPARE(dlg.CancelButton()->text(), U("ｷｬﾝｾﾙ"));
    // The search edit stands left of the replacement edit, the buttons below.
    QVERIFY(dlg.SearchEdit()->geometry().right() < dlg.ReplaceEdit()->geometry().left());
    QVERIFY(dlg.OkButton()->geometry().top() > dlg.SearchEdit()->geometry().bottom());
    QVERIFY(dlg.OkButton()->geometry().right() < dlg.CancelButton()->geometry().left());
    QVERIFY(dlg.rect().contains(dlg.CancelButton()->geometry()));
  }

  void typingStopsAtOneHundredBytes() {
    CDlgItemEdit dlg;
    dlg.show();
    CByteLimitedEdit* edit = dlg.SearchEdit();
    gt::TypeText(edit, Repeat("あ", 50));
    QCOMPARE(edit->text(), Repeat("あ", 50));
    gt::TypeText(edit, U("い"));  // the 51st double-byte character
    gt::TypeText(edit, U("a"));   // and not even one more byte
    QCOMPARE(edit->text(), Repeat("あ", 50));

    // 99 bytes leave room for one single-byte character only.
    edit->clear();
    gt::TypeText(edit, QString(99, QLatin1Char('x')));
    gt::TypeText(edit, U("あ"));
    QCOMPARE(edit->text().size(), 99);
    gt::TypeText(edit, U("ｶ"));  // half-width katakana counts one
    QCOMPARE(edit->text(), QString(99, QLatin1Char('x')) + U("ｶ"));

    // Deleting makes room again, and the text goes where the cursor is.
    edit->setCursorPosition(0);
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClick(edit, Qt::Key_Delete);
    gt::TypeText(edit, U("漢"));
    QCOMPARE(edit->text(), U("漢") + QString(97, QLatin1Char('x')) + U("ｶ"));
    QCOMPARE(edit->cursorPosition(), 1);

    // A refused character leaves the cursor where the user typed it.
    edit->setText(QString(100, QLatin1Char('x')));
    edit->setCursorPosition(3);
    gt::TypeText(edit, U("x"));
    QCOMPARE(edit->text(), QString(100, QLatin1Char('x')));
    QCOMPARE(edit->cursorPosition(), 3);
  }

  void pasteIsCutAtACharacterBoundary() {
    CDlgItemEdit dlg;
    dlg.show();
    CByteLimitedEdit* edit = dlg.ReplaceEdit();
    gt::TypeText(edit, QString(95, QLatin1Char('y')));
    edit->setCursorPosition(10);
    QApplication::clipboard()->setText(U("日本語テキスト"));
    edit->paste();
    // 5 bytes free: two double-byte characters fit, the third would split.
    QCOMPARE(edit->text(), QString(10, QLatin1Char('y')) + U("日本") + QString(85, QLatin1Char('y')));
    QCOMPARE(edit->cursorPosition(), 12);

    // Surrogate pairs are never split.
    edit->clear();
    gt::TypeText(edit, QString(99, QLatin1Char('z')));
    QApplication::clipboard()->setText(U("𠀋𠀋"));
    edit->paste();
    QCOMPARE(edit->text(), QString(99, QLatin1Char('z')));
    edit->backspace();
    edit->paste();
    QCOMPARE(edit->text(), QString(98, QLatin1Char('z')) + U("𠀋"));
  }

  void charactersTheCodePageCannotHoldAreRefused() {
    zv::SetActiveCodePage(zv::CodePage::Cp932);
    CDlgItemEdit dlg;
    dlg.show();
    gt::TypeText(dlg.SearchEdit(), U("a한b😀c"));
    QCOMPARE(dlg.SearchEdit()->text(), U("abc"));
    zv::SetActiveCodePage(zv::CodePage::Utf8);
    CDlgItemEdit dlg8;
    dlg8.show();
    gt::TypeText(dlg8.SearchEdit(), U("a한b"));
    QCOMPARE(dlg8.SearchEdit()->text(), U("a한b"));
  }

  void searchStringIsRequired() {
    CDlgItemEdit dlg;
    dlg.show();
    gt::TypeText(dlg.ReplaceEdit(), U("置換だけ"));
    dlg.ReplaceEdit()->setFocus();
    dlg.OkButton()->click();
    const auto boxes = gt::MessageBoxes();
    QCOMPARE(boxes.size(), size_t(1));
    QCOMPARE(boxes[0].text, U("変換元の文字列の入力は必須です。"));
    QCOMPARE(boxes[0].caption, U("Moravquell"));
    QCOMPARE(boxes[0].icon, QMessageBox::NoIcon);
    QCOMPARE(boxes[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(boxes[0].owner, static_cast<QWidget*>(&dlg));
    QVERIFY(dlg.isVisible());
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
    QCOMPARE(dlg.focusWidget(), static_cast<QWidget*>(dlg.SearchEdit()));

    // Blanks count as entered; Enter is OK.
    gt::TypeText(dlg.SearchEdit(), U(" "));
    QTest::keyClick(dlg.SearchEdit(), Qt::Key_Return);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(dlg.m_strSearch, std::string(" "));
    QCOMPARE(gt::MessageBoxes().size(), size_t(1));
  }

  void fieldsRoundTripInTheActiveCodePage_data() {
    QTest::addColumn<int>("codePage");
    QTest::newRow("utf-8") << 65001;
    QTest::newRow("cp932") << 932;
  }
  void fieldsRoundTripInTheActiveCodePage() {
    QFETCH(int, codePage);
    zv::SetActiveCodePage(static_cast<zv::CodePage>(codePage));
    CDlgItemEdit dlg;
    dlg.m_strSearch = gt::B("ソ表\\");  // 0x5C trail bytes in CP932
    dlg.m_strReplace = gt::B("ｶﾅ");
    dlg.show();
    QCOMPARE(dlg.SearchEdit()->text(), U("ソ表\\"));
    QCOMPARE(dlg.ReplaceEdit()->text(), U("ｶﾅ"));
    QCOMPARE(dlg.SearchEdit()->selectedText(), U("ソ表\\"));
    gt::TypeText(dlg.ReplaceEdit(), U("語"));
    dlg.OkButton()->click();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(dlg.m_strSearch, gt::B("ソ表\\"));
    QCOMPARE(dlg.m_strReplace, gt::B("ｶﾅ語"));
  }

  void escapeCancelsWithoutTakingTheFields() {
    CDlgItemEdit dlg;
    dlg.m_strSearch = "before";
    dlg.show();
    dlg.SearchEdit()->setText(U("after"));
    QTest::keyClick(&dlg, Qt::Key_Escape);
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
    QCOMPARE(dlg.m_strSearch, std::string("before"));
  }
};

QTEST_MAIN(DlgItemEditTest)
#include "DlgItemEditTest.moc"
