// The window program's command line and its language from the locale.
#include "app/command_line.h"

#include <gtest/gtest.h>

namespace magcfg::test {
namespace {

using Action = CommandLine::Action;

TEST(CommandLine, EachOptionAndEachMistake) {
  struct Row {
    std::vector<std::string_view> args;
    Action action;
    bool simulate;
    std::optional<UiLanguage> language;
    const char* error;
  };
  const Row rows[] = {
      {{}, Action::RunWindow, false, std::nullopt, ""},
      {{"--simulate"}, Action::RunWindow, true, std::nullopt, ""},
      {{"--language", "zh"}, Action::RunWindow, false, UiLanguage::Chinese, ""},
      {{"--language=en", "--simulate"}, Action::RunWindow, true, UiLanguage::English, ""},
      {{"--language", "zh", "--language", "en"}, Action::RunWindow, false, UiLanguage::English, ""},
      {{"--version", "--help"}, Action::ShowHelp, false, std::nullopt, ""},
      {{"--help", "--version"}, Action::ShowHelp, false, std::nullopt, ""},
      {{"--version"}, Action::ShowVersion, false, std::nullopt, ""},
      {{"--language"}, Action::Error, false, std::nullopt, "--language needs a value: en or zh"},
      {{"--language", "fr"}, Action::Error, false, std::nullopt, "--language must be en or zh, not 'fr'"},
      {{"--language="}, Action::Error, false, std::nullopt, "--language must be en or zh, not ''"},
      {{"--language", "zh_CN"}, Action::Error, false, std::nullopt, "--language must be en or zh, not 'zh_CN'"},
      {{"--bogus"}, Action::Error, false, std::nullopt, "unknown option '--bogus' (try --help)"},
      {{"--language", "\x1B[31mxx"}, Action::Error, false, std::nullopt,
       "--language must be en or zh, not '<0x1B>[31mxx'"},
      {{"--\xE2\x80\xAE" "bogus\n"}, Action::Error, false, std::nullopt,
       "unknown option '--<U+202E>bogus<LF>' (try --help)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.args));
    const CommandLine line = ParseCommandLine(row.args);
    EXPECT_EQ(line.action, row.action);
    EXPECT_EQ(line.error, row.error);
    if (row.action == Action::Error) continue;
    EXPECT_EQ(line.simulate, row.simulate);
    EXPECT_EQ(line.language, row.language);
  }
  EXPECT_NE(HelpText("magcfg").find("--language en|zh"), std::string::npos);
}

TEST(CommandLine, LanguageOfTheLocaleFirstSetOfLcAllLcMessagesLang) {
  struct Row {
    std::string_view lcAll, lcMessages, lang;
    UiLanguage expected;
  };
  const Row rows[] = {
      {"", "", "", UiLanguage::English},
      {"", "", "zh_CN.UTF-8", UiLanguage::Chinese},
      {"", "", "zh_TW.UTF-8", UiLanguage::Chinese},
      {"", "", "zh", UiLanguage::Chinese},
      {"", "", "en_US.UTF-8", UiLanguage::English},
      {"", "", "C", UiLanguage::English},
      {"", "zh_CN.GBK", "en_GB.UTF-8", UiLanguage::Chinese},
      {"", "de_DE.UTF-8", "zh_CN.UTF-8", UiLanguage::English},
      {"C.UTF-8", "zh_CN.UTF-8", "zh_CN.UTF-8", UiLanguage::English},
      {"zh_SG.UTF-8", "en_US.UTF-8", "", UiLanguage::Chinese},
      {"", "", "ZH_cn", UiLanguage::English},  // locale names are case-sensitive
  };
  for (const Row& row : rows) {
    EXPECT_EQ(LanguageOfLocale(row.lcAll, row.lcMessages, row.lang), row.expected)
        << row.lcAll << "|" << row.lcMessages << "|" << row.lang;
  }
}

}  // namespace
}  // namespace magcfg::test
