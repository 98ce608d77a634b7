// Dialogs from resource tables: dialog units, controls by ID, data exchange, default keys.
#include <gtest/gtest.h>

#include "platform/ui/application.h"
#include "platform/ui/common_controls.h"
#include "platform/ui/controls.h"
#include "platform/ui/dialog.h"
#include "platform/ui/headless.h"
#include "platform/ui/list_controls.h"

using namespace platform;
using namespace platform::ui;

namespace {

TEST(DialogUnits, ConvertWithTheFontsBaseUnitsRoundingLikeMulDiv) {
  struct Case {
    DluRect dlu;
    BaseUnits base;
    Rect px;
  } cases[] = {
      {{0, 0, 331, 275}, {6, 13}, {0, 0, 497, 447}},     // 496.5 -> 497, 446.875 -> 447
      {{7, 7, 50, 14}, {6, 13}, {11, 11, 75, 23}},       // 10.5 -> 11, 11.375 -> 11, 22.75 -> 23
      {{1, 1, 2, 4}, {6, 13}, {2, 2, 3, 7}},             // 1.5 -> 2, 1.625 -> 2, 6.5 -> 7
      {{200, 48, 0, 0}, {6, 13}, {300, 78, 0, 0}},
      {{10, 10, 10, 10}, {8, 16}, {20, 20, 20, 20}},     // the system font
      {{-3, -5, 4, 8}, {6, 13}, {-5, -8, 6, 13}},        // halves away from zero on both sides
  };
  for (const auto& c : cases) {
    EXPECT_EQ(dluToPixels(c.dlu, c.base), c.px) << c.dlu.x << ',' << c.dlu.y << ' ' << c.dlu.cx << 'x' << c.dlu.cy;
  }
  EXPECT_EQ(baseUnitsFor("MS Sans Serif", 8).x, 6);
  EXPECT_EQ(baseUnitsFor("ms sans serif", 8).y, 13);
}

const DialogTemplate kConfig{
    129,
    "Access Point Configuration Setting",
    {0, 0, 280, 200},
    {
        {1007, ItemKind::Edit, "", {60, 10, 100, 12}},
        {1008, ItemKind::Edit, "", {60, 26, 100, 12}},
        {1009, ItemKind::Edit, "", {60, 42, 40, 12}, style::number},
        {1010, ItemKind::Spin, "", {100, 42, 10, 12}},
        {1013, ItemKind::CheckBox, "Accept \"ANY\" SSID", {60, 58, 100, 10}, style::hidden | style::disabled},
        {1014, ItemKind::IpAddress, "", {60, 72, 100, 12}},
        {1017, ItemKind::ComboList, "", {60, 90, 60, 40}},
        {1020, ItemKind::Radio, "Create with Passphrase", {10, 110, 100, 10}, style::group | style::autoRadio},
        {1023, ItemKind::Radio, "Manual Entry", {10, 122, 100, 10}, style::autoRadio},
        {1019, ItemKind::BitmapButton, "Save", {180, 10, 60, 40}},
        {3, ItemKind::Button, "Help", {180, 150, 50, 14}},
        {2, ItemKind::Button, "Cancel", {180, 170, 50, 14}},
    }};

class CConfigDlg : public Dialog {
 public:
  CConfigDlg(Application& app, Form* parent) : Dialog(app, kConfig, parent, "CConfigDlg") {
    onCommand(1019, [this] {
      if (!updateData(true)) return;
      saved = true;
      endDialog(modal::ok);
    });
  }
  bool onInitDialog() override {
    Dialog::onInitDialog();
    item<Edit>(1008).setMaxLength(31);
    auto& spin = item<UpDown>(1010);
    spin.setRange(lowest, highest);
    spin.setBuddy(&item<Edit>(1009));
    auto& dhcpList = item<ComboBox>(1017);
    dhcpList.addItem("DISABLE");
    dhcpList.addItem("ENABLE");
    dhcpList.setItemIndex(dhcp ? 1 : 0);
    return true;
  }
  void doDataExchange(DataExchange& dx) override {
    dx.text(1007, apName);
    dx.text(1008, ssid);
    dx.number(1009, channel);
    dx.radio(1020, method);
  }
  std::string apName = "AP-1", ssid = "wlan";
  int channel = 6, method = 1, lowest = 1, highest = 11;
  bool dhcp = false, saved = false;
};

struct Dialogs : ::testing::Test {
  VirtualClock clock;
  HeadlessBackend ui{clock};
  Application app{ui, clock};
  Dialogs() { app.setTitle("SNMP"); }
};

TEST_F(Dialogs, BuildsControlsAtPixelGeometryAndExchangesData) {
  auto dlg = app.createForm<CConfigDlg>(nullptr);
  ui.responder().onModal("CConfigDlg", [&](Form&) {
    EXPECT_EQ(dlg->clientSize(), (Size{420, 325}));
    EXPECT_EQ(dlg->item(1007).bounds(), (Rect{90, 16, 150, 20}));
    EXPECT_EQ(dlg->itemText(1007), "AP-1");
    EXPECT_EQ(dlg->itemText(1009), "6");
    EXPECT_FALSE(dlg->item(1013).visible());
    EXPECT_FALSE(dlg->item(1013).effectivelyEnabled());
    EXPECT_TRUE(dlg->item<RadioButton>(1023).checked());
    EXPECT_FALSE(dlg->item<RadioButton>(1020).checked());
    dlg->item<Edit>(1008).setText("");
    dlg->item<Edit>(1008).type(std::string(40, 's'));
    dlg->item<UpDown>(1010).up();
    dlg->item<RadioButton>(1020).click();
    dlg->item<Button>(1019).click();
  });
  EXPECT_EQ(dlg->doModal(), modal::ok);
  EXPECT_TRUE(dlg->saved);
  EXPECT_EQ(dlg->ssid, std::string(31, 's'));
  EXPECT_EQ(dlg->channel, 7);
  EXPECT_EQ(dlg->method, 0);
  EXPECT_THROW(dlg->item(4242), std::out_of_range);
  EXPECT_THROW(dlg->item<Edit>(1017), std::out_of_range);
}

TEST_F(Dialogs, ANumberThatIsNotOneStopsTheExchangeWithTheFrameworksMessage) {
  auto dlg = app.createForm<CConfigDlg>(nullptr);
  ui.responder().expectMessage(
      {.text = "Please enter an integer.", .caption = "SNMP", .icon = MessageIcon::Warning, .exactText = true});
  ui.responder().onModal("CConfigDlg", [&](Form&) {
    dlg->item<Edit>(1009).setText("1x");
    dlg->item<Button>(1019).click();
    EXPECT_FALSE(dlg->saved);
    EXPECT_EQ(dlg->focusedControl(), &dlg->item(1009));
    EXPECT_EQ(dlg->channel, 6);
    dlg->item<Button>(2).click();
  });
  EXPECT_EQ(dlg->doModal(), modal::cancel);
  EXPECT_TRUE(ui.responder().unmet().empty());
}

TEST_F(Dialogs, EscapeAndReturn) {
  struct Case {
    const char* what;
    bool cancelEnabled;
    Key key;
    int result;  // none: the dialog stays open
  } cases[] = {
      {"escape cancels", true, Key::Escape, modal::cancel},
      {"escape does nothing while Cancel is disabled", false, Key::Escape, modal::none},
      {"return runs OK without a default button", true, Key::Return, modal::ok},
  };
  for (const auto& c : cases) {
    auto dlg = app.createForm<CConfigDlg>(nullptr);
    ui.responder().onModal("CConfigDlg", [&](Form&) {
      dlg->enableItem(2, c.cancelEnabled);
      dlg->item(1007).setFocus();
      dlg->item(1007).pressKey(c.key);
      if (dlg->modalResult() == modal::none) {
        EXPECT_EQ(c.result, modal::none) << c.what;
        dlg->endDialog(modal::abort);
      }
    });
    int r = dlg->doModal();
    EXPECT_EQ(r, c.result == modal::none ? modal::abort : c.result) << c.what;
  }
}

TEST_F(Dialogs, NotificationsReachHandlersByIdWithTheirCode) {
  auto dlg = app.createForm<CConfigDlg>(nullptr);
  std::vector<Notify> seen;
  int changes = 0;
  dlg->onNotification(1007, [&](Notify n) { seen.push_back(n); });
  dlg->onChange(1017, [&] { ++changes; });
  ui.responder().onModal("CConfigDlg", [&](Form&) {
    dlg->item(1008).setFocus();
    seen.clear();  // what showing the dialog caused
    dlg->item(1007).setFocus();
    dlg->item<Edit>(1007).type("x");
    dlg->item(1008).setFocus();
    dlg->item<ComboBox>(1017).select(1);
    dlg->endDialog(modal::cancel);
  });
  dlg->doModal();
  EXPECT_EQ(seen, (std::vector<Notify>{Notify::SetFocus, Notify::Change, Notify::KillFocus}));
  EXPECT_EQ(changes, 1);
}

TEST_F(Dialogs, TooltipTextsComeFromTheDialogByControlId) {
  struct Tips : CConfigDlg {
    using CConfigDlg::CConfigDlg;
    std::string tooltipText(int id) const override { return id == 1019 ? "SAVE Setting" : std::string(); }
  };
  auto dlg = app.createForm<Tips>(nullptr);
  dlg->item(1007).setHint("ignored in a dialog that supplies its own texts");
  const Form& asForm = *dlg;
  EXPECT_EQ(asForm.tooltipFor(dlg->item(1019)), "SAVE Setting");
  EXPECT_EQ(asForm.tooltipFor(dlg->item(1007)), "");
  auto plain = app.createForm<CConfigDlg>(nullptr);
  plain->item(1019).setHint("Save");
  EXPECT_EQ(static_cast<const Form&>(*plain).tooltipFor(plain->item(1019)), "Save");
}

TEST_F(Dialogs, NestedDialogReturnsToItsParent) {
  auto parent = app.createForm<CConfigDlg>(nullptr);
  auto child = app.createForm<CConfigDlg>(parent.get());
  int childResult = -1;
  parent->onCommand(3, [&] { childResult = child->doModal(); });
  ui.responder()
      .onModal("CConfigDlg",
               [&](Form& f) {
                 EXPECT_EQ(&f, parent.get());
                 f.find<Button>("id3").click();
                 EXPECT_TRUE(f.visible());
                 EXPECT_TRUE(f.enabled()) << "enabled again after the child";
                 f.find<Button>("id2").click();
               })
      .onModal("CConfigDlg", [&](Form& f) {
        EXPECT_EQ(&f, child.get());
        EXPECT_FALSE(parent->enabled());
        f.find<Button>("id1019").click();
      });
  EXPECT_EQ(parent->doModal(), modal::cancel);
  EXPECT_EQ(childResult, modal::ok);
}

}  // namespace
