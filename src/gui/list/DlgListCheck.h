#pragma once
// The list check's findings, one per line with the rows it names; choosing
// a finding selects those rows in the list behind the dialog.

#include <QDialog>
#include <vector>

#include "list/ListCheck.h"

class CZentravolixView;
class QLabel;
class QPushButton;
class QTreeWidget;

class CDlgListCheck : public QDialog {
  Q_OBJECT
 public:
  CDlgListCheck(QWidget* parent, CZentravolixView* view, std::vector<zv::ListFinding> findings);

  QLabel* HeadLabel() const { return m_pHead; }
  QTreeWidget* Findings() const { return m_pList; }
  QPushButton* CloseButton() const { return m_pBtnClose; }

 private:
  void OnFindingChosen();

  CZentravolixView* m_pView;
  std::vector<zv::ListFinding> m_findings;
  QLabel* m_pHead;
  QTreeWidget* m_pList;
  QPushButton* m_pBtnClose;
};
