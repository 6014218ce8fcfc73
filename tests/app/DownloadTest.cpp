// Draws coming in from the operator's results archive and from CSV files, and going out to CSV.
#include "../common/TestHttpServer.h"
#include "../stakes/StakesTestUtil.h"
#include "AppFixture.h"
#include "core/DrawsCsv.h"

#include <algorithm>
#include <numeric>

namespace zorb::test {
namespace {

// A range file as the operator writes it: a header, then one line per draw, newest first, with a time field
// and a prize field before the numbers. Draw d has the numbers d%46+1 .. d%46+6.
std::string RangeFile(int newest, int oldest) {
    std::string r = "Тираж;Дата;Время;Джекпот;1;2;3;4;5;6\r\n";
    for (int d = newest; d >= oldest; --d) {
        const int b = d % 46;
        r += std::to_string(d) + ";2021-04-01;20:00;1000000";
        for (int k = 1; k <= 6; ++k) r += ";" + std::to_string(b + k);
        r += "\r\n";
    }
    return r;
}

std::vector<int> Range(int first, int last) {
    std::vector<int> r(static_cast<size_t>(std::max(0, last - first + 1)));
    std::iota(r.begin(), r.end(), first);
    return r;
}

class DownloadTest : public AppTest {
protected:
    TTestHttpServer Http;
    std::string ZipBytes;
    int Requests = 0;

    void SetUp() override {
        Http.Server().Get("/results.zip", [this](const httplib::Request&, httplib::Response& res) {
            ++Requests;
            res.set_content(ZipBytes, "application/zip");
        });
        Http.Server().Get("/gone.zip", [](const httplib::Request&, httplib::Response& res) { res.status = 404; });
        Http.Start();
    }
    void StartWith(const std::string& archive, const std::string& urlPath = "/results.zip") {
        WriteRaw(Ini(), "[GLOBAL]\nResultsArchiveUrl=" + (urlPath.empty() ? "" : Http.Url(urlPath)) + "\n");
        if (!archive.empty()) WriteRaw(Archive(), archive);
        Start();
        Ui.Messages.clear();
    }
    bool OnlyArchiveFilesLeft() const {
        for (const std::string& name : Data.Names())
            if (name.find("ZorbMega") != std::string::npos || name.find(".zip") != std::string::npos) return false;
        return true;
    }
};

TEST_F(DownloadTest, OnlyTheRangeHoldingTheNextDrawIsReadAndEveryRangeFileDeleted) {
    // Draw 2161 has nine fields (a missing number) and is ignored; 2160 carries two extra fields and is read.
    std::string last = RangeFile(2160, 2001);
    last.insert(last.find("\r\n") + 2, "2161;2021-04-02;20:00;1;2;3;4;5;6\r\n");
    last.replace(last.find("2160;") + last.substr(last.find("2160;")).find("\r\n"), 0, ";x;y");
    ZipBytes = MakeZip({{"ZorbMega_Results__1-1000.csv", RangeFile(1000, 1)},
                        {"ZorbMega_Results__1001-2000.csv", RangeFile(2000, 1001)},
                        {"ZorbMega_Results__2001-3000.csv", last}});
    StartWith(RawDrawRange(1, 2154));
    ASSERT_TRUE(App->Execute("DrawsDownload"));

    EXPECT_TRUE(Ui.Errors().empty()) << Ui.Errors()[0].Text;
    EXPECT_EQ(ArchiveNumbers(), Range(1, 2160));
    EXPECT_EQ(FileNumbers(), Range(1, 2160));
    const TDrawRec& newest = App->Archive().Draws().back();
    EXPECT_EQ(newest.Date(), "2021-04-01");
    EXPECT_EQ(newest.Numbers[0], 2160 % 46 + 1);
    EXPECT_EQ(newest.Numbers[5], 2160 % 46 + 6);
    EXPECT_TRUE(OnlyArchiveFilesLeft());
    EXPECT_NE(std::find(Ui.ProgressTexts.begin(), Ui.ProgressTexts.end(), "Загрузка архива тиражей..."),
              Ui.ProgressTexts.end());
    EXPECT_FALSE(App->Busy());

    // Nothing new the second time; the range files are still cleaned up.
    ASSERT_TRUE(App->Execute("DrawsDownload"));
    EXPECT_EQ(Requests, 2);
    EXPECT_EQ(ArchiveNumbers(), Range(1, 2160));
    EXPECT_TRUE(OnlyArchiveFilesLeft());
}

TEST_F(DownloadTest, AnEmptyArchiveTakesEveryRangeInTurn) {
    ZipBytes = MakeZip({{"ZorbMega_Results__2001-3000.csv", RangeFile(2160, 2001)},
                        {"ZorbMega_Results__1-1000.csv", RangeFile(1000, 1)},
                        {"ZorbMega_Results__1001-2000.csv", RangeFile(2000, 1001)}});
    StartWith("");
    EXPECT_EQ(App->Archive().DrawsDownload(), 2160);
    EXPECT_EQ(ArchiveNumbers(), Range(1, 2160));
    EXPECT_EQ(FileNumbers(), Range(1, 2160));
    EXPECT_TRUE(OnlyArchiveFilesLeft());
}

TEST_F(DownloadTest, LinesWithUnusableNumbersAreSkippedAndCounted) {
    std::string file = RangeFile(12, 11);
    file += "10;2021-04-01;;;1;2;3;4;5;53\r\n9;2021-04-01;;;1;1;2;3;4;5\r\n";
    file += RangeFile(8, 1).substr(file.find("\r\n") + 2);
    ZipBytes = MakeZip({{"ZorbMega_Results__1-100.csv", file}});
    StartWith("");
    EXPECT_EQ(App->Archive().DrawsDownload(), 10);
    EXPECT_EQ(ArchiveNumbers(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 11, 12}));
    ASSERT_EQ(Ui.Messages.size(), 1u);
    EXPECT_EQ(Ui.Messages[0].Box, TMsgBox::Warning);
    EXPECT_EQ(Ui.Messages[0].Text,
              "Строк с неверными числами пропущено: 2.\r\rВ тираже должно быть шесть разных чисел от 1 до 52.");
}

TEST_F(DownloadTest, EachFailedStageHasItsMessageAndTheStakesAreStillChecked) {
    // A stake on draw 101 waits; it must be checked even when the download fails, against what the archive holds.
    WriteRaw(Data.File("Zorb_6x52.lsk"), RawOpenStake(101, {1, 2, 3, 4, 5, 6}));

    StartWith(RawDrawRange(1, 101), "/gone.zip");
    EXPECT_EQ(App->Archive().DrawsDownload(), 0);
    ASSERT_EQ(Ui.Errors().size(), 1u);
    EXPECT_EQ(Ui.Errors()[0].Text.rfind("Ошибка загрузки файла с архивом тиражей!\r\r", 0), 0u) << Ui.Errors()[0].Text;
    EXPECT_NE(Ui.Errors()[0].Text.find("404"), std::string::npos);
    EXPECT_EQ(ArchiveNumbers(), Range(1, 101));
    EXPECT_TRUE(OnlyArchiveFilesLeft());
    const std::string stakes = ReadRaw(Data.File("Zorb_6x52.lsk"));
    ASSERT_EQ(stakes.size(), RawStakeSize);
    EXPECT_EQ(DecodeStake(reinterpret_cast<const uint8_t*>(stakes.data())).Checked, true);
}

TEST_F(DownloadTest, DamagedArchiveAndMissingAddressAreReported) {
    ZipBytes = "PK\x03\x04 this is not really a zip";
    StartWith(RawDrawRange(1, 10));
    App->Archive().DrawsDownload();
    ASSERT_EQ(Ui.Errors().size(), 1u);
    EXPECT_EQ(Ui.Errors()[0].Text.rfind("Ошибка извлечения файлов из архива тиражей!\r\r", 0), 0u);
    EXPECT_TRUE(OnlyArchiveFilesLeft());
    EXPECT_EQ(ArchiveNumbers(), Range(1, 10));

    ZipBytes = MakeZip({{"../ZorbMega_Results__1-100.csv", RangeFile(20, 1)}});
    Ui.Messages.clear();
    App->Archive().DrawsDownload();
    ASSERT_EQ(Ui.Errors().size(), 1u);
    EXPECT_NE(Ui.Errors()[0].Text.find("недопустимое имя"), std::string::npos);
    EXPECT_EQ(ArchiveNumbers(), Range(1, 10));
    EXPECT_FALSE(std::filesystem::exists(Data.File("../ZorbMega_Results__1-100.csv")));
}

TEST_F(DownloadTest, NoAddressSaysWhereToSetIt) {
    StartWith(RawDrawRange(1, 10), "");
    EXPECT_EQ(App->Archive().DrawsDownload(), 0);
    ASSERT_EQ(Ui.Errors().size(), 1u);
    EXPECT_NE(Ui.Errors()[0].Text.find("Адрес архива результатов лотереи не задан"), std::string::npos);
    EXPECT_EQ(Requests, 0);
}

TEST_F(DownloadTest, StartUpDownloadFollowsTheSettingAndLoadOnlyEnds) {
    ZipBytes = MakeZip({{"ZorbMega_Results__1-100.csv", RangeFile(12, 1)}});
    WriteRaw(Ini(), "[GLOBAL]\nResultsArchiveUrl=" + Http.Url("/results.zip") + "\n");
    WriteRaw(Frm(), "[TFormMain]\nDownloadDrawsOnStart=1\n");
    Start();
    EXPECT_EQ(Ui.DownloadOffers, 0);
    EXPECT_EQ(ArchiveNumbers(), Range(1, 12));
    EXPECT_EQ(Ui.CloseRequests, 0);
    App.reset();
    Ui.InitTimerStarts = 0;

    // Asked, and a Yes downloads.
    ZipBytes = MakeZip({{"ZorbMega_Results__1-100.csv", RangeFile(14, 1)}});
    WriteRaw(Frm(), "[TFormMain]\nDownloadDrawsOnStart=0\n");
    Ui.YesNoAnswers.push_back(true);
    Start();
    ASSERT_EQ(Ui.Questions.size(), 1u);
    EXPECT_EQ(Ui.Questions[0].Text.rfind("Обновить список тиражей?", 0), 0u);
    EXPECT_EQ(ArchiveNumbers(), Range(1, 14));
    App.reset();
    Ui.InitTimerStarts = 0;

    // Never: no request at all.
    const int before = Requests;
    WriteRaw(Frm(), "[TFormMain]\nDownloadDrawsOnStart=2\n");
    Start();
    EXPECT_EQ(Requests, before);
    App.reset();
    Ui.InitTimerStarts = 0;

    ZipBytes = MakeZip({{"ZorbMega_Results__1-100.csv", RangeFile(16, 1)}});
    Start({"loadonly"});
    EXPECT_EQ(ArchiveNumbers(), Range(1, 16));
    EXPECT_EQ(Ui.CloseRequests, 1);
}

TEST_F(DownloadTest, SilentServerFailsAndTheProgramStaysUsable) {
    TSilentServer silent;
    WriteRaw(Ini(), "[GLOBAL]\nResultsArchiveUrl=" + silent.Url("/results.zip") + "\n");
    WriteRaw(Archive(), RawDrawRange(1, 10));
    Start();
    App->Archive().SetHttpTimeouts(1, 1);
    EXPECT_EQ(App->Archive().DrawsDownload(), 0);
    ASSERT_EQ(Ui.Errors().size(), 1u);
    EXPECT_NE(Ui.Errors()[0].Text.find("Сервер не отвечает"), std::string::npos) << Ui.Errors()[0].Text;
    EXPECT_FALSE(App->Busy());
    EXPECT_TRUE(App->ActionEnabled("DrawsDownload"));
    EXPECT_TRUE(App->ActionEnabled("DrawsAdd"));
}

// --- CSV files ----------------------------------------------------------------------------------------------

TEST_F(AppTest, ExportThenImportIntoAnEmptyArchiveReproducesIt) {
    std::string archive = RawDrawRange(1, 150);
    archive += RawDraw(200, {52, 1, 17, 33, 2, 9}, "2022-12-31");
    WriteRaw(Archive(), archive);
    Start();
    const std::string csv = Exe.File("draws.csv");
    Ui.NextFileName = csv;
    ASSERT_TRUE(App->Execute("DrawsExport"));
    EXPECT_EQ(Ui.FileFilters.back(), "Файлы тиражей (*.csv)|*.csv");
    EXPECT_EQ(ReadRaw(csv).substr(0, 33), "1;\"2021-03-27\";42;10;34;2;26;18\r\n");
    App.reset();
    Ui.InitTimerStarts = 0;

    std::filesystem::remove(Archive());
    Start();
    ASSERT_FALSE(App->ActionEnabled("DrawsExport")); // nothing to export yet
    ASSERT_TRUE(App->Execute("DrawsImport"));
    EXPECT_EQ(ReadRaw(Archive()), archive);
    EXPECT_TRUE(Ui.Errors().empty());

    // Every draw again: nothing added, the file rewritten the same.
    ASSERT_TRUE(App->Execute("DrawsImport"));
    EXPECT_EQ(ReadRaw(Archive()), archive);
    EXPECT_EQ(App->Archive().Draws().size(), 151u);

    // A missing file is reported and changes nothing.
    Ui.NextFileName = Exe.File("absent.csv");
    ASSERT_TRUE(App->Execute("DrawsImport"));
    ASSERT_EQ(Ui.Errors().size(), 1u);
    EXPECT_EQ(ReadRaw(Archive()), archive);
    // A cancelled dialog does nothing.
    Ui.NextFileName.clear();
    Ui.Messages.clear();
    ASSERT_TRUE(App->Execute("DrawsImport"));
    ASSERT_TRUE(App->Execute("DrawsExport"));
    EXPECT_TRUE(Ui.Messages.empty());
}

} // namespace
} // namespace zorb::test
