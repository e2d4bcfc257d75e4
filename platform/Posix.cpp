// The platform on POSIX systems: libraries are shared objects beside the
// executable, errors go to standard error.
#include <dlfcn.h>
#include <sys/uio.h>
#include <unistd.h>

#include <climits>
#include <cstring>

#include "platform/Platform.h"

namespace Platform {

void* OpenLibrary(const char* name) noexcept {
  // One exact path, "<folder of the executable>/lib<name>.so": no search, no
  // environment, so the library that runs is the one shipped beside it.
  char path[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", path, sizeof path);
  if (length <= 0 || length == static_cast<ssize_t>(sizeof path)) return nullptr;
  size_t folder = static_cast<size_t>(length);
  while (folder > 0 && path[folder - 1] != '/') --folder;
  const char prefix[] = "lib", suffix[] = ".so";
  size_t nameLength = std::strlen(name);
  if (folder + sizeof prefix - 1 + nameLength + sizeof suffix > sizeof path) return nullptr;
  char* end = path + folder;
  std::memcpy(end, prefix, sizeof prefix - 1);
  std::memcpy(end += sizeof prefix - 1, name, nameLength);
  std::memcpy(end + nameLength, suffix, sizeof suffix);
  return dlopen(path, RTLD_NOW | RTLD_LOCAL);
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
