#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <regex>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dialog_template.h"
#include "platform/module_state.h"
#include "platform/resources.h"
#include "platform/string_table.h"
#include "res/dialog_ids.h"
#include "res/resources_en.h"
#include "res/string_ids.h"

namespace vantel {
namespace {

std::span<const StringEntry> Entries(const ResourceModule& module) {
  return {module.strings, module.stringCount};
}

const char* FindText(const ResourceModule& module, uint32_t id) {
  for (const StringEntry& e : Entries(module))
    if (e.id == id) return e.text;
  return nullptr;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(const std::string& s) {
  size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    size_t extra = 0;
    uint32_t cp = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      extra = 1, cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2, cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3, cp = c & 0x07;
    } else {
      return false;
    }
    if (i + extra >= s.size()) return false;
    for (size_t k = 1; k <= extra; ++k) {
      const auto cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    constexpr uint32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMinimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += extra + 1;
  }
  return true;
}

std::vector<std::string> Matches(const std::string& text, const std::regex& pattern) {
  std::vector<std::string> found;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern);
       it != std::sregex_iterator(); ++it)
    found.push_back(it->str());
  return found;
}

// The French module is the shipped library, loaded as the plug-in loads it.
class StringTableTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    library_ = dlopen(VANTEL_BUILD_DIR "/libvantelFRA.so", RTLD_NOW | RTLD_LOCAL);
    if (!library_) return;
    auto entry =
        reinterpret_cast<VantelResourceModuleFn>(dlsym(library_, VANTEL_RESOURCE_MODULE_SYMBOL));
    french_ = entry ? entry() : nullptr;
  }
  static void TearDownTestSuite() {
    french_ = nullptr;
    if (library_) dlclose(library_);
    library_ = nullptr;
  }
  void SetUp() override {
    ASSERT_NE(french_, nullptr) << "libvantelFRA.so or its " VANTEL_RESOURCE_MODULE_SYMBOL
                                   " export is missing: "
                                << (library_ ? "no symbol" : dlerror());
  }

  const ResourceModule& English() const { return EnglishResources(); }
  const ResourceModule& French() const { return *french_; }

  static void* library_;
  static const ResourceModule* french_;
};

void* StringTableTest::library_ = nullptr;
const ResourceModule* StringTableTest::french_ = nullptr;

TEST_F(StringTableTest, ModulesAreNamedByLanguage) {
  EXPECT_STREQ(English().name, "en");
  EXPECT_STREQ(French().name, "fr");
  EXPECT_GT(English().stringCount, 0u);
}

TEST_F(StringTableTest, BothTablesAreSortedByIdWithoutDuplicates) {
  for (const ResourceModule* module : {&English(), &French()}) {
    auto entries = Entries(*module);
    auto bad =
        std::adjacent_find(entries.begin(), entries.end(),
                           [](const StringEntry& a, const StringEntry& b) { return a.id >= b.id; });
    EXPECT_TRUE(bad == entries.end())
        << module->name << ": id " << bad->id << " is not below the next one";
    for (const StringEntry& e : entries) {
      EXPECT_GE(e.id, 17000u) << module->name;
      EXPECT_LE(e.id, 21002u) << module->name;
    }
  }
}

TEST_F(StringTableTest, FrenchCarriesExactlyTheEnglishIds) {
  std::set<uint32_t> english, french;
  for (const StringEntry& e : Entries(English())) english.insert(e.id);
  for (const StringEntry& e : Entries(French())) french.insert(e.id);
  for (uint32_t id : english) EXPECT_TRUE(french.count(id)) << "French lacks " << id;
  for (uint32_t id : french) EXPECT_TRUE(english.count(id)) << "French only: " << id;
}

TEST_F(StringTableTest, LoadStringFindsEveryTextOfTheModuleInForce) {
  for (const StringEntry& e : Entries(English())) EXPECT_EQ(LoadString(e.id), e.text) << e.id;

  ModuleState frenchState;
  frenchState.resources = french_;
  ModuleStateGuard guard(frenchState);
  for (const StringEntry& e : Entries(French())) EXPECT_EQ(LoadString(e.id), e.text) << e.id;
}

TEST_F(StringTableTest, AModuleInForceFallsBackToTheEnglishOneForWhatItLacks) {
  EXPECT_EQ(&BuiltinResources(), &English());
  const StringEntry strings[] = {{IDS_HOST_UNKNOWN_ERROR, "seul texte"}};
  const ResourceModule partial{"partial", strings, 1, nullptr, 0};
  ModuleState state{&partial, nullptr};
  ModuleStateGuard guard(state);
  EXPECT_EQ(LoadString(IDS_HOST_UNKNOWN_ERROR), "seul texte");
  EXPECT_EQ(LoadString(IDS_HOST_DATA_ERROR), FindText(English(), IDS_HOST_DATA_ERROR));
  EXPECT_EQ(LoadString(1), "");
  const DialogTemplate* report = FindDialogTemplate(IDD_REPORT);
  ASSERT_NE(report, nullptr);
  EXPECT_STREQ(report->caption, "Error configuration report");
  EXPECT_EQ(FindDialogTemplate(1), nullptr);
}

TEST_F(StringTableTest, TextsAreNonEmptyUtf8WithLineFeedsAsOnlyControls) {
  for (const ResourceModule* module : {&English(), &French()}) {
    for (const StringEntry& e : Entries(*module)) {
      const std::string text = e.text;
      EXPECT_FALSE(text.empty()) << module->name << " " << e.id;
      EXPECT_TRUE(IsValidUtf8(text)) << module->name << " " << e.id;
      const bool strayControl = std::any_of(text.begin(), text.end(), [](char c) {
        return c != '\n' && static_cast<unsigned char>(c) < 0x20;
      });
      EXPECT_FALSE(strayControl) << module->name << " " << e.id;
    }
  }
}

// Messages are composed by concatenation and split into report rows at line feeds, so a
// translation must keep the rows, the numbers, the format specifiers and the joining blanks.
TEST_F(StringTableTest, TranslationKeepsRowsNumbersFormatsAndJoiningBlanks) {
  const std::regex number("[0-9]+");
  const std::regex format("%[-+ #0]*[0-9]*(\\.[0-9]+)?[a-zA-Z]");
  for (const StringEntry& e : Entries(English())) {
    const char* translated = FindText(French(), e.id);
    if (!translated) continue;  // reported by FrenchCarriesExactlyTheEnglishIds
    const std::string en = e.text, fr = translated;
    SCOPED_TRACE(e.id);
    EXPECT_EQ(std::count(en.begin(), en.end(), '\n'), std::count(fr.begin(), fr.end(), '\n'));
    auto enNumbers = Matches(en, number), frNumbers = Matches(fr, number);
    std::sort(enNumbers.begin(), enNumbers.end());
    std::sort(frNumbers.begin(), frNumbers.end());
    EXPECT_EQ(enNumbers, frNumbers);
    EXPECT_EQ(Matches(en, format), Matches(fr, format));
    EXPECT_EQ(en.front() == ' ', fr.front() == ' ');
    EXPECT_EQ(en.back() == ' ', fr.back() == ' ');
    // A plain blank would let a line break before the colon or semicolon.
    EXPECT_EQ(fr.find(" :"), std::string::npos);
    EXPECT_EQ(fr.find(" ;"), std::string::npos);
  }
}

TEST_F(StringTableTest, FrenchTranslatesEverythingButWordsSharedByBothLanguages) {
  const std::set<uint32_t> sameInBoth = {IDS_TAB_INJECTION, IDS_TAB_PHASES, IDS_START_TOOTH_MARK};
  for (const StringEntry& e : Entries(English())) {
    const char* translated = FindText(French(), e.id);
    if (!translated || sameInBoth.count(e.id)) continue;
    EXPECT_STRNE(translated, e.text) << e.id << " is not translated";
  }
}

TEST_F(StringTableTest, HostErrorTextsAreExact) {
  struct Case {
    uint32_t id;
    const char* text;
  };
  constexpr Case kCases[] = {
      {IDS_HOST_UNKNOWN_ERROR, "Action canceled\nUnknown error"},
      {IDS_HOST_INTERNAL_ERROR, "Action canceled\nDoranix internal error"},
      {IDS_HOST_DATA_ERROR, "Action canceled\nDll data error"},
      {IDS_HOST_TARGET_ERROR, "Action canceled\nDll target error"},
      {IDS_HOST_ACTION_ERROR, "Action canceled\nDll action error"},
      {IDS_HOST_ACCESS_ERROR, "Action canceled\nAcces rights too low"},
      {IDS_HOST_TRANSFER_ERROR, "Action canceled\nDll transfert error"},
  };
  for (const Case& c : kCases) EXPECT_EQ(LoadString(c.id), c.text) << c.id;
}

TEST_F(StringTableTest, MajorErrorTextIsExactInFourRows) {
  EXPECT_EQ(LoadString(IDS_MAJOR_ERROR),
            "KALBRIX MAJOR ERROR\nThis Kalbrix cannot be used and cannot be saved:\n"
            "Engine management homogeneity control aborted.\nContact Talvek");
}

// Widths in dialog units at the dialog font's average character width; capitals (Latin-1 ones
// included) are wider than the rest.
int TextWidthDu(std::string_view text) {
  int width = 0;
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    const uint32_t latin1 =
        length == 2 && i + 1 < text.size()
            ? ((lead & 0x1Fu) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3Fu)
            : 0;
    const bool capital =
        (lead >= 'A' && lead <= 'Z') || (latin1 >= 0xC0 && latin1 <= 0xDE && latin1 != 0xD7);
    width += capital ? 6 : 4;
    i += length;
  }
  return width;
}

// Lines the text takes when wrapped at blanks into `width` units (a non-breaking space keeps
// its neighbours together); nothing when a word is wider than a line.
std::optional<int> WrappedLines(std::string_view text, int width) {
  constexpr int kBlank = 4;
  int lines = 0;
  for (size_t start = 0; start <= text.size();) {
    const size_t end = std::min(text.find('\n', start), text.size());
    ++lines;
    int used = -kBlank;
    const std::string_view row = text.substr(start, end - start);
    for (size_t at = 0; at <= row.size();) {
      const size_t blank = std::min(row.find(' ', at), row.size());
      const int word = TextWidthDu(row.substr(at, blank - at));
      at = blank + 1;
      if (word == 0) continue;
      if (word > width) return std::nullopt;
      if (used + kBlank + word > width) {
        ++lines;
        used = word;
      } else {
        used += kBlank + word;
      }
    }
    start = end + 1;
  }
  return lines;
}

const DialogTemplate* FindDialog(const ResourceModule& module, uint32_t id) {
  for (size_t i = 0; i < module.dialogCount; ++i)
    if (module.dialogs[i]->id == id) return module.dialogs[i];
  return nullptr;
}

const ControlTemplate* FindControl(const DialogTemplate& dialog, int32_t id) {
  for (size_t i = 0; i < dialog.controlCount; ++i)
    if (dialog.controls[i].id == id) return &dialog.controls[i];
  return nullptr;
}

// Why `text` would be cut off in `control`, or empty when it fits.
std::string Overflow(const ControlTemplate& control, std::string_view text) {
  struct TextControl {
    ControlKind kind;
    int marginDu;  // taken by the control itself: the box of a button, the frame of a group
  };
  constexpr TextControl kTextControls[] = {
      {ControlKind::Static, 0},       {ControlKind::PushButton, 0}, {ControlKind::DefPushButton, 0},
      {ControlKind::RadioButton, 12}, {ControlKind::CheckBox, 12},  {ControlKind::GroupBox, 2 * 4},
  };
  const auto kind = std::find_if(std::begin(kTextControls), std::end(kTextControls),
                                 [&](const TextControl& c) { return c.kind == control.kind; });
  if (kind == std::end(kTextControls)) return "";
  const int width = control.rect.w - kind->marginDu;
  // Only a static wraps, over as many lines of 8 units as its height holds.
  const int rows = control.kind == ControlKind::Static ? std::max(1, control.rect.h / 8) : 1;
  const std::optional<int> lines = WrappedLines(text, width);
  if (lines && *lines <= rows) return "";
  return "\"" + std::string(text) + "\" needs " +
         (lines ? std::to_string(*lines) + " lines" : "a wider line") + " of " +
         std::to_string(width) + " units, has " + std::to_string(rows);
}

class DialogTextTest : public StringTableTest {};

TEST_F(DialogTextTest, EveryTextFitsItsControlInBothLanguages) {
  // Texts a dialog puts into its controls at run time; the ignition label ends with the ECU's
  // maximum delay, at most five digits.
  struct RunTimeText {
    uint32_t dialog;
    int32_t control;
    uint32_t string;
    const char* suffix;
  };
  constexpr RunTimeText kRunTimeTexts[] = {
      {IDD_PHASES_PAGE, IDC_MAIN_MARKS_LABEL, IDS_LABEL_PHASE_MARKS, ""},
      {IDD_PHASES_PAGE, IDC_MAIN_MARKS_LABEL, IDS_LABEL_SYNC_ROUNDS, ""},
      {IDD_PHASES_PAGE, IDC_MAIN_MARKS_LABEL, IDS_LABEL_PRESSURE_PULSES, ""},
      {IDD_IGNITION_PAGE, IDC_IGNITION_DELAY_LABEL, IDS_IGNITION_DELAY_LABEL, " ( 0 - 65535 )"},
      {IDD_MAIN_CONFIGURATION, IDC_MAIN_NOTE_TEXT, IDS_NOTE_ENGINE_PAGE, ""},
      {IDD_MAIN_CONFIGURATION, IDC_MAIN_NOTE_TEXT, IDS_NOTE_BANKS_PAGE, ""},
      {IDD_MAIN_CONFIGURATION, IDC_MAIN_NOTE_TEXT, IDS_NOTE_PHASES_PAGE, ""},
      {IDD_MAIN_CONFIGURATION, IDC_MAIN_NOTE_TEXT, IDS_NOTE_IGNITION_PAGE, ""},
      {IDD_MAIN_CONFIGURATION, IDC_MAIN_NOTE_TEXT, IDS_NOTE_INJECTION_PAGE, ""},
  };
  for (const ResourceModule* module : {&English(), &French()}) {
    SCOPED_TRACE(module->name);
    EXPECT_GT(module->dialogCount, 0u);
    for (size_t d = 0; d < module->dialogCount; ++d) {
      const DialogTemplate& dialog = *module->dialogs[d];
      for (size_t i = 0; i < dialog.controlCount; ++i) {
        const ControlTemplate& control = dialog.controls[i];
        EXPECT_EQ(Overflow(control, control.text), "") << dialog.id << "/" << control.id;
      }
    }
    for (const RunTimeText& t : kRunTimeTexts) {
      const DialogTemplate* dialog = FindDialog(*module, t.dialog);
      const ControlTemplate* control = dialog ? FindControl(*dialog, t.control) : nullptr;
      const char* text = FindText(*module, t.string);
      ASSERT_NE(control, nullptr) << t.dialog << "/" << t.control;
      ASSERT_NE(text, nullptr) << t.string;
      EXPECT_EQ(Overflow(*control, std::string(text) + t.suffix), "")
          << t.dialog << "/" << t.control << " with " << t.string;
    }
  }
}

}  // namespace
}  // namespace vantel
