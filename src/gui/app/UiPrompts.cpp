#include "app/UiPrompts.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QUrl>

#include "app/AppTexts.h"
#include "app/FileDialog.h"
#include "app/QStringBytes.h"
#include "platform/Path.h"

bool CUiPrompts::s_bTestMode = false;
std::vector<CUiPrompts::Record> CUiPrompts::s_records;
std::deque<QMessageBox::StandardButton> CUiPrompts::s_messageAnswers;
std::deque<std::string> CUiPrompts::s_pathAnswers;
std::deque<CUiPrompts::ModalHandler> CUiPrompts::s_modalHandlers;

namespace {

QWidget* MainWindow() {
  if (QWidget* w = QApplication::activeModalWidget()) return w;
  if (QWidget* w = QApplication::activeWindow()) return w;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->isVisible() && w->inherits("CMainFrame")) return w;
  }
  return nullptr;
}

QMessageBox::StandardButton DefaultButton(QMessageBox::StandardButtons buttons) {
  for (auto b :
       {QMessageBox::Ok, QMessageBox::Yes, QMessageBox::Retry, QMessageBox::No, QMessageBox::Cancel}) {
    if (buttons.testFlag(b)) return b;
  }
  return QMessageBox::Ok;
}

// One folder per asking window: lists and texts live in different places.
QString FolderKey(QWidget* owner) {
  const QWidget* window = owner ? owner->window() : nullptr;
  return QStringLiteral("FileDialogs/") +
         QString::fromLatin1(window ? window->metaObject()->className() : "Application");
}

}  // namespace

QMessageBox::StandardButton CUiPrompts::WndMessageBox(QWidget* owner, const QString& text,
                                                      QMessageBox::StandardButtons buttons,
                                                      QMessageBox::Icon icon) {
  return MessageBox(owner, text, Ui(zv::texts::kFrameTitle), buttons, icon);
}

QMessageBox::StandardButton CUiPrompts::AfxMessageBox(const QString& text,
                                                      QMessageBox::StandardButtons buttons,
                                                      QMessageBox::Icon icon) {
  return MessageBox(MainWindow(), text, Ui(zv::texts::kAppName), buttons, icon);
}

void CUiPrompts::ShowSystemError(const QString& text) {
  MessageBox(MainWindow(), text, Ui(zv::texts::kErrorCaption), QMessageBox::Ok, QMessageBox::Information);
}

QMessageBox::StandardButton CUiPrompts::MessageBox(QWidget* owner, const QString& text,
                                                   const QString& caption,
                                                   QMessageBox::StandardButtons buttons,
                                                   QMessageBox::Icon icon) {
  Record rec;
  rec.kind = Kind::MessageBox;
  rec.owner = owner;
  rec.caption = caption;
  rec.text = text;
  rec.buttons = buttons;
  rec.icon = icon;
  Note(rec);
  if (s_bTestMode) {
    if (s_messageAnswers.empty()) return DefaultButton(buttons);
    const auto answer = s_messageAnswers.front();
    s_messageAnswers.pop_front();
    return answer;
  }
  return static_cast<QMessageBox::StandardButton>(
      MakeMessageBox(owner, text, caption, buttons, icon)->exec());
}

std::unique_ptr<QMessageBox> CUiPrompts::MakeMessageBox(QWidget* owner, const QString& text,
                                                        const QString& caption,
                                                        QMessageBox::StandardButtons buttons,
                                                        QMessageBox::Icon icon) {
  auto box = std::make_unique<QMessageBox>(icon, caption, text, buttons, owner);
  // Qt's own words for these two ("保存", "破棄") do not answer the question.
  if (QAbstractButton* b = box->button(QMessageBox::Save)) {
    b->setText(Ui(zv::texts::kAnswerSave));
    box->setDefaultButton(QMessageBox::Save);  // Enter saves, Escape cancels
  }
  if (QAbstractButton* b = box->button(QMessageBox::Discard)) b->setText(Ui(zv::texts::kAnswerDiscard));
  if (QAbstractButton* b = box->button(QMessageBox::Cancel)) b->setText(Ui(zv::texts::kAnswerCancel));
  return box;
}

QString CUiPrompts::SaveChangesText(const std::string& path) {
  const QString name = path.empty() ? Ui(zv::texts::kUntitled) : PathToQString(zv::PathFileName(path));
  return Ui(zv::texts::kAskSaveChanges).arg(name);
}

QMessageBox::StandardButton CUiPrompts::AskSaveChanges(QWidget* owner, const std::string& path) {
  return WndMessageBox(owner, SaveChangesText(path),
                       QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Warning);
}

std::string CUiPrompts::AskFilePath(QWidget* owner, const FileDialogOptions& request, bool save) {
  FileDialogOptions opts = request;
  if (opts.initialPath.empty()) opts.initialPath = LastFolder(owner);
  Record rec;
  rec.kind = save ? Kind::SaveFile : Kind::OpenFile;
  rec.owner = owner;
  rec.file = opts;
  Note(rec);
  std::string answer;
  if (s_bTestMode && !CFileDialog::RealDialogInTestMode()) {
    if (!s_pathAnswers.empty()) {
      answer = s_pathAnswers.front();
      s_pathAnswers.pop_front();
    }
  } else {
    CFileDialog dlg(owner, opts, save);
    if (DoModal(dlg) == QDialog::Accepted) answer = dlg.SelectedPath();
  }
  if (!answer.empty()) SetLastFolder(owner, answer);
  return answer;
}

std::string CUiPrompts::LastFolder(QWidget* owner) {
  // Kept as bytes: a legacy folder name is no valid UTF-8.
  const std::string folder = QSettings().value(FolderKey(owner)).toByteArray().toStdString();
  return !folder.empty() && zv::PathIsDirectory(folder) ? folder : std::string();
}

void CUiPrompts::SetLastFolder(QWidget* owner, const std::string& path) {
  const std::string folder = zv::SplitPath(path).dir;
  if (folder.empty()) return;
  QSettings().setValue(FolderKey(owner), QByteArray::fromStdString(folder));
}

std::string CUiPrompts::GetOpenFileName(QWidget* owner, const FileDialogOptions& request) {
  return AskFilePath(owner, request, false);
}

std::string CUiPrompts::GetSaveFileName(QWidget* owner, const FileDialogOptions& request) {
  return AskFilePath(owner, request, true);
}

bool CUiPrompts::InterceptFolder(QWidget* owner, const QString& title, std::string& answer) {
  Record rec;
  rec.kind = Kind::Folder;
  rec.owner = owner;
  rec.caption = title;
  Note(rec);
  if (!s_bTestMode) return false;
  answer.clear();
  if (!s_pathAnswers.empty()) {
    answer = s_pathAnswers.front();
    s_pathAnswers.pop_front();
  }
  return true;
}

int CUiPrompts::DoModal(QDialog& dialog) {
  Record rec;
  rec.kind = Kind::Modal;
  rec.caption = dialog.windowTitle();
  rec.dialogClass = QString::fromLatin1(dialog.metaObject()->className());
  Note(rec);
  if (s_bTestMode) {
    if (s_modalHandlers.empty()) return QDialog::Rejected;
    ModalHandler handler = std::move(s_modalHandlers.front());
    s_modalHandlers.pop_front();
    // Shown without a local event loop, so the handler drives it directly.
    dialog.setResult(QDialog::Rejected);
    dialog.show();
    const int result = handler(dialog);
    dialog.hide();
    return result;
  }
  return dialog.exec();
}

void CUiPrompts::OpenFolder(const std::string& path) {
  Record rec;
  rec.kind = Kind::OpenFolder;
  rec.text = PathToQString(path);
  Note(rec);
  if (s_bTestMode) return;
  // By its bytes: a legacy name would not survive a QString.
  QDesktopServices::openUrl(
      QUrl::fromEncoded("file://" + QByteArray::fromStdString(path).toPercentEncoding("/"), QUrl::StrictMode));
}

void CUiPrompts::SetTestMode(bool on) { s_bTestMode = on; }
bool CUiPrompts::TestMode() { return s_bTestMode; }
void CUiPrompts::PushMessageAnswer(QMessageBox::StandardButton answer) { s_messageAnswers.push_back(answer); }
void CUiPrompts::PushPathAnswer(const QString& path) { s_pathAnswers.push_back(QStringToPath(path)); }
void CUiPrompts::PushPathBytes(std::string path) { s_pathAnswers.push_back(std::move(path)); }
void CUiPrompts::PushModalHandler(ModalHandler handler) { s_modalHandlers.push_back(std::move(handler)); }
const std::vector<CUiPrompts::Record>& CUiPrompts::Records() { return s_records; }

void CUiPrompts::Reset() {
  s_records.clear();
  s_messageAnswers.clear();
  s_pathAnswers.clear();
  s_modalHandlers.clear();
}

void CUiPrompts::Note(Record record) {
  // Only a test reads the records; a user's session keeps none.
  if (s_bTestMode) s_records.push_back(std::move(record));
}
