// The scenario commands: editing the saved scenario byte for byte, checking hostile files, and forecast and test
// runs whose stakes and list sizes are compared with counts made independently of the scenario code.
#include "CliFixture.h"

#include "app/FormMain.h"
#include "cli/CliInterface.h"

#include "core/DrawArchive.h"
#include "core/FileUtils.h"
#include "core/KestoUtils.h"
#include "core/TextUtils.h"
#include "stakes/StakeRecord.h"
#include "tools/SampleArchive.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <random>

namespace zorb::test {
namespace {

class CliScenario : public CliTest {
protected:
    void SetUp() override { WriteRaw(Archive(), EncodeDraws(MakeSampleArchive(200))); }
    std::string State() const { return Dir.File("Zorb_6x52.lss"); }
    std::vector<TStakeRecord> Stakes() const {
        const std::string bytes = FileExists(Dir.File("Zorb_6x52.lsk")) ? ReadRaw(Dir.File("Zorb_6x52.lsk")) : "";
        std::vector<TStakeRecord> r;
        for (size_t i = 0; i + StakeRecordSize <= bytes.size(); i += StakeRecordSize)
            r.push_back(DecodeStake(reinterpret_cast<const uint8_t*>(bytes.data() + i)));
        return r;
    }
    std::vector<TStakeRecord> RealStakes() const {
        std::vector<TStakeRecord> r;
        for (const auto& s : Stakes())
            if (!s.IsSeparator()) r.push_back(s);
        return r;
    }
    std::string Lsc(const std::string& name, const std::string& bytes) {
        WriteRaw(Dir.File(name), bytes);
        return Dir.File(name);
    }
};

TEST_F(CliScenario, EditingWritesTheStateFileExactly) {
    struct TStep {
        std::vector<std::string> Args;
        int Code;
        const char* Lss;
    };
    const TStep steps[] = {
        {{"add", "--options", "excl:10#rand#nex", "--filter", " ", "--filter", " ", "--filter",
          "TSD1#NUMS:100#LNO:#SF:1"},
         0,
         "EXCL:10#RAND#NEX| | |TSD1#NUMS:100#LNO:#SF:1| | | | |\r\n"},
        {{"add-separator"}, 0, "EXCL:10#RAND#NEX| | |TSD1#NUMS:100#LNO:#SF:1| | | | |\r\n\r\n"},
        {{"add", "--options", "FULL:0#ALL", "--comment", "второй"},
         0,
         "EXCL:10#RAND#NEX| | |TSD1#NUMS:100#LNO:#SF:1| | | | |\r\n\r\nFULL:0#ALL| | | | | | | |второй\r\n"},
        {{"up", "1"}, 1, nullptr},
        {{"down", "3"}, 1, nullptr},
        {{"up", "3"},
         0,
         "EXCL:10#RAND#NEX| | |TSD1#NUMS:100#LNO:#SF:1| | | | |\r\nFULL:0#ALL| | | | | | | |второй\r\n\r\n"},
        {{"edit", "2", "--filter", "BMF6#SUMS:10,20#LMV:5#ST:3"},
         0,
         "EXCL:10#RAND#NEX| | |TSD1#NUMS:100#LNO:#SF:1| | | | |\r\nFULL:0#ALL|BMF6#SUMS:10,20#LMV:5#ST:3| | | | | | "
         "|второй\r\n\r\n"},
        // A bar in a field would shift the fields on reading: refused, nothing changes.
        {{"add", "--comment", "a|b"}, 1, nullptr},
        {{"add", "--filter", "x\ny"}, 1, nullptr},
        {{"delete", "1", "3"}, 0, "FULL:0#ALL|BMF6#SUMS:10,20#LMV:5#ST:3| | | | | | |второй\r\n"},
        {{"edit", "5"}, 1, nullptr},
        {{"clear"}, 0, ""},
    };
    std::string last;
    for (const TStep& s : steps) {
        std::vector<std::string> args = {"scenario"};
        args.insert(args.end(), s.Args.begin(), s.Args.end());
        TRun r = Run(args);
        EXPECT_EQ(r.Code, s.Code) << s.Args[0] << ": " << r.Err;
        if (s.Lss) last = s.Lss;
        EXPECT_EQ(ReadRaw(State()), last) << s.Args[0];
    }
}

TEST_F(CliScenario, AppendAddsOneSeparatorAndAFailedAppendChangesNothing) {
    const std::string a = Lsc("a.lsc", "FULL:0#ALL| | | | | | | |\r\n");
    const std::string b = Lsc("b.lsc", "\xEF\xBB\xBF"
                                       "CURR:0#NONE| | | | | | | |коммент\n");
    ASSERT_EQ(Run({"scenario", "append", a}).Code, 0); // to an empty scenario: simply loaded
    TRun r = Run({"scenario", "append", b});
    EXPECT_EQ(r.Out, "Строк: 3\n");
    const std::string want = "FULL:0#ALL| | | | | | | |\r\n\r\nCURR:0#NONE| | | | | | | |коммент\r\n";
    EXPECT_EQ(ReadRaw(State()), want);
    EXPECT_EQ(Run({"scenario", "append", Dir.File("missing.lsc")}).Code, 1);
    EXPECT_EQ(ReadRaw(State()), want);
    TRun list = Run({"scenario", "list", "--csv"});
    EXPECT_EQ(Lines(list.Out)[2], "2;;;;;;;;;");
    EXPECT_EQ(Lines(list.Out)[3], "3;коммент;\"Текущий список; Не делать ставок; Все создаваемые ставки\";;;;;;;");
    EXPECT_EQ(Lines(list.Out).back(), "Строк: 3");
}

TEST_F(CliScenario, OptionsAndLineAsTheEditorReadsThem) {
    TRun o = Run({"scenario", "options", "EXCL:10#RAND#CLR#NEX"});
    EXPECT_EQ(o.Out, "ExcludeDraws=10\nSource=1\nStakeMode=1\nClearStakes=1\nNewOnly=1\nEXCL:10#RAND#CLR#NEX\n"
                     "EXCL:10#RAND#NEX\nИсключить 10 тиражей; Случайно; Удалить ставки; Только новые ставки\n");
    // "||" is one separator: the fields shift, which is why an empty filter field holds a space.
    TRun l = Run({"scenario", "line", "FULL:0#ALL|| |x| | | | |c"});
    EXPECT_EQ(Lines(l.Out)[2], "3=x");
    EXPECT_EQ(Lines(l.Out)[7], "8=c");
    EXPECT_EQ(Lines(l.Out)[8], "9=");
    EXPECT_EQ(Lines(l.Out)[9], "FULL:0#ALL| |x| | | | |c|");
}

TEST_F(CliScenario, CheckNamesTheLineThatWouldStopARun) {
    std::string huge(1 << 20, 'x');
    std::mt19937 rng(5);
    std::string noise;
    for (int i = 0; i < 4000; ++i) noise += static_cast<char>(rng() & 0xFF);
    const std::string path =
        Lsc("hostile.lsc", "FULL:0#ALL|TSD1#NUMS:10,20#LMV:1-3;1#SF:1| | | | | | |\r\n"
                           "\r\n"
                           "FULL:0#ALL|TSD1#NUMS:1-10#LNO:#SF:1| | | | | | |\r\n"
                           "FULL:0#ALL|TSD1#QQQQ:10#LNO:#SF:1| | | | | | |\r\n"
                           "FULL:0#ALL|TSD1#NUMS:1-1000000;1#LMV:1-1000000;1#SF:1| | | | | | |\r\n" +
                               huge + "\r\n" + noise + "\r\n");
    TRun r = Run({"scenario", "check", path});
    EXPECT_EQ(r.Code, 1);
    const auto lines = Lines(r.Out);
    ASSERT_GE(lines.size(), 5u) << r.Out;
    EXPECT_EQ(lines[0], "Строка 1: наборов фильтров: 6");
    EXPECT_EQ(lines[1], "Строка 3: Некорректное описание фильтра: TSD1#NUMS:1-10#LNO:#SF:1!");
    EXPECT_EQ(lines[2].rfind("Строка 4: Метод расчета статистики \"QQQQ\" на найден!", 0), 0u) << lines[2];
    EXPECT_NE(r.Out.find("Строка 5: Вы задали слишком много вариантов фильтров"), std::string::npos);
    // The 1 MB line and the noise have no filters: nothing to stop.
    EXPECT_NE(r.Out.find("Строка 6: наборов фильтров: 0"), std::string::npos);
    // Running the hostile file stops at its first bad line, with whole stakes.
    TRun run = Run({"scenario", "run", path});
    EXPECT_EQ(run.Code, 1);
    EXPECT_EQ(ReadRaw(Dir.File("Zorb_6x52.lsk")).size() % StakeRecordSize, 0u);
    // Random files of the line's own characters and of any bytes are shown and checked without a crash.
    const std::string alphabet = "|#:;,- 0123456789FULLEXCLCURRALLSYSATMDFNUMSSUMSLNOLVASFSCSZ\r\n";
    for (int i = 0; i < 60; ++i) {
        std::string bytes;
        for (int k = 0, n = static_cast<int>(rng() % 3000); k < n; ++k)
            bytes += i % 2 ? static_cast<char>(rng() & 0xFF) : alphabet[rng() % alphabet.size()];
        const std::string file = Lsc("fuzz.lsc", bytes);
        EXPECT_EQ(Run({"scenario", "show", file}).Code, 0) << i;
        EXPECT_LE(Run({"scenario", "check", file}).Code, 1) << i;
    }
}

// Keeping the combinations that hold 7 or 8 leaves C(52,6) - C(50,6) of the full set; the first of them in the
// full set's order is 1 2 3 4 5 7, the last 47 48 49 50 51 52 fails (no 7 or 8), so it is 8 48 49 50 51 52.
TEST_F(CliScenario, ForecastStakesMatchAnIndependentCount) {
    const std::string path = Lsc("f.lsc", "FULL:0#FIRST|TMF1#NUMS:100#LVA:7;8#SF:1| | | | | | |первая\r\n"
                                          "\r\n"
                                          "FULL:0#LAST|TMF1#NUMS:100#LVA:7;8#SF:1| | | | | | |\r\n");
    TRun r = Run({"scenario", "run", path, "--csv"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    const int64_t kept = Binomial(52, 6) - Binomial(50, 6);
    const auto out = Lines(r.Out);
    ASSERT_EQ(out.size(), 5u) << r.Out;
    EXPECT_EQ(out[0], "Строка;Набор;Комбинаций;Ставок;Фильтры");
    // «Фильтры» names the filters as the stake comment does, options first.
    EXPECT_EQ(out[1], "1;1;" + std::to_string(kept) + ";1;\"FULL#FIRST + TMF#NUMS:100#LVA:7;8#SF:1\"");
    EXPECT_EQ(out[2], "3;1;" + std::to_string(kept) + ";1;\"FULL#LAST + TMF#NUMS:100#LVA:7;8#SF:1\"");
    EXPECT_EQ(out[3], "Комбинаций: " + std::to_string(kept));
    EXPECT_EQ(out[4], "Ставок: 2");
    const auto stakes = RealStakes();
    ASSERT_EQ(stakes.size(), 2u);
    const int next = NextDrawNumber(MakeSampleArchive(200), 0);
    EXPECT_EQ(stakes[0].Kind, skScenario);
    EXPECT_EQ(stakes[0].DrawNumber, next);
    EXPECT_EQ(stakes[0].SampleSize, kept);
    EXPECT_EQ(NumberSetToText(stakes[0].Numbers, ";"), "1;2;3;4;5;7");
    EXPECT_EQ(stakes[0].Comment, "01.001: первая @ FULL#FIRST + TMF#NUMS:100#LVA:7;8#SF:1");
    EXPECT_EQ(NumberSetToText(stakes[1].Numbers, ";"), "8;48;49;50;51;52");
    EXPECT_EQ(stakes[1].Comment, "03.001: @ FULL#LAST + TMF#NUMS:100#LVA:7;8#SF:1");
    EXPECT_FALSE(stakes[0].Checked);
}

TEST_F(CliScenario, TestRunsOffsetsDownToOneAndChecksTheHiddenDraws) {
    const std::string path = Lsc("t.lsc", "EXCL:3#EXT|TMD1#NUMS:50#LVA:1-40;1#SF:1| | | | | | |\r\n");
    TRun r = Run({"scenario", "test", path, "--count", "4", "--csv"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    const auto out = Lines(r.Out);
    ASSERT_GT(out.size(), 7u) << r.Out; // the pass table, then after an empty line the test summary
    EXPECT_EQ(out[6], "");
    EXPECT_EQ(out[7].rfind("Комментарий;Ставок;", 0), 0u) << out[7];
    const TDrawsArray draws = MakeSampleArchive(200);
    int64_t total = 0;
    for (int v = 4; v >= 1; --v) {
        const auto cells = SplitKeepEmpty(out[static_cast<size_t>(5 - v)], ';');
        ASSERT_EQ(cells.size(), 12u);
        EXPECT_EQ(cells[0], std::to_string(v));
        EXPECT_EQ(cells[1], std::to_string(NextDrawNumber(draws, v)));
        // Numbers 41..52 only, minus the newest three draws at that offset that hold none below 41.
        int64_t drawn = 0;
        const int hi = static_cast<int>(draws.size()) - 1 - v;
        for (int d = hi - 2; d <= hi; ++d) drawn += *std::min_element(draws[d].Numbers, draws[d].Numbers + 6) > 40;
        EXPECT_EQ(std::stoll(cells[2]), Binomial(12, 6) - drawn);
        EXPECT_EQ(cells[3], "1");
        total += 1;
    }
    EXPECT_EQ(out[5].rfind("Итого;;;4;", 0), 0u) << out[5];
    const auto stakes = RealStakes();
    ASSERT_EQ(stakes.size(), 4u);
    for (size_t i = 0; i < stakes.size(); ++i) {
        EXPECT_TRUE(stakes[i].Checked) << i;
        EXPECT_EQ(stakes[i].DrawNumber, NextDrawNumber(draws, 4 - static_cast<int>(i)));
        for (int k = 0; k < stakes[i].Numbers.Count; ++k) EXPECT_GT(stakes[i].Numbers.Numbers[k], 40);
    }
    // Separators between the passes.
    EXPECT_EQ(Stakes().size(), 7u);
    (void)total;
}

// Deleting the numbers 1..44 leaves the 28 combinations of 45..52 in the full set's order; the system file's
// positions map onto those eight numbers. Counted here without the scenario code.
TEST_F(CliScenario, AllAndSystemStakesMatchAnIndependentCount) {
    std::vector<TComb> mine;
    for (int m = 0; m < 256; ++m)
        if (std::popcount(static_cast<unsigned>(m)) == 6) {
            TComb c{};
            for (int b = 0, k = 0; b < 8; ++b)
                if (m >> b & 1) c.N[k++] = static_cast<uint8_t>(45 + b);
            mine.push_back(c);
        }
    std::sort(mine.begin(), mine.end(),
              [](const TComb& a, const TComb& b) { return std::lexicographical_compare(a.N, a.N + 6, b.N, b.N + 6); });
    auto text = [](const TComb& c) { return NumberSetToText(CombToSet(c), ";"); };
    auto sum = [](const TComb& c) { return c.N[0] + c.N[1] + c.N[2] + c.N[3] + c.N[4] + c.N[5]; };
    size_t restricted = 0;
    for (const TComb& c : mine) restricted += sum(c) < 290 || sum(c) > 300;
    ForceDirectories(Dir.File("Systems"));
    WriteRaw(Dir.File("Systems/6-08-3_0001.dat"), "1 2 3 4 5 6\r\n3 4 5 6 7 8\r\n1 2 5 6 7 8\r\n");
    const std::string keep = "|TMD1#NUMS:50#LVA:1-44;1#SF:1";
    const std::string forecast =
        Lsc("m.lsc", "FULL:0#ALL" + keep + "| | | | | | |\r\nFULL:0#SYSA" + keep + "| | | | | | |\r\nFULL:0#SYSC" +
                         keep + "|TMD1#SUMS:50#LVA:290-300;1#SF:1| | | | | |\r\n");
    TRun r = Run({"scenario", "run", forecast, "--csv"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    const auto out = Lines(r.Out);
    ASSERT_EQ(out.size(), 6u) << r.Out;
    EXPECT_EQ(out[1].rfind("1;1;28;28;", 0), 0u) << out[1];
    EXPECT_EQ(out[2].rfind("2;1;28;3;", 0), 0u) << out[2];
    EXPECT_EQ(out[3].rfind("3;1;" + std::to_string(restricted) + ";1;", 0), 0u) << out[3];
    const auto stakes = RealStakes();
    ASSERT_EQ(stakes.size(), 28u + 3 + 1);
    const std::vector<std::string> system = {"45;46;47;48;49;50", "47;48;49;50;51;52", "45;46;49;50;51;52"};
    for (size_t i = 0; i < stakes.size(); ++i) {
        const std::string want = i < 28 ? text(mine[i]) : system[i < 31 ? i - 28 : 0];
        EXPECT_EQ(NumberSetToText(stakes[i].Numbers, ";"), want) << i;
        EXPECT_EQ(stakes[i].SampleSize, i < 31 ? 28 : static_cast<int>(restricted)) << i;
        EXPECT_EQ(stakes[i].Kind, skScenario);
    }
    EXPECT_EQ(stakes[28].Comment, "02.001: @ FULL#SYSA + TMD#NUMS:50#LVA:1-44;1#SF:1");

    // A test of four offsets: each pass stakes the list less the newest three draws, and every stake is checked
    // against the draw its offset hid.
    std::remove(Dir.File("Zorb_6x52.lsk").c_str());
    const std::string test = Lsc("t4.lsc", "EXCL:3#ALL" + keep + "| | | | | | |\r\nEXCL:3#FIRST" + keep +
                                               "| | | | | | |\r\nEXCL:3#LAST" + keep + "| | | | | | |\r\n");
    TRun t = Run({"scenario", "test", test, "--count", "4", "--csv"});
    ASSERT_EQ(t.Code, 0) << t.Err;
    const TDrawsArray draws = MakeSampleArchive(200);
    std::vector<std::string> expected;
    for (int v = 4; v >= 1; --v) {
        const int hi = static_cast<int>(draws.size()) - 1 - v;
        std::vector<TComb> left;
        for (const TComb& c : mine) {
            bool drawn = false;
            for (int d = hi - 2; d <= hi; ++d) drawn = drawn || Intersect(draws[d], CombToSet(c)).Count == 6;
            if (!drawn) left.push_back(c);
        }
        for (const TComb& c : left) expected.push_back(text(c) + "@" + std::to_string(NextDrawNumber(draws, v)));
        expected.push_back(text(left.front()) + "@" + std::to_string(NextDrawNumber(draws, v)));
        expected.push_back(text(left.back()) + "@" + std::to_string(NextDrawNumber(draws, v)));
    }
    std::vector<std::string> made;
    for (const TStakeRecord& st : RealStakes()) {
        made.push_back(NumberSetToText(st.Numbers, ";") + "@" + std::to_string(st.DrawNumber));
        const TDrawRec& d = draws[static_cast<size_t>(FindDraw(draws, st.DrawNumber))];
        EXPECT_TRUE(st.Checked);
        EXPECT_EQ(st.Matched.Count, Intersect(d, st.Numbers).Count);
    }
    EXPECT_EQ(made, expected);
}

// A line that clears the stakes first checks them, so each pass's stake reaches the ratings and the pass table
// before the cut.
TEST_F(CliScenario, ClearStakesRatesEveryStakeBeforeTheCut) {
    const std::string path = Lsc("c.lsc", "FULL:0#FIRST|TMD1#NUMS:50#LVA:1-44;1#SF:1| | | | | | |r1\r\n"
                                          "FULL:0#NONE#CLR| | | | | | | |\r\n");
    TRun t = Run({"scenario", "test", path, "--count", "3", "--csv"});
    ASSERT_EQ(t.Code, 0) << t.Err;
    const auto out = Lines(t.Out);
    ASSERT_EQ(out.size(), 5u) << t.Out;
    for (size_t i = 1; i <= 3; ++i) EXPECT_EQ(SplitKeepEmpty(out[i], ';')[3], "1") << out[i];
    EXPECT_EQ(SplitKeepEmpty(out[4], ';')[3], "3");
    EXPECT_TRUE(Stakes().empty());
    TRun ratings = Run({"ratings", "list", "--csv"});
    ASSERT_EQ(ratings.Code, 0) << ratings.Err;
    const auto rows = Lines(ratings.Out);
    ASSERT_EQ(rows.size(), 2u) << ratings.Out;
    EXPECT_NE(rows[1].find("SF:1\";3;"), std::string::npos) << rows[1]; // the comment, then three stakes
}

// My seven numbers make seven combinations; removing 7 leaves the one combination 1..6. One combination is
// staked whatever the mode, and a part after it is not applied; more than one stops or skips.
TEST_F(CliScenario, StopAndSkipActOnlyOnMoreThanOneCombination) {
    WriteRaw(Dir.File("Zorb_6x52.ini"), "[GLOBAL]\r\nCombsGenerateMode=2\r\nCombsGenerateParameters=1;2;3;4;5;6;7\r\n");
    const std::string one = "|TMD1#NUMS:100#LVA:7#SF:1|TMD1#NUMS:100#LVA:1-6;1#SF:1| | | | | |\r\n";
    struct TCase {
        std::string Line;
        int Code;
        size_t Stakes;
        const char* Logged;
        int Analyses; // "Анализ тиражей" lines: the second part is skipped on one combination
    };
    const TCase cases[] = {
        {"FULL:0#STOP| | | | | | | |\r\n", 1, 0, "{!} Сценарий остановлен!", 0},
        {"FULL:0#SKIP| | | | | | | |\r\n", 0, 0, "{-} Ставка игнорирована!", 0},
        {"FULL:0#STOP" + one, 0, 1, "{+} Ставка на тираж", 1},
        {"FULL:0#SKIP" + one, 0, 1, "{+} Ставка на тираж", 1},
    };
    for (const TCase& c : cases) {
        std::remove(Dir.File("Zorb_6x52.lsk").c_str());
        Run({"scenario", "delete-logs"}); // runs within one second would share a log
        TRun r = Run({"scenario", "run", Lsc("s.lsc", c.Line), "--log"});
        EXPECT_EQ(r.Code, c.Code) << c.Line << r.Err;
        const auto stakes = RealStakes();
        ASSERT_EQ(stakes.size(), c.Stakes) << c.Line;
        if (c.Stakes) {
            EXPECT_EQ(NumberSetToText(stakes[0].Numbers, ";"), "1;2;3;4;5;6");
        }
        std::string log;
        for (const std::string& line : Lines(r.Err))
            if (line.find("ScriptLog_") != std::string::npos) log = ReadRaw(line);
        EXPECT_NE(log.find(c.Logged), std::string::npos) << c.Line << log;
        EXPECT_EQ(log.find("{ERROR} Фильтры не применялись!") != std::string::npos, c.Analyses == 0) << c.Line;
        int analyses = 0;
        for (size_t p = log.find("Анализ тиражей"); p != std::string::npos; p = log.find("Анализ тиражей", p + 1))
            ++analyses;
        EXPECT_EQ(analyses, c.Analyses) << c.Line;
    }
}

TEST_F(CliScenario, NewOnlyAddsNothingTheSecondTime) {
    const std::string path = Lsc("n.lsc", "CURR:0#ALL#NEX| | | | | | | |\r\n");
    // The current list is the start-up list, which the saved generation settings make: my eight numbers.
    WriteRaw(Dir.File("Zorb_6x52.ini"),
             "[GLOBAL]\r\nCombsGenerateMode=2\r\nCombsGenerateParameters=1;2;3;4;5;6;7;8\r\n");
    TRun first = Run({"scenario", "run", path});
    ASSERT_EQ(first.Code, 0) << first.Err;
    const size_t made = RealStakes().size();
    EXPECT_EQ(made, 28u);
    TRun second = Run({"scenario", "run", path, "--log"});
    ASSERT_EQ(second.Code, 0) << second.Err;
    EXPECT_EQ(RealStakes().size(), made);
    EXPECT_EQ(Lines(second.Out).back(), "Ставок: 0");
    ASSERT_FALSE(Lines(second.Err).empty());
    const std::string log = ReadRaw(Lines(second.Err).back());
    size_t skipped = 0;
    for (size_t p = log.find("{-} Ставка на тираж"); p != std::string::npos; p = log.find("{-} Ставка на тираж", p + 1))
        ++skipped;
    EXPECT_EQ(skipped, made) << second.Err << "\n" << log.size();
    EXPECT_EQ(log.rfind("[", 0), 0u);
    EXPECT_NE(log.find("]: ### ЗАВЕРШЕНИЕ СЦЕНАРИЯ ###"), std::string::npos);
}

// A line a run would refuse is refused alike by the editor, by `scenario check` and by the run, before anything is
// written: a negative number of draws in the options word, and ALL over more combinations than it may stake.
TEST_F(CliScenario, EditorCheckAndRunRefuseTheSameOptionsAndAllLimit) {
    const std::string path = Lsc("r.lsc", "EXCL:-5#FIRST| | | | | | | |\r\n"
                                          "FULL:0#ALL| | | | | | | |\r\n"
                                          "EXCL:10#ALL| | | | | | | |\r\n");
    TRun check = Run({"scenario", "check", path});
    EXPECT_EQ(check.Code, 1);
    const auto lines = Lines(check.Out);
    ASSERT_EQ(lines.size(), 7u) << check.Out; // the ALL messages name the line's filters on lines of their own
    EXPECT_EQ(lines[0], "Строка 1: Некорректное слово опций \"EXCL:-5#FIRST\": количество тиражей не может быть "
                        "отрицательным!");
    EXPECT_EQ(lines[1], "Строка 2: Ставки не сделаны: в списке комбинаций осталось 20358520, а в режиме \"Выбрать "
                        "все комбинации (не рекомендуется)\" допускается не более 100000!");
    EXPECT_EQ(lines[3], "Фильтры: FULL#ALL");
    EXPECT_EQ(lines[4].rfind("Строка 3: Ставки не сделаны: в списке комбинаций осталось 20358510,", 0), 0u) << lines[4];
    EXPECT_EQ(Run({"scenario", "add", "--options", "EXCL:-5#FIRST"}).Code, 1);
    EXPECT_EQ(ReadRaw(State()), "");
    for (const char* line : {"EXCL:-5#FIRST| | | | | | | |\r\n", "FULL:0#ALL| | | | | | | |\r\n"}) {
        TRun run = Run({"scenario", "run", Lsc("one.lsc", line)});
        EXPECT_EQ(run.Code, 1) << line;
        EXPECT_TRUE(RealStakes().empty()) << line;
        EXPECT_NE(run.Err.find(line[0] == 'E' ? "Некорректное слово опций" : "допускается не более 100000"),
                  std::string::npos)
            << run.Err;
    }
}

// A file of more lines than a scenario may hold is refused with a message, by every verb that reads one, and the
// saved scenario is kept.
TEST_F(CliScenario, AScenarioOfTooManyLinesIsRefused) {
    std::string many;
    for (int i = 0; i <= 100000; ++i) many += "x\n";
    const std::string path = Lsc("many.lsc", many);
    ASSERT_EQ(Run({"scenario", "add", "--options", "FULL:0#FIRST"}).Code, 0);
    for (const char* verb : {"show", "check", "open", "append", "run"}) {
        TRun r = Run({"scenario", verb, path});
        EXPECT_EQ(r.Code, 1) << verb;
        EXPECT_NE(r.Err.find("не может быть загружен: допускается не более 100000 строк"), std::string::npos)
            << verb << ": " << r.Err;
    }
    EXPECT_EQ(ReadRaw(State()), "FULL:0#FIRST| | | | | | | |\r\n");
}

// «Итого» of a test counts the stakes this run made: an unchecked stake a killed run left on a draw the test
// reaches is checked on the way but not counted.
TEST_F(CliScenario, TotalsCountOnlyTheStakesOfThisRun) {
    const TDrawsArray draws = MakeSampleArchive(200);
    TStakeRecord left;
    left.Kind = skScenario;
    left.DrawNumber = NextDrawNumber(draws, 2);
    left.SampleSize = 1;
    left.Numbers = CombToSet(TComb{{1, 2, 3, 4, 5, 6}});
    left.Comment = "01.001: @ left by a killed run";
    const auto bytes = EncodeStake(left);
    WriteRaw(Dir.File("Zorb_6x52.lsk"), std::string(bytes.begin(), bytes.end()));
    TRun t = Run({"scenario", "test", Lsc("k.lsc", "EXCL:3#FIRST|TMD1#NUMS:50#LVA:1-40;1#SF:1| | | | | | |\r\n"),
                  "--count", "3", "--csv"});
    ASSERT_EQ(t.Code, 0) << t.Err;
    const auto out = Lines(t.Out);
    // The pass table, then the comparison with random play, which counts the same three stakes.
    ASSERT_GE(out.size(), 8u) << t.Out;
    for (size_t i = 1; i <= 3; ++i) EXPECT_EQ(SplitKeepEmpty(out[i], ';')[3], "1") << out[i];
    EXPECT_EQ(out[4].rfind("Итого;;;3;", 0), 0u) << out[4];
    EXPECT_NE(out[7].find("\";3;"), std::string::npos) << out[7]; // after the quoted comment
    EXPECT_TRUE(RealStakes().front().Checked);                    // the leftover was checked all the same
}

} // namespace
} // namespace zorb::test

namespace zorb::test {
namespace {

// The steps that exchange storages, skip unread buffers and batch the stake checks against the plain steps that
// copy undo, keep every buffer and check after every line: the same stakes, log, list and applied filters. The
// lines cover rolling back a first step on the generated list, two sets sharing an EXCL buffer, a rollback of
// an emptied list, CURR after it and a FULL start.
TEST(ScenarioFastSteps, EqualThePlainStepsOverThreeOffsets) {
    const std::string scenario =
        "FULL:0#FIRST|TMD1#NUMS:30#LNO:#SF:1|TMF1#SUMS:100#LVA:21-150;1#SF:1| | | | | |\r\n"
        "EXCL:5#FIRST|TMF1#NUMS:100-200;100#CMV:12#SF:1|TMD1#SUMS:200#CLV:0#SF:1| | | | | |a\r\n"
        "EXCL:5#LAST|TMD1#EVEN:50#CLV:5#SF:1| | | | | | |\r\n"
        "CURR:0#EXT|TSD1#NUMS:30#LNO:#SZ:0| | | | | | |\r\n"
        "\r\n"
        "FULL:0#RAND|TMD1#NUMS:30#LLV:3#SF:1|BMD1#SUMS:300#LNO:#SV:1|TMF1#NUMS:100#LNO:#SV:10| | | | |\r\n";
    struct TResult {
        std::string Stakes, Log, List;
        std::vector<std::string> Filters;
    };
    auto run = [&](bool plain) {
        TTempDir dir;
        WriteRaw(dir.File("Zorb_6x52.ldr"), EncodeDraws(MakeSampleArchive()));
        WriteRaw(dir.File("Zorb_6x52.lss"), scenario);
        std::ostringstream out, err;
        TCliInterface ui(out, err);
        TFormMain app(ui, TAppOptions{dir.Path(), dir.Path(), "Zorb_6x52", {}});
        app.Create();
        app.OnInitTimer();
        app.Settings().ScriptLogEnabled = true;
        app.Scenarios().SetSeed(11);
        app.Scenarios().SetPlainSteps(plain);
        app.Archive().SetDrawsOffset(7);
        EXPECT_TRUE(app.Scenarios().RunTest(3)) << err.str();
        EXPECT_EQ(app.Archive().DrawsOffset(), 7); // back where it was after offsets 3, 2 and 1
        TResult r;
        r.Stakes = ReadRaw(dir.File("Zorb_6x52.lsk"));
        // Without the time stamps "[yyyy-mm-dd hh:nn:ss]: ".
        for (const std::string& line : SplitKeepEmpty(ReadRaw(app.Scenarios().LastLogPath()), '\n'))
            r.Log += line.substr(std::min<size_t>(line.size(), 23)) + "\n";
        const TCombsArray& list = app.Combinations().Combs();
        r.List.assign(reinterpret_cast<const char*>(list.Data()), list.Count() * sizeof(TComb));
        for (const TFilterLine& f : app.Combinations().Filters())
            r.Filters.push_back(f.Operation + "|" + f.Values + "|" + std::to_string(f.Count));
        app.Shutdown();
        return r;
    };
    const TResult fast = run(false), plain = run(true);
    EXPECT_GT(fast.Stakes.size(), 3 * StakeRecordSize);
    EXPECT_TRUE(fast.Stakes == plain.Stakes);
    EXPECT_EQ(fast.Log, plain.Log);
    EXPECT_NE(fast.Log.find("{UNDO}"), std::string::npos);
    EXPECT_TRUE(fast.List == plain.List);
    EXPECT_EQ(fast.Filters, plain.Filters);
}

} // namespace
} // namespace zorb::test
