#pragma once
// The conversion list: a report view whose rows own their ConvertItem. It
// keeps a snapshot of its rows for the folder runs' workers (CViewRowSource)
// and owns the folder run under way.

#include <QPointer>
#include <QTreeWidget>
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "list/ConvertItem.h"
#include "text/TextEncoding.h"

class CConvertRowItem;
class CFolderRun;
class CRowsSnapshot;
class QThread;

class CZentravolixView : public QTreeWidget {
  Q_OBJECT

 public:
  enum class Rows { All, Selected };

  explicit CZentravolixView(QWidget* parent = nullptr);
  ~CZentravolixView() override;

  // Columns, report style, grid lines, full-row selection; once.
  void OnInitialUpdate();

  // Rows.
  bool AddConvertItem(int index, std::string find, std::string replace);
  void DeleteAllConvertItems();
  bool DeleteSelectedConvertItems();
  void FreeConvertItems();
  bool HasConvertItems(bool selectedOnly) const;
  int RowCount() const { return topLevelItemCount(); }
  const zv::ConvertItem* ItemAt(int row) const;
  bool IsRowSelected(int row) const;
  void SetRowSelected(int row, bool selected);
  // The rows in display order: all of them or the selected ones.
  zv::ConvertRows GetRows(Rows which = Rows::All) const;

  // All rows applied to text in display order; out is left alone for an
  // empty text.
  bool ConvertString(std::string text, std::string& out) const;
  // The same for a text of another encoding (worked in its code page): rows
  // it cannot express take no part and are named in leftOut.
  bool ConvertString(std::string text, std::string& out, zv::TextEncoding as,
                     std::vector<std::size_t>& leftOut) const;

  // The list file. Load returns the rows added, or -1 when nothing exists at
  // the path or it could not be read; failures are reported to the user.
  int LoadConvertList(const std::string& path);
  bool SaveConvertList(std::string path, Rows which);
  // Set by the last load when the file was converted from the other code page.
  const std::optional<std::string>& LastLoadConvertedFrom() const { return m_convertedFrom; }

  // Sorting by a column header; the anchor row doubles as the sort memory.
  void OnColumnClick(int column);
  int SelectionMark() const { return m_nSelectionMark; }
  void SetSelectionMark(int mark) { m_nSelectionMark = mark; }

  // Command routing: true when the view handles the command.
  bool OnCmdMsg(int id);
  // The enabling of the commands the view rules; nullopt for the others.
  std::optional<bool> OnUpdateCmdUI(int id) const;
  bool OnUpdateListNotEmpty() const { return HasConvertItems(false); }

  void OnItemAdd();
  void OnItemEdit();
  void OnItemDelete();
  void OnListClear();
  void OnSelectAll();
  void OnSelectInvert();
  // The list check: its findings, or word that there are none.
  void OnListCheck();
  // The selected rows one step up (-1) or down (+1) together; a selected
  // row against the end or against another selected row that cannot move
  // stays where it is.
  void OnMoveUp() { MoveSelected(-1); }
  void OnMoveDown() { MoveSelected(+1); }
  // True when a move that way would change the order.
  bool CanMoveSelected(int step) const;

  // Stops the folder run under way, waits for it while still answering its
  // calls, then frees the rows. Runs once, when the main window closes.
  void OnDestroy();
  // Waits until thread has ended, serving the events it waits on meanwhile.
  static void WaitServingEvents(QThread* thread);

  // A new folder run, owned by the view; an earlier one still going is
  // stopped and waited for first (one run at a time). nullptr once the view
  // is going.
  CFolderRun* NewRun(bool textTool);
  // The run last made, while it exists.
  CFolderRun* Run() const;
  bool IsDestroyed() const { return m_bDestroyed; }

  // The rows for workers, taken whenever the list changes.
  const std::shared_ptr<CRowsSnapshot>& Snapshot() const { return m_snapshot; }

  bool m_bLastSortAscending = false;

 signals:
  // Rows added, removed, edited or reordered: enabling must be looked at again.
  void ListChanged();
  // A command the user asked for in the view (Enter, double-click), for the
  // frame to route as if chosen from the menu.
  void CommandRequested(int id);
  // The context menu, at a global position.
  void ContextMenuRequested(const QPoint& globalPos);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  CConvertRowItem* Row(int row) const;
  void SelectRange(int from, int to, bool keepOthers);
  void RowRemoved(int row);
  void MoveSelected(int step);

  int m_nSelectionMark = -1;
  std::shared_ptr<CRowsSnapshot> m_snapshot;
  QPointer<CFolderRun> m_pRun;
  bool m_bDestroyed = false;
  std::optional<std::string> m_convertedFrom;
};
