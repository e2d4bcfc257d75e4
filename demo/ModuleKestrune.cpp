#include "demo/ModuleKestrune.h"

#include "demo/DynamicArray.h"
#include "platform/ConsoleAndMemory.h"

namespace ModuleKestrune {

namespace {
constexpr Kernel32::SIZE_T IntegerWidth = sizeof(Int16);
constexpr Int16 Step = 1;
const FixedText<1> CarriageReturn{u"\r"};
}  // namespace

void Main(const Constants& k) {
  Int16 a, b, i;
  DynamicArray<Int16> values;
  Text line;
  FixedText<1> key;

  // 1. The program starts without a console: this one is its own.
  Kernel32::AllocConsole();
  // 2. b takes a's value through its bytes.
  a = k.GivenToA;
  CopyBytes(&b, &a, IntegerWidth);
  // 3.
  line = u"a: " + Decimal(a) + u", b: " + Decimal(b) + u"\r\n";
  WriteLine(line);
  // 4. And back the other way.
  b = k.GivenToB;
  CopyBytes(&a, &b, IntegerWidth);
  // 5.
  line = u"a: " + Decimal(a) + u", b: " + Decimal(b) + u"\r\n";
  WriteLine(line);
  // 6. Every store and both additions are checked.
  values.Allocate(k.LowerBound, k.UpperBound);
  for (i = k.LowerBound; i <= k.LastFilled; i = i + Step) values(i) = i + k.Offset;
  // 7. An element's storage is a source like any other.
  CopyBytes(&b, HeldStorage(values, k.LowerBound), IntegerWidth);
  // 8.
  line = u"b: " + Decimal(b) + u"\r\n";
  WriteLine(line);
  // 9.
  values.Release();
  // 10. Wait for Enter; input that has ended has nothing more to wait for.
  while (ReadKey(key) && key != CarriageReturn) {
  }
  // 11.
  Kernel32::FreeConsole();
  // 12. values and line go with the scope.
}

}  // namespace ModuleKestrune
