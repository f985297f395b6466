// Where the cue sheet goes, whatever the target is and whoever runs the tool: it arrives where a
// plain writer would put it, nothing is written where a plain writer would be refused, and no
// temporary file is left behind, not even when a signal ends the run.
#include <fcntl.h>
#include <grp.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "support/tool_fixture.h"

namespace {

constexpr uid_t kNobody = 65534;
constexpr gid_t kNogroup = 65534;

enum class Who { kAnyone, kRoot, kNobody };
enum class Stdout { kFile, kPipe, kClosedPipe };

// How the tool is started.
struct Launch {
  std::string dir = {};
  std::string target = {};
  Who who = Who::kAnyone;
  Stdout out = Stdout::kFile;
  std::string out_file = {};  // Where standard output goes for Stdout::kFile.
  int signal_at_write = 0;    // Sent as the tool starts to write a file other than 1 or 2.
  int ignored = 0;            // A signal the tool is started with ignored, as nohup does.
  rlim_t file_limit = 0;      // Caps the files the tool writes, with SIGXFSZ at its default.
};

const std::string kOld = "the old cue sheet\n";
const std::string kSheet = OneFileCue("a.wav");
const std::string kReport =
    kReportHeader + "1\ta.wav\t\t0:5:0\n" + "\nTotal Time:  0 min : 5 sec\n";

std::string Wrote(const std::string& target) {
  return "\nWrote cue file called " + target + "\n";
}
std::string Refused(const std::string& target, const std::string& why) {
  return "Cannot write cue file called " + target + ": " + why + "\n";
}

class Targets : public Vantorel {
 protected:
  // A directory of its own for a case, with the list and its WAV file, open to every user.
  std::string CaseDir(const std::string& name, const std::string& list = "a.wav\n") {
    std::string dir = Path(name);
    EXPECT_EQ(chmod(dir_.c_str(), 0755), 0);
    EXPECT_EQ(mkdir(dir.c_str(), 0777), 0);
    EXPECT_EQ(chmod(dir.c_str(), 0777), 0);
    Put(name + "/tlist.txt", list);
    PutWav(name + "/a.wav", 5 * 44100);
    EXPECT_EQ(chmod((dir + "/tlist.txt").c_str(), 0644), 0);
    EXPECT_EQ(chmod((dir + "/a.wav").c_str(), 0644), 0);
    return dir;
  }

  // Runs the tool as launch says, with the list and the target as its arguments.
  Outcome Start(const Launch& launch) {
    std::string out_path = launch.out_file.empty() ? Path(".stdout") : launch.out_file;
    std::string err_path = Path(".stderr");
    int fds[2] = {-1, -1};
    if (launch.out != Stdout::kFile) {
      EXPECT_EQ(pipe(fds), 0);
    }
    // Nobody reads a closed pipe: its reading end is gone before the tool starts.
    if (launch.out == Stdout::kClosedPipe) close(fds[0]);
    pid_t pid = fork();
    if (pid == 0) {
      if (chdir(launch.dir.c_str()) != 0) _exit(127);
      int out = launch.out == Stdout::kFile
                    ? open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644)
                    : fds[1];
      int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      int in = open("/dev/null", O_RDONLY);
      if (out < 0 || err < 0 || in < 0) _exit(127);
      dup2(in, 0);
      dup2(out, 1);
      dup2(err, 2);
      if (launch.out == Stdout::kPipe) close(fds[0]);
      // Whatever the test runner does with these, the tool starts with them at their defaults.
      for (int s : {SIGPIPE, SIGXFSZ, SIGINT, SIGTERM, SIGHUP}) signal(s, SIG_DFL);
      if (launch.ignored != 0) signal(launch.ignored, SIG_IGN);
      if (launch.file_limit > 0) {
        struct rlimit limit = {launch.file_limit, launch.file_limit};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(127);
      }
      if (launch.who == Who::kNobody &&
          (setgroups(0, nullptr) != 0 || setgid(kNogroup) != 0 || setuid(kNobody) != 0)) {
        _exit(127);
      }
      if (launch.signal_at_write != 0 && ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) {
        _exit(127);
      }
      execl(VANTOREL_BINARY, VANTOREL_BINARY, "tlist.txt", launch.target.c_str(), nullptr);
      _exit(127);
    }
    Outcome o;
    if (launch.out != Stdout::kFile) close(fds[1]);
    if (launch.out == Stdout::kPipe) {
      char buffer[4096];
      for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) o.out.append(buffer, n);
      close(fds[0]);
    }
    int wstatus = 0;
    if (launch.signal_at_write != 0) {
      wstatus = SignalAtWrite(pid, launch.signal_at_write);
    } else {
      waitpid(pid, &wstatus, 0);
    }
    o.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    if (launch.out == Stdout::kFile) o.out = Slurp(out_path);
    o.err = Slurp(err_path);
    unlink(out_path.c_str());
    unlink(err_path.c_str());
    return o;
  }

  // Follows the traced tool from one system call to the next until it starts to write a file
  // other than standard output or standard error: the temporary file, once the report is out.
  // The signal is sent there, and the tool runs on untraced. Returns its wait status.
  static int SignalAtWrite(pid_t pid, int signal_number) {
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);  // Stopped by its exec.
    ptrace(PTRACE_SETOPTIONS, pid, nullptr, PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL);
    int pass_on = 0;
    for (;;) {
      ptrace(PTRACE_SYSCALL, pid, nullptr, pass_on);
      pass_on = 0;
      waitpid(pid, &wstatus, 0);
      if (!WIFSTOPPED(wstatus)) return wstatus;  // It ended without writing such a file.
      if (WSTOPSIG(wstatus) != (SIGTRAP | 0x80)) {
        pass_on = WSTOPSIG(wstatus);
        continue;
      }
      __ptrace_syscall_info info;
      if (ptrace(PTRACE_GET_SYSCALL_INFO, pid, sizeof info, &info) <= 0) continue;
      if (info.op == PTRACE_SYSCALL_INFO_ENTRY && info.entry.nr == SYS_write &&
          info.entry.args[0] > 2) {
        kill(pid, signal_number);
        ptrace(PTRACE_DETACH, pid, nullptr, 0);
        waitpid(pid, &wstatus, 0);
        return wstatus;
      }
    }
  }

  // The temporary files left in dir and the directories in it.
  static std::vector<std::string> Leftovers(const std::string& dir) {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
      if (entry.path().filename().string().starts_with(".vantorel-")) {
        found.push_back(entry.path());
      }
    }
    return found;
  }
};

// The kinds of target, each made in its own directory.
enum class Kind {
  kLinkToStdout,   // so.cue, a symbolic link to /dev/stdout.
  kNothing,        // No file of that name yet.
  kReadOnly,       // Nobody's own file, mode 0444.
  kRootsFile,      // Root's file, mode 0644, in a directory anyone may write.
  kRootsOpenFile,  // Root's file, mode 0666, in a directory anyone may write.
  kInLockedDir,    // Nobody's own file, in root's directory of mode 0755.
  kHardLinked,     // A file with a second name, u.cue.
  kForeignGroup,   // Nobody's file with root's group, mode 0664.
  kSetUserId,      // Nobody's own file, mode 04640.
};

void Make(Kind kind, const std::string& dir, const std::string& target) {
  std::string path = dir + "/" + target;
  auto old_file = [&](uid_t uid, gid_t gid, mode_t mode) {
    std::ofstream(path, std::ios::binary) << kOld;
    ASSERT_EQ(chown(path.c_str(), uid, gid), 0);
    ASSERT_EQ(chmod(path.c_str(), mode), 0);
  };
  switch (kind) {
    case Kind::kLinkToStdout:
      ASSERT_EQ(symlink("/dev/stdout", path.c_str()), 0);
      break;
    case Kind::kNothing:
      break;
    case Kind::kReadOnly:
      old_file(kNobody, kNogroup, 0444);
      break;
    case Kind::kRootsFile:
      old_file(0, 0, 0644);
      break;
    case Kind::kRootsOpenFile:
      old_file(0, 0, 0666);
      break;
    case Kind::kInLockedDir:
      ASSERT_EQ(mkdir((dir + "/locked").c_str(), 0755), 0);
      ASSERT_EQ(chmod((dir + "/locked").c_str(), 0755), 0);
      old_file(kNobody, kNogroup, 0644);
      break;
    case Kind::kHardLinked:
      old_file(geteuid(), getegid(), 0644);
      ASSERT_EQ(link(path.c_str(), (dir + "/u.cue").c_str()), 0);
      break;
    case Kind::kForeignGroup:
      old_file(kNobody, 0, 0664);
      break;
    case Kind::kSetUserId:
      old_file(kNobody, kNogroup, 04640);
      break;
  }
}

TEST_F(Targets, EveryKindOfTarget) {
  const std::string long_dir = Path(std::string(100, 'l'));
  ASSERT_EQ(mkdir(long_dir.c_str(), 0777), 0);
  constexpr uid_t kCaller = static_cast<uid_t>(-1);  // Whoever runs the test, and their group.

  struct Case {
    const char* what;
    Kind kind;
    std::string target;
    Who who;
    Stdout out;
    int status;
    std::string out_text, err_text;
    std::string file;  // Looked at afterwards, beside the target; empty for none.
    std::string contents;
    uid_t uid;
    gid_t gid;
    int mode;
    bool replaced;  // A new file now has the name; otherwise the same file, or none.
  } cases[] = {
      {"a link to /dev/stdout, which goes to a file with a long name", Kind::kLinkToStdout,
       "so.cue", Who::kAnyone, Stdout::kFile, 0, kReport + kSheet + Wrote("so.cue"), "", "", "", 0,
       0, 0, false},
      {"standard output spelled otherwise, to a pipe", Kind::kNothing, "/dev//stdout", Who::kAnyone,
       Stdout::kPipe, 0, kReport + kSheet + Wrote("/dev//stdout"), "", "", "", 0, 0, 0, false},
      {"standard output a pipe nobody reads", Kind::kNothing, "t.cue", Who::kAnyone,
       Stdout::kClosedPipe, 3, "", "vantorel: cannot write to standard output: Broken pipe\n",
       "t.cue", "", 0, 0, 0, false},
      {"a write-protected file of one's own", Kind::kReadOnly, "t.cue", Who::kNobody, Stdout::kFile,
       3, kReport + Refused("t.cue", "Permission denied"), "", "t.cue", kOld, kNobody, kNogroup,
       0444, false},
      {"a write-protected file, for root", Kind::kReadOnly, "t.cue", Who::kRoot, Stdout::kFile, 0,
       kReport + Wrote("t.cue"), "", "t.cue", kSheet, kNobody, kNogroup, 0444, true},
      {"another user's file in a directory anyone may write", Kind::kRootsFile, "t.cue",
       Who::kNobody, Stdout::kFile, 3, kReport + Refused("t.cue", "Permission denied"), "", "t.cue",
       kOld, 0, 0, 0644, false},
      {"another user's file anyone may write", Kind::kRootsOpenFile, "t.cue", Who::kNobody,
       Stdout::kFile, 0, kReport + Wrote("t.cue"), "", "t.cue", kSheet, 0, 0, 0666, false},
      {"a file of one's own in a directory one may not write", Kind::kInLockedDir, "locked/t.cue",
       Who::kNobody, Stdout::kFile, 0, kReport + Wrote("locked/t.cue"), "", "locked/t.cue", kSheet,
       kNobody, kNogroup, 0644, false},
      {"a file with a second name, read by that name", Kind::kHardLinked, "t.cue", Who::kAnyone,
       Stdout::kFile, 0, kReport + Wrote("t.cue"), "", "u.cue", kSheet, kCaller, kCaller, 0644,
       false},
      {"a file of one's own in a group one is not in", Kind::kForeignGroup, "t.cue", Who::kNobody,
       Stdout::kFile, 0, kReport + Wrote("t.cue"), "", "t.cue", kSheet, kNobody, 0, 0664, false},
      {"a set-user-id file of one's own", Kind::kSetUserId, "t.cue", Who::kNobody, Stdout::kFile, 0,
       kReport + Wrote("t.cue"), "", "t.cue", kSheet, kNobody, kNogroup, 04640, true},
  };
  bool root = geteuid() == 0;
  int skipped = 0;
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.what);
    if (c.who != Who::kAnyone && !root) {
      ++skipped;
      continue;
    }
    std::string dir = CaseDir("case" + std::to_string(i));
    Make(c.kind, dir, c.target);
    std::string file = dir + "/" + c.file;
    struct stat before = {}, after = {};
    bool existed = !c.file.empty() && stat(file.c_str(), &before) == 0;

    Launch launch{.dir = dir, .target = c.target, .who = c.who, .out = c.out};
    if (c.kind == Kind::kLinkToStdout) launch.out_file = long_dir + "/report.txt";
    Outcome o = Start(launch);
    EXPECT_EQ(o.status, c.status);
    EXPECT_EQ(o.out, c.out_text);
    EXPECT_EQ(o.err, c.err_text);
    EXPECT_EQ(Leftovers(dir), std::vector<std::string>{});
    if (c.file.empty()) continue;
    ASSERT_EQ(stat(file.c_str(), &after) == 0, c.contents != "") << c.file;
    if (c.contents.empty()) continue;
    EXPECT_EQ(Slurp(file), c.contents);
    EXPECT_EQ(after.st_uid, c.uid == kCaller ? geteuid() : c.uid);
    EXPECT_EQ(after.st_gid, c.gid == kCaller ? getegid() : c.gid);
    EXPECT_EQ(after.st_mode & 07777, static_cast<mode_t>(c.mode));
    if (existed) {
      EXPECT_EQ(after.st_ino != before.st_ino, c.replaced);
    }
  }
  if (skipped > 0) {
    GTEST_SKIP() << skipped << " cases run as root or as user " << kNobody
                 << ", and only root can start the tool as another user";
  }
}

TEST_F(Targets, SignalsLeaveNoTemporaryFile) {
  // The sheet of this list is longer than the file size limit below; the report is not.
  std::string list = "a.wav\n";
  for (int i = 0; i < 50; ++i) list += "S 00:00:" + std::to_string(i) + "\n";
  struct Case {
    const char* what;
    int sent, ignored;
    rlim_t file_limit;
    int status;
    bool old_kept;
    std::string out_end;
  } cases[] = {
      {"SIGTERM", SIGTERM, 0, 0, 128 + SIGTERM, true, "\nTotal Time:  0 min : 5 sec\n"},
      {"SIGINT", SIGINT, 0, 0, 128 + SIGINT, true, "\nTotal Time:  0 min : 5 sec\n"},
      {"SIGHUP", SIGHUP, 0, 0, 128 + SIGHUP, true, "\nTotal Time:  0 min : 5 sec\n"},
      {"SIGHUP, ignored as under nohup", SIGHUP, SIGHUP, 0, 0, false, Wrote("t.cue")},
      {"a sheet over the file size limit", 0, 0, 1000, 3, true, Refused("t.cue", "File too large")},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.what);
    std::string dir = CaseDir("case" + std::to_string(i), list);
    Put("case" + std::to_string(i) + "/t.cue", kOld);
    Launch launch{.dir = dir,
                  .target = "t.cue",
                  .signal_at_write = c.sent,
                  .ignored = c.ignored,
                  .file_limit = c.file_limit};
    Outcome o = Start(launch);
    EXPECT_EQ(o.status, c.status);
    EXPECT_TRUE(o.out.ends_with(c.out_end)) << o.out;
    // Only the warnings about the list's split times, none about the run.
    EXPECT_EQ(o.err.find("vantorel: cannot"), std::string::npos) << o.err;
    std::string cue = Slurp(dir + "/t.cue");
    if (c.old_kept) {
      EXPECT_EQ(cue, kOld);
    } else {
      EXPECT_TRUE(cue.starts_with(kSheet)) << cue;
    }
    EXPECT_EQ(Leftovers(dir), std::vector<std::string>{});
  }
}

}  // namespace
