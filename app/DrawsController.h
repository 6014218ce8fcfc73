// The draw archive: the file and the list shown newest first, the offset that hides the newest draws from the
// analyses, the selection, the draw dialog, CSV in and out, and the download with its proxy.
#pragma once

#include "app/AppServices.h"
#include "core/KestoUtils.h"
#include "net/Http.h"

#include <functional>
#include <string>
#include <vector>

namespace zorb {

// What the draws need of the window.
class TDrawsUi : public virtual TUiPart {
public:
    virtual ~TDrawsUi() = default;
    virtual void DrawsListReset() = 0;   // the row count changed
    virtual void DrawsListRepaint() = 0; // cells changed
    virtual void SetOffsetField(int value, int maxValue) = 0;
    // "Добавление тиража" / "Изменение тиража": number, date and numbers; true on OK.
    virtual bool EditDraw(TDrawRec& draw) = 0;
    virtual bool EditProxy(TProxy& proxy) = 0;
};

class TDrawsController : public TController {
public:
    // `download` fetches new draws from the operator and appends them; returns how many were added.
    TDrawsController(TAppServices& app, std::function<int()> download);
    void RegisterActions(TActionTable& table) override;
    void RepaintList() { FUi.DrawsListRepaint(); }

    const TDrawsArray& Draws() const { return FDraws; }
    TDrawsArray& MutableDraws() { return FDraws; }
    int DrawsOffset() const { return FDrawsOffset; }
    void SetDrawsOffset(int k);
    void ResetOffset() { FDrawsOffset = 0; }
    std::string ArchivePath() const;
    void LoadArchive();
    void SaveArchive();
    void RefreshList(bool force);
    const TNumberMask& NextDrawMask() const { return FNextDrawMask; }
    std::string StatusPanelText(int panel) const;
    // The newest draw the analyses may use: index n - 1 - offset, or 0.
    int WindowEnd() const;
    // Every change of the archive (and every download, successful or not) is handed to these: the stakes.
    void AddArchiveChangedHook(std::function<void()> hook) { FChangedHooks.push_back(std::move(hook)); }

    // The draw list as shown: newest first; row r is array index n - 1 - r.
    static constexpr int DrawColumnCount = 9;
    std::string DrawColumnCaption(int column) const;
    int DrawRowCount() const { return static_cast<int>(FDraws.size()); }
    int DrawIndexOfRow(int row) const { return DrawRowCount() - 1 - row; }
    TDrawRec DrawShownInRow(int row) const; // numbers sorted when sorted display is on
    std::string DrawCellText(int row, int column) const;
    int64_t DrawCellColor(int row, int column) const; // -1: the list's default
    void SetDrawsSelection(std::vector<int> rows);
    const std::vector<int>& DrawsSelection() const { return FDrawsSelection; }

    void DrawsAdd();
    void DrawsEdit();
    void DrawsDel();
    void DrawsSorted();
    void SetDownloadOnStart(int mode);

    const TProxy& Proxy() const { return FProxy; }
    void LoadProxySettings();
    void EditProxy();
    // Downloads new draws, then hands the archive to the hooks; returns the number of draws added.
    int DrawsDownload();
    // Imports a CSV file; reports the lines it could not use. Returns the number of draws added.
    int DrawsImport(const std::string& path);
    bool DrawsExport(const std::string& path);
    // Options of this program's requests: the proxy chosen by hand and a window kept alive while waiting.
    THttpOptions HttpOptions();
    // Shorter limits for a run that must not wait long on a dead server (tests, scripts).
    void SetHttpTimeouts(long connectSeconds, long stallSeconds) {
        FHttpConnectSeconds = connectSeconds;
        FHttpStallSeconds = stallSeconds;
    }
    void AppendDownloaded(std::vector<TDrawRec> newestFirst); // oldest first into the archive, then saved
    void ArchiveChanged();

private:
    void UpdateStatusPanels();

    TAppServices& FApp;
    TDrawsUi& FUi;
    std::function<int()> FDownload;
    TDrawsArray FDraws;
    int FDrawsOffset = 0;
    int FListedRows = -1; // row count the list was last told about
    TNumberMask FNextDrawMask{};
    std::vector<int> FDrawsSelection; // ascending rows
    std::vector<std::function<void()>> FChangedHooks;
    TProxy FProxy;
    long FHttpConnectSeconds = THttpOptions{}.ConnectTimeoutSeconds;
    long FHttpStallSeconds = THttpOptions{}.StallSeconds;
};

} // namespace zorb
