#include "app/FileDialog.h"

#include <unistd.h>

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <algorithm>
#include <vector>

#include "app/AppTexts.h"
#include "app/DialogUnits.h"
#include "app/QStringBytes.h"
#include "platform/File.h"
#include "platform/Path.h"

namespace {

bool g_realDialogInTestMode = false;
constexpr int kNameRole = Qt::UserRole;
constexpr int kFolderRole = Qt::UserRole + 1;

// "csv(*.csv)" -> {"*.csv"}; "全て(*.*)|*.*;*.*" style lists are split at ';'.
std::vector<std::string> PatternsOf(const QString& filter) {
  const qsizetype open = filter.lastIndexOf(QLatin1Char('('));
  const qsizetype close = filter.lastIndexOf(QLatin1Char(')'));
  QString inside = open >= 0 && close > open ? filter.mid(open + 1, close - open - 1) : filter;
  std::vector<std::string> patterns;
  for (const QString& p : inside.split(QRegularExpression(QStringLiteral("[; ]")), Qt::SkipEmptyParts))
    patterns.push_back(QStringToBytes(p));
  if (patterns.empty()) patterns.emplace_back("*.*");
  return patterns;
}

std::string CurrentFolder() {
  std::string buf(4096, '\0');
  if (::getcwd(buf.data(), buf.size())) return buf.c_str();
  return "/";
}

}  // namespace

CFileDialog::CFileDialog(QWidget* owner, const CUiPrompts::FileDialogOptions& opts, bool save)
    : QDialog(owner), m_options(opts), m_bSave(save) {
  setWindowTitle(Ui(save ? zv::texts::kFileDlgSaveTitle : zv::texts::kFileDlgOpenTitle));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setFont(CDialogUnits::DialogFont());
  resize(520, 380);

  m_pEditFolder = new QLineEdit(this);
  m_pBtnUp = new QPushButton(Ui(zv::texts::kFileDlgUp), this);
  m_pBtnUp->setAutoDefault(false);
  m_pList = new QListWidget(this);
  m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
  m_pEditName = new QLineEdit(this);
  m_pComboFilter = new QComboBox(this);
  for (const QString& f : opts.filters) m_pComboFilter->addItem(f);
  if (opts.filters.isEmpty()) m_pComboFilter->addItem(Ui(zv::texts::kFilterAll));
  m_pBtnOk = new QPushButton(Ui(save ? zv::texts::kFileDlgSave : zv::texts::kFileDlgOpen), this);
  m_pBtnOk->setDefault(true);
  m_pBtnCancel = new QPushButton(Ui(zv::texts::kFileDlgCancel), this);
  m_pBtnCancel->setAutoDefault(false);

  auto label = [this](const char* text, QWidget* buddy) {
    auto* l = new QLabel(Ui(text), this);
    l->setBuddy(buddy);
    return l;
  };
  auto* grid = new QGridLayout(this);
  grid->addWidget(label(zv::texts::kFileDlgLookIn, m_pEditFolder), 0, 0);
  grid->addWidget(m_pEditFolder, 0, 1);
  grid->addWidget(m_pBtnUp, 0, 2);
  grid->addWidget(m_pList, 1, 0, 1, 3);
  grid->addWidget(label(zv::texts::kFileDlgName, m_pEditName), 2, 0);
  grid->addWidget(m_pEditName, 2, 1);
  grid->addWidget(m_pBtnOk, 2, 2);
  grid->addWidget(label(zv::texts::kFileDlgType, m_pComboFilter), 3, 0);
  grid->addWidget(m_pComboFilter, 3, 1);
  grid->addWidget(m_pBtnCancel, 3, 2);
  grid->setColumnStretch(1, 1);

  connect(m_pBtnUp, &QPushButton::clicked, this, &CFileDialog::OnUp);
  connect(m_pEditFolder, &QLineEdit::returnPressed, this, &CFileDialog::OnFolderEntered);
  connect(m_pList, &QListWidget::itemActivated, this, &CFileDialog::OnItemActivated);
  connect(m_pList, &QListWidget::currentItemChanged, this,
          [this](QListWidgetItem* item) { OnCurrentItemChanged(item); });
  connect(m_pComboFilter, &QComboBox::currentIndexChanged, this, &CFileDialog::Refill);
  connect(m_pBtnOk, &QPushButton::clicked, this, &CFileDialog::accept);
  connect(m_pBtnCancel, &QPushButton::clicked, this, &QDialog::reject);

  // The initial path names a file to start with, or a folder.
  const std::string& initial = opts.initialPath;
  if (!initial.empty() && zv::PathIsDirectory(initial)) {
    SetFolder(initial);
  } else {
    const std::string dir = zv::SplitPath(initial).dir;
    if (dir.empty() || !SetFolder(dir)) SetFolder(CurrentFolder());
    const std::string name(zv::PathFileName(initial));
    if (!name.empty()) {
      m_strItemName = name;
      m_strItemText = PathToQString(name);
      m_pEditName->setText(m_strItemText);
      for (int i = 0; i < m_pList->count(); ++i) {
        if (m_pList->item(i)->data(kNameRole).toByteArray().toStdString() == name) m_pList->setCurrentRow(i);
      }
    }
  }
  m_pEditName->setFocus();
}

bool CFileDialog::SetFolder(const std::string& folder) {
  if (!zv::PathIsDirectory(folder)) return false;
  m_strFolder = zv::AddBackslash(folder);
  m_pEditFolder->setText(PathToQString(m_strFolder));
  Refill();
  return true;
}

void CFileDialog::Refill() {
  struct Entry {
    QString text;
    std::string name;
    bool folder;
  };
  std::vector<Entry> entries;
  const std::vector<std::string> patterns = PatternsOf(m_pComboFilter->currentText());
  const zv::DirListing listing = zv::ListDirectory(m_strFolder, "*.*");
  for (const zv::DirEntry& e : listing.entries) {
    if (e.name.empty() || e.name.front() == '.') continue;  // hidden, as file dialogs do
    const bool folder = e.kind == zv::EntryKind::Directory ||
                        (e.kind == zv::EntryKind::Other && zv::PathIsDirectory(m_strFolder + e.name));
    if (!folder) {
      if (e.kind != zv::EntryKind::File) continue;
      const bool shown = std::any_of(patterns.begin(), patterns.end(),
                                     [&e](const std::string& p) { return zv::MatchPattern(e.name, p); });
      if (!shown) continue;
    }
    entries.push_back({PathToQString(e.name), e.name, folder});
  }
  std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    if (a.folder != b.folder) return a.folder;
    return a.text.compare(b.text, Qt::CaseInsensitive) < 0;
  });
  m_pList->clear();
  const QIcon folderIcon = style()->standardIcon(QStyle::SP_DirIcon);
  const QIcon fileIcon = style()->standardIcon(QStyle::SP_FileIcon);
  for (const Entry& e : entries) {
    auto* item = new QListWidgetItem(e.folder ? folderIcon : fileIcon, e.text, m_pList);
    item->setData(kNameRole, QByteArray::fromStdString(e.name));
    item->setData(kFolderRole, e.folder);
  }
}

void CFileDialog::OnUp() {
  const std::string folder = zv::RemoveBackslash(m_strFolder);
  if (zv::IsRootPath(folder)) return;
  const std::string parent = zv::SplitPath(folder).dir;
  if (!parent.empty()) SetFolder(parent);
}

void CFileDialog::OnFolderEntered() {
  const std::string folder = QStringToPath(m_pEditFolder->text(), m_strFolder);
  if (!SetFolder(folder)) {
    CUiPrompts::WndMessageBox(this, Ui(zv::texts::kFileDlgNoFolder).arg(m_pEditFolder->text()));
    m_pEditFolder->setText(PathToQString(m_strFolder));
  }
}

void CFileDialog::OnCurrentItemChanged(QListWidgetItem* item) {
  if (!item || item->data(kFolderRole).toBool()) return;
  m_strItemName = item->data(kNameRole).toByteArray().toStdString();
  m_strItemText = item->text();
  m_pEditName->setText(m_strItemText);
}

void CFileDialog::OnItemActivated(QListWidgetItem* item) {
  if (!item) return;
  if (item->data(kFolderRole).toBool()) {
    SetFolder(m_strFolder + item->data(kNameRole).toByteArray().toStdString());
    return;
  }
  OnCurrentItemChanged(item);
  accept();
}

std::string CFileDialog::TypedPath() const {
  const QString text = m_pEditName->text();
  if (text.isEmpty()) return {};
  // A name chosen from the list is taken as its own bytes.
  if (!m_strItemName.empty() && text == m_strItemText) return m_strFolder + m_strItemName;
  return QStringToPath(text, m_strFolder);
}

void CFileDialog::accept() {
  std::string path = TypedPath();
  if (path.empty()) return;
  if (zv::PathIsDirectory(path)) {
    SetFolder(path);
    m_pEditName->clear();
    return;
  }
  const QString shown = PathToQString(path);
  if (!m_options.defaultSuffix.isEmpty() && zv::PathExtension(zv::PathFileName(path)).empty()) {
    const std::string withSuffix = path + "." + QStringToBytes(m_options.defaultSuffix);
    // A typed name without an extension gets the default one, unless it
    // names an existing file as it stands.
    if (m_bSave || !zv::PathFileExists(path)) path = withSuffix;
  }
  if (!m_bSave && m_options.mustExist && !zv::PathFileExists(path)) {
    CUiPrompts::WndMessageBox(this, Ui(zv::texts::kFileDlgNotFound).arg(shown), QMessageBox::Ok,
                              QMessageBox::Warning);
    return;
  }
  if (m_bSave) {
    const std::string dir = zv::SplitPath(path).dir;
    if (!dir.empty() && !zv::PathIsDirectory(dir)) {
      CUiPrompts::WndMessageBox(this, Ui(zv::texts::kFileDlgNoFolder).arg(PathToQString(dir)), QMessageBox::Ok,
                                QMessageBox::Warning);
      return;
    }
    if (m_options.confirmOverwrite && zv::PathFileExists(path) &&
        CUiPrompts::WndMessageBox(this, Ui(zv::texts::kFileDlgReplace).arg(PathToQString(path)),
                                  QMessageBox::Yes | QMessageBox::No, QMessageBox::Warning) != QMessageBox::Yes) {
      return;
    }
  }
  m_strSelected = path;
  QDialog::accept();
}

void CFileDialog::SetRealDialogInTestMode(bool on) { g_realDialogInTestMode = on; }
bool CFileDialog::RealDialogInTestMode() { return g_realDialogInTestMode; }
