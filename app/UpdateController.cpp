#include "app/UpdateController.h"

#include "app/DrawsController.h"
#include "app/OnlineIdentity.h"
#include "app/Progress.h"
#include "core/Cancel.h"
#include "core/Errors.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/IniFile.h"
#include "core/Translate.h"
#include "stakes/StakesFile.h"

#include <optional>

#ifndef ZORB_VERSION
#define ZORB_VERSION "0.0.0"
#endif
#ifndef ZORB_BUILD_NUMBER
#define ZORB_BUILD_NUMBER 0
#endif
#define ZORB_TEXT(x) ZORB_TEXT2(x)
#define ZORB_TEXT2(x) #x

namespace zorb {

std::string ProgramVersion() {
    return ZORB_VERSION "." ZORB_TEXT(ZORB_BUILD_NUMBER);
}

namespace {

// Check points of the progress window: its text, its steps (which let the window repaint) and its "Отмена".
TUpdateSteps Steps(TProgress& progress, UserInterface& ui) {
    return {[&progress](const std::string& text) { progress.SetText(text); },
            [&progress, &ui] {
                progress.Step();
                ui.ProcessEvents();
            },
            [&progress] { return progress.StopRequested(); }};
}

} // namespace

TUpdateController::TUpdateController(TAppServices& app, TDrawsController& draws, std::function<int()> language,
                                     std::function<void()> restart)
    : FApp(app), FUi(UiOf<TUpdateUi>(app.UI())), FDraws(draws), FLanguage(std::move(language)),
      FRestart(std::move(restart)) {}

void TUpdateController::RegisterActions(TActionTable& t) {
    t.Add({"CheckUpdate", "Поиск обновлений", "Искать обновления программы через интернет", "", [] { return true; },
           [this] { CheckUpdate(); }},
          {"File", 49, true});
}

std::string TUpdateController::DescriptorUrl() const {
    if (!FRun.DescriptorUrl.empty()) return FRun.DescriptorUrl;
    const std::string url = ReadOnlineFields(FApp).UpdateDescriptorUrl;
    return url.empty() ? DefaultDescriptorUrl : url;
}

TSelfUpdateOptions TUpdateController::UpdaterOptions() {
    TSelfUpdateOptions o;
    o.InstallDir = FRun.InstallDir.empty() ? FApp.ExeDir() : AbsolutePath(FRun.InstallDir);
    o.DataDir = FApp.DataDir();
    o.Section = FApp.ProgramName();
    o.RunningVersion = ProgramVersion();
    o.DescriptorUrl = DescriptorUrl();
    o.PublicKeyPem = FRun.PublicKeyPem;
    o.Language = FLanguage ? FLanguage() : BuiltInLanguage;
    o.LanguageAbbrev = LanguageAbbrev(o.Language);
    o.Http = FDraws.HttpOptions();
    // While a file downloads, the progress window's "Отмена" stops the transfer itself, not only the next step.
    o.Http.Progress = [keepAlive = o.Http.Progress, &ui = FApp.UI()] {
        if (keepAlive) keepAlive();
        if (ui.ProgressStopRequested()) RequestCancel();
    };
    return o;
}

int TUpdateController::CheckForUpdate(bool silent, bool install) {
    try {
        TSelfUpdater updater(UpdaterOptions());
        TUpdateOffer offer;
        try {
            TBusyScope busy(FApp, "");
            TCancellableScope cancellable;
            TProgress progress(FApp.UI(), Tr("Поиск доступных обновлений..."), 5, true);
            offer = updater.Check(Steps(progress, FApp.UI()));
        } catch (const std::exception& e) {
            ResetCancel();
            if (!silent) FApp.ShowError(Format(Tr("Ошибка поиска обновлений!\r\r%s"), ErrorText(e)));
            return 2;
        }
        if (!offer.Available) {
            if (!silent) FApp.Message(TMsgBox::Info, Tr("Обновлений не найдено!"));
            return 0;
        }
        if (!install && (!FUi || !FUi->OfferUpdate(ProgramVersion(), offer.Descriptor.VerId, offer.Description)))
            return 0;
        try {
            TBusyScope busy(FApp, "");
            TCancellableScope cancellable;
            TProgress progress(
                FApp.UI(), Format(Tr("Загрузка и установка обновления \"%s\"..."), offer.Descriptor.VerId), 14, true);
            updater.Install(offer, Steps(progress, FApp.UI()));
        } catch (const std::exception& e) {
            ResetCancel();
            FApp.ShowError(Format(Tr("Ошибка установки обновления!\r\r%s"), ErrorText(e)));
            return 2;
        }
        FApp.Message(TMsgBox::Attention, Format(Tr("Установка обновления \"%s\" успешно выполнена.\r\rДля завершения "
                                                   "установки необходимо перезапустить программу!"),
                                                offer.Descriptor.Description));
        return 1;
    } catch (const std::exception& e) {
        FApp.ShowError(Format(Tr("Ошибка системы самообновления программы!\r\r%s"), ErrorText(e)));
        return 2;
    }
}

void TUpdateController::RecoverInterruptedUpdate() {
    // A copy that runs holds the lock; it recovered when it started, and it may be installing now.
    TInstanceLock lock;
    if (!lock.Acquire(FApp.DataDir())) return;
    FApp.Attempt(
        [&] {
            if (TSelfUpdater::RecoverInterrupted(FApp.ExeDir()))
                FApp.Message(TMsgBox::Warning, Tr("Установка обновления была прервана: восстановлена прежняя версия "
                                                  "программы."));
        },
        Tr("Ошибка системы самообновления программы!\r\r%s"));
}

bool TUpdateController::StartupCheck() {
    // Only the window checks at start; the command line and the tests have no offer window.
    if (!FUi || FApp.ReadOnly()) return false;
    if (!FApp.Settings().AutoUpdates || CheckForUpdate(true) != 1) return false;
    if (FRestart) FRestart();
    return true;
}

void TUpdateController::CheckUpdate() {
    if (CheckForUpdate(false) == 1 && FRestart) FRestart();
}

} // namespace zorb
