#pragma once
// The main window: menu 130, the tool bar, the status bar and the list view;
// opens and saves list files, shows help, and routes every command.

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CHelpWindow;
class CRecentFileList;
class CZentravolixApp;
class CZentravolixView;
class QAction;
class QLabel;
class QMenu;
class QStatusBar;
class QToolBar;

class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  explicit CMainFrame(CZentravolixApp* app);
  ~CMainFrame() override;

  // Tool bar, status bar, icon, menu and view; false refuses the window.
  bool OnCreate();

  CZentravolixView* GetConvertView() const { return m_pView; }
  QAction* Action(int id) const;
  // The current list file, the file system's bytes.
  const std::string& ListPath() const { return m_strListPath; }
  QToolBar* ToolBar() const { return m_wndToolBar; }
  // Text of the status bar's message pane, and the four indicator panes.
  QString MessageText() const;
  QList<QLabel*> IndicatorPanes() const;
  void SetMessageText(const QString& text);
  CHelpWindow* HelpWindow() const;

  // Routing: view first, then this frame, then the application.
  void OnCommand(int id);
  // Runs every update handler; before a menu opens and after every change.
  void UpdateCommandUI();

  void OnNewList();
  void OnOpenList();
  // Opens the list at path as ﾌｧｲﾙを開く does once its dialog has answered
  // (the list-file argument, a dropped file, a recent file); no question
  // about unsaved changes. False when nothing was opened.
  bool OpenListFile(const std::string& path);
  void OnOpenRecentFile(int index);
  void OnSaveList();
  void OnSaveSelected();
  void OnSaveListAs();
  void OnSaveSelectedAs();
  void OnHelpContents();
  bool OnUpdateSaveList() const;
  bool OnUpdateSaveListAs() const;

  // The list was changed since it was last opened or saved whole, and holds
  // a row: closing it would lose something.
  bool IsModified() const;
  // Asks whether to save an unsaved list first; false: the user stays.
  bool SaveModified();
  const CRecentFileList& RecentFiles() const { return *m_pRecentFiles; }
  // The recent-file entries of the ﾌｧｲﾙ menu, visible or not.
  const std::vector<QAction*>& RecentActions() const { return m_recentActions; }
  QMenu* ContextMenu() const { return m_pContextMenu; }
  // Size and place of the window and the widths of the columns, from the
  // profile; written back when the window closes.
  void LoadWindowSettings();

  // Tool commands.
  void OnConvertFileName();
  void OnConvertFileNameSetting();
  void OnConvertText();
  void OnConvertFolderText();
  void OnConvertFolderTextSetting();

  // Where help is looked for: beside the executable, then the installed data
  // folder. Tests point it elsewhere.
  static QStringList HelpFolders();
  static void SetHelpFoldersForTesting(std::optional<QStringList> folders);
  static QString FindHelpFile();

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  bool OnCmdMsg(int id);
  std::optional<bool> OnUpdateCmdUI(int id) const;
  void BuildActions();
  void BuildMenu();
  bool BuildToolBar();
  bool BuildStatusBar();
  bool SaveOver(int which);
  bool SaveAs(int which);
  void SetListPath(const std::string& path);
  void SetModified(bool modified);
  void AttachMenu(QMenu* menu);
  void BuildContextMenu();
  void ShowContextMenu(const QPoint& globalPos);
  void UpdateRecentMenu();
  void SaveWindowSettings() const;

  CZentravolixApp* m_pApp;
  std::string m_strListPath;
  QIcon m_hIcon;
  QStatusBar* m_wndStatusBar = nullptr;
  QToolBar* m_wndToolBar = nullptr;
  CZentravolixView* m_pView = nullptr;
  QLabel* m_pMessagePane = nullptr;
  QList<QLabel*> m_indicators;
  std::map<int, QAction*> m_actions;
  std::unique_ptr<CRecentFileList> m_pRecentFiles;
  std::vector<QAction*> m_recentActions;
  QAction* m_pRecentNone = nullptr;
  QMenu* m_pContextMenu = nullptr;
  bool m_bModified = false;
  QTimer m_idleTimer;
  QPointer<CHelpWindow> m_pHelpWindow;
  bool m_bMenuActive = false;
  bool m_bClosed = false;
};
