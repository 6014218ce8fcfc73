// The only way the application reaches the person in front of it. The Qt window, the command line and the
// tests each implement it; the application never shows anything by other means.
#pragma once

#include "core/KestoUtils.h"

#include <string>
#include <vector>

namespace zorb {

class TIniFile;
struct TConfigData;
struct TFormSettings;
struct TShreddingData;
struct TGenerateSettings;
struct TFilterItem;
struct TFilterDialogContext;
class TFavoritesEditor;
struct TStakeRecord;
struct TProxy;

// The five message boxes; texts use "\r" line breaks, which implementations show as line breaks.
enum class TMsgBox { Error, Info, Attention, Warning, Confirm };

std::string MsgBoxCaption(TMsgBox box); // "Ошибка", "Информация", ...

struct TAboutInfo {
    std::string Title;
    std::string Version;
    std::string Text;
};

struct TFirstRunInfo {
    bool HelpAvailable = false;
};

// One subsystem's share of the interface (a page of the window, a dialog host, a test's fake): each subsystem's
// interface derives from it, so that the application can find it by type among an interface's parts.
class TUiPart {
public:
    virtual ~TUiPart() = default;
};

class UserInterface {
public:
    virtual ~UserInterface() = default;

    // The parts that answer subsystems' interfaces besides this object itself. Asked while the application is
    // being built, so they must exist before it.
    virtual std::vector<TUiPart*> Parts() { return {}; }

    // Messages and questions.
    virtual void ShowMessage(TMsgBox box, const std::string& text) = 0;
    virtual bool AskYesNo(TMsgBox box, const std::string& text) = 0;

    // Status line: panels 0..5 and the progress text (panel 6), which must be visible at once.
    virtual void SetStatusPanel(int panel, const std::string& text) = 0;
    virtual void SetProgressText(const std::string& text) = 0;
    virtual void SetBusyCursor(bool busy) = 0;
    // Lets the interface repaint and handle input at a check point of long work.
    virtual void ProcessEvents() = 0;
    // Every enabling rule and check mark must be evaluated again.
    virtual void ActionsChanged() = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual void LanguageChanged() = 0;

    // The progress window: one at a time; the application keeps that rule.
    virtual void ProgressOpen(const std::string& text, int steps, bool stopButton) = 0;
    virtual void ProgressSetText(const std::string& text) = 0;
    virtual void ProgressStep(int steps) = 0;
    virtual void ProgressClose() = 0;
    virtual bool ProgressStopRequested() = 0;

    // File dialogs: filter as "Файлы комбинаций (*.lcv)|*.lcv"; an empty result means cancelled.
    virtual std::string OpenFileName(const std::string& filter, const std::string& defaultExt) = 0;
    virtual std::string SaveFileName(const std::string& filter, const std::string& defaultExt) = 0;
    virtual bool ClipboardHasText() = 0;
    virtual std::string ClipboardText() = 0;
    virtual void SetClipboardText(const std::string& text) = 0;
    virtual void ShowAbout(const TAboutInfo& info) = 0;
    // Returns true when the user asked not to show the window again.
    virtual bool ShowFirstRun(const TFirstRunInfo& info) = 0;

    // The platform's browser and document viewer.
    virtual void OpenUrl(const std::string& url) = 0;
    virtual void OpenDocument(const std::string& path) = 0;

    // Start-up and shutdown.
    virtual void StartInitTimer() = 0; // calls TTemplateMain::OnInitTimer once, about 100 ms later
    virtual void RequestClose() = 0;   // end the program through the normal shutdown
    virtual void RestoreWindowState(const TIniFile& frm, const std::string& section) = 0;
    virtual void SaveWindowState(TIniFile& frm, const std::string& section, TFormSettings& sizes) = 0;
};

} // namespace zorb
