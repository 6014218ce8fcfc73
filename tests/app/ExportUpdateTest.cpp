// The export and update controllers as the window drives them: the export dialog and the offer window are
// answered by the test.
#include "AppFixture.h"
#include "app/ExportController.h"
#include "app/UpdateController.h"
#include "app/ViewsController.h"
#include "core/TextUtils.h"

#include <zip.h>

#include <functional>

namespace zorb::test {
namespace {

class TDialogUi : public TScriptedUi, public TExportUi, public TUpdateUi {
public:
    std::function<bool(TExportDialogData&)> Edit = [](TExportDialogData&) { return true; };
    std::vector<TExportDialogData> Shown;
    std::vector<std::string> Offers;
    bool Install = false;
    std::string Opened;

    std::vector<int> ExportColumnWidths(TExportList) override { return {}; }
    bool EditExport(TExportDialogData& data) override {
        Shown.push_back(data);
        return Edit(data);
    }
    bool OfferUpdate(const std::string& current, const std::string& offered, const std::string& text) override {
        Offers.push_back(current + "|" + offered + "|" + text);
        return Install;
    }
    void OpenDocument(const std::string& path) override { Opened = path; }
};

std::string ZipEntry(const std::string& path, const std::string& name) {
    int err = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_RDONLY, &err);
    if (!z) return "";
    zip_stat_t st;
    std::string data;
    if (zip_stat(z, name.c_str(), 0, &st) == 0) {
        zip_file_t* f = zip_fopen(z, name.c_str(), 0);
        data.resize(st.size);
        zip_fread(f, data.data(), st.size);
        zip_fclose(f);
    }
    zip_close(z);
    return data;
}

class ExportUpdateTest : public testing::Test {
protected:
    TTempDir Data, Exe;
    TDialogUi Ui;
    std::unique_ptr<TFormMain> App;
    void Start(int draws) {
        WriteRaw(Data.File("Zorb_6x52.ldr"), RawDrawRange(1, draws));
        App = std::make_unique<TFormMain>(Ui, TAppOptions{Data.Path(), Exe.Path(), "Zorb_6x52", {}});
        App->Create();
        App->OnInitTimer();
    }
    std::vector<std::string> Messages() const {
        std::vector<std::string> r;
        for (const auto& m : Ui.Messages) r.push_back(m.Text);
        return r;
    }
};

TEST_F(ExportUpdateTest, WindowExportWritesTheSelectedRowsAndRemembersTheDialog) {
    Start(30);
    App->Archive().SetDrawsSelection({1, 2, 3});
    const std::string path = Data.File("draws.xlsx");
    Ui.NextFileName = path;
    Ui.Edit = [](TExportDialogData& d) {
        d.Params.Remember = true;
        d.Params.ShowCreateTime = false;
        d.Params.Fields[0].Caption = "Номер";
        return true;
    };
    ASSERT_TRUE(App->Execute("DrawsXlsExport"));
    ASSERT_EQ(Ui.Shown.size(), 1u);
    EXPECT_EQ(Ui.Shown[0].RowsMode, 1);
    EXPECT_EQ(Ui.Shown[0].SelectedCount, 3);
    EXPECT_EQ(Ui.Shown[0].AllCount, 30);
    EXPECT_EQ(Ui.Shown[0].Params.Title, "Архив тиражей");
    EXPECT_EQ(Ui.Opened, path);
    const std::string sheet = ZipEntry(path, "xl/worksheets/sheet1.xml");
    for (int k = 0; k < 3; ++k) {
        const std::string row = "<row r=\"" + std::to_string(4 + k) + "\"";
        ASSERT_NE(sheet.find(row), std::string::npos) << k;
        const std::string number = App->Archive().DrawCellText(1 + k, 0);
        EXPECT_NE(sheet.find("<v>" + number + "</v>", sheet.find(row)), std::string::npos) << number;
    }
    EXPECT_EQ(sheet.find("<row r=\"7\""), std::string::npos);
    EXPECT_NE(sheet.find("Номер"), std::string::npos);

    // The next export starts from the remembered section.
    Ui.NextFileName.clear(); // the file dialog is cancelled: nothing is written
    ASSERT_TRUE(App->Execute("DrawsXlsExport"));
    ASSERT_EQ(Ui.Shown.size(), 2u);
    EXPECT_TRUE(Ui.Shown[1].Params.Remember);
    EXPECT_EQ(Ui.Shown[1].Params.Fields[0].Caption, "Номер");
    EXPECT_FALSE(Ui.Shown[1].Params.ShowCreateTime);
}

TEST_F(ExportUpdateTest, EveryListExportsItsViewTexts) {
    Start(40);
    // Stakes on past draws: their check feeds the ratings list.
    Ui.StakeEdits.push_back([](TStakeRecord& r, int& count) {
        r.DrawNumber = 38;
        count = 2;
        return true;
    });
    App->Stakes().StakeAdd(true);
    App->Execute("StakesCheckManual");
    App->Statistics().Recalculate(true);
    for (TExportList list :
         {TExportList::Draws, TExportList::Stats, TExportList::Combs, TExportList::Stakes, TExportList::Ratings}) {
        const auto source = App->Export().Source(list);
        ASSERT_GT(source->RowCount(), 0) << static_cast<int>(list);
        TExportJob job;
        job.CsvPath = Data.File("list.csv");
        job.Rows = {{1, std::min<int64_t>(source->RowCount(), 5)}};
        job.Options = [](TExportParams& p) { p.Fields[1].Checked = false; };
        const int64_t rows = App->Export().Export(list, job);
        ASSERT_EQ(rows, std::min<int64_t>(source->RowCount(), 5));
        std::string want;
        auto line = [&](auto cell) {
            for (int c = 0, n = 0; c < source->ColumnCount(); ++c) {
                if (c == 1) continue;
                std::string t = cell(c);
                if (t.find_first_of(";\"") != std::string::npos) t = "\"" + ReplaceAll(t, "\"", "\"\"") + "\"";
                want += (n++ ? ";" : "") + t;
            }
            want += "\r\n";
        };
        line([&](int c) { return source->ColumnCaption(c); });
        for (int64_t r = 0; r < rows; ++r) line([&](int c) { return source->CellText(r, c); });
        EXPECT_EQ(ReadRaw(job.CsvPath), want) << static_cast<int>(list);
    }
}

// The card and layout grids: row 0 is the header; a selection of grid rows 1..n proposes those n rows.
TEST_F(ExportUpdateTest, GridsExportTheirShownTextsAndSelection) {
    Start(40);
    App->Views().ComputeCard();
    App->Views().ComputeLayout();
    for (TExportList list : {TExportList::Card, TExportList::Layout}) {
        const TTextGrid& grid = list == TExportList::Card ? App->Views().CardText() : App->Views().LayoutText();
        ASSERT_GE(grid.size(), 3u);
        const int bottom = static_cast<int>(grid.size()) - 1;
        ASSERT_TRUE(App->Execute(list == TExportList::Card ? "CardXlsExport" : "LayoutXlsExport"));
        const TViewKind kind = list == TExportList::Card ? TViewKind::Card : TViewKind::Layout;
        App->Views().SetSelection(kind, TGridRect{1, 1, bottom, 2});
        Ui.NextFileName.clear();
        ASSERT_TRUE(App->Execute(list == TExportList::Card ? "CardXlsExport" : "LayoutXlsExport"));
        EXPECT_EQ(Ui.Shown.back().RowsMode, 1);
        EXPECT_EQ(Ui.Shown.back().SelectedCount, bottom);
        EXPECT_EQ(Ui.Shown.back().AllCount, static_cast<int64_t>(grid.size()) - 1);
        EXPECT_EQ(Ui.Shown.back().Params.Title, TExportController::TabCaption(list));
        TExportJob job;
        job.CsvPath = Data.File("grid.csv");
        ASSERT_EQ(App->Export().Export(list, job), static_cast<int64_t>(grid.size()) - 1);
        std::string want;
        for (const auto& row : grid) {
            for (size_t c = 0; c < grid[0].size(); ++c) want += (c ? ";" : "") + (c < row.size() ? row[c] : "");
            want += "\r\n";
        }
        EXPECT_EQ(ReadRaw(job.CsvPath), want) << static_cast<int>(list);
    }
}

TEST_F(ExportUpdateTest, UpdateCheckReportsAsTheWindowDoes) {
    Start(10);
    const std::string descriptor = Data.File("Kesto_AU.cfg");
    TUpdateRunOptions run;
    run.DescriptorUrl = descriptor;
    run.InstallDir = Exe.Path();
    App->Updates().SetRunOptions(run);

    EXPECT_EQ(App->Updates().CheckForUpdate(true), 2); // no descriptor, silent: no message
    EXPECT_TRUE(Ui.Messages.empty());
    EXPECT_EQ(App->Updates().CheckForUpdate(false), 2);
    ASSERT_EQ(Ui.Messages.size(), 1u);
    EXPECT_EQ(Ui.Messages[0].Text.rfind("Ошибка поиска обновлений!\r\r", 0), 0u) << Ui.Messages[0].Text;

    WriteRaw(descriptor, "[Zorb_6x52]\nVerId=1.0.0.0\nDownloadUrl=pkg.zip\n");
    Ui.Messages.clear();
    EXPECT_EQ(App->Updates().CheckForUpdate(false), 0);
    EXPECT_EQ(Messages(), std::vector<std::string>{"Обновлений не найдено!"});

    // Offered and declined: nothing is fetched or changed.
    WriteRaw(descriptor, "[Zorb_6x52]\nVerId=1.0.0.999999\nDownloadUrl=pkg.zip\n");
    Ui.Messages.clear();
    EXPECT_EQ(App->Updates().CheckForUpdate(true), 0);
    ASSERT_EQ(Ui.Offers.size(), 1u);
    EXPECT_EQ(Ui.Offers[0], ProgramVersion() + "|1.0.0.999999|< Описание обновления не доступно >");
    EXPECT_TRUE(Ui.Messages.empty());
    EXPECT_TRUE(Exe.Names().empty());

    // Accepted with a package that is not there: three attempts, then the installation error.
    Ui.Install = true;
    EXPECT_EQ(App->Updates().CheckForUpdate(true), 2);
    ASSERT_EQ(Ui.Messages.size(), 1u);
    EXPECT_EQ(Ui.Messages[0].Text.rfind("Ошибка установки обновления!\r\r", 0), 0u) << Ui.Messages[0].Text;
    EXPECT_TRUE(Exe.Names().empty());
}

} // namespace
} // namespace zorb::test
