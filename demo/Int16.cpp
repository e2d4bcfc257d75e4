#include "demo/Int16.h"

Text Decimal(Int16 number) {
  char16_t digits[6];  // "-32768" at the most
  std::uint32_t first = sizeof digits / sizeof digits[0];
  // Widened and made positive, so that -32768 has a magnitude.
  std::int32_t magnitude = number.Value() < 0 ? -std::int32_t{number.Value()} : number.Value();
  do {
    digits[--first] = static_cast<char16_t>(u'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (number.Value() < 0) digits[--first] = u'-';
  return Text(digits + first, sizeof digits / sizeof digits[0] - first);
}
