#include "text/DlgExtension.h"

#include <QLabel>
#include <QPushButton>

#include "app/ByteLimitedEdit.h"
#include "app/DialogUnits.h"
#include "app/QStringBytes.h"
#include "app/UiPrompts.h"
#include "text/FolderTextUiTexts.h"

CDlgExtension::CDlgExtension(QWidget* parent) : QDialog(parent) {
  setWindowTitle(Ui(zv::texts::kExtensionTitle));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setFont(CDialogUnits::DialogFont());
  const CDialogUnits du(font());
  setFixedSize(du.Size(127, 67));

  auto* label = new QLabel(Ui(zv::texts::kExtensionLabel), this);
  du.Place(label, 7, 7, 41, 8);
  m_pEditExt = new CByteLimitedEdit(static_cast<std::size_t>(-1), this);
  m_pEditExt->setObjectName(QStringLiteral("edit1036"));
  du.Place(m_pEditExt, 7, 22, 68, 14);
  label->setBuddy(m_pEditExt);

  m_pBtnOk = new QPushButton(Ui(zv::texts::kTextSettingOk), this);
  m_pBtnOk->setDefault(true);
  du.Place(m_pBtnOk, 7, 48, 50, 12);
  m_pBtnCancel = new QPushButton(Ui(zv::texts::kTextSettingCancel), this);
  du.Place(m_pBtnCancel, 70, 48, 50, 12);

  connect(m_pBtnOk, &QPushButton::clicked, this, &CDlgExtension::OnOK);
  connect(m_pBtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CDlgExtension::UpdateData(bool save) {
  if (save) {
    m_strExt = QStringToBytes(m_pEditExt->text());
  } else {
    m_pEditExt->setText(BytesToQString(m_strExt));
  }
}

void CDlgExtension::showEvent(QShowEvent* event) {
  if (!m_bFilled) {
    m_bFilled = true;
    UpdateData(false);
    m_pEditExt->selectAll();
    m_pEditExt->setFocus();
  }
  QDialog::showEvent(event);
}

void CDlgExtension::OnOK() {
  UpdateData(true);
  const auto refuse = [this] {
    CUiPrompts::AfxMessageBox(Ui(zv::texts::kExtensionInvalid), QMessageBox::Ok, QMessageBox::Warning);
    UpdateData(false);
  };
  if (m_strExt.empty()) {
    refuse();
    return;
  }
  // The dot is one byte in both code pages and never a trail byte.
  m_strExt.erase(0, m_strExt.find_first_not_of('.'));
  if (m_strExt.empty()) {
    refuse();
    return;
  }
  UpdateData(false);
  accept();
}
