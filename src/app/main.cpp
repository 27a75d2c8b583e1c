#include <QApplication>

#include "app/ZentravolixApp.h"
#include "platform/Allocator.h"
#include "platform/CodePage.h"

int main(int argc, char** argv) {
  // The code page must be fixed before any text is read or shown.
  zv::InitActiveCodePage();
  zv::KeepLargeBuffersInHeap();
  QApplication qapp(argc, argv);
  CZentravolixApp app;
  if (!app.InitInstance(QCoreApplication::arguments())) return 1;
  return QApplication::exec();
}
