#pragma once

#include "demo/Int16.h"

namespace ModuleKestrune {

// The values the demonstration works with. The program runs with `Shipped`;
// tests choose others to drive the same steps into their failures.
struct Constants {
  Int16 GivenToA;    // before the first copy
  Int16 GivenToB;    // before the second copy
  Int16 LowerBound;  // of `values`, and the first index filled
  Int16 UpperBound;  // of `values`, inclusive
  Int16 LastFilled;  // the last index the fill writes
  Int16 Offset;      // added to an index to give its element's value
};

inline constexpr Constants Shipped{45, 90, 0, 1000, 999, 1234};

// Shows, on a console of its own, that copying the two bytes of a 16-bit
// integer's storage into another's copies the value, then waits for Enter.
// A failed check raises its error out of here, without releasing the console.
void Main(const Constants& k = Shipped);

}  // namespace ModuleKestrune
