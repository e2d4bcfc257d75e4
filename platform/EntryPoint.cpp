#include "platform/EntryPoint.h"

#include <cstdio>

#include "platform/Platform.h"

BindError::BindError(const char* library, const char* entry, bool libraryLoaded) noexcept {
  if (libraryLoaded)
    std::snprintf(message_, sizeof message_, "cannot bind %s: the library %s has no entry point of that name", entry,
                  library);
  else
    std::snprintf(message_, sizeof message_, "cannot bind %s: the library %s cannot be loaded", entry, library);
}

void* Library::Find(const char* entry) {
  if (handle_ == nullptr) handle_ = Platform::OpenLibrary(name_);
  if (handle_ == nullptr) throw BindError(name_, entry, false);
  void* address = Platform::FindEntryPoint(handle_, entry);
  if (address == nullptr) throw BindError(name_, entry, true);
  return address;
}
