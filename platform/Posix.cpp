// The platform on POSIX systems: libraries are shared objects beside the
// executable, errors go to standard error.
#include <dlfcn.h>
#include <sys/uio.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <initializer_list>

#include "platform/Platform.h"

namespace Platform {

void* OpenLibrary(const char* name) noexcept {
  // One exact path, "<folder of the executable>/lib<name>.so": no search, no
  // environment, so the library that runs is the one shipped beside it.
  char path[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", path, sizeof path);
  if (length <= 0 || length == static_cast<ssize_t>(sizeof path)) return nullptr;
  char* end = path + length;
  while (end > path && end[-1] != '/') --end;
  const char* last = path + sizeof path - 1;
  for (const char* piece : {"lib", name, ".so"}) {
    for (; *piece != '\0'; ++piece) {
      if (end == last) return nullptr;
      *end++ = *piece;
    }
  }
  *end = '\0';
  return dlopen(path, RTLD_LAZY | RTLD_LOCAL);
}

void* FindEntryPoint(void* library, const char* name) noexcept { return dlsym(library, name); }

void ReportError(const char* message) noexcept {
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
