// The catalogue of the host's words: every word in both languages with the same values, the
// page served with every word it reads, and no French left outside the catalogue.
#include "words.h"

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "serve_page.h"

namespace vantel::host {
namespace {

namespace fs = std::filesystem;

constexpr HostLanguage kLanguages[] = {HostLanguage::kEnglish, HostLanguage::kFrench};

size_t Count(std::string_view text, std::string_view mark) {
  size_t count = 0;
  for (size_t at = text.find(mark); at != std::string_view::npos; at = text.find(mark, at + 1))
    ++count;
  return count;
}

// Letters French writes and English does not: an English text holding one is a French text
// in the wrong column, a source file holding one keeps words outside the catalogue.
const std::regex& FrenchLetters() {
  static const std::regex letters("à|â|ç|é|è|ê|ë|î|ï|ô|ù|û|œ|É|È|Ê|À|Ç|’");
  return letters;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(WordsTest, EveryWordHasBothLanguagesWithTheSameValues) {
  ASSERT_EQ(AllWords().size(), static_cast<size_t>(HostWord::kCount));
  for (const WordEntry& entry : AllWords()) {
    SCOPED_TRACE("word " + std::to_string(static_cast<int>(entry.word)) + ": " +
                 std::string(entry.en));
    EXPECT_EQ(In(entry.word, HostLanguage::kEnglish), entry.en);
    EXPECT_EQ(In(entry.word, HostLanguage::kFrench), entry.fr);
    EXPECT_FALSE(entry.en.empty());
    EXPECT_FALSE(entry.fr.empty());
    for (std::string_view mark : {"{}", "{0}", "{1}"})
      EXPECT_EQ(Count(entry.en, mark), Count(entry.fr, mark)) << mark;
    EXPECT_FALSE(std::regex_search(std::string(entry.en), FrenchLetters()));
  }
}

TEST(WordsTest, SayPutsEachValueInItsPlaceOnce) {
  for (const WordEntry& entry : AllWords()) {
    for (HostLanguage language : kLanguages) {
      const std::string_view pattern = In(entry.word, language);
      const size_t places = Count(pattern, "{}");
      // Values that hold the mark themselves: one is never taken for the next place.
      std::vector<std::string> values;
      for (size_t i = 0; i < places; ++i) values.push_back("<{}" + std::to_string(i) + ">");
      std::string said;
      switch (places) {
        case 0:
          said = Say(entry.word, language);
          break;
        case 1:
          said = Say(entry.word, language, {values[0]});
          break;
        case 2:
          said = Say(entry.word, language, {values[0], values[1]});
          break;
        case 3:
          said = Say(entry.word, language, {values[0], values[1], values[2]});
          break;
        case 4:
          said = Say(entry.word, language, {values[0], values[1], values[2], values[3]});
          break;
        case 5:
          said = Say(entry.word, language, {values[0], values[1], values[2], values[3], values[4]});
          break;
        case 6:
          said = Say(entry.word, language,
                     {values[0], values[1], values[2], values[3], values[4], values[5]});
          break;
        default:
          FAIL() << pattern << " has more places than this test fills";
      }
      SCOPED_TRACE(said);
      EXPECT_EQ(Count(said, "{}"), places);  // only those inside the values
      size_t last = 0;
      for (const std::string& value : values) {
        const size_t at = said.find(value);
        ASSERT_NE(at, std::string::npos);
        EXPECT_GE(at, last) << "in order";
        last = at;
      }
    }
  }
  // Fewer values than places leave the rest as they are.
  EXPECT_EQ(Format("{} and {}", {"one"}), "one and {}");
}

TEST(WordsTest, NumbersAndCodesInWords) {
  const struct {
    int64_t value;
    int digits;
    const char* hex;
  } hexes[] = {{0x1A, 4, "0x001A"},
               {0xABC, 0, "0xABC"},
               {0, 0, "0x0"},
               {-1, 8, "0xFFFFFFFF"},
               {0x123456789, 0, "0x23456789"},
               {0xFFFF, 4, "0xFFFF"}};
  for (const auto& c : hexes) EXPECT_EQ(Hex(c.value, c.digits), c.hex);

  const struct {
    int n;
    const char* en;
    const char* fr;
  } ordinals[] = {{1, "1st", "1er"},      {2, "2nd", "2e"},      {3, "3rd", "3e"},
                  {4, "4th", "4e"},       {11, "11th", "11e"},   {12, "12th", "12e"},
                  {13, "13th", "13e"},    {21, "21st", "21e"},   {22, "22nd", "22e"},
                  {101, "101st", "101e"}, {111, "111th", "111e"}};
  for (const auto& c : ordinals) {
    EXPECT_EQ(Ordinal(c.n, HostLanguage::kEnglish), c.en);
    EXPECT_EQ(Ordinal(c.n, HostLanguage::kFrench), c.fr);
  }

  EXPECT_EQ(HostLanguageOf(1036), HostLanguage::kFrench);
  for (int32_t lcid : {0, 1033, 2057, 3084, -1036})
    EXPECT_EQ(HostLanguageOf(lcid), HostLanguage::kEnglish);

  // The codes the tables hold: every one named, each by a word of its own, none past them.
  for (const auto& [lookup, count] :
       {std::pair{&PhaseTypeWord, int64_t{8}}, std::pair{&CamshaftWord, int64_t{4}}}) {
    std::set<HostWord> named;
    for (int64_t code = 0; code < count; ++code) {
      const std::optional<HostWord> word = lookup(code);
      ASSERT_TRUE(word) << code;
      named.insert(*word);
    }
    EXPECT_EQ(named.size(), static_cast<size_t>(count));
    for (int64_t code : {int64_t{-1}, count, int64_t{1} << 40}) EXPECT_FALSE(lookup(code)) << code;
  }
}

// The data the page reads, as the served page holds it.
nlohmann::json ServedPageData() {
  const std::string_view page = ServePageHtml();
  const std::string_view start = "const PAGE_DATA = ";
  const size_t from = page.find(start);
  if (from == std::string_view::npos) return nullptr;
  const size_t end = page.find(";\n", from);
  return nlohmann::json::parse(page.substr(from + start.size(), end - from - start.size()), nullptr,
                               false);
}

TEST(WordsTest, TheServedPageHoldsEveryPageWordInBothLanguages) {
  const nlohmann::json data = ServedPageData();
  ASSERT_TRUE(data.is_object()) << "no PAGE_DATA in the served page";
  ASSERT_TRUE(data.contains("words"));
  const nlohmann::json& en = data["words"].at("en");
  const nlohmann::json& fr = data["words"].at("fr");
  std::set<std::string> names;
  for (const PageWord& word : PageWords()) {
    EXPECT_TRUE(names.insert(std::string(word.name)).second) << word.name << " twice";
    const nlohmann::json::json_pointer at("/" + std::string(word.name));
    EXPECT_EQ(en.value(at, ""), In(word.word, HostLanguage::kEnglish)) << word.name;
    EXPECT_EQ(fr.value(at, ""), In(word.word, HostLanguage::kFrench)) << word.name;
  }
  // The data comes before the script that reads it.
  const std::string_view page = ServePageHtml();
  EXPECT_LT(page.find("const PAGE_DATA"), page.find("const WORDS"));
}

TEST(WordsTest, EveryWordThePageReadsIsInTheCatalogue) {
  // Every script of the page, whichever file reads a word.
  std::string script;
  size_t scripts = 0;
  for (const auto& entry : fs::directory_iterator(fs::path(VANTEL_SOURCE_DIR) /
                                                  "tools/vantel-host/commands/serve_page"))
    if (entry.path().extension() == ".js") {
      script += ReadFile(entry.path());
      ++scripts;
    }
  ASSERT_GT(scripts, 1u);
  std::set<std::string> names;
  for (const PageWord& word : PageWords())
    names.insert(std::string(word.name.substr(0, word.name.find('/'))));
  const std::regex read(R"(\b(?:words|WORDS\.en|WORDS\.fr)\.(\w+))");
  size_t reads = 0;
  for (auto it = std::sregex_iterator(script.begin(), script.end(), read);
       it != std::sregex_iterator(); ++it, ++reads)
    EXPECT_TRUE(names.count((*it)[1].str())) << (*it)[0].str() << " is not a page word";
  EXPECT_GT(reads, 30u);
}

TEST(WordsTest, NoFrenchStandsOutsideTheCatalogue) {
  const fs::path host = fs::path(VANTEL_SOURCE_DIR) / "tools/vantel-host";
  const std::set<std::string> holders = {"words.cpp"};
  std::vector<fs::path> files;
  for (const char* folder :
       {"words", "kalbrix", "service", "session", "commands", "commands/serve_page"})
    for (const auto& entry : fs::directory_iterator(host / folder))
      if (entry.is_regular_file()) files.push_back(entry.path());
  ASSERT_GT(files.size(), 20u);
  for (const fs::path& file : files) {
    if (holders.count(file.filename().string())) continue;
    const std::string text = ReadFile(file);
    std::smatch found;
    EXPECT_FALSE(std::regex_search(text, found, FrenchLetters()))
        << file.filename() << " holds \"" << found.str() << "\" at byte " << found.position();
  }
}

}  // namespace
}  // namespace vantel::host
