#pragma once
// The preview of a folder run: the same engine, writing nothing, lists every
// file with what the run would do to it, filling in as it goes. A text file
// chosen in the list is shown before and after, side by side, with what
// changes marked; its after is what the run writes. 実行 closes it with OK
// when the run may do exactly what it showed.

#include <QDialog>
#include <QPointer>
#include <memory>
#include <string>

class CFolderRun;
class CPreviewModel;
class CZentravolixView;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableView;

namespace zv {
class RowsByEncoding;
}

class CDlgPreview : public QDialog {
  Q_OBJECT
 public:
  CDlgPreview(QWidget* parent, CZentravolixView* view, bool textTool);
  ~CDlgPreview() override;

  // Walks and starts the preview run; false when the walk failed (shown).
  bool Start(const std::string& src, const std::string& dst, const std::string& pattern);
  // The preview's run, for a run of exactly what it showed.
  const CFolderRun* Run() const { return m_pRun.get(); }

  QTableView* Table() const { return m_pTable; }
  QLabel* StatusLabel() const { return m_pStatus; }
  QPlainTextEdit* Before() const { return m_pBefore; }
  QPlainTextEdit* After() const { return m_pAfter; }
  QPushButton* RunButton() const { return m_pBtnRun; }
  QPushButton* StopButton() const { return m_pBtnStop; }
  QPushButton* CloseButton() const { return m_pBtnClose; }
  // The marked spans of the two sides, as (line, first character, length).
  struct Mark {
    int line, from, length;
    bool operator==(const Mark&) const = default;
  };
  const std::vector<Mark>& BeforeMarks() const { return m_beforeMarks; }
  const std::vector<Mark>& AfterMarks() const { return m_afterMarks; }

 public slots:
  void reject() override;

 signals:
  // The preview has gone through every file (or was stopped).
  void PreviewEnded();

 private:
  void OnRun();
  void ShowStatus();
  void ShowFile(int row);

  CZentravolixView* m_pView;
  bool m_bText;
  std::unique_ptr<CFolderRun> m_pRun;
  std::unique_ptr<zv::RowsByEncoding> m_rowsByEncoding;
  CPreviewModel* m_pModel;
  QTableView* m_pTable;
  QLabel* m_pStatus;
  QPlainTextEdit* m_pBefore;
  QPlainTextEdit* m_pAfter;
  QPushButton* m_pBtnRun;
  QPushButton* m_pBtnStop;
  QPushButton* m_pBtnClose;
  std::vector<Mark> m_beforeMarks, m_afterMarks;
};
