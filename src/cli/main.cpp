// zentravolix-cli: the folder and file tools without a display.

#include "CliRun.h"
#include "platform/Allocator.h"

int main(int argc, char** argv) {
  zv::KeepLargeBuffersInHeap();
  return zv::cli::RunCli(argc, argv);
}
