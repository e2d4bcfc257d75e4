#include <exception>
#include <new>

#include "demo/ModuleKestrune.h"
#include "platform/Platform.h"

// The process start: Main once. An error it raises ends the run with status 1.
int main() {
  try {
    ModuleKestrune::Main();
    return 0;
  } catch (const std::bad_alloc&) {
    Platform::ReportError("out of memory");
  } catch (const std::exception& error) {
    Platform::ReportError(error.what());
  }
  return 1;
}
