// vantorel: reads a hand-written track list of WAV files, prints their lengths and writes a CD
// cue sheet. Exit statuses are documented in run.h and the manual page.
#include <signal.h>

#include <string>
#include <vector>

#include "io/cue_file.h"
#include "run/run.h"

namespace {

// Ends the tool by the signal it was sent, as it would have ended without a handler, once the
// temporary file of a cue file being replaced is gone.
void EndBySignal(int signal_number) {
  vantorel::RemoveTemporaryCueFile();
  signal(signal_number, SIG_DFL);
  raise(signal_number);
}

void SetUpSignals() {
  // A write past the file size limit, or to a pipe nobody reads any more, then fails with an
  // error the run reports like any other, instead of ending the tool without a word.
  signal(SIGXFSZ, SIG_IGN);
  signal(SIGPIPE, SIG_IGN);
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction action;
    if (sigaction(signal_number, nullptr, &action) != 0) continue;
    // A signal the tool was started with ignored, as under nohup, stays ignored.
    if (action.sa_handler == SIG_IGN) continue;
    action.sa_handler = EndBySignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(signal_number, &action, nullptr);
  }
}

}  // namespace

int main(int argc, char** argv) {
  SetUpSignals();
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  vantorel::Console console;
  return vantorel::Run(args, &console);
}
