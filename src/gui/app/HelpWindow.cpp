#include "app/HelpWindow.h"

#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "app/AppTexts.h"
#include "app/QStringBytes.h"

CHelpWindow::CHelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setWindowTitle(Ui(zv::texts::kHelpTitle));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowIcon(QIcon(QStringLiteral(":/icons/icon126.png")));
  m_pBrowser = new QTextBrowser(this);
  m_pBrowser->setOpenExternalLinks(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_pBrowser);
  resize(760, 600);
}

void CHelpWindow::ShowPage(const QString& path) {
  QUrl url = QUrl::fromLocalFile(path);
  url.setFragment(QStringLiteral("index"));
  m_pBrowser->setSource(url);
  show();
  raise();
  activateWindow();
}
