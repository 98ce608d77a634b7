// Behaviour of the controls as the user drives them: keys, radio groups, list selection, edit
// limits, up-down ranges, address fields, sorted lists, the folder lists.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "platform/ui/application.h"
#include "platform/ui/common_controls.h"
#include "platform/ui/controls.h"
#include "platform/ui/dump.h"
#include "platform/ui/folder_controls.h"
#include "platform/ui/headless.h"
#include "platform/ui/list_controls.h"

using namespace platform;
using namespace platform::ui;

namespace {

struct Controls : ::testing::Test {
  VirtualClock clock;
  HeadlessBackend ui{clock};
  Application app{ui, clock};
  FormPtr<Form> form = app.createForm<Form>("TTest");
  void SetUp() override {
    form->setClientSize({400, 300});
    form->show();
  }
};

TEST_F(Controls, KeysGoThroughPreviewControlAndDefaultHandling) {
  // The wizard's pattern: one handler on the form and on its buttons takes Escape, F3, F4, F12.
  Button next(*form, "Btn_weiter", {10, 10, 85, 25}, "Next");
  Button exitB(*form, "Btn_exit", {100, 10, 85, 25}, "Exit");
  Edit edit(*form, "Edit1", {10, 50, 100, 21});
  exitB.setCancel(true);
  int exits = 0, infos = 0, cancelClicks = 0;
  KeyEvent keys = [&](Control&, Key& k, ShiftState) {
    if (k == Key::Escape || k == Key::F3 || k == Key::F4) {
      ++exits;
      k = Key::None;
    } else if (k == Key::F12) {
      ++infos;
      k = Key::None;
    }
  };
  next.onKeyDown = keys;
  exitB.onKeyDown = keys;
  exitB.onClick = [&](Control&) { ++cancelClicks; };
  struct Case {
    Control* target;
    Key key;
    bool taken;
    int exits, infos, cancelClicks;
  } cases[] = {
      {&next, Key::Escape, true, 1, 0, 0},
      {&next, Key::F3, true, 2, 0, 0},
      {&exitB, Key::F12, true, 2, 1, 0},
      {&next, Key::F1, false, 2, 1, 0},      // not handled by anyone
      {&edit, Key::Escape, true, 2, 1, 1},   // no handler on the edit: the cancel button
      {&edit, Key::F12, false, 2, 1, 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.target->pressKey(c.key), c.taken) << c.target->name() << ' ' << keyName(c.key);
    EXPECT_EQ(exits, c.exits);
    EXPECT_EQ(infos, c.infos);
    EXPECT_EQ(cancelClicks, c.cancelClicks);
  }
  // With key preview the form sees a key first and can swallow it.
  form->setKeyPreview(true);
  std::vector<Key> seen;
  form->onKeyDown = [&](Key& k, ShiftState) {
    seen.push_back(k);
    if (k == Key::F1) k = Key::None;
  };
  EXPECT_TRUE(next.pressKey(Key::F1));
  EXPECT_TRUE(next.pressKey(Key::Escape));
  EXPECT_EQ(seen, (std::vector<Key>{Key::F1, Key::Escape}));
  EXPECT_EQ(exits, 3);
}

TEST_F(Controls, TabMovesTheFocusAlongTheControlsThatTakeIt) {
  Label label(*form, "Lbl", {0, 0, 50, 13}, "Name");  // labels take no focus
  Edit name(*form, "Edit1", {0, 20, 100, 21});
  Panel page(*form, "page", {0, 50, 200, 100});
  CheckBox inPage(page, "Cb", {0, 0, 90, 17}, "Option");
  Button hidden(*form, "Btn_hidden", {0, 160, 80, 25}, "Hidden");
  Button disabled(*form, "Btn_disabled", {90, 160, 80, 25}, "Disabled");
  Button next(*form, "Btn_weiter", {180, 160, 80, 25}, "Next");
  hidden.hide();
  disabled.setEnabled(false);
  name.setFocus();
  struct Case {
    bool shift;
    Control* focus;
  } cases[] = {{false, &inPage}, {false, &next}, {false, &name}, {true, &next}, {true, &inPage}, {true, &name}};
  for (const auto& c : cases) {
    Control* from = form->focusedControl();
    EXPECT_TRUE(from->pressKey(Key::Tab, {c.shift, false, false}));
    EXPECT_EQ(form->focusedControl(), c.focus) << "from " << from->name() << (c.shift ? " back" : "");
  }
}

TEST_F(Controls, RadioButtonsExcludeEachOtherWithinParentAndGroup) {
  Panel page(*form, "Ebn_configuration", {0, 0, 300, 200});
  RadioButton standard(page, "Rb_standard", {0, 0, 100, 17}, "Standard");
  RadioButton minimum(page, "Rb_minimum", {0, 20, 100, 17}, "Minimum");
  RadioButton custom(page, "Rb_custom", {0, 40, 100, 17}, "Custom");
  RadioButton other1(page, "Rb_a", {0, 80, 100, 17}, "A", 1);
  RadioButton other2(page, "Rb_b", {0, 100, 100, 17}, "B", 1);
  RadioButton elsewhere(*form, "Rb_form", {310, 0, 80, 17}, "Form");
  int clicks = 0;
  minimum.onClick = [&](Control&) { ++clicks; };
  standard.setChecked(true);
  other1.setChecked(true);
  elsewhere.setChecked(true);
  EXPECT_TRUE(minimum.click());
  EXPECT_FALSE(standard.checked());
  EXPECT_TRUE(minimum.checked());
  EXPECT_TRUE(other1.checked()) << "another group";
  EXPECT_TRUE(elsewhere.checked()) << "another parent";
  EXPECT_TRUE(minimum.click());  // a click on a checked one is still reported
  EXPECT_EQ(clicks, 2);
  custom.setChecked(true);
  EXPECT_FALSE(minimum.checked());
  EXPECT_EQ(clicks, 2) << "programmatic checks fire nothing";
  // A disabled page takes no clicks.
  page.setEnabled(false);
  EXPECT_FALSE(standard.click());
  EXPECT_TRUE(custom.checked());
  // Radio buttons the program manages itself do not uncheck the others.
  page.setEnabled(true);
  other2.setAutoExclusive(false);
  other2.setChecked(true);
  EXPECT_TRUE(other1.checked());
}

std::vector<int> rowsOf(const ListView& lv) { return lv.selectedRows(); }

TEST_F(Controls, ListViewSelection) {
  struct Click {
    int row;
    ShiftState shift;
  };
  struct Case {
    const char* what;
    bool multi;
    std::vector<Click> clicks;
    std::vector<int> selected;
    int focused;
    int focusedSelected;
  } cases[] = {
      {"single: last click wins", false, {{1, {}}, {3, {}}}, {3}, 3, 3},
      {"single: ctrl does not add", false, {{1, {}}, {3, {false, true, false}}}, {3}, 3, 3},
      {"single: click below the rows clears", false, {{2, {}}, {-1, {}}}, {}, 2, -1},
      {"multi: ctrl adds", true, {{1, {}}, {3, {false, true, false}}}, {1, 3}, 3, 3},
      {"multi: ctrl toggles off, focus stays", true, {{1, {}}, {3, {false, true, false}}, {3, {false, true, false}}}, {1}, 3, -1},
      {"multi: shift takes the range", true, {{1, {}}, {4, {true, false, false}}}, {1, 2, 3, 4}, 4, 4},
      {"multi: shift upwards", true, {{3, {}}, {0, {true, false, false}}}, {0, 1, 2, 3}, 0, 0},
      {"multi: plain click resets", true, {{1, {}}, {4, {true, false, false}}, {2, {}}}, {2}, 2, 2},
  };
  for (const auto& c : cases) {
    ListView lv(*form, "lv", {0, 0, 300, 200});
    lv.addColumn("Name", 90);
    lv.addColumn("BSSID", 122);
    lv.setFullRowSelect(true);
    lv.setMultiSelect(c.multi);
    for (int i = 0; i < 5; ++i) lv.addRow({"AP" + std::to_string(i), "00:00:00:00:00:0" + std::to_string(i)});
    for (const auto& k : c.clicks) EXPECT_TRUE(lv.clickRow(k.row, k.shift)) << c.what;
    EXPECT_EQ(rowsOf(lv), c.selected) << c.what;
    EXPECT_EQ(lv.focusedRow(), c.focused) << c.what;
    EXPECT_EQ(lv.focusedSelectedRow(), c.focusedSelected) << c.what;
  }
}

TEST_F(Controls, ListViewRowsAndStateAcrossDeletes) {
  ListView lv(*form, "lv", {0, 0, 300, 200});
  lv.addColumn("NO.", 35);
  lv.addColumn("MAC Address", 130);
  lv.setMultiSelect(true);
  for (int i = 0; i < 4; ++i) lv.addRow({std::to_string(i + 1)});
  lv.setCell(2, 1, "00-0A-1B-2C-3D-4E");
  EXPECT_EQ(lv.cell(2, 1), "00-0A-1B-2C-3D-4E");
  EXPECT_EQ(lv.cell(1, 1), "");
  int changes = 0;
  lv.onChange = [&](Control&) { ++changes; };
  lv.setSelected(1, true);
  lv.setSelected(3, true);
  lv.setFocusedRow(3);
  EXPECT_EQ(changes, 3) << "program changes are reported as the system reports them";
  lv.deleteRow(0);
  EXPECT_EQ(lv.selectedRows(), (std::vector<int>{0, 2}));
  EXPECT_EQ(lv.focusedRow(), 2);
  lv.deleteRow(2);
  EXPECT_EQ(lv.focusedRow(), -1) << "the focus does not jump to another row";
  EXPECT_EQ(lv.selectedRows(), (std::vector<int>{0}));
  EXPECT_EQ(lv.nextSelected(), 0);
  EXPECT_EQ(lv.nextSelected(0), -1);
  lv.clear();
  EXPECT_EQ(lv.rowCount(), 0);
  EXPECT_EQ(lv.focusedSelectedRow(), -1);
  EXPECT_FALSE(lv.clickRow(0)) << "no such row";
}

TEST_F(Controls, DoubleClickOnAListViewRowSelectsAndFocusesItFirst) {
  ListView lv(*form, "lv", {0, 0, 300, 200});
  lv.addColumn("Name", 90);
  lv.addRow({"a"});
  lv.addRow({"b"});
  int seenRow = -2;
  lv.onDoubleClick = [&](Control&) { seenRow = lv.focusedSelectedRow(); };
  EXPECT_TRUE(lv.doubleClickRow(1));
  EXPECT_EQ(seenRow, 1);
}

TEST_F(Controls, EditTypingObeysLimitDigitsAndReadOnly) {
  struct Case {
    const char* what;
    std::size_t max;
    bool digits;
    bool readOnly;
    const char* typed;
    const char* result;
    bool all;
    int beeps;
  } cases[] = {
      {"free", 0, false, false, "public", "public", true, 0},
      {"31 fit exactly", 31, false, false, "0123456789012345678901234567890", "0123456789012345678901234567890", true, 0},
      {"32nd refused", 31, false, false, "01234567890123456789012345678901", "0123456789012345678901234567890", false, 1},
      {"four digits", 4, true, false, "9999", "9999", true, 0},
      {"fifth digit refused", 4, true, false, "23460", "2346", false, 1},
      {"letters refused", 4, true, false, "1a2b", "12", false, 2},
      {"read-only", 0, false, true, "x", "", false, 1},
  };
  for (const auto& c : cases) {
    Edit e(*form, "e", {0, 0, 100, 21});
    e.setMaxLength(c.max);
    e.setDigitsOnly(c.digits);
    e.setReadOnly(c.readOnly);
    int before = ui.beeps();
    EXPECT_EQ(e.type(c.typed), c.all) << c.what;
    EXPECT_EQ(e.text(), c.result) << c.what;
    EXPECT_EQ(ui.beeps() - before, c.beeps) << c.what;
    // What a widget reports goes through the same rules.
    Edit w(*form, "w", {0, 0, 100, 21});
    w.setMaxLength(c.max);
    w.setDigitsOnly(c.digits);
    w.setReadOnly(c.readOnly);
    w.userReplace(c.typed);
    EXPECT_EQ(w.text(), c.result) << c.what << " (replace)";
  }
}

TEST_F(Controls, EditChangeFiresForProgramAndUserButNotForSameText) {
  Edit e(*form, "edt_verz", {2, 95, 300, 21});
  int changes = 0;
  e.onChange = [&](Control&) { ++changes; };
  e.setText("C:\\Programs");
  e.setText("C:\\Programs");
  EXPECT_EQ(changes, 1);
  e.type("\\x");
  EXPECT_EQ(changes, 3);
  e.setMaxLength(3);
  e.setText("longer than three");  // the program is not bound by the limit
  EXPECT_EQ(e.text(), "longer than three");
  e.setPasswordChar('*');
  std::ostringstream out;
  e.describe(out);
  EXPECT_EQ(out.str().find("longer"), std::string::npos) << "a password edit never shows its text: " << out.str();
}

TEST_F(Controls, UpDownStaysInItsRangeAndKeepsTheBuddyText) {
  Edit channel(*form, "1009", {0, 0, 40, 21});
  UpDown spin(*form, "1010", {40, 0, 12, 21});
  spin.setBuddy(&channel);
  struct Case {
    int lo, hi, start;
    int ups, downs;
    int end;
  } cases[] = {
      {1, 11, 11, 3, 0, 11},   // up stops at the top
      {1, 11, 1, 0, 2, 1},     // down stops at the bottom
      {10, 13, 12, 1, 0, 13},
      {1, 14, 30, 0, 0, 14},   // a start outside the range is clamped
      {0, 2346, 2346, 1, 1, 2345},
      {10, 1, 5, 2, 0, 3},     // minimum above maximum: up goes towards the maximum, the number falls
  };
  for (const auto& c : cases) {
    spin.setRange(c.lo, c.hi);
    spin.setPosition(c.start);
    for (int i = 0; i < c.ups; ++i) spin.up();
    for (int i = 0; i < c.downs; ++i) spin.down();
    EXPECT_EQ(spin.position(), c.end) << c.lo << ".." << c.hi;
    EXPECT_EQ(channel.text(), std::to_string(c.end));
  }
  // A number typed beyond the range stays in the edit as typed; the spin reads it clamped.
  spin.setRange(0, 2346);
  channel.setText("9999");
  EXPECT_EQ(channel.text(), "9999");
  EXPECT_EQ(spin.position(), 2346);
  spin.up();
  EXPECT_EQ(channel.text(), "9999") << "already at the top: nothing moves";
  spin.down();
  EXPECT_EQ(channel.text(), "2345");
}

TEST_F(Controls, IpAddressFieldRanges) {
  IpAddress ip(*form, "1014", {0, 0, 120, 21});
  const std::pair<int, int> ranges[4] = {{1, 223}, {0, 255}, {0, 255}, {1, 254}};
  for (int i = 0; i < 4; ++i) ip.setRange(i, ranges[i].first, ranges[i].second);
  struct Case {
    int field;
    const char* typed;
    std::optional<int> value;
    bool asIs;
  } cases[] = {
      {0, "192", 192, true},   {0, "224", 223, false}, {0, "0", 1, false},    {1, "255", 255, true},
      {1, "256", 255, false},  {3, "255", 254, false}, {3, "0", 1, false},    {2, "", std::nullopt, true},
      {2, "12a", 12, false},   {2, "1234", 123, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ip.typeField(c.field, c.typed), c.asIs) << c.typed;
    EXPECT_EQ(ip.field(c.field), c.value) << c.typed;
  }
  std::array<int, 4> v{};
  ip.clearAddress();
  EXPECT_EQ(ip.address(v), 0);
  EXPECT_TRUE(ip.isBlank());
  ip.typeField(1, "10");
  EXPECT_EQ(ip.address(v), 1);
  EXPECT_EQ(v, (std::array<int, 4>{0, 10, 0, 0}));
  // The program's values are not bound by the ranges, only taken modulo 256.
  ip.setAddress(0, 300, 255, 255);
  EXPECT_EQ(ip.dotted(), "0.44.255.255");
  EXPECT_EQ(ip.address(v), 4);
}

TEST_F(Controls, SortedListBoxIgnoresCaseAndKeepsSelection) {
  ListBox lb(*form, "lstprggrp", {2, 115, 225, 110});
  lb.setSorted(true);
  for (const char* s : {"Zubeh\xF6r", "accessories", "Games", "Autostart", "games"}) lb.addItem(s);
  EXPECT_EQ(lb.items(), (std::vector<std::string>{"accessories", "Autostart", "Games", "games", "Zubeh\xF6r"}));
  std::string clicked;
  lb.onClick = [&](Control&) { clicked = lb.item(lb.itemIndex()); };
  EXPECT_TRUE(lb.clickItem(2));
  EXPECT_EQ(clicked, "Games");
  lb.addItem("Accessories 2");
  EXPECT_EQ(lb.item(lb.itemIndex()), "Games") << "the selection follows its item";
  EXPECT_EQ(lb.indexOf("AUTOSTART"), 2);
}

TEST_F(Controls, DropDownListReportsOnlyUserChanges) {
  ComboBox cb(*form, "1017", {0, 0, 80, 100});
  cb.addItem("DISABLE");
  cb.addItem("ENABLE");
  int changes = 0;
  cb.onChange = [&](Control&) { ++changes; };
  cb.setItemIndex(1);
  EXPECT_EQ(changes, 0);
  EXPECT_TRUE(cb.select(0));
  EXPECT_EQ(cb.selectedText(), "DISABLE");
  EXPECT_TRUE(cb.select(0));
  EXPECT_EQ(changes, 1);
  EXPECT_FALSE(cb.select(2));
}

TEST_F(Controls, MemoLines) {
  Memo m(*form, "memo", {1, 45, 300, 162});
  struct Case {
    const char* text;
    std::size_t lines;
  } cases[] = {{"", 0}, {"one", 1}, {"one\r\n", 1}, {"a\r\nb\nc\rd", 4}, {"\r\n", 1}, {"a\r\n\r\nb", 3}};
  for (const auto& c : cases) {
    m.setText(c.text);
    EXPECT_EQ(m.lineCount(), c.lines) << quoted(c.text);
  }
  m.clear();
  m.addLine("Standard");
  m.addLine("         Option 1");
  EXPECT_EQ(m.text(), "Standard\r\n         Option 1");
}

TEST_F(Controls, ProgressGaugeClampsAndLabelFitsItsText) {
  ProgressBar g(*form, "pr_load16", {46, 49, 212, 16});
  g.setPosition(60);
  EXPECT_DOUBLE_EQ(g.fraction(), 0.6);
  g.setPosition(140);
  EXPECT_EQ(g.position(), 100);
  g.setPosition(-5);
  EXPECT_EQ(g.position(), 0);
  Label l(*form, "Lbl_1", {14, 10, 10, 10});
  Font big;
  big.pixelHeight = 35;
  big.bold = true;
  l.setFont(big);
  l.setAutoSize(true);
  l.setText("Title");
  EXPECT_EQ(l.height(), 35);
  EXPECT_GT(l.width(), 5 * 10);
  l.setText("Two\rlines");
  EXPECT_EQ(l.height(), 70);
}

TEST_F(Controls, ControlsKeepTheFormsFontUntilTheyGetTheirOwn) {
  Label a(*form, "a", {0, 0, 10, 10});
  Label b(*form, "b", {0, 20, 10, 10});
  Font title;
  title.pixelHeight = 35;
  title.bold = true;
  b.setFont(title);
  Font courier;
  courier.name = "Courier New";
  courier.pointSize = 10;
  form->setFont(courier);
  EXPECT_EQ(a.font(), courier);
  EXPECT_EQ(b.font(), title);
  Label later(*form, "later", {0, 40, 10, 10});
  EXPECT_EQ(later.font(), courier);
}

TEST_F(Controls, FocusMovesWithEnterAndExitEvents) {
  Edit a(*form, "a", {0, 0, 10, 10});
  Edit b(*form, "b", {0, 20, 10, 10});
  std::vector<std::string> log;
  a.onEnter = [&](Control&) { log.push_back("a+"); };
  a.onExit = [&](Control&) { log.push_back("a-"); };
  b.onEnter = [&](Control&) { log.push_back("b+"); };
  a.setFocus();
  b.setFocus();
  EXPECT_EQ(log, (std::vector<std::string>{"a+", "a-", "b+"}));
  EXPECT_EQ(app.focusedControl(), &b);
  b.hide();
  EXPECT_EQ(form->focusedControl(), nullptr) << "a hidden control loses the focus";
}

class FakeFolders : public FolderSource {
 public:
  std::map<std::string, std::vector<std::string>> tree{
      {"C:\\", {"windows", "Programs", "temp"}},
      {"C:\\Programs", {"Vendor", "another"}},
      {"C:\\Programs\\Vendor", {}},
      {"C:\\temp", {}},
      {"C:\\windows", {}},
      {"D:\\", {"disk1"}},
      {"D:\\disk1", {}},
  };
  std::vector<char> drives() const override { return {'D', 'C'}; }
  std::vector<std::string> subfolders(const std::string& p) const override {
    auto it = tree.find(p);
    return it == tree.end() ? std::vector<std::string>{} : it->second;
  }
  bool folderExists(const std::string& p) const override { return tree.count(p) > 0; }
};

TEST_F(Controls, DirectoryListShowsThePathThenSubfoldersAndFollowsTheDriveList) {
  FakeFolders fs;
  DirectoryList dir(*form, "lstdir", {7, 5, 237, 148});
  DriveList drives(*form, "DriveComboBox1", {66, 157, 179, 19});
  dir.setSource(&fs);
  drives.setSource(&fs);
  drives.setDirectoryList(&dir);
  EXPECT_EQ(drives.drives(), (std::vector<char>{'C', 'D'}));
  EXPECT_EQ(drives.itemText(0), "c:");
  ASSERT_TRUE(drives.setDrive('c'));
  EXPECT_EQ(dir.directory(), "C:\\");
  EXPECT_EQ(dir.items(), (std::vector<std::string>{"C:\\", "Programs", "temp", "windows"}));
  ASSERT_TRUE(dir.openItem(1));
  EXPECT_EQ(dir.directory(), "C:\\Programs");
  EXPECT_EQ(dir.items(), (std::vector<std::string>{"C:\\", "Programs", "another", "Vendor"}));
  EXPECT_EQ(dir.currentIndex(), 1);
  EXPECT_EQ(dir.pathOf(3), "C:\\Programs\\Vendor");
  ASSERT_TRUE(dir.openItem(3));
  EXPECT_EQ(dir.directory(), "C:\\Programs\\Vendor");
  EXPECT_EQ(dir.pathOf(0), "C:\\");
  EXPECT_EQ(dir.pathOf(1), "C:\\Programs");
  ASSERT_TRUE(dir.openItem(0));
  EXPECT_EQ(dir.directory(), "C:\\");
  EXPECT_FALSE(dir.setDirectory("C:\\missing"));
  EXPECT_EQ(dir.directory(), "C:\\");
  EXPECT_TRUE(drives.setDrive('D'));
  EXPECT_EQ(dir.directory(), "D:\\");
  EXPECT_FALSE(drives.setDrive('Q'));
}

TEST_F(Controls, DumpShowsGeometryTextsAndStates) {
  form->setCaption("Setup");
  form->setBorderStyle(BorderStyle::Single);
  form->setBorderIcons({false, false, false});
  Label l(*form, "Lbl", {46, 6, 233, 41}, "Loading\rplease wait");
  l.setWordWrap(true);
  CheckBox c(*form, "Cb_1", {0, 0, 90, 17}, "Option");
  c.setChecked(true);
  c.setEnabled(false);
  std::string d = dumpForm(*form);
  EXPECT_NE(d.find("Form TTest \"Setup\" client 400x300"), std::string::npos) << d;
  EXPECT_NE(d.find("border=single icons=none"), std::string::npos) << d;
  EXPECT_NE(d.find("  Label Lbl 46,6 233x41 \"Loading\\rplease wait\" wordwrap"), std::string::npos) << d;
  EXPECT_NE(d.find("  CheckBox Cb_1 0,0 90x17 \"Option\" disabled [x]"), std::string::npos) << d;
}

}  // namespace
