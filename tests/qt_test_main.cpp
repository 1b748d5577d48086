// Entry point of the Qt test suites: one QApplication for all tests, on the offscreen platform
// unless the environment names another, so the suites run without a display. Qt's runtime and
// cache folders go beside the test binary unless the environment names them, so a test run
// leaves nothing outside the build folder.
#include <gtest/gtest.h>

#include <QApplication>
#include <filesystem>
#include <string>

namespace {

void UseFolderBesideTheBinaryFor(const char* variable, const char* argv0, const char* name) {
  if (!qEnvironmentVariableIsEmpty(variable)) return;
  const std::filesystem::path folder =
      std::filesystem::absolute(argv0).parent_path() / "test-home" / name;
  std::filesystem::create_directories(folder);
  std::filesystem::permissions(folder, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::replace);
  qputenv(variable, QByteArray::fromStdString(folder.string()));
}

}  // namespace

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  UseFolderBesideTheBinaryFor("XDG_RUNTIME_DIR", argv[0], "runtime");
  UseFolderBesideTheBinaryFor("XDG_CACHE_HOME", argv[0], "cache");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
