#include "list/ZentravolixView.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QThread>

#include "app/AppTexts.h"
#include "app/CommandIds.h"
#include "app/QStringBytes.h"
#include "app/UiPrompts.h"
#include "filename/DlgBatchConvert.h"
#include "filename/FolderWalk.h"
#include "list/ConvertListFile.h"
#include "list/ConvertRowItem.h"
#include "list/DlgItemEdit.h"
#include "list/DlgListCheck.h"
#include "list/GridLineDelegate.h"
#include "list/ListTexts.h"
#include "list/ViewRowSource.h"
#include "platform/CodePage.h"
#include "run/FolderRun.h"
#include "platform/FileError.h"
#include "settings/Settings.h"
#include "text/RowsByEncoding.h"
#include "text/TextConvert.h"

CZentravolixView::CZentravolixView(QWidget* parent)
    : QTreeWidget(parent), m_snapshot(std::make_shared<CRowsSnapshot>()) {
  // Every change of the rows, their texts or their order emits ListChanged.
  connect(this, &CZentravolixView::ListChanged, this,
          [this] { m_snapshot->Set(std::make_shared<const zv::ConvertRows>(GetRows(Rows::All))); });
}

CZentravolixView::~CZentravolixView() { OnDestroy(); }

void CZentravolixView::OnInitialUpdate() {
  setColumnCount(2);
  setHeaderLabels({Ui(zv::texts::kColumnSearch), Ui(zv::texts::kColumnReplace)});
  header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  header()->setStretchLastSection(false);
  header()->setSectionsMovable(false);
  header()->setSortIndicatorShown(false);
  setColumnWidth(0, 256);
  setColumnWidth(1, 256);

  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  // The view sorts on its own rule; this also makes the headers unclickable,
  // so clickability is set after it.
  setSortingEnabled(false);
  header()->setSectionsClickable(true);
  setItemDelegate(new CGridLineDelegate(this));
  connect(header(), &QHeaderView::sectionClicked, this, &CZentravolixView::OnColumnClick);

  m_bLastSortAscending = false;
}

CConvertRowItem* CZentravolixView::Row(int row) const {
  return static_cast<CConvertRowItem*>(topLevelItem(row));
}

bool CZentravolixView::AddConvertItem(int index, std::string find, std::string replace) {
  if (index < 0) return false;
  if (!zv::ItemFitsLimits(find, replace, zv::ActiveCodePage())) return false;
  auto* row = new CConvertRowItem(zv::ConvertItem{std::move(find), std::move(replace)});
  index = std::min(index, RowCount());
  insertTopLevelItem(index, row);
  // The anchor follows the row it stood on.
  if (m_nSelectionMark >= index) ++m_nSelectionMark;
  emit ListChanged();
  return true;
}

void CZentravolixView::FreeConvertItems() {
  // Records live in their rows, so freeing them removes the rows too.
  clear();
}

void CZentravolixView::DeleteAllConvertItems() {
  FreeConvertItems();
  m_nSelectionMark = -1;
  emit ListChanged();
}

bool CZentravolixView::DeleteSelectedConvertItems() {
  bool removed = false;
  for (int row = RowCount() - 1; row >= 0; --row) {
    if (!IsRowSelected(row)) continue;
    delete takeTopLevelItem(row);
    RowRemoved(row);
    removed = true;
  }
  if (removed) emit ListChanged();
  return true;
}

void CZentravolixView::RowRemoved(int row) {
  if (m_nSelectionMark == row) {
    m_nSelectionMark = -1;
  } else if (m_nSelectionMark > row) {
    --m_nSelectionMark;
  }
}

bool CZentravolixView::HasConvertItems(bool selectedOnly) const {
  if (!selectedOnly) return RowCount() > 0;
  for (int row = 0; row < RowCount(); ++row) {
    if (IsRowSelected(row)) return true;
  }
  return false;
}

const zv::ConvertItem* CZentravolixView::ItemAt(int row) const {
  const CConvertRowItem* item = Row(row);
  return item ? &item->Item() : nullptr;
}

bool CZentravolixView::IsRowSelected(int row) const {
  const QTreeWidgetItem* item = topLevelItem(row);
  return item && item->isSelected();
}

void CZentravolixView::SetRowSelected(int row, bool selected) {
  if (QTreeWidgetItem* item = topLevelItem(row)) item->setSelected(selected);
}

zv::ConvertRows CZentravolixView::GetRows(Rows which) const {
  zv::ConvertRows rows;
  rows.reserve(static_cast<std::size_t>(RowCount()));
  for (int row = 0; row < RowCount(); ++row) {
    if (which == Rows::Selected && !IsRowSelected(row)) continue;
    rows.push_back(Row(row)->Item());
  }
  return rows;
}

bool CZentravolixView::ConvertString(std::string text, std::string& out) const {
  if (text.empty()) return true;
  zv::ApplyList(text, GetRows(Rows::All), zv::ActiveCodePage());
  out = std::move(text);
  return true;
}

bool CZentravolixView::ConvertString(std::string text, std::string& out, zv::TextEncoding as,
                                     std::vector<std::size_t>& leftOut) const {
  zv::RowsByEncoding byEncoding;
  const zv::RowsByEncoding::Converted rows =
      byEncoding.For(std::make_shared<const zv::ConvertRows>(GetRows(Rows::All)), as);
  leftOut = rows.leftOut;
  if (text.empty()) return true;
  zv::ApplyList(text, *rows.rows, zv::WorkingCodePage(as));
  out = std::move(text);
  return true;
}

int CZentravolixView::LoadConvertList(const std::string& path) {
  m_convertedFrom.reset();
  zv::ConvertRows rows;
  const auto onAddFailed = [this](const std::string& message) {
    CUiPrompts::WndMessageBox(this, BytesToQString(message));
  };
  const zv::LoadListResult result = zv::LoadConvertList(path, rows, onAddFailed, zv::ActiveCodePage());
  if (result.added < 0) {
    // An existing file that cannot be read leaves the list as it was.
    if (!result.io) {
      if (auto message = zv::FileErrorMessage(result.io)) {
        CUiPrompts::AfxMessageBox(CoreMessageText(*message), QMessageBox::Ok, QMessageBox::Critical);
      } else {
        CUiPrompts::AfxMessageBox(Ui(zv::texts::kListReadFailed).arg(PathToQString(path)), QMessageBox::Ok,
                                  QMessageBox::Critical);
      }
    }
    return -1;
  }

  FreeConvertItems();
  m_nSelectionMark = -1;
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(rows.size()));
  for (auto& item : rows) {
    // The reader has already refused rows beyond the limits.
    if (!zv::ItemFitsLimits(item.m_strFind, item.m_strReplaceWith, zv::ActiveCodePage())) continue;
    items.push_back(new CConvertRowItem(std::move(item)));
  }
  insertTopLevelItems(0, items);
  const int added = RowCount();
  if (added > 0) {
    selectionModel()->setCurrentIndex(model()->index(0, 0),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }
  m_convertedFrom = result.convertedFrom;
  emit ListChanged();
  return added;
}

bool CZentravolixView::SaveConvertList(std::string path, Rows which) {
  const zv::FileResult result = zv::SaveConvertList(path, GetRows(which));
  if (!result) {
    // Every failed save is said, also one whose cause has no text of its own.
    const std::optional<std::string> message = zv::FileErrorMessage(result);
    CUiPrompts::AfxMessageBox(
        message ? CoreMessageText(*message) : Ui(zv::texts::kListSaveFailed).arg(PathToQString(path)),
        QMessageBox::Ok, QMessageBox::Critical);
    return false;
  }
  return true;
}

void CZentravolixView::OnColumnClick(int column) {
  const bool ascending = !(column == m_nSelectionMark && m_bLastSortAscending);
  std::vector<const QTreeWidgetItem*> before;
  before.reserve(static_cast<std::size_t>(RowCount()));
  for (int row = 0; row < RowCount(); ++row) before.push_back(topLevelItem(row));
  // The model's sort is stable and keeps the selection with its rows. The
  // rows themselves change places: the order shown is the list's order.
  sortItems(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
  m_bLastSortAscending = ascending;
  m_nSelectionMark = column;
  for (int row = 0; row < RowCount(); ++row) {
    if (topLevelItem(row) != before[static_cast<std::size_t>(row)]) {
      emit ListChanged();
      break;
    }
  }
}

bool CZentravolixView::CanMoveSelected(int step) const {
  for (int row = 0; row < RowCount(); ++row) {
    const int to = row + step;
    if (IsRowSelected(row) && to >= 0 && to < RowCount() && !IsRowSelected(to)) return true;
  }
  return false;
}

void CZentravolixView::MoveSelected(int step) {
  if (!CanMoveSelected(step)) return;
  const int n = RowCount();
  // from[i]: the row that ends up at i. Each selected row passes the
  // unselected neighbour on its side, so a block moves as one.
  std::vector<int> from(static_cast<std::size_t>(n));
  std::vector<bool> selected(static_cast<std::size_t>(n));
  for (int row = 0; row < n; ++row) {
    from[static_cast<std::size_t>(row)] = row;
    selected[static_cast<std::size_t>(row)] = IsRowSelected(row);
  }
  const auto passes = [&](int row, int to) {
    const auto r = static_cast<std::size_t>(row);
    const auto t = static_cast<std::size_t>(to);
    if (!selected[r] || selected[t]) return;
    std::swap(from[r], from[t]);
    std::vector<bool>::swap(selected[r], selected[t]);
  };
  if (step < 0) {
    for (int row = 1; row < n; ++row) passes(row, row - 1);
  } else {
    for (int row = n - 2; row >= 0; --row) passes(row, row + 1);
  }

  std::vector<zv::ConvertItem> items;
  items.reserve(static_cast<std::size_t>(n));
  for (int row = 0; row < n; ++row) items.push_back(Row(row)->Item());
  const int current = currentIndex().isValid() ? currentIndex().row() : -1;
  int newCurrent = current;
  int newMark = m_nSelectionMark;
  for (int row = 0; row < n; ++row) {
    const int old = from[static_cast<std::size_t>(row)];
    if (old == row) continue;
    Row(row)->SetItem(items[static_cast<std::size_t>(old)]);
    SetRowSelected(row, selected[static_cast<std::size_t>(row)]);
    // The current row and the anchor go with their rows.
    if (old == current) newCurrent = row;
    if (old == m_nSelectionMark) newMark = row;
  }
  m_nSelectionMark = newMark;
  if (newCurrent >= 0) {
    const QModelIndex index = model()->index(newCurrent, 0);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    scrollTo(index);
  }
  emit ListChanged();
}

bool CZentravolixView::OnCmdMsg(int id) {
  switch (id) {
    case ID_SELECT_ALL:
      OnSelectAll();
      return true;
    case ID_SELECT_INVERT:
      OnSelectInvert();
      return true;
    case ID_ITEM_ADD:
      OnItemAdd();
      return true;
    case ID_ITEM_EDIT:
      OnItemEdit();
      return true;
    case ID_ITEM_DELETE:
      OnItemDelete();
      return true;
    case ID_LIST_CLEAR:
      OnListClear();
      return true;
    case ID_MOVE_UP:
      OnMoveUp();
      return true;
    case ID_MOVE_DOWN:
      OnMoveDown();
      return true;
    case ID_LIST_CHECK:
      OnListCheck();
      return true;
    default:
      return false;
  }
}

std::optional<bool> CZentravolixView::OnUpdateCmdUI(int id) const {
  switch (id) {
    case ID_LIST_CLEAR:
    case ID_CONVERT_FILENAME:
    case ID_CONVERT_TEXT:
    case ID_SELECT_ALL:
    case ID_SELECT_INVERT:
    case ID_ITEM_DELETE:
    case ID_ITEM_EDIT:
    case ID_CONVERT_FOLDERTEXT:
    case ID_LIST_CHECK:
      return OnUpdateListNotEmpty();
    case ID_MOVE_UP:
      return CanMoveSelected(-1);
    case ID_MOVE_DOWN:
      return CanMoveSelected(+1);
    default:
      return std::nullopt;
  }
}

void CZentravolixView::OnItemAdd() {
  CDlgItemEdit dlg(window());
  if (CUiPrompts::DoModal(dlg) != QDialog::Accepted) return;
  if (!AddConvertItem(RowCount(), dlg.m_strSearch, dlg.m_strReplace)) {
    CUiPrompts::WndMessageBox(this,
                              BytesToQString(zv::AddItemFailedMessage(dlg.m_strSearch, dlg.m_strReplace)));
  }
}

void CZentravolixView::OnItemEdit() {
  int first = -1;
  for (int row = 0; row < RowCount() && first < 0; ++row) {
    if (IsRowSelected(row)) first = row;
  }
  if (first < 0) return;
  CConvertRowItem* row = Row(first);
  CDlgItemEdit dlg(window());
  dlg.m_strSearch = row->Item().m_strFind;
  dlg.m_strReplace = row->Item().m_strReplaceWith;
  if (CUiPrompts::DoModal(dlg) != QDialog::Accepted) return;
  if (dlg.m_strSearch == row->Item().m_strFind && dlg.m_strReplace == row->Item().m_strReplaceWith) return;
  row->SetItem(zv::ConvertItem{dlg.m_strSearch, dlg.m_strReplace});
  emit ListChanged();
}

void CZentravolixView::OnItemDelete() { DeleteSelectedConvertItems(); }

void CZentravolixView::OnListCheck() {
  std::vector<zv::ListFinding> findings = zv::CheckList(GetRows());
  if (findings.empty()) {
    CUiPrompts::WndMessageBox(this, Ui(zv::texts::kCheckNothingFound), QMessageBox::Ok, QMessageBox::Information);
    return;
  }
  CDlgListCheck dlg(window(), this, std::move(findings));
  CUiPrompts::DoModal(dlg);
}

void CZentravolixView::OnListClear() { DeleteAllConvertItems(); }

void CZentravolixView::OnSelectAll() {
  for (int row = 0; row < RowCount(); ++row) SetRowSelected(row, true);
}

void CZentravolixView::OnSelectInvert() {
  for (int row = 0; row < RowCount(); ++row) SetRowSelected(row, !IsRowSelected(row));
}

void CZentravolixView::OnDestroy() {
  if (m_bDestroyed) return;
  m_bDestroyed = true;
  if (m_pRun) {
    m_pRun->Stop();
    m_pRun->Wait();
  }
  FreeConvertItems();
}

void CZentravolixView::WaitServingEvents(QThread* thread) {
  // A worker may be inside a blocking call to this thread (a message box); a
  // bare wait would never let it reach its next flag test.
  QPointer<QThread> guard(thread);
  while (guard && guard->isRunning()) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (guard) guard->wait(QDeadlineTimer(10));
  }
}

CFolderRun* CZentravolixView::Run() const { return m_pRun.data(); }

CFolderRun* CZentravolixView::NewRun(bool textTool) {
  if (m_bDestroyed) return nullptr;
  if (m_pRun) {
    m_pRun->Stop();
    m_pRun->Wait();
    delete m_pRun.data();
  }
  m_pRun = new CFolderRun(textTool ? CFolderRun::Tool::FolderText : CFolderRun::Tool::FileName, this, this);
  return m_pRun;
}

void CZentravolixView::SelectRange(int from, int to, bool keepOthers) {
  if (from > to) std::swap(from, to);
  const QItemSelection range(model()->index(from, 0), model()->index(to, columnCount() - 1));
  selectionModel()->select(range,
                           (keepOthers ? QItemSelectionModel::Select : QItemSelectionModel::ClearAndSelect) |
                               QItemSelectionModel::Rows);
}

void CZentravolixView::mousePressEvent(QMouseEvent* event) {
  const QModelIndex index = indexAt(event->position().toPoint());
  const bool shift = event->modifiers().testFlag(Qt::ShiftModifier);
  if (index.isValid() && event->button() == Qt::LeftButton && shift) {
    // Shift-click selects from the anchor, which sorting also moves.
    int anchor = m_nSelectionMark;
    if (anchor < 0 || anchor >= RowCount())
      anchor = currentIndex().isValid() ? currentIndex().row() : index.row();
    SelectRange(anchor, index.row(), event->modifiers().testFlag(Qt::ControlModifier));
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    setFocus(Qt::MouseFocusReason);
    event->accept();
    return;
  }
  QTreeWidget::mousePressEvent(event);
  if (index.isValid()) m_nSelectionMark = index.row();
}

void CZentravolixView::keyPressEvent(QKeyEvent* event) {
  // Enter edits the row, as a double-click does.
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
      (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    emit CommandRequested(ID_ITEM_EDIT);
    event->accept();
    return;
  }
  // Selecting all is the frame's command (Ctrl+A), enabled by its rule; the
  // view's own would still select in an empty list. No copy either.
  if (event->matches(QKeySequence::SelectAll) || event->matches(QKeySequence::Copy)) {
    event->ignore();
    return;
  }
  CursorAction action = MoveDown;
  bool navigation = true;
  switch (event->key()) {
    case Qt::Key_Up:
      action = MoveUp;
      break;
    case Qt::Key_Down:
      action = MoveDown;
      break;
    case Qt::Key_Home:
      action = MoveHome;
      break;
    case Qt::Key_End:
      action = MoveEnd;
      break;
    case Qt::Key_PageUp:
      action = MovePageUp;
      break;
    case Qt::Key_PageDown:
      action = MovePageDown;
      break;
    default:
      navigation = false;
      break;
  }
  if (navigation && event->modifiers().testFlag(Qt::ShiftModifier) && RowCount() > 0) {
    const QModelIndex next = moveCursor(action, event->modifiers());
    if (next.isValid()) {
      int anchor = m_nSelectionMark;
      if (anchor < 0 || anchor >= RowCount())
        anchor = currentIndex().isValid() ? currentIndex().row() : next.row();
      SelectRange(anchor, next.row(), false);
      selectionModel()->setCurrentIndex(next, QItemSelectionModel::NoUpdate);
      scrollTo(next);
    }
    event->accept();
    return;
  }
  QTreeWidget::keyPressEvent(event);
  if (navigation && !event->modifiers().testFlag(Qt::ControlModifier) && currentIndex().isValid()) {
    m_nSelectionMark = currentIndex().row();
  }
}

void CZentravolixView::mouseDoubleClickEvent(QMouseEvent* event) {
  const QModelIndex index = indexAt(event->position().toPoint());
  if (event->button() != Qt::LeftButton || !index.isValid()) {
    QTreeWidget::mouseDoubleClickEvent(event);
    return;
  }
  // The row double-clicked is the one edited, whatever else was selected.
  selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  m_nSelectionMark = index.row();
  event->accept();
  emit CommandRequested(ID_ITEM_EDIT);
}

void CZentravolixView::contextMenuEvent(QContextMenuEvent* event) {
  QPoint pos = event->globalPos();
  // From the keyboard: at the current row rather than wherever the pointer is.
  if (event->reason() == QContextMenuEvent::Keyboard) {
    const QRect rect = visualRect(currentIndex());
    pos = viewport()->mapToGlobal(rect.isValid() ? rect.bottomLeft() : QPoint(0, 0));
  }
  event->accept();
  emit ContextMenuRequested(pos);
}
