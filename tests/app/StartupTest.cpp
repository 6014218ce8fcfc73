#include "../common/TestHttpServer.h"
#include "AppFixture.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace zorb::test {
namespace {

TEST_F(AppTest, StartsInAnEmptyDirectory) {
    Start();
    EXPECT_TRUE(Ui.Messages.empty()) << Ui.Messages.front().Text;
    EXPECT_EQ(App->State(), TStartState::Initialized);
    EXPECT_TRUE(App->Archive().Draws().empty());
    EXPECT_EQ(Ui.Panels[0], "Архив тиражей: 0");
    EXPECT_EQ(Ui.Panels[1], "Следующий тираж: 1");
    EXPECT_EQ(Ui.Panels[2], "");
    EXPECT_EQ(Ui.OffsetValue, 0);
    EXPECT_EQ(Ui.OffsetMax, 0);
    ASSERT_TRUE(FileExists(Frm()));
    EXPECT_EQ(FrmValue("PrefetchsInit"), "1");
    EXPECT_EQ(FrmValue("PrefetchsEnabled"), "0");
    EXPECT_FALSE(FileExists(Archive())) << "nothing to save yet";
    EXPECT_EQ(App->Settings().DrawsStatLen, 1000);
    EXPECT_TRUE(App->Settings().ColorDraws);
    EXPECT_FALSE(App->Settings().SortedDraws);
    EXPECT_EQ(App->Settings().Language, 1049);
    EXPECT_EQ(App->Config().ChannelSize, 4);
    EXPECT_EQ(App->CombinationsCount(), 20358520);
    EXPECT_NE(App->Caption().find(" версия "), std::string::npos) << App->Caption();
    EXPECT_EQ(Ui.Caption, App->Caption());
}

// Without the archive's address a start-up download can only fail: no question, no error, one hint.
struct TStartDownloadCase {
    int Mode; // DownloadDrawsOnStart
    bool Hint;
};
class StartDownloadWithoutAddress : public AppTest, public testing::WithParamInterface<TStartDownloadCase> {};
TEST_P(StartDownloadWithoutAddress, AsksNothingAndSaysWhereToSetIt) {
    WriteRaw(Frm(), "[TFormMain]\nDownloadDrawsOnStart=" + std::to_string(GetParam().Mode) + "\n");
    Start();
    EXPECT_EQ(Ui.DownloadOffers, 0);
    EXPECT_TRUE(Ui.Questions.empty());
    EXPECT_TRUE(Ui.Errors().empty());
    ASSERT_FALSE(Ui.ProgressTexts.empty());
    const bool hint =
        Ui.ProgressTexts.back().find("не задан адрес архива результатов («Файл → Параметры»)") != std::string::npos;
    EXPECT_EQ(hint, GetParam().Hint) << Ui.ProgressTexts.back();
    EXPECT_FALSE(App->Busy());
}
INSTANTIATE_TEST_SUITE_P(Modes, StartDownloadWithoutAddress,
                         testing::Values(TStartDownloadCase{0, true}, TStartDownloadCase{1, true},
                                         TStartDownloadCase{2, false}));

// The example settings that scripts/run.sh puts in a new sample directory give every match count a prize row.
TEST_F(AppTest, SampleSettingsCarryACostAndPrizes) {
    WriteRaw(Ini(), ReadRaw(std::string(ZORB_SAMPLE_DIR) + "/Zorb_6x52.example.ini"));
    Start();
    EXPECT_EQ(App->Config().Cost, 1000000);
    ASSERT_EQ(App->Config().Profits.size(), 7u);
    for (int k = 0; k < 7; ++k) EXPECT_EQ(App->Config().Profits[static_cast<size_t>(k)].Overlap, k);
    EXPECT_EQ(App->Config().Profits[6].Profit, Currency(5000000) * 10000);
    EXPECT_TRUE(Ui.Errors().empty());
}

TEST_F(AppTest, BusyFromCreateUntilTheInitTimer) {
    Construct();
    App->Create();
    EXPECT_EQ(App->State(), TStartState::PartOneDone);
    EXPECT_TRUE(App->Busy());
    ASSERT_FALSE(Ui.BusyCursor.empty());
    EXPECT_TRUE(Ui.BusyCursor.back());
    EXPECT_FALSE(App->ActionEnabled("DrawsAdd"));
    EXPECT_FALSE(App->Execute("DrawsAdd"));
    EXPECT_TRUE(Ui.OfferedDraws.empty());
    App->OnInitTimer();
    EXPECT_FALSE(App->Busy());
    EXPECT_FALSE(Ui.BusyCursor.back());
    EXPECT_TRUE(App->ActionEnabled("DrawsAdd"));
    App->OnInitTimer(); // a second tick does nothing
    EXPECT_FALSE(App->Busy());
    EXPECT_EQ(App->State(), TStartState::Initialized);
}

// The loading lets the window process events, where the start-up timer may fire once more (a window that called
// the loading itself, a slow start): the loading runs once all the same.
struct TReenteringUi : TScriptedUi {
    TFormMain* App = nullptr;
    int Reentries = 0;
    void ProcessEvents() override {
        if (App && App->State() == TStartState::PartOneDone) {
            ++Reentries;
            App->OnInitTimer();
        }
    }
};
TEST(StartupReentryTest, LoadingThatProcessesEventsRunsOnce) {
    // The system games' catalogue is fetched at start; the window stays alive while the reply is awaited.
    TTestHttpServer http;
    std::atomic<int> lists{0};
    http.Server().Post("/scripts/sys_getlist.php", [&](const httplib::Request&, httplib::Response& res) {
        ++lists;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        res.set_content("<result></result>", "text/plain");
    });
    http.Start();
    TTempDir data, exe;
    WriteRaw(data.File("Zorb_6x52.frm"), "[TFormMain]\nSystemsEnabled=1\n");
    // An archive address, so that the start-up offers the download (declined by the interface).
    WriteRaw(data.File("Zorb_6x52.ini"),
             "[GLOBAL]\nResultsArchiveUrl=" + http.Url("/draws.zip") + "\n[ONLINE]\nServerUrl=" + http.Url("") + "\n");
    TReenteringUi ui;
    TFormMain app(ui, TAppOptions{data.Path(), exe.Path(), "Zorb_6x52", {}});
    app.Create();
    ui.App = &app;
    app.OnInitTimer();
    EXPECT_GT(ui.Reentries, 0) << "the loading never processed events; the case does not apply";
    EXPECT_EQ(ui.DownloadOffers, 1) << "the start-up offer to download draws came more than once";
    EXPECT_EQ(lists, 1);
    EXPECT_EQ(app.State(), TStartState::Initialized);
    EXPECT_FALSE(app.Busy());
}

TEST_F(AppTest, DamagedArchiveIsReportedKeptAndCopied) {
    const std::string damaged = RawDrawRange(1, 3).substr(0, 50);
    StartWithArchive(damaged);
    auto errors = Ui.Errors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].Text.rfind("Ошибка чтения файла тиражей!\r\r", 0), 0u) << errors[0].Text;
    EXPECT_EQ(ArchiveNumbers(), (std::vector<int>{1, 2}));
    EXPECT_EQ(App->State(), TStartState::Initialized);
    EXPECT_FALSE(App->Busy());
    EXPECT_TRUE(App->ActionEnabled("DrawsAdd"));
    EXPECT_EQ(Ui.Panels[0], "Архив тиражей: 2");
    std::vector<std::string> copies;
    for (const auto& name : Data.Names())
        if (name.rfind("Zorb_6x52.ldr.damaged-", 0) == 0) copies.push_back(name);
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(ReadRaw(Data.File(copies[0])), damaged);
    EXPECT_EQ(ReadRaw(Archive()), damaged) << "loading alone does not rewrite the file";
}

std::string Garbage() {
    std::string g = "\n";
    for (int round = 0; round < 3; ++round)
        for (int c = 0; c < 256; ++c) g += static_cast<char>((c * 37 + round * 11) & 0xFF);
    return g + std::string("\0\0\xFF[=]\n=\n[", 11);
}

TEST_F(AppTest, GarbledSettingsFilesDoNotStopStartUp) {
    WriteRaw(Frm(), "[TFormMain]\nDrawsStatLen=555\nColorDraws=0\nWeekLen=abc\n" + Garbage());
    WriteRaw(Ini(), "[GLOBAL]\nChannelSize=3\nMatrixCols=\xFF\n" + Garbage());
    Start();
    EXPECT_EQ(App->State(), TStartState::Initialized);
    EXPECT_EQ(App->Settings().DrawsStatLen, 555);
    EXPECT_FALSE(App->Settings().ColorDraws);
    EXPECT_EQ(App->Settings().WeekLen, 1000);
    EXPECT_FALSE(App->Settings().SortedDraws);
    EXPECT_EQ(App->Config().ChannelSize, 3);
    EXPECT_EQ(App->Config().MatrixCols, 7);
    EXPECT_EQ(App->Shredding(), TShreddingData{});
}

TEST_F(AppTest, UnreadableSettingsAreReportedAndNotReplaced) {
    std::filesystem::create_directory(Frm());
    Start();
    EXPECT_EQ(App->State(), TStartState::Initialized);
    EXPECT_FALSE(Ui.Errors().empty());
    EXPECT_TRUE(std::filesystem::is_directory(Frm()));
    EXPECT_EQ(App->Settings().DrawsStatLen, 1000);
}

TEST_F(AppTest, RestartWithNoOtherCopyRunningStartsNormally) {
    Construct({"restart"}, "zorb-test-no-such-process-7f3a9c");
    EXPECT_TRUE(App->Switches().Restart);
    App->Create();
    EXPECT_FALSE(App->Terminated());
    EXPECT_EQ(App->State(), TStartState::PartOneDone);
    EXPECT_EQ(Ui.InitTimerStarts, 1);
    EXPECT_EQ(Ui.CloseRequests, 0);
    App->OnInitTimer();
    EXPECT_EQ(App->State(), TStartState::Initialized);
    EXPECT_TRUE(Ui.Messages.empty());
}

TEST_F(AppTest, ShutdownWritesSizesOnce) {
    Start();
    App->Shutdown();
    EXPECT_EQ(App->State(), TStartState::ShutDown);
    EXPECT_EQ(FrmValue("DrawsStatLen"), "1000");
    EXPECT_EQ(FrmValue("PrefetchsInit"), "1") << "earlier keys survive the rewrite";
    EXPECT_EQ(Ui.WindowStateSaves, 1);
    const std::string marker = ReadRaw(Frm()) + "[Marker]\nx=1\n";
    WriteRaw(Frm(), marker);
    App->Shutdown();
    EXPECT_EQ(Ui.WindowStateSaves, 1);
    EXPECT_EQ(ReadRaw(Frm()), marker);
    EXPECT_TRUE(Ui.Errors().empty());
}

TEST_F(AppTest, OptionTogglesAreWrittenAtOnce) {
    Start();
    ASSERT_TRUE(App->Execute("ViewColorDraws"));
    EXPECT_FALSE(App->Settings().ColorDraws);
    EXPECT_FALSE(App->ActionChecked("ViewColorDraws"));
    EXPECT_EQ(FrmValue("ColorDraws"), "0");
    ASSERT_TRUE(App->Execute("ViewColorDraws"));
    EXPECT_TRUE(App->Settings().ColorDraws);
    EXPECT_EQ(FrmValue("ColorDraws"), "1");

    ASSERT_TRUE(App->Execute("AutoDownload2"));
    EXPECT_EQ(App->Settings().DownloadDrawsOnStart, 2);
    EXPECT_EQ(FrmValue("DownloadDrawsOnStart"), "2");
    EXPECT_FALSE(App->ActionChecked("AutoDownload0"));
    EXPECT_FALSE(App->ActionChecked("AutoDownload1"));
    EXPECT_TRUE(App->ActionChecked("AutoDownload2"));
    EXPECT_TRUE(Ui.Errors().empty());

    // A new start reads back what was written.
    App.reset();
    TScriptedUi second;
    TFormMain again(second, TAppOptions{Data.Path(), Exe.Path(), "Zorb_6x52", {}});
    again.Create();
    again.OnInitTimer();
    EXPECT_EQ(again.Settings().DownloadDrawsOnStart, 2);
    EXPECT_TRUE(again.ActionChecked("AutoDownload2"));
}

TEST_F(AppTest, ActionsFollowBusyAndSelection) {
    StartWithArchive(RawDrawRange(1, 5));
    EXPECT_FALSE(App->ActionEnabled("DrawsEdit"));
    EXPECT_FALSE(App->ActionEnabled("DrawsDel"));
    EXPECT_FALSE(App->Execute("DrawsEdit"));
    EXPECT_FALSE(App->Execute("DrawsDel"));
    EXPECT_FALSE(App->Execute("NoSuchAction"));
    EXPECT_FALSE(App->ActionEnabled("NoSuchAction"));
    App->Archive().SetDrawsSelection({-1, 5, 100});
    EXPECT_TRUE(App->Archive().DrawsSelection().empty()) << "rows outside the list are not selectable";
    App->Archive().SetDrawsSelection({3, 1, 3});
    EXPECT_EQ(App->Archive().DrawsSelection(), (std::vector<int>{1, 3}));
    EXPECT_TRUE(App->ActionEnabled("DrawsEdit"));
    EXPECT_TRUE(App->ActionEnabled("DrawsDel"));
    App->BeginBusy();
    for (const auto& a : App->Actions()) EXPECT_FALSE(App->ActionEnabled(a)) << a.Name;
    EXPECT_FALSE(App->Execute("DrawsAdd"));
    App->EndBusy();
    EXPECT_TRUE(App->ActionEnabled("DrawsAdd"));
    EXPECT_TRUE(Ui.OfferedDraws.empty());
    EXPECT_TRUE(Ui.Questions.empty());
}

} // namespace
} // namespace zorb::test
