// System games: the catalogue of the maker's server on the tab "Системы" (list, download, publish, change,
// delete), the refresh of downloaded systems that changed on the server, the system dialog's rules, the coverage
// of a system and the system game that turns a downloaded system into stakes.
#pragma once

#include "app/AppServices.h"
#include "app/CombsController.h"
#include "app/DrawsController.h"
#include "app/OnlineIdentity.h"
#include "app/StakesController.h"
#include "online/Coverage.h"
#include "online/OnlineClient.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zorb {

// The two pages of the system dialog.
enum class TSystemPage { Properties = 0, Coverage = 1 };

// The system dialog's fields as the user sees them.
struct TSystemForm {
    std::string Title, Nums, CLen = "6", Olap, CSize, Descr, Author, Url, Created, Downloads, LastDownload, Combs;
};

// Fields of the form, for the focus after a failed check.
enum class TSystemField { None, Title, Nums, Olap, Author, Descr, Url, Combs };

struct TSystemFormCheck {
    std::string Message; // empty: the form is good
    TSystemField Field = TSystemField::None;
};

TSystemForm SystemFormOf(const tSystemData& data);
// The combination field's normalisation: six-position lines as "%.2d" values, others dropped; "Числа:" is the
// largest position (0 without lines), "Комбинаций:" the line count.
void NormaliseSystemForm(TSystemForm& form);
// The checks on OK, in the dialog's order, then the ones the server would refuse (positions beyond "Числа:" or
// repeated, a link that is not http(s)); on success `data` takes the form (an empty "Создана:" is now).
TSystemFormCheck ApplySystemForm(const TSystemForm& form, tSystemData& data);

// The coverage table of a combination text over nums positions (as typed); the reason when it cannot be computed.
struct TSystemCoverage {
    std::vector<TCoverageRow> Rows;
    std::string Error;
};
TSystemCoverage SystemCoverageOf(const std::string& combs, const std::string& numsText);

// What the systems need of the window.
class TSystemsUi : public virtual TUiPart {
public:
    virtual ~TSystemsUi() = default;
    // The rows, their marks, the selection or the focus changed.
    virtual void SystemsListChanged() = 0;
    // The tab was shown or hidden (SystemsEnabled); `front` brings it to the front.
    virtual void SystemsTabChanged(bool front) = 0;
    // "Система": editable unless readOnly; true on OK, with the form applied to `data`.
    virtual bool EditSystem(tSystemData& data, bool readOnly, TSystemPage page) = 0;
};

// The six row icons: downloaded or not, crossed with own, someone else's, or without an author mail.
enum TSystemIcon { siOwn = 0, siForeign = 1, siNoMail = 2, siOwnLoaded = 3, siForeignLoaded = 4, siNoMailLoaded = 5 };

class TSystemsController : public TController {
public:
    TSystemsController(TAppServices& app, TDrawsController& draws, TCombsController& combs, TStakesController& stakes,
                       std::function<int()> language);
    void RegisterActions(TActionTable& table) override;

    // Start-up: with the tab shown the catalogue is loaded, when a server is set.
    void Startup();

    bool TabShown() const { return FApp.Settings().SystemsEnabled; }
    std::string SystemsDir() const;
    TOnlineIdentity Identity() const;
    // This run's server and user instead of the settings file's (the command line's options).
    void UseOnlineSettings(const TOnlineSettings& settings) { FOnline = settings; }

    // --- The list lvSystems ---
    static constexpr int SystemColumnCount = 11;
    static std::string SystemColumnCaption(int column);
    int RowCount() const { return static_cast<int>(FRows.size()); }
    const tSystemInfo& Row(int row) const { return FRows.at(static_cast<size_t>(row)).Info; }
    bool RowLoaded(int row) const { return FRows.at(static_cast<size_t>(row)).Loaded; }
    bool RowOwn(int row) const;
    std::string SystemCellText(int row, int column) const;
    TSystemIcon SystemIconOf(int row) const;
    int FocusedRow() const { return FFocused; }
    const std::vector<int>& SelectedRows() const { return FSelection; }
    void SetFocusedRow(int row);
    void SetSelectedRows(std::vector<int> rows);
    int RowOfId(int id) const; // -1 when the catalogue has no such system

    // --- Actions ---
    void SystemsOn();
    // False when the catalogue could not be loaded (reported); downloaded systems changed on the server are
    // fetched again.
    bool LoadCatalogue();
    void DownloadSelected();
    // One system of the loaded catalogue; its file, empty when it was not downloaded (reported).
    std::string DownloadSystem(int id);
    void AddSystem();
    void ShowSystem(TSystemPage page);
    bool DeleteSystem(); // the focused one, after the user agrees
    // Publishes, changes (d.Info.Id > 0) or removes a system on the server; false when the request failed
    // (reported), else `reply` holds the server's answer.
    bool SendSystem(const TOnlineIdentity& who, const tSystemData& d, bool remove, int& reply);
    // "Ссылка" of the dialog: only an http(s) address reaches the browser.
    void OpenSystemLink(const std::string& url);
    // Whole system (filtered false) or only its combinations that are also in the combination list.
    void SystemStake(bool filtered);

private:
    struct TRow {
        tSystemInfo Info;
        bool Loaded = false;
    };
    bool Real(int row) const { return row >= 0 && row < RowCount() && FRows[static_cast<size_t>(row)].Info.Id > 0; }
    std::string FileOf(const tSystemInfo& s) const;
    bool Download(int row, const TOnlineIdentity& who);
    void RefreshChanged(TRow& row, const TOnlineIdentity& who);
    void Changed();

    TAppServices& FApp;
    TSystemsUi& FUi;
    TDrawsController& FArchive;
    TCombsController& FCombs;
    TStakesController& FStakes;
    std::function<int()> FLanguage;
    std::optional<TOnlineSettings> FOnline;
    std::vector<TRow> FRows;
    int FFocused = -1;
    std::vector<int> FSelection;   // ascending rows
    mutable std::string FUserMail; // of the last identity made: the owner test of the enabling rules
};

} // namespace zorb
