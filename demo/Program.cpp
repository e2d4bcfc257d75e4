#include "demo/Start.h"

// Kestrune as it is shipped: the constants are the program's own, and nothing
// from outside can change them.
int main() { return Start(ModuleKestrune::Shipped); }
