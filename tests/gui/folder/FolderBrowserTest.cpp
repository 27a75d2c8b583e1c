// The new-folder dialog's checks, and both folder browsers shown for real:
// the initial selection, the result, and the new-folder round trip that
// shows the browser again.

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "GuiTestSupport.h"
#include "app/ByteLimitedEdit.h"
#include "app/QStringBytes.h"
#include "folder/DlgNewDirName.h"
#include "folder/FolderBrowser.h"
#include "folder/FolderTreeDialog.h"
#include "folder/PlainFolderBrowser.h"
#include "platform/CodePage.h"
#include "platform/File.h"

using gt::U;

namespace {

struct Outcome {
  bool accepted = false;
  bool stayedOpen = false;
  QString shownName;
  std::vector<CUiPrompts::Record> boxes;
};

// Types name into a new-folder dialog for parent and presses OK.
Outcome TryName(const std::string& parent, const QString& name) {
  CUiPrompts::Reset();
  CDlgNewDirName dlg;
  dlg.m_strParent = parent;
  Outcome out;
  CUiPrompts::PushModalHandler([&](QDialog& d) {
    auto& nd = static_cast<CDlgNewDirName&>(d);
    gt::TypeText(nd.NameEdit(), name);
    nd.OkButton()->click();
    out.stayedOpen = nd.isVisible();
    out.shownName = nd.NameEdit()->text();
    if (out.stayedOpen) nd.CancelButton()->click();
    return nd.result();
  });
  out.accepted = CUiPrompts::DoModal(dlg) == QDialog::Accepted;
  out.boxes = gt::MessageBoxes();
  return out;
}

}  // namespace

class FolderBrowserTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { gt::InitGuiTests(); }
  void init() {
    CUiPrompts::Reset();
    zv::SetActiveCodePage(zv::CodePage::Utf8);
    CFolderTreeDialog::SetRealBrowserInTestMode(true);
  }
  void cleanup() {
    CFolderTreeDialog::SetRealBrowserInTestMode(false);
    zv::SetActiveCodePage(zv::CodePage::Utf8);
  }

  void newFolderDialogTexts() {
    CDlgNewDirName dlg;
    QCOMPARE(dlg.windowTitle(), U("ﾀﾞｲｱﾛｸﾞ"));
    QCOMPARE(dlg.findChild<QLabel*>()->text(), U("フォルダ名(&F)："));
    QCOMPARE(dlg.OkButton()->text(), U("OK"));
    QVERIFY(dlg.OkButton()->isDefault());
    QCOMPARE(dlg.CancelButton()->text(), U("ｷｬﾝｾﾙ"));
    QVERIFY(dlg.m_strName.empty() && dlg.m_strParent.empty());
  }

  void newFolderNamesAreCheckedInOrder() {
    const QString parent = gt::NewDir();
    QDir(parent).mkpath(U("exists"));
    gt::WriteFile(parent, U("plainfile"), "x");
    const std::string p = parent.toStdString();

    // Empty: nothing at all happens.
    Outcome empty = TryName(p, QString());
    QVERIFY(empty.stayedOpen && !empty.accepted && empty.boxes.empty());

    // Each forbidden character, with the whole list in the message.
    for (const char* name : {"a\\b", "a/b", "a:b", "a*b", "a?b", "a\"b", "a<b", "a>b", "a|b"}) {
      Outcome o = TryName(p, U(name));
      QVERIFY2(o.stayedOpen && !o.accepted, name);
      QCOMPARE(o.shownName, U(name));
      QCOMPARE(o.boxes.size(), std::size_t(1));
      QCOMPARE(o.boxes[0].caption, U("Moravquell"));
      QCOMPARE(o.boxes[0].icon, QMessageBox::NoIcon);
      QCOMPARE(o.boxes[0].text, U("フォルダ名には次の文字は使えません:\n\\/:*?\"<>|"));
    }

    // An existing folder, "." and ".." are refused; with or without a separator on the parent.
    for (const std::string& par : {p, p + "/"}) {
      for (const char* name : {"exists", ".", ".."}) {
        Outcome o = TryName(par, U(name));
        QVERIFY2(o.stayedOpen && !o.accepted, name);
        QCOMPARE(o.boxes.size(), std::size_t(1));
        QCOMPARE(o.boxes[0].text, U("同じ名前のフォルダが既にあります。別の名前を入力してください。"));
        QCOMPARE(o.boxes[0].caption, U("Moravquell"));
      }
    }
    // Only a file of that name: accepted (creating the folder then fails).
    QVERIFY(TryName(p, U("plainfile")).accepted);
    // Blanks are characters like any other.
    Outcome spaced = TryName(p, U(" exists "));
    QVERIFY(spaced.accepted);
    QVERIFY(spaced.boxes.empty());
  }

  void doubleByteNamesWithSeparatorTrailBytesPass() {
    zv::SetActiveCodePage(zv::CodePage::Cp932);
    const std::string parent = gt::NewDir().toStdString();
    // 表 is 0x95 0x5C and ポ is 0x83 0x7C: their second bytes are "\" and "|".
    for (const char* name : {"表", "ポ", "表ポ"}) {
      Outcome o = TryName(parent, U(name));
      QVERIFY2(o.accepted, name);
      QVERIFY(o.boxes.empty());
    }
    QVERIFY(!TryName(parent, U("表|")).accepted);
  }

  void plainBrowserStartsAtTheInitialFolderAndGivesTheChoice() {
    const QString root = gt::NewDir();
    QDir(root).mkpath(U("a/b"));
    QString selected, title, windowTitle;
    bool hasNewFolder = true;
    CUiPrompts::PushModalHandler([&](QDialog& d) {
      auto& b = static_cast<CFolderTreeDialog&>(d);
      selected = PathToQString(b.SelectedPath());
      title = b.TitleLabel()->text();
      windowTitle = b.windowTitle();
      hasNewFolder = b.NewFolderButton() != nullptr;
      b.SelectFolder(root + U("/a/b"));
      b.OkButton()->click();
      return b.result();
    });
    CPlainFolderBrowser chosen(nullptr, QStringToPath(root + U("/a/")), U("タイトル"));
    QCOMPARE(selected, root + U("/a"));
    QCOMPARE(title, U("タイトル"));
    QCOMPARE(windowTitle, U("フォルダの参照"));
    QVERIFY(!hasNewFolder);
    QCOMPARE(PathToQString(chosen.GetPath()), root + U("/a/b"));

    // A missing initial folder leaves nothing selected, and OK off.
    bool okEnabled = true;
    CUiPrompts::PushModalHandler([&](QDialog& d) {
      auto& b = static_cast<CFolderTreeDialog&>(d);
      selected = PathToQString(b.SelectedPath());
      okEnabled = b.OkButton()->isEnabled();
      b.CancelButton()->click();
      return b.result();
    });
    CPlainFolderBrowser cancelled(nullptr, QStringToPath(root + U("/missing")), U("t"));
    QVERIFY(selected.isEmpty());
    QVERIFY(!okEnabled);
    QVERIFY(cancelled.GetPath().empty());
  }

  // In both sessions, a UTF-8 folder beside a legacy CP932 one: both show
  // readably, the one chosen comes back as its own bytes, and a folder made
  // below it with 新規作成 is shown selected and comes back the same way.
  void foldersOfEitherEncodingShowReadablyAndComeBackAsTheirBytes_data() {
    QTest::addColumn<int>("cp");
    QTest::newRow("932") << static_cast<int>(zv::CodePage::Cp932);
    QTest::newRow("65001") << static_cast<int>(zv::CodePage::Utf8);
  }
  void foldersOfEitherEncodingShowReadablyAndComeBackAsTheirBytes() {
    QFETCH(int, cp);
    zv::SetActiveCodePage(static_cast<zv::CodePage>(cp));
    const std::string work = QStringToPath(gt::NewDir());
    const std::string legacy = *zv::ConvertCodePage("旧資料", zv::CodePage::Utf8, zv::CodePage::Cp932);
    QVERIFY(zv::CreateOneDirectory(work + "/報告書"));
    QVERIFY(zv::CreateOneDirectory(work + "/" + legacy));
    QStringList shown;
    QString status;
    CUiPrompts::PushModalHandler([&](QDialog& d) {
      auto& b = static_cast<CFolderTreeDialog&>(d);
      QTreeWidgetItem* start = b.Tree()->currentItem();
      start->setExpanded(true);
      for (int i = 0; i < start->childCount(); ++i) shown << start->child(i)->text(0);
      b.Tree()->setCurrentItem(start->child(shown.indexOf(U("旧資料"))));
      status = b.StatusLabel()->text();
      b.OkButton()->click();
      return b.result();
    });
    CPlainFolderBrowser browser(nullptr, work, U("t"));
    QCOMPARE(shown, (QStringList{U("報告書"), U("旧資料")}));
    QCOMPARE(status, PathToQString(work) + U("/旧資料"));
    QCOMPARE(browser.GetPath(), work + "/" + legacy);

    QString reshown;
    CUiPrompts::PushModalHandler([](QDialog& d) {
      static_cast<CFolderTreeDialog&>(d).NewFolderButton()->click();
      return d.result();
    });
    CUiPrompts::PushModalHandler([](QDialog& d) {
      auto& nd = static_cast<CDlgNewDirName&>(d);
      gt::TypeText(nd.NameEdit(), U("新規"));
      nd.OkButton()->click();
      return nd.result();
    });
    CUiPrompts::PushModalHandler([&](QDialog& d) {
      auto& b = static_cast<CFolderTreeDialog&>(d);
      reshown = b.Tree()->currentItem()->text(0);
      b.OkButton()->click();
      return b.result();
    });
    CFolderBrowser made(nullptr, work + "/" + legacy, U("t"));
    QCOMPARE(reshown, U("新規"));
    QCOMPARE(made.GetPath(), work + "/" + legacy + "/新規");
  }

  void newFolderIsCreatedAndTheBrowserShownAgainOnTheSameFolder() {
    const QString work = gt::NewDir();
    QDir(work).mkpath(U("sub"));
    QStringList selectedOnShow;
    std::string parentAsked;
    QString buttonText;
    // First showing: select sub, press "新規作成".
    CUiPrompts::PushModalHandler([&](QDialog& d) {
      auto& b = static_cast<CFolderTreeDialog&>(d);
      selectedOnShow << PathToQString(b.SelectedPath());
      buttonText = b.NewFolderButton()->text();
      b.SelectFolder(work + U("/sub"));
      b.NewFolderButton()->click();
      return b.result();
    });
    // The name dialog: "data" below the selected folder.
    CUiPrompts::PushModalHandler([&](QDialog& d) {
      auto& nd = static_cast<CDlgNewDirName&>(d);
      parentAsked = nd.m_strParent;
      gt::TypeText(nd.NameEdit(), U("data"));
      nd.OkButton()->click();
      return nd.result();
    });
    // Shown again with the new folder listed and selected; the user takes it.
    CUiPrompts::PushModalHandler([&](QDialog& d) {
      auto& b = static_cast<CFolderTreeDialog&>(d);
      selectedOnShow << PathToQString(b.SelectedPath());
      b.SelectFolder(work + U("/sub/data"));
      b.OkButton()->click();
      return b.result();
    });
    CFolderBrowser browser(nullptr, QStringToPath(work), U("保存するフォルダを選択してください"));
    QCOMPARE(buttonText, U("新規作成"));
    QCOMPARE(QString::fromStdString(parentAsked), work + U("/sub/"));
    QCOMPARE(selectedOnShow, (QStringList{work, work + U("/sub/data")}));
    QVERIFY(QFileInfo(work + U("/sub/data")).isDir());
    QCOMPARE(PathToQString(browser.GetPath()), work + U("/sub/data"));
  }

  void aNameTakenByAFileShowsTheBrowserAgainWithoutAFolder() {
    const QString work = gt::NewDir();
    gt::WriteFile(work, U("taken"), "x");
    int showings = 0;
    CUiPrompts::PushModalHandler([&](QDialog& d) {
      ++showings;
      static_cast<CFolderTreeDialog&>(d).NewFolderButton()->click();
      return d.result();
    });
    CUiPrompts::PushModalHandler([&](QDialog& d) {
      auto& nd = static_cast<CDlgNewDirName&>(d);
      gt::TypeText(nd.NameEdit(), U("taken"));
      nd.OkButton()->click();
      return nd.result();
    });
    // A cancelled name dialog changes nothing; the browser stays.
    CUiPrompts::PushModalHandler([&](QDialog& d) {
      ++showings;
      auto& b = static_cast<CFolderTreeDialog&>(d);
      CUiPrompts::PushModalHandler([](QDialog& n) {
        static_cast<CDlgNewDirName&>(n).CancelButton()->click();
        return n.result();
      });
      b.NewFolderButton()->click();
      const bool stillShown = b.isVisible();
      b.CancelButton()->click();
      return stillShown ? b.result() : -1;
    });
    CFolderBrowser browser(nullptr, QStringToPath(work + U("/")), U("t"));
    QCOMPARE(showings, 2);
    QVERIFY(QFileInfo(work + U("/taken")).isFile());
    // The last showing decides: cancelled.
    QVERIFY(browser.GetPath().empty());
  }
};

QTEST_MAIN(FolderBrowserTest)
#include "FolderBrowserTest.moc"
