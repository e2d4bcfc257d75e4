#include "demo/Start.h"

// Kestrune with an offset that makes step 6's fill overflow at index 768,
// after the first two lines are written: the error path of the real
// executable, for tests only.
int main() { return Start({45, 90, 0, 1000, 999, 32000}); }
