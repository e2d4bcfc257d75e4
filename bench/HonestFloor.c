// The least C program that does the work every run of Kestrune must do: it
// loads the Kernel32 library beside it by its exact path and binds each entry
// point by name at its first call, fetches the console handle before every
// write and every read, copies the three values through RtlMoveMemory, fills
// the 1,001-element array with every store and both additions checked,
// builds its lines as UTF-16 and converts them at the write, and reads one
// character at a time, the previous one in the buffer and the count zeroed,
// until a carriage return. It loads the library only if it is a regular file,
// since opening a FIFO could wait for ever. A yardstick for Kestrune, not
// part of it.
#include <dlfcn.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

typedef int32_t (*Console)(void);
typedef void* (*Handle)(uint32_t);
typedef int32_t (*Transfer)(void*, void*, uint32_t, uint32_t*, void*);
typedef void (*Move)(void*, const void*, size_t);

enum { AllocConsole, FreeConsole, GetStdHandle, WriteConsoleA, ReadConsoleA, RtlMoveMemory };
static const char* const names[] = {"AllocConsole",  "FreeConsole",  "GetStdHandle",
                                    "WriteConsoleA", "ReadConsoleA", "RtlMoveMemory"};
static void* entries[6];
static void* library;

static void Fail(void) { _exit(1); }

static void* Bind(int entry) {
  if (entries[entry] != NULL) return entries[entry];
  if (library == NULL) {
    char path[4096];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - sizeof "libKernel32.so");
    if (length <= 0) Fail();
    while (length > 0 && path[length - 1] != '/') --length;
    memcpy(path + length, "libKernel32.so", sizeof "libKernel32.so");
    struct stat status;
    if (stat(path, &status) != 0 || !S_ISREG(status.st_mode)) Fail();
    library = dlopen(path, RTLD_LAZY | RTLD_LOCAL);
    if (library == NULL) Fail();
  }
  entries[entry] = dlsym(library, names[entry]);
  if (entries[entry] == NULL) Fail();
  return entries[entry];
}

static int16_t Add(int16_t left, int16_t right) {
  int16_t sum;
  if (__builtin_add_overflow(left, right, &sum)) Fail();
  return sum;
}

static size_t Text(uint16_t* line, size_t at, const char* text) {
  while (*text != '\0') line[at++] = (uint16_t)*text++;
  return at;
}

static size_t Decimal(uint16_t* line, size_t at, int16_t number) {
  uint16_t reversed[6];
  size_t count = 0;
  do reversed[count++] = (uint16_t)('0' + number % 10);
  while ((number /= 10) != 0);
  while (count > 0) line[at++] = reversed[--count];
  return at;
}

static void WriteLine(const uint16_t* line, size_t length) {
  void* console = ((Handle)Bind(GetStdHandle))((uint32_t)-11);
  char bytes[32];
  for (size_t at = 0; at < length; ++at) bytes[at] = line[at] < 0x100 ? (char)line[at] : '?';
  uint32_t written = 0;
  ((Transfer)Bind(WriteConsoleA))(console, bytes, (uint32_t)length, &written, NULL);
}

static void WriteBoth(int16_t a, int16_t b) {
  uint16_t line[32];
  size_t length = Text(line, 0, "a: ");
  length = Decimal(line, length, a);
  length = Text(line, length, ", b: ");
  length = Decimal(line, length, b);
  WriteLine(line, Text(line, length, "\r\n"));
}

int main(void) {
  int16_t a = 0, b = 0;
  ((Console)Bind(AllocConsole))();
  a = 45;
  ((Move)Bind(RtlMoveMemory))(&b, &a, 2);
  WriteBoth(a, b);
  b = 90;
  ((Move)Bind(RtlMoveMemory))(&a, &b, 2);
  WriteBoth(a, b);

  int16_t* values = calloc(1001, sizeof *values);
  if (values == NULL) Fail();
  for (int16_t i = 0; i <= 999; i = Add(i, 1)) {
    if ((uint32_t)(i - 0) >= 1001) Fail();
    values[i] = Add(i, 1234);
  }
  ((Move)Bind(RtlMoveMemory))(&b, &values[0], 2);
  uint16_t line[32];
  size_t length = Decimal(line, Text(line, 0, "b: "), b);
  WriteLine(line, Text(line, length, "\r\n"));
  free(values);

  char key = 0;
  for (;;) {
    void* console = ((Handle)Bind(GetStdHandle))((uint32_t)-10);
    uint32_t read = 0;
    if (!((Transfer)Bind(ReadConsoleA))(console, &key, 1, &read, NULL) || key == '\r') break;
  }
  ((Console)Bind(FreeConsole))();
  return 0;
}
