// zentravolix-cli: the folder and file tools without a display.

#include "CliRun.h"

int main(int argc, char** argv) { return zv::cli::RunCli(argc, argv); }
