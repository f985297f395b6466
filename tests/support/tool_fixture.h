// The fixture of the end-to-end tests: the built tool runs in a fresh temporary directory, and
// its standard output, exit status and the files it writes are compared byte for byte. Every
// test starts the tool through Run, which can also start it as another user, with a file size
// limit, with a descriptor of the test's, or stopped at a system call for the test to act.
#pragma once

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "support/golden.h"
#include "support/temp_dir.h"
#include "support/wav.h"

struct Outcome {
  int status = -1;
  std::string out, err;
  std::string skipped;  // Why the run could not be had as asked; the rest is then empty.
};

constexpr uid_t kNobody = 65534;
constexpr gid_t kNogroup = 65534;

// How the tool is started. The defaults are those of a user's shell.
struct Launch {
  std::string dir = {};          // The working directory; the test's own when empty.
  std::string stdout_path = {};  // A file for standard output; it is not read back.
  std::string stderr_path = {};  // Likewise for standard error.
  int stderr_flags = O_WRONLY | O_CREAT | O_TRUNC;  // How stderr_path is opened (2<NAME: O_RDONLY).
  enum { kFile, kPipe, kClosedPipe } out = kFile;   // A pipe is read; nobody reads a closed one.
  bool as_nobody = false;     // Run as user 65534, from a copy of the tool that user can reach.
  rlim_t file_limit = 0;      // Caps the files the tool writes, with SIGXFSZ at its default.
  int ignored = 0;            // A signal the tool is started with ignored, as nohup does.
  std::string fd3_path = {};  // A file opened on descriptor 3 with fd3_flags, as with 3>>log.
  int fd3_flags = 0;
  int closed = -1;  // A standard descriptor the tool is started without, as with 2>&-.
  // The tool is stopped as it enters this system call on a descriptor above 2, for while_stopped
  // to act on it; then it runs on untraced.
  long stop_at = -1;
  std::function<void(pid_t)> while_stopped = {};
};

class Vantorel : public TempDirTest {
 protected:
  // A canonical header, and the file made sparse to its declared length so that long
  // recordings cost no disk.
  void PutWav(const std::string& name, uint32_t frames, uint32_t rate = 44100) {
    Put(name, WavHeader(frames, rate));
    ASSERT_EQ(truncate(Path(name).c_str(), 44 + off_t{frames} * 4), 0);
  }

  // Runs the tool with args and no standard input.
  Outcome Run(std::vector<std::string> args, const Launch& launch = {}) {
    std::string binary = VANTOREL_BINARY;
    if (launch.as_nobody) binary = ReachableCopy();
    std::string out_path = Path(".stdout"), err_path = Path(".stderr");
    if (!launch.stdout_path.empty()) out_path = launch.stdout_path;
    if (!launch.stderr_path.empty()) err_path = launch.stderr_path;
    // The child of a test that runs the tool from several threads may not allocate memory.
    std::vector<char*> argv{binary.data()};
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int fds[2] = {-1, -1};
    if (launch.out != Launch::kFile && pipe(fds) != 0) ADD_FAILURE() << "no pipe";
    if (launch.out == Launch::kClosedPipe) close(fds[0]);
    pid_t pid = fork();
    if (pid == 0) {
      if (chdir(launch.dir.empty() ? dir_.c_str() : launch.dir.c_str()) != 0) _exit(127);
      int in = open("/dev/null", O_RDONLY);
      int out = launch.out == Launch::kFile
                    ? open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644)
                    : fds[1];
      int err = open(err_path.c_str(), launch.stderr_flags, 0644);
      if (in < 0 || out < 0 || err < 0) _exit(127);
      dup2(in, 0);
      dup2(out, 1);
      dup2(err, 2);
      if (launch.out == Launch::kPipe) close(fds[0]);
      if (!launch.fd3_path.empty()) {
        int fd = open(launch.fd3_path.c_str(), launch.fd3_flags);
        if (fd < 0 || dup2(fd, 3) != 3) _exit(127);
      }
      if (launch.closed >= 0) close(launch.closed);
      // Whatever the test runner does with these, the tool starts with them at their defaults.
      for (int s : {SIGPIPE, SIGXFSZ, SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1}) {
        signal(s, SIG_DFL);
      }
      if (launch.ignored != 0) signal(launch.ignored, SIG_IGN);
      if (launch.file_limit > 0) {
        struct rlimit limit = {launch.file_limit, launch.file_limit};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(127);
      }
      if (launch.as_nobody &&
          (setgroups(0, nullptr) != 0 || setgid(kNogroup) != 0 || setuid(kNobody) != 0)) {
        _exit(kNoOtherUser);
      }
      if (launch.stop_at >= 0 && ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) {
        _exit(kNoTracing);
      }
      execv(binary.c_str(), argv.data());
      _exit(127);
    }
    Outcome o;
    if (launch.out != Launch::kFile) close(fds[1]);
    if (launch.out == Launch::kPipe) {
      char buffer[4096];
      for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) o.out.append(buffer, n);
      close(fds[0]);
    }
    int wstatus = 0;
    if (launch.stop_at >= 0) {
      wstatus = StopAt(pid, launch.stop_at, launch.while_stopped);
    } else {
      waitpid(pid, &wstatus, 0);
    }
    o.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    if (o.status == kNoOtherUser) o.skipped = "the tool cannot be started as another user";
    if (o.status == kNoTracing) o.skipped = "the tool cannot be traced (ptrace is not allowed)";
    if (launch.stdout_path.empty() && launch.out == Launch::kFile) o.out = Slurp(out_path);
    if (launch.stderr_path.empty()) o.err = Slurp(err_path);
    unlink(Path(".stdout").c_str());
    unlink(Path(".stderr").c_str());
    return o;
  }

 private:
  static constexpr int kNoOtherUser = 125, kNoTracing = 126;

  // A copy of the tool in the test's directory, which every user can reach: the build tree
  // need not be reachable (a clone under root's home is not).
  std::string ReachableCopy() {
    std::string copy = Path(".vantorel");
    if (!std::filesystem::exists(copy)) {
      EXPECT_TRUE(std::filesystem::copy_file(VANTOREL_BINARY, copy));
      EXPECT_EQ(chmod(copy.c_str(), 0755), 0);
    }
    EXPECT_EQ(chmod(dir_.c_str(), 0755), 0);
    return copy;
  }

  // Follows the traced tool from one system call to the next until it enters the call nr on a
  // descriptor above 2, hands it to act, and lets it run on untraced. Returns its wait status.
  static int StopAt(pid_t pid, long nr, const std::function<void(pid_t)>& act) {
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);  // Stopped by its exec.
    ptrace(PTRACE_SETOPTIONS, pid, nullptr, PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL);
    int pass_on = 0;
    for (;;) {
      ptrace(PTRACE_SYSCALL, pid, nullptr, pass_on);
      pass_on = 0;
      waitpid(pid, &wstatus, 0);
      if (!WIFSTOPPED(wstatus)) return wstatus;  // It ended without such a call.
      if (WSTOPSIG(wstatus) != (SIGTRAP | 0x80)) {
        pass_on = WSTOPSIG(wstatus);
        continue;
      }
      __ptrace_syscall_info info;
      if (ptrace(PTRACE_GET_SYSCALL_INFO, pid, sizeof info, &info) <= 0) continue;
      if (info.op == PTRACE_SYSCALL_INFO_ENTRY && static_cast<long>(info.entry.nr) == nr &&
          info.entry.args[0] > 2) {
        act(pid);
        ptrace(PTRACE_DETACH, pid, nullptr, 0);
        waitpid(pid, &wstatus, 0);
        return wstatus;
      }
    }
  }
};
