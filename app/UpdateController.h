// The self-update of the program: the check at start-up and on demand, the window that offers a newer build, the
// installation with the progress window, and the restart that completes it.
#pragma once

#include "app/AppServices.h"
#include "net/SelfUpdate.h"

#include <functional>
#include <string>

namespace zorb {

class TDrawsController;

// The running program's version: major.minor.release.build.
std::string ProgramVersion();

// The window "Найдена новая версия программы".
class TUpdateUi : public virtual TUiPart {
public:
    virtual ~TUpdateUi() = default;
    // True for "Установить", false for "Отказаться".
    virtual bool OfferUpdate(const std::string& currentVersion, const std::string& newVersion,
                             const std::string& description) = 0;
};

// What the command line changes for one run.
struct TUpdateRunOptions {
    std::string DescriptorUrl; // empty: UpdateDescriptorUrl of the settings
    std::string InstallDir;    // empty: the program directory
    std::string PublicKeyPem;  // empty: the built-in key
};

class TUpdateController : public TController {
public:
    static constexpr const char* DefaultDescriptorUrl = "https://zorb6x52.example/files/autoupdates/Kesto_AU.cfg";

    TUpdateController(TAppServices& app, TDrawsController& draws, std::function<int()> language,
                      std::function<void()> restart);
    void RegisterActions(TActionTable& table) override;

    std::string DescriptorUrl() const; // GLOBAL UpdateDescriptorUrl of the settings file
    void SetRunOptions(TUpdateRunOptions options) { FRun = std::move(options); }
    TSelfUpdateOptions UpdaterOptions();

    // 0 nothing installed (none newer, or declined), 1 installed, 2 an error. Silent shows no search error;
    // `install` installs without asking.
    int CheckForUpdate(bool silent, bool install = false);
    // Every start of either program, before any program file is used: an update swap cut short (a crash, a kill)
    // is undone, under the data directory's lock so that no running copy is in the middle of one.
    void RecoverInterruptedUpdate();
    // Start-up: with AutoUpdates a silent check. True when the program restarts.
    bool StartupCheck();
    void CheckUpdate(); // the action: check, restart after an installation

private:
    TAppServices& FApp;
    TUpdateUi* FUi;
    TDrawsController& FDraws;
    std::function<int()> FLanguage;
    std::function<void()> FRestart;
    TUpdateRunOptions FRun;
};

} // namespace zorb
