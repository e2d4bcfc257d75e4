// The honest floor's routine under the least C++ start that can raise an
// error and catch it, linked as Kestrune is: the C++ runtime static, unused
// sections dropped, the toolchain's demangler kept out. What this program
// costs beyond the honest floor is what the language's runtime costs a
// program before it does any work. A yardstick for Kestrune, not part of it.
#include <cstdlib>
#include <exception>
#include <new>

extern "C" int HonestFloorRoutine(void);

namespace {

class Failure : public std::exception {
 public:
  const char* what() const noexcept override { return "failed"; }
};

[[noreturn]] void EndWithoutRaising() noexcept { std::_Exit(1); }

}  // namespace

int main() {
  std::set_terminate(EndWithoutRaising);
  try {
    if (HonestFloorRoutine() != 0) throw Failure();
    return 0;
  } catch (const std::bad_alloc&) {
    return 1;
  } catch (const std::exception&) {
    return 1;
  }
}
