// The bare floor: the least any program can do for this job, three writes
// and then one byte at a time until a carriage return. It binds nothing and
// fills no array; a yardstick for Kestrune, not part of it.
#include <unistd.h>
int main(void) {
  static const char first[] = "a: 45, b: 45\r\n", second[] = "a: 90, b: 90\r\n", third[] = "b: 1234\r\n";
  write(1, first, sizeof first - 1);
  write(1, second, sizeof second - 1);
  write(1, third, sizeof third - 1);
  char key;
  while (read(0, &key, 1) == 1 && key != '\r') {}
  return 0;
}
