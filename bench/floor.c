/* The floor for vantorel's benchmark: the work the job cannot do without, done as plainly as C
 * allows. It reads the list named by argv[1] in one call and takes every line of it as vantorel
 * does (CR, LF and CR LF ends, blank lines skipped, a byte order mark and everything from a NUL
 * on dropped). Each WAV line's file is opened and its size taken with fstat, which a length true
 * to the audio a file holds cannot do without; its first 15,024 bytes, or all of it when it is
 * shorter, are read and it is closed; a line per file is printed; and the cue text vantorel
 * would write is written to argv[2] as vantorel writes it, rewriting the file in place: one open,
 * one write, an ftruncate to the text's length and one close. It computes no lengths and checks
 * nothing, so it is the least any tool doing this job can cost. */
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#define MAX_LIST (1 << 20)

static char list[MAX_LIST + 1];
static unsigned char head[15024];
static char cue[1 << 16];
static size_t cue_len;

/* Appends the pieces to the cue text, ending the program when they do not fit. */
static void append(const char* a, const char* b, const char* c) {
  const char* pieces[3] = {a, b, c};
  for (int i = 0; i < 3; ++i) {
    size_t len = strlen(pieces[i]);
    if (len >= sizeof cue - cue_len) {
      fprintf(stderr, "floor: the cue text does not fit in %zu bytes\n", sizeof cue);
      _exit(4);
    }
    memcpy(cue + cue_len, pieces[i], len);
    cue_len += len;
  }
}

/* A track number with at least two digits, as %.2d writes it. */
static const char* two_digits(int n, char* buffer) {
  char* p = buffer + 15;
  *p = '\0';
  do {
    *--p = (char)('0' + n % 10);
    n /= 10;
  } while (n > 0);
  if (p == buffer + 14) *--p = '0';
  return p;
}

static const char* time_text(const char* line, size_t len) {
  return len > 2 ? line + 2 : "";
}

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  int fd = open(argv[1], O_RDONLY);
  if (fd < 0) return 1;
  ssize_t n = read(fd, list, sizeof list);
  close(fd);
  if (n < 0 || n > MAX_LIST) return 1;
  list[n] = '\0';

  char* p = list;
  if (strncmp(p, "\xEF\xBB\xBF", 3) == 0) p += 3;
  int lines = 0;
  int files = 0;
  int tracks = 0;
  /* The index of the track opened by the line before, written once a pregap line has had its
   * chance to come first. */
  const char* index = NULL;
  for (;;) {
    p += strspn(p, "\r\n");
    if (*p == '\0') break;
    char* line = p;
    size_t len = strcspn(p, "\r\n");
    p += len;
    if (*p != '\0') *p++ = '\0';
    int wav = lines++ == 0 || strstr(line, ".wav") != NULL || strstr(line, ".WAV") != NULL;

    if (index != NULL) {
      if (!wav && line[0] == 'P') {
        append("    PREGAP ", time_text(line, len), "\n");
        append("    INDEX 01 ", index, "\n");
        index = NULL;
        continue;
      }
      append("    INDEX 01 ", index, "\n");
      index = NULL;
    }
    char number[16];
    if (wav) {
      int in = open(line, O_RDONLY);
      struct stat st;
      if (in < 0 || fstat(in, &st) != 0) return 2;
      size_t want = sizeof head;
      if (S_ISREG(st.st_mode) && (off_t)want > st.st_size) want = (size_t)st.st_size;
      ssize_t got = read(in, head, want);
      close(in);
      printf("%d\t%s\t\t%zd\n", ++files, line, got);
      append("FILE \"", line, "\" WAVE\n");
      append("  TRACK ", two_digits(++tracks, number), " AUDIO\n");
      index = "00:00:00";
    } else if (line[0] == 'S') {
      append("  TRACK ", two_digits(++tracks, number), " AUDIO\n");
      index = time_text(line, len);
    }
  }
  if (index != NULL) append("    INDEX 01 ", index, "\n");

  int out = open(argv[2], O_WRONLY | O_CREAT, 0666);
  if (out < 0 || write(out, cue, cue_len) != (ssize_t)cue_len ||
      ftruncate(out, (off_t)cue_len) != 0 || close(out) != 0) {
    return 3;
  }
  printf("\nWrote cue file called %s\n", argv[2]);
  return fflush(stdout) == 0 ? 0 : 3;
}
