/* The floor for vantorel's benchmark: only the I/O the job needs and nothing else. It reads the
 * list named by argv[1], opens every line as a file, reads its first 15,024 bytes, closes it,
 * prints one line per file, and writes a cue text to a temporary file renamed to argv[2]. */
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static char list[1 << 20 | 1];
static unsigned char head[15024];

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  int fd = open(argv[1], O_RDONLY);
  if (fd < 0) return 1;
  ssize_t n = read(fd, list, sizeof list - 1);
  close(fd);
  if (n < 0) return 1;
  list[n] = '\0';

  static char cue[1 << 16];
  size_t cue_len = 0;
  int files = 0;
  for (char* line = strtok(list, "\r\n"); line != NULL && files < 128;
       line = strtok(NULL, "\r\n")) {
    if (strstr(line, ".wav") == NULL) continue;
    int wav = open(line, O_RDONLY);
    if (wav < 0) return 2;
    ssize_t got = read(wav, head, sizeof head);
    close(wav);
    printf("%d\t%s\t\t%zd\n", ++files, line, got);
    /* snprintf returns the length it wanted, which can be more than the room left: a cue text
     * that would not fit is an error, and cue_len never moves past the end of the buffer. */
    int len =
        snprintf(cue + cue_len, sizeof cue - cue_len,
                 "FILE \"%s\" WAVE\n  TRACK %.2d AUDIO\n    INDEX 01 00:00:00\n", line, files);
    if (len < 0 || (size_t)len >= sizeof cue - cue_len) {
      fprintf(stderr, "floor: the cue text does not fit in %zu bytes\n", sizeof cue);
      return 4;
    }
    cue_len += (size_t)len;
  }

  char temp[4096];
  snprintf(temp, sizeof temp, "%s.tmp", argv[2]);
  int out = open(temp, O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (out < 0 || write(out, cue, cue_len) != (ssize_t)cue_len || close(out) != 0) return 3;
  if (rename(temp, argv[2]) != 0) return 3;
  printf("\nWrote cue file called %s\n", argv[2]);
  return fflush(stdout) == 0 ? 0 : 3;
}
