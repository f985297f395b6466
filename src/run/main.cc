// vantorel: reads a hand-written track list of WAV files, prints their lengths and writes a CD
// cue sheet. Exit statuses are documented in run.h and the manual page.
#include <string>
#include <vector>

#include "run/run.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  Console console;
  int status = Run(args, &console);
  if (!FlushOutput(&console)) status = kExitNoOutput;
  FlushErrors(&console);
  return status;
}
