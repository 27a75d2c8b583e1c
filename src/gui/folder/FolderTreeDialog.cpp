#include "folder/FolderTreeDialog.h"

#include <unistd.h>

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "app/DialogUnits.h"
#include "app/QStringBytes.h"
#include "app/UiPrompts.h"
#include "folder/FolderUiTexts.h"
#include "platform/AppPaths.h"
#include "platform/File.h"
#include "platform/Path.h"

namespace {

bool g_realBrowserInTestMode = false;
constexpr int kPathRole = Qt::UserRole;
constexpr int kListedRole = Qt::UserRole + 1;

std::string PathOf(const QTreeWidgetItem* item) { return item->data(0, kPathRole).toByteArray().toStdString(); }

// The names of an absolute path, "." and ".." worked out as they stand.
std::vector<std::string> NamesOf(const std::string& path) {
  std::vector<std::string> names;
  std::size_t begin = 0;
  while (begin <= path.size()) {
    std::size_t end = path.find('/', begin);
    if (end == std::string::npos) end = path.size();
    const std::string name = path.substr(begin, end - begin);
    if (name == "..") {
      if (!names.empty()) names.pop_back();
    } else if (!name.empty() && name != ".") {
      names.push_back(name);
    }
    begin = end + 1;
  }
  return names;
}

}  // namespace

CFolderTreeDialog::CFolderTreeDialog(QWidget* owner, const QString& title, bool newFolderButton)
    : QDialog(owner) {
  setWindowTitle(Ui(zv::texts::kBrowserTitle));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setFont(CDialogUnits::DialogFont());
  resize(340, 400);

  m_pTitle = new QLabel(title, this);
  m_pTitle->setTextFormat(Qt::PlainText);
  m_pTitle->setWordWrap(true);
  m_pStatus = new QLabel(this);
  m_pStatus->setObjectName(QStringLiteral("statusText"));
  m_pStatus->setTextFormat(Qt::PlainText);

  m_pTree = new QTreeWidget(this);
  m_pTree->setColumnCount(1);
  m_pTree->header()->hide();
  m_pTree->setSelectionMode(QAbstractItemView::SingleSelection);
  m_pTree->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // The user's own folders first, as file managers show them; then the whole system.
  m_strHome = zv::RemoveBackslash(zv::HomeFolder());
  if (!zv::IsRootPath(m_strHome)) AddFolder(nullptr, m_strHome, Ui(zv::texts::kBrowserHome));
  AddFolder(nullptr, "/", QStringLiteral("/"));
  connect(m_pTree, &QTreeWidget::itemExpanded, this, &CFolderTreeDialog::Populate);
  connect(m_pTree, &QTreeWidget::currentItemChanged, this, &CFolderTreeDialog::OnCurrentChanged);
  connect(m_pTree, &QTreeWidget::itemSelectionChanged, this, &CFolderTreeDialog::OnCurrentChanged);

  m_pBtnOk = new QPushButton(Ui(zv::texts::kBrowserOk), this);
  m_pBtnOk->setDefault(true);
  m_pBtnOk->setEnabled(false);
  m_pBtnCancel = new QPushButton(Ui(zv::texts::kBrowserCancel), this);
  connect(m_pBtnOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(m_pBtnCancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  if (newFolderButton) {
    m_pBtnNewFolder = new QPushButton(Ui(zv::texts::kNewFolderButton), this);
    m_pBtnNewFolder->setObjectName(QStringLiteral("newFolder"));
    QFont buttonFont = CDialogUnits::FixedDialogFont();
    buttonFont.setPixelSize(12);
    buttonFont.setWeight(QFont::Normal);
    m_pBtnNewFolder->setFont(buttonFont);
    m_pBtnNewFolder->setAutoDefault(false);
    m_pBtnNewFolder->setFixedSize(95, 20);
    connect(m_pBtnNewFolder, &QPushButton::clicked, this, &CFolderTreeDialog::NewFolderClicked);
    buttons->addWidget(m_pBtnNewFolder);
  }
  buttons->addStretch(1);
  buttons->addWidget(m_pBtnOk);
  buttons->addWidget(m_pBtnCancel);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_pTitle);
  layout->addWidget(m_pStatus);
  layout->addWidget(m_pTree, 1);
  layout->addLayout(buttons);
}

QTreeWidgetItem* CFolderTreeDialog::AddFolder(QTreeWidgetItem* parent, const std::string& path,
                                              const QString& text) {
  auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(m_pTree);
  item->setText(0, text);
  item->setIcon(0, style()->standardIcon(QStyle::SP_DirIcon));
  item->setData(0, kPathRole, QByteArray::fromStdString(path));
  // Whether it has subfolders is known once it is listed.
  item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
  return item;
}

void CFolderTreeDialog::Populate(QTreeWidgetItem* item) {
  if (!item || item->data(0, kListedRole).toBool()) return;
  item->setData(0, kListedRole, true);
  const std::string folder = zv::AddBackslash(PathOf(item));
  struct Sub {
    QString text;
    std::string name;
  };
  std::vector<Sub> subs;
  for (const zv::DirEntry& e : zv::ListDirectory(folder, "*.*").entries) {
    // Hidden folders are left out, as file managers do; links to folders are shown.
    if (e.name.front() == '.') continue;
    if (e.kind == zv::EntryKind::Directory ||
        (e.kind == zv::EntryKind::Other && zv::PathIsDirectory(folder + e.name)))
      subs.push_back({PathToQString(e.name), e.name});
  }
  std::stable_sort(subs.begin(), subs.end(),
                   [](const Sub& a, const Sub& b) { return a.text.compare(b.text, Qt::CaseInsensitive) < 0; });
  for (const Sub& s : subs) {
    QTreeWidgetItem* sub = AddFolder(item, folder + s.name, s.text);
    // A folder without folders shows no arrow; a quick look, not a listing.
    if (!zv::HasVisibleSubfolder(folder + s.name, 256))
      sub->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
  }
  if (subs.empty()) item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

QTreeWidgetItem* CFolderTreeDialog::ChildNamed(QTreeWidgetItem* item, const std::string& name) {
  Populate(item);
  const std::string path = zv::AddBackslash(PathOf(item)) + name;
  for (int i = 0; i < item->childCount(); ++i) {
    if (PathOf(item->child(i)) == path) return item->child(i);
  }
  // A hidden folder named on purpose is shown all the same.
  if (!zv::PathIsDirectory(path)) return nullptr;
  return AddFolder(item, path, PathToQString(name));
}

bool CFolderTreeDialog::SelectFolder(const std::string& path) {
  if (path.empty() || !zv::PathIsDirectory(path)) return false;
  std::string absolute = path;
  if (absolute.front() != '/') {
    std::string cwd(4096, '\0');
    if (!::getcwd(cwd.data(), cwd.size())) return false;
    absolute = zv::AddBackslash(cwd.c_str()) + path;
  }
  // Below the home folder the walk starts at its own item.
  std::vector<std::string> names = NamesOf(absolute);
  QTreeWidgetItem* item = m_pTree->topLevelItem(m_pTree->topLevelItemCount() - 1);
  const std::vector<std::string> home = NamesOf(m_strHome);
  if (m_pTree->topLevelItemCount() > 1 && names.size() >= home.size() &&
      std::equal(home.begin(), home.end(), names.begin())) {
    item = m_pTree->topLevelItem(0);
    names.erase(names.begin(), names.begin() + static_cast<std::ptrdiff_t>(home.size()));
  }
  for (const std::string& name : names) {
    item->setExpanded(true);
    item = ChildNamed(item, name);
    if (!item) return false;
  }
  m_pTree->setCurrentItem(item);
  item->setSelected(true);
  m_pTree->scrollToItem(item);
  return true;
}

bool CFolderTreeDialog::SelectFolder(const QString& shownPath) { return SelectFolder(QStringToPath(shownPath)); }

std::string CFolderTreeDialog::SelectedPath() const {
  const QTreeWidgetItem* item = m_pTree->currentItem();
  if (!item || !item->isSelected()) return {};
  return PathOf(item);
}

void CFolderTreeDialog::OnCurrentChanged() {
  const std::string path = SelectedPath();
  m_pStatus->setText(PathToQString(path));
  m_pBtnOk->setEnabled(!path.empty());
  if (!path.empty() && path != m_strLastSelected) {
    m_strLastSelected = path;
    emit SelectionChanged(QByteArray::fromStdString(path));
  }
}

void CFolderTreeDialog::SetRealBrowserInTestMode(bool on) { g_realBrowserInTestMode = on; }

bool CFolderTreeDialog::Intercept(QWidget* owner, const QString& title, std::string& answer) {
  if (g_realBrowserInTestMode) return false;
  return CUiPrompts::InterceptFolder(owner, title, answer);
}
