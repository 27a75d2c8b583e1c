#include "list/DlgListCheck.h"

#include <QHBoxLayout>
#include <algorithm>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/DialogUnits.h"
#include "app/QStringBytes.h"
#include "list/ListUiTexts.h"
#include "list/ZentravolixView.h"

CDlgListCheck::CDlgListCheck(QWidget* parent, CZentravolixView* view, std::vector<zv::ListFinding> findings)
    : QDialog(parent), m_pView(view), m_findings(std::move(findings)) {
  setWindowTitle(Ui(zv::texts::kListCheckTitle));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setFont(CDialogUnits::DialogFont());

  m_pHead = new QLabel(Ui(zv::texts::kListCheckHead).arg(m_findings.size()), this);
  m_pHead->setWordWrap(true);
  m_pList = new QTreeWidget(this);
  m_pList->setColumnCount(2);
  m_pList->setHeaderLabels({Ui(zv::texts::kListCheckRows), Ui(zv::texts::kListCheckFinding)});
  m_pList->setRootIsDecorated(false);
  m_pList->setWordWrap(true);
  m_pList->setUniformRowHeights(false);
  m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
  for (const zv::ListFinding& f : m_findings) {
    QStringList rows;
    for (std::size_t r : f.rows) rows << QString::number(r);
    auto* item = new QTreeWidgetItem({rows.join(QStringLiteral(", ")), QString::fromStdString(f.message)});
    item->setToolTip(1, item->text(1));
    m_pList->addTopLevelItem(item);
  }
  m_pList->header()->setStretchLastSection(true);
  m_pList->setColumnWidth(0, 80);
  connect(m_pList, &QTreeWidget::itemSelectionChanged, this, &CDlgListCheck::OnFindingChosen);

  m_pBtnClose = new QPushButton(Ui(zv::texts::kListCheckClose), this);
  m_pBtnClose->setDefault(true);
  connect(m_pBtnClose, &QPushButton::clicked, this, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(m_pBtnClose);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_pHead);
  layout->addWidget(m_pList, 1);
  layout->addLayout(buttons);
  resize(720, 360);
}

void CDlgListCheck::OnFindingChosen() {
  const int at = m_pList->indexOfTopLevelItem(m_pList->currentItem());
  if (!m_pView || at < 0 || static_cast<std::size_t>(at) >= m_findings.size()) return;
  // The rows are numbered as the list showed them when it was checked.
  const std::vector<std::size_t>& rows = m_findings[static_cast<std::size_t>(at)].rows;
  for (int row = 0; row < m_pView->RowCount(); ++row) {
    const bool named = std::find(rows.begin(), rows.end(), static_cast<std::size_t>(row) + 1) != rows.end();
    m_pView->SetRowSelected(row, named);
  }
  if (!rows.empty() && rows.front() <= static_cast<std::size_t>(m_pView->RowCount())) {
    m_pView->scrollToItem(m_pView->topLevelItem(static_cast<int>(rows.front()) - 1));
  }
}
