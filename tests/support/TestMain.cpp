// Test entry point shared by every GoogleTest executable: output as UTF-8 is not assumed,
// the texts under test are GBK bytes, so failures print escaped bytes.
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
