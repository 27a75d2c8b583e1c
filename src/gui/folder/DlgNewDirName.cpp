#include "folder/DlgNewDirName.h"

#include <QLabel>
#include <QPushButton>

#include "app/ByteLimitedEdit.h"
#include "app/DialogUnits.h"
#include "app/QStringBytes.h"
#include "app/UiPrompts.h"
#include "folder/FolderName.h"
#include "folder/FolderUiTexts.h"
#include "platform/CodePage.h"

CDlgNewDirName::CDlgNewDirName(QWidget* parent) : QDialog(parent) {
  setWindowTitle(Ui(zv::texts::kNewDirTitle));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setFont(CDialogUnits::DialogFont());
  const CDialogUnits du(font());
  setFixedSize(du.Size(171, 63));

  auto* label = new QLabel(Ui(zv::texts::kNewDirLabel), this);
  du.Place(label, 7, 7, 44, 8);
  // No length limit; only characters the code page cannot hold are refused.
  m_pEditName = new CByteLimitedEdit(static_cast<std::size_t>(-1), this);
  m_pEditName->setObjectName(QStringLiteral("edit1001"));
  du.Place(m_pEditName, 7, 23, 157, 12);
  label->setBuddy(m_pEditName);

  m_pBtnOk = new QPushButton(Ui(zv::texts::kBrowserOk), this);
  m_pBtnOk->setDefault(true);
  du.Place(m_pBtnOk, 58, 44, 50, 12);
  m_pBtnCancel = new QPushButton(Ui(zv::texts::kBrowserCancel), this);
  du.Place(m_pBtnCancel, 114, 44, 50, 12);

  connect(m_pBtnOk, &QPushButton::clicked, this, &CDlgNewDirName::OnOK);
  connect(m_pBtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CDlgNewDirName::UpdateData(bool save) {
  if (save) {
    // A new name is written the way the system writes names (UTF-8).
    m_strName = m_pEditName->text().toStdString();
  } else {
    m_pEditName->setText(PathToQString(m_strName));
  }
}

void CDlgNewDirName::showEvent(QShowEvent* event) {
  if (!m_bFilled) {
    m_bFilled = true;
    UpdateData(false);
    m_pEditName->setFocus();
  }
  QDialog::showEvent(event);
}

void CDlgNewDirName::OnOK() {
  UpdateData(true);
  // Every refusal keeps the dialog open with the name as typed.
  switch (zv::CheckNewFolderName(m_strParent, m_strName, zv::NameCodePage(m_strName))) {
    case zv::FolderNameCheck::Empty:
      return;
    case zv::FolderNameCheck::InvalidChar:
      CUiPrompts::WndMessageBox(this, Ui(zv::texts::kInvalidFolderName) + Ui(zv::kInvalidFolderNameChars));
      return;
    case zv::FolderNameCheck::Exists:
      CUiPrompts::WndMessageBox(this, Ui(zv::texts::kFolderExists));
      return;
    case zv::FolderNameCheck::TooLong:
      CUiPrompts::WndMessageBox(this, Ui(zv::texts::kFolderNameTooLong));
      return;
    case zv::FolderNameCheck::Ok:
      break;
  }
  accept();
}
