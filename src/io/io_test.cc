#include "io/io.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>

namespace vantorel {

namespace {

constexpr size_t kLimit = 1024 * 1024;

// Reads bytes from a regular file, or from a pipe fed by another thread.
std::pair<ListRead, std::string> ReadFrom(const std::string& bytes, bool through_pipe) {
  ReadBytes text;
  ListRead r;
  if (through_pipe) {
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    std::thread writer([&] {
      // The reader stops early on a list that is too large, so a broken pipe is expected.
      for (size_t done = 0; done < bytes.size();) {
        ssize_t n = write(fds[1], bytes.data() + done, bytes.size() - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
      }
      close(fds[1]);
    });
    r = ReadAll(fds[0], kLimit, &text);
    close(fds[0]);
    writer.join();
  } else {
    FILE* tmp = tmpfile();
    fwrite(bytes.data(), 1, bytes.size(), tmp);
    fflush(tmp);
    rewind(tmp);
    r = ReadAll(fileno(tmp), kLimit, &text);
    fclose(tmp);
  }
  return {r, std::string(text.view())};
}

TEST(ReadAll, ReadsToTheEndUpToTheLimit) {
  signal(SIGPIPE, SIG_IGN);
  std::string max(kLimit, 'x');
  for (bool through_pipe : {false, true}) {
    SCOPED_TRACE(through_pipe ? "pipe" : "file");
    auto [read, text] = ReadFrom(max, through_pipe);
    EXPECT_EQ(read.error, 0);
    EXPECT_FALSE(read.too_large);
    EXPECT_EQ(text, max);
    read = ReadFrom(max + "y", through_pipe).first;
    EXPECT_EQ(read.error, 0);
    EXPECT_TRUE(read.too_large);
    read = ReadFrom("", through_pipe).first;
    EXPECT_EQ(read.error, 0);
    EXPECT_FALSE(read.too_large);
  }
}

TEST(ReadAll, DirectoryIsAnError) {
  int fd = open(".", O_RDONLY);
  ReadBytes text;
  EXPECT_EQ(ReadAll(fd, kLimit, &text).error, EISDIR);
  close(fd);
}

}  // namespace

}  // namespace vantorel
