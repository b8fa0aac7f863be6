// A window read once and written twice: the terminal's text and the page's JSON show the same
// controls, kinds and texts.
#include "window_snapshot.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "kinds_window.h"
#include "one_line.h"
#include "ui_script.h"

namespace vantel::host {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// What the text must show of a control the JSON holds, a user seeing it: its number, its kind,
// what it reads, its marks.
void ExpectLineShows(const Json& control, const std::string& line, size_t depth) {
  SCOPED_TRACE(control.dump());
  const std::string indent(depth * 2, ' ');
  EXPECT_EQ(line.rfind(indent + std::to_string(control.at("id").get<int32_t>()), 0), 0u) << line;
  const std::string kind = control.at("kind");
  EXPECT_NE(line.find(": " + kind), std::string::npos) << line;
  if (kind == Name(ControlKind::kDialog)) return;
  const bool disabled = line.ends_with(", disabled");
  EXPECT_EQ(disabled, !control.at("enabled").get<bool>()) << line;
  if (control.contains("checked")) {
    const bool checked = control.at("checked");
    EXPECT_NE(line.find(checked ? ", checked" : ", unchecked"), std::string::npos) << line;
  }
  if (!control.contains("items")) {
    EXPECT_NE(line.find(OneLineQuoted(control.at("text"))), std::string::npos) << line;
    return;
  }
  const auto items = control.at("items").get<std::vector<std::string>>();
  EXPECT_NE(line.find(" of " + OneLineList(items)), std::string::npos) << line;
  if (!control.contains("selection")) return;
  const int32_t selection = control.at("selection");
  const bool shown = selection >= 0 && static_cast<size_t>(selection) < items.size();
  const std::string expected =
      shown ? std::to_string(selection) + " " + OneLineQuoted(items[static_cast<size_t>(selection)])
            : "none";
  EXPECT_NE(line.find(", " + expected + " of "), std::string::npos) << line;
}

// Walks the JSON's controls as a user sees them (hidden ones and what a hidden page holds
// left out), each against the next line of the text.
void ExpectSameControls(const Json& controls, const std::vector<std::string>& lines, size_t& at,
                        size_t depth) {
  for (const Json& control : controls) {
    if (!control.at("visible").get<bool>()) continue;
    ASSERT_LT(at, lines.size()) << "the text lacks " << control.dump();
    ExpectLineShows(control, lines[at++], depth);
    if (control.contains("controls"))
      ExpectSameControls(control.at("controls"), lines, at, depth + 1);
  }
}

void ExpectWritersAgree(const WindowSnapshot& snapshot) {
  const std::vector<std::string> lines = Lines(WindowSnapshotText(snapshot, {}));
  const Json json = WindowSnapshotJson(snapshot);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "window " + OneLineQuoted(json.at("caption")));
  EXPECT_EQ(json.at("handle"), snapshot.handle);
  size_t at = 1;
  ExpectSameControls(json.at("controls"), lines, at, 1);
  EXPECT_EQ(at, lines.size()) << "the text shows a control the JSON does not";
}

ControlSnapshot Control(int32_t id, ControlKind kind, std::string text, bool visible = true) {
  ControlSnapshot control;
  control.handle = static_cast<VantelUiWindow>(100 + id);
  control.id = id;
  control.kindName = Name(kind);
  control.kind = kind;
  control.text = std::move(text);
  control.visible = visible;
  control.enabled = true;
  control.rect = {110, 80, 150, 100};
  return control;
}

// What the API can show that a dialog of the plug-in seldom does: hidden controls and pages,
// a kind this host does not know, texts on several lines, selections out of range.
WindowSnapshot OddWindow() {
  WindowSnapshot window;
  window.handle = 7;
  window.caption = "Two\nlines";
  window.kindName = Name(ControlKind::kDialog);
  window.rect = {100, 50, 400, 300};
  window.scrollBar = std::array<int32_t, 4>{0, 300, 250, 10};

  ControlSnapshot combo = Control(1, ControlKind::kComboBox, "");
  combo.items = {"a", "b\nc"};
  combo.selection = 1;
  ControlSnapshot tabs = Control(2, ControlKind::kTabControl, "");
  tabs.items = {"One"};
  tabs.selection = 5;  // past the entries: none shown
  ControlSnapshot list = Control(3, ControlKind::kListView, "rows");
  list.items = {"r0", "r1"};
  list.selection = 0;
  ControlSnapshot check = Control(4, ControlKind::kCheckBox, "Check");
  check.checked = true;
  check.enabled = false;
  ControlSnapshot unknown = Control(5, ControlKind::kStatic, "spin");
  unknown.kindName = "spinner";
  unknown.kind = std::nullopt;
  ControlSnapshot page = Control(6, ControlKind::kDialog, "");
  page.children = {Control(61, ControlKind::kEdit, "on\nthe page"),
                   Control(62, ControlKind::kRadioButton, "hidden", false)};
  ControlSnapshot hiddenPage = Control(7, ControlKind::kDialog, "", false);
  hiddenPage.children = {Control(71, ControlKind::kStatic, "under a hidden page")};
  window.controls = {
      combo,   tabs, list,       check,
      unknown, page, hiddenPage, Control(8, ControlKind::kPushButton, "hidden", false)};
  return window;
}

TEST(WindowSnapshotTest, TextAndJsonShowTheSameControlsOfAnOddWindow) {
  const WindowSnapshot window = OddWindow();
  ExpectWritersAgree(window);
  const Json json = WindowSnapshotJson(window);
  // Only the text leaves out what a user cannot see.
  EXPECT_EQ(json.at("controls").size(), window.controls.size());
  EXPECT_EQ(json.at("controls").at(6).at("controls").size(), 1u);
  // The page's frame is the window's: rectangles from its top left corner, its own size.
  EXPECT_EQ(json.at("rect"), Json::array({0, 0, 300, 250}));
  EXPECT_EQ(json.at("controls").at(0).at("rect"), Json::array({10, 30, 40, 20}));
  EXPECT_EQ(json.at("scroll"), Json::array({0, 300, 250, 10}));
  // A kind the host does not know is passed on, with nothing read that it might not have.
  const Json& unknown = json.at("controls").at(4);
  EXPECT_EQ(unknown.at("kind"), "spinner");
  EXPECT_FALSE(unknown.contains("items") || unknown.contains("checked"));
}

TEST(WindowSnapshotTest, AWindowWithoutRangeHasNoScrollBar) {
  WindowSnapshot window = OddWindow();
  window.scrollBar.reset();
  EXPECT_TRUE(WindowSnapshotJson(window).at("scroll").is_null());
}

// The API of this process, looked up by name as a host looks the plug-in's up.
UiApi ProcessUiApi(std::vector<std::string>* missing) {
  return UiApi::Load([missing](const char* name) {
    void* symbol = dlsym(RTLD_DEFAULT, name);
    if (!symbol) missing->push_back(name);
    return symbol;
  });
}

TEST_F(KindsWindowTest, TextAndJsonShowTheSameControlsOfARealWindow) {
  std::vector<std::string> missing;
  const UiApi ui = ProcessUiApi(&missing);
  ASSERT_TRUE(missing.empty()) << missing.front();
  const WindowSnapshot snapshot = ReadWindowSnapshot(ui, window_);
  ExpectWritersAgree(snapshot);
  EXPECT_EQ(snapshot.caption, "Kinds");
  ASSERT_FALSE(snapshot.controls.empty());
  // Read once, every kind is known and every control holds what the API shows of it.
  for (const ControlSnapshot& control : snapshot.controls) {
    SCOPED_TRACE(control.kindName);
    ASSERT_TRUE(control.kind);
    EXPECT_EQ(control.text, ui.Text(control.handle));
    EXPECT_EQ(control.items,
              control.ListsEntries() ? ui.Items(control.handle) : std::vector<std::string>{});
  }
  // The page is read with what it holds.
  const ControlSnapshot& page = snapshot.controls.back();
  ASSERT_TRUE(page.Is(ControlKind::kDialog));
  ASSERT_EQ(page.children.size(), 1u);
  EXPECT_EQ(page.children[0].text, "On the page");
  const Json json = WindowSnapshotJson(snapshot);
  EXPECT_EQ(json.at("controls").size(), snapshot.controls.size());
  // The script's `show` is this text, with the script's names beside the ids.
  EXPECT_EQ(Lines(DescribeWindow(ui, window_)).size(),
            Lines(WindowSnapshotText(snapshot, {})).size());
}

}  // namespace
}  // namespace vantel::host
