#include "app/MainFrame.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QSettings>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QUrl>
#include <cstdlib>

#include "app/AppTexts.h"
#include "app/CommandIds.h"
#include "app/HelpWindow.h"
#include "app/QStringBytes.h"
#include "app/RecentFileList.h"
#include "app/UiPrompts.h"
#include "app/ZentravolixApp.h"
#include "filename/DlgBatchConvert.h"
#include "filename/DlgFileNameSetting.h"
#include "list/ZentravolixView.h"
#include "platform/AppPaths.h"
#include "platform/Path.h"
#include "text/DlgFolderTextSetting.h"
#include "text/DlgTextConvert.h"

namespace {

using namespace zv::texts;

// Where the recent files stand in the ﾌｧｲﾙ menu.
constexpr int kRecentFilesHere = -1;

struct MenuEntry {
  int id;  // 0: separator
  const char* text;
};

struct MenuDef {
  const char* title;
  std::vector<MenuEntry> entries;
};

const std::vector<MenuDef>& Menu130() {
  static const std::vector<MenuDef> menu = {
      {kMenuFile,
       {{ID_NEW_LIST, kMenuNewList},
        {ID_OPEN_LIST, kMenuOpenList},
        {0, nullptr},
        {ID_SAVE_LIST, kMenuSaveList},
        {ID_SAVE_SELECTED, kMenuSaveSelected},
        {ID_SAVE_LIST_AS, kMenuSaveListAs},
        {ID_SAVE_SELECTED_AS, kMenuSaveSelectedAs},
        {0, nullptr},
        {kRecentFilesHere, nullptr},
        {0, nullptr},
        {ID_APP_EXIT, kMenuExit}}},
      {kMenuEdit,
       {{ID_SELECT_ALL, kMenuSelectAll},
        {ID_SELECT_INVERT, kMenuSelectInvert},
        {0, nullptr},
        {ID_ITEM_ADD, kMenuItemAdd},
        {ID_ITEM_EDIT, kMenuItemEdit},
        {ID_ITEM_DELETE, kMenuItemDelete},
        {0, nullptr},
        {ID_MOVE_UP, kMenuMoveUp},
        {ID_MOVE_DOWN, kMenuMoveDown},
        {0, nullptr},
        {ID_LIST_CHECK, kMenuListCheck},
        {0, nullptr},
        {ID_LIST_CLEAR, kMenuListClear}}},
      {kMenuFileName,
       {{ID_CONVERT_FILENAME, kMenuConvertFileName},
        {ID_CONVERT_FILENAME_SETTING, kMenuConvertFileNameSetting}}},
      {kMenuText,
       {{ID_CONVERT_TEXT, kMenuConvertText},
        {ID_CONVERT_FOLDERTEXT, kMenuConvertFolderText},
        {ID_CONVERT_FOLDERTEXT_SETTING, kMenuConvertFolderTextSetting}}},
      {kMenuHelp, {{ID_APP_ABOUT, kMenuAbout}, {ID_HELP_CONTENTS, kMenuHelpContents}}},
  };
  return menu;
}

struct Prompt {
  int id;
  const char* statusText;
  const char* toolTip;
};

const Prompt kPrompts[] = {
    {ID_OPEN_LIST, kPromptOpenList, kTipOpenList},
    {ID_CONVERT_FILENAME, kPromptConvertFileName, kTipConvertFileName},
    {ID_CONVERT_TEXT, kPromptConvertText, kTipConvertText},
    {ID_SAVE_LIST, kPromptSaveList, kTipSaveList},
    {ID_CONVERT_FOLDERTEXT, kPromptConvertFolderText, kTipConvertFolderText},
    {ID_APP_ABOUT, kPromptAbout, kTipAbout},
    {ID_APP_EXIT, kPromptExit, kTipExit},
    {ID_NEW_LIST, kPromptNewList, nullptr},
    {ID_MOVE_UP, kPromptMoveUp, nullptr},
    {ID_MOVE_DOWN, kPromptMoveDown, nullptr},
    {ID_LIST_CHECK, kPromptListCheck, nullptr},
};

// The keys a desktop user expects. Enter (edit the row) is the view's.
struct Shortcut {
  int id;
  QKeyCombination key;
};

const Shortcut kShortcuts[] = {
    {ID_NEW_LIST, Qt::CTRL | Qt::Key_N},
    {ID_OPEN_LIST, Qt::CTRL | Qt::Key_O},
    {ID_SAVE_LIST, Qt::CTRL | Qt::Key_S},
    {ID_SAVE_LIST_AS, Qt::CTRL | Qt::SHIFT | Qt::Key_S},
    {ID_SELECT_ALL, Qt::CTRL | Qt::Key_A},
    {ID_ITEM_DELETE, QKeyCombination(Qt::Key_Delete)},
    {ID_MOVE_UP, Qt::ALT | Qt::Key_Up},
    {ID_MOVE_DOWN, Qt::ALT | Qt::Key_Down},
    {ID_HELP_CONTENTS, QKeyCombination(Qt::Key_F1)},
};

// The list's context menu: the editing commands.
const int kContextMenu[] = {ID_ITEM_ADD, ID_ITEM_EDIT,  ID_ITEM_DELETE,   0, ID_MOVE_UP,   ID_MOVE_DOWN,
                            0,           ID_SELECT_ALL, ID_SELECT_INVERT, 0, ID_LIST_CLEAR};

constexpr const char* kModifiedMark = "[*]";

// A file name in the title: Qt reads "[*]" there as the modified mark.
QString TitleName(std::string_view path) {
  return PathToQString(zv::PathFileName(path)).replace(Ui(kModifiedMark), QStringLiteral("[*][*]"));
}

// A recent file as its menu item shows it: the home folder as "~", long
// paths cut in the middle, "&" as itself.
QString RecentText(int index, const std::string& path, const QFontMetrics& metrics) {
  std::string shown = path;
  if (const char* home = std::getenv("HOME"); home && *home) {
    const std::string prefix = zv::AddBackslash(home);
    if (shown.starts_with(prefix)) shown = "~/" + shown.substr(prefix.size());
  }
  const QString text = metrics.elidedText(PathToQString(shown), Qt::ElideMiddle, 480);
  return QStringLiteral("&%1 ").arg(index + 1) +
         QString(text).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

// The first local .csv among dropped URLs, as the file system's bytes.
std::string DroppedList(const QMimeData* mime) {
  if (!mime || !mime->hasUrls()) return {};
  for (const QUrl& url : mime->urls()) {
    if (!url.isLocalFile()) continue;
    // From the encoded form: a legacy name's bytes are no valid UTF-8.
    const std::string path =
        QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
    const std::string_view ext = zv::PathExtension(path);
    if (ext.size() == 4 &&
        QString::fromLatin1(ext.data(), 4).compare(QStringLiteral(".csv"), Qt::CaseInsensitive) == 0)
      return path;
  }
  return {};
}

// Tool bar 130: button images in strip order, 0 for a separator.
const int kToolBar130[] = {ID_OPEN_LIST,    ID_SAVE_LIST,          0, ID_CONVERT_FILENAME,
                           ID_CONVERT_TEXT, ID_CONVERT_FOLDERTEXT, 0, ID_APP_ABOUT};

std::optional<QStringList> g_helpFolders;

}  // namespace

CMainFrame::CMainFrame(CZentravolixApp* app)
    : m_pApp(app), m_pRecentFiles(std::make_unique<CRecentFileList>()) {
  // The title is ours alone; the document never writes into it. "[*]" shows
  // unsaved changes the way the desktop does.
  setWindowTitle(Ui(kFrameTitle) + Ui(kModifiedMark));
  setAttribute(Qt::WA_DeleteOnClose);
  setAcceptDrops(true);
  resize(720, 480);
}

CMainFrame::~CMainFrame() {
  if (m_pView) m_pView->OnDestroy();
  if (m_pHelpWindow) delete m_pHelpWindow.data();
}

bool CMainFrame::OnCreate() {
  BuildActions();
  BuildMenu();
  if (!BuildToolBar()) return false;
  if (!BuildStatusBar()) return false;
  m_hIcon = QIcon(QStringLiteral(":/icons/icon126.png"));
  setWindowIcon(m_hIcon);

  m_pView = new CZentravolixView(this);
  setCentralWidget(m_pView);
  m_pView->OnInitialUpdate();
  connect(m_pView, &CZentravolixView::ListChanged, this, [this] {
    SetModified(true);
    UpdateCommandUI();
  });
  // Moving rows and saving selected rows follow the selection.
  connect(m_pView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &CMainFrame::UpdateCommandUI);
  connect(m_pView, &CZentravolixView::CommandRequested, this, [this](int id) {
    if (QAction* action = Action(id)) action->trigger();
  });
  connect(m_pView, &CZentravolixView::ContextMenuRequested, this, &CMainFrame::ShowContextMenu);
  BuildContextMenu();

  // The save commands follow a file that may vanish outside the program.
  m_idleTimer.setInterval(500);
  connect(&m_idleTimer, &QTimer::timeout, this, &CMainFrame::UpdateCommandUI);
  m_idleTimer.start();
  UpdateCommandUI();
  return true;
}

void CMainFrame::BuildActions() {
  for (const MenuDef& menu : Menu130()) {
    for (const MenuEntry& entry : menu.entries) {
      if (entry.id <= 0) continue;
      auto* action = new QAction(Ui(entry.text), this);
      action->setData(entry.id);
      action->setAutoRepeat(false);
      action->setMenuRole(QAction::NoRole);
      action->setStatusTip(QString());
      action->setToolTip(QString());
      connect(action, &QAction::triggered, this, [this, id = entry.id] { OnCommand(id); });
      m_actions[entry.id] = action;
    }
  }
  for (const Prompt& prompt : kPrompts) {
    QAction* action = m_actions.at(prompt.id);
    action->setStatusTip(Ui(prompt.statusText));
    action->setToolTip(prompt.toolTip ? Ui(prompt.toolTip) : QString());
  }
  for (const Shortcut& shortcut : kShortcuts) m_actions.at(shortcut.id)->setShortcut(shortcut.key);

  for (int i = 0; i < CRecentFileList::kSize; ++i) {
    auto* action = new QAction(this);
    action->setData(ID_FILE_MRU_FILE1 + i);
    action->setMenuRole(QAction::NoRole);
    connect(action, &QAction::triggered, this, [this, i] { OnOpenRecentFile(i); });
    m_recentActions.push_back(action);
  }
  m_pRecentNone = new QAction(Ui(kMenuRecentNone), this);
  m_pRecentNone->setEnabled(false);
}

void CMainFrame::BuildMenu() {
  for (const MenuDef& def : Menu130()) {
    QMenu* menu = menuBar()->addMenu(Ui(def.title));
    for (const MenuEntry& entry : def.entries) {
      if (entry.id == 0) {
        menu->addSeparator();
      } else if (entry.id == kRecentFilesHere) {
        for (QAction* action : m_recentActions) menu->addAction(action);
        menu->addAction(m_pRecentNone);
      } else {
        menu->addAction(m_actions.at(entry.id));
      }
    }
    AttachMenu(menu);
  }
  UpdateRecentMenu();
}

void CMainFrame::BuildContextMenu() {
  m_pContextMenu = new QMenu(this);
  m_pContextMenu->setObjectName(QStringLiteral("listContextMenu"));
  for (int id : kContextMenu) {
    if (id == 0) {
      m_pContextMenu->addSeparator();
    } else {
      m_pContextMenu->addAction(m_actions.at(id));
    }
  }
  AttachMenu(m_pContextMenu);
}

void CMainFrame::ShowContextMenu(const QPoint& globalPos) {
  // Not exec(): the menu runs in the window's own event loop.
  m_pContextMenu->popup(globalPos);
}

void CMainFrame::UpdateRecentMenu() {
  const std::vector<std::string>& entries = m_pRecentFiles->Entries();
  const QFontMetrics metrics(menuBar()->font());
  for (std::size_t i = 0; i < m_recentActions.size(); ++i) {
    QAction* action = m_recentActions[i];
    const bool used = i < entries.size();
    action->setVisible(used);
    if (!used) continue;
    action->setText(RecentText(static_cast<int>(i), entries[i], metrics));
    action->setStatusTip(Ui(kPromptRecent).arg(PathToQString(entries[i])));
  }
  m_pRecentNone->setVisible(entries.empty());
}

void CMainFrame::AttachMenu(QMenu* menu) {
  connect(menu, &QMenu::aboutToShow, this, [this] {
    m_bMenuActive = true;
    UpdateCommandUI();
  });
  connect(menu, &QMenu::aboutToHide, this, [this] {
    m_bMenuActive = false;
    SetMessageText(Ui(kIdleMessage));
  });
  // An item without a prompt shows an empty pane, not the idle text.
  connect(menu, &QMenu::hovered, this, [this](QAction* action) { SetMessageText(action->statusTip()); });
}

bool CMainFrame::BuildToolBar() {
  const QPixmap strip(QStringLiteral(":/icons/toolbar130.png"));
  if (strip.isNull()) return false;
  m_wndToolBar = new QToolBar(this);
  m_wndToolBar->setObjectName(QStringLiteral("toolbar130"));
  m_wndToolBar->setMovable(false);
  m_wndToolBar->setFloatable(false);
  m_wndToolBar->setIconSize(QSize(16, 15));
  m_wndToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
  m_wndToolBar->toggleViewAction()->setVisible(false);
  int image = 0;
  for (int id : kToolBar130) {
    if (id == 0) {
      m_wndToolBar->addSeparator();
      continue;
    }
    QAction* action = m_actions.at(id);
    action->setIcon(QIcon(strip.copy(image * 16, 0, 16, 15)));
    ++image;
    m_wndToolBar->addAction(action);
  }
  addToolBar(Qt::TopToolBarArea, m_wndToolBar);
  setContextMenuPolicy(Qt::NoContextMenu);
  return true;
}

bool CMainFrame::BuildStatusBar() {
  m_wndStatusBar = new QStatusBar(this);
  m_pMessagePane = new QLabel(Ui(kIdleMessage), m_wndStatusBar);
  m_pMessagePane->setObjectName(QStringLiteral("messagePane"));
  m_wndStatusBar->addWidget(m_pMessagePane, 1);
  for (const char* text : {kIndicatorKana, kIndicatorCaps, kIndicatorNum, kIndicatorScrl}) {
    auto* pane = new QLabel(Ui(text), m_wndStatusBar);
    pane->setFrameShape(QFrame::Panel);
    pane->setFrameShadow(QFrame::Sunken);
    pane->setAlignment(Qt::AlignCenter);
    pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(pane->text()) + 12);
    // The lock states cannot be read portably; an indicator that cannot be
    // trusted is shown greyed, as an "off" indicator is.
    pane->setEnabled(false);
    m_wndStatusBar->addPermanentWidget(pane);
    m_indicators.push_back(pane);
  }
  setStatusBar(m_wndStatusBar);
  return true;
}

QAction* CMainFrame::Action(int id) const {
  const auto it = m_actions.find(id);
  return it == m_actions.end() ? nullptr : it->second;
}

CHelpWindow* CMainFrame::HelpWindow() const { return m_pHelpWindow; }

QString CMainFrame::MessageText() const { return m_pMessagePane ? m_pMessagePane->text() : QString(); }

QList<QLabel*> CMainFrame::IndicatorPanes() const { return m_indicators; }

void CMainFrame::SetMessageText(const QString& text) {
  if (m_pMessagePane) m_pMessagePane->setText(text);
}

bool CMainFrame::event(QEvent* event) {
  if (event->type() == QEvent::StatusTip) {
    const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
    if (!tip.isEmpty()) {
      SetMessageText(tip);
    } else if (!m_bMenuActive) {
      SetMessageText(Ui(kIdleMessage));
    }
    return true;
  }
  return QMainWindow::event(event);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (!m_bClosed) {
    if (!SaveModified()) {
      event->ignore();
      return;
    }
    SaveWindowSettings();
    m_bClosed = true;
    m_idleTimer.stop();
    // Workers stop and are waited for before the rows go; nothing is saved.
    if (m_pView) m_pView->OnDestroy();
    if (m_pHelpWindow) m_pHelpWindow->close();
  }
  event->accept();
}

void CMainFrame::OnCommand(int id) {
  // A command whose item was enabled when chosen may have lost its rule
  // since (the list changed in between); look again before running it.
  UpdateCommandUI();
  if (QAction* action = Action(id); action && !action->isEnabled()) return;
  if (m_pView && m_pView->OnCmdMsg(id)) return;
  if (OnCmdMsg(id)) return;
  if (m_pApp) m_pApp->OnCmdMsg(id);
}

bool CMainFrame::OnCmdMsg(int id) {
  switch (id) {
    case ID_NEW_LIST:
      OnNewList();
      return true;
    case ID_OPEN_LIST:
      OnOpenList();
      return true;
    case ID_SAVE_LIST:
      OnSaveList();
      return true;
    case ID_SAVE_SELECTED:
      OnSaveSelected();
      return true;
    case ID_SAVE_LIST_AS:
      OnSaveListAs();
      return true;
    case ID_SAVE_SELECTED_AS:
      OnSaveSelectedAs();
      return true;
    case ID_HELP_CONTENTS:
      OnHelpContents();
      return true;
    case ID_CONVERT_FILENAME:
      OnConvertFileName();
      return true;
    case ID_CONVERT_FILENAME_SETTING:
      OnConvertFileNameSetting();
      return true;
    case ID_CONVERT_TEXT:
      OnConvertText();
      return true;
    case ID_CONVERT_FOLDERTEXT:
      OnConvertFolderText();
      return true;
    case ID_CONVERT_FOLDERTEXT_SETTING:
      OnConvertFolderTextSetting();
      return true;
    default:
      return false;
  }
}

std::optional<bool> CMainFrame::OnUpdateCmdUI(int id) const {
  switch (id) {
    case ID_SAVE_LIST:
    case ID_SAVE_SELECTED:
      return OnUpdateSaveList();
    case ID_SAVE_LIST_AS:
    case ID_SAVE_SELECTED_AS:
      return OnUpdateSaveListAs();
    default:
      return std::nullopt;
  }
}

void CMainFrame::UpdateCommandUI() {
  for (const auto& [id, action] : m_actions) {
    std::optional<bool> enabled;
    if (m_pView) enabled = m_pView->OnUpdateCmdUI(id);
    if (!enabled) enabled = OnUpdateCmdUI(id);
    if (!enabled && m_pApp) enabled = m_pApp->OnUpdateCmdUI(id);
    // A command with a handler and no rule is enabled.
    action->setEnabled(enabled.value_or(true));
  }
}

void CMainFrame::SetListPath(const std::string& path) {
  m_strListPath = path;
  setWindowTitle(Ui(kFrameTitle) + Ui(kTitleSeparator) + TitleName(path) + Ui(kModifiedMark));
  // Every file that becomes the current one is a recent file.
  m_pRecentFiles->Add(path);
  UpdateRecentMenu();
}

bool CMainFrame::IsModified() const { return m_bModified && m_pView && m_pView->RowCount() > 0; }

void CMainFrame::SetModified(bool modified) {
  m_bModified = modified;
  setWindowModified(IsModified());
}

bool CMainFrame::SaveModified() {
  if (!IsModified()) return true;
  switch (CUiPrompts::AskSaveChanges(this, m_strListPath)) {
    case QMessageBox::Save:
      // A cancelled or failed save keeps the list where it is.
      OnSaveList();
      return !IsModified();
    case QMessageBox::Discard:
      return true;
    default:
      return false;
  }
}

void CMainFrame::OnNewList() {
  if (!SaveModified()) return;
  if (m_pView) m_pView->DeleteAllConvertItems();
  m_strListPath.clear();
  setWindowTitle(Ui(kFrameTitle) + Ui(kModifiedMark));
  SetModified(false);
  UpdateCommandUI();
}

void CMainFrame::OnOpenList() {
  if (!SaveModified()) return;
  CUiPrompts::FileDialogOptions request;
  request.filters = {Ui(kFilterCsv), Ui(kFilterAll)};
  request.initialPath = m_strListPath;
  request.defaultSuffix = QStringLiteral("csv");
  request.mustExist = true;
  const std::string path = CUiPrompts::GetOpenFileName(this, request);
  if (path.empty()) return;
  OpenListFile(path);
}

bool CMainFrame::OpenListFile(const std::string& path) {
  if (!zv::PathFileExists(path)) return false;
  // The current file changes even when the file gave no row, but not when
  // it could not be read: a later save would write the old rows into it.
  if (m_pView) {
    if (m_pView->LoadConvertList(path) < 0) return false;
    if (const auto& from = m_pView->LastLoadConvertedFrom()) {
      SetMessageText(Ui(kListConverted).arg(QString::fromStdString(*from)));
    }
  }
  SetListPath(path);
  SetModified(false);
  UpdateCommandUI();
  return true;
}

void CMainFrame::OnOpenRecentFile(int index) {
  const std::vector<std::string>& entries = m_pRecentFiles->Entries();
  if (index < 0 || static_cast<std::size_t>(index) >= entries.size()) return;
  const std::string path = entries[static_cast<std::size_t>(index)];
  if (!zv::PathFileExists(path)) {
    m_pRecentFiles->Remove(path);
    UpdateRecentMenu();
    CUiPrompts::WndMessageBox(this, Ui(kRecentMissing).arg(PathToQString(path)), QMessageBox::Ok,
                              QMessageBox::Warning);
    return;
  }
  if (!SaveModified()) return;
  OpenListFile(path);
}

void CMainFrame::OnSaveList() { SaveOver(static_cast<int>(CZentravolixView::Rows::All)); }

void CMainFrame::OnSaveSelected() { SaveOver(static_cast<int>(CZentravolixView::Rows::Selected)); }

void CMainFrame::OnSaveListAs() { SaveAs(static_cast<int>(CZentravolixView::Rows::All)); }

void CMainFrame::OnSaveSelectedAs() { SaveAs(static_cast<int>(CZentravolixView::Rows::Selected)); }

bool CMainFrame::SaveOver(int which) {
  if (!m_pView) return false;
  const auto rows = static_cast<CZentravolixView::Rows>(which);
  if (!m_strListPath.empty() && zv::PathFileExists(m_strListPath)) {
    // No selection would empty the file.
    if (rows == CZentravolixView::Rows::Selected && !m_pView->HasConvertItems(true)) {
      CUiPrompts::WndMessageBox(this, Ui(kNoRowSelected), QMessageBox::Ok, QMessageBox::Information);
      return false;
    }
    if (!m_pView->SaveConvertList(m_strListPath, rows)) return false;
    if (rows == CZentravolixView::Rows::All) SetModified(false);
    return true;
  }
  // Without a current file both commands save the whole list under a name.
  return SaveAs(static_cast<int>(CZentravolixView::Rows::All));
}

bool CMainFrame::SaveAs(int which) {
  if (!m_pView) return false;
  const auto rows = static_cast<CZentravolixView::Rows>(which);
  if (rows == CZentravolixView::Rows::Selected && !m_pView->HasConvertItems(true)) {
    CUiPrompts::WndMessageBox(this, Ui(kNoRowSelected), QMessageBox::Ok, QMessageBox::Information);
    return false;
  }
  CUiPrompts::FileDialogOptions request;
  request.filters = {Ui(kFilterAll)};
  request.initialPath = m_strListPath;
  // The dialog asks before it replaces a file; no extension is added.
  request.confirmOverwrite = true;
  const std::string path = CUiPrompts::GetSaveFileName(this, request);
  if (path.empty()) return false;
  if (!m_pView->SaveConvertList(path, rows)) return false;
  SetListPath(path);
  // Only the whole list saved leaves nothing unsaved.
  if (rows == CZentravolixView::Rows::All) SetModified(false);
  UpdateCommandUI();
  return true;
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedList(event->mimeData()).empty()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
  const std::string path = DroppedList(event->mimeData());
  if (path.empty()) return;
  event->acceptProposedAction();
  // Asked after the drop has ended: a box inside it would hold the file
  // manager's drag.
  QMetaObject::invokeMethod(
      this,
      [this, path] {
        if (SaveModified()) OpenListFile(path);
      },
      Qt::QueuedConnection);
}

void CMainFrame::LoadWindowSettings() {
  const QSettings settings;
  const QByteArray geometry = settings.value(QStringLiteral("MainFrame/Geometry")).toByteArray();
  if (!geometry.isEmpty()) restoreGeometry(geometry);
  if (!m_pView) return;
  const QVariantList widths = settings.value(QStringLiteral("MainFrame/ColumnWidths")).toList();
  for (int column = 0; column < m_pView->columnCount() && column < widths.size(); ++column) {
    bool ok = false;
    const int width = widths.at(column).toInt(&ok);
    // A width no one could have dragged to is a damaged profile.
    if (ok && width >= 8 && width <= 10000) m_pView->setColumnWidth(column, width);
  }
}

void CMainFrame::SaveWindowSettings() const {
  QSettings settings;
  settings.setValue(QStringLiteral("MainFrame/Geometry"), saveGeometry());
  if (!m_pView) return;
  QVariantList widths;
  for (int column = 0; column < m_pView->columnCount(); ++column) widths << m_pView->columnWidth(column);
  settings.setValue(QStringLiteral("MainFrame/ColumnWidths"), widths);
}

bool CMainFrame::OnUpdateSaveList() const {
  if (m_strListPath.empty() || !m_pView || !m_pView->HasConvertItems(false)) return false;
  return zv::PathFileExists(m_strListPath);
}

bool CMainFrame::OnUpdateSaveListAs() const { return m_pView && m_pView->HasConvertItems(false); }

QStringList CMainFrame::HelpFolders() {
  if (g_helpFolders) return *g_helpFolders;
  // The data folder is looked for beside the executable's own install tree
  // first, so a program installed under any prefix finds its page.
  const QString exe = QFile::decodeName(QByteArray::fromStdString(zv::ExecutableFolder()));
  return {exe, QDir::cleanPath(QDir(exe).filePath(QStringLiteral(ZV_HELP_RELDIR))),
          QStringLiteral(ZV_HELP_DATADIR)};
}

void CMainFrame::SetHelpFoldersForTesting(std::optional<QStringList> folders) {
  g_helpFolders = std::move(folders);
}

QString CMainFrame::FindHelpFile() {
  for (const QString& folder : HelpFolders()) {
    const QString path = QDir(folder).filePath(Ui(zv::kHelpFileName));
    if (QFileInfo(path).isFile()) return path;
  }
  return {};
}

void CMainFrame::OnHelpContents() {
  const QString path = FindHelpFile();
  if (path.isEmpty()) return;
  // The help window has no owner, like the platform's help viewer.
  if (!m_pHelpWindow) m_pHelpWindow = new CHelpWindow();
  m_pHelpWindow->ShowPage(path);
}

// Tool commands. Each opens its tool's modal dialog; the dialogs come with
// the folder and text tools.
void CMainFrame::OnConvertFileName() {
  // On the heap: closing the main window during the run takes its children
  // with it, and the dialog must not go twice.
  QPointer<CDlgBatchConvert> dlg = new CDlgBatchConvert(this, m_pView);
  dlg->m_nMode = CDlgBatchConvert::kModeFileName;
  CUiPrompts::DoModal(*dlg);
  delete dlg.data();
}

void CMainFrame::OnConvertFileNameSetting() {
  CDlgFileNameSetting dlg(this);
  CUiPrompts::DoModal(dlg);
}
void CMainFrame::OnConvertText() {
  // Owned by the main window; how it ends changes nothing here.
  CDlgTextConvert dlg(m_pView, this);
  CUiPrompts::DoModal(dlg);
}
void CMainFrame::OnConvertFolderText() {
  QPointer<CDlgBatchConvert> dlg = new CDlgBatchConvert(this, m_pView);
  dlg->m_nMode = CDlgBatchConvert::kModeFolderText;
  CUiPrompts::DoModal(*dlg);
  delete dlg.data();
}

void CMainFrame::OnConvertFolderTextSetting() {
  // Its result is not used: a run reads the settings when it starts.
  CDlgFolderTextSetting dlg(this);
  CUiPrompts::DoModal(dlg);
}
