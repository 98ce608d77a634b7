// The loading screen drawn by the Qt renderer (offscreen): every control shows inside its
// rectangle, the gauge is full, and without a script the only window is the error box.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QImage>
#include <QMessageBox>
#include <QTimer>

#include "platform/clock/clock.h"
#include "platform/ui/qt/qt_backend.h"
#include "setup/Setup/program_start.h"
#include "setup/Setup/tests/temp_root.h"

using namespace platform;
using namespace platform::ui;
using namespace setup;
using namespace setup::testing;

// The leak checker of sanitizer builds: the font library Qt loads keeps a cache it never frees.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }

namespace {

struct QtInit {
  QtInit() {
    if (QApplication::instance()) return;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "setup_render_tests";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
  }
};

struct Render : ::testing::Test, QtInit {
  TempDir temp;
  std::unique_ptr<System> system = System::create(temp.path() / "root");
  SetupContext context{system->fs(), system->registry()};
  RealClock clock;
  int argc = 0;
  QtBackend qt{argc, nullptr};
  Application app{qt, clock};
};

bool differs(const QImage& img, const Rect& r, QRgb bg) {
  for (int y = r.top; y < r.bottom(); ++y)
    for (int x = r.left; x < r.right(); ++x)
      if ((img.pixel(x, y) & 0xFFFFFF) != (bg & 0xFFFFFF)) return true;
  return false;
}

TEST_F(Render, LoadingScreenShowsItsIconLabelAndFullGauge) {
  writeFile(*system->fs().toHost("C:\\CD\\setup.inf"),
            crlf({"[software]", "name_display=Demo Product", "[language]",
                  "l1=Please wait while %software% prepares the installation ..."}));
  QImage img;
  std::vector<Rect> rects;
  RunProgramStart(app, context, "C:\\CD\\SETUP.EXE", "", {}, [&](StartStep step, Ttrailer& t) {
    if (step != StartStep::GaugeFull) return;
    img = qt.grab(t);
    for (Control* c : t.allControls()) rects.push_back(c->rectInForm());
  });
  ASSERT_FALSE(img.isNull());
  const std::string dir = std::string(KIT_BINARY_DIR) + "/screenshots/setup";
  std::filesystem::create_directories(dir);
  ASSERT_TRUE(img.save(QString::fromStdString(dir + "/loading_screen.png")));
  EXPECT_EQ(img.size(), QSize(283, 77));
  const QRgb bg = qRgb(192, 192, 192);
  EXPECT_EQ(img.pixel(3, 70) & 0xFFFFFF, bg & 0xFFFFFF) << "the form's own grey around the controls";
  ASSERT_EQ(rects.size(), 3u);
  for (const Rect& r : rects) EXPECT_TRUE(differs(img, r, bg)) << r.left << ',' << r.top;
  // The label's text: dark pixels in its first line.
  bool text = false;
  for (int x = 46; x < 279 && !text; ++x)
    for (int y = 6; y < 20 && !text; ++y) text = QColor(img.pixel(x, y)).lightness() < 60;
  EXPECT_TRUE(text);
  // Full gauge: the bar reaches the right end in the active-caption colour.
  QColor endOfBar(img.pixel(46 + 212 - 5, 49 + 8));
  EXPECT_TRUE(endOfBar.red() < 40 && endOfBar.green() < 40 && endOfBar.blue() > 100) << endOfBar.name().toStdString();
}

TEST_F(Render, MissingScriptBoxIsTheOnlyWindow) {
  QString title, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  int otherWindows = -1;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    title = box->windowTitle();
    text = box->text();
    icon = box->icon();
    otherWindows = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->isVisible() && w != box) ++otherWindows;
    box->button(QMessageBox::Ok)->click();
  });
  EXPECT_EQ(RunProgramStart(app, context, "C:\\CD\\SETUP.EXE", ""), 0);
  EXPECT_EQ(title, QStringLiteral("Error"));
  EXPECT_EQ(text, QStringLiteral("File setup.inf not found.\nAsk your software-distributor for help."));
  EXPECT_EQ(icon, QMessageBox::Critical);
  EXPECT_EQ(otherWindows, 0);
}

}  // namespace
