#include "text/DlgFolderTextSetting.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "app/DialogUnits.h"
#include "app/QStringBytes.h"
#include "app/UiPrompts.h"
#include "settings/Settings.h"
#include "text/DlgExtension.h"
#include "text/EncodingChoiceBox.h"
#include "text/FolderTextUiTexts.h"

namespace {

// List-file failures are the file error message, in the active code page.
void ReportListError(const std::string& message) {
  CUiPrompts::AfxMessageBox(BytesToQString(message), QMessageBox::Ok, QMessageBox::Critical);
}

}  // namespace

CDlgFolderTextSetting::CDlgFolderTextSetting(QWidget* parent) : QDialog(parent) {
  setWindowTitle(Ui(zv::texts::kFolderTextSettingTitle));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setFont(CDialogUnits::DialogFont());
  const CDialogUnits du(font());
  // Taller than the original by the encoding group at the bottom.
  setFixedSize(du.Size(195, 192));

  auto* groupOptions = new QGroupBox(Ui(zv::texts::kFolderTextGroup), this);
  du.Place(groupOptions, 7, 7, 128, 52);
  m_pCheckSubDir = new QCheckBox(Ui(zv::texts::kTextCheckSubDir), this);
  m_pCheckSubDir->setObjectName(QStringLiteral("check1017"));
  du.Place(m_pCheckSubDir, 16, 26, 90, 10);
  m_pCheckOverwrite = new QCheckBox(Ui(zv::texts::kTextCheckOverwrite), this);
  m_pCheckOverwrite->setObjectName(QStringLiteral("check1020"));
  du.Place(m_pCheckOverwrite, 16, 43, 113, 10);

  auto* groupBinary = new QGroupBox(Ui(zv::texts::kBinaryGroup), this);
  du.Place(groupBinary, 7, 66, 181, 82);
  auto* listLabel = new QLabel(Ui(zv::texts::kBinaryListLabel), this);
  du.Place(listLabel, 13, 81, 65, 8);
  m_pRadioCopyOnly = new QRadioButton(Ui(zv::texts::kRadioCopyOnly), this);
  m_pRadioCopyOnly->setObjectName(QStringLiteral("radio1034"));
  du.Place(m_pRadioCopyOnly, 14, 99, 57, 10);
  m_pRadioNoCopy = new QRadioButton(Ui(zv::texts::kRadioNoCopy), this);
  m_pRadioNoCopy->setObjectName(QStringLiteral("radio1035"));
  du.Place(m_pRadioNoCopy, 14, 112, 61, 10);
  m_pBinaryGroup = new QButtonGroup(this);
  m_pBinaryGroup->addButton(m_pRadioCopyOnly, 0);
  m_pBinaryGroup->addButton(m_pRadioNoCopy, 1);

  m_listExt = new QListWidget(this);
  m_listExt->setObjectName(QStringLiteral("list1026"));
  m_listExt->setSelectionMode(QAbstractItemView::SingleSelection);
  m_listExt->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  m_listExt->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  m_listExt->setSortingEnabled(false);
  du.Place(m_listExt, 80, 77, 65, 63);
  listLabel->setBuddy(m_listExt);

  m_pBtnAdd = new QPushButton(Ui(zv::texts::kExtAdd), this);
  du.Place(m_pBtnAdd, 150, 77, 30, 12);
  m_pBtnDelete = new QPushButton(Ui(zv::texts::kExtDelete), this);
  du.Place(m_pBtnDelete, 151, 91, 30, 12);
  m_pBtnEdit = new QPushButton(Ui(zv::texts::kExtEdit), this);
  du.Place(m_pBtnEdit, 151, 105, 30, 12);
  m_pBtnReset = new QPushButton(Ui(zv::texts::kExtReset), this);
  du.Place(m_pBtnReset, 150, 119, 30, 12);
  m_pBtnOk = new QPushButton(Ui(zv::texts::kTextSettingOk), this);
  m_pBtnOk->setDefault(true);
  du.Place(m_pBtnOk, 138, 7, 50, 12);
  m_pBtnCancel = new QPushButton(Ui(zv::texts::kTextSettingCancel), this);
  du.Place(m_pBtnCancel, 138, 23, 50, 12);

  auto* groupEncoding = new QGroupBox(Ui(zv::texts::kEncodingGroup), this);
  du.Place(groupEncoding, 7, 152, 181, 34);
  auto* encodingLabel = new QLabel(Ui(zv::texts::kEncodingLabel), this);
  du.Place(encodingLabel, 13, 164, 50, 8);
  m_pEncoding = new CEncodingChoiceBox(this);
  du.Place(m_pEncoding, 64, 162, 116, 12);
  encodingLabel->setBuddy(m_pEncoding);
  auto* lineEndsLabel = new QLabel(Ui(zv::texts::kLineEndsLabel), this);
  du.Place(lineEndsLabel, 13, 176, 50, 8);
  m_pRadioCrLf = new QRadioButton(Ui(zv::texts::kRadioCrLf), this);
  du.Place(m_pRadioCrLf, 64, 175, 64, 10);
  m_pRadioKeep = new QRadioButton(Ui(zv::texts::kRadioKeepLineEnds), this);
  du.Place(m_pRadioKeep, 130, 175, 50, 10);
  auto* lineEndsGroup = new QButtonGroup(this);
  lineEndsGroup->addButton(m_pRadioCrLf);
  lineEndsGroup->addButton(m_pRadioKeep);

  // The group boxes only frame; the controls are the dialog's own children,
  // placed by the template's coordinates, so the frames go to the back.
  groupOptions->lower();
  groupBinary->lower();
  groupEncoding->lower();

  connect(m_pBtnAdd, &QPushButton::clicked, this, &CDlgFolderTextSetting::OnAddExt);
  connect(m_pBtnDelete, &QPushButton::clicked, this, &CDlgFolderTextSetting::OnDeleteExt);
  connect(m_pBtnEdit, &QPushButton::clicked, this, &CDlgFolderTextSetting::OnEditExt);
  connect(m_pBtnReset, &QPushButton::clicked, this, &CDlgFolderTextSetting::OnResetExt);
  connect(m_pBtnOk, &QPushButton::clicked, this, &CDlgFolderTextSetting::OnOK);
  connect(m_pBtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CDlgFolderTextSetting::UpdateData(bool save) {
  if (save) {
    m_bSubDir = m_pCheckSubDir->isChecked() ? 1 : 0;
    m_bOverwrite = m_pCheckOverwrite->isChecked() ? 1 : 0;
    m_nBinaryMode = m_pBinaryGroup->checkedId();  // -1 when neither is set
    m_nEncoding = m_pEncoding->Choice();
    m_bKeepLineEnds = m_pRadioKeep->isChecked() ? 1 : 0;
    return;
  }
  m_pEncoding->SetChoice(m_nEncoding);
  m_pRadioKeep->setChecked(m_bKeepLineEnds == 1);
  m_pRadioCrLf->setChecked(m_bKeepLineEnds != 1);
  m_pCheckSubDir->setChecked(m_bSubDir == 1);
  m_pCheckOverwrite->setChecked(m_bOverwrite == 1);
  // An exclusive group cannot clear its last button; let go of it meanwhile.
  m_pBinaryGroup->setExclusive(false);
  m_pRadioCopyOnly->setChecked(m_nBinaryMode == 0);
  m_pRadioNoCopy->setChecked(m_nBinaryMode == 1);
  m_pBinaryGroup->setExclusive(true);
}

void CDlgFolderTextSetting::showEvent(QShowEvent* event) {
  if (!m_bInitialized) {
    m_bInitialized = true;
    OnInitDialog();
  }
  QDialog::showEvent(event);
}

bool CDlgFolderTextSetting::OnInitDialog() {
  UpdateData(false);
  zv::TextOptions stored;
  zv::LoadConvertTextOptions(stored);
  // Without a settings file the texts stay empty and read as 0.
  m_bSubDir = zv::FlagToInt(stored.subDir);
  m_bOverwrite = zv::FlagToInt(stored.overwrite);
  m_nBinaryMode = zv::FlagToInt(stored.exceptFileCopyOnly);
  zv::TextEncodingOptions encoding;
  zv::LoadTextEncodingOptions(encoding);
  m_nEncoding = zv::StoredEncodingChoice(encoding.encoding);
  m_bKeepLineEnds = zv::FlagOn(encoding.keepLineEnds) ? 1 : 0;

  zv::ExtList entries;
  if (zv::LoadBinaryExtList(entries, ReportListError)) {
    for (const std::string& entry : entries) m_listExt->addItem(BytesToQString(entry));
    UpdateData(false);
    if (m_listExt->count() > 0) SelectEntry(0);
  } else {
    OnResetExt();
    UpdateData(false);
  }
  return true;
}

zv::ExtList CDlgFolderTextSetting::Entries() const {
  zv::ExtList entries;
  entries.reserve(static_cast<std::size_t>(m_listExt->count()));
  for (int row = 0; row < m_listExt->count(); ++row) {
    entries.push_back(QStringToBytes(m_listExt->item(row)->text()));
  }
  return entries;
}

int CDlgFolderTextSetting::SelectedEntry() const {
  for (int row = m_listExt->count() - 1; row >= 0; --row) {
    if (m_listExt->item(row)->isSelected()) return row;
  }
  return -1;
}

void CDlgFolderTextSetting::SelectEntry(int row) {
  m_listExt->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

void CDlgFolderTextSetting::OnOK() {
  UpdateData(true);
  zv::TextOptions out;
  out.subDir = zv::IntToFlag(m_bSubDir);
  out.overwrite = zv::IntToFlag(m_bOverwrite);
  out.exceptFileCopyOnly = zv::IntToFlag(m_nBinaryMode);
  // A failure of the options is not reported; one of the list is, by the save.
  zv::SaveConvertTextOptions(out);
  zv::SaveTextEncodingOptions({zv::EncodingChoiceWord(m_nEncoding), zv::IntToFlag(m_bKeepLineEnds)});
  zv::SaveBinaryExtList(Entries(), ReportListError);
  accept();
}

void CDlgFolderTextSetting::OnAddExt() {
  CDlgExtension dlg(this);
  if (CUiPrompts::DoModal(dlg) != QDialog::Accepted || dlg.m_strExt.empty()) return;
  // Equal entries are allowed.
  m_listExt->addItem(BytesToQString(dlg.m_strExt));
  SelectEntry(m_listExt->count() - 1);
}

void CDlgFolderTextSetting::OnDeleteExt() {
  const int row = SelectedEntry();
  if (row < 0) return;
  delete m_listExt->takeItem(row);
  // No entry stays selected, so a second delete does nothing.
  m_listExt->clearSelection();
}

void CDlgFolderTextSetting::OnEditExt() {
  const int row = SelectedEntry();
  if (row < 0) return;
  CDlgExtension dlg(this);
  dlg.m_strExt = QStringToBytes(m_listExt->item(row)->text());
  if (CUiPrompts::DoModal(dlg) != QDialog::Accepted || dlg.m_strExt.empty()) return;
  delete m_listExt->takeItem(row);
  m_listExt->insertItem(row, BytesToQString(dlg.m_strExt));
  SelectEntry(row);
}

void CDlgFolderTextSetting::OnResetExt() {
  m_listExt->clear();
  for (const std::string& entry : zv::DefaultBinaryExtensions()) m_listExt->addItem(BytesToQString(entry));
  SelectEntry(0);
}
