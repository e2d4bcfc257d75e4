// libKernel32.so: the six Kernel32 entry points the program uses, for POSIX
// systems. The process's standard input and output serve as its console.
#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>
#include <type_traits>

#include "platform/Kernel32.h"

using Kernel32::BOOL;
using Kernel32::DWORD;
using Kernel32::HANDLE;
using Kernel32::SIZE_T;

#define EXPORT extern "C" __attribute__((visibility("default")))

EXPORT BOOL AllocConsole();
EXPORT BOOL FreeConsole();
EXPORT HANDLE GetStdHandle(DWORD selector);
EXPORT BOOL WriteConsoleA(HANDLE console, const void* text, DWORD length, DWORD* written, void* reserved);
EXPORT BOOL ReadConsoleA(HANDLE console, void* buffer, DWORD length, DWORD* read, void* control);
EXPORT void RtlMoveMemory(void* destination, const void* source, SIZE_T count);

// What the program calls through must be exactly what is defined here.
static_assert(std::is_same_v<decltype(&AllocConsole), decltype(Kernel32::AllocConsole)::Function>);
static_assert(std::is_same_v<decltype(&FreeConsole), decltype(Kernel32::FreeConsole)::Function>);
static_assert(std::is_same_v<decltype(&GetStdHandle), decltype(Kernel32::GetStdHandle)::Function>);
static_assert(std::is_same_v<decltype(&WriteConsoleA), decltype(Kernel32::WriteConsoleA)::Function>);
static_assert(std::is_same_v<decltype(&ReadConsoleA), decltype(Kernel32::ReadConsoleA)::Function>);
static_assert(std::is_same_v<decltype(&RtlMoveMemory), decltype(Kernel32::RtlMoveMemory)::Function>);

namespace {

struct Stream {
  int descriptor;
};

bool consoleAllocated = false;
const Stream output{STDOUT_FILENO};
const Stream input{STDIN_FILENO};
// What GetStdHandle gives when it has nothing: every call on it fails.
HANDLE const invalidHandle = reinterpret_cast<HANDLE>(-1);  // NOLINT(performance-no-int-to-ptr): Windows' own value

// A line feed that came alone was delivered as a carriage return; the line
// feed itself is still to be delivered.
bool lineFeedPending = false;
bool afterCarriageReturn = false;

bool IsConsole(HANDLE handle, const Stream& stream) { return consoleAllocated && handle == &stream; }

// What SIGPIPE and SIGXFSZ did before the console was allocated. While it
// is, a write to a closed pipe or past the file-size limit is a failed write,
// as on Windows, not the end of the process.
struct sigaction pipeBeforeConsole, fileSizeBeforeConsole;

// Waits until `descriptor` is ready for `events`; false when it cannot wait
// at all. An interruption counts as ready: the caller tries again.
bool AwaitReady(int descriptor, short events, short* happened = nullptr) {
  pollfd ready{descriptor, events, 0};
  int count = poll(&ready, 1, -1);
  if (happened != nullptr) *happened = count > 0 ? ready.revents : short{0};
  return count >= 0 || errno == EINTR;
}

// Write every byte, retrying short and interrupted writes.
bool WriteAll(int descriptor, const char* bytes, size_t length, DWORD* written) {
  while (length > 0) {
    ssize_t count = write(descriptor, bytes, length);
    if (count > 0) {
      bytes += count;
      length -= static_cast<size_t>(count);
      if (written != nullptr) *written += static_cast<DWORD>(count);
    } else if (count < 0 && errno == EINTR) {
      continue;
    } else if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (!AwaitReady(descriptor, POLLOUT)) return false;
    } else {
      return false;
    }
  }
  return true;
}

// A terminal that is not reading whole lines (VMIN 0) answers a read with
// nothing when nothing has been typed: that is no end of input.
bool ReturnsNothingWhileWaiting(int descriptor) {
  termios settings;
  return tcgetattr(descriptor, &settings) == 0 && (settings.c_lflag & ICANON) == 0;
}

enum class Arrival { Character, Nothing, Ended };

// After a read that brought no byte: waits for input on a descriptor that
// does not wait by itself, and tells an interruption from the end.
[[gnu::noinline]] Arrival AfterEmptyRead(int descriptor, char* byte, ssize_t count) {
  for (;;) {
    if (count == 1) return Arrival::Character;
    if (count < 0 && errno == EINTR) return Arrival::Nothing;
    bool nothingYet = count < 0 ? errno == EAGAIN || errno == EWOULDBLOCK : ReturnsNothingWhileWaiting(descriptor);
    if (!nothingYet) return Arrival::Ended;
    short happened = 0;
    if (!AwaitReady(descriptor, POLLIN, &happened)) return Arrival::Ended;
    if (happened == 0) return Arrival::Nothing;  // interrupted
    // A descriptor in error, or a terminal hung up, has nothing more to give.
    if ((happened & POLLIN) == 0 || (count == 0 && (happened & POLLHUP) != 0)) return Arrival::Ended;
    count = read(descriptor, byte, 1);
  }
}

// One byte of input and no more, so that the rest stays for the next reader.
Arrival ReadByte(int descriptor, char* byte) {
  ssize_t count = read(descriptor, byte, 1);
  if (count == 1) [[likely]]
    return Arrival::Character;
  return AfterEmptyRead(descriptor, byte, count);
}

}  // namespace

BOOL AllocConsole() {
  if (consoleAllocated) return 0;
  struct sigaction ignore = {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignore, &pipeBeforeConsole);
  sigaction(SIGXFSZ, &ignore, &fileSizeBeforeConsole);
  consoleAllocated = true;
  return 1;
}

BOOL FreeConsole() {
  if (!consoleAllocated) return 0;
  sigaction(SIGPIPE, &pipeBeforeConsole, nullptr);
  sigaction(SIGXFSZ, &fileSizeBeforeConsole, nullptr);
  consoleAllocated = false;
  lineFeedPending = false;
  afterCarriageReturn = false;
  return 1;
}

HANDLE GetStdHandle(DWORD selector) {
  if (!consoleAllocated) return invalidHandle;
  if (selector == Kernel32::STD_INPUT_HANDLE) return const_cast<Stream*>(&input);
  if (selector == Kernel32::STD_OUTPUT_HANDLE) return const_cast<Stream*>(&output);
  return invalidHandle;
}

BOOL WriteConsoleA(HANDLE console, const void* text, DWORD length, DWORD* written, void*) {
  if (written != nullptr) *written = 0;
  if (!IsConsole(console, output)) return 0;
  return WriteAll(output.descriptor, static_cast<const char*>(text), length, written) ? 1 : 0;
}

// Delivers one character, as a console does when Enter is a carriage return:
// a line feed not after a carriage return arrives as "\r" then "\n".
BOOL ReadConsoleA(HANDLE console, void* buffer, DWORD length, DWORD* read, void*) {
  if (read != nullptr) *read = 0;
  if (!IsConsole(console, input)) return 0;
  if (length == 0) return 1;
  char* characters = static_cast<char*>(buffer);
  DWORD delivered = 0;

  if (lineFeedPending) {
    lineFeedPending = false;
    characters[delivered++] = '\n';
  } else {
    // Straight into the caller's buffer: a read that brings nothing leaves it as it was.
    switch (ReadByte(input.descriptor, characters)) {
      case Arrival::Ended:
        return 0;
      case Arrival::Nothing:
        return 1;
      case Arrival::Character:
        break;
    }
    char byte = characters[delivered++];
    if (byte == '\n' && !afterCarriageReturn) {
      characters[0] = '\r';
      if (delivered < length)
        characters[delivered++] = '\n';
      else
        lineFeedPending = true;
    }
    afterCarriageReturn = byte == '\r';
  }

  if (read != nullptr) *read = delivered;
  return 1;
}

void RtlMoveMemory(void* destination, const void* source, SIZE_T count) { std::memmove(destination, source, count); }
