#include "platform/EntryPoint.h"

#include "platform/Platform.h"

BindError::BindError(const char* entry, const char* file, const char* reason) noexcept {
  const char* cannotLoad[] = {"cannot load ", file, ": ", reason, ""};
  const char* cannotBind[] = {"cannot bind ", entry, ": ", file, " has no entry point of that name"};
  // Joined by hand: a formatting library would be the largest thing in the program.
  char* end = message_;
  char* last = message_ + sizeof message_ - 1;
  for (const char* piece : reason != nullptr ? cannotLoad : cannotBind)
    for (; *piece != '\0' && end < last; ++piece) *end++ = *piece;
  *end = '\0';
}

void* Library::Find(const char* entry) {
  if (handle_ == nullptr) {
    const char* reason = "";
    handle_ = Platform::OpenLibrary(name_, &reason);
    if (handle_ == nullptr) throw BindError(nullptr, Platform::LibraryFile(name_), reason);
  }
  void* address = Platform::FindEntryPoint(handle_, entry);
  if (address == nullptr) throw BindError(entry, Platform::LibraryFile(name_), nullptr);
  return address;
}
