// The combination list as the main window drives it: generation, files, clipboard, filters, undo and buffer.
#include "AppFixture.h"

#include "combos/CombFiles.h"
#include "combos/Generate.h"
#include "core/DrawArchive.h"

#include <algorithm>

namespace zorb::test {
namespace {

class CombsTest : public AppTest {
protected:
    // A small starting list keeps most tests quick; tests that need the full set generate it.
    void StartSmall(const std::string& myNumbers = "1;2;3;4;5;6;7;8", const std::string& archive = "") {
        WriteRaw(Ini(), "[GLOBAL]\nCombsGenerateMode=2\nCombsGenerateParameters=" + myNumbers + "\n");
        if (!archive.empty()) WriteRaw(Archive(), archive);
        Start();
    }
    std::vector<std::string> Lines() const {
        std::vector<std::string> r;
        for (size_t i = 0; i < App->Combinations().Combs().Count(); ++i) r.push_back(CombToList(App->Combinations().Combs()[i]));
        return r;
    }
    std::unique_ptr<TCustomStat> Nums() { return App->Stats().CreateStat(App->Stats().FindByCode("NUMS")); }
    static TStatDrawArray W1Rows(std::initializer_list<int> values) {
        TStatDrawArray rows;
        for (int v : values) {
            TStatDraw r{};
            r.SetW(1, static_cast<uint16_t>(v));
            rows.push_back(r);
        }
        return rows;
    }
};

TEST_F(CombsTest, StartUpGeneratesTheSavedDefaultAndShowsTheCount) {
    Start();
    EXPECT_EQ(App->Combinations().Combs().Count(), size_t(FullCombsCount));
    EXPECT_EQ(Ui.Panels[3], "Комбинаций: 20358520");
    EXPECT_FALSE(App->Combinations().UndoAvailable());
    EXPECT_GE(App->Combinations().UndoCombs().Capacity(), size_t(FullCombsCount));
    EXPECT_EQ(App->Combinations().CombCellText(0, 0), "1");
    EXPECT_EQ(App->Combinations().CombCellText(20358519, 7), "297");
    EXPECT_EQ(App->Combinations().CombColumnCaption(0), "№ п.п.");
}

TEST_F(CombsTest, KeepingAndRemovingSevenSplitTheFullSetAndUndoRestoresIt) {
    Start();
    auto nums = Nums();
    App->Combinations().MakeUndo(true);
    App->Combinations().FilterByStat(*nums, W1Rows({7}), "7", "Числа", false);
    EXPECT_EQ(App->Combinations().Combs().Count(), 2349060u);
    ASSERT_EQ(App->Combinations().Filters().size(), 1u);
    EXPECT_EQ(App->Combinations().Filters()[0].Mark, TFilterMark::Keep);
    EXPECT_EQ(App->Combinations().Filters()[0].Count, 2349060u);
    EXPECT_TRUE(App->ActionEnabled("CombsUndo"));
    ASSERT_TRUE(App->Execute("CombsUndo"));
    EXPECT_EQ(App->Combinations().Combs().Count(), size_t(FullCombsCount));
    EXPECT_TRUE(App->Combinations().Filters().empty());
    EXPECT_FALSE(App->ActionEnabled("CombsUndo"));
    // The restored list is the generated one, in order.
    TCombsArray fresh;
    GenerateCombs(fresh, gmFull, "");
    EXPECT_EQ(0, std::memcmp(fresh.Data(), App->Combinations().Combs().Data(), fresh.Count() * sizeof(TComb)));

    App->Combinations().MakeUndo(true);
    App->Combinations().FilterByStat(*nums, W1Rows({7}), "7", "Числа", true);
    EXPECT_EQ(App->Combinations().Combs().Count(), 18009460u);
    EXPECT_EQ(App->Combinations().Filters().back().Mark, TFilterMark::Remove);
}

TEST_F(CombsTest, FilterOnAnEmptyListAddsNoLineAndEmptySelectionDoesNothing) {
    StartSmall("1;2;3"); // fewer than six numbers: an empty list
    ASSERT_EQ(App->Combinations().Combs().Count(), 0u);
    auto nums = Nums();
    App->Combinations().MakeUndo(true);
    App->Combinations().FilterByStat(*nums, W1Rows({1}), "1", "Числа", false);
    EXPECT_EQ(App->Combinations().Combs().Count(), 0u);
    EXPECT_TRUE(App->Combinations().Filters().empty());
}

TEST_F(CombsTest, FilterWithoutSelectedValuesKeepsTheList) {
    StartSmall();
    auto nums = Nums();
    App->Combinations().MakeUndo(true);
    App->Combinations().FilterByStat(*nums, {}, "", "Числа", false);
    EXPECT_EQ(App->Combinations().Combs().Count(), 28u);
    EXPECT_TRUE(App->Combinations().Filters().empty());
}

TEST_F(CombsTest, NumberFiltersTakeEachNumberOnce) {
    StartSmall();
    App->Combinations().MakeUndo(true);
    App->Combinations().FilterByNumbers("Карта", {3, 3, 8}, false);
    ASSERT_EQ(App->Combinations().Filters().size(), 1u);
    EXPECT_EQ(App->Combinations().Filters()[0].Operation, "Карта");
    EXPECT_EQ(App->Combinations().Filters()[0].Values, "3; 8");
    for (const std::string& line : Lines()) {
        auto has = [&](const char* n) {
            return (";" + line + ";").find(std::string(";") + n + ";") != std::string::npos;
        };
        EXPECT_TRUE(has("3") || has("8")) << line;
    }
    App->Combinations().FilterByNumbers("Неделя", {}, false);
    ASSERT_FALSE(Ui.Messages.empty());
    EXPECT_EQ(Ui.Messages.back().Text, "В выделенном диапазоне нет значений для фильтра!");
    EXPECT_EQ(App->Combinations().Filters().size(), 1u);
}

TEST_F(CombsTest, RemoveLastDrawsUsesTheWindowBeforeTheOffset) {
    // Draw numbers are 1..10; every draw is the combination (i, i+1, ..., i+5) in shuffled order.
    TDrawsArray draws;
    for (int i = 1; i <= 10; ++i) {
        TDrawRec d{};
        d.Draw = i;
        const uint8_t nums[6] = {static_cast<uint8_t>(i + 5), static_cast<uint8_t>(i),     static_cast<uint8_t>(i + 3),
                                 static_cast<uint8_t>(i + 1), static_cast<uint8_t>(i + 4), static_cast<uint8_t>(i + 2)};
        std::copy(nums, nums + 6, d.Numbers);
        draws.push_back(d);
    }
    StartSmall("1;2;3;4;5;6;7;8;9;10;11;12;13;14;15", EncodeDraws(draws));
    const size_t before = App->Combinations().Combs().Count();
    App->Archive().SetDrawsOffset(5); // the window ends at draw 5
    App->Combinations().SetCombsExclude(3);
    ASSERT_TRUE(App->Execute("CombsDelExists"));
    EXPECT_EQ(App->Combinations().Combs().Count(), before - 3);
    const auto lines = Lines();
    for (const char* gone : {"3;4;5;6;7;8", "4;5;6;7;8;9", "5;6;7;8;9;10"})
        EXPECT_TRUE(std::find(lines.begin(), lines.end(), gone) == lines.end()) << gone;
    for (const char* kept : {"2;3;4;5;6;7", "6;7;8;9;10;11"})
        EXPECT_TRUE(std::find(lines.begin(), lines.end(), kept) != lines.end()) << kept;
    EXPECT_EQ(App->Combinations().Filters().back().Operation, "Последние тиражи");
    EXPECT_EQ(App->Combinations().Filters().back().Values, "3");
    // Progress: the last text before clearing is the finished percentage.
    const auto& texts = Ui.ProgressTexts;
    EXPECT_TRUE(std::find(texts.begin(), texts.end(),
                          "Удаление из списка комбинаций 3 последних тиражей ( завершено 100 % )...") != texts.end());
    ASSERT_TRUE(App->Execute("CombsUndo"));
    EXPECT_EQ(App->Combinations().Combs().Count(), before);
    // More draws than the archive holds: every draw up to the window end.
    App->Combinations().SetCombsExclude(1000);
    ASSERT_TRUE(App->Execute("CombsDelExists"));
    EXPECT_EQ(App->Combinations().Combs().Count(), before - 5);
}

TEST_F(CombsTest, RemoveSelectedKeepsTheOthersInOrder) {
    StartSmall();
    App->Combinations().SetCombsSelection({{0, 2}, {5, 6}, {27, 40}});
    EXPECT_EQ(App->Combinations().CombsSelectedCount(), 4u);
    const auto before = Lines();
    ASSERT_TRUE(App->Execute("CombsDelSelected"));
    auto expected = before;
    expected.erase(expected.begin() + 27);
    expected.erase(expected.begin() + 5);
    expected.erase(expected.begin(), expected.begin() + 2);
    EXPECT_EQ(Lines(), expected);
    EXPECT_EQ(App->Combinations().Filters().back().Operation, "Выделенные комбинации");
    EXPECT_EQ(App->Combinations().Filters().back().Values, "4");
    EXPECT_TRUE(App->Combinations().CombsSelection().empty());
    EXPECT_FALSE(App->ActionEnabled("CombsDelSelected"));
}

TEST_F(CombsTest, GenerationDialogSavesDefaultsOnlyWhenAsked) {
    StartSmall();
    Ui.GenerateEdits.push_back([](TGenerateSettings& p, bool& save) {
        p.Mode = gmOnlyMine;
        p.Parameters = "1;2;3;4;5;6;7";
        save = false;
        return true;
    });
    ASSERT_TRUE(App->Execute("CombsGen"));
    EXPECT_EQ(App->Combinations().Combs().Count(), 7u);
    EXPECT_EQ(LoadGenerateSettings(Ini()).Parameters, "1;2;3;4;5;6;7;8");
    Ui.GenerateEdits.push_back([](TGenerateSettings& p, bool& save) {
        p.Mode = gmNoneOfMine;
        p.Parameters = "1,2";
        save = true;
        return true;
    });
    ASSERT_TRUE(App->Execute("CombsGen"));
    EXPECT_EQ(App->Combinations().Combs().Count(), 15890700u); // C(50,6)
    EXPECT_EQ(LoadGenerateSettings(Ini()).Mode, gmNoneOfMine);
    EXPECT_EQ(LoadGenerateSettings(Ini()).Parameters, "1,2");
    EXPECT_FALSE(App->Combinations().UndoAvailable());
}

TEST_F(CombsTest, OpenSaveAndTheirFailures) {
    StartSmall();
    const std::string path = Data.File("list.lcv");
    Ui.NextFileName = path;
    ASSERT_TRUE(App->Execute("CombsSave"));
    EXPECT_EQ(Ui.FileFilters.back(), "Файлы комбинаций (*.lcv)|*.lcv");
    const auto saved = Lines();
    WriteRaw(path, ReadRaw(path) + "header line\r\n\r\n1;2;3;4;5\r\n5,3,1,2,4,6\r\n7;7;99;1;2;3\r\n");
    App->Combinations().MakeUndo(true);
    App->Combinations().FilterByNumbers("Карта", {1}, false);
    ASSERT_TRUE(App->Execute("CombsOpen"));
    auto expected = saved;
    expected.push_back("5;3;1;2;4;6");
    expected.push_back("7;7;99;1;2;3");
    EXPECT_EQ(Lines(), expected);
    EXPECT_TRUE(App->Combinations().Filters().empty());
    EXPECT_FALSE(App->Combinations().UndoAvailable());
    ASSERT_FALSE(Ui.Messages.empty());
    EXPECT_EQ(Ui.Messages.back().Box, TMsgBox::Warning); // one odd combination reported
    EXPECT_NE(Ui.Messages.back().Text.find("1."), std::string::npos);

    // A file that cannot be read leaves the list as it was.
    Ui.NextFileName = Data.File("missing.lcv");
    ASSERT_TRUE(App->Execute("CombsOpen"));
    EXPECT_EQ(Ui.Messages.back().Text.rfind("Ошибка чтения файла \"" + Data.File("missing.lcv") + "\"!\r\r", 0), 0u);
    EXPECT_EQ(Lines(), expected);
    // A save that cannot be written leaves the old file.
    Ui.NextFileName = path;
    {
        TWriteFaultGuard fault(5);
        ASSERT_TRUE(App->Execute("CombsSave"));
    }
    EXPECT_EQ(Ui.Messages.back().Text.rfind("Ошибка записи в файл \"" + path + "\"!\r\r", 0), 0u);
    EXPECT_NE(ReadRaw(path).find("5,3,1,2,4,6"), std::string::npos);
}

TEST_F(CombsTest, ClipboardRoundTripAndAMalformedPaste) {
    StartSmall();
    App->Combinations().SetCombsSelection({{1, 3}});
    ASSERT_TRUE(App->Execute("CombsCopy"));
    EXPECT_EQ(Ui.Clipboard, "01 02 03 04 05 07\r\n01 02 03 04 05 08");
    ASSERT_TRUE(App->Execute("CombsPaste"));
    EXPECT_EQ(Lines(), (std::vector<std::string>{"1;2;3;4;5;7", "1;2;3;4;5;8"}));
    Ui.Clipboard = "1 2 3 4 5 6\n7,8,9,10,11\n";
    ASSERT_TRUE(App->Execute("CombsPaste"));
    EXPECT_EQ(Ui.Messages.back().Text, "Некорректная комбинация: \"7,8,9,10,11\"!");
    EXPECT_EQ(Lines(), (std::vector<std::string>{"1;2;3;4;5;7", "1;2;3;4;5;8"}));
    Ui.Clipboard = "";
    EXPECT_FALSE(App->ActionEnabled("CombsPaste"));
}

TEST_F(CombsTest, CountAndFindInTheArchive) {
    TDrawsArray draws;
    for (int i = 1; i <= 3; ++i) {
        TDrawRec d{};
        d.Draw = 100 + i;
        const uint8_t nums[6] = {6, 5, 4, 3, 2, 1};
        std::copy(nums, nums + 6, d.Numbers);
        d.SetDate("2021-03-2" + std::to_string(i));
        draws.push_back(d);
    }
    StartSmall("1;2;3;4;5;6;7;8", EncodeDraws(draws));
    ASSERT_TRUE(App->Execute("CombsCheckNums"));
    EXPECT_EQ(Ui.Messages.back().Text, "В текущем списке комбинаций содержится 8 уникальных номеров");
    App->Combinations().SetCombsSelection({{0, 1}}); // 1;2;3;4;5;6
    ASSERT_TRUE(App->Execute("CombsFindInDraws"));
    EXPECT_EQ(Ui.Messages.back().Text, "Выделенная комбинация найдена в следующих тиражах:\r\r"
                                       "Тираж № 103 от 2021-03-23, значения: 6;5;4;3;2;1\r"
                                       "Тираж № 102 от 2021-03-22, значения: 6;5;4;3;2;1\r"
                                       "Тираж № 101 от 2021-03-21, значения: 6;5;4;3;2;1");
    App->Combinations().SetCombsSelection({{1, 2}});
    ASSERT_TRUE(App->Execute("CombsFindInDraws"));
    EXPECT_EQ(Ui.Messages.back().Text, "Выделенная комбинация не найдена архиве тиражей!");
}

TEST_F(CombsTest, BufferAnswersOnlyItsOwnKey) {
    StartSmall();
    EXPECT_FALSE(App->Combinations().LoadBuffer(0, 0));
    App->Combinations().SaveBuffer(3, 10);
    App->Combinations().MakeUndo(true);
    App->Combinations().FilterByNumbers("Карта", {1}, true);
    ASSERT_LT(App->Combinations().Combs().Count(), 28u);
    EXPECT_FALSE(App->Combinations().LoadBuffer(3, 11));
    EXPECT_TRUE(App->Combinations().LoadBuffer(3, 10));
    EXPECT_EQ(App->Combinations().Combs().Count(), 28u);
    App->Combinations().ForgetBuffer();
    EXPECT_FALSE(App->Combinations().LoadBuffer(3, 10));
}

TEST_F(CombsTest, ColoursFollowTheOption) {
    StartSmall();
    const int n = App->Combinations().Combs()[0].N[2];
    EXPECT_EQ(App->Combinations().CombCellColor(0, 3), int64_t(ChannelColor(n, 4)));
    EXPECT_EQ(App->Combinations().CombCellColor(0, 0), -1);
    ASSERT_TRUE(App->Execute("ViewColorCombs"));
    EXPECT_EQ(App->Combinations().CombCellColor(0, 3), -1);
    EXPECT_EQ(FrmValue("ColorCombs"), "0");
}

} // namespace
} // namespace zorb::test
