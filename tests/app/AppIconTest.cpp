#include <gtest/gtest.h>

#include <QApplication>
#include <QIcon>

#include "AppSetup.h"

namespace {

// The icon's sizes are built into the program, so that the window has it in the built tree too.
TEST(AppIconTest, WindowIconIsTheEmbeddedOne) {
  SetUpApplication();
  EXPECT_EQ(QApplication::windowIcon().availableSizes(), QList<QSize>{QSize(48, 48)});
}

}  // namespace
