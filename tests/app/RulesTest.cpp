#include "app/DrawDialog.h"
#include "app/Switches.h"
#include "app/TemplateMain.h"

#include <gtest/gtest.h>

namespace zorb {
namespace {

struct TSwitchCase {
    const char* Arg;
    bool Matches;
};
void PrintTo(const TSwitchCase& c, std::ostream* os) {
    *os << '"' << c.Arg << '"';
}
class MatchSwitchTest : public testing::TestWithParam<TSwitchCase> {};
TEST_P(MatchSwitchTest, Table) {
    EXPECT_EQ(MatchSwitch(GetParam().Arg, "loadonly"), GetParam().Matches) << GetParam().Arg;
}
INSTANTIATE_TEST_SUITE_P(Table, MatchSwitchTest,
                         testing::Values(TSwitchCase{"/LOADONLY", true}, TSwitchCase{"--loadonly", true},
                                         TSwitchCase{"-LoadOnly", true}, TSwitchCase{"\\loadonly", true},
                                         TSwitchCase{"loadonly", true}, TSwitchCase{"loadonlyx", false},
                                         TSwitchCase{"---loadonly", false}, TSwitchCase{"load only", false},
                                         TSwitchCase{"//loadonly", false}, TSwitchCase{"-/loadonly", false},
                                         TSwitchCase{"loadonl", false}, TSwitchCase{"", false}, TSwitchCase{"-", false},
                                         TSwitchCase{"xloadonly", false}, TSwitchCase{" loadonly", false}));

TEST(Switches, ParseFindsEachSwitchAnywhere) {
    TSwitches s = TSwitches::Parse({"file.txt", "/RESTART", "--LoadOnly", "-no-language"});
    EXPECT_TRUE(s.Restart);
    EXPECT_TRUE(s.LoadOnly);
    EXPECT_TRUE(s.NoLanguage);
    EXPECT_FALSE(s.FullRecreate);
    EXPECT_FALSE(s.FullRefresh);
    TSwitches t = TSwitches::Parse({"fullrecreate", "\\FullRefresh", "restarts"});
    EXPECT_FALSE(t.Restart);
    EXPECT_TRUE(t.FullRecreate);
    EXPECT_TRUE(t.FullRefresh);
    TSwitches none = TSwitches::Parse({});
    EXPECT_FALSE(none.Restart || none.LoadOnly || none.NoLanguage || none.FullRecreate || none.FullRefresh);
    EXPECT_TRUE(HasSwitch({"a", "/b"}, "B"));
    EXPECT_FALSE(HasSwitch({}, "b"));
}

struct TNumbersCase {
    const char* Text;
    std::vector<int> Stored;
};
void PrintTo(const TNumbersCase& c, std::ostream* os) {
    *os << testing::PrintToString(std::string(c.Text));
}
class DrawNumbersRule : public testing::TestWithParam<TNumbersCase> {};
TEST_P(DrawNumbersRule, Table) {
    uint8_t numbers[6] = {99, 99, 99, 99, 99, 99};
    bool ok = ParseDrawNumbers(GetParam().Text, numbers);
    EXPECT_EQ(ok, !GetParam().Stored.empty()) << '"' << GetParam().Text << '"';
    // A rejected text leaves the numbers as they were.
    std::vector<int> expected = ok ? GetParam().Stored : std::vector<int>(6, 99);
    EXPECT_EQ(std::vector<int>(numbers, numbers + 6), expected) << '"' << GetParam().Text << '"';
}
INSTANTIATE_TEST_SUITE_P(
    Table, DrawNumbersRule,
    testing::Values(TNumbersCase{"52,1;7,3,20,9", {52, 1, 7, 3, 20, 9}},
                    TNumbersCase{" 1 ; 2 ;3;4;5; 52 ", {1, 2, 3, 4, 5, 52}},
                    TNumbersCase{"1;;2;3;4;5;6", {1, 2, 3, 4, 5, 6}}, TNumbersCase{"+1;2;3;4;5;6", {1, 2, 3, 4, 5, 6}},
                    TNumbersCase{"1;2;3;4;5;5", {}}, TNumbersCase{"1;2;3;4;5;53", {}}, TNumbersCase{"1;2;3;4;5", {}},
                    TNumbersCase{"1;2;3;4;5;x", {}}, TNumbersCase{"0;1;2;3;4;5", {}}, TNumbersCase{"1;2;3;4;5;6;7", {}},
                    TNumbersCase{"1;2;3;4;5;255", {}}, TNumbersCase{"1;2;3;4;5;256", {}},
                    TNumbersCase{"1;2;3;4;5;-1", {}}, TNumbersCase{"1;2;3;4;5;4294967297", {}},
                    TNumbersCase{"1 2 3 4 5 6", {}}, TNumbersCase{"1;2;3;4;5;6.0", {}}, TNumbersCase{"", {}},
                    TNumbersCase{";;;;;", {}}, TNumbersCase{"1;2;3;4;5;\xFF", {}}));

TEST(DrawNumbersRule, TextOfARecordParsesBack) {
    TDrawRec r{};
    const uint8_t numbers[6] = {52, 1, 7, 3, 20, 9};
    std::copy(numbers, numbers + 6, r.Numbers);
    EXPECT_EQ(DrawNumbersText(r), "52;1;7;3;20;9");
    uint8_t back[6] = {};
    ASSERT_TRUE(ParseDrawNumbers(DrawNumbersText(r), back));
    EXPECT_TRUE(std::equal(back, back + 6, numbers));
}

struct TUrlCase {
    const char* In;
    const char* Out;
};
void PrintTo(const TUrlCase& c, std::ostream* os) {
    *os << '"' << c.In << '"';
}
class NormalizeUrlTest : public testing::TestWithParam<TUrlCase> {};
TEST_P(NormalizeUrlTest, Table) {
    EXPECT_EQ(TTemplateMain::NormalizeUrl(GetParam().In), GetParam().Out);
}
INSTANTIATE_TEST_SUITE_P(Table, NormalizeUrlTest,
                         testing::Values(TUrlCase{"example.org", "http://example.org"},
                                         TUrlCase{"https://x", "https://x"}, TUrlCase{"HTTP://x", "HTTP://x"},
                                         TUrlCase{"ftp://x", "ftp://x"}, TUrlCase{"ftps://x", "ftps://x"},
                                         TUrlCase{"http://x", "http://x"}, TUrlCase{"Https://x/Path", "Https://x/Path"},
                                         TUrlCase{"www.example.org/http://", "http://www.example.org/http://"},
                                         TUrlCase{"", "http://"}));

} // namespace
} // namespace zorb
