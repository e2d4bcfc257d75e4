#include "demo/Start.h"

#include <exception>
#include <new>

#include "platform/Platform.h"

int Start(const ModuleKestrune::Constants& constants) noexcept {
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
