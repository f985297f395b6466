// The run: choosing the list and the cue file, and driving every phase in order.
#pragma once

#include <string>
#include <vector>

namespace vantorel {

// Exit statuses.
constexpr int kExitDone = 0;
constexpr int kExitNoList = 1;    // Usage shown, or the list cannot be opened or is too large.
constexpr int kExitBadWav = 2;    // A WAV file of the list cannot be used.
constexpr int kExitNoOutput = 3;  // The cue file (or the report) cannot be written.
constexpr int kExitWarned = 4;    // With --strict: all is written, but a warning was given.

// Everything the run says, kept until it is flushed: the report for standard output, and the
// lines for standard error, which follow all of it.
struct Console {
  std::string out;    // What standard output has not had yet.
  int out_error = 0;  // The first failure to write standard output, said once.
  std::string err;
  bool warned = false;  // A warning was said on standard error.
};

// Runs the whole tool with args (without the program name) from the working directory, says
// all it has to say, standard output first, and returns its exit status.
int Run(std::vector<std::string> args, Console* console);

}  // namespace vantorel
