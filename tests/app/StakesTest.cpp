// The stakes tab as the main window drives it: the stakes file at start-up, the stake dialogs, checking when
// draws arrive, deletion, the stake logs and the lock that keeps a second copy out of the data directory.
#include "../stakes/StakesTestUtil.h"
#include "AppFixture.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>

namespace zorb::test {
namespace {

// Seven numbers make seven combinations, a stake costs 12.50, three matches pay 100 and four pay 1500.
const char* const StakesIni = "[GLOBAL]\nCombsGenerateMode=2\nCombsGenerateParameters=1;2;3;4;5;6;7\n"
                              "[STAKES]\nCost=12.5\nProfits=2\nProfit_0_Overlap=3\nProfit_0_Profit=100\n"
                              "Profit_1_Overlap=4\nProfit_1_Profit=1500\n";

std::vector<int> Values(const uint8_t* p, int count) {
    return std::vector<int>(p, p + std::max(0, count));
}

// A checked stake as the file holds it.
std::string RawChecked(int32_t draw, int matched) {
    TRawStake s;
    s.Draw = draw;
    s.Checked = true;
    s.Numbers = {1, 2, 3, 4, 5, 6};
    s.Result = {1, 2, 3, 4, 5, 6};
    s.MatchedCount = matched;
    for (int i = 1; i <= matched; ++i) s.Matched.push_back(i);
    return RawStake(s);
}

// Every file under a directory with its contents.
std::map<std::string, std::string> Snapshot(const std::string& dir) {
    std::map<std::string, std::string> r;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir)) {
        const std::string name = std::filesystem::relative(e.path(), dir).string();
        r[name] = e.is_directory() ? "<dir>" : ReadRaw(e.path().string());
    }
    return r;
}

class StakesAppTest : public AppTest {
protected:
    std::string Lsk() const { return Data.File("Zorb_6x52.lsk"); }
    // Draws 1..100 in the archive; draw 98 is 35;3;27;47;19;11 as drawn.
    void StartStakes(const std::string& stakes = "") {
        WriteRaw(Ini(), StakesIni);
        WriteRaw(Archive(), RawDrawRange(1, 100));
        if (!stakes.empty()) WriteRaw(Lsk(), stakes);
        Start();
        ASSERT_EQ(App->Combinations().Combs().Count(), 7u);
        ASSERT_EQ(App->Config().Cost, 125000);
    }
    std::vector<TStakeRecord> Records() const {
        const std::string bytes = ReadRaw(Lsk());
        std::vector<TStakeRecord> r;
        for (size_t i = 0; i + RawStakeSize <= bytes.size(); i += RawStakeSize)
            r.push_back(DecodeStake(reinterpret_cast<const uint8_t*>(bytes.data() + i)));
        return r;
    }
    std::vector<int> DrawColumn() const { return RawDrawColumn(ReadRaw(Lsk())); }
    // The one copy of a stakes file kept as it was found.
    std::string DamagedCopy() const {
        std::vector<std::string> copies;
        for (const auto& name : Data.Names())
            if (name.rfind("Zorb_6x52.lsk.damaged-", 0) == 0) copies.push_back(name);
        EXPECT_EQ(copies.size(), 1u);
        return copies.empty() ? "" : copies[0];
    }
    static std::string FiveStakes() {
        std::string r;
        for (int d = 201; d <= 205; ++d) r += RawOpenStake(d, {1, 2, 3, 4, 5, 6});
        return r;
    }
};

// --- The stakes file at start-up -----------------------------------------------------------------------------

class OutdatedStakes : public StakesAppTest, public testing::WithParamInterface<std::string> {};
TEST_P(OutdatedStakes, AreDroppedWithAWarning) {
    StartStakes(GetParam());
    ASSERT_EQ(Ui.Messages.size(), 1u);
    EXPECT_EQ(Ui.Messages[0].Box, TMsgBox::Warning);
    const std::string copy = DamagedCopy();
    EXPECT_EQ(Ui.Messages[0].Text, "Обнаружен файл ставок устаревшей версии - имеющиеся в файле ставки будут удалены!"
                                   "\r\rКопия исходного файла сохранена: " +
                                       Data.File(copy));
    EXPECT_TRUE(ReadRaw(Data.File(copy)) == GetParam()) << "the file as found is kept";
    EXPECT_EQ(FileSize(Lsk()), 0);
    EXPECT_EQ(App->Stakes().StakeCount(), 0);
    EXPECT_EQ(Ui.Panels[4], "Ставок: 0");
    EXPECT_FALSE(App->Stats().Config.Profits.empty());
}
std::string OldVersion() {
    std::string r = RawOpenStake(5, {1, 2, 3, 4, 5, 6}) + RawSeparator();
    r[0] = 1;
    return r;
}
std::string Garbage(size_t n) {
    std::string r(n, '\0');
    for (size_t i = 0; i < n; ++i) r[i] = static_cast<char>((i * 7919 + 13) % 251);
    return r;
}
INSTANTIATE_TEST_SUITE_P(Stakes, OutdatedStakes,
                         testing::Values(std::string(100, '\x01'), OldVersion(), Garbage(1000), Garbage(960)));

// An append cut short leaves part of a record at the end: the whole records stay, a copy of the file as found is
// kept, and the user is told how many records were kept.
struct TTornCase {
    const char* Name;
    std::string Whole;
    size_t TailBytes;
};
class TornStakes : public StakesAppTest, public testing::WithParamInterface<TTornCase> {};
TEST_P(TornStakes, KeepEveryWholeRecord) {
    const TTornCase& c = GetParam();
    const std::string found = c.Whole + RawOpenStake(999, {1, 2, 3, 4, 5, 6}).substr(0, c.TailBytes);
    StartStakes(found);
    ASSERT_EQ(Ui.Messages.size(), 1u);
    EXPECT_EQ(Ui.Messages[0].Box, TMsgBox::Warning);
    const int64_t kept = static_cast<int64_t>(c.Whole.size() / RawStakeSize);
    EXPECT_EQ(Ui.Messages[0].Text, "Файл ставок был повреждён: неполная запись в конце файла (" +
                                       std::to_string(c.TailBytes) + " байт) удалена, все целые записи сохранены (" +
                                       std::to_string(kept) +
                                       ").\r\rКопия исходного файла сохранена: " + Data.File(DamagedCopy()));
    EXPECT_TRUE(ReadRaw(Lsk()) == c.Whole);
    EXPECT_TRUE(ReadRaw(Data.File(DamagedCopy())) == found);
    EXPECT_EQ(App->Stakes().StakeCount(), kept);
    EXPECT_EQ(Ui.Panels[4], "Ставок: " + std::to_string(kept));
    // The file is back on the record grid: a new stake follows the kept ones.
    Ui.StakeEdits.push_back([](TStakeRecord& r, int&) {
        r.Numbers = Set({1, 2, 3, 4, 5, 6});
        return true;
    });
    ASSERT_TRUE(App->Execute("StakeAdd"));
    EXPECT_EQ(FileSize(Lsk()), (kept + 1) * int64_t(RawStakeSize));
}
std::string FiveOpenStakes() {
    std::string r;
    for (int d = 201; d <= 205; ++d) r += RawOpenStake(d, {1, 2, 3, 4, 5, 6});
    return r;
}
INSTANTIATE_TEST_SUITE_P(Stakes, TornStakes,
                         testing::Values(TTornCase{"five stakes and a cut sixth", FiveOpenStakes(), 100},
                                         TTornCase{"a stake and one byte", RawOpenStake(201, {1, 2, 3, 4, 5, 6}), 1},
                                         TTornCase{"only a cut first record", "", 319}));

// Refreshing the ratings after such a start rates the kept stakes instead of none.
TEST_F(StakesAppTest, RatingsRefreshAfterATornFileKeepsTheWholeRecords) {
    StartStakes(RawChecked(50, 3) + RawChecked(51, 4) + RawChecked(52, 0).substr(0, 200));
    App->RatingsTab().RatingsRefresh();
    ASSERT_EQ(App->RatingsTab().Ratings().Count(), 1u);
    EXPECT_EQ(App->RatingsTab().Ratings().Items()[0].StakeCount, 2);
}

// A stake is refused with a message, and the file left alone, while the disk is nearly full.
TEST_F(StakesAppTest, StakeOnANearlyFullDiskIsRefusedWithAMessage) {
    StartStakes(FiveStakes());
    App->Stakes().StakesFile().SetFreeSpaceProbe([](int) { return TStakesFile::FreeSpaceMargin + 100; });
    Ui.StakeEdits.push_back([](TStakeRecord& r, int&) {
        r.Numbers = Set({1, 2, 3, 4, 5, 6});
        return true;
    });
    ASSERT_TRUE(App->Execute("StakeAdd"));
    const auto errors = Ui.Errors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].Text.rfind("Ошибка добавления записи в файл ставок!\r\rНедостаточно места на диске для записи "
                                   "ставок!",
                                   0),
              0u)
        << errors[0].Text;
    EXPECT_TRUE(ReadRaw(Lsk()) == FiveStakes());
}

TEST_F(StakesAppTest, CurrentStakesFileIsShownAsItIs) {
    const std::string stakes = RawOpenStake(201, {1, 2, 3, 4, 5, 6}) + RawSeparator();
    StartStakes(stakes);
    EXPECT_TRUE(Ui.Messages.empty());
    EXPECT_EQ(App->Stakes().StakeCount(), 2);
    EXPECT_EQ(Ui.StakesShown, 2);
    EXPECT_EQ(Ui.Panels[4], "Ставок: 2");
    EXPECT_TRUE(ReadRaw(Lsk()) == stakes);
}

// --- Making stakes -------------------------------------------------------------------------------------------

TEST_F(StakesAppTest, DialogOffersAManualStakeOnTheNextDraw) {
    StartStakes();
    App->Combinations().SetCombsSelection({{2, 4}});
    Ui.StakeEdits.push_back([](TStakeRecord&, int&) { return true; });
    ASSERT_TRUE(App->Execute("StakeAdd"));
    ASSERT_EQ(Ui.OfferedStakes.size(), 1u);
    const TStakeRecord& offered = Ui.OfferedStakes[0];
    EXPECT_EQ(offered.Kind, skManual);
    EXPECT_EQ(offered.Comment, "Ставка \"вручную\"");
    EXPECT_EQ(offered.DrawNumber, 101);
    EXPECT_EQ(offered.SampleSize, 7);
    EXPECT_EQ(NumberSetToText(offered.Numbers, ";"), CombToList(App->Combinations().Combs()[2]));
    EXPECT_EQ(offered.Profit, -125000);
    EXPECT_FALSE(offered.Checked);
    EXPECT_EQ(offered.Matched.Count, -1);

    const auto records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].DrawNumber, 101);
    EXPECT_EQ(NumberSetToText(records[0].Numbers, ";"), CombToList(App->Combinations().Combs()[2]));
    EXPECT_FALSE(records[0].Checked);
    EXPECT_EQ(Ui.Panels[4], "Ставок: 1");
    EXPECT_EQ(Ui.StakesShown, 1);

    // Without a selection the numbers start empty; a cancelled dialog adds nothing.
    App->Combinations().SetCombsSelection({});
    Ui.StakeEdits.push_back([](TStakeRecord& r, int&) {
        r.Numbers = Set({1, 2, 3, 4, 5, 6});
        return false;
    });
    ASSERT_TRUE(App->Execute("StakeAdd"));
    EXPECT_EQ(Ui.OfferedStakes.at(1).Numbers.Count, 0);
    EXPECT_EQ(App->Stakes().StakeCount(), 1);
    EXPECT_EQ(FileSize(Lsk()), int64_t(RawStakeSize));
}

TEST_F(StakesAppTest, StakeOnADrawInTheArchiveIsCheckedAtOnceAndSeriesFollow) {
    StartStakes();
    App->Archive().SetDrawsOffset(3);
    Ui.StakeEdits.push_back([](TStakeRecord& r, int&) {
        r.Numbers = Set({3, 11, 19, 20, 21, 22});
        return true;
    });
    ASSERT_TRUE(App->Execute("StakeAdd"));
    EXPECT_EQ(Ui.OfferedStakes.at(0).DrawNumber, 98);
    auto records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_TRUE(records[0].Checked);
    EXPECT_EQ(Values(records[0].DrawResult, 6), (std::vector<int>{35, 3, 27, 47, 19, 11}));
    EXPECT_EQ(Values(records[0].Matched.Numbers, records[0].Matched.Count), (std::vector<int>{3, 11, 19}));
    EXPECT_EQ(records[0].Profit, 1000000 - 125000);

    // Seven numbers cost seven stakes, whatever the dialog left in the profit.
    App->Archive().SetDrawsOffset(0);
    Ui.StakeEdits.push_back([](TStakeRecord& r, int& drawCount) {
        r.Numbers = Set({1, 2, 3, 4, 5, 6, 7});
        r.Profit = 0;
        drawCount = 3;
        return true;
    });
    ASSERT_TRUE(App->Execute("StakeAdd"));
    EXPECT_EQ(DrawColumn(), (std::vector<int>{98, -1, 101, -1, 102, -1, 103}));
    records = Records();
    for (size_t i : {2u, 4u, 6u}) {
        EXPECT_EQ(records[i].Profit, -7 * 125000) << i;
        EXPECT_FALSE(records[i].Checked) << i;
    }
    EXPECT_EQ(Ui.Panels[4], "Ставок: 7");
}

// Without a price and prizes every profit is 0.00: the first check says why, in the status line, once.
TEST_F(StakesAppTest, CheckingWithoutPrizesSaysSoOnce) {
    const std::string note = "Стоимость ставки и выигрыши не заданы: профит равен 0 («Файл → Параметры»)";
    for (const bool prizes : {false, true}) {
        App.reset();
        Ui.ProgressTexts.clear();
        Ui.InitTimerStarts = 0;
        WriteRaw(Ini(), prizes ? std::string(StakesIni)
                               : "[GLOBAL]\nCombsGenerateMode=2\nCombsGenerateParameters=1;2;3;4;5;6;7\n");
        WriteRaw(Archive(), RawDrawRange(1, 100));
        WriteRaw(Lsk(), "");
        Start();
        EXPECT_EQ(std::count(Ui.ProgressTexts.begin(), Ui.ProgressTexts.end(), note), 0);
        for (int draw : {99, 100}) {
            Ui.StakeEdits.push_back([draw](TStakeRecord& r, int&) {
                r.DrawNumber = draw;
                r.Numbers = Set({3, 11, 19, 20, 21, 22});
                return true;
            });
            ASSERT_TRUE(App->Execute("StakeAdd"));
            // Shown after the check's own progress text was cleared, so it stays.
            if (!prizes && draw == 99) {
                EXPECT_EQ(Ui.ProgressTexts.back(), note);
            }
        }
        EXPECT_EQ(std::count(Ui.ProgressTexts.begin(), Ui.ProgressTexts.end(), note), prizes ? 0 : 1) << prizes;
        EXPECT_EQ(Records().size(), 2u);
    }
}

TEST_F(StakesAppTest, MultiStakeDialogMakesOneStakePerCombination) {
    StartStakes();
    int checks = 0;
    App->Stakes().AddStakeCheckedHook([&checks](const TStakeRecord&) { ++checks; });
    App->Combinations().SetCombsSelection({{0, 2}, {4, 5}});
    Ui.MultiStakeEdits.push_back([](int& draw, int& count, std::string& comment) {
        EXPECT_EQ(draw, 101);
        EXPECT_EQ(count, 1);
        EXPECT_EQ(comment, "Ставка \"вручную\"");
        draw = 50;
        comment = "пакет";
        return true;
    });
    Ui.ProgressTexts.clear();
    ASSERT_TRUE(App->Execute("StakeAddSelected"));
    auto records = Records();
    ASSERT_EQ(records.size(), 3u);
    const size_t rows[] = {0, 1, 4};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(NumberSetToText(records[i].Numbers, ";"), CombToList(App->Combinations().Combs()[rows[i]])) << i;
        EXPECT_EQ(records[i].DrawNumber, 50);
        EXPECT_EQ(records[i].Comment, "пакет");
        EXPECT_EQ(records[i].SampleSize, 7);
        EXPECT_TRUE(records[i].Checked) << "draw 50 is in the archive";
    }
    EXPECT_EQ(checks, 3);
    EXPECT_EQ(std::count(Ui.ProgressTexts.begin(), Ui.ProgressTexts.end(), "Проверка результатов ставок..."), 1);
    EXPECT_TRUE(App->Combinations().CombsSelection().empty());

    Ui.MultiStakeEdits.push_back([](int&, int&, std::string&) { return true; });
    ASSERT_TRUE(App->Execute("StakeAddAll"));
    records = Records();
    ASSERT_EQ(records.size(), 10u);
    for (size_t i = 3; i < 10; ++i) {
        EXPECT_EQ(NumberSetToText(records[i].Numbers, ";"), CombToList(App->Combinations().Combs()[i - 3]));
        EXPECT_EQ(records[i].DrawNumber, 101);
        EXPECT_FALSE(records[i].Checked);
    }
    EXPECT_EQ(Ui.Panels[4], "Ставок: 10");

    Ui.MultiStakeEdits.push_back([](int&, int&, std::string&) { return false; });
    ASSERT_TRUE(App->Execute("StakeAddAll"));
    EXPECT_EQ(App->Stakes().StakeCount(), 10);
}

// --- Deleting ------------------------------------------------------------------------------------------------

struct TDelCase {
    TRowRanges Selection;
    bool Answer;
    const char* Question;
    std::vector<int> Left;
};
class StakeDel : public StakesAppTest, public testing::WithParamInterface<TDelCase> {};
TEST_P(StakeDel, DeletesExactlyTheSelectedRecords) {
    StartStakes(FiveStakes());
    App->Stakes().SetStakesSelection(GetParam().Selection);
    Ui.YesNoAnswers.push_back(GetParam().Answer);
    ASSERT_TRUE(App->Execute("StakeDel"));
    ASSERT_EQ(Ui.Questions.size(), 1u);
    EXPECT_EQ(Ui.Questions[0].Box, TMsgBox::Warning);
    EXPECT_EQ(Ui.Questions[0].Text, GetParam().Question);
    EXPECT_EQ(DrawColumn(), GetParam().Left);
    EXPECT_EQ(App->Stakes().StakeCount(), static_cast<int64_t>(GetParam().Left.size()));
    EXPECT_EQ(Ui.Panels[4], "Ставок: " + std::to_string(GetParam().Left.size()));
    EXPECT_FALSE(FileExists(Data.File("Zorb_6x52.~tmp")));
    EXPECT_TRUE(Ui.Errors().empty());
}
INSTANTIATE_TEST_SUITE_P(Stakes, StakeDel,
                         testing::Values(TDelCase{{{1, 2}}, true, "Удалить выделенную запись?", {201, 203, 204, 205}},
                                         TDelCase{{{1, 2}, {3, 5}},
                                                  true,
                                                  "Удалить все выделенные записи (всего будет удалено 3 записи(ей))?",
                                                  {201, 203}},
                                         TDelCase{{{0, 5}},
                                                  false,
                                                  "Удалить все выделенные записи (всего будет удалено 5 записи(ей))?",
                                                  {201, 202, 203, 204, 205}}));

struct TFilterCase {
    int Condition, Value;
    std::vector<int> Left;
};
class StakeFilter : public StakesAppTest, public testing::WithParamInterface<TFilterCase> {};
TEST_P(StakeFilter, DropsStakesByMatchCountAndKeepsSeparators) {
    // Unchecked 201; checked with 0, 1 and 3 matches on draws 50..52; unchecked 202.
    StartStakes(RawOpenStake(201, {1, 2, 3, 4, 5, 6}) + RawChecked(50, 0) + RawSeparator() + RawChecked(51, 1) +
                RawChecked(52, 3) + RawSeparator() + RawOpenStake(202, {1, 2, 3, 4, 5, 6}));
    const TFilterCase c = GetParam();
    Ui.StakeFilterEdits.push_back([c](int& condition, int& value) {
        condition = c.Condition;
        value = c.Value;
        return true;
    });
    ASSERT_TRUE(App->Execute("StakeFilter"));
    EXPECT_EQ(DrawColumn(), GetParam().Left);
    EXPECT_FALSE(FileExists(Data.File("Zorb_6x52.~tmp")));
    EXPECT_TRUE(App->Stakes().StakesOpen());
}
INSTANTIATE_TEST_SUITE_P(Stakes, StakeFilter,
                         testing::Values(TFilterCase{3, 1, {-1, 51, 52, -1}},
                                         TFilterCase{0, 0, {201, -1, 51, 52, -1, 202}},
                                         TFilterCase{2, 1, {201, 50, -1, -1, 202}},
                                         TFilterCase{1, 6, {201, 50, -1, 51, 52, -1, 202}},
                                         TFilterCase{4, 6, {-1, -1}}));

TEST_F(StakesAppTest, DeletingRowsReopensTheFileAndAFailureKeepsIt) {
    StartStakes(FiveStakes());
    ASSERT_TRUE(App->Stakes().DeleteStakeRows(2, 3)); // grid rows count from 1
    EXPECT_EQ(DrawColumn(), (std::vector<int>{201, 204, 205}));
    EXPECT_FALSE(FileExists(Data.File("Zorb_6x52.~tmp")));
    ASSERT_TRUE(App->Stakes().StakesOpen());
    EXPECT_EQ(App->Stakes().StakeCellText(1, 0), "204");

    const std::string before = ReadRaw(Lsk());
    std::filesystem::create_directory(Data.File("Zorb_6x52.~tmp")); // the replacement cannot be written
    EXPECT_FALSE(App->Stakes().DeleteStakeRows(1, 1));
    ASSERT_EQ(Ui.Errors().size(), 1u);
    EXPECT_EQ(Ui.Errors()[0].Text.rfind("Ошибка удаления записи из файла ставок!", 0), 0u) << Ui.Errors()[0].Text;
    EXPECT_TRUE(ReadRaw(Lsk()) == before);
    EXPECT_TRUE(App->Stakes().StakesOpen());
    EXPECT_EQ(App->Stakes().StakeCount(), 3);
}

TEST_F(StakesAppTest, ClearingEmptiesTheFileAndDisablesWhatNeedsStakes) {
    StartStakes(FiveStakes());
    const char* const needStakes[] = {"StakeFilter", "StakeClear", "StakesCheckManual"};
    for (const char* name : needStakes) EXPECT_TRUE(App->ActionEnabled(name)) << name;
    EXPECT_FALSE(App->ActionEnabled("StakeDel")) << "nothing selected";
    App->Stakes().SetStakesSelection({{0, 1}});
    EXPECT_TRUE(App->ActionEnabled("StakeDel"));

    Ui.YesNoAnswers.push_back(true);
    ASSERT_TRUE(App->Execute("StakeClear"));
    EXPECT_EQ(Ui.Questions.at(0).Text, "Удалить все выделенные записи (всего будет удалено 5 записи(ей))?");
    EXPECT_EQ(FileSize(Lsk()), 0);
    EXPECT_EQ(Ui.Panels[4], "Ставок: 0");
    App->Stakes().SetStakesSelection({{0, 1}});
    for (const char* name : {"StakeDel", "StakeFilter", "StakeClear", "StakesCheckManual"})
        EXPECT_FALSE(App->ActionEnabled(name)) << name;
    EXPECT_TRUE(App->ActionEnabled("StakeAdd"));
}

// --- Checking and the stake logs -----------------------------------------------------------------------------

TEST_F(StakesAppTest, NewDrawsCheckTheWaitingStakesAndFillTheLogs) {
    auto stake = [](int draw, std::vector<int> numbers, const char* comment) {
        TRawStake s;
        s.Draw = draw;
        s.Sample = 7;
        s.Numbers = std::move(numbers);
        s.Profit = -125000;
        s.Comment = comment;
        return RawStake(s);
    };
    StartStakes(stake(101, {1, 2, 3, 4, 5, 6}, "X") + stake(102, {1, 2, 3, 4, 5, 6}, "A") +
                stake(102, {1, 2, 3, 4, 10, 20}, "B") + stake(103, {10, 20, 30, 40, 50, 52}, "C"));
    std::vector<std::string> checked;
    App->Stakes().AddStakeCheckedHook([&checked](const TStakeRecord& r) { checked.push_back(r.Comment); });
    auto enter = [](TDrawRec& r) {
        const uint8_t drawn[6] = {52, 10, 30, 40, 50, 20};
        std::copy(drawn, drawn + 6, r.Numbers);
        r.SetDate("2024-05-01");
        return true;
    };

    // Logging is off: draw 101 checks X and writes no log.
    Ui.DrawEdits.push_back(enter);
    ASSERT_TRUE(App->Execute("DrawsAdd"));
    EXPECT_EQ(checked, (std::vector<std::string>{"X"}));
    ASSERT_TRUE(App->Execute("LogStakes"));
    ASSERT_TRUE(App->Settings().StakesLogEnabled);
    for (const auto& name : Data.Names()) EXPECT_EQ(name.find(".log"), std::string::npos) << name;

    Ui.DrawEdits.push_back(enter);
    ASSERT_TRUE(App->Execute("DrawsAdd"));
    EXPECT_EQ(checked, (std::vector<std::string>{"X", "A", "B"}));
    const auto records = Records();
    EXPECT_TRUE(records[2].Checked);
    EXPECT_EQ(Values(records[2].Matched.Numbers, records[2].Matched.Count), (std::vector<int>{10, 20}));
    EXPECT_FALSE(records[3].Checked) << "draw 103 is not in the archive";

    const std::string stamp = R"(^\d{4}\.\d{2}\.\d{2} \d{2}:\d{2}:\d{2}: )";
    const std::string log0 = ReadRaw(Data.File("Zorb_6x52-0.log"));
    const std::string log2 = ReadRaw(Data.File("Zorb_6x52-2.log"));
    EXPECT_TRUE(std::regex_match(log0, std::regex(stamp + R"(Тираж № 102\. Ставка: "A" \[1;2;3;4;5;6\] \{7\}\. )"
                                                          R"(Результаты тиража: \[52;10;30;40;50;20\]\. )"
                                                          R"(Совпадений: 0\. Профит: -12\.50\.\r\n$)")))
        << log0;
    EXPECT_TRUE(std::regex_match(log2, std::regex(stamp + R"(Тираж № 102\. Ставка: "B" \[1;2;3;4;10;20\] \{7\}\. )"
                                                          R"(Результаты тиража: \[52;10;30;40;50;20\]\. )"
                                                          R"(Совпадений: 2\. Профит: -12\.50\.\r\n$)")))
        << log2;

    ASSERT_TRUE(App->Execute("LogStakesDelete"));
    EXPECT_FALSE(FileExists(Data.File("Zorb_6x52-0.log")));
    EXPECT_FALSE(FileExists(Data.File("Zorb_6x52-2.log")));
    EXPECT_TRUE(Ui.Errors().empty());
    ASSERT_TRUE(App->Execute("LogStakesDelete"));
    ASSERT_FALSE(Ui.Messages.empty());
    EXPECT_EQ(Ui.Messages.back().Text, "Файлы журналов не найдены!");
}

// --- One copy per data directory -----------------------------------------------------------------------------

TEST_F(StakesAppTest, SecondCopyIsKeptOutAndTouchesNoFile) {
    StartStakes(FiveStakes());
    ASSERT_TRUE(Ui.Errors().empty());
    const auto before = Snapshot(Data.Path());
    ASSERT_TRUE(before.count("Zorb_6x52.frm"));
    {
        TScriptedUi ui;
        TFormMain second(ui, TAppOptions{Data.Path(), Exe.Path(), "Zorb_6x52", {}});
        second.Create();
        ASSERT_EQ(ui.InitTimerStarts, 1);
        second.OnInitTimer();
        ASSERT_FALSE(ui.Errors().empty());
        EXPECT_EQ(ui.Errors()[0].Text.rfind("Невозможно получить монопольный доступ к файлам данных!", 0), 0u)
            << ui.Errors()[0].Text;
        // The message names the directory in use and nothing of another system.
        EXPECT_NE(ui.Errors()[0].Text.find(Data.Path()), std::string::npos) << ui.Errors()[0].Text;
        EXPECT_EQ(ui.Errors()[0].Text.find("Windows"), std::string::npos) << ui.Errors()[0].Text;
        EXPECT_TRUE(second.Terminated());
        second.Shutdown();
        EXPECT_TRUE(Snapshot(Data.Path()) == before) << "the refused copy changed the data directory";
    }
    EXPECT_TRUE(Snapshot(Data.Path()) == before);

    // The first copy keeps working and, once closed, lets the next one in.
    Ui.StakeEdits.push_back([](TStakeRecord& r, int&) {
        r.Numbers = Set({1, 2, 3, 4, 5, 6});
        return true;
    });
    ASSERT_TRUE(App->Execute("StakeAdd"));
    EXPECT_EQ(App->Stakes().StakeCount(), 6);
    App->Shutdown();
    TScriptedUi ui;
    TFormMain third(ui, TAppOptions{Data.Path(), Exe.Path(), "Zorb_6x52", {}});
    third.Create();
    third.OnInitTimer();
    EXPECT_TRUE(ui.Errors().empty());
    EXPECT_FALSE(third.Terminated());
    EXPECT_EQ(third.Stakes().StakeCount(), 6);
    third.Shutdown();
}

} // namespace
} // namespace zorb::test
