#include <gtest/gtest.h>

#include <QApplication>
#include <QIcon>

#include "AppSetup.h"

namespace {

// The icon's sizes are built into the program, so that the window has it in the built tree too.
TEST(AppIconTest, WindowIconHasTheEmbeddedSizes) {
  SetUpApplication();
  const QList<QSize> sizes = QApplication::windowIcon().availableSizes();
  EXPECT_TRUE(sizes.contains(QSize(48, 48))) << sizes.size();
  EXPECT_TRUE(sizes.contains(QSize(256, 256))) << sizes.size();
}

}  // namespace
