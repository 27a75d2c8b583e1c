#pragma once
// The main window: menu 130, the tool bar, the status bar and the list view;
// opens and saves list files, shows help, and routes every command.

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <map>
#include <optional>

class CHelpWindow;
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

  void OnOpenList();
  void OnSaveList();
  void OnSaveSelected();
  void OnSaveListAs();
  void OnSaveSelectedAs();
  void OnHelpContents();
  bool OnUpdateSaveList() const;
  bool OnUpdateSaveListAs() const;

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

 private:
  bool OnCmdMsg(int id);
  std::optional<bool> OnUpdateCmdUI(int id) const;
  void BuildActions();
  void BuildMenu();
  bool BuildToolBar();
  bool BuildStatusBar();
  void SaveOver(int which);
  void SaveAs(int which);
  void SetListPath(const std::string& path);
  void AttachMenu(QMenu* menu);

  CZentravolixApp* m_pApp;
  std::string m_strListPath;
  QIcon m_hIcon;
  QStatusBar* m_wndStatusBar = nullptr;
  QToolBar* m_wndToolBar = nullptr;
  CZentravolixView* m_pView = nullptr;
  QLabel* m_pMessagePane = nullptr;
  QList<QLabel*> m_indicators;
  std::map<int, QAction*> m_actions;
  QTimer m_idleTimer;
  QPointer<CHelpWindow> m_pHelpWindow;
  bool m_bMenuActive = false;
  bool m_bClosed = false;
};
