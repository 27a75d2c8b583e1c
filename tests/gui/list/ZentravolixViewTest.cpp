// The list view: rows and their records, the editing commands, sorting by a
// header with the anchor rule, moving rows, loading, the row source for
// workers, and the order of the shutdown.

#include <QAction>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QTest>
#include <QThread>
#include <atomic>
#include <cerrno>
#include <mutex>

#include "GuiTestSupport.h"
#include "app/ByteLimitedEdit.h"
#include "app/CommandIds.h"
#include "app/MainFrame.h"
#include "app/ZentravolixApp.h"
#include "list/DlgItemEdit.h"
#include "list/DlgListCheck.h"
#include "list/ViewRowSource.h"
#include "list/ZentravolixView.h"
#include "platform/CodePage.h"
#include "platform/File.h"

using gt::U;

namespace {

QStringList Column(CZentravolixView* view, int column) {
  QStringList out;
  for (int row = 0; row < view->RowCount(); ++row) out << view->topLevelItem(row)->text(column);
  return out;
}

QList<int> SelectedRows(CZentravolixView* view) {
  QList<int> rows;
  for (int row = 0; row < view->RowCount(); ++row) {
    if (view->IsRowSelected(row)) rows << row;
  }
  return rows;
}

void ClickHeader(CZentravolixView* view, int column) {
  QHeaderView* header = view->header();
  const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
  QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(x, header->height() / 2));
}

void ClickRow(CZentravolixView* view, int row, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  const QRect r = view->visualRect(view->model()->index(row, 0));
  QTest::mouseClick(view->viewport(), Qt::LeftButton, mods, r.center());
}

// Fills the item dialog and presses OK.
CUiPrompts::ModalHandler Fill(const QString& search, const QString& replace) {
  return [search, replace](QDialog& d) {
    auto& dlg = static_cast<CDlgItemEdit&>(d);
    dlg.SearchEdit()->clear();
    gt::TypeText(dlg.SearchEdit(), search);
    dlg.ReplaceEdit()->clear();
    gt::TypeText(dlg.ReplaceEdit(), replace);
    dlg.OkButton()->click();
    return dlg.result();
  };
}

}  // namespace

class ZentravolixViewTest : public QObject {
  Q_OBJECT

  std::unique_ptr<CZentravolixApp> m_app;
  CZentravolixView* m_view = nullptr;
  CMainFrame* m_frame = nullptr;

  void AddRows(std::initializer_list<std::pair<const char*, const char*>> rows) {
    for (const auto& [f, r] : rows) QVERIFY(m_view->AddConvertItem(m_view->RowCount(), gt::B(f), gt::B(r)));
  }

 private slots:
  void initTestCase() { gt::InitGuiTests(); }
  void init() {
    zv::SetActiveCodePage(zv::CodePage::Utf8);
    CUiPrompts::Reset();
    gt::ClearProfile();
    m_app = gt::StartApp();
    QVERIFY(m_app);
    m_frame = gt::Frame(*m_app);
    m_view = gt::View(*m_app);
  }
  void cleanup() {
    zv::SetFileFaultHook(nullptr);
    m_app.reset();
  }

  void addItemAppendsAndEditChangesFirstSelectedRow() {
    CUiPrompts::PushModalHandler(Fill(U("検索語"), U("置換語")));
    m_frame->Action(ID_ITEM_ADD)->trigger();
    CUiPrompts::PushModalHandler(Fill(U("b"), QString()));  // an empty replacement is fine
    m_frame->Action(ID_ITEM_ADD)->trigger();
    CUiPrompts::PushModalHandler(Fill(U("c"), U("3")));
    m_frame->Action(ID_ITEM_ADD)->trigger();
    QCOMPARE(Column(m_view, 0), (QStringList{U("検索語"), U("b"), U("c")}));
    QCOMPARE(Column(m_view, 1), (QStringList{U("置換語"), QString(), U("3")}));
    QCOMPARE(m_view->ItemAt(0)->m_strFind, std::string("検索語"));
    QCOMPARE(m_view->ItemAt(1)->m_strReplaceWith, std::string());
    QVERIFY(SelectedRows(m_view).isEmpty());  // added rows are not selected

    // Cancel adds nothing.
    CUiPrompts::PushModalHandler([](QDialog& d) {
      gt::TypeText(static_cast<CDlgItemEdit&>(d).SearchEdit(), U("x"));
      d.reject();
      return d.result();
    });
    m_frame->Action(ID_ITEM_ADD)->trigger();
    QCOMPARE(m_view->RowCount(), 3);

    // Rows 1 and 2 selected: the edit opens with row 1 and changes only it.
    m_view->SetRowSelected(2, true);
    m_view->SetRowSelected(1, true);
    QString shown;
    CUiPrompts::PushModalHandler([&shown](QDialog& d) {
      auto& dlg = static_cast<CDlgItemEdit&>(d);
      shown = dlg.SearchEdit()->text();
      dlg.SearchEdit()->clear();
      gt::TypeText(dlg.SearchEdit(), U("新"));
      dlg.OkButton()->click();
      return dlg.result();
    });
    m_frame->Action(ID_ITEM_EDIT)->trigger();
    QCOMPARE(shown, U("b"));
    QCOMPARE(Column(m_view, 0), (QStringList{U("検索語"), U("新"), U("c")}));
    QCOMPARE(m_view->ItemAt(1)->m_strFind, std::string("新"));
    QCOMPARE(SelectedRows(m_view), (QList<int>{1, 2}));

    // A cancelled edit leaves the row alone.
    CUiPrompts::PushModalHandler([](QDialog& d) {
      static_cast<CDlgItemEdit&>(d).SearchEdit()->setText(U("zzz"));
      d.reject();
      return d.result();
    });
    m_frame->Action(ID_ITEM_EDIT)->trigger();
    QCOMPARE(m_view->ItemAt(1)->m_strFind, std::string("新"));
  }

  void editAndDeleteWithoutSelectionDoNothing() {
    AddRows({{"a", "1"}, {"b", "2"}});
    QVERIFY(m_frame->Action(ID_ITEM_EDIT)->isEnabled());
    QVERIFY(m_frame->Action(ID_ITEM_DELETE)->isEnabled());
    m_frame->Action(ID_ITEM_EDIT)->trigger();
    m_frame->Action(ID_ITEM_DELETE)->trigger();
    QVERIFY(CUiPrompts::Records().empty());  // no dialog was opened
    QCOMPARE(m_view->RowCount(), 2);
  }

  void deleteSelectAllInvertAndClear() {
    AddRows({{"r0", "x"}, {"r1", "x"}, {"r2", "x"}, {"r3", "x"}, {"r4", "x"}});
    m_view->SetRowSelected(1, true);
    m_view->SetRowSelected(3, true);
    m_frame->Action(ID_SELECT_INVERT)->trigger();
    QCOMPARE(SelectedRows(m_view), (QList<int>{0, 2, 4}));

    m_frame->Action(ID_ITEM_DELETE)->trigger();
    QCOMPARE(Column(m_view, 0), (QStringList{U("r1"), U("r3")}));
    QVERIFY(SelectedRows(m_view).isEmpty());

    m_frame->Action(ID_SELECT_ALL)->trigger();
    QCOMPARE(SelectedRows(m_view), (QList<int>{0, 1}));
    m_frame->Action(ID_SELECT_INVERT)->trigger();
    QVERIFY(SelectedRows(m_view).isEmpty());

    m_frame->Action(ID_LIST_CLEAR)->trigger();  // no question
    QCOMPARE(m_view->RowCount(), 0);
    QVERIFY(CUiPrompts::Records().empty());
    for (int id : {ID_LIST_CLEAR, ID_SELECT_ALL, ID_SELECT_INVERT, ID_ITEM_EDIT, ID_ITEM_DELETE}) {
      QVERIFY(!m_frame->Action(id)->isEnabled());
    }
    QVERIFY(m_frame->Action(ID_ITEM_ADD)->isEnabled());
  }

  void addConvertItemEnforcesTheLimits_data() {
    QTest::addColumn<int>("codePage");
    QTest::newRow("utf-8") << 65001;
    QTest::newRow("cp932") << 932;
  }
  void addConvertItemEnforcesTheLimits() {
    QFETCH(int, codePage);
    zv::SetActiveCodePage(static_cast<zv::CodePage>(codePage));
    QString fifty;
    for (int i = 0; i < 50; ++i) fifty += U("漢");
    const std::string full = QStringToBytesForTest(fifty);
    QVERIFY(m_view->AddConvertItem(0, full, full));
    QVERIFY(!m_view->AddConvertItem(1, full + "a", "x"));
    QVERIFY(!m_view->AddConvertItem(1, "x", full + "a"));
    QVERIFY(m_view->AddConvertItem(1, std::string(100, 'a'), ""));
    QVERIFY(!m_view->AddConvertItem(2, std::string(101, 'a'), ""));
    QCOMPARE(m_view->RowCount(), 2);
    QCOMPARE(m_view->topLevelItem(0)->text(0), fifty);
  }

  void sortAlternatesOnTheSameHeader() {
    AddRows({{"b", "1"}, {"A", "2"}, {"a", "3"}});
    ClickHeader(m_view, 0);
    QStringList col = Column(m_view, 0);
    QCOMPARE(col.last(), U("b"));
    QVERIFY(col.first().compare(U("a"), Qt::CaseInsensitive) == 0);
    QVERIFY(m_view->m_bLastSortAscending);
    ClickHeader(m_view, 0);
    col = Column(m_view, 0);
    QCOMPARE(col.first(), U("b"));
    QVERIFY(!m_view->m_bLastSortAscending);
    ClickHeader(m_view, 0);
    QCOMPARE(Column(m_view, 0).last(), U("b"));
    QVERIFY(m_view->m_bLastSortAscending);
    // The records move with their texts.
    for (int row = 0; row < 3; ++row) {
      QCOMPARE(QString::fromStdString(m_view->ItemAt(row)->m_strFind), m_view->topLevelItem(row)->text(0));
      QCOMPARE(QString::fromStdString(m_view->ItemAt(row)->m_strReplaceWith),
               m_view->topLevelItem(row)->text(1));
    }
  }

  void sortByReplaceThenSearchIsAscending() {
    AddRows({{"b", "z"}, {"c", "x"}, {"a", "y"}});
    ClickHeader(m_view, 1);
    QCOMPARE(Column(m_view, 1), (QStringList{U("x"), U("y"), U("z")}));
    ClickHeader(m_view, 0);
    QCOMPARE(Column(m_view, 0), (QStringList{U("a"), U("b"), U("c")}));
    ClickHeader(m_view, 1);  // another column: ascending first
    QCOMPARE(Column(m_view, 1), (QStringList{U("x"), U("y"), U("z")}));
  }

  void clickingARowMovesTheSortMemory() {
    AddRows({{"b", "z"}, {"c", "x"}, {"a", "y"}});
    ClickHeader(m_view, 1);  // ascending by 置換; anchor on row 1
    ClickRow(m_view, 0);
    ClickHeader(m_view, 1);  // row 0 is not column 1: ascending again
    QCOMPARE(Column(m_view, 1), (QStringList{U("x"), U("y"), U("z")}));
    QVERIFY(m_view->m_bLastSortAscending);
    ClickRow(m_view, 0);
    ClickHeader(m_view, 0);  // row 0 equals column 0 and the last sort was ascending
    QCOMPARE(Column(m_view, 0), (QStringList{U("c"), U("b"), U("a")}));
    QVERIFY(!m_view->m_bLastSortAscending);
  }

  void sortKeepsSelectionAndMovesTheShiftAnchor() {
    AddRows({{"d", "1"}, {"c", "2"}, {"b", "3"}, {"a", "4"}});
    m_view->SetRowSelected(0, true);  // "d"
    ClickHeader(m_view, 0);
    QCOMPARE(Column(m_view, 0), (QStringList{U("a"), U("b"), U("c"), U("d")}));
    QCOMPARE(SelectedRows(m_view), QList<int>{3});  // still "d"
    QCOMPARE(m_view->SelectionMark(), 0);

    // Shift-click selects from the anchor (row 0 after a sort by column 0).
    ClickRow(m_view, 2, Qt::ShiftModifier);
    QCOMPARE(SelectedRows(m_view), (QList<int>{0, 1, 2}));
    ClickHeader(m_view, 1);  // anchor now row 1
    ClickRow(m_view, 3, Qt::ShiftModifier);
    QCOMPARE(SelectedRows(m_view), (QList<int>{1, 2, 3}));
  }

  void headerClickOnEmptyListFlipsTheState() {
    ClickHeader(m_view, 0);
    QVERIFY(m_view->m_bLastSortAscending);
    ClickHeader(m_view, 0);
    QVERIFY(!m_view->m_bLastSortAscending);
    QCOMPARE(m_view->RowCount(), 0);
  }

  // 上へ移動 / 下へ移動 through the frame's commands: the selected rows move
  // one step together, a row against the end or against a selected row that
  // cannot move stays, and a sorted view moves in the order it shows.
  void moveKeepsSelectedRowsTogether_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<bool>("sortFirst");
    QTest::addColumn<QList<int>>("selected");  // clicked in this order, the last one current
    QTest::addColumn<QString>("order");        // the search strings afterwards
    QTest::addColumn<QList<int>>("selectedAfter");
    const QString unchanged = U("c a e b d");
    QTest::newRow("one up") << int(ID_MOVE_UP) << false << QList<int>{2} << U("c e a b d") << QList<int>{1};
    QTest::newRow("block up") << int(ID_MOVE_UP) << false << QList<int>{2, 3} << U("c e b a d")
                              << QList<int>{1, 2};
    QTest::newRow("apart up") << int(ID_MOVE_UP) << false << QList<int>{3, 1} << U("a c b e d")
                              << QList<int>{0, 2};
    QTest::newRow("top stays, rest up")
        << int(ID_MOVE_UP) << false << QList<int>{0, 2} << U("c e a b d") << QList<int>{0, 1};
    QTest::newRow("block down") << int(ID_MOVE_DOWN) << false << QList<int>{1, 2} << U("c b a e d")
                                << QList<int>{2, 3};
    QTest::newRow("end block stays") << int(ID_MOVE_DOWN) << false << QList<int>{3, 4} << unchanged
                                     << QList<int>{3, 4};
    QTest::newRow("nothing selected")
        << int(ID_MOVE_UP) << false << QList<int>{} << unchanged << QList<int>{};
    QTest::newRow("sorted, then up") << int(ID_MOVE_UP) << true << QList<int>{3} << U("a b d c e")
                                     << QList<int>{2};
  }
  void moveKeepsSelectedRowsTogether() {
    QFETCH(int, command);
    QFETCH(bool, sortFirst);
    QFETCH(QList<int>, selected);
    QFETCH(QString, order);
    QFETCH(QList<int>, selectedAfter);
    AddRows({{"c", "3"}, {"a", "1"}, {"e", "5"}, {"b", "2"}, {"d", "4"}});
    if (sortFirst) ClickHeader(m_view, 0);
    m_view->clearSelection();
    for (int i = 0; i < selected.size(); ++i)
      ClickRow(m_view, selected[i], i ? Qt::ControlModifier : Qt::NoModifier);
    const QString current = selected.isEmpty() ? QString() : m_view->topLevelItem(selected.last())->text(0);
    const QString before = Column(m_view, 0).join(u' ');
    m_frame->UpdateCommandUI();
    // Enabled exactly when the move changes something.
    QCOMPARE(m_frame->Action(command)->isEnabled(), before != order);

    m_frame->Action(command)->trigger();
    QCOMPARE(Column(m_view, 0).join(u' '), order);
    QCOMPARE(SelectedRows(m_view), selectedAfter);
    // Each row keeps its replacement and its record.
    for (int row = 0; row < m_view->RowCount(); ++row) {
      const QString find = m_view->topLevelItem(row)->text(0);
      QCOMPARE(m_view->topLevelItem(row)->text(1), QString::number(find.at(0).unicode() - u'a' + 1));
      QCOMPARE(QString::fromStdString(m_view->ItemAt(row)->m_strFind), find);
    }
    if (!current.isEmpty()) QCOMPARE(m_view->currentItem()->text(0), current);
  }

  void sortOrderIsCaseInsensitiveInBothCodePages_data() {
    QTest::addColumn<int>("codePage");
    QTest::newRow("utf-8") << 65001;
    QTest::newRow("cp932") << 932;
  }
  void sortOrderIsCaseInsensitiveInBothCodePages() {
    QFETCH(int, codePage);
    zv::SetActiveCodePage(static_cast<zv::CodePage>(codePage));
    AddRows({{"あ", "1"}, {"Ｂ", "2"}, {"ａ", "3"}, {"B", "4"}, {"a", "5"}});
    ClickHeader(m_view, 0);
    // ASCII before double-byte; full-width letters fold like ASCII ones.
    const QStringList col = Column(m_view, 0);
    QVERIFY(col.indexOf(U("a")) < col.indexOf(U("B")));
    QVERIFY(col.indexOf(U("B")) < col.indexOf(U("ａ")));
    QVERIFY(col.indexOf(U("ａ")) < col.indexOf(U("Ｂ")));
    // Adding while sorted still appends at the end.
    AddRows({{"0", "6"}});
    QCOMPARE(Column(m_view, 0).last(), U("0"));
  }

  void loadReportsOverlongLinesAndKeepsTheRest_data() {
    QTest::addColumn<int>("codePage");
    QTest::newRow("utf-8") << 65001;
    QTest::newRow("cp932") << 932;
  }
  void loadReportsOverlongLinesAndKeepsTheRest() {
    QFETCH(int, codePage);
    zv::SetActiveCodePage(static_cast<zv::CodePage>(codePage));
    AddRows({{"old", "row"}});
    std::string longField;
    for (int i = 0; i < 50; ++i) longField += gt::B("長");
    longField += "x";  // 101 bytes counted as CP932
    const std::string file = gt::B("\"first\",\"1\"\r\n\"") + longField + gt::B("\",\"置\"\r\nthird,3\r\n");
    const QString path = gt::WriteFile(gt::NewDir(), U("l.csv"), file);
    QCOMPARE(m_view->LoadConvertList(QStringToBytesForTest(path)), 2);
    QCOMPARE(Column(m_view, 0), (QStringList{U("first"), U("third")}));
    const auto boxes = gt::MessageBoxes();
    QCOMPARE(boxes.size(), size_t(1));
    QCOMPARE(boxes[0].caption, U("Moravquell"));
    QCOMPARE(boxes[0].icon, QMessageBox::NoIcon);
    QCOMPARE(boxes[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(boxes[0].owner, static_cast<QWidget*>(m_view));
    QString longText;
    for (int i = 0; i < 50; ++i) longText += U("長");
    QCOMPARE(boxes[0].text,
             U("項目の追加に失敗しました。検索文字：") + longText + U("x\r\n置換文字列：置\r\n"));
    // Row 0 selected and focused.
    QCOMPARE(SelectedRows(m_view), QList<int>{0});
    QCOMPARE(m_view->currentIndex().row(), 0);
  }

  void loadOfUnreadableFileLeavesTheList() {
    AddRows({{"keep", "me"}});
    const QString path = gt::WriteFile(gt::NewDir(), U("locked.csv"), "a,b\r\n");
    zv::SetFileFaultHook(
        [](zv::FileOp op, const std::string&) { return op == zv::FileOp::Open ? EACCES : 0; });
    QCOMPARE(m_view->LoadConvertList(QStringToBytesForTest(path)), -1);
    zv::SetFileFaultHook(nullptr);
    QCOMPARE(Column(m_view, 0), QStringList{U("keep")});
    const auto boxes = gt::MessageBoxes();
    QCOMPARE(boxes.size(), size_t(1));
    QCOMPARE(boxes[0].caption, U("Zentravolix"));
    QVERIFY2(boxes[0].text.endsWith(U("ﾌｧｲﾙｱｸｾｽ禁止です")), qPrintable(boxes[0].text));

    // Nothing at the path: -1, the list unchanged, no message.
    CUiPrompts::Reset();
    QCOMPARE(m_view->LoadConvertList(QStringToBytesForTest(path + U(".none"))), -1);
    QCOMPARE(m_view->RowCount(), 1);
    QVERIFY(gt::MessageBoxes().empty());
  }

  void convertStringAppliesRowsInDisplayOrder() {
    AddRows({{"b", "c"}, {"a", "b"}});
    std::string out = "untouched";
    QVERIFY(m_view->ConvertString("", out));
    QCOMPARE(out, std::string("untouched"));
    QVERIFY(m_view->ConvertString("ab", out));
    QCOMPARE(out, std::string("bc"));  // b->c first, then a->b
    ClickHeader(m_view, 0);            // now a->b first, then b->c
    QVERIFY(m_view->ConvertString("ab", out));
    QCOMPARE(out, std::string("cc"));
  }

  void rowSourceServesWorkersInDisplayOrder() {
    AddRows({{"b", "2"}, {"a", "1"}});
    CViewRowSource source(m_view);
    zv::ConvertRows fromWorker;
    QThread* worker = QThread::create([&] { fromWorker = *source.GetRows(); });
    worker->start();
    CZentravolixView::WaitServingEvents(worker);
    delete worker;
    QCOMPARE(fromWorker.size(), size_t(2));
    QCOMPARE(fromWorker[0].m_strFind, std::string("b"));

    ClickHeader(m_view, 0);
    worker = QThread::create([&] { fromWorker = *source.GetRows(); });
    worker->start();
    CZentravolixView::WaitServingEvents(worker);
    delete worker;
    QCOMPARE(fromWorker[0].m_strFind, std::string("a"));
    QCOMPARE(fromWorker[1].m_strReplaceWith, std::string("2"));
    // Unchanged rows come back as the same pointer, which the engines' caches know again.
    QCOMPARE(source.GetRows(), source.GetRows());
    QCOMPARE(source.GetRows()->size(), size_t(2));
  }

  void listCheckNamesRowsAndSelectsThemInTheList() {
    // A clean list says so in a box.
    AddRows({{"a", "b"}});
    m_frame->Action(ID_LIST_CHECK)->trigger();
    QCOMPARE(gt::MessageBoxes().size(), std::size_t(1));
    QCOMPARE(gt::MessageBoxes()[0].text, U("変換リストに問題は見つかりませんでした"));

    // A duplicate row and a row that changes nothing: one finding each, in order.
    AddRows({{"c", "d"}, {"a", "x"}, {"e", "e"}});
    QStringList shown;
    QList<QList<int>> selected;
    CUiPrompts::PushModalHandler([&](QDialog& d) {
      auto& dlg = static_cast<CDlgListCheck&>(d);
      for (int i = 0; i < dlg.Findings()->topLevelItemCount(); ++i) {
        shown << dlg.Findings()->topLevelItem(i)->text(0);
        dlg.Findings()->setCurrentItem(dlg.Findings()->topLevelItem(i));
        selected << SelectedRows(m_view);
      }
      dlg.CloseButton()->click();
      return dlg.result();
    });
    m_frame->Action(ID_LIST_CHECK)->trigger();
    QCOMPARE(shown, (QStringList{U("3, 1"), U("4")}));
    QCOMPARE(selected, (QList<QList<int>>{{0, 2}, {3}}));
  }

 private:
  static std::string QStringToBytesForTest(const QString& s) { return zv::FromUtf8(s.toStdString()).value(); }
};

QTEST_MAIN(ZentravolixViewTest)
#include "ZentravolixViewTest.moc"
