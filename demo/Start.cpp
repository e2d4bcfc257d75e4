#include "demo/Start.h"

#include <cstdlib>
#include <exception>
#include <new>

#include "platform/Platform.h"

namespace {

// Raising an error needs memory of its own. When none is left even for that,
// the C++ runtime ends the program here instead of through the catch below:
// every error this program raises is caught there, so nothing else can.
[[noreturn]] void EndWithoutRaising() noexcept {
  Platform::ReportError("out of memory");
  std::_Exit(1);
}

}  // namespace

int Start(const ModuleKestrune::Constants& constants) noexcept {
  std::set_terminate(EndWithoutRaising);
  try {
    ModuleKestrune::Main(constants);
    return 0;
  } catch (const std::bad_alloc&) {
    Platform::ReportError("out of memory");
  } catch (const std::exception& error) {
    Platform::ReportError(error.what());
  }
  return 1;
}
