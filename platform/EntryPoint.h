#pragma once

#include <climits>
#include <exception>

// The system's calling convention for its entry points. On 32-bit Windows the
// callee pops its arguments; calling it any other way corrupts the stack.
#if defined(_WIN32)
#define ENTRY_CALL __attribute__((stdcall))
#else
#define ENTRY_CALL
#endif

// An entry point that could not be bound: its library cannot be loaded, or
// the library has no entry point of that name.
class BindError : public std::exception {
 public:
  // The library in `file` cannot be loaded, for `reason`; or, with no
  // reason, it was loaded but has no entry point named `entry`.
  BindError(const char* entry, const char* file, const char* reason) noexcept;
  const char* what() const noexcept override { return message_; }

 private:
  char message_[PATH_MAX + 128];  // a file's path, and the words around it
};

// A library named as the Windows one is; each platform maps the name to a file.
class Library {
 public:
  constexpr explicit Library(const char* name) : name_(name) {}
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
  ~Library() = default;

  // The address of `entry`; raises BindError when it cannot be had.
  void* Find(const char* entry);

 private:
  const char* name_;
  void* handle_ = nullptr;
};

// One row of a declaration table: an entry point of a library, bound by name
// when first called and kept for the life of the process. `Pointer` is the
// entry point's exact type, calling convention included.
template <typename Pointer>
class EntryPoint {
 public:
  using Function = Pointer;

  constexpr EntryPoint(Library& library, const char* name) : library_(library), name_(name) {}
  EntryPoint(const EntryPoint&) = delete;
  EntryPoint& operator=(const EntryPoint&) = delete;
  ~EntryPoint() = default;

  template <typename... Arguments>
  auto operator()(Arguments... arguments) {
    return Address()(arguments...);
  }

 private:
  Pointer Address() {
    if (address_ == nullptr) address_ = reinterpret_cast<Pointer>(library_.Find(name_));
    return address_;
  }

  Library& library_;
  const char* name_;
  Pointer address_ = nullptr;
};
