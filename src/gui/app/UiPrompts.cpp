#include "app/UiPrompts.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>

#include "app/AppTexts.h"
#include "app/FileDialog.h"
#include "app/QStringBytes.h"

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
  QMessageBox box(icon, caption, text, buttons, owner);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

std::string CUiPrompts::AskFilePath(QWidget* owner, const FileDialogSpec& request, bool save) {
  Record rec;
  rec.kind = save ? Kind::SaveFile : Kind::OpenFile;
  rec.owner = owner;
  rec.file = request;
  Note(rec);
  if (s_bTestMode && !CFileDialog::RealDialogInTestMode()) {
    if (s_pathAnswers.empty()) return {};
    std::string answer = s_pathAnswers.front();
    s_pathAnswers.pop_front();
    return answer;
  }
  CFileDialog dlg(owner, request, save);
  return DoModal(dlg) == QDialog::Accepted ? dlg.SelectedPath() : std::string();
}

std::string CUiPrompts::GetOpenFileName(QWidget* owner, const FileDialogSpec& request) {
  return AskFilePath(owner, request, false);
}

std::string CUiPrompts::GetSaveFileName(QWidget* owner, const FileDialogSpec& request) {
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
