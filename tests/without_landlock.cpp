// Runs a program as on a kernel without Landlock. Usage: without_landlock PROGRAM [ARGUMENT...]
#include <unistd.h>

#include <cstdlib>

#include "tests/hide_landlock.h"

int main(int argc, char* argv[]) {
  if (argc < 2 || !voltarik::testing::HideLandlock(true)) return EXIT_FAILURE;
  execvp(argv[1], argv + 1);
  return 127;
}
