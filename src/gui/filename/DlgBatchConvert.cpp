#include "filename/DlgBatchConvert.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include "app/ByteLimitedEdit.h"
#include "app/DialogUnits.h"
#include "app/MainFrame.h"
#include "app/QStringBytes.h"
#include "app/UiPrompts.h"
#include "app/ZentravolixApp.h"
#include "filename/BitmapButton.h"
#include "filename/DlgFileNameSetting.h"
#include "filename/FileNameUiTexts.h"
#include "filename/FolderWalk.h"
#include "folder/FolderBrowser.h"
#include "folder/PlainFolderBrowser.h"
#include "list/ZentravolixView.h"
#include "platform/AppPaths.h"
#include "platform/Path.h"
#include "run/DlgPreview.h"
#include "run/DlgRunSummary.h"
#include "run/FolderRun.h"
#include "settings/Settings.h"
#include "text/DlgFolderTextSetting.h"

namespace {

constexpr int kMaxPatternChars = 256;
// The folder edits take any length; the limit only refuses characters that
// the active code page cannot hold.
constexpr std::size_t kNoByteLimit = static_cast<std::size_t>(-1);

}  // namespace

CDlgBatchConvert::CDlgBatchConvert(QWidget* parent, CZentravolixView* view)
    : QDialog(parent), m_strPattern(zv::texts::kDefaultPattern), m_pView(view) {
  setWindowTitle(Ui(zv::texts::kBatchTitleFileName));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setFont(CDialogUnits::DialogFont());
  const CDialogUnits du(font());
  setFixedSize(du.Size(303, 203));

  // Created in the tab order of the dialog template.
  auto* labelSrc = new QLabel(Ui(zv::texts::kBatchSrcLabel), this);
  du.Place(labelSrc, 7, 7, 55, 8);
  m_pEditSrc = new CByteLimitedEdit(kNoByteLimit, this);
  m_pEditSrc->setObjectName(QStringLiteral("edit1001"));
  du.Place(m_pEditSrc, 7, 17, 250, 12);
  labelSrc->setBuddy(m_pEditSrc);
  m_btnSrcDir = new CBitmapButton(Ui(zv::texts::kBatchSrcButton), this);
  m_btnSrcDir->setObjectName(QStringLiteral("button1002"));
  du.Place(m_btnSrcDir, 271, 17, 25, 12);

  auto* labelPattern = new QLabel(Ui(zv::texts::kBatchPatternLabel), this);
  du.Place(labelPattern, 7, 40, 98, 8);
  m_pEditPattern = new CByteLimitedEdit(kNoByteLimit, this);
  m_pEditPattern->setObjectName(QStringLiteral("edit1025"));
  m_pEditPattern->setMaxLength(kMaxPatternChars);
  du.Place(m_pEditPattern, 105, 37, 40, 14);
  labelPattern->setBuddy(m_pEditPattern);

  auto* labelDst = new QLabel(Ui(zv::texts::kBatchDstLabel), this);
  du.Place(labelDst, 7, 66, 31, 8);
  m_pEditDst = new CByteLimitedEdit(kNoByteLimit, this);
  m_pEditDst->setObjectName(QStringLiteral("edit1003"));
  du.Place(m_pEditDst, 7, 79, 250, 12);
  labelDst->setBuddy(m_pEditDst);
  m_btnDstDir = new CBitmapButton(Ui(zv::texts::kBatchDstButton), this);
  m_btnDstDir->setObjectName(QStringLiteral("button1004"));
  du.Place(m_btnDstDir, 271, 79, 25, 12);

  m_pLabelSrcFile = new QLabel(this);
  m_pLabelSrcFile->setObjectName(QStringLiteral("label1013"));
  m_pLabelSrcFile->setTextFormat(Qt::PlainText);
  du.Place(m_pLabelSrcFile, 7, 111, 289, 8);
  m_pLabelDstFile = new QLabel(this);
  m_pLabelDstFile->setObjectName(QStringLiteral("label1014"));
  m_pLabelDstFile->setTextFormat(Qt::PlainText);
  du.Place(m_pLabelDstFile, 7, 126, 289, 8);
  m_pLabelEncoding = new QLabel(this);
  m_pLabelEncoding->setTextFormat(Qt::PlainText);
  du.Place(m_pLabelEncoding, 7, 136, 289, 8);

  m_progress = new QProgressBar(this);
  m_progress->setObjectName(QStringLiteral("progress1011"));
  m_progress->setTextVisible(false);
  du.Place(m_progress, 7, 148, 289, 12);
  m_progress->hide();

  m_pBtnPreview = new QPushButton(Ui(zv::texts::kBatchPreview), this);
  du.Place(m_pBtnPreview, 68, 184, 50, 12);
  m_pBtnSettings = new QPushButton(Ui(zv::texts::kBatchSettings), this);
  du.Place(m_pBtnSettings, 127, 184, 50, 12);
  m_pBtnExecute = new QPushButton(Ui(zv::texts::kBatchExecute), this);
  du.Place(m_pBtnExecute, 186, 184, 50, 12);
  m_pBtnCancel = new QPushButton(Ui(zv::texts::kBatchClose), this);
  du.Place(m_pBtnCancel, 245, 184, 50, 12);
  // The dialog has no default button: Enter in an edit closes it (keyPressEvent).
  for (QPushButton* b : {m_pBtnPreview, m_pBtnSettings, m_pBtnExecute, m_pBtnCancel}) b->setDefault(false);

  m_btnSrcDir->LoadBitmaps(QStringLiteral(":/icons/bitmap135.png"), QStringLiteral(":/icons/bitmap133.png"),
                           QStringLiteral(":/icons/bitmap134.png"), QStringLiteral(":/icons/bitmap135.png"));
  m_btnDstDir->LoadBitmaps(QStringLiteral(":/icons/bitmap135.png"), QStringLiteral(":/icons/bitmap133.png"),
                           QStringLiteral(":/icons/bitmap134.png"), QStringLiteral(":/icons/bitmap135.png"));

  connect(m_btnSrcDir, &QAbstractButton::clicked, this, &CDlgBatchConvert::OnBrowseSrcDir);
  connect(m_btnDstDir, &QAbstractButton::clicked, this, &CDlgBatchConvert::OnBrowseDstDir);
  connect(m_pBtnExecute, &QPushButton::clicked, this, &CDlgBatchConvert::OnExecute);
  connect(m_pBtnPreview, &QPushButton::clicked, this, &CDlgBatchConvert::OnPreview);
  connect(m_pBtnSettings, &QPushButton::clicked, this, &CDlgBatchConvert::OnSettings);
  connect(m_pBtnCancel, &QPushButton::clicked, this, &CDlgBatchConvert::OnCancel);
}

CDlgBatchConvert::~CDlgBatchConvert() { OnDestroy(); }

std::string CDlgBatchConvert::EditedPath(const QString& text, const std::string& before) {
  return text == PathToQString(before) ? before : QStringToPath(text);
}

void CDlgBatchConvert::UpdateData(bool save) {
  if (save) {
    // A folder shown and left as it was keeps its own bytes.
    m_strSrcDir = EditedPath(m_pEditSrc->text(), m_strSrcDir);
    m_strDstDir = EditedPath(m_pEditDst->text(), m_strDstDir);
    m_strPattern = QStringToBytes(m_pEditPattern->text());
  } else {
    m_pEditSrc->setText(PathToQString(m_strSrcDir));
    m_pEditDst->setText(PathToQString(m_strDstDir));
    // The edit's own limit cuts a longer pattern.
    m_pEditPattern->setText(BytesToQString(m_strPattern));
  }
}

void CDlgBatchConvert::showEvent(QShowEvent* event) {
  if (!m_bInitialized) {
    m_bInitialized = true;
    OnInitDialog();
  }
  QDialog::showEvent(event);
}

bool CDlgBatchConvert::OnInitDialog() {
  UpdateData(false);
  m_progress->setRange(0, 100);
  m_pLabelSrcFile->clear();
  m_pLabelDstFile->clear();

  zv::FilePaths paths;
  if (zv::LoadConvertFilePaths(paths)) {
    m_strSrcDir = paths.srcDir;
    m_strDstDir = paths.dstDir;
    m_strPattern = paths.search.empty() ? std::string(zv::texts::kDefaultPattern) : paths.search;
    UpdateData(false);
  }
  if (m_nMode == kModeFolderText) setWindowTitle(Ui(zv::texts::kBatchTitleFolderText));
  m_pEditSrc->setFocus();
  return true;
}

CZentravolixView* CDlgBatchConvert::View() {
  // The active view of the main window, kept once found: the dialog may
  // outlive it when the main window closes first.
  if (!m_pView) {
    if (CZentravolixApp* app = CZentravolixApp::Instance()) {
      if (CMainFrame* frame = app->MainFrame()) m_pView = frame->GetConvertView();
    }
  }
  return m_pView;
}

std::string CDlgBatchConvert::InitialSrcFolder() { return zv::DocumentsFolder(); }

std::string CDlgBatchConvert::InitialDstFolder() { return zv::DocumentsFolder() + zv::texts::kDestDirName; }

void CDlgBatchConvert::OnBrowseSrcDir() {
  CPlainFolderBrowser browser(this, InitialSrcFolder(), Ui(zv::texts::kBrowseSrcTitle));
  const std::string& path = browser.GetPath();
  if (path.empty()) return;
  m_strSrcDir = path;
  // Filled from the fields: what was typed into the other edits gives way.
  UpdateData(false);
}

void CDlgBatchConvert::OnBrowseDstDir() {
  CFolderBrowser browser(this, InitialDstFolder(), Ui(zv::texts::kBrowseDstTitle));
  const std::string& path = browser.GetPath();
  if (path.empty()) return;
  m_strDstDir = zv::AddBackslash(zv::RemoveBackslash(path));
  UpdateData(false);
}

void CDlgBatchConvert::SetRunningLook(bool running) {
  m_pBtnExecute->setEnabled(!running);
  m_pBtnSettings->setEnabled(!running);
  m_pBtnPreview->setEnabled(!running);
  m_pBtnCancel->setText(Ui(running ? zv::texts::kBatchCancel : zv::texts::kBatchClose));
}

bool CDlgBatchConvert::IsIdleLook() const {
  return m_pBtnExecute->isEnabled() && m_pBtnSettings->isEnabled() && m_pBtnPreview->isEnabled() &&
         m_pBtnCancel->text() == Ui(zv::texts::kBatchClose) && m_pLabelSrcFile->text().isEmpty() &&
         m_pLabelDstFile->text().isEmpty() && m_progress->isHidden();
}

bool CDlgBatchConvert::ReadyToRun(bool preview) {
  UpdateData(true);
  // An empty field would walk the current folder or write below the root.
  if (auto message = zv::CheckRunFolders(m_strSrcDir, m_strDstDir)) {
    CUiPrompts::WndMessageBox(this, CoreMessageText(*message));
    return false;
  }
  // A file where the output folder should be would fail every file of the run.
  if (zv::PathFileExists(m_strDstDir) && !zv::PathIsDirectory(m_strDstDir)) {
    CUiPrompts::WndMessageBox(this, Ui(zv::texts::kOutputNotFolder).arg(PathToQString(m_strDstDir)));
    return false;
  }
  if (preview) return true;
  // Writing into the source itself, or below it, is asked about first.
  const zv::FolderRelation relation = zv::RelationOf(m_strSrcDir, m_strDstDir);
  if (relation == zv::FolderRelation::Apart) return true;
  const char* question = relation == zv::FolderRelation::Same ? zv::texts::kRunInPlace : zv::texts::kRunInside;
  return CUiPrompts::WndMessageBox(this, Ui(question), QMessageBox::Yes | QMessageBox::No,
                                   QMessageBox::Question) == QMessageBox::Yes;
}

void CDlgBatchConvert::OnExecute() {
  if (!ReadyToRun(false)) return;
  SetRunningLook(true);
  CZentravolixView* view = View();
  CFolderRun* run = view ? view->NewRun(m_nMode == kModeFolderText) : nullptr;
  if (!run) {
    SetRunningLook(false);
    return;
  }
  Attach(run);
  if (!run->Start(m_strSrcDir, m_strDstDir, m_strPattern, false)) SetRunningLook(false);
}

void CDlgBatchConvert::OnPreview() {
  if (!ReadyToRun(true)) return;
  CZentravolixView* view = View();
  if (!view) return;
  CDlgPreview preview(this, view, m_nMode == kModeFolderText);
  if (!preview.Start(m_strSrcDir, m_strDstDir, m_strPattern)) return;
  if (CUiPrompts::DoModal(preview) != QDialog::Accepted) return;
  // 実行 in the preview: exactly what it showed, asked about like any run.
  if (!ReadyToRun(false)) return;
  CFolderRun* run = view->NewRun(m_nMode == kModeFolderText);
  if (!run || !preview.Run()) return;
  SetRunningLook(true);
  Attach(run);
  if (!run->StartFrom(*preview.Run())) SetRunningLook(false);
}

void CDlgBatchConvert::Attach(CFolderRun* run) {
  m_pRun = run;
  connect(run, &CFolderRun::Progress, this, [this](const QString& src, const QString& dst, int percent) {
    OnShowSrcFile(src);
    OnShowDstFile(dst);
    OnShowProgress(percent);
  });
  connect(run, &CFolderRun::FilesDone, this, [this, run](int from, int to) {
    // With detection per file, what the last text came as.
    if (run->GetTool() != CFolderRun::Tool::FolderText) return;
    for (int i = to - 1; i >= from; --i) {
      const auto& o = run->Outcomes()[static_cast<std::size_t>(i)];
      if (!o || o->encoding.empty()) continue;
      if (run->GetOptions().texts.encoding == zv::EncodingChoice::Auto) {
        OnShowEncoding(Ui(zv::texts::kEncodingShown) + QString::fromStdString(o->encoding) + QStringLiteral(" (") +
                       PathToQString(zv::PathFileName(o->src)) + QLatin1Char(')'));
      }
      break;
    }
  });
  connect(run, &CFolderRun::Notice, this, [this](const QString& text) {
    CUiPrompts::WndMessageBox(this, text, QMessageBox::Ok, QMessageBox::Information);
  });
  connect(run, &CFolderRun::Finished, this, &CDlgBatchConvert::OnRunEnded);
}

void CDlgBatchConvert::OnRunEnded() {
  CFolderRun* run = m_pRun;
  // A stopped run (the dialog is going) leaves the dialog as it is.
  if (!run || m_bDestroyed || run->End() == zv::RunEnd::Stopped) {
    if (!m_bDestroyed) SetRunningLook(false);
    return;
  }
  OnRunFinished();
  emit SummaryShown(run);
  CDlgRunSummary summary(this, *run);
  CUiPrompts::DoModal(summary);
}

void CDlgBatchConvert::OnSettings() {
  // The result does not matter: a run reads its options when it starts.
  if (m_nMode == kModeFolderText) {
    CDlgFolderTextSetting dlg(this);
    CUiPrompts::DoModal(dlg);
  } else {
    CDlgFileNameSetting dlg(this);
    CUiPrompts::DoModal(dlg);
  }
}

void CDlgBatchConvert::OnCancel() {
  UpdateData(true);
  zv::SaveConvertFilePaths(zv::FilePaths{m_strSrcDir, m_strDstDir, m_strPattern});
  QDialog::reject();
}

void CDlgBatchConvert::reject() { OnCancel(); }

void CDlgBatchConvert::done(int result) {
  QDialog::done(result);
  OnDestroy();
}

void CDlgBatchConvert::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (enter) {
    QWidget* focus = focusWidget();
    if (qobject_cast<QLineEdit*>(focus)) {
      // The framework's OK: the fields are taken, nothing is saved.
      UpdateData(true);
      accept();
      return;
    }
    if (auto* button = qobject_cast<CBitmapButton*>(focus)) {
      button->click();
      return;
    }
  }
  QDialog::keyPressEvent(event);
}

void CDlgBatchConvert::OnDestroy() {
  if (m_bDestroyed) return;
  m_bDestroyed = true;
  // The file under way is finished; the run's calls (a message box) are
  // served meanwhile, and nothing of it reaches this dialog any more.
  if (CFolderRun* run = m_pRun) {
    disconnect(run, nullptr, this, nullptr);
    run->Stop();
    run->Wait();
  }
}

void CDlgBatchConvert::OnShowSrcFile(const QString& text) {
  m_pLabelSrcFile->setText(text);
  emit SrcFileShown(text);
}

void CDlgBatchConvert::OnShowDstFile(const QString& text) {
  m_pLabelDstFile->setText(text);
  emit DstFileShown(text);
}

void CDlgBatchConvert::OnShowProgress(int percent) {
  if (percent >= 0 && percent <= 100) {
    m_progress->setValue(percent);
    m_progress->show();
  } else {
    m_progress->hide();
    m_progress->setValue(0);
  }
  emit ProgressShown(percent);
}

void CDlgBatchConvert::OnShowEncoding(const QString& text) {
  // A label that arrives after the run's end would outlive it.
  if (m_pBtnExecute->isEnabled()) return;
  m_pLabelEncoding->setText(text);
  emit EncodingShown(text);
}

void CDlgBatchConvert::OnRunFinished() {
  m_pLabelEncoding->clear();
  SetRunningLook(false);
  emit RunFinished();
}
