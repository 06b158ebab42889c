#include "standard_streams.h"

#include <fcntl.h>
#include <unistd.h>

void holdStandardStreams() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (fcntl(fd, F_GETFD) != -1) continue;
    // open() returns the lowest free number: this one, as the ones below it are taken.
    const int held = open("/dev/null", (fd == STDIN_FILENO ? O_WRONLY : O_RDONLY));
    if (held >= 0 && held != fd) {
      dup2(held, fd);
      close(held);
    }
  }
}
