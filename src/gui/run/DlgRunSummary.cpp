#include "run/DlgRunSummary.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/DialogUnits.h"
#include "app/QStringBytes.h"
#include "app/UiPrompts.h"
#include "platform/File.h"
#include "platform/FileError.h"
#include "platform/Path.h"
#include "run/FolderRun.h"
#include "run/RunUiTexts.h"

CDlgRunSummary::CDlgRunSummary(QWidget* parent, const CFolderRun& run) : QDialog(parent), m_run(run) {
  setWindowTitle(Ui(zv::texts::kSummaryTitle));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setFont(CDialogUnits::DialogFont());
  const zv::RunSummary& s = run.Summary();

  m_pCounts = new QLabel(Ui(zv::SummaryLine(s).c_str()), this);
  m_pCounts->setTextFormat(Qt::PlainText);
  auto* time = new QLabel(Ui(zv::texts::kSummaryTime).arg(run.Seconds(), 0, 'f', 1), this);
  m_pNote = new QLabel(s.ChangedNothing() ? Ui(zv::texts::kSummaryNothingChanged) : QString(), this);
  m_pNote->setWordWrap(true);
  m_pNote->setVisible(s.ChangedNothing());
  auto* failuresLabel = new QLabel(Ui(zv::texts::kSummaryFailures).arg(s.firstFailures.size()), this);
  m_pFailures = new QListWidget(this);
  for (const zv::FileOutcome& o : s.firstFailures) {
    m_pFailures->addItem(CoreMessageText(o.error.empty() ? o.note : o.error));
  }
  failuresLabel->setVisible(s.failed > 0);
  m_pFailures->setVisible(s.failed > 0);

  m_pBtnSave = new QPushButton(Ui(zv::texts::kSummarySaveReport), this);
  m_pBtnOpen = new QPushButton(Ui(zv::texts::kSummaryOpenFolder), this);
  m_pBtnClose = new QPushButton(Ui(zv::texts::kSummaryClose), this);
  m_pBtnClose->setDefault(true);
  connect(m_pBtnSave, &QPushButton::clicked, this, &CDlgRunSummary::OnSaveReport);
  connect(m_pBtnOpen, &QPushButton::clicked, this, &CDlgRunSummary::OnOpenFolder);
  connect(m_pBtnClose, &QPushButton::clicked, this, &QDialog::accept);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(m_pBtnSave);
  buttons->addWidget(m_pBtnOpen);
  buttons->addStretch(1);
  buttons->addWidget(m_pBtnClose);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_pCounts);
  layout->addWidget(time);
  layout->addWidget(m_pNote);
  layout->addWidget(failuresLabel);
  layout->addWidget(m_pFailures, 1);
  // Without failures the lines stay together above the buttons.
  if (s.failed == 0) layout->addStretch(1);
  layout->addLayout(buttons);
  resize(s.failed > 0 ? 560 : 460, s.failed > 0 ? 320 : 140);
}

void CDlgRunSummary::OnSaveReport() {
  CUiPrompts::FileDialogOptions request;
  request.filters = {Ui(zv::texts::kReportFilter)};
  request.initialPath = zv::AddBackslash(m_run.Dst()) + zv::texts::kReportName;
  request.defaultSuffix = QStringLiteral("csv");
  request.confirmOverwrite = true;
  const std::string path = CUiPrompts::GetSaveFileName(this, request);
  if (path.empty()) return;
  const zv::FileResult r = zv::WriteFileAtomic(path, m_run.ReportCsv());
  if (r) return;
  const std::optional<std::string> message = zv::FileErrorMessage(r);
  CUiPrompts::AfxMessageBox(message ? CoreMessageText(*message) : Ui(zv::texts::kReportSaveFailed).arg(PathToQString(path)),
                            QMessageBox::Ok, QMessageBox::Critical);
}

void CDlgRunSummary::OnOpenFolder() { CUiPrompts::OpenFolder(m_run.Dst()); }
