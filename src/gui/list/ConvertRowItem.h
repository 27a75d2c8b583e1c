#pragma once
// One row of the list view. The row owns its record; the texts it shows are
// made from the record whenever the record changes, so the two never differ.

#include <QString>
#include <QTreeWidgetItem>

#include "list/ConvertItem.h"

class CConvertRowItem : public QTreeWidgetItem {
 public:
  static constexpr int kType = QTreeWidgetItem::UserType + 1;

  explicit CConvertRowItem(zv::ConvertItem item);

  const zv::ConvertItem& Item() const { return m_item; }
  void SetItem(zv::ConvertItem item);

  QVariant data(int column, int role) const override;
  // Sorting: _mbsicmp order of the column the view sorts by.
  bool operator<(const QTreeWidgetItem& other) const override;

 private:
  zv::ConvertItem m_item;
  QString m_strText[2];
};
