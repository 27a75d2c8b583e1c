#include "list/ZentravolixDoc.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "app/AppTexts.h"
#include "app/QStringBytes.h"
#include "app/UiPrompts.h"
#include "platform/FileError.h"

bool CZentravolixDoc::OnOpenDocument(const std::string& bytes) {
  int err = 0;
  const int fd = ::open(bytes.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    err = errno;
  } else {
    struct stat st {};
    // A folder opens on this system but is no document.
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) err = EISDIR;
    ::close(fd);
  }
  if (err == 0) return true;

  const zv::FileResult failure = zv::FileResult::Fail(zv::FileOp::Open, err, bytes);
  QString text = Ui(zv::texts::kOpenDocumentFailed).arg(PathToQString(bytes));
  if (auto cause = zv::FileErrorMessage(failure)) text += QChar(u'\n') + CoreMessageText(*cause);
  CUiPrompts::AfxMessageBox(text, QMessageBox::Ok, QMessageBox::Critical);
  return false;
}
