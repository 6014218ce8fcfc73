#include "AppFixture.h"

#include "core/DrawArchive.h"

namespace zorb::test {
namespace {

// Sets the dialog's fields the way a user would, then presses OK.
std::function<bool(TDrawRec&)> Enter(std::vector<int> numbers, const char* date, int number = 0) {
    return [=](TDrawRec& r) {
        if (number) r.Draw = number;
        for (int k = 0; k < 6; ++k) r.Numbers[k] = static_cast<uint8_t>(numbers[static_cast<size_t>(k)]);
        r.SetDate(date);
        return true;
    };
}
bool Cancel(TDrawRec& r) {
    r.Draw = 777; // edits made before Cancel must not leak out
    return false;
}

std::vector<int> Numbers(const TDrawRec& r) {
    return std::vector<int>(r.Numbers, r.Numbers + 6);
}

TEST_F(AppTest, OffsetMovesTheNextDrawAndTheHighlight) {
    WriteRaw(Ini(), "[GLOBAL]\nChannelSize=3\n");
    StartWithArchive(RawDrawRange(1, 100));
    EXPECT_EQ(Ui.OffsetMax, 99);
    App->Archive().SetDrawsOffset(3);
    EXPECT_EQ(App->Archive().DrawsOffset(), 3);
    EXPECT_EQ(Ui.OffsetValue, 3);
    EXPECT_EQ(Ui.Panels[0], "Архив тиражей: 100");
    EXPECT_EQ(Ui.Panels[1], "Следующий тираж: 98");
    EXPECT_EQ(Ui.Panels[2], "35;3;27;47;19;11"); // draw 98 in stored order
    for (int n : {35, 3, 27, 47, 19, 11}) EXPECT_TRUE(App->Archive().NextDrawMask().Contains(uint8_t(n))) << n;
    EXPECT_FALSE(App->Archive().NextDrawMask().Contains(1));

    EXPECT_EQ(App->Archive().DrawCellColor(3, 0), 0xFFAAAA);
    EXPECT_EQ(App->Archive().DrawCellColor(3, 8), 0xFFAAAA);
    for (int row : {0, 1, 2, 4, 50, 99}) {
        for (int col : {0, 7, 8}) EXPECT_EQ(App->Archive().DrawCellColor(row, col), 0xFFFFFF) << row << "/" << col;
        for (int col = 1; col <= 6; ++col) {
            int shown = std::stoi(App->Archive().DrawCellText(row, col));
            EXPECT_EQ(App->Archive().DrawCellColor(row, col), int64_t(ChannelColor(shown, 3))) << row << "/" << col;
        }
    }
    EXPECT_EQ(App->Archive().DrawCellColor(100, 0), -1);
    EXPECT_EQ(App->Archive().DrawCellColor(-1, 0), -1);
}

TEST_F(AppTest, WithoutColouringOnlyTheOffsetRowHasAColour) {
    StartWithArchive(RawDrawRange(1, 100));
    App->Archive().SetDrawsOffset(3);
    ASSERT_TRUE(App->Execute("ViewColorDraws"));
    ASSERT_FALSE(App->Settings().ColorDraws);
    for (int col = 0; col < TDrawsController::DrawColumnCount; ++col) EXPECT_EQ(App->Archive().DrawCellColor(3, col), 0xFFAAAA);
    // -1 asks for the list's default background.
    std::vector<std::string> wrong;
    for (int row : {0, 2, 4, 99})
        for (int col = 0; col < TDrawsController::DrawColumnCount; ++col)
            if (App->Archive().DrawCellColor(row, col) != -1)
                wrong.push_back(std::to_string(row) + "/" + std::to_string(col) + "=" +
                                std::to_string(App->Archive().DrawCellColor(row, col)));
    EXPECT_TRUE(wrong.empty()) << wrong.size() << " cells, e.g. " << wrong.front();
}

struct TClampCase {
    int Asked, Offset;
    const char* Next;
};
void PrintTo(const TClampCase& c, std::ostream* os) {
    *os << "offset " << c.Asked;
}
class OffsetClamp : public AppTest, public testing::WithParamInterface<TClampCase> {};
TEST_P(OffsetClamp, StaysInsideTheArchive) {
    StartWithArchive(RawDrawRange(1, 100));
    App->Archive().SetDrawsOffset(GetParam().Asked);
    EXPECT_EQ(App->Archive().DrawsOffset(), GetParam().Offset);
    EXPECT_EQ(Ui.OffsetValue, GetParam().Offset);
    EXPECT_EQ(Ui.Panels[1], GetParam().Next);
}
INSTANTIATE_TEST_SUITE_P(Table, OffsetClamp,
                         testing::Values(TClampCase{0, 0, "Следующий тираж: 101"},
                                         TClampCase{99, 99, "Следующий тираж: 2"},
                                         TClampCase{100, 99, "Следующий тираж: 2"},
                                         TClampCase{2147483647, 99, "Следующий тираж: 2"},
                                         TClampCase{-4, 0, "Следующий тираж: 101"}));

TEST_F(AppTest, DrawListShowsNewestFirstAndSortsOnlyTheView) {
    StartWithArchive(RawDraw(1, {1, 2, 3, 4, 5, 6}, "2021-03-20") + RawDraw(2, {7, 8, 9, 10, 11, 12}, "2021-03-24") +
                     RawDraw(3, {52, 1, 7, 3, 20, 9}, "2021-03-27"));
    const std::vector<std::string> captions = {"Тираж", "1", "2", "3", "4", "5", "6", "S", "Дата тиража"};
    for (int c = 0; c < TDrawsController::DrawColumnCount; ++c) EXPECT_EQ(App->Archive().DrawColumnCaption(c), captions[size_t(c)]);
    auto row = [&](int r) {
        std::vector<std::string> cells;
        for (int c = 0; c < TDrawsController::DrawColumnCount; ++c) cells.push_back(App->Archive().DrawCellText(r, c));
        return cells;
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(row(0), (V{"3", "52", "1", "7", "3", "20", "9", "92", "2021-03-27"}));
    EXPECT_EQ(row(2), (V{"1", "1", "2", "3", "4", "5", "6", "21", "2021-03-20"}));
    EXPECT_EQ(App->Archive().DrawCellText(3, 0), "");
    EXPECT_EQ(App->Archive().DrawCellText(-1, 0), "");
    const std::string fileBefore = ReadRaw(Archive());

    ASSERT_TRUE(App->Execute("DrawsSorted"));
    EXPECT_TRUE(App->ActionChecked("DrawsSorted"));
    EXPECT_EQ(row(0), (V{"3", "1", "3", "7", "9", "20", "52", "92", "2021-03-27"}));
    EXPECT_EQ(Numbers(App->Archive().Draws()[2]), (std::vector<int>{52, 1, 7, 3, 20, 9}));
    EXPECT_EQ(FrmValue("SortedDraws"), "1");
    EXPECT_EQ(ReadRaw(Archive()), fileBefore);
    // With sorting, the colours follow the number shown in the cell.
    EXPECT_EQ(App->Archive().DrawCellColor(0, 6), int64_t(ChannelColor(52, 4)));

    ASSERT_TRUE(App->Execute("DrawsSorted"));
    EXPECT_EQ(row(0)[1], "52");
    EXPECT_EQ(FrmValue("SortedDraws"), "0");
}

TEST_F(AppTest, DamagedRecordFieldsAreShownSafely) {
    std::string rec = RawDraw(9, {0, 255, 52, 1, 2, 3}, "2021-03-27");
    rec[10] = static_cast<char>(255); // date length beyond the field
    for (size_t k = 11; k < 21; ++k) rec[k] = static_cast<char>(0xC0 + k);
    StartWithArchive(rec);
    EXPECT_EQ(App->Archive().DrawCellText(0, 1), "0");
    EXPECT_EQ(App->Archive().DrawCellText(0, 2), "255");
    EXPECT_EQ(App->Archive().DrawCellText(0, 7), "313");
    EXPECT_EQ(App->Archive().DrawCellColor(0, 1), 0xFF0000);
    EXPECT_EQ(App->Archive().DrawCellColor(0, 2), 0xFF0000);
    std::string date = App->Archive().DrawCellText(0, 8);
    EXPECT_FALSE(date.empty());
    EXPECT_LE(date.size(), 20u) << "ten cp1251 characters at most";
}

TEST_F(AppTest, AddOffersTheNextNumberAndSaves) {
    Start();
    Ui.DrawEdits.push_back(Enter({52, 1, 7, 3, 20, 9}, "2021-03-27"));
    ASSERT_TRUE(App->Execute("DrawsAdd"));
    ASSERT_EQ(Ui.OfferedDraws.size(), 1u);
    EXPECT_EQ(Ui.OfferedDraws[0].Draw, 1);
    ASSERT_EQ(App->Archive().Draws().size(), 1u);
    auto file = DecodeRaw(ReadRaw(Archive()));
    ASSERT_EQ(file.size(), 1u);
    EXPECT_EQ(file[0].Number, 1);
    EXPECT_EQ(file[0].Numbers, (std::vector<int>{52, 1, 7, 3, 20, 9}));
    EXPECT_EQ(file[0].Date, "2021-03-27");
    EXPECT_EQ(Ui.Panels[0], "Архив тиражей: 1");
    EXPECT_EQ(Ui.Panels[1], "Следующий тираж: 2");
    EXPECT_TRUE(Ui.Errors().empty());
}

TEST_F(AppTest, AddAfterTheNewestDrawAndCancel) {
    StartWithArchive(RawDrawRange(2150, 2154));
    const std::string before = ReadRaw(Archive());
    Ui.DrawEdits.push_back(Cancel);
    ASSERT_TRUE(App->Execute("DrawsAdd"));
    EXPECT_EQ(Ui.OfferedDraws.back().Draw, 2155);
    EXPECT_EQ(App->Archive().Draws().size(), 5u);
    EXPECT_EQ(ReadRaw(Archive()), before);

    const int resets = Ui.ListResets;
    Ui.DrawEdits.push_back(Enter({1, 2, 3, 4, 5, 6}, "2021-04-03"));
    ASSERT_TRUE(App->Execute("DrawsAdd"));
    EXPECT_EQ(Ui.OfferedDraws.back().Draw, 2155);
    EXPECT_EQ(ReadRaw(Archive()).size(), before.size() + 24);
    EXPECT_EQ(ReadRaw(Archive()).substr(0, before.size()), before);
    EXPECT_EQ(FileNumbers().back(), 2155);
    EXPECT_EQ(App->Archive().DrawCellText(0, 0), "2155");
    EXPECT_GT(Ui.ListResets, resets);
}

TEST_F(AppTest, EditChangesTheFirstSelectedRecordInPlace) {
    StartWithArchive(RawDrawRange(1, 5));
    const TDrawRec original = App->Archive().Draws()[3];
    App->Archive().SetDrawsSelection({3, 1});
    Ui.DrawEdits.push_back(Enter({1, 2, 3, 4, 5, 6}, "2020-01-01", 40));
    ASSERT_TRUE(App->Execute("DrawsEdit"));
    ASSERT_EQ(Ui.OfferedDraws.size(), 1u);
    EXPECT_EQ(Ui.OfferedDraws[0].Draw, original.Draw);
    EXPECT_EQ(Numbers(Ui.OfferedDraws[0]), Numbers(original));
    EXPECT_EQ(ArchiveNumbers(), (std::vector<int>{1, 2, 3, 40, 5}));
    auto file = DecodeRaw(ReadRaw(Archive()));
    ASSERT_EQ(file.size(), 5u);
    EXPECT_EQ(file[3].Number, 40);
    EXPECT_EQ(file[3].Numbers, (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(file[3].Date, "2020-01-01");

    const std::string before = ReadRaw(Archive());
    App->Archive().SetDrawsSelection({0});
    Ui.DrawEdits.push_back(Cancel);
    ASSERT_TRUE(App->Execute("DrawsEdit"));
    EXPECT_EQ(ArchiveNumbers(), (std::vector<int>{1, 2, 3, 40, 5}));
    EXPECT_EQ(ReadRaw(Archive()), before);
}

struct TDelCase {
    std::vector<int> Rows;
    const char* Question;
};
void PrintTo(const TDelCase& c, std::ostream* os) {
    *os << c.Rows.size() << " rows";
}
class DeleteQuestions : public AppTest, public testing::WithParamInterface<TDelCase> {};
TEST_P(DeleteQuestions, AnsweringNoChangesNothing) {
    StartWithArchive(RawDrawRange(1, 5));
    const std::string before = ReadRaw(Archive());
    App->Archive().SetDrawsSelection(GetParam().Rows);
    Ui.YesNoAnswers.push_back(false);
    ASSERT_TRUE(App->Execute("DrawsDel"));
    ASSERT_EQ(Ui.Questions.size(), 1u);
    EXPECT_EQ(Ui.Questions[0].Box, TMsgBox::Warning);
    EXPECT_EQ(Ui.Questions[0].Text, GetParam().Question);
    EXPECT_EQ(ArchiveNumbers(), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(ReadRaw(Archive()), before);
}
INSTANTIATE_TEST_SUITE_P(
    Table, DeleteQuestions,
    testing::Values(TDelCase{{2}, "Удалить выделенную запись?"},
                    TDelCase{{0, 4}, "Удалить все выделенные записи (всего будет удалено 2 записи(ей))?"},
                    TDelCase{{0, 1, 2, 3, 4}, "Удалить все выделенные записи (всего будет удалено 5 записи(ей))?"}));

TEST_F(AppTest, DeleteRemovesTheSelectedRowsAndSaves) {
    StartWithArchive(RawDrawRange(1, 5));
    App->Archive().SetDrawsSelection({0, 2});
    Ui.YesNoAnswers.push_back(true);
    ASSERT_TRUE(App->Execute("DrawsDel"));
    EXPECT_EQ(ArchiveNumbers(), (std::vector<int>{1, 2, 4}));
    EXPECT_EQ(FileNumbers(), (std::vector<int>{1, 2, 4}));
    EXPECT_TRUE(App->Archive().DrawsSelection().empty());
    EXPECT_EQ(Ui.Panels[0], "Архив тиражей: 3");
    EXPECT_EQ(Ui.Panels[1], "Следующий тираж: 5");
    EXPECT_TRUE(Ui.Errors().empty());
}

TEST_F(AppTest, DeleteWithRepeatedNumbersRemovesExactlyTheSelectedRecord) {
    StartWithArchive(RawDraw(1, {1, 2, 3, 4, 5, 6}) + RawDraw(2, {7, 8, 9, 10, 11, 12}) +
                     RawDraw(2, {13, 14, 15, 16, 17, 18}) + RawDraw(3, {19, 20, 21, 22, 23, 24}));
    App->Archive().SetDrawsSelection({2}); // the older of the two records numbered 2
    Ui.YesNoAnswers.push_back(true);
    ASSERT_TRUE(App->Execute("DrawsDel"));
    ASSERT_EQ(App->Archive().Draws().size(), 3u);
    EXPECT_EQ(Numbers(App->Archive().Draws()[1]), (std::vector<int>{13, 14, 15, 16, 17, 18}));
    auto file = DecodeRaw(ReadRaw(Archive()));
    ASSERT_EQ(file.size(), 3u);
    EXPECT_EQ(file[1].Numbers, (std::vector<int>{13, 14, 15, 16, 17, 18}));
}

TEST_F(AppTest, FailedArchiveSaveIsReportedAndKeepsTheOldFile) {
    StartWithArchive(RawDrawRange(1, 5));
    const std::string before = ReadRaw(Archive());
    Ui.DrawEdits.push_back(Enter({1, 2, 3, 4, 5, 6}, "2021-04-03"));
    {
        TWriteFaultGuard fault(0);
        ASSERT_TRUE(App->Execute("DrawsAdd"));
    }
    auto errors = Ui.Errors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].Text.rfind("Ошибка записи в файл тиражей!\r\r", 0), 0u) << errors[0].Text;
    EXPECT_EQ(ArchiveNumbers(), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(ReadRaw(Archive()), before);
    EXPECT_EQ(Data.Names().size(), 3u) << "only the archive, the stakes file and the .frm; no temporary file left";
    EXPECT_FALSE(App->Busy());

    // The same fault during a deletion.
    App->Archive().SetDrawsSelection({0});
    Ui.YesNoAnswers.push_back(true);
    {
        TWriteFaultGuard fault(30);
        ASSERT_TRUE(App->Execute("DrawsDel"));
    }
    EXPECT_EQ(Ui.Errors().size(), 2u);
    EXPECT_EQ(ArchiveNumbers(), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(ReadRaw(Archive()), before);
    EXPECT_FALSE(App->Busy());
}

} // namespace
} // namespace zorb::test
