#include "list/DlgItemEdit.h"

#include <QLabel>
#include <QPushButton>

#include "app/AppTexts.h"
#include "app/ByteLimitedEdit.h"
#include "app/DialogUnits.h"
#include "app/QStringBytes.h"
#include "app/UiPrompts.h"
#include "list/ConvertItem.h"
#include "list/ListTexts.h"
#include "list/ListUiTexts.h"

CDlgItemEdit::CDlgItemEdit(QWidget* parent) : QDialog(parent) {
  setWindowTitle(Ui(zv::texts::kItemEditTitle));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setFont(CDialogUnits::DialogFont());
  const CDialogUnits du(font());
  setFixedSize(du.Size(218, 59));

  auto* labelSearch = new QLabel(Ui(zv::texts::kItemEditSearchLabel), this);
  du.Place(labelSearch, 7, 7, 65, 8);
  m_pEditSearch = new CByteLimitedEdit(zv::kMaxItemBytes, this);
  m_pEditSearch->setObjectName(QStringLiteral("edit1001"));
  du.Place(m_pEditSearch, 7, 20, 100, 12);
  labelSearch->setBuddy(m_pEditSearch);

  auto* labelReplace = new QLabel(Ui(zv::texts::kItemEditReplaceLabel), this);
  du.Place(labelReplace, 110, 7, 57, 8);
  m_pEditReplace = new CByteLimitedEdit(zv::kMaxItemBytes, this);
  m_pEditReplace->setObjectName(QStringLiteral("edit1003"));
  du.Place(m_pEditReplace, 111, 20, 100, 12);
  labelReplace->setBuddy(m_pEditReplace);

  m_pBtnOk = new QPushButton(Ui(zv::texts::kOk), this);
  m_pBtnOk->setDefault(true);
  du.Place(m_pBtnOk, 107, 40, 50, 12);
  m_pBtnCancel = new QPushButton(Ui(zv::texts::kCancel), this);
  du.Place(m_pBtnCancel, 161, 40, 50, 12);

  connect(m_pBtnOk, &QPushButton::clicked, this, &CDlgItemEdit::OnOK);
  connect(m_pBtnCancel, &QPushButton::clicked, this, &QDialog::reject);
  m_pEditSearch->setFocus();
}

void CDlgItemEdit::UpdateData(bool save) {
  if (save) {
    m_strSearch = QStringToBytes(m_pEditSearch->text());
    m_strReplace = QStringToBytes(m_pEditReplace->text());
  } else {
    // The edits cut anything beyond their limit.
    m_pEditSearch->setText(BytesToQString(m_strSearch));
    m_pEditReplace->setText(BytesToQString(m_strReplace));
  }
}

void CDlgItemEdit::showEvent(QShowEvent* event) {
  if (!m_bFilled) {
    m_bFilled = true;
    UpdateData(false);
    m_pEditSearch->selectAll();
    m_pEditSearch->setFocus();
  }
  QDialog::showEvent(event);
}

void CDlgItemEdit::OnOK() {
  UpdateData(true);
  if (m_strSearch.empty()) {
    CUiPrompts::WndMessageBox(this, Ui(zv::texts::kSearchRequired));
    m_pEditSearch->setFocus();
    return;
  }
  accept();
}
