#pragma once
// The folder run dialog of both folder tools: mode 1 copies files under
// converted names, mode 2 converts the text of every file of a folder. It
// starts a folder run (or its preview) and shows what the run signals; at
// the end of a run it shows its summary.

#include <QDialog>
#include <QPointer>
#include <string>

class CBitmapButton;
class CByteLimitedEdit;
class CFolderRun;
class CZentravolixView;
class QLabel;
class QProgressBar;
class QPushButton;

class CDlgBatchConvert : public QDialog {
  Q_OBJECT

 public:
  enum Mode { kModeFileName = 1, kModeFolderText = 2 };

  // view: the list view that runs the tools; nullptr looks for the main
  // window's view when a run starts.
  explicit CDlgBatchConvert(QWidget* parent = nullptr, CZentravolixView* view = nullptr);
  ~CDlgBatchConvert() override;

  // Fields <-> controls: save true takes the controls into the fields.
  void UpdateData(bool save);

  // Bytes in the active code page.
  std::string m_strSrcDir;
  std::string m_strDstDir;
  std::string m_strPattern;
  int m_nMode = kModeFileName;  // set before the dialog is shown

  // Controls, for the tests and the screenshots.
  QProgressBar* Progress() const { return m_progress; }
  CByteLimitedEdit* SrcEdit() const { return m_pEditSrc; }
  CByteLimitedEdit* DstEdit() const { return m_pEditDst; }
  CByteLimitedEdit* PatternEdit() const { return m_pEditPattern; }
  CBitmapButton* SrcButton() const { return m_btnSrcDir; }
  CBitmapButton* DstButton() const { return m_btnDstDir; }
  QLabel* SrcFileLabel() const { return m_pLabelSrcFile; }
  QLabel* DstFileLabel() const { return m_pLabelDstFile; }
  QLabel* EncodingLabel() const { return m_pLabelEncoding; }
  QPushButton* SettingsButton() const { return m_pBtnSettings; }
  QPushButton* PreviewButton() const { return m_pBtnPreview; }
  QPushButton* ExecuteButton() const { return m_pBtnExecute; }
  QPushButton* CancelButton() const { return m_pBtnCancel; }
  bool IsIdleLook() const;

  // The path an edit holds: the bytes it was filled from when left as shown.
  static std::string EditedPath(const QString& text, const std::string& before);
  // The initial folders of the two browsers.
  static std::string InitialSrcFolder();
  static std::string InitialDstFolder();

 public slots:
  // Progress protocol; called on the user-interface thread.
  void OnShowSrcFile(const QString& text);
  void OnShowDstFile(const QString& text);
  // The encoding a text was read in, when the run detects them.
  void OnShowEncoding(const QString& text);
  // 0..100 shows the bar at that value; anything else hides it at 0.
  void OnShowProgress(int percent);
  // The worker ran to its end: buttons enabled, "閉じる".
  void OnRunFinished();

  void OnBrowseSrcDir();
  void OnBrowseDstDir();
  void OnExecute();
  // The same run, writing nothing, in the preview window; its 実行 runs
  // exactly what it showed.
  void OnPreview();
  void OnSettings();
  // Button 2, Esc and the close box: the folders and pattern are saved.
  void OnCancel();

 signals:
  // What the protocol showed, in order; for whoever watches a run.
  void SrcFileShown(const QString& text);
  void DstFileShown(const QString& text);
  void EncodingShown(const QString& text);
  void ProgressShown(int percent);
  void RunFinished();
  // The run's summary window is about to be shown (for tests and screenshots).
  void SummaryShown(CFolderRun* run);

 public:
  void reject() override;
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  bool OnInitDialog();
  // Stops a run and waits for its worker while still serving its calls.
  void OnDestroy();
  CZentravolixView* View();
  void SetRunningLook(bool running);
  // Checks the fields; asks about an output folder inside or equal to the source.
  bool ReadyToRun(bool preview);
  // Shows run's progress here and its summary at its end.
  void Attach(CFolderRun* run);
  void OnRunEnded();

  QPointer<CZentravolixView> m_pView;
  QProgressBar* m_progress = nullptr;
  CByteLimitedEdit* m_pEditSrc = nullptr;
  CByteLimitedEdit* m_pEditDst = nullptr;
  CByteLimitedEdit* m_pEditPattern = nullptr;
  CBitmapButton* m_btnSrcDir = nullptr;
  CBitmapButton* m_btnDstDir = nullptr;
  QLabel* m_pLabelSrcFile = nullptr;
  QLabel* m_pLabelDstFile = nullptr;
  QLabel* m_pLabelEncoding = nullptr;
  QPushButton* m_pBtnSettings = nullptr;
  QPushButton* m_pBtnPreview = nullptr;
  QPointer<CFolderRun> m_pRun;
  QPushButton* m_pBtnExecute = nullptr;
  QPushButton* m_pBtnCancel = nullptr;
  bool m_bInitialized = false;
  bool m_bDestroyed = false;
};
