// The platform on POSIX systems: libraries are shared objects beside the
// executable, errors go to standard error.
#include <dlfcn.h>
#include <errno.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <initializer_list>

#include "platform/Platform.h"

namespace Platform {

namespace {

// The path of the library file last named. Static, so that a message can
// name it after the call that made it.
char path[PATH_MAX];

// Writes the path of the file that stands for the library `name` into
// `path`. Null when done; otherwise why it cannot be.
const char* NamePath(const char* name) noexcept {
  // One exact path, "<folder of the executable>/lib<name>.so": no search, no
  // environment, so the library that runs is the one shipped beside it.
  ssize_t length = readlink("/proc/self/exe", path, sizeof path);
  if (length <= 0) return "the program's own folder cannot be found";
  if (static_cast<std::size_t>(length) == sizeof path) return "its path is too long";
  char* end = path + length;
  while (end > path && end[-1] != '/') --end;
  const char* last = path + sizeof path - 1;
  for (const char* piece : {"lib", name, ".so"}) {
    for (; *piece != '\0'; ++piece) {
      if (end == last) return "its path is too long";
      *end++ = *piece;
    }
  }
  *end = '\0';
  return nullptr;
}

}  // namespace

const char* LibraryFile(const char* name) noexcept { return NamePath(name) == nullptr ? path : name; }

void* OpenLibrary(const char* name, const char** reason) noexcept {
  *reason = NamePath(name);
  if (*reason != nullptr) return nullptr;
  // Only a regular file: opening a FIFO or a device could wait for ever.
  struct stat status;
  if (stat(path, &status) != 0) {
    *reason = std::strerror(errno);
    return nullptr;
  }
  if (!S_ISREG(status.st_mode)) {
    *reason = "not a regular file";
    return nullptr;
  }
  void* library = dlopen(path, RTLD_LAZY | RTLD_LOCAL);
  if (library == nullptr) {
    // The loader's own words, which begin with the path already named.
    const char* why = dlerror();
    std::size_t named = std::strlen(path);
    if (why == nullptr) why = "not a library";
    if (std::strncmp(why, path, named) == 0 && std::strncmp(why + named, ": ", 2) == 0) why += named + 2;
    *reason = why;
  }
  return library;
}

void* FindEntryPoint(void* library, const char* name) noexcept { return dlsym(library, name); }

void ReportError(const char* message) noexcept {
  // The process ends after this; a report into a closed pipe or a full file
  // must not end it by a signal instead of its exit status.
  signal(SIGPIPE, SIG_IGN);
  signal(SIGXFSZ, SIG_IGN);
  const char prefix[] = "Kestrune: ";
  iovec parts[] = {
      {const_cast<char*>(prefix), sizeof prefix - 1},
      {const_cast<char*>(message), std::strlen(message)},
      {const_cast<char*>("\n"), 1},
  };
  // Nothing is left to do if even this fails.
  [[maybe_unused]] ssize_t written = writev(STDERR_FILENO, parts, 3);
}

}  // namespace Platform
