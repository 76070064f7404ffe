// Test entry point: every test program gets its own empty settings folder, so
// no test reads or writes the settings of the person running it.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdlib>

int main(int argc, char** argv) {
  QTemporaryDir configDir;
  if (!configDir.isValid()) return 2;
  setenv("PLOMIX2_CONFIG_DIR", configDir.path().toUtf8().constData(), 1);
  QCoreApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
