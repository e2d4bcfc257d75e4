#include "platform/EntryPoint.h"

#include "platform/Platform.h"

BindError::BindError(const char* library, const char* entry, bool libraryLoaded) noexcept {
  // Joined by hand: a formatting library would be the largest thing in the program.
  const char* pieces[] = {"cannot bind ", entry, ": the library ", library,
                          libraryLoaded ? " has no entry point of that name" : " cannot be loaded"};
  char* end = message_;
  char* last = message_ + sizeof message_ - 1;
  for (const char* piece : pieces)
    for (; *piece != '\0' && end < last; ++piece) *end++ = *piece;
  *end = '\0';
}

void* Library::Find(const char* entry) {
  if (handle_ == nullptr) handle_ = Platform::OpenLibrary(name_);
  if (handle_ == nullptr) throw BindError(name_, entry, false);
  void* address = Platform::FindEntryPoint(handle_, entry);
  if (address == nullptr) throw BindError(name_, entry, true);
  return address;
}
