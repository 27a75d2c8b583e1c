#include <QApplication>
#include <string>
#include <vector>

#include "app/ZentravolixApp.h"
#include "platform/Allocator.h"
#include "platform/CodePage.h"

int main(int argc, char** argv) {
  // The code page must be fixed before any text is read or shown.
  zv::InitActiveCodePage();
  zv::KeepLargeBuffersInHeap();
  QApplication qapp(argc, argv);
  CZentravolixApp app;
  // argv as it stands: Qt's own decoding would lose a name that is not UTF-8.
  if (!app.InitInstance(std::vector<std::string>(argv, argv + argc))) return 1;
  return QApplication::exec();
}
