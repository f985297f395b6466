// The hostile trials' second process: it runs a command, a fix script, and plants something in
// the working directory, or interrupts the command, at the moment the script's own directory
// shows it to be most harmful.
//   planter WHEN ACTION [NAME [TARGET]] -- COMMAND...
// WHEN is own (the script's own directory is made), made:FILE (FILE is made in it) or
// closed:FILE (FILE is closed there after a write), each followed by @MICROSECONDS to wait that
// long first. ACTION is link NAME TARGET (a symbolic link to TARGET), file NAME, fifo NAME or
// dir NAME, each planted where nothing has the name; swap NAME TARGET (a symbolic link to TARGET
// takes the name NAME from whatever has it); or int, term or hup (SIGINT, SIGTERM or SIGHUP to the
// command's process group, as Ctrl-C, kill and a closed terminal send them). The command runs in a
// process group of its own with the signals it may be sent at their defaults. planter prints
// "acted" or "missed", and "hung" where the command took longer than 20 seconds, and ends with the
// command's status, or 128 and the number of the signal that ended it.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr char kOwnPrefix[] = ".vantorel-";

int Usage() {
  std::fprintf(stderr,
               "usage: planter own|made:FILE|closed:FILE[@USEC] "
               "link|swap NAME TARGET|file|fifo|dir NAME|int|term|hup -- COMMAND...\n");
  return 2;
}

// Does the action; returns whether it could. A name is planted only where nothing has it, but
// for a swap, which takes the name from whatever has it at once, by a rename.
bool Act(const std::string& action, const char* name, const char* target, pid_t group) {
  if (action == "int" || action == "term" || action == "hup") {
    return kill(-group, action == "int" ? SIGINT : action == "term" ? SIGTERM : SIGHUP) == 0;
  }
  if (action == "fifo") return mkfifo(name, 0644) == 0;
  if (action == "dir") return mkdir(name, 0755) == 0;
  if (action == "link") return symlink(target, name) == 0;
  if (action == "swap") {
    std::string spare = std::string(name) + ".planted";
    return symlink(target, spare.c_str()) == 0 && rename(spare.c_str(), name) == 0;
  }
  int fd = open(name, O_WRONLY | O_CREAT | O_EXCL, 0644);
  if (fd < 0) return false;
  bool written = write(fd, "planted\n", 8) == 8;
  return close(fd) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
  int dash = 1;
  while (dash < argc && std::strcmp(argv[dash], "--") != 0) ++dash;
  if (dash < 3 || dash + 1 >= argc) return Usage();
  std::string when = argv[1];
  long delay = 0;
  if (size_t at = when.find('@'); at != when.npos) {
    delay = std::strtol(when.c_str() + at + 1, nullptr, 10);
    when.resize(at);
  }
  uint32_t event = 0;
  std::string file;
  if (when.rfind("made:", 0) == 0) {
    event = IN_CREATE;
    file = when.substr(5);
  } else if (when.rfind("closed:", 0) == 0) {
    event = IN_CLOSE_WRITE;
    file = when.substr(7);
  } else if (when != "own") {
    return Usage();
  }
  const std::string action = argv[2];
  const char* name = dash > 3 ? argv[3] : "";
  const char* target = dash > 4 ? argv[4] : "";

  int watch = inotify_init1(IN_CLOEXEC);
  if (watch < 0 || inotify_add_watch(watch, ".", IN_CREATE | IN_ONLYDIR) < 0) {
    std::perror("planter: inotify");
    return 2;
  }
  pid_t child = fork();
  if (child < 0) return 2;
  if (child == 0) {
    setpgid(0, 0);
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) signal(sig, SIG_DFL);
    execvp(argv[dash + 1], argv + dash + 1);
    _exit(127);
  }
  setpgid(child, child);

  bool acted = false;
  bool due = false;  // The moment has come; the action waits out the delay.
  int own_watch = -1;
  int status = 0;
  long waited_ms = 0;
  for (;;) {
    if (due && !acted) {
      if (delay > 0) usleep(static_cast<useconds_t>(delay));
      acted = Act(action, name, target, child);
      due = false;
    }
    pid_t done = waitpid(child, &status, WNOHANG);
    if (done == child) break;
    pollfd p = {watch, POLLIN, 0};
    int ready = poll(&p, 1, 5);
    waited_ms += 5;
    if (waited_ms > 20000) {
      kill(-child, SIGKILL);
      waitpid(child, &status, 0);
      std::puts("hung");
      return 124;
    }
    if (ready <= 0) continue;
    alignas(inotify_event) char buffer[4096];
    ssize_t n = read(watch, buffer, sizeof buffer);
    for (ssize_t at = 0; at < n;) {
      const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
      at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
      const char* entry = e->len > 0 ? e->name : "";
      if (own_watch < 0 && (e->mask & IN_ISDIR) != 0 &&
          std::strncmp(entry, kOwnPrefix, sizeof kOwnPrefix - 1) == 0) {
        own_watch = inotify_add_watch(watch, entry, IN_CREATE | IN_CLOSE_WRITE);
        if (event == 0) due = true;
      } else if (e->wd == own_watch && (e->mask & event) != 0 && file == entry) {
        due = true;
      }
    }
  }
  std::puts(acted ? "acted" : "missed");
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return WEXITSTATUS(status);
}
