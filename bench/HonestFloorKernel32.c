// The honest floor's Kernel32: the six entry points with the least bodies
// that do the job. SIGPIPE and SIGXFSZ are ignored while the console is
// allocated, so that output nobody can take is lost rather than fatal, and a
// lone line feed is Enter.
#include <signal.h>
#include <stdint.h>
#include <string.h>
#include <unistd.h>

#define EXPORT __attribute__((visibility("default")))

static struct sigaction pipeBefore, sizeBefore;
static int input = 0, output = 1;

EXPORT int32_t AllocConsole(void) {
  struct sigaction ignore = {0};
  ignore.sa_handler = SIG_IGN;
  return sigaction(SIGPIPE, &ignore, &pipeBefore) == 0 && sigaction(SIGXFSZ, &ignore, &sizeBefore) == 0;
}

EXPORT int32_t FreeConsole(void) {
  return sigaction(SIGPIPE, &pipeBefore, NULL) == 0 && sigaction(SIGXFSZ, &sizeBefore, NULL) == 0;
}

EXPORT void* GetStdHandle(uint32_t selector) {
  return selector == (uint32_t)-10 ? &input : selector == (uint32_t)-11 ? &output : (void*)-1;
}

EXPORT int32_t WriteConsoleA(void* console, const void* text, uint32_t length, uint32_t* written, void* reserved) {
  (void)reserved;
  ssize_t count = write(*(int*)console, text, length);
  *written = count > 0 ? (uint32_t)count : 0;
  return count == (ssize_t)length;
}

EXPORT int32_t ReadConsoleA(void* console, void* buffer, uint32_t length, uint32_t* read_, void* control) {
  (void)length, (void)control;
  if (read(*(int*)console, buffer, 1) != 1) return 0;
  if (*(char*)buffer == '\n') *(char*)buffer = '\r';
  *read_ = 1;
  return 1;
}

EXPORT void RtlMoveMemory(void* destination, const void* source, size_t count) { memmove(destination, source, count); }
