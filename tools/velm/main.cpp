// velm: command-line tool for VELM art-library folders.
#include <csignal>
#include <iostream>

#include "commands.h"
#include "library.h"

namespace {

// An interrupted run still removes its temporary drive folder.
void OnSignal(int signal) {
  velmtool::RemoveLibraryFolderOnSignal();
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

}  // namespace

int main(int argc, char** argv) {
  for (int s : {SIGINT, SIGTERM, SIGHUP, SIGPIPE})
    std::signal(s, OnSignal);
  return velmtool::RunVelm(argc, argv, std::cout, std::cerr);
}
