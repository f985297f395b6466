// The run: choosing the list and the cue file, and driving every phase in order.
#pragma once

#include <string>
#include <vector>

// Exit statuses.
constexpr int STATUS_DONE = 0;
constexpr int STATUS_NO_LIST = 1;    // Usage shown, or the list cannot be opened or is too large.
constexpr int STATUS_BAD_WAV = 2;    // A WAV file of the list cannot be used.
constexpr int STATUS_NO_OUTPUT = 3;  // The cue file (or the report) cannot be written.

// Everything the run prints, kept until it is flushed. fd -1 keeps it all in memory.
struct Console {
  int fd = 1;
  std::string text;
  size_t flushed = 0;
};

// Writes what has not been written yet; false with errno set when the write fails.
bool Flush(Console* console);

// Runs the whole tool with args (without the program name) from the working directory.
int Run(const std::vector<std::string>& args, Console* console);
