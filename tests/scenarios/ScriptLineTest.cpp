// Scenario lines and files: the options word, the fields of a command line and the bytes of the files.
#include "scenarios/ScriptLine.h"
#include "core/Errors.h"
#include "core/FileUtils.h"
#include "scenarios/ScriptFile.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace zorb {
namespace {

struct TOptionsCase {
    const char* Text;
    TScriptOptions Options;
    const char* Written;
    const char* Short;
    const char* Caption;
};

class OptionsWord : public testing::TestWithParam<TOptionsCase> {};

TEST_P(OptionsWord, ReadsWritesAndShows) {
    const TOptionsCase& c = GetParam();
    const TScriptOptions o = ParseOptions(c.Text);
    EXPECT_EQ(o, c.Options);
    EXPECT_EQ(OptionsText(o), c.Written);
    EXPECT_EQ(OptionsShort(o), c.Short);
    EXPECT_EQ(OptionsCaption(o), c.Caption);
}

INSTANTIATE_TEST_SUITE_P(
    Table, OptionsWord,
    testing::Values(TOptionsCase{"EXCL:10#RAND#CLR#NEX",
                                 {10, 1, 1, true, true},
                                 "EXCL:10#RAND#CLR#NEX",
                                 "EXCL:10#RAND#NEX",
                                 "Исключить 10 тиражей; Случайно; Удалить ставки; Только новые ставки"},
                    TOptionsCase{"FULL:0#ALL",
                                 {0, 0, 4, false, false},
                                 "FULL:0#ALL",
                                 "FULL#ALL",
                                 "Исходный список; Все; Все создаваемые ставки"},
                    // Letter case is ignored; the source is found by its start, the stake code must match whole.
                    TOptionsCase{" curr : 7 # none # nex ",
                                 {7, 2, 9, false, true},
                                 "CURR:7#NONE#NEX",
                                 "CURR#NONE#NEX",
                                 "Текущий список; Не делать ставок; Только новые ставки"},
                    TOptionsCase{"EXCLUDE:x#RANDOM#clr",
                                 {0, 1, 0, true, false},
                                 "EXCL:0#EXT#CLR",
                                 "EXCL:0#EXT",
                                 "Исключить 0 тиражей; Расширенная; Удалить ставки; Все создаваемые ставки"},
                    TOptionsCase{"",
                                 {0, 0, 0, false, false},
                                 "FULL:0#EXT",
                                 "FULL#EXT",
                                 "Исходный список; Расширенная; Все создаваемые ставки"},
                    TOptionsCase{"??#SYSC#CLR#CLR#XYZ",
                                 {0, 0, 6, true, false},
                                 "FULL:0#SYSC#CLR",
                                 "FULL#SYSC",
                                 "Исходный список; Система [комб]; Удалить ставки; Все создаваемые ставки"}));

TEST(OptionsCaptions, OutsideTheTablesShowError) {
    EXPECT_EQ(SourceListCaption(3, 0), "# ERROR #");
    EXPECT_EQ(StakeListCaption(10), "# ERROR #");
    EXPECT_EQ(StakeEditorCaption(-1), "# ERROR #");
    TScriptOptions o;
    o.StakeMode = 12;
    EXPECT_EQ(OptionsCaption(o), "Исходный список; # ERROR #; Все создаваемые ставки");
}

TEST(CommandLine, OnlyFilterThreeSurvivesTheRoundTrip) {
    TScriptLineFields f;
    f.Options = "FULL:0#ALL";
    f.Filters[2] = "TSD1#NUMS:100#LNO:#SF:1";
    const std::string line = BuildLine(f);
    EXPECT_EQ(line, "FULL:0#ALL| | |TSD1#NUMS:100#LNO:#SF:1| | | | |");
    const TScriptLineFields back = SplitLine(line);
    for (int i = 0; i < MaxLineFilters; ++i) EXPECT_EQ(back.Filters[i], i == 2 ? f.Filters[2] : "") << i;
    EXPECT_EQ(back.Comment, "");
    EXPECT_EQ(LineField(line, 4), f.Filters[2]);
}

TEST(CommandLine, CommentFollowsTheEighthBar) {
    TScriptLineFields f;
    f.Options = "EXCL:10#RAND";
    f.Comment = "my comment";
    const std::string line = BuildLine(f);
    EXPECT_EQ(std::count(line.begin(), line.end(), '|'), 8);
    EXPECT_EQ(line.substr(line.size() - 11), "|my comment");
    EXPECT_EQ(LineField(line, 9), "my comment");
    EXPECT_EQ(LineField(line, 10), "");
    EXPECT_EQ(LineField(line, 0), "");
    EXPECT_EQ(LineField("", 1), "");
}

TEST(CommandLine, BarsAndLineBreaksInFieldsAreRefused) {
    TScriptLineFields f;
    EXPECT_TRUE(LineFieldsValid(f));
    f.Comment = "a|b";
    EXPECT_FALSE(LineFieldsValid(f));
    f.Comment = "";
    f.Filters[6] = "x\ny";
    EXPECT_FALSE(LineFieldsValid(f));
}

TEST(ScenarioText, BytesAreCrLfWithEmptySeparators) {
    const TScriptLines lines = {"FULL:0#ALL| | | | | | | |", "", "EXCL:5#EXT| | | | | | | |Комментарий"};
    const std::string text = ScenarioText(lines);
    EXPECT_EQ(text, "FULL:0#ALL| | | | | | | |\r\n\r\nEXCL:5#EXT| | | | | | | |Комментарий\r\n");
    EXPECT_EQ(ParseScenarioText(text), lines);
}

struct TReadCase {
    const char* Name;
    std::string Bytes;
    TScriptLines Lines;
};

class ScenarioRead : public testing::TestWithParam<TReadCase> {};

TEST_P(ScenarioRead, Decodes) {
    EXPECT_EQ(ParseScenarioText(GetParam().Bytes), GetParam().Lines);
}

INSTANTIATE_TEST_SUITE_P(Encodings, ScenarioRead,
                         testing::Values(TReadCase{"Utf8Bom",
                                                   "\xEF\xBB\xBF"
                                                   "a|\r\nб\r\n",
                                                   {"a|", "б"}},
                                         TReadCase{"Cp1251", "\xEF\xF0\xE8\xE2\xE5\xF2\r\n", {"привет"}},
                                         TReadCase{"LfOnly", "a\n\nb", {"a", "", "b"}}, TReadCase{"Empty", "", {}},
                                         TReadCase{"TrailingSeparator", "a\r\n\r\n", {"a", ""}}),
                         [](const auto& p) { return std::string(p.param.Name); });

TEST(ScenarioAppend, SeparatorOnlyAfterACommandLine) {
    TScriptLines s = {"A"};
    AppendScenarioLines(s, {"B", "C"});
    EXPECT_EQ(s, (TScriptLines{"A", "", "B", "C"}));
    TScriptLines t = {"A", " "};
    AppendScenarioLines(t, {"B"});
    EXPECT_EQ(t, (TScriptLines{"A", " ", "B"}));
    TScriptLines e;
    AppendScenarioLines(e, {"B"});
    EXPECT_EQ(e, (TScriptLines{"B"}));
    AppendScenarioLines(e, {});
    EXPECT_EQ(e, (TScriptLines{"B"}));
}

// Editing in the middle keeps every other line as it was; a scenario above the line limit is refused whole, by
// reading and by appending alike.
TEST(ScenarioLines, EditsKeepTheOtherLinesAndTheLimitHolds) {
    TScriptLines s = {"один", "", "three|x", "4"};
    s.Set(1, "второй, длиннее");
    s.Swap(0, 3);
    s.Set(2, s.View(2)); // a line set from a view of itself
    EXPECT_EQ(s, (TScriptLines{"4", "второй, длиннее", "three|x", "один"}));
    s.Erase({0, 2, 9});
    EXPECT_EQ(s, (TScriptLines{"второй, длиннее", "один"}));
    EXPECT_EQ(ScenarioText(s), "второй, длиннее\r\nодин\r\n");

    std::string many;
    for (size_t i = 0; i < MaxScenarioLines; ++i) many += "x\r\n";
    TScriptLines full = ParseScenarioText(many);
    EXPECT_EQ(full.size(), MaxScenarioLines);
    EXPECT_THROW(AppendScenarioLines(full, {"y"}), EZorbError);
    EXPECT_EQ(full.size(), MaxScenarioLines);
    try {
        ParseScenarioText(many + "x\n");
        ADD_FAILURE() << "a scenario of too many lines was read";
    } catch (const EZorbError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Сценарий из 100001 строк не может быть загружен: допускается не более 100000 строк.");
    }
}

TEST(ScenarioFile, RewriteFailureKeepsTheOldFile) {
    const auto dir = std::filesystem::temp_directory_path() / ("zorb_lsc_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "a.lsc").string();
    WriteScenarioFile(path, {"one"});
    InjectWriteFault(3);
    EXPECT_ANY_THROW(WriteScenarioFile(path, {"two two two", "three"}));
    InjectWriteFault(-1);
    EXPECT_EQ(ReadScenarioFile(path), (TScriptLines{"one"}));
    // A line break inside a line would make two lines of it on reading.
    WriteScenarioFile(path, {"x\ry\nz"});
    EXPECT_EQ(ReadScenarioFile(path), (TScriptLines{"x y z"}));
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace zorb
