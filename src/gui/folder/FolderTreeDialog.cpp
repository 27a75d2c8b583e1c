#include "folder/FolderTreeDialog.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/DialogUnits.h"
#include "app/QStringBytes.h"
#include "app/UiPrompts.h"
#include "folder/FolderUiTexts.h"

namespace {
bool g_realBrowserInTestMode = false;
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

  m_pModel = new QFileSystemModel(this);
  // Only folders of the file system can be chosen.
  m_pModel->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
  m_pModel->setReadOnly(true);
  m_pModel->setRootPath(QString());
  m_pTree = new QTreeView(this);
  m_pTree->setModel(m_pModel);
  for (int column = 1; column < m_pModel->columnCount(); ++column) m_pTree->hideColumn(column);
  m_pTree->header()->hide();
  m_pTree->setSelectionMode(QAbstractItemView::SingleSelection);
  m_pTree->setEditTriggers(QAbstractItemView::NoEditTriggers);
  connect(m_pTree->selectionModel(), &QItemSelectionModel::currentChanged, this,
          &CFolderTreeDialog::OnCurrentChanged);
  connect(m_pTree->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &CFolderTreeDialog::OnCurrentChanged);

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

bool CFolderTreeDialog::SelectFolder(const QString& path) {
  if (path.isEmpty()) return false;
  const QFileInfo info(path);
  if (!info.isDir()) return false;
  const QModelIndex index = m_pModel->index(QDir::cleanPath(info.absoluteFilePath()));
  if (!index.isValid()) return false;
  m_pTree->setCurrentIndex(index);
  m_pTree->scrollTo(index);
  return true;
}

QString CFolderTreeDialog::SelectedPath() const {
  const QModelIndex index = m_pTree->currentIndex();
  if (!index.isValid() || !m_pTree->selectionModel()->isSelected(index)) return {};
  return m_pModel->filePath(index);
}

void CFolderTreeDialog::OnCurrentChanged() {
  const QString path = SelectedPath();
  m_pStatus->setText(path);
  m_pBtnOk->setEnabled(!path.isEmpty());
  if (!path.isEmpty() && path != m_strLastSelected) {
    m_strLastSelected = path;
    emit SelectionChanged(path);
  }
}

void CFolderTreeDialog::SetRealBrowserInTestMode(bool on) { g_realBrowserInTestMode = on; }

bool CFolderTreeDialog::Intercept(QWidget* owner, const QString& title, QString& answer) {
  if (g_realBrowserInTestMode) return false;
  return CUiPrompts::InterceptFolder(owner, title, answer);
}
