#include "filename/DlgFileNameSetting.h"

#include <QCheckBox>
#include <QPushButton>

#include "app/DialogUnits.h"
#include "app/QStringBytes.h"
#include "filename/FileNameUiTexts.h"
#include "settings/Settings.h"

bool FlagChecked(int value) { return value == 1; }

CDlgFileNameSetting::CDlgFileNameSetting(QWidget* parent) : QDialog(parent) {
  setWindowTitle(Ui(zv::texts::kFileNameSettingTitle));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setFont(CDialogUnits::DialogFont());
  const CDialogUnits du(font());
  setFixedSize(du.Size(187, 111));

  m_pCheckSubDir = new QCheckBox(Ui(zv::texts::kCheckSubDir), this);
  m_pCheckSubDir->setObjectName(QStringLiteral("check1017"));
  du.Place(m_pCheckSubDir, 14, 12, 160, 10);
  m_pCheckNoCase = new QCheckBox(Ui(zv::texts::kCheckNoCase), this);
  m_pCheckNoCase->setObjectName(QStringLiteral("check1018"));
  du.Place(m_pCheckNoCase, 14, 28, 160, 10);
  m_pCheckOverwrite = new QCheckBox(Ui(zv::texts::kCheckOverwrite), this);
  m_pCheckOverwrite->setObjectName(QStringLiteral("check1020"));
  du.Place(m_pCheckOverwrite, 14, 44, 160, 10);
  m_pCheckPart = new QCheckBox(Ui(zv::texts::kCheckPart), this);
  m_pCheckPart->setObjectName(QStringLiteral("check1024"));
  du.Place(m_pCheckPart, 14, 60, 160, 10);

  m_pBtnOk = new QPushButton(Ui(zv::texts::kSettingOk), this);
  m_pBtnOk->setDefault(true);
  du.Place(m_pBtnOk, 73, 88, 50, 14);
  m_pBtnCancel = new QPushButton(Ui(zv::texts::kSettingCancel), this);
  du.Place(m_pBtnCancel, 130, 88, 50, 14);

  connect(m_pBtnOk, &QPushButton::clicked, this, &CDlgFileNameSetting::OnOK);
  connect(m_pBtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CDlgFileNameSetting::UpdateData(bool save) {
  struct Binding {
    QCheckBox* box;
    int* field;
  };
  const Binding bindings[] = {{m_pCheckSubDir, &m_bSubDir},
                              {m_pCheckOverwrite, &m_bOverwrite},
                              {m_pCheckNoCase, &m_bNoCase},
                              {m_pCheckPart, &m_bPart}};
  for (const Binding& b : bindings) {
    if (save) {
      *b.field = b.box->isChecked() ? 1 : 0;
    } else {
      b.box->setChecked(FlagChecked(*b.field));
    }
  }
}

void CDlgFileNameSetting::showEvent(QShowEvent* event) {
  if (!m_bInitialized) {
    m_bInitialized = true;
    OnInitDialog();
  }
  QDialog::showEvent(event);
}

bool CDlgFileNameSetting::OnInitDialog() {
  zv::FileOptions stored;
  // Without a settings file every text stays empty, so every box is cleared.
  zv::LoadConvertFileOptions(stored);
  m_bSubDir = zv::FlagToInt(stored.subDir);
  m_bNoCase = zv::FlagToInt(stored.noCase);
  m_bOverwrite = zv::FlagToInt(stored.overwrite);
  m_bPart = zv::FlagToInt(stored.part);
  UpdateData(false);
  return true;
}

void CDlgFileNameSetting::OnOK() {
  UpdateData(true);
  zv::FileOptions out;
  out.subDir = zv::IntToFlag(m_bSubDir);
  out.noCase = zv::IntToFlag(m_bNoCase);
  out.overwrite = zv::IntToFlag(m_bOverwrite);
  out.part = zv::IntToFlag(m_bPart);
  zv::SaveConvertFileOptions(out);
  accept();
}
