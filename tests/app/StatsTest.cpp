// The statistics table of the main window: when it is computed, the full-set files behind its norms, filtering
// the combination list by its rows, and its sort.
#include "AppFixture.h"

#include "core/TextUtils.h"
#include "stats/Prefetch.h"

#include <algorithm>
#include <filesystem>
#include <functional>

namespace zorb::test {
namespace {

class StatsAppTest : public AppTest {
protected:
    // 120 draws and the 28 combinations of eight numbers keep start-up quick.
    void StartSmall(const std::string& myNumbers = "1;2;3;4;5;6;7;8", std::vector<std::string> args = {}) {
        WriteRaw(Ini(), "[GLOBAL]\nCombsGenerateMode=2\nCombsGenerateParameters=" + myNumbers + "\n");
        WriteRaw(Archive(), RawDrawRange(1, 120));
        Start(std::move(args));
    }
    int Entry(const std::string& code) const { return App->Stats().FindByCode(code); }
    std::string PathOf(const std::string& code) const { return App->Statistics().PrefetchPath(Entry(code)); }
    std::vector<std::string> PrefetchCodes() const {
        std::vector<std::string> r;
        for (int i = 0; i < App->Stats().MethodCount(); ++i)
            if (App->Stats().IsPrefetchable(i)) r.push_back(App->Stats().CodeOf(i));
        return r;
    }
    std::string PrefetchDir() const { return Data.File("Prefetchs"); }
    size_t PrefetchFileCount() const {
        if (!std::filesystem::exists(PrefetchDir())) return 0;
        size_t n = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(PrefetchDir())) ++n;
        return n;
    }
    // A valid file no counting would produce: its survival shows that the file was not rebuilt.
    static std::string Fake() {
        TStatDraw r{};
        r.SetW(1, 1);
        r.Count = 7;
        return EncodePrefetch({r});
    }
    std::vector<std::string> Column(int c) const {
        std::vector<std::string> v;
        for (const TStatLine& l : App->Statistics().StatLines()) v.push_back(l.Cells[static_cast<size_t>(c)]);
        return v;
    }
    int RowOf(const std::string& value) const {
        const auto values = Column(0);
        return static_cast<int>(std::find(values.begin(), values.end(), value) - values.begin());
    }
};

TEST_F(StatsAppTest, RecalculatesOnlyWhenWhatItDependsOnChanges) {
    StartSmall();
    ASSERT_EQ(App->Statistics().StatTypeEntry(), Entry("NUMS"));
    EXPECT_EQ(App->Statistics().StatLines().size(), 52u);
    EXPECT_EQ(App->Statistics().StatTable().Window, 120);
    int changes = Ui.StatTableChanges;
    App->Statistics().Recalculate(false);
    EXPECT_EQ(Ui.StatTableChanges, changes) << "nothing changed";

    struct TStep {
        const char* Name;
        std::function<void(TTemplateMain&)> Act;
        bool Recomputes;
        int Window;
        size_t Lines;
    };
    const TStep steps[] = {
        {"offset", [](TTemplateMain& a) { a.Archive().SetDrawsOffset(3); }, true, 117, 52},
        {"same offset", [](TTemplateMain& a) { a.Archive().SetDrawsOffset(3); }, false, 117, 52},
        {"length", [](TTemplateMain& a) { a.Statistics().SetDrawsStatLen(50); }, true, 50, 52},
        {"same length", [](TTemplateMain& a) { a.Statistics().SetDrawsStatLen(50); }, false, 50, 52},
        {"method", [this](TTemplateMain& a) { a.Statistics().SelectStatType(Entry("SUMS")); }, true, 50, 277},
        {"same method", [this](TTemplateMain& a) { a.Statistics().SelectStatType(Entry("SUMS")); }, false, 50, 277},
        {"forced", [](TTemplateMain& a) { a.Statistics().Recalculate(true); }, true, 50, 277},
        {"not forced", [](TTemplateMain& a) { a.Statistics().Recalculate(false); }, false, 50, 277},
        {"offset back", [](TTemplateMain& a) { a.Archive().SetDrawsOffset(0); }, true, 50, 277},
    };
    for (const TStep& s : steps) {
        s.Act(*App);
        EXPECT_EQ(Ui.StatTableChanges > changes, s.Recomputes) << s.Name;
        EXPECT_EQ(App->Statistics().StatTable().Window, s.Window) << s.Name;
        EXPECT_EQ(App->Statistics().StatLines().size(), s.Lines) << s.Name;
        changes = Ui.StatTableChanges;
    }
}

TEST_F(StatsAppTest, WithoutTheComparisonNoFilesAreMade) {
    StartSmall();
    App->Statistics().Recalculate(true);
    EXPECT_FALSE(std::filesystem::exists(PrefetchDir()));
    EXPECT_FALSE(App->Statistics().StatTable().NormsKnown);
    for (const std::string& norm : Column(3)) EXPECT_EQ(norm, "-");
    EXPECT_EQ(FrmValue("PrefetchsEnabled"), "0");
}

TEST_F(StatsAppTest, TurningTheComparisonOnBuildsEveryFile) {
    StartSmall();
    ASSERT_TRUE(App->Execute("DrawsStatePrefetchsEnabled"));
    EXPECT_TRUE(App->ActionChecked("DrawsStatePrefetchsEnabled"));
    EXPECT_EQ(FrmValue("PrefetchsEnabled"), "1");
    EXPECT_EQ(Ui.ProgressOpens, 1);
    EXPECT_EQ(Ui.ProgressCloses, 1);
    EXPECT_EQ(Ui.ProgressMax, App->Stats().MethodCount());
    EXPECT_EQ(Ui.ProgressDone, App->Stats().MethodCount());
    const auto codes = PrefetchCodes();
    EXPECT_EQ(PrefetchFileCount(), codes.size());
    for (const std::string& code : codes) {
        const int64_t size = FileSize(PathOf(code));
        EXPECT_TRUE(size > 12 && size % 12 == 0) << code << ": " << size;
    }
    ASSERT_TRUE(App->Statistics().StatTable().NormsKnown);
    const auto norms = Column(3);
    EXPECT_NE(norms[0], "-");
    EXPECT_EQ(std::count(norms.begin(), norms.end(), norms[0]), 52);
    EXPECT_TRUE(Ui.Errors().empty());
}

TEST_F(StatsAppTest, EmptyOrDamagedFileIsRebuiltWhenOpened) {
    StartSmall();
    ASSERT_TRUE(App->Execute("DrawsStatePrefetchsEnabled"));
    const std::string nums = PathOf("NUMS");
    const std::string built = ReadRaw(nums);

    WriteRaw(nums, "");
    App->Statistics().EnsurePrefetchs(false, {});
    EXPECT_EQ(FileSize(nums), 0) << "an empty file counts as existing here";
    App->Statistics().Recalculate(true);
    EXPECT_EQ(ReadRaw(nums), built);
    EXPECT_TRUE(App->Statistics().StatTable().NormsKnown);
    EXPECT_TRUE(Ui.Errors().empty());

    // Damaged files are rebuilt like missing ones, with one notice in the status line instead of wrong norms.
    std::string wrongMax = built, negative = built;
    wrongMax[wrongMax.size() - 8] = '\x7F'; // the trailer's largest count: no record has it
    negative[11] = '\x80';                   // the first record's count turns negative
    const struct {
        const char* Name;
        std::string Bytes;
    } damaged[] = {{"truncated", built.substr(0, built.size() - 12 + 5)}, {"wrong maximum", wrongMax},
                   {"negative count", negative}, {"odd size", std::string(13, '\0')}};
    for (const auto& c : damaged) {
        Ui.Panels.erase(5);
        WriteRaw(nums, c.Bytes);
        App->Statistics().Recalculate(true);
        EXPECT_EQ(ReadRaw(nums), built) << c.Name;
        EXPECT_TRUE(App->Statistics().StatTable().NormsKnown) << c.Name;
        EXPECT_NE(Ui.Panels[5].find("Zorb_6x52_NUMS.dfc"), std::string::npos) << c.Name;
    }
    EXPECT_TRUE(Ui.Errors().empty());
}

TEST_F(StatsAppTest, ForcedBuildRebuildsOnlyTheGivenGroups) {
    StartSmall();
    ASSERT_TRUE(App->Execute("DrawsStatePrefetchsEnabled"));
    const std::string nums = ReadRaw(PathOf("NUMS")), digs = ReadRaw(PathOf("DIGS"));
    for (const char* code : {"NUMS", "DIGS", "SUMS"}) WriteRaw(PathOf(code), Fake());

    App->Statistics().EnsurePrefetchs(true, {3}); // channel methods: none in this build
    for (const char* code : {"NUMS", "DIGS", "SUMS"}) EXPECT_EQ(ReadRaw(PathOf(code)), Fake()) << code;

    App->Statistics().EnsurePrefetchs(true, {0});
    EXPECT_EQ(ReadRaw(PathOf("NUMS")), nums);
    EXPECT_EQ(ReadRaw(PathOf("DIGS")), digs);
    EXPECT_EQ(ReadRaw(PathOf("SUMS")), Fake()) << "group 1 is not asked for";
}

TEST_F(StatsAppTest, ChangedSettingsBuildMissingFilesOnlyWithTheComparisonOn) {
    StartSmall();
    App->Statistics().EnsurePrefetchs(true, TStatsController::AllGroups());
    ASSERT_EQ(PrefetchFileCount(), PrefetchCodes().size());
    // The channel group's files follow the channel size (made, removed, their number changing with it); the
    // files of every other group must stay as they are.
    auto otherFiles = [&] {
        size_t n = 0;
        for (int i = 0; i < App->Stats().MethodCount(); ++i)
            if (App->Stats().IsPrefetchable(i) && App->Stats().Method(i).StatClass->Group != 3 &&
                FileExists(App->Statistics().PrefetchPath(i)))
                ++n;
        return n;
    };
    const size_t all = otherFiles();
    WriteRaw(PathOf("NUMS"), Fake());
    auto dropSums = [&] { std::filesystem::remove(PathOf("SUMS")); };
    auto editChannel = [&](int size) {
        Ui.ConfigEdits.push_back([size](TConfigData& c) {
            c.ChannelSize = size;
            return true;
        });
        ASSERT_TRUE(App->Execute("EditConfig"));
    };

    dropSums();
    editChannel(5); // off: stale groups would only be deleted
    EXPECT_EQ(App->Config().ChannelSize, 5);
    EXPECT_FALSE(FileExists(PathOf("SUMS")));
    EXPECT_EQ(otherFiles(), all - 1);
    EXPECT_EQ(ReadRaw(PathOf("NUMS")), Fake());

    ASSERT_TRUE(App->Execute("DrawsStatePrefetchsEnabled"));
    EXPECT_TRUE(FileExists(PathOf("SUMS"))) << "a missing file is made when the comparison is turned on";
    dropSums();
    editChannel(6);
    EXPECT_TRUE(FileExists(PathOf("SUMS")));
    EXPECT_EQ(ReadRaw(PathOf("NUMS")), Fake());

    dropSums();
    editChannel(6); // no change
    EXPECT_TRUE(FileExists(PathOf("SUMS")));
    EXPECT_EQ(ReadRaw(PathOf("NUMS")), Fake());
    EXPECT_EQ(otherFiles(), all);
}

struct TSwitchCase {
    const char* Name;
    std::vector<std::string> Args;
    bool EnabledInFrm;
    bool Terminates;
    bool RebuildsExisting;
};

TEST_F(StatsAppTest, StartUpSwitches) {
    const TSwitchCase cases[] = {
        {"fullrecreate", {"fullrecreate"}, false, true, true},
        {"fullrefresh", {"/fullrefresh"}, false, true, false},
        {"enabled", {}, true, false, false},
    };
    for (const TSwitchCase& c : cases) {
        std::filesystem::remove_all(PrefetchDir());
        std::filesystem::create_directories(PrefetchDir());
        const std::string fakeNums = Data.File("Prefetchs/Zorb_6x52_NUMS.dfc");
        WriteRaw(fakeNums, Fake());
        WriteRaw(Frm(), c.EnabledInFrm ? "[TFormMain]\nPrefetchsInit=1\nPrefetchsEnabled=1\n"
                                       : "[TFormMain]\nPrefetchsInit=1\nPrefetchsEnabled=0\n");
        App.reset();
        Ui = TScriptedUi{};
        StartSmall("1;2;3;4;5;6;7;8", c.Args);
        EXPECT_EQ(App->Terminated(), c.Terminates) << c.Name;
        EXPECT_EQ(Ui.CloseRequests, c.Terminates ? 1 : 0) << c.Name;
        EXPECT_EQ(PrefetchFileCount(), PrefetchCodes().size()) << c.Name;
        EXPECT_EQ(ReadRaw(fakeNums) != Fake(), c.RebuildsExisting) << c.Name;
        EXPECT_TRUE(Ui.Errors().empty()) << c.Name;
    }
}

// --- Filtering by table rows --------------------------------------------------------------------------------------

struct TFilterCase {
    const char* Code;
    std::vector<std::string> Values;
    bool Exclude;
    std::function<bool(const TComb&)> Has; // the combination has one of the values
};

int EvenCount(const TComb& c) {
    return static_cast<int>(std::count_if(c.N, c.N + 6, [](uint8_t n) { return n % 2 == 0; }));
}

TEST_F(StatsAppTest, FilterKeepsOrRemovesTheCombinationsOfTheSelectedRows) {
    StartSmall();
    ASSERT_EQ(App->Combinations().Combs().Count(), 28u);
    const TFilterCase cases[] = {
        {"NUMS",
         {"8", "1"},
         false,
         [](const TComb& c) { return std::count(c.N, c.N + 6, 1) + std::count(c.N, c.N + 6, 8) > 0; }},
        {"NUMS", {"3"}, true, [](const TComb& c) { return std::count(c.N, c.N + 6, 3) > 0; }},
        {"SUMS",
         {"21", "27", "33"},
         false,
         [](const TComb& c) {
             const int s = c.N[0] + c.N[1] + c.N[2] + c.N[3] + c.N[4] + c.N[5];
             return s == 21 || s == 27 || s == 33;
         }},
        {"EVEN", {"3:3"}, true, [](const TComb& c) { return EvenCount(c) == 3; }},
    };
    for (const TFilterCase& c : cases) {
        App->Statistics().SelectStatType(Entry(c.Code));
        std::vector<int> rows;
        for (const std::string& v : c.Values) rows.push_back(RowOf(v));
        App->Statistics().SetStatSelection(rows);
        std::sort(rows.begin(), rows.end());
        std::vector<std::string> texts;
        for (int r : rows) texts.push_back(App->Statistics().StatLines()[static_cast<size_t>(r)].Cells[0]);
        size_t expected = 0;
        for (size_t i = 0; i < App->Combinations().Combs().Count(); ++i) expected += c.Has(App->Combinations().Combs()[i]) != c.Exclude ? 1 : 0;

        ASSERT_TRUE(App->Execute(c.Exclude ? "StatFilter_Exclude" : "StatFilter_Include")) << c.Code;
        EXPECT_EQ(App->Combinations().Combs().Count(), expected) << c.Code;
        for (size_t i = 0; i < App->Combinations().Combs().Count(); ++i)
            EXPECT_NE(c.Has(App->Combinations().Combs()[i]), c.Exclude) << c.Code << " row " << i;
        ASSERT_FALSE(App->Combinations().Filters().empty());
        const TFilterLine& line = App->Combinations().Filters().back();
        EXPECT_EQ(line.Values, Join(texts, "; ")) << c.Code;
        EXPECT_EQ(line.Operation, App->Stats().DisplayName(Entry(c.Code), true)) << c.Code;
        EXPECT_EQ(line.Count, expected) << c.Code;
        EXPECT_EQ(line.Mark, c.Exclude ? TFilterMark::Remove : TFilterMark::Keep) << c.Code;
        ASSERT_TRUE(App->Execute("CombsUndo"));
        ASSERT_EQ(App->Combinations().Combs().Count(), 28u);
    }
    App->Statistics().SetStatSelection({});
    EXPECT_FALSE(App->ActionEnabled("StatFilter_Include"));
    EXPECT_FALSE(App->ActionEnabled("StatFilter_Exclude"));
}

TEST_F(StatsAppTest, FilterIsDisabledOnAnEmptyList) {
    StartSmall("1;2;3");
    ASSERT_EQ(App->Combinations().Combs().Count(), 0u);
    App->Statistics().SetStatSelection({0, 1});
    EXPECT_EQ(App->Statistics().StatSelection().size(), 2u);
    EXPECT_FALSE(App->ActionEnabled("StatFilter_Include"));
    EXPECT_FALSE(App->Execute("StatFilter_Exclude"));
    EXPECT_TRUE(App->Combinations().Filters().empty());
}

// --- Sort --------------------------------------------------------------------------------------------------------

TEST_F(StatsAppTest, SortReversesOnTheSameColumnAndIsKeptBetweenRuns) {
    StartSmall();
    const auto byCount = Column(0);
    App->Statistics().SortStatBy(1);
    EXPECT_TRUE(App->Statistics().StatSortDescending());
    auto reversed = byCount;
    std::reverse(reversed.begin(), reversed.end());
    EXPECT_EQ(Column(0), reversed);
    App->Statistics().SortStatBy(1);
    EXPECT_FALSE(App->Statistics().StatSortDescending());
    EXPECT_EQ(Column(0), byCount);

    App->Statistics().SortStatBy(0);
    EXPECT_EQ(App->Statistics().StatSortColumn(), 0);
    EXPECT_FALSE(App->Statistics().StatSortDescending());
    ASSERT_EQ(App->Statistics().StatLines().size(), 52u);
    for (int i = 0; i < 52; ++i) EXPECT_EQ(App->Statistics().StatLines()[static_cast<size_t>(i)].Cells[0], std::to_string(i + 1));
    App->Statistics().SortStatBy(0);
    EXPECT_EQ(App->Statistics().StatLines()[0].Cells[0], "52");

    App->Shutdown();
    EXPECT_EQ(FrmValue("lvDrawsStat.SortType"), "0,1");
    App.reset();
    Ui = TScriptedUi{};
    Start();
    EXPECT_EQ(App->Statistics().StatSortColumn(), 0);
    EXPECT_TRUE(App->Statistics().StatSortDescending());
    EXPECT_EQ(App->Statistics().StatLines().front().Cells[0], "52");
    EXPECT_EQ(App->Statistics().StatLines().back().Cells[0], "1");
}

} // namespace
} // namespace zorb::test
