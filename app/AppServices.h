// What the application lends its subsystem controllers: messages and questions, the busy state and progress,
// the data files, the interface options, the method registry, actions by name and the refresh of the views.
// A controller sees these and the controllers below it, nothing else of the application.
#pragma once

#include "app/Actions.h"
#include "app/FormSettings.h"
#include "app/UserInterface.h"
#include "core/Errors.h"
#include "core/Format.h"

#include <functional>
#include <memory>
#include <string>

namespace zorb {

class TIniFile;
class TStatList;

class TAppServices {
public:
    virtual ~TAppServices() = default;

    virtual UserInterface& UI() = 0;
    virtual bool Busy() const = 0;
    virtual void BeginBusy() = 0;
    virtual void EndBusy() = 0;
    virtual void SetProgressText(const std::string& text) = 0;
    // A remark for the status line, where progress texts stand; shown once the current long work has ended.
    virtual void Note(const std::string& text) = 0;
    virtual void Message(TMsgBox box, const std::string& text) = 0;
    virtual bool Ask(TMsgBox box, const std::string& text) = 0;
    void ShowError(const std::string& text) { Message(TMsgBox::Error, text); }
    // Runs one step of an action; when it throws, the failure is told once, as `caption` ("…\r\r%s", translated,
    // filled with `args` and then the reason), and the step gives false. What follows a failure is the caller's.
    template <class... A>
    bool Attempt(const std::function<void()>& step, const std::string& caption, const A&... args) {
        try {
            step();
            return true;
        } catch (const std::exception& e) {
            ShowError(Format(caption, args..., ErrorText(e)));
            return false;
        }
    }

    virtual const std::string& DataDir() const = 0;
    virtual const std::string& ExeDir() const = 0; // program files: language modules, help
    virtual std::string DataFile(const std::string& name) const = 0;
    virtual std::string ProgramName() const = 0;
    virtual std::string SettingsPath() const = 0; // the game settings file
    // The game settings file as it is now. One that cannot be read is reported as the other settings are (once,
    // until it reads again) and reads as defaults; it refuses to be saved over.
    virtual std::unique_ptr<TIniFile> ReadSettingsFile() = 0;
    // The interface settings file as the program holds it (read at start-up, written by WriteOptionNow).
    virtual const TIniFile& FormSettingsFile() const = 0;
    // Looks without changing anything: no lock, files opened for reading only.
    virtual bool ReadOnly() const = 0;

    virtual TFormSettings& Settings() = 0;
    // Sets an interface option and writes it at once under its declared key.
    virtual void SetOption(bool TFormSettings::*option, bool value) = 0;
    void ToggleOption(bool TFormSettings::*option) { SetOption(option, !(Settings().*option)); }
    // Writes to the interface settings file at once (reported on failure).
    virtual void WriteOptionNow(const std::function<void(TIniFile&)>& write) = 0;
    virtual TStatList& Registry() = 0;

    virtual bool Execute(const std::string& action) = 0;
    virtual bool ActionEnabled(const std::string& action) const = 0;
    virtual void RefreshViews(bool force) = 0;
};

// Raises the busy counter for a scope; the progress text is cleared when it ends.
class TBusyScope {
public:
    TBusyScope(TAppServices& app, const std::string& progress) : FApp(app) {
        FApp.BeginBusy();
        FApp.SetProgressText(progress);
    }
    ~TBusyScope() {
        FApp.SetProgressText("");
        FApp.EndBusy();
    }
    TBusyScope(const TBusyScope&) = delete;
    TBusyScope& operator=(const TBusyScope&) = delete;

private:
    TAppServices& FApp;
};

// A subsystem of the application: it owns its state, registers its actions and formats its cells.
class TController {
public:
    virtual ~TController() = default;
    virtual void RegisterActions(TActionTable& table) = 0;
};

// A subsystem's interface: the user interface itself or the first of its parts of that kind; none when the window
// (or the command line, or a test) has none.
template <class TUi> TUi* UiOf(UserInterface& ui) {
    if (auto* own = dynamic_cast<TUi*>(&ui)) return own;
    for (TUiPart* part : ui.Parts())
        if (auto* found = dynamic_cast<TUi*>(part)) return found;
    return nullptr;
}

// The same, falling back on a shared one that does nothing and declines every dialog.
template <class TUi, class TNone> TUi& UiOr(UserInterface& ui) {
    static TNone none;
    TUi* found = UiOf<TUi>(ui);
    return found ? *found : none;
}

} // namespace zorb
