// vantorel: reads a hand-written track list of WAV files, prints their lengths and writes a CD
// cue sheet. Exit statuses are documented in run.h and the manual page.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "run/run.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  Console console;
  int status = Run(args, &console);
  if (!Flush(&console)) {
    // Standard output is where everything else goes, so this alone is said on standard error.
    std::fprintf(stderr, "vantorel: cannot write to standard output: %s\n", std::strerror(errno));
    return STATUS_NO_OUTPUT;
  }
  return status;
}
