// Nothing in this program demangles a C++ name: every error is caught in
// main, so std::terminate's default handler, which demangles the type of the
// exception that reached it, never runs. That handler is linked in with any
// C++ exception all the same, and the C++ ABI's demangler with it, by far the
// largest piece of the program. Supplying the demangler here keeps the
// toolchain's out; if it were ever called, it says that it could not
// demangle, as the ABI allows, and the handler prints the name as it is.
#include <cxxabi.h>

#include <cstddef>

namespace __cxxabiv1 {

extern "C" char* __cxa_demangle(const char*, char*, std::size_t*, int* status) {
  if (status != nullptr) *status = -2;  // "not a valid mangled name"
  return nullptr;
}

}  // namespace __cxxabiv1
