// The spreadsheet export of the main window's lists and grids: the draw list, the statistics table, the
// combination list, the stakes grid, the ratings list, the number card and the layout grid. It builds the field list
// from what the view shows, restores the remembered parameters, lets the window's dialog change them, and writes the
// workbook (or CSV) with the progress window.
#pragma once

#include "app/AppServices.h"
#include "export/ExcelExport.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace zorb {

class TDrawsController;
class TCombsController;
class TStatsController;
class TStakesController;
class TViewsController;
class TRatingsController;

enum class TExportList { Draws, Stats, Combs, Stakes, Ratings, Card, Layout };

// What the dialog "Экспорт в Microsoft Excel" edits.
struct TExportDialogData {
    TExportParams Params;
    std::string Section;  // the control's parameter section
    bool SaveFlag = true; // the remember box and the "Параметры" button are offered
    int RowsMode = 0;     // 0 every shown row, 1 the selected ones
    int64_t AllCount = 0, SelectedCount = 1;
};

class TExportUi : public virtual TUiPart {
public:
    virtual ~TExportUi() = default;
    // The view's column widths in pixels (empty: the stored ones).
    virtual std::vector<int> ExportColumnWidths(TExportList list) = 0;
    // "Экспорт в Microsoft Excel"; true on OK.
    virtual bool EditExport(TExportDialogData& data) = 0;
};

// The command line's choices in place of the dialog.
struct TExportJob {
    std::string XlsxPath, CsvPath;
    std::string ExpFile;                           // loaded in file mode after the configuration section
    std::string SaveExpFile;                       // the resulting parameters written here
    bool Remember = false;                         // write the configuration section with RestoreParameters = 1
    std::vector<std::pair<int64_t, int64_t>> Rows; // 1-based view rows (mode 1); empty: every row
    std::function<void(TExportParams&)> Options;   // applied last
};

class TExportController : public TController {
public:
    // The views and ratings are only referred to here: they may be built after this controller.
    TExportController(TAppServices& app, TDrawsController& draws, TStatsController& stats, TCombsController& combs,
                      TStakesController& stakes, TViewsController& views, TRatingsController& ratings);
    ~TExportController() override;
    void RegisterActions(TActionTable& table) override;

    // The window's export: dialog, file name, progress window; the workbook is opened when it is written.
    bool ExportToExcel(TExportList list);
    // The command line's export; the number of rows exported, -1 when it failed (reported).
    int64_t Export(TExportList list, const TExportJob& job);

    // The dialog's OpenFile and SaveFile; false after reporting a failure.
    bool LoadParamsFile(const std::string& path, TExportDialogData& data);
    bool SaveParamsFile(const std::string& path, const TExportDialogData& data);
    static const char* ParamsFileFilter();

    std::unique_ptr<TExportSource> Source(TExportList list) const;
    static std::string TabCaption(TExportList list);
    static std::string ControlName(TExportList list);

private:
    TExportDialogData Prepare(TExportList list, const TExportSource& source, const std::vector<int>& widths);
    std::vector<int> StoredWidths(TExportList list) const;
    TExportRows SelectedRows(TExportList list) const;
    bool SaveConfigSection(const TExportDialogData& data);
    bool Write(const std::string& xlsx, const std::string& csv, const TExportParams& params,
               const TExportSource& source, const TExportRows& rows);

    TAppServices& FApp;
    TExportUi* FUi;
    TDrawsController& FDraws;
    TStatsController& FStats;
    TCombsController& FCombs;
    TStakesController& FStakes;
    TViewsController& FViews;
    TRatingsController& FRatings;
};

} // namespace zorb
