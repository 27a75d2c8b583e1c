#include "app/AboutDlg.h"

#include <QLabel>
#include <QPushButton>

#include "app/AppTexts.h"
#include "app/DialogUnits.h"
#include "app/QStringBytes.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(Ui(zv::texts::kAboutTitle));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setFont(CDialogUnits::DialogFont());
  const CDialogUnits du(font());
  setFixedSize(du.Size(235, 55));

  auto* icon = new QLabel(this);
  icon->setObjectName(QStringLiteral("icon127"));
  icon->setPixmap(QPixmap(QStringLiteral(":/icons/icon127.png")));
  icon->move(du.X(11), du.Y(17));
  icon->resize(32, 32);

  auto* version = new QLabel(Ui(zv::texts::kAboutVersion), this);
  version->setObjectName(QStringLiteral("version"));
  version->setTextFormat(Qt::PlainText);
  du.Place(version, 40, 10, 119, 8);

  auto* copyright = new QLabel(Ui(zv::texts::kAboutCopyright), this);
  copyright->setObjectName(QStringLiteral("copyright"));
  copyright->setTextFormat(Qt::PlainText);
  du.Place(copyright, 40, 25, 119, 8);

  auto* ok = new QPushButton(Ui(zv::texts::kOk), this);
  ok->setDefault(true);
  du.Place(ok, 178, 7, 50, 14);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
