#include "list/ConvertRowItem.h"

#include <QTreeWidget>

#include "app/QStringBytes.h"
#include "platform/CodePage.h"

CConvertRowItem::CConvertRowItem(zv::ConvertItem item) : QTreeWidgetItem(kType) { SetItem(std::move(item)); }

void CConvertRowItem::SetItem(zv::ConvertItem item) {
  m_item = std::move(item);
  m_strText[0] = BytesToQString(m_item.m_strFind);
  m_strText[1] = BytesToQString(m_item.m_strReplaceWith);
  emitDataChanged();
}

QVariant CConvertRowItem::data(int column, int role) const {
  if ((role == Qt::DisplayRole || role == Qt::EditRole) && (column == 0 || column == 1)) {
    return m_strText[column];
  }
  return QTreeWidgetItem::data(column, role);
}

bool CConvertRowItem::operator<(const QTreeWidgetItem& other) const {
  const QTreeWidget* view = treeWidget();
  const int column = view ? view->sortColumn() : 0;
  if (other.type() != kType) return QTreeWidgetItem::operator<(other);
  const auto& rhs = static_cast<const CConvertRowItem&>(other).m_item;
  if (column == 1) return zv::MbsICmp(m_item.m_strReplaceWith, rhs.m_strReplaceWith) < 0;
  return zv::MbsICmp(m_item.m_strFind, rhs.m_strFind) < 0;
}
