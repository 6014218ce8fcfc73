// The stakes commands: adding through the stake dialog's rules, series, listing, checking, deleting, and the
// refusal of changing commands while another copy holds the data directory.
#include "../stakes/StakesTestUtil.h"
#include "CliFixture.h"

#include "core/FileUtils.h"
#include "stakes/StakesFile.h"

#include <filesystem>
#include <map>

namespace zorb::test {
namespace {

class CliStakesTest : public CliTest {
protected:
    // Draws 1..10; seven numbers give seven combinations; a stake costs 12.50 and three matches pay 100.
    void SetUp() override {
        WriteRaw(Archive(), RawDrawRange(1, 10));
        WriteRaw(Dir.File("Zorb_6x52.ini"),
                 "[GLOBAL]\nCombsGenerateMode=2\nCombsGenerateParameters=1;2;3;4;5;6;7\n"
                 "[STAKES]\nCost=12.5\nProfits=1\nProfit_0_Overlap=3\nProfit_0_Profit=100\n");
    }
    std::string Lsk() const { return Dir.File("Zorb_6x52.lsk"); }
    std::string Stakes() const { return ReadRaw(Lsk()); }
    std::map<std::string, std::string> Snapshot() const {
        std::map<std::string, std::string> r;
        for (const auto& e : std::filesystem::recursive_directory_iterator(Dir.Path()))
            r[e.path().string()] = e.is_directory() ? "<dir>" : ReadRaw(e.path().string());
        return r;
    }
};

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST_F(CliStakesTest, AddStoresAManualStakeOnTheNextDraw) {
    const TRun r = Run({"stakes", "add", "1;2;3;4;5;6", "--comment", "x"});
    EXPECT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(Lines(r.Out), (std::vector<std::string>{"Ставок: 1"}));
    TRawStake s;
    s.Draw = 11;
    s.Sample = 7;
    s.Numbers = {1, 2, 3, 4, 5, 6};
    s.Profit = -125000;
    s.Comment = "x";
    EXPECT_TRUE(Stakes() == RawStake(s)) << FirstDifference(Stakes(), RawStake(s));

    // Pieces may be split by either separator and padded; they are stored in order.
    const TRun r2 = Run({"stakes", "add", "5, 1;17 ;30;44;2", "--comment", "y"});
    EXPECT_EQ(r2.Code, 0) << r2.Err;
    EXPECT_TRUE(Contains(r2.Out, "Ставок: 2"));
    s.Numbers = {1, 2, 5, 17, 30, 44};
    s.Comment = "y";
    EXPECT_TRUE(Stakes().substr(RawStakeSize) == RawStake(s))
        << FirstDifference(Stakes().substr(RawStakeSize), RawStake(s));
}

struct TBadAdd {
    std::vector<std::string> Args;
    const char* Message; // empty: the option parser's own message
};
class CliBadStake : public CliStakesTest, public testing::WithParamInterface<TBadAdd> {};
TEST_P(CliBadStake, IsRefusedWithTheDialogsMessage) {
    std::vector<std::string> args = {"stakes", "add"};
    args.insert(args.end(), GetParam().Args.begin(), GetParam().Args.end());
    const TRun r = Run(args);
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(Contains(r.Err, GetParam().Message)) << r.Err;
    EXPECT_TRUE(Stakes().empty());
}
INSTANTIATE_TEST_SUITE_P(
    Stakes, CliBadStake,
    testing::Values(TBadAdd{{"1;2;3;4;5;6"}, "--comment"},
                    TBadAdd{{"1;2;3;4;5;6", "--comment", "  "}, "Необходимо ввести комментарий!"},
                    TBadAdd{{"1;2;3;4;5", "--comment", "x"}, "Введена некорректная комбинация!"},
                    TBadAdd{{"1;2;3;4;5;53", "--comment", "x"}, "Введена некорректная комбинация!"},
                    TBadAdd{{"1;1;2;3;4;5", "--comment", "x"}, "Введена некорректная комбинация!"},
                    TBadAdd{{"1;2;3;4;5;6;7;8;9;10;11", "--comment", "x"}, "Введена некорректная комбинация!"},
                    TBadAdd{{"1;2;x;4;5;6", "--comment", "x"}, "Введена некорректная комбинация!"},
                    TBadAdd{{"1;2;3;4;5;6", "--comment", "x", "--count", "0"}, "Некорректное количество тиражей: 0"},
                    TBadAdd{{"1;2;3;4;5;6", "--comment", "x", "--draw", "abc"}, "Некорректный номер тиража: abc"}));

TEST_F(CliStakesTest, SeriesOnArchivedDrawsAreCheckedAtOnce) {
    const TRun r = Run({"stakes", "add", "1;2;3;40;41;42", "--comment", "s", "--draw", "7", "--count", "3"});
    EXPECT_EQ(r.Code, 0) << r.Err;
    EXPECT_TRUE(Contains(r.Out, "Ставок: 5"));
    const std::string bytes = Stakes();
    EXPECT_EQ(RawDrawColumn(bytes), (std::vector<int>{7, -1, 8, -1, 9}));
    for (size_t i : {0u, 2u, 4u}) EXPECT_EQ(bytes[i * RawStakeSize + 8], 1) << "record " << i << " unchecked";
    EXPECT_EQ(bytes[RawStakeSize + 8], 0);
}

TEST_F(CliStakesTest, ListShowsEveryRecordWithSeparatorsAsEmptyLines) {
    TRawStake checked;
    checked.Draw = 5;
    checked.Checked = true;
    checked.Sample = 7;
    checked.Numbers = {1, 2, 3, 4, 5, 6};
    checked.Result = {6, 40, 1, 30, 20, 10};
    checked.MatchedCount = 2;
    checked.Matched = {1, 6};
    checked.Profit = -125000;
    checked.Comment = "x";
    WriteRaw(Lsk(), RawStake(checked) + RawSeparator() + RawOpenStake(101, {1, 2, 3, 4, 5, 7}, "a;b \"c\""));
    const TRun r = Run({"stakes", "list", "--csv"});
    EXPECT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(Lines(r.Out),
              (std::vector<std::string>{
                  "№ тиража;Вид ставки;Моя ставка;Выборка;Результаты тиража;Совпадений;Совпадения;Профит;Комментарий",
                  "5;Вручную;\"1;2;3;4;5;6\";7;\"6;40;1;30;20;10\";2;1 6;-12.50;x",
                  "",
                  "101;Вручную;\"1;2;3;4;5;7\";0;;;;-12.50;\"a;b \"\"c\"\"\"",
              }));
    const TRun table = Run({"stakes", "list"});
    EXPECT_EQ(table.Code, 0);
    EXPECT_EQ(Lines(table.Out).size(), 4u);
}

TEST_F(CliStakesTest, CheckReportsTheNewlyCheckedStakes) {
    WriteRaw(Lsk(), RawOpenStake(5, {1, 2, 3, 4, 5, 6}) + RawOpenStake(20, {1, 2, 3, 4, 5, 6}));
    TRun r = Run({"stakes", "check"});
    EXPECT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(Lines(r.Out), (std::vector<std::string>{"Проверено ставок: 1"}));
    r = Run({"stakes", "check"});
    EXPECT_EQ(Lines(r.Out), (std::vector<std::string>{"Проверено ставок: 0"}));

    // A new draw checks the stakes that wait for it.
    r = Run({"draws", "add", "--number", "20", "--date", "2024-05-01", "3;41;1;40;2;42"});
    EXPECT_EQ(r.Code, 0) << r.Err;
    const std::string bytes = Stakes();
    EXPECT_EQ(bytes[RawStakeSize + 8], 1);
    EXPECT_EQ(RawI32(bytes, 1, 40), 3);
    EXPECT_EQ(bytes.substr(RawStakeSize + 32, 6), std::string("\x03\x29\x01\x28\x02\x2A", 6));
    std::string profit(8, '\0');
    PutLe(profit, 0, 875000, 8); // 100 for three matches less 12.50
    EXPECT_EQ(bytes.substr(RawStakeSize + 56, 8), profit);
    EXPECT_EQ(Lines(Run({"stakes", "check"}).Out), (std::vector<std::string>{"Проверено ставок: 0"}));
}

struct TDeleteCase {
    std::vector<std::string> Args;
    int Code;
    std::vector<int> Left;
    const char* Output; // on stdout for success, on stderr otherwise
};
class CliStakeDelete : public CliStakesTest, public testing::WithParamInterface<TDeleteCase> {};
TEST_P(CliStakeDelete, RemovesRowsOrMatchCounts) {
    // Rows 1..5: unchecked 201, checked with 0 matches, separator, checked with 1 match, unchecked 202.
    TRawStake zero;
    zero.Draw = 5;
    zero.Checked = true;
    zero.Numbers = {1, 2, 3, 4, 5, 6};
    zero.MatchedCount = 0;
    TRawStake one = zero;
    one.Draw = 6;
    one.MatchedCount = 1;
    one.Matched = {1};
    const std::string before = RawOpenStake(201, {1, 2, 3, 4, 5, 6}) + RawStake(zero) + RawSeparator() + RawStake(one) +
                               RawOpenStake(202, {1, 2, 3, 4, 5, 6});
    WriteRaw(Lsk(), before);
    std::vector<std::string> args = {"stakes", "delete"};
    args.insert(args.end(), GetParam().Args.begin(), GetParam().Args.end());
    const TRun r = Run(args);
    EXPECT_EQ(r.Code, GetParam().Code) << r.Err;
    EXPECT_EQ(RawDrawColumn(Stakes()), GetParam().Left);
    EXPECT_TRUE(Contains(GetParam().Code == 0 ? r.Out : r.Err, GetParam().Output)) << r.Out << r.Err;
    EXPECT_FALSE(FileExists(Dir.File("Zorb_6x52.~tmp")));
}
INSTANTIATE_TEST_SUITE_P(
    Stakes, CliStakeDelete,
    testing::Values(TDeleteCase{{"--rows", "1-2"}, 0, {-1, 6, 202}, "Ставок: 3"},
                    TDeleteCase{{"--rows", "4"}, 0, {201, 5, -1, 202}, "Ставок: 4"},
                    TDeleteCase{{"--matches", "3", "1"}, 0, {-1, 6}, "Ставок: 2"},
                    TDeleteCase{{"--matches", "0", "0"}, 0, {201, -1, 6, 202}, "Ставок: 4"},
                    TDeleteCase{{"--rows", "3-2"}, 1, {201, 5, -1, 6, 202}, "Некорректный диапазон строк: 3-2"},
                    TDeleteCase{{"--rows", "0-1"}, 1, {201, 5, -1, 6, 202}, "Некорректный диапазон строк: 0-1"},
                    TDeleteCase{{"--matches", "5", "1"},
                                1,
                                {201, 5, -1, 6, 202},
                                "Условие от 0 до 4, число совпадений от 0 до 6."}));

TEST_F(CliStakesTest, ClearEmptiesTheFile) {
    WriteRaw(Lsk(), RawOpenStake(201, {1, 2, 3, 4, 5, 6}) + RawSeparator());
    const TRun r = Run({"stakes", "clear"});
    EXPECT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(Lines(r.Out), (std::vector<std::string>{"Ставок: 0"}));
    EXPECT_EQ(FileSize(Lsk()), 0);
}

// A stakes file torn by a failed append: a looking command reads the whole records and says so; the next changing
// command cuts only the tail, keeps a copy and says how many records were kept, and the ratings rate them.
TEST_F(CliStakesTest, TornFileKeepsItsWholeRecordsAndTheRatingsRateThem) {
    TRawStake checked;
    checked.Draw = 5;
    checked.Checked = true;
    checked.Numbers = {1, 2, 3, 4, 5, 6};
    checked.Result = {1, 2, 3, 40, 41, 42};
    checked.MatchedCount = 3;
    checked.Matched = {1, 2, 3};
    const std::string whole = RawStake(checked) + RawStake(checked) + RawStake(checked);
    WriteRaw(Lsk(), whole + RawStake(checked).substr(0, 77));

    TRun r = Run({"stakes", "list", "--csv"});
    EXPECT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(Lines(r.Out).size(), 4u);
    EXPECT_TRUE(Contains(r.Err, "неполная запись (77 байт). Прочитаны все целые записи (3).")) << r.Err;
    EXPECT_EQ(FileSize(Lsk()), int64_t(whole.size() + 77)) << "a looking command changes nothing";

    r = Run({"ratings", "refresh"});
    EXPECT_EQ(r.Code, 0) << r.Err;
    EXPECT_TRUE(Contains(r.Err, "неполная запись в конце файла (77 байт) удалена, все целые записи сохранены (3)."))
        << r.Err;
    EXPECT_TRUE(Contains(r.Err, "Zorb_6x52.lsk.damaged-")) << r.Err;
    EXPECT_EQ(Lines(r.Out), (std::vector<std::string>{"Рейтинг: 1"}));
    EXPECT_TRUE(Stakes() == whole);
}

TEST_F(CliStakesTest, ChangingCommandsAreRefusedWhileAnotherCopyHoldsTheDirectory) {
    ASSERT_EQ(Run({"stakes", "add", "1;2;3;4;5;6", "--comment", "x"}).Code, 0);
    TInstanceLock other;
    ASSERT_TRUE(other.Acquire(Dir.Path()));
    const auto before = Snapshot();

    const std::vector<std::string> changing[] = {
        {"stakes", "add", "1;2;3;4;5;7", "--comment", "y"},
        {"draws", "add", "1;2;3;4;5;6"},
        {"stakes", "check"},
        {"stakes", "delete", "--rows", "1-1"},
        {"stakes", "clear"},
    };
    for (const auto& args : changing) {
        const TRun r = Run(args);
        EXPECT_EQ(r.Code, 1) << args[0] << " " << args[1];
        EXPECT_TRUE(Contains(r.Err, "Невозможно получить монопольный доступ к файлам данных!")) << r.Err;
        EXPECT_TRUE(Snapshot() == before) << args[0] << " " << args[1] << " changed the data directory";
    }

    TRun r = Run({"stakes", "list", "--csv"});
    EXPECT_EQ(r.Code, 0) << r.Err;
    ASSERT_EQ(Lines(r.Out).size(), 2u);
    EXPECT_EQ(Lines(r.Out)[1].substr(0, 3), "11;");
    r = Run({"draws", "list"});
    EXPECT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(Lines(r.Out).size(), 11u);
    EXPECT_TRUE(Snapshot() == before);

    other.Release();
    EXPECT_EQ(Run({"stakes", "add", "1;2;3;4;5;7", "--comment", "y"}).Code, 0);
}

} // namespace
} // namespace zorb::test
