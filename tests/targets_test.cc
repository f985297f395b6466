// Where the cue sheet goes, whatever the target is and whoever runs the tool: where `cat > NAME`
// would put it, never where that would be refused, and never cut short or lost by a failure the
// tool can foresee, another run beside it, or a signal.
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <iostream>
#include <optional>
#include <thread>

#include "support/tool_fixture.h"

namespace {

// Longer than the new sheet, so that a sheet not cut to its length shows.
const std::string kOld = "the old cue sheet, which is longer than the new one and must be cut\n";
const std::string kSheet = OneFileCue("a.wav");
const std::string kReport =
    kReportHeader + "1\ta.wav\t\t0:5:0\n" + "\nTotal Time:  0 min : 5 sec\n";

std::string Wrote(const std::string& target) {
  return "\nWrote cue file called " + target + "\n";
}
std::string Refused(const std::string& target, const std::string& why) {
  return "Cannot write cue file called " + target + ": " + why + "\n";
}

// A list of one WAV file split into many tracks, whose sheet is longer than a page of memory.
std::string ManySplits(int splits) {
  std::string list = "a.wav\n";
  for (int i = 1; i <= splits; ++i) list += "S " + std::to_string(i) + ":00:00\n";
  return list;
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
};

enum class Who { kAnyone, kRoot, kNobody };

// The kinds of target, each made in its own directory.
enum class Kind {
  kNothing,          // No file of that name yet.
  kOwnFile,          // One's own file.
  kLinkToStdout,     // A symbolic link to /dev/stdout, which goes to report.txt.
  kDanglingLink,     // A symbolic link to made.cue, which does not exist yet.
  kStderrFile,       // The file standard error goes to, after a warning is said there.
  kLocked,           // One's own file, locked by another program for as long as the run lasts.
  kReadOnlyFd3,      // One's own file, open for reading on descriptor 3.
  kAppendingFd3,     // One's own file, open for appending on descriptor 3.
  kReadWriteFd3,     // One's own file, open for reading and writing on descriptor 3 (3<>).
  kWritingFd3,       // One's own file, open for writing on descriptor 3, not cut (3> in C).
  kNoStderr,         // One's own file, with standard error closed (2>&-).
  kNoStdout,         // One's own file, with standard output closed (>&-).
  kReadOnlyStderr,   // One's own file, which standard error is open on for reading (2<).
  kReadWriteStderr,  // One's own file, which standard error is open on for both (2<>).
  kReadOnly,         // Nobody's own file, mode 0444.
  kRootsFile,        // Root's file, mode 0644, in a directory anyone may write.
  kRootsOpenFile,    // Root's file, mode 0666, in a directory anyone may write.
  kInLockedDir,      // Nobody's own file, in root's directory of mode 0755.
  kHardLinked,       // A file with a second name, u.cue.
  kForeignGroup,     // Nobody's file with root's group, mode 0664.
  kSetUserId,        // Nobody's own file, mode 04640.
  kInStickyDir,      // Nobody's file, mode 0666, in a sticky directory anyone may write.
};

// Makes the target and sets up the launch for it. Returns a descriptor to close after the run,
// or -1.
int Make(Kind kind, const std::string& dir, const std::string& target, Launch* launch) {
  // A target given as a descriptor stands for t.cue, which the descriptor is open on.
  std::string path = dir + "/" + (target.starts_with("/") ? "t.cue" : target);
  auto old_file = [&](uid_t uid, gid_t gid, mode_t mode) {
    std::ofstream(path, std::ios::binary) << kOld;
    EXPECT_EQ(chown(path.c_str(), uid, gid), 0);
    EXPECT_EQ(chmod(path.c_str(), mode), 0);
  };
  switch (kind) {
    case Kind::kNothing:
      break;
    case Kind::kOwnFile:
      old_file(geteuid(), getegid(), 0644);
      break;
    case Kind::kLinkToStdout:
      EXPECT_EQ(symlink("/dev/stdout", path.c_str()), 0);
      launch->stdout_path = dir + "/report.txt";
      break;
    case Kind::kDanglingLink:
      EXPECT_EQ(symlink("made.cue", path.c_str()), 0);
      break;
    case Kind::kStderrFile:
      launch->stderr_path = path;
      std::ofstream(dir + "/tlist.txt") << "a.wav\nb.Wav\n";
      break;
    case Kind::kLocked: {
      old_file(geteuid(), getegid(), 0644);
      int fd = open(path.c_str(), O_RDONLY);
      EXPECT_EQ(flock(fd, LOCK_EX), 0);
      return fd;
    }
    case Kind::kReadOnlyFd3:
    case Kind::kAppendingFd3:
    case Kind::kReadWriteFd3:
    case Kind::kWritingFd3:
      old_file(geteuid(), getegid(), 0644);
      launch->fd3_path = path;
      launch->fd3_flags = kind == Kind::kReadOnlyFd3    ? O_RDONLY
                          : kind == Kind::kAppendingFd3 ? O_WRONLY | O_APPEND
                          : kind == Kind::kReadWriteFd3 ? O_RDWR
                                                        : O_WRONLY;
      break;
    case Kind::kReadOnlyStderr:
    case Kind::kReadWriteStderr:
      old_file(geteuid(), getegid(), 0644);
      launch->stderr_path = path;
      launch->stderr_flags = kind == Kind::kReadOnlyStderr ? O_RDONLY : O_RDWR;
      break;
    case Kind::kNoStderr:
    case Kind::kNoStdout:
      old_file(geteuid(), getegid(), 0644);
      launch->closed = kind == Kind::kNoStderr ? 2 : 1;
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
      EXPECT_EQ(mkdir((dir + "/locked").c_str(), 0755), 0);
      EXPECT_EQ(chmod((dir + "/locked").c_str(), 0755), 0);
      old_file(kNobody, kNogroup, 0644);
      break;
    case Kind::kHardLinked:
      old_file(geteuid(), getegid(), 0644);
      EXPECT_EQ(link(path.c_str(), (dir + "/u.cue").c_str()), 0);
      break;
    case Kind::kForeignGroup:
      old_file(kNobody, 0, 0664);
      break;
    case Kind::kSetUserId:
      old_file(kNobody, kNogroup, 04640);
      break;
    case Kind::kInStickyDir:
      EXPECT_EQ(mkdir((dir + "/sticky").c_str(), 0755), 0);
      EXPECT_EQ(chmod((dir + "/sticky").c_str(), 01777), 0);
      old_file(kNobody, kNogroup, 0666);
      break;
  }
  return -1;
}

TEST_F(Targets, EveryKindOfTarget) {
  constexpr uid_t kCaller = static_cast<uid_t>(-1);  // Whoever runs the test, and their group.
  mode_t umask_now = umask(0);
  umask(umask_now);
  const int kNewMode = 0666 & ~umask_now;
  const std::string kLockWarning =
      "vantorel: warning: \"t.cue\" was written without its lock, which another program held "
      "for too long; if that program writes it too, run vantorel again once it is done\n";
  const std::string kWavWarning =
      "vantorel: tlist.txt:2: warning: \"b.Wav\" is not read as a WAV file: only .wav and .WAV "
      "count; if it is a note, write it as \"# b.Wav\"\n";

  struct Case {
    const char* what;
    Kind kind;
    std::string target;
    Who who;
    decltype(Launch::out) out;
    int status;
    std::string out_text, err_text;
    std::string file;  // Looked at afterwards, beside the target; empty for none.
    std::string contents;
    uid_t uid;
    gid_t gid;
    int mode;
  } cases[] = {
      {"a link to /dev/stdout", Kind::kLinkToStdout, "so.cue", Who::kAnyone, Launch::kFile, 0, "",
       "", "report.txt", kReport + kSheet + Wrote("so.cue"), kCaller, kCaller, 0644},
      // /proc names a pipe in words of its own, which only the kernel follows.
      {"a link to /dev/stdout, to a pipe", Kind::kLinkToStdout, "so.cue", Who::kAnyone,
       Launch::kPipe, 0, kReport + kSheet + Wrote("so.cue"), "", "", "", 0, 0, 0},
      // Standard output carries the report too, so the sheet follows it there, even where the
      // file could not be opened anew.
      {"/dev/stdout, to a file only its opener may write", Kind::kLinkToStdout, "/dev/stdout",
       Who::kNobody, Launch::kFile, 0, "", "", "report.txt",
       kReport + kSheet + Wrote("/dev/stdout"), kCaller, kCaller, 0644},
      {"standard output spelled otherwise, to a pipe", Kind::kNothing, "/dev//stdout", Who::kAnyone,
       Launch::kPipe, 0, kReport + kSheet + Wrote("/dev//stdout"), "", "", "", 0, 0, 0},
      {"standard output a pipe nobody reads", Kind::kNothing, "t.cue", Who::kAnyone,
       Launch::kClosedPipe, 3, "", "vantorel: cannot write to standard output: Broken pipe\n",
       "t.cue", "", 0, 0, 0},
      {"/dev/stderr", Kind::kNothing, "/dev/stderr", Who::kAnyone, Launch::kFile, 0,
       kReport + Wrote("/dev/stderr"), kSheet, "", "", 0, 0, 0},
      {"the file standard error goes to, by its name", Kind::kStderrFile, "t.cue", Who::kAnyone,
       Launch::kFile, 0, kReport + Wrote("t.cue"), "", "t.cue", kSheet + kWavWarning, kCaller,
       kCaller, 0644},
      {"/dev/stderr, to a file only its opener may write", Kind::kStderrFile, "/dev/stderr",
       Who::kNobody, Launch::kFile, 0, kReport + Wrote("/dev/stderr"), "", "t.cue",
       kSheet + kWavWarning, kCaller, kCaller, 0644},
      {"a dangling link, whose target is made", Kind::kDanglingLink, "t.cue", Who::kAnyone,
       Launch::kFile, 0, kReport + Wrote("t.cue"), "", "made.cue", kSheet, kCaller, kCaller,
       kNewMode},
      {"a file another program keeps locked", Kind::kLocked, "t.cue", Who::kAnyone, Launch::kFile,
       0, kReport + Wrote("t.cue"), kLockWarning, "t.cue", kSheet, kCaller, kCaller, 0644},
      {"a descriptor open for reading", Kind::kReadOnlyFd3, "/dev/fd/3", Who::kAnyone,
       Launch::kFile, 0, kReport + Wrote("/dev/fd/3"), "", "t.cue", kSheet, kCaller, kCaller, 0644},
      {"a descriptor open for appending", Kind::kAppendingFd3, "/proc/self/fd/3", Who::kAnyone,
       Launch::kFile, 0, kReport + Wrote("/proc/self/fd/3"), "", "t.cue", kOld + kSheet, kCaller,
       kCaller, 0644},
      // The kernel spells no descriptor's number with a leading zero, and /proc has no such name.
      {"a descriptor's number with a leading zero", Kind::kAppendingFd3, "/dev/fd/03", Who::kAnyone,
       Launch::kFile, 3, kReport + Refused("/dev/fd/03", "No such file or directory"), "", "t.cue",
       kOld, kCaller, kCaller, 0644},
      // Opened anew by the name, as `cat > /dev/fd/3` opens it, and rewritten as any file.
      {"a descriptor open for reading and writing", Kind::kReadWriteFd3, "/dev/fd/3", Who::kAnyone,
       Launch::kFile, 0, kReport + Wrote("/dev/fd/3"), "", "t.cue", kSheet, kCaller, kCaller, 0644},
      {"a descriptor open for writing, not cut", Kind::kWritingFd3, "/proc/self/fd/3", Who::kAnyone,
       Launch::kFile, 0, kReport + Wrote("/proc/self/fd/3"), "", "t.cue", kSheet, kCaller, kCaller,
       0644},
      // Standard error open for reading only is no way to the file; open for writing, the sheet
      // goes through it and the file is cut where the sheet ends.
      {"the file standard error reads", Kind::kReadOnlyStderr, "t.cue", Who::kAnyone, Launch::kFile,
       0, kReport + Wrote("t.cue"), "", "t.cue", kSheet, kCaller, kCaller, 0644},
      {"the file standard error reads and writes, not cut", Kind::kReadWriteStderr, "t.cue",
       Who::kAnyone, Launch::kFile, 0, kReport + Wrote("t.cue"), "", "t.cue", kSheet, kCaller,
       kCaller, 0644},
      // No file the tool opens is taken for the closed standard error, nor written through it.
      {"standard error closed", Kind::kNoStderr, "t.cue", Who::kAnyone, Launch::kFile, 0,
       kReport + Wrote("t.cue"), "", "t.cue", kSheet, kCaller, kCaller, 0644},
      {"/dev/stderr, closed", Kind::kNoStderr, "/dev/stderr", Who::kAnyone, Launch::kFile, 3,
       kReport + Refused("/dev/stderr", "Too many levels of symbolic links"), "", "t.cue", kOld,
       kCaller, kCaller, 0644},
      {"standard output closed", Kind::kNoStdout, "t.cue", Who::kAnyone, Launch::kFile, 3, "",
       "vantorel: cannot write to standard output: Bad file descriptor\n", "t.cue", kOld, kCaller,
       kCaller, 0644},
      {"a write-protected file of one's own", Kind::kReadOnly, "t.cue", Who::kNobody, Launch::kFile,
       3, kReport + Refused("t.cue", "Permission denied"), "", "t.cue", kOld, kNobody, kNogroup,
       0444},
      // Refused for what it is, without being opened: the open would be refused otherwise.
      {"the track list, which one may not write", Kind::kNothing, "tlist.txt", Who::kNobody,
       Launch::kFile, 3, kReport + Refused("tlist.txt", "it is the track list"), "", "tlist.txt",
       "a.wav\n", kCaller, kCaller, 0644},
      {"a write-protected file, for root", Kind::kReadOnly, "t.cue", Who::kRoot, Launch::kFile, 0,
       kReport + Wrote("t.cue"), "", "t.cue", kSheet, kNobody, kNogroup, 0444},
      {"another user's file in a directory anyone may write", Kind::kRootsFile, "t.cue",
       Who::kNobody, Launch::kFile, 3, kReport + Refused("t.cue", "Permission denied"), "", "t.cue",
       kOld, 0, 0, 0644},
      {"another user's file anyone may write", Kind::kRootsOpenFile, "t.cue", Who::kNobody,
       Launch::kFile, 0, kReport + Wrote("t.cue"), "", "t.cue", kSheet, 0, 0, 0666},
      {"a file of one's own in a directory one may not write", Kind::kInLockedDir, "locked/t.cue",
       Who::kNobody, Launch::kFile, 0, kReport + Wrote("locked/t.cue"), "", "locked/t.cue", kSheet,
       kNobody, kNogroup, 0644},
      {"a file with a second name, read by that name", Kind::kHardLinked, "t.cue", Who::kAnyone,
       Launch::kFile, 0, kReport + Wrote("t.cue"), "", "u.cue", kSheet, kCaller, kCaller, 0644},
      {"a file of one's own in a group one is not in", Kind::kForeignGroup, "t.cue", Who::kNobody,
       Launch::kFile, 0, kReport + Wrote("t.cue"), "", "t.cue", kSheet, kNobody, 0, 0664},
      // The kernel clears the set-user-id bit when its owner writes the file, as for any writer.
      {"a set-user-id file of one's own", Kind::kSetUserId, "t.cue", Who::kNobody, Launch::kFile, 0,
       kReport + Wrote("t.cue"), "", "t.cue", kSheet, kNobody, kNogroup, 0640},
      // Where the kernel protects such files, root is refused, as the shell's `cat >` would be.
      {"another user's file in a sticky directory, for root", Kind::kInStickyDir, "sticky/t.cue",
       Who::kRoot, Launch::kFile, 3, kReport + Refused("sticky/t.cue", "Permission denied"), "",
       "sticky/t.cue", kOld, kNobody, kNogroup, 0666},
  };
  bool root = geteuid() == 0;
  bool protected_regular = !Slurp("/proc/sys/fs/protected_regular").starts_with("0");
  std::vector<std::string> skipped;
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.what);
    if (c.who != Who::kAnyone && !root) {
      skipped.push_back(std::string(c.what) + ": only root can make another user's files");
      continue;
    }
    if (c.kind == Kind::kInStickyDir && !protected_regular) {
      skipped.push_back(std::string(c.what) + ": fs.protected_regular is 0 on this machine");
      continue;
    }
    std::string dir = CaseDir("case" + std::to_string(i));
    Launch launch{.dir = dir, .out = c.out, .as_nobody = c.who == Who::kNobody};
    int held = Make(c.kind, dir, c.target, &launch);
    std::string file = dir + "/" + c.file;
    struct stat before = {}, after = {};
    bool existed = stat(file.c_str(), &before) == 0;

    Outcome o = Run({"tlist.txt", c.target}, launch);
    if (held >= 0) close(held);
    if (!o.skipped.empty()) {
      skipped.push_back(std::string(c.what) + ": " + o.skipped);
      continue;
    }
    EXPECT_EQ(o.status, c.status);
    EXPECT_EQ(o.out, c.out_text);
    EXPECT_EQ(o.err, c.err_text);
    if (c.file.empty()) continue;
    ASSERT_EQ(stat(file.c_str(), &after) == 0, c.contents != "") << c.file;
    if (c.contents.empty()) continue;
    EXPECT_EQ(Slurp(file), c.contents);
    EXPECT_EQ(after.st_uid, c.uid == kCaller ? geteuid() : c.uid);
    EXPECT_EQ(after.st_gid, c.gid == kCaller ? getegid() : c.gid);
    EXPECT_EQ(after.st_mode & 07777, static_cast<mode_t>(c.mode));
    // Rewritten, never replaced.
    if (existed) {
      EXPECT_EQ(after.st_ino, before.st_ino);
    }
  }
  // The rows that cannot run here are said, and the test counts as run for the others.
  for (const std::string& s : skipped) std::cout << "SKIP: " << s << "\n";
}

// A run that cannot write keeps the status that says so, whatever else it has to say.
TEST_F(Targets, FailuresKeepTheirStatus) {
  std::string dir = CaseDir("case", "a.wav\nb.Wav\n");
  struct Case {
    std::vector<std::string> args;
    std::string stdout_path;
    std::string out_end, err_has;
  } cases[] = {
      // A warned run, but a failed one first.
      {{"--strict", "tlist.txt", "/dev/full"},
       "",
       Refused("/dev/full", "No space left on device"),
       "vantorel: tlist.txt:2: warning: "},
      // Only the last flush has anything to write.
      {{"--version"},
       "/dev/full",
       "",
       "vantorel: cannot write to standard output: No space left on device\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0]);
    Outcome o = Run(c.args, {.dir = dir, .stdout_path = c.stdout_path});
    EXPECT_EQ(o.status, 3);
    EXPECT_TRUE(o.out.ends_with(c.out_end)) << o.out;
    EXPECT_NE(o.err.find(c.err_has), std::string::npos) << o.err;
  }
}

// Runs stopped at a system call of the writer, for a signal or another program to come in
// there: the sheet is whole or the old one is kept, and a signal ends the tool only then.
TEST_F(Targets, SignalsAndOthersDuringTheWrite) {
  // This list's sheet is longer than the file size limit below and shorter than the old sheet.
  const std::string list = ManySplits(30);
  const std::string old(4000, 'o');
  std::string plain = CaseDir("plain", list);
  ASSERT_EQ(Run({"tlist.txt", "t.cue"}, {.dir = plain}).status, 0);
  const std::string sheet = Slurp(plain + "/t.cue");
  ASSERT_TRUE(sheet.starts_with(kSheet) && sheet.size() > 1000 && sheet.size() < old.size());
  struct Case {
    const char* what;
    long stop_at;
    int sent, ignored;
    bool unlink;  // Instead of a signal, the cue file is removed while the tool waits.
    rlim_t file_limit;
    int status;
    bool old_kept;
    std::string out_end;
    // Or /dev/fd/3, with t.cue open on descriptor 3 for reading and writing.
    std::string target = "t.cue";
    bool fresh = false;  // No old cue file: the run makes it.
  } cases[] = {
      {"SIGTERM at the first write", SYS_write, SIGTERM, 0, false, 0, 128 + SIGTERM, false,
       "\nTotal Time:  0 min : 5 sec\n"},
      {"SIGINT", SYS_write, SIGINT, 0, false, 0, 128 + SIGINT, false,
       "\nTotal Time:  0 min : 5 sec\n"},
      {"SIGHUP", SYS_write, SIGHUP, 0, false, 0, 128 + SIGHUP, false,
       "\nTotal Time:  0 min : 5 sec\n"},
      {"SIGHUP, ignored as under nohup", SYS_write, SIGHUP, SIGHUP, false, 0, 0, false,
       Wrote("t.cue")},
      // A file the run makes is never left empty.
      {"SIGTERM as a new file gets its room", SYS_fallocate, SIGTERM, 0, false, 0, 128 + SIGTERM,
       false, "\nTotal Time:  0 min : 5 sec\n", "t.cue", true},
      // Every signal that ends the tool waits, not only those a terminal sends.
      {"SIGQUIT as a new file gets its room", SYS_fallocate, SIGQUIT, 0, false, 0, 128 + SIGQUIT,
       false, "\nTotal Time:  0 min : 5 sec\n", "t.cue", true},
      {"SIGUSR1 as a new file gets its room", SYS_fallocate, SIGUSR1, 0, false, 0, 128 + SIGUSR1,
       false, "\nTotal Time:  0 min : 5 sec\n", "t.cue", true},
      {"the cue file removed before it is locked", SYS_flock, 0, 0, true, 0, 0, false,
       Wrote("t.cue")},
      {"a sheet over the file size limit", -1, 0, 0, false, 1000, 3, true,
       Refused("t.cue", "File too large")},
      {"a sheet over the file size limit, for a descriptor", -1, 0, 0, false, 1000, 3, true,
       Refused("/dev/fd/3", "File too large"), "/dev/fd/3"},
  };
  std::vector<std::string> skipped;
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.what);
    std::string dir = CaseDir("case" + std::to_string(i), list);
    std::string cue = dir + "/t.cue";
    if (!c.fresh) Put("case" + std::to_string(i) + "/t.cue", old);
    Launch launch{.dir = dir, .file_limit = c.file_limit, .ignored = c.ignored};
    if (c.target == "/dev/fd/3") {
      launch.fd3_path = cue;
      launch.fd3_flags = O_RDWR;
    }
    launch.stop_at = c.stop_at;
    launch.while_stopped = [&](pid_t pid) {
      if (c.sent != 0) kill(pid, c.sent);
      if (c.unlink) unlink(cue.c_str());
    };
    Outcome o = Run({"tlist.txt", c.target}, launch);
    if (!o.skipped.empty()) {
      skipped.push_back(std::string(c.what) + ": " + o.skipped);
      continue;
    }
    EXPECT_EQ(o.status, c.status);
    EXPECT_TRUE(o.out.ends_with(c.out_end)) << o.out;
    EXPECT_EQ(o.err.find("vantorel: cannot"), std::string::npos) << o.err;
    EXPECT_EQ(Slurp(cue), c.old_kept ? old : sheet);
  }
  // Nor is a file made for a sheet over the limit.
  Outcome o = Run({"tlist.txt", "new.cue"}, {.dir = plain, .file_limit = 1000});
  EXPECT_EQ(o.status, 3);
  EXPECT_TRUE(o.out.ends_with(Refused("new.cue", "File too large"))) << o.out;
  EXPECT_NE(access((plain + "/new.cue").c_str(), F_OK), 0);
  for (const std::string& s : skipped) std::cout << "SKIP: " << s << "\n";
}

// A FIFO as the cue file, by its name or through a link: the open waits for a reader, as
// `cat > fifo` waits, and a signal ends the wait as it ends cat's.
TEST_F(Targets, ASignalEndsTheWaitForAFifosReader) {
  for (std::string target : {"t.cue", "link.cue"}) {
    SCOPED_TRACE(target);
    std::string dir = CaseDir("fifo-" + target);
    std::string fifo = dir + "/t.cue";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    ASSERT_EQ(symlink("t.cue", (dir + "/link.cue").c_str()), 0);
    std::thread signaller;
    bool ended = false;
    // Stopped at its first read, of the list, and let go, to be signalled once it waits in the
    // open.
    Launch launch{.dir = dir, .stop_at = SYS_read};
    launch.while_stopped = [&](pid_t pid) {
      signaller = std::thread([&, pid] {
        std::string waiting = "/proc/" + std::to_string(pid) + "/syscall";
        for (int i = 0; i < 500 && !Slurp(waiting).starts_with(std::to_string(SYS_openat) + " ");
             ++i) {
          usleep(10'000);
        }
        kill(pid, SIGTERM);
        usleep(500'000);
        std::string stat = Slurp("/proc/" + std::to_string(pid) + "/stat");
        ended = stat.empty() || stat.find(") Z ") != std::string::npos;
        // A tool still waiting gets its reader, so that the test ends.
        close(open(fifo.c_str(), O_RDONLY | O_NONBLOCK));
      });
    };
    Outcome o = Run({"tlist.txt", target}, launch);
    if (signaller.joinable()) signaller.join();
    if (!o.skipped.empty()) GTEST_SKIP() << o.skipped;
    EXPECT_EQ(o.status, 128 + SIGTERM);
    EXPECT_TRUE(ended);
  }
}

TEST_F(Targets, ConcurrentRunsLeaveOneWholeSheet) {
  std::string dirs[4];
  std::vector<std::string> sheets;
  for (int i = 0; i < 4; ++i) {
    dirs[i] = CaseDir("run" + std::to_string(i), ManySplits(i * 20));
  }
  std::string cue = Path("shared.cue");
  for (int round = 0; round < 5; ++round) {
    SCOPED_TRACE(round);
    if (round % 2 == 0) unlink(cue.c_str());  // Created by the runs in some rounds.
    Outcome outcomes[4];
    std::vector<std::thread> runs;
    for (int i = 0; i < 4; ++i) {
      Launch launch{
          .dir = dirs[i], .stdout_path = dirs[i] + "/out.txt", .stderr_path = dirs[i] + "/err.txt"};
      runs.emplace_back([&, i, launch] { outcomes[i] = Run({"tlist.txt", cue}, launch); });
    }
    for (std::thread& t : runs) t.join();
    for (const Outcome& o : outcomes) EXPECT_EQ(o.status, 0);
    if (sheets.empty()) {
      // Each run alone, for the sheets to compare with.
      for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(Run({"tlist.txt", dirs[i] + "/own.cue"}, {.dir = dirs[i]}).status, 0);
        sheets.push_back(Slurp(dirs[i] + "/own.cue"));
      }
    }
    std::string now = Slurp(cue);
    EXPECT_NE(std::find(sheets.begin(), sheets.end(), now), sheets.end()) << now;
  }
}

// A small file system of its own, filled up; unmounted again when the test ends.
struct SmallFileSystem {
  explicit SmallFileSystem(const std::string& at) : dir(at) {
    mkdir(dir.c_str(), 0755);
    mounted = mount("tmpfs", dir.c_str(), "tmpfs", 0, "size=64k") == 0;
    why = mounted ? "" : std::strerror(errno);
  }
  ~SmallFileSystem() {
    if (mounted) umount2(dir.c_str(), MNT_DETACH);
  }
  // Fills it up, but for pages of free memory pages.
  void Fill(int pages) {
    int fd = open((dir + "/filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::string page(4096, 'f');
    while (write(fd, page.data(), page.size()) == 4096) {
    }
    EXPECT_EQ(ftruncate(fd, lseek(fd, 0, SEEK_CUR) / 4096 * 4096 - pages * 4096), 0);
    close(fd);
  }
  std::string dir, why;
  bool mounted;
};

TEST_F(Targets, FullFileSystem) {
  std::string dir = CaseDir("big", ManySplits(127));
  std::string small_dir = CaseDir("small");
  SmallFileSystem fs(dir + "/fs");
  if (!fs.mounted) GTEST_SKIP() << "cannot mount a small tmpfs here: " << fs.why;
  Put("big/fs/one_page.cue", kOld);
  Put("big/fs/two_pages.cue", std::string(8192, 'o'));
  Put("big/fs/empty.cue", "");
  ASSERT_EQ(symlink("fs/made.cue", (dir + "/dangling.cue").c_str()), 0);
  // A directory where files can be made but not removed.
  std::string append_only = fs.dir + "/append_only";
  ASSERT_EQ(mkdir(append_only.c_str(), 0755), 0);
  int append_only_fd = open(append_only.c_str(), O_RDONLY | O_DIRECTORY);
  int flags = FS_APPEND_FL;
  std::string no_append_only =
      ioctl(append_only_fd, FS_IOC_SETFLAGS, &flags) == 0 ? "" : std::strerror(errno);
  fs.Fill(0);

  const std::string kNoSpace = "No space left on device";
  struct Case {
    std::string target;
    int status;
    std::optional<std::string> contents;  // None for no file at all.
    std::string err;                      // The last line on standard error, if any.
    int signal = 0;                       // Sent as the tool reserves room.
  } cases[] = {
      // The new sheet needs a second page, which the old file does not have.
      {"fs/one_page.cue", 3, kOld, ""},
      {"fs/two_pages.cue", 0, "new", ""},
      {"fs/new.cue", 3, std::nullopt, ""},
      // The run did not make it, so it stays.
      {"fs/empty.cue", 3, "", ""},
      // What the run made through the link goes; the link stays, as the user made it.
      {"dangling.cue", 3, std::nullopt, ""},
      {"fs/append_only/new.cue", 3, "",
       "vantorel: cannot remove \"fs/append_only/new.cue\", which this run made and could not "
       "write: Operation not permitted\n"},
      // The line is said before the signal ends the tool.
      {"fs/append_only/signalled.cue", 128 + SIGTERM, "",
       "vantorel: cannot remove \"fs/append_only/signalled.cue\", which this run made and "
       "could "
       "not write: Operation not permitted\n",
       SIGTERM},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    if (c.target.starts_with("fs/append_only/") && !no_append_only.empty()) {
      std::cout << "SKIP: " << c.target
                << ": no append-only directory on tmpfs here: " << no_append_only << "\n";
      continue;
    }
    Launch launch{.dir = dir};
    if (c.signal != 0) {
      launch.stop_at = SYS_fallocate;
      launch.while_stopped = [&](pid_t pid) { kill(pid, c.signal); };
    }
    Outcome o = Run({"tlist.txt", c.target}, launch);
    if (!o.skipped.empty()) {
      std::cout << "SKIP: " << c.target << ": " << o.skipped << "\n";
      continue;
    }
    EXPECT_EQ(o.status, c.status);
    EXPECT_TRUE(o.out.ends_with(c.status == 0 ? Wrote(c.target) : Refused(c.target, kNoSpace)))
        << o.out;
    // The list's warnings come first.
    EXPECT_TRUE(o.err.ends_with(c.err)) << o.err;
    EXPECT_EQ(o.err.find("cannot remove") != std::string::npos, !c.err.empty());
    std::string now = Slurp(dir + "/" + c.target);
    if (c.contents == "new") {
      EXPECT_TRUE(now.starts_with(kSheet) && now.size() > 4096) << now;
    } else {
      EXPECT_EQ(now, c.contents.value_or(""));
    }
    EXPECT_EQ(access((dir + "/" + c.target).c_str(), F_OK) == 0, c.contents.has_value());
  }
  struct stat link;
  EXPECT_EQ(lstat((dir + "/dangling.cue").c_str(), &link), 0);
  flags = 0;
  ioctl(append_only_fd, FS_IOC_SETFLAGS, &flags);
  close(append_only_fd);

  // A run that needs two pages creates the file and stops before its lock; one that needs one
  // page writes it meanwhile and takes the last page. The first then fails, and leaves the
  // second's sheet.
  fs.Fill(1);
  std::string shared = fs.dir + "/shared.cue";
  Outcome beside;
  Launch launch{.dir = dir, .stop_at = SYS_flock};
  launch.while_stopped = [&](pid_t) {
    beside = Run({"tlist.txt", shared}, {.dir = small_dir,
                                         .stdout_path = small_dir + "/out.txt",
                                         .stderr_path = small_dir + "/err.txt"});
  };
  Outcome o = Run({"tlist.txt", shared}, launch);
  if (!o.skipped.empty()) GTEST_SKIP() << o.skipped;
  EXPECT_EQ(o.status, 3);
  EXPECT_EQ(beside.status, 0);
  EXPECT_EQ(Slurp(shared), kSheet);
}

// A run takes few descriptors at once, however many files it reads and links it follows: 20
// WAV files, and a cue file reached through links in 16 directories, with 16 descriptors.
TEST_F(Targets, SixteenDescriptorsAreEnough) {
  std::string list;
  for (int i = 0; i < 20; ++i) {
    std::string wav = std::to_string(i) + ".wav";
    list += wav + "\n";
  }
  std::string dir = CaseDir("many", list);
  for (int i = 0; i < 20; ++i) PutWav("many/" + std::to_string(i) + ".wav", 44100);
  for (int i = 0; i < 16; ++i) {
    std::string link_dir = dir + "/d" + std::to_string(i);
    ASSERT_EQ(mkdir(link_dir.c_str(), 0755), 0);
    std::string next = i < 15 ? "../d" + std::to_string(i + 1) + "/t.cue" : "../made.cue";
    ASSERT_EQ(symlink(next.c_str(), (link_dir + "/t.cue").c_str()), 0);
  }
  struct rlimit limit, few;
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
  few = {16, limit.rlim_max};
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &few), 0);
  Outcome o = Run({"tlist.txt", "d0/t.cue"}, {.dir = dir});
  setrlimit(RLIMIT_NOFILE, &limit);
  EXPECT_EQ(o.status, 0) << o.out << o.err;
  std::string sheet = Slurp(dir + "/made.cue");
  EXPECT_TRUE(sheet.starts_with(OneFileCue("0.wav")) && sheet.ends_with("INDEX 01 00:00:00\n") &&
              sheet.find("FILE \"19.wav\"") != std::string::npos)
      << sheet;
}

}  // namespace
