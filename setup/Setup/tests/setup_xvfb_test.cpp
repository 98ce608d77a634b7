// The built `setup` program with windows, on a virtual X display (xvfb-run): the loading screen
// is drawn by the X11 platform plugin and written as a screenshot once its gauge is full.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QImage>
#include <cstdlib>

#include "setup/Setup/tests/temp_root.h"

using namespace setup::testing;

TEST(SetupOnX, LoadingScreenIsDrawnOnAVirtualDisplay) {
  if (std::system("command -v xvfb-run > /dev/null 2>&1") != 0) GTEST_SKIP() << "xvfb-run is not installed";
  TempDir temp;
  const auto dist = temp.path() / "dist";
  writeFile(dist / "setup.inf", crlf({"[software]", "name_display=Demo", "[language]", "l1=Loading Demo ..."}));
  const auto png = temp.path() / "loading.png";
  const std::string cmd = "env -u QT_QPA_PLATFORM xvfb-run -a -s '-screen 0 1024x768x24' " + std::string(SETUP_EXE) +
                          " --root " + (temp.path() / "root").string() + " --program-dir " + dist.string() +
                          " --screenshot " + png.string() + " > " + (temp.path() / "out.txt").string() + " 2>&1";
  int status = std::system(cmd.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0);
  QImage img(QString::fromStdString(png.string()));
  ASSERT_FALSE(img.isNull());
  EXPECT_EQ(img.size(), QSize(283, 77));
  // The grey form, the full gauge in the active-caption colour, dark text in the label.
  EXPECT_EQ(img.pixel(3, 70) & 0xFFFFFF, 0xC0C0C0u);
  QColor bar(img.pixel(46 + 212 - 5, 49 + 8));
  EXPECT_TRUE(bar.blue() > 100 && bar.red() < 40) << bar.name().toStdString();
  bool text = false;
  for (int x = 46; x < 279 && !text; ++x)
    for (int y = 6; y < 20 && !text; ++y) text = QColor(img.pixel(x, y)).lightness() < 60;
  EXPECT_TRUE(text);
}
