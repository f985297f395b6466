#include "tracklist/tracklist.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {

bool IsLineEnd(char c) {
  return c == '\r' || c == '\n';
}

// Returns the next non-empty line at or after *pos and moves *pos past it, or an empty view
// when the text has no more lines.
std::string_view NextLine(std::string_view text, size_t* pos) {
  size_t start = *pos;
  while (start < text.size() && IsLineEnd(text[start])) ++start;
  size_t end = start;
  while (end < text.size() && !IsLineEnd(text[end])) ++end;
  *pos = end;
  return text.substr(start, end - start);
}

bool NamesWav(std::string_view line) {
  return line.find(".WAV") != std::string_view::npos || line.find(".wav") != std::string_view::npos;
}

}  // namespace

std::string_view TimeText(std::string_view line) {
  return line.size() > 2 ? line.substr(2) : "";
}

Classified ClassifyTrackList(std::string_view list_text, TrackTable* table) {
  table->kind.fill(KIND_NONE);
  table->has_pregap.fill(0);
  table->is_wav.fill(0);
  table->is_wav[0] = 1;

  std::string_view text = list_text.substr(0, list_text.find('\0'));
  size_t pos = 0;
  Classified result;

  // The first line is a WAV entry whatever it holds.
  std::string_view line = NextLine(text, &pos);
  if (line.empty()) return result;
  table->text[0] = line;
  int taken = 1;

  while (!(line = NextLine(text, &pos)).empty()) {
    if (taken == MAX_LINES) {
      result.lines_dropped = true;
      break;
    }
    int i = taken++;
    table->text[i] = line;
    if (line[0] == 'S') table->kind[i] = KIND_SPLIT;
    if (line[0] == 'P') {
      table->has_pregap[i] = 1;
      table->kind[i] = KIND_PREGAP;
    }
    if (NamesWav(line)) {
      table->has_pregap[i] = 0;
      table->kind[i] = KIND_NONE;
      table->is_wav[i] = 1;
    }
  }
  result.line_count = taken;
  return result;
}

ListRead ReadListText(int fd, std::string* text) {
  text->clear();
  // A regular file says how large it is, so it is read in one call; a pipe is read in pieces.
  struct stat st;
  size_t chunk = 64 * 1024;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    if (static_cast<uint64_t>(st.st_size) > MAX_LIST_BYTES) return ListRead::kTooLarge;
    chunk = static_cast<size_t>(st.st_size) + 1;
  }
  for (;;) {
    size_t have = text->size();
    size_t want = std::min(chunk, MAX_LIST_BYTES + 1 - have);
    text->resize(have + want);
    ssize_t n = read(fd, text->data() + have, want);
    if (n < 0 && errno == EINTR) {
      text->resize(have);
      continue;
    }
    text->resize(have + (n > 0 ? static_cast<size_t>(n) : 0));
    if (n < 0) return ListRead::kError;
    if (text->size() > MAX_LIST_BYTES) return ListRead::kTooLarge;
    if (n == 0) return ListRead::kOk;
  }
}
