// vantorel: reads a hand-written track list of WAV files, prints their lengths and writes a CD
// cue sheet. Exit statuses are documented in run.h and the manual page.
#include <signal.h>

#include <string>
#include <vector>

#include "io/io.h"
#include "run/run.h"

int main(int argc, char** argv) {
  // A standard descriptor the tool was started without stays as good as closed, and no file the
  // tool opens is taken for it.
  vantorel::ReserveClosedStandardDescriptors();
  // A write past the file size limit, or to a pipe nobody reads any more, then fails with an
  // error the run reports like any other, instead of ending the tool without a word.
  signal(SIGXFSZ, SIG_IGN);
  signal(SIGPIPE, SIG_IGN);
  // The writer may return with the signals that end the tool held, so that the line that names a
  // file it made and left is said before one of them ends it; they come in once all is said.
  sigset_t mask;
  sigprocmask(SIG_SETMASK, nullptr, &mask);
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  vantorel::Console console;
  int status = vantorel::Run(args, &console);
  sigprocmask(SIG_SETMASK, &mask, nullptr);
  return status;
}
