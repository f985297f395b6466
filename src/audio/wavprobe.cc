#include "audio/wavprobe.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

uint32_t Assem2(uint8_t b0, uint8_t b1) {
  return b0 + 256u * b1;
}

uint32_t Assem4(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
  return b0 + (uint32_t{b1} << 8) + (uint32_t{b2} << 16) + (uint32_t{b3} << 24);
}

namespace {

struct Head {
  const uint8_t* bytes;
  size_t size;
};

uint8_t ByteAt(Head h, size_t pos) {
  return pos < h.size ? h.bytes[pos] : 0;
}

uint32_t Field2(Head h, size_t pos) {
  return Assem2(ByteAt(h, pos), ByteAt(h, pos + 1));
}

uint32_t Field4(Head h, size_t pos) {
  return Assem4(ByteAt(h, pos), ByteAt(h, pos + 1), ByteAt(h, pos + 2), ByteAt(h, pos + 3));
}

// The first even position from 2 to SEARCH_LIMIT where tag stands whole, or 0.
size_t FindTag(Head h, const char* tag, size_t len) {
  for (size_t pos = 2; pos <= SEARCH_LIMIT && pos + len <= h.size; pos += 2) {
    if (std::memcmp(h.bytes + pos, tag, len) == 0) return pos;
  }
  return 0;
}

}  // namespace

HeaderFacts ProbeHeader(const uint8_t* head, size_t size) {
  Head h{head, size};
  HeaderFacts facts;
  // Only "fmt" is compared: the fourth byte of the tag, a space, is not.
  size_t fmt = FindTag(h, "fmt", 3);
  facts.format_found = fmt != 0;
  if (!facts.format_found) fmt = SEARCH_LIMIT;

  uint32_t channels = Field2(h, fmt + 10);
  uint32_t bytes_per_sample = Field2(h, fmt + 22) / 8;
  facts.sample_rate = Field4(h, fmt + 12);

  size_t data = FindTag(h, "data", 4);
  if (data == 0) {
    facts.status = ProbeStatus::kNoData;
    return facts;
  }
  uint32_t block = channels * bytes_per_sample;
  if (block == 0 || facts.sample_rate == 0) {
    facts.status = ProbeStatus::kUnsupported;
    return facts;
  }
  facts.sample_frames = Field4(h, data + 4) / block;
  return facts;
}

namespace {

// Reads up to HEAD_BYTES from the start of fd; a regular file that is shorter is read in one call.
ssize_t ReadHead(int fd, const struct stat& st, uint8_t* buf) {
  size_t want = HEAD_BYTES;
  if (S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) < want) {
    want = static_cast<size_t>(st.st_size);
  }
  size_t got = 0;
  while (got < want) {
    ssize_t n = read(fd, buf + got, want - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  return static_cast<ssize_t>(got);
}

}  // namespace

ProbeResult GET_ATTRIBUTES(const char* path, std::string* console) {
  ProbeResult result;
  // Non-blocking, so that a FIFO without a writer reads as empty instead of hanging the run.
  int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    *console += "Cannot find file in track list called ";
    *console += path;
    *console += '\n';
    return result;
  }
  uint8_t head[HEAD_BYTES];
  struct stat st;
  ssize_t size = -1;
  if (fstat(fd, &st) == 0) size = ReadHead(fd, st, head);
  int err = errno;
  if (close(fd) != 0 && size >= 0) {
    size = -1;
    err = errno;
  }
  if (size < 0) {
    *console += "Cannot read file in track list called ";
    *console += path;
    *console += ": ";
    *console += std::strerror(err);
    *console += '\n';
    return result;
  }
  HeaderFacts facts = ProbeHeader(head, static_cast<size_t>(size));
  if (!facts.format_found) *console += "Can't find format chunk in wave file!\n";
  if (facts.status == ProbeStatus::kNoData) {
    *console += "Can't find data block in wave file!\n";
    return result;
  }
  if (facts.status == ProbeStatus::kUnsupported) {
    *console += "Unsupported format in wave file called ";
    *console += path;
    *console += '\n';
    return result;
  }
  result.ok = true;
  result.sample_rate = facts.sample_rate;
  result.sample_frames = facts.sample_frames;
  result.dev = st.st_dev;
  result.ino = st.st_ino;
  return result;
}
