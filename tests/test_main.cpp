// Entry point of the suites without Qt.
#include <gtest/gtest.h>

#include "tests/run_all_tests.h"

int main(int argc, char* argv[]) {
  ::testing::InitGoogleTest(&argc, argv);
  return voltarik::testing::RunAllTests();
}
