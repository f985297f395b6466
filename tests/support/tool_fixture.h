// The fixture of the end-to-end tests: the built tool runs in a fresh temporary directory, and
// its standard output, exit status and the files it writes are compared byte for byte.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <string>
#include <vector>

#include "support/golden.h"
#include "support/temp_dir.h"
#include "support/wav.h"

struct Outcome {
  int status = -1;
  std::string out, err;
};

class Vantorel : public TempDirTest {
 protected:
  // A canonical header, and the file made sparse to its declared length so that long
  // recordings cost no disk.
  void PutWav(const std::string& name, uint32_t frames, uint32_t rate = 44100) {
    Put(name, WavHeader(frames, rate));
    ASSERT_EQ(truncate(Path(name).c_str(), 44 + off_t{frames} * 4), 0);
  }
  // Runs the tool in the directory with args and no standard input. A file_limit above 0 caps
  // the size of any file the tool writes, so that a write fails part way.
  Outcome Run(std::vector<std::string> args, const std::string& stdout_path = "",
              rlim_t file_limit = 0) {
    std::string out_path = Path(".stdout"), err_path = Path(".stderr");
    pid_t pid = fork();
    if (pid == 0) {
      if (chdir(dir_.c_str()) != 0) _exit(127);
      if (file_limit > 0) {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {file_limit, file_limit};
        setrlimit(RLIMIT_FSIZE, &limit);
      }
      int in = open("/dev/null", O_RDONLY);
      int out = open(stdout_path.empty() ? out_path.c_str() : stdout_path.c_str(),
                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
      int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(in, 0);
      dup2(out, 1);
      dup2(err, 2);
      std::vector<char*> argv{const_cast<char*>(VANTOREL_BINARY)};
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(VANTOREL_BINARY, argv.data());
      _exit(127);
    }
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    Outcome o;
    o.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    o.out = Slurp(out_path);
    o.err = Slurp(err_path);
    unlink(out_path.c_str());
    unlink(err_path.c_str());
    return o;
  }
};
