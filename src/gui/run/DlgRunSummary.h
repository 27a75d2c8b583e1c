#pragma once
// What a folder run did, shown at its end: the counts (the report's rows),
// the first failures, the time; the report can be saved and the output
// folder opened from here.

#include <QDialog>

class CFolderRun;
class QLabel;
class QListWidget;
class QPushButton;

class CDlgRunSummary : public QDialog {
  Q_OBJECT
 public:
  CDlgRunSummary(QWidget* parent, const CFolderRun& run);

  QLabel* CountsLabel() const { return m_pCounts; }
  QLabel* NoteLabel() const { return m_pNote; }
  QListWidget* Failures() const { return m_pFailures; }
  QPushButton* SaveReportButton() const { return m_pBtnSave; }
  QPushButton* OpenFolderButton() const { return m_pBtnOpen; }
  QPushButton* CloseButton() const { return m_pBtnClose; }

  void OnSaveReport();
  void OnOpenFolder();

 private:
  const CFolderRun& m_run;
  QLabel* m_pCounts;
  QLabel* m_pNote;
  QListWidget* m_pFailures;
  QPushButton* m_pBtnSave;
  QPushButton* m_pBtnOpen;
  QPushButton* m_pBtnClose;
};
