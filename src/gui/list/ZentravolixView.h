#pragma once
// The conversion list: a report view whose rows own their ConvertItem. It is
// also where the folder tools keep their run state, and it serves the rows to
// their workers through CViewRowSource.

#include <QPointer>
#include <QTreeWidget>
#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "list/ConvertItem.h"
#include "text/TextEncoding.h"

class CConvertRowItem;
class CDlgBatchConvert;
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
  // The selected rows one step up (-1) or down (+1) together; a selected
  // row against the end or against another selected row that cannot move
  // stays where it is.
  void OnMoveUp() { MoveSelected(-1); }
  void OnMoveDown() { MoveSelected(+1); }
  // True when a move that way would change the order.
  bool CanMoveSelected(int step) const;

  // Stops both workers, waits for them while still answering their calls,
  // then frees the rows. Runs once, when the main window closes.
  void OnDestroy();
  void ClearFileList() { m_fileList.clear(); }
  // Waits until thread has ended, serving the events it waits on meanwhile.
  static void WaitServingEvents(QThread* thread);

  // The folder runs: the walk on this thread, then a worker that reports to
  // dialog. False when the walk failed (its reason has been shown) or the
  // view is going, and nothing was started.
  bool StartConvertFileName(std::string srcFolder, std::string dstFolder, std::string pattern,
                            CDlgBatchConvert* dialog);
  bool StartTextConvert(std::string srcFolder, std::string dstFolder, std::string pattern,
                        CDlgBatchConvert* dialog);
  // Waits until both workers have ended, serving their calls meanwhile.
  void WaitForWorkers();
  bool IsDestroyed() const { return m_bDestroyed; }

  // Run state of the folder tools.
  std::vector<std::string> m_fileList;
  std::string m_srcFolder;
  std::string m_dstFolder;
  QPointer<QWidget> m_pRunDialog;
  QPointer<QThread> m_pNameThread;
  std::atomic<int> m_bNameRunning{0};
  QPointer<QThread> m_pTextThread;
  std::atomic<int> m_bTextRunning{0};
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
  bool StartRun(bool textTool, std::string srcFolder, std::string dstFolder, std::string pattern,
                CDlgBatchConvert* dialog);

  int m_nSelectionMark = -1;
  bool m_bDestroyed = false;
  std::optional<std::string> m_convertedFrom;
};
