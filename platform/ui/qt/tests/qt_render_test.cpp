// The Qt renderer under the offscreen platform: a form with every kind of control is drawn at its
// geometry (checked pixel by pixel and saved as a PNG for people to look at), painted forms show
// what their paint handler drew, keys reach the model, message boxes and timers work.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QToolTip>
#include <QHelpEvent>
#include <filesystem>

#include "platform/clock/clock.h"
#include "platform/ui/application.h"
#include "platform/ui/common_controls.h"
#include "platform/ui/controls.h"
#include "platform/ui/dialog.h"
#include "platform/ui/folder_controls.h"
#include "platform/ui/list_controls.h"
#include "platform/ui/qt/qt_backend.h"

using namespace platform;
using namespace platform::ui;

// The leak checker of sanitizer builds: the font library Qt loads keeps a cache it never frees.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }

namespace {

void ensureQt() {
  if (QApplication::instance()) return;
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "platform_ui_qt_tests";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);  // lives as long as the process
}

std::string screenshotDir() {
  std::string d = std::string(KIT_BINARY_DIR) + "/screenshots/platform_ui";
  std::filesystem::create_directories(d);
  return d;
}

// Made before the fixture's members, so that the QApplication exists before the backend.
struct QtInit {
  QtInit() { ensureQt(); }
};

struct QtFixture : ::testing::Test, QtInit {
  RealClock clock;
  int argc = 0;
  QtBackend qt{argc, nullptr};
  Application app{qt, clock};
};

class Folders : public FolderSource {
 public:
  std::vector<char> drives() const override { return {'C', 'D'}; }
  std::vector<std::string> subfolders(const std::string& p) const override {
    if (p == "C:\\") return {"Programs", "temp", "windows"};
    if (p == "C:\\Programs") return {"Vendor", "Tools"};
    return {};
  }
  bool folderExists(const std::string& p) const override { return p == "C:\\" || p == "C:\\Programs" || p == "D:\\"; }
};

Bitmap checker(int w, int h) {
  Bitmap b(w, h, colors::white);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (((x / 4) + (y / 4)) % 2) b.setPixel(x, y, Color::rgb(200, 30, 30));
  return b;
}

class TSample : public Form {
 public:
  explicit TSample(Application& a) : Form(a, "TSample") {
    setCaption("Sample of every control");
    setBorderStyle(BorderStyle::Dialog);
    setBorderIcons({false, false, false});
    setClientSize({560, 420});
    setPosition(FormPosition::ScreenCenter);
    Lbl_title.setWordWrap(true);
    Btn_ok.setDefault(true);
    Btn_bitmap.setBitmap(checker(16, 16));
    Btn_bitmap.setHint("Find AP");
    Edt_name.setText("user name");
    Edt_pass.setPasswordChar('*');
    Edt_pass.setText("secret");
    memo.setReadOnly(true);
    memo.setScrollBars(ScrollBars::Vertical);
    memo.setText("Readme line 1\r\nLine 2 with \xE4\xF6\xFC\r\nLine 3");
    memo.setColor(colors::buttonFace);
    Cb_opt.setChecked(true);
    Rb_a.setChecked(true);
    P_copy.setSingleBorder(true);
    strich.setShape(BevelShape::BottomLine);
    img.setBitmap(checker(32, 32));
    gauge.setShowText(false);
    gauge.setPosition(60);
    for (const char* s : {"Zubeh\xF6r", "Accessories", "Games"}) groups.addItem(s);
    groups.setSorted(true);
    groups.setItemIndex(1);
    dhcp.addItem("DISABLE");
    dhcp.addItem("ENABLE");
    dhcp.setItemIndex(0);
    aps.addColumn("Name", 90);
    aps.addColumn("BSSID", 122);
    aps.addColumn("IP Address", 80);
    aps.setFullRowSelect(true);
    aps.addRow({"AP-1", "00:02:2D:11:22:33", "127.0.0.2"});
    aps.addRow({"AP-2", "00:02:2D:44:55:66", "127.0.0.3"});
    aps.setSelected(1, true);
    aps.setFocusedRow(1);
    ip.setAddress(192, 168, 1, 10);
    spin.setBuddy(&channel);
    spin.setRange(1, 11);
    spin.setPosition(6);
    dirs.setSource(&folders);
    drives.setSource(&folders);
    drives.setDirectoryList(&dirs);
    drives.setDrive('C');
    dirs.setDirectory("C:\\Programs");
  }
  Folders folders;
  Label Lbl_title{*this, "Lbl_title", {8, 6, 250, 30}, "A label with word wrap over two lines of text"};
  Button Btn_ok{*this, "Btn_ok", {8, 40, 85, 25}, "&Next"};
  Button Btn_bitmap{*this, "Btn_bitmap", {100, 40, 110, 25}, "Find AP"};
  Edit Edt_name{*this, "Edt_name", {8, 72, 120, 21}};
  Edit Edt_pass{*this, "Edt_pass", {134, 72, 120, 21}};
  Memo memo{*this, "memo", {8, 100, 246, 60}};
  CheckBox Cb_opt{*this, "Cb_opt", {8, 166, 120, 17}, "Option 1"};
  RadioButton Rb_a{*this, "Rb_a", {134, 166, 60, 17}, "Yes"};
  RadioButton Rb_b{*this, "Rb_b", {196, 166, 60, 17}, "No"};
  Panel P_copy{*this, "P_copy", {8, 190, 246, 40}};
  Label Lbl_u{P_copy, "Lbl_u", {6, 6, 200, 15}, "Label inside a panel"};
  GroupBox grp{*this, "grp", {8, 236, 246, 50}, "Option"};
  Bevel strich{*this, "strich", {8, 290, 246, 5}};
  Picture img{*this, "img", {8, 300, 32, 32}};
  ProgressBar gauge{*this, "gauge", {46, 308, 208, 16}};
  ListBox groups{*this, "groups", {8, 340, 120, 70}};
  ComboBox dhcp{*this, "dhcp", {134, 340, 120, 22}};
  ListView aps{*this, "aps", {264, 6, 288, 110}};
  IpAddress ip{*this, "ip", {264, 122, 140, 22}};
  Edit channel{*this, "channel", {410, 122, 40, 22}};
  UpDown spin{*this, "spin", {450, 122, 16, 22}};
  DirectoryList dirs{*this, "dirs", {264, 150, 288, 150}};
  DriveList drives{*this, "drives", {264, 306, 180, 22}};
};

bool hasNonBackgroundPixel(const QImage& img, const Rect& r, QRgb background) {
  for (int y = std::max(r.top, 0); y < std::min(r.bottom(), img.height()); ++y)
    for (int x = std::max(r.left, 0); x < std::min(r.right(), img.width()); ++x)
      if ((img.pixel(x, y) & 0xFFFFFF) != (background & 0xFFFFFF)) return true;
  return false;
}

TEST_F(QtFixture, EveryControlKindIsDrawnInsideItsRectangle) {
  auto f = app.createForm<TSample>();
  f->show();
  QImage img = qt.grab(*f);
  ASSERT_FALSE(img.isNull());
  EXPECT_EQ(img.width(), 560);
  EXPECT_EQ(img.height(), 420);
  ASSERT_TRUE(img.save(QString::fromStdString(screenshotDir() + "/sample_form.png")));
  const QRgb bg = qRgb(192, 192, 192);
  // The form's own background shows where no control is.
  EXPECT_EQ(img.pixel(555, 415) & 0xFFFFFF, bg & 0xFFFFFF);
  std::set<ControlKind> kinds;
  for (Control* c : f->allControls()) {
    kinds.insert(c->kind());
    EXPECT_TRUE(hasNonBackgroundPixel(img, c->rectInForm(), bg)) << kindName(c->kind()) << ' ' << c->name();
    QWidget* w = qt.widgetOf(*c);
    ASSERT_NE(w, nullptr) << c->name();
    Rect r = c->rectInForm();
    QPoint at = w->mapTo(w->window(), QPoint(0, 0));
    EXPECT_EQ(at, QPoint(r.left, r.top)) << c->name();
    EXPECT_EQ(w->size(), QSize(r.width, r.height)) << c->name();
  }
  EXPECT_EQ(kinds.size(), 18u) << "the sample holds every kind";
  // The gauge is filled to 60 % with the active-caption colour.
  Rect g = f->gauge.rectInForm();
  // (the style shades the bar a little).
  QColor filled(img.pixel(g.left + g.width / 4, g.top + g.height / 2));
  QColor empty(img.pixel(g.left + g.width * 9 / 10, g.top + g.height / 2));
  EXPECT_TRUE(filled.red() < 40 && filled.green() < 40 && filled.blue() > 100) << filled.name().toStdString();
  EXPECT_GT(empty.red(), 200) << empty.name().toStdString();
  // The picture shows its bitmap.
  Rect p = f->img.rectInForm();
  EXPECT_EQ(img.pixel(p.left + 5, p.top + 1) & 0xFFFFFF, qRgb(200, 30, 30) & 0xFFFFFF);
  // ANSI text reached the widget as UTF-8.
  EXPECT_EQ(static_cast<QLineEdit*>(qt.widgetOf(f->Edt_pass))->echoMode(), QLineEdit::Password);
  EXPECT_EQ(static_cast<QListWidget*>(qt.widgetOf(f->groups))->item(2)->text(), QStringLiteral("Zubeh\u00F6r"));
  // A tooltip asks the form for its text when it is about to show.
  QWidget* bw = qt.widgetOf(f->Btn_bitmap);
  QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), bw->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(bw, &help);
  EXPECT_EQ(QToolTip::text(), QStringLiteral("Find AP"));
}

TEST_F(QtFixture, PaintedFormShowsWhatItsPaintHandlerDrew) {
  auto f = app.createForm<Form>("TMain");
  f->setClientSize({200, 128});
  f->setColor(colors::navy);
  f->onPaint = [](Canvas& c) {
    for (int i = 0; i < 64; ++i) c.fillRect({0, i * 2, c.width(), 2}, Color::rgb(0, 0, 255 - 4 * i));
    c.draw(150, 10, checker(20, 20));
  };
  f->show();
  QImage img = qt.grab(*f);
  ASSERT_TRUE(img.save(QString::fromStdString(screenshotDir() + "/painted_form.png")));
  EXPECT_EQ(img.pixel(5, 0) & 0xFFFFFF, qRgb(0, 0, 255) & 0xFFFFFF);
  EXPECT_EQ(img.pixel(5, 127) & 0xFFFFFF, qRgb(0, 0, 3) & 0xFFFFFF);
  EXPECT_EQ(img.pixel(155, 11) & 0xFFFFFF, qRgb(200, 30, 30) & 0xFFFFFF);
}

TEST_F(QtFixture, KeysAndClicksOnWidgetsReachTheModel) {
  auto f = app.createForm<TSample>();
  int escapes = 0, clicks = 0;
  f->Btn_ok.onClick = [&](Control&) { ++clicks; };
  f->Edt_name.onKeyDown = [&](Control&, Key& k, ShiftState) {
    if (k == Key::Escape) {
      ++escapes;
      k = Key::None;
    }
  };
  f->show();
  QWidget* edit = qt.widgetOf(f->Edt_name);
  QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(edit, &esc);
  EXPECT_EQ(escapes, 1);
  QKeyEvent ret(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(edit, &ret);
  EXPECT_EQ(clicks, 1) << "Return presses the default button";
  static_cast<QPushButton*>(qt.widgetOf(f->Btn_ok))->click();
  EXPECT_EQ(clicks, 2);
  // What the user types in the widget lands in the model, limited as the model limits it.
  f->Edt_name.setMaxLength(4);
  auto* le = static_cast<QLineEdit*>(edit);
  le->setText(QString());
  le->insert(QStringLiteral("abcdef"));
  EXPECT_EQ(f->Edt_name.text(), "abcd");
  // Model changes reach the widget.
  f->Edt_name.setText("Gr\xFC\xDF");
  EXPECT_EQ(le->text(), QStringLiteral("Grüß"));
}

TEST_F(QtFixture, MessageBoxButtonsMapToResultsAndTimersRunInTheLoop) {
  struct Case {
    MessageButtons buttons;
    QMessageBox::StandardButton press;
    MessageResult result;
  } cases[] = {
      {MessageButtons::YesNo, QMessageBox::No, MessageResult::No},
      {MessageButtons::YesNoCancel, QMessageBox::Cancel, MessageResult::Cancel},
      {MessageButtons::Ok, QMessageBox::Ok, MessageResult::Ok},
  };
  for (const auto& c : cases) {
    QString seenText;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      seenText = box->text();
      box->button(c.press)->click();
    });
    EXPECT_EQ(app.messageBox("File setup.inf not found.\rAsk your software-distributor for help.", "Error", c.buttons,
                             MessageIcon::Error),
              c.result);
    EXPECT_EQ(seenText, QStringLiteral("File setup.inf not found.\nAsk your software-distributor for help."));
  }
  // A modal form ends from its own timer, bounded by the number of ticks.
  auto f = app.createForm<Form>("TSplash");
  int ticks = 0;
  f->onTimer = [&](int) {
    if (++ticks == 3) f->setModalResult(modal::ok);
  };
  f->onShow = [&] { f->setTimer(111, 1); };
  EXPECT_EQ(f->showModal(), modal::ok);
  EXPECT_EQ(ticks, 3);
  EXPECT_FALSE(f->visible());
}

const DialogTemplate kInputIp{133, "Input IP Address", {0, 0, 186, 62}, {
    {-1, ItemKind::Static, "IP Address", {7, 9, 50, 8}},
    {1055, ItemKind::IpAddress, "", {60, 7, 119, 14}},
    {1, ItemKind::DefButton, "OK", {7, 41, 50, 14}},
    {2, ItemKind::Button, "Cancel", {129, 41, 50, 14}}}};

TEST_F(QtFixture, ResourceTableDialogRunsModallyAtItsPixelGeometry) {
  auto dlg = app.createForm<Dialog>(kInputIp, nullptr, "CInputIpDlg");
  QImage img;
  QTimer::singleShot(0, [&] {
    img = qt.grab(*dlg);
    // The user types the four fields and presses Return.
    const QList<QLineEdit*> fields = qt.widgetOf(dlg->item(1055))->findChildren<QLineEdit*>();
    ASSERT_EQ(fields.size(), 4);
    const char* typed[] = {"10", "0", "0", "300"};
    for (int i = 0; i < 4; ++i) {
      fields[i]->setText(QString::fromLatin1(typed[i]));
      emit fields[i]->editingFinished();
    }
    QKeyEvent ret(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(fields[3], &ret);
  });
  EXPECT_EQ(dlg->doModal(), modal::ok);
  ASSERT_FALSE(img.isNull());
  ASSERT_TRUE(img.save(QString::fromStdString(screenshotDir() + "/input_ip_dialog.png")));
  EXPECT_EQ(img.size(), QSize(279, 101));  // 186 x 62 dialog units of MS Sans Serif 8
  for (Control* c : dlg->allControls())
    EXPECT_TRUE(hasNonBackgroundPixel(img, c->rectInForm(), qRgb(192, 192, 192))) << c->name();
  // The last field's 300 was brought into its range.
  EXPECT_EQ(dlg->item<IpAddress>(1055).dotted(), "10.0.0.255");
}

}  // namespace
