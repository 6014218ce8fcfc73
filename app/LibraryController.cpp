#include "app/LibraryController.h"

#include "app/OnlineIdentity.h"
#include "core/Errors.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"
#include "online/OnlineWire.h"
#include "scenarios/ScriptFile.h"

#include <atomic>
#include <filesystem>
#include <unistd.h>

namespace zorb {

namespace {

const char* const FilterCaptions[TLibraryController::FilterCount] = {
    "Скрытые",          "Все, включая скрытые", "Все, кроме скрытых (по умолчанию)",   "Только мои", "Только публичные",
    "С моими оценками", "Без моих оценок",      "Новые (24 часа с момента публикации)"};

const char* const ColumnCaptions[TLibraryController::ColumnCount] = {
    "Тип",     "Название", "Автор",       "Программа", "Версия",    "Язык",       "Создан",
    "Рейтинг", "Оценок",   "Ваша оценка", "Загрузок",  "Последняя", "Комментарии"};

const char* const RateCaptions[5] = {"[ 1 ] - Бесполезно", "[ 2 ] - Плохо", "[ 3 ] - Удовлетворительно",
                                     "[ 4 ] - Хорошо", "[ 5 ] - Отлично"};

std::string OneLine(const std::string& text) {
    return ReplaceAll(ReplaceAll(ReplaceAll(text, "\r\n", " "), "\n", " "), "\r", " ");
}

// A file of its own per download, so two copies of the program never share one.
std::string DownloadFilePath() {
    static std::atomic<int> counter{0};
    return JoinPath(std::filesystem::temp_directory_path().string(),
                    Format("zorb-library-%d-%d.lsc", static_cast<int>(::getpid()), ++counter));
}

} // namespace

TLibraryController::TLibraryController(TAppServices& app, TDrawsController& draws, TScenarioController& scenarios,
                                       std::function<int()> language, std::function<std::vector<int>()> languages)
    : FApp(app), FUi(UiOf<TLibraryUi>(app.UI())), FDraws(draws), FScenarios(scenarios), FLanguage(std::move(language)),
      FLanguages(std::move(languages)) {}

// --- Actions ---------------------------------------------------------------------------------------------------

void TLibraryController::RegisterActions(TActionTable& t) {
    auto shown = [this] { return PanelShown(); };
    auto focused = [this] { return PanelShown() && Focused(); };
    auto hasLines = [this] { return PanelShown() && FScenarios.LineCount() > 0; };
    auto editable = [this] { return PanelShown() && Focused() && Focused()->Editable; };

    t.Add({"ScriptLibrary", "Online каталог сценариев", "", "Ctrl+L", [] { return true; }, [this] { TogglePanel(); },
           [this] { return PanelShown(); }},
          {"Scenario", 170, true});
    t.Add({"ScriptLibraryRefresh", "Обновить", "", "", shown, [this] { LoadCatalogue(); }},
          ToolbarPlace("OnlineScripts", 1));
    t.Add({"ScriptLibraryDownload", "Скачать из каталога", "", "",
           [this] { return PanelShown() && Focused() && Focused()->Usable; }, [this] { Download(); }},
          ToolbarPlace("OnlineScripts", 2, "Скачать"));
    for (int v = 1; v <= 5; ++v)
        t.Add({Format("ScriptLibraryRate%d", v), RateCaptions[v - 1], "", "", focused, [this, v] { Rate(v); },
               [this, v] { return Focused() && Focused()->MyRating == v; }});
    t.Add({"ScriptLibraryRate0", "Удалить оценку", "", "",
           [this] { return PanelShown() && Focused() && Focused()->MyRating != 0; }, [this] { Rate(0); }});
    t.Add({"ScriptLibraryHide", "Скрыть сценарий", "", "", focused, [this] { Rate(-1); },
           [this] { return Focused() && Focused()->MyRating == -1; }});
    t.Add({"ScriptLibraryUpload", "Опубликовать", "", "", hasLines, [this] { Upload(); }},
          ToolbarPlace("OnlineScripts", 10));
    t.Add({"ScriptLibraryReplace", "Изменить", "", "",
           [this, editable] { return editable() && FScenarios.LineCount() > 0; }, [this] { Replace(); }},
          ToolbarPlace("OnlineScripts", 11));
    t.Add({"ScriptLibraryDelete", "Удалить", "", "", editable, [this] { Delete(); }},
          ToolbarPlace("OnlineScripts", 12));
    t.Add({"ScriptLibraryView", "Свойства сценария", "", "", focused, [this] { View(); }},
          ToolbarPlace("OnlineScripts", 20, "Свойства"));
    t.Add({"ScriptLibraryRates", "Просмотр оценок", "", "", focused, [this] { ShowRates(); }},
          ToolbarPlace("OnlineScripts", 21, "Оценки"));
}

// --- State -----------------------------------------------------------------------------------------------------

TOnlineIdentity TLibraryController::Identity() {
    return OnlineIdentityOf(FOnline ? *FOnline : ReadOnlineSettings(FApp), FLanguage ? FLanguage() : BuiltInLanguage,
                            FDraws.HttpOptions());
}

bool TLibraryController::PanelShown() const {
    return FUi && FApp.Settings().ScriptLibraryOn;
}

std::string TLibraryController::FilterCaption(int item) {
    return item >= 0 && item < FilterCount ? Tr(FilterCaptions[item]) : "";
}

int TLibraryController::Filter() const {
    const int item = FApp.Settings().ScriptLibraryFilter;
    return item >= 0 && item < FilterCount ? item : 2;
}

void TLibraryController::SetFilter(int item) {
    if (item < 0 || item >= FilterCount || item == Filter()) return;
    FApp.Settings().ScriptLibraryFilter = item; // written with the sizes at shutdown
    LoadCatalogue();
}

const tScriptInfo* TLibraryController::Focused() const {
    return FFocused >= 0 && FFocused < static_cast<int>(FRows.size()) ? &FRows[static_cast<size_t>(FFocused)] : nullptr;
}

void TLibraryController::SetFocusedRow(int row) {
    FFocused = row >= 0 && row < static_cast<int>(FRows.size()) ? row : -1;
    FApp.UI().ActionsChanged();
}

std::string TLibraryController::ColumnCaption(int column) {
    return column >= 0 && column < ColumnCount ? Tr(ColumnCaptions[column]) : "";
}

std::string TLibraryController::CellText(int row, int column) const {
    if (row < 0 || row >= static_cast<int>(FRows.size())) return "";
    const tScriptInfo& s = FRows[static_cast<size_t>(row)];
    switch (column) {
    case 0: return s.Mine ? Tr("Мой") : Tr("Общий");
    case 1: return OneLine(s.Title);
    case 2: return OneLine(s.Author);
    case 3: return s.Universal ? Tr("Универсальный") : OneLine(s.AppName);
    case 4: return OneLine(s.AppVersion);
    case 5: return LanguageAbbrev(s.Language);
    case 6: return FormatDateTime(s.Created);
    case 7: return Format("%.3n", s.Rating);
    case 8: return std::to_string(s.RatingCount);
    case 9: return s.MyRating == -1 ? Tr("Скрытый") : s.MyRating > 0 ? std::to_string(s.MyRating) : "";
    case 10: return std::to_string(s.Downloads);
    case 11: return FormatDateTime(s.LastDownload);
    case 12: return OneLine(s.Descr);
    }
    return "";
}

void TLibraryController::Changed() {
    if (FUi) FUi->LibraryListChanged();
    FApp.UI().ActionsChanged();
}

// --- Loading ---------------------------------------------------------------------------------------------------

void TLibraryController::Startup() {
    FFilterEnabled = true;
    if (FUi) FUi->LibraryPanelShown(PanelShown());
    // As the systems tab: without a server of the user's own, no request at every start.
    if (!ReadOnlineFields(FApp).ServerUrl.empty()) LoadCatalogue(false);
}

bool TLibraryController::LoadCatalogue(bool report) {
    return Load(PanelShown() ? Filter() : -1, report);
}

bool TLibraryController::LoadCatalogueFiltered(int filter) {
    return Load(filter >= 0 && filter < FilterCount ? filter : 2, true);
}

int TLibraryController::RowOfId(int id) const {
    for (size_t i = 0; i < FRows.size(); ++i)
        if (FRows[i].Id == id) return static_cast<int>(i);
    return -1;
}

bool TLibraryController::Load(int filter, bool report) {
    std::string failure;
    {
        TBusyScope busy(FApp, Tr("Загрузка online-каталога сценариев..."));
        const int keep = Focused() ? Focused()->Id : 0;
        FRows.clear();
        FFocused = -1;
        FLastError.clear();
        if (filter >= 0) {
            try {
                FRows = RequestScriptList(Identity(), filter - 1);
            } catch (const std::exception& e) {
                failure = Format(Tr("Ошибка загрузки каталога online-сценариев!\r\r%s"), ErrorText(e));
            }
        }
        if (keep) FFocused = RowOfId(keep);
        FLastError = failure;
    }
    Changed();
    if (!failure.empty() && report) FApp.ShowError(failure);
    return failure.empty();
}

void TLibraryController::TogglePanel() {
    FApp.SetOption(&TFormSettings::ScriptLibraryOn, !FApp.Settings().ScriptLibraryOn);
    if (FUi) FUi->LibraryPanelShown(PanelShown());
    LoadCatalogue();
}

// --- Download and ratings --------------------------------------------------------------------------------------

bool TLibraryController::Download() {
    const tScriptInfo* s = Focused();
    if (!s || !s->Usable) return false;
    const int id = s->Id;
    const std::string title = s->Title;
    // The current scenario is the user's work: it is replaced only when the user agrees.
    if (FScenarios.LineCount() > 0 &&
        !FApp.Ask(TMsgBox::Confirm,
                  Format(Tr("Заменить текущий сценарий (строк: %d) сценарием \"%s\" из online-каталога?"),
                         FScenarios.LineCount(), title)))
        return false;
    const std::string text = FetchScript(id);
    if (text.empty()) return false;
    // The scenario reads its lines from a file; a private one keeps the state file untouched until they are in.
    const std::string path = DownloadFilePath();
    bool ok = false;
    FApp.Attempt(
        [&] {
            WriteScenarioFile(path, ParseScenarioText(text));
            ok = FScenarios.LoadScenario(path, false);
        },
        Tr("Ошибка загрузки online-сценария!\r\r%s"));
    DeleteFileIfExists(path);
    if (!ok) return false;
    FScenarios.SaveState();
    // The server has counted the download: the row shows it at once rather than at the next catalogue load.
    for (tScriptInfo& row : FRows)
        if (row.Id == id) {
            ++row.Downloads;
            row.LastDownload = NowLocal();
        }
    Changed();
    return true;
}

std::string TLibraryController::FetchScript(int id) {
    TBusyScope busy(FApp, Tr("Скачивание сценария из online-каталога..."));
    std::string text;
    const bool ok = FApp.Attempt(
        [&] {
            text = RequestScriptText(Identity(), id);
            if (ParseScenarioText(text).empty()) throw EZorbError(Format(Tr("Сценарий #%d не получен"), id));
        },
        Tr("Ошибка загрузки online-сценария!\r\r%s"));
    return ok ? text : "";
}

bool TLibraryController::SendRate(int id, int value, const std::string& notes) {
    return FApp.Attempt(
        [&] {
            TBusyScope busy(FApp, Tr("Отправка оценки на сервер..."));
            RequestScriptRate(Identity(), id, value, notes);
        },
        Tr("Ошибка сохранения оценки online-сценария!\r\r%s"));
}

bool TLibraryController::FetchRates(int id, std::vector<TScriptRate>& rates) {
    return FApp.Attempt(
        [&] {
            TBusyScope busy(FApp, Tr("Загрузка списка оценок..."));
            rates = RequestScriptRates(Identity(), id);
        },
        Tr("Ошибка просмотра оценок online-сценария!\r\r%s"));
}

bool TLibraryController::Rate(int value) {
    const tScriptInfo* s = Focused();
    if (!s || value < -1 || value > 5) return false;
    const int id = s->Id;
    std::string notes;
    if (value > 0 && (!FUi || !FUi->AskRateComment(notes))) return false;
    if (!SendRate(id, value, notes)) return false;
    LoadCatalogue();
    return true;
}

bool TLibraryController::ShowRates() {
    const tScriptInfo* s = Focused();
    if (!s || !FUi) return false;
    const tScriptInfo script = *s;
    std::vector<TScriptRate> rates;
    return FetchRates(script.Id, rates) && FApp.Attempt([&] { FUi->ShowScriptRates(script, rates); },
                                                        Tr("Ошибка просмотра оценок online-сценария!\r\r%s"));
}

// --- The scenario dialog -----------------------------------------------------------------------------------------

TScriptDialog TLibraryController::DialogFor(const tScriptData& data, bool readOnly) const {
    TScriptDialog d;
    d.Data = data;
    d.ReadOnly = readOnly;
    d.AppName = FApp.ProgramName();
    d.Languages = FLanguages ? FLanguages() : std::vector<int>{BuiltInLanguage};
    d.FallbackLanguage = FLanguage ? FLanguage() : BuiltInLanguage;
    return d;
}

std::string TLibraryController::CheckScriptDialog(const TScriptDialog& dialog, TMsgBox& box) {
    box = TMsgBox::Attention;
    if (dialog.ReadOnly) return "";
    const tScriptData& d = dialog.Data;
    if (Trim(d.Title).empty()) return Tr("Название сценария должно быть указано обязательно!");
    bool free = false;
    try {
        TBusyScope busy(FApp, "");
        free = RequestScriptTitleFree(Identity(), d.Id, Trim(d.Title));
    } catch (const std::exception& e) {
        box = TMsgBox::Error;
        return Format(Tr("Ошибка проверки уникальности online-сценария!\r\r%s"), ErrorText(e));
    }
    if (!free) return Tr("Сценарий с таким названием уже существует!\rВыберите другое название.");
    if (Trim(d.Author).empty()) return Tr("Имя автора должно быть указано обязательно!");
    return "";
}

bool TLibraryController::View() {
    const tScriptInfo* s = Focused();
    if (!s || !FUi) return false;
    return FApp.Attempt(
        [&] {
            TScriptDialog d = DialogFor(ScriptDataOf(*s), true);
            FUi->EditScriptInfo(d);
        },
        Tr("Ошибка просмотра свойств online-сценария!\r\r%s"));
}

// --- Publishing ------------------------------------------------------------------------------------------------

bool TLibraryController::Upload() {
    if (FScenarios.LineCount() == 0) return false;
    tScriptData data;
    data.Id = -1;
    data.Author = Identity().Name;
    data.Language = FLanguage ? FLanguage() : BuiltInLanguage;
    data.Universal = false;
    data.Public = true;
    return Save(data, -1);
}

bool TLibraryController::Replace() {
    const tScriptInfo* s = Focused();
    if (!s || !s->Editable || FScenarios.LineCount() == 0) return false;
    return Save(ScriptDataOf(*s), FFocused);
}

bool TLibraryController::Save(tScriptData data, int row) {
    TScriptDialog dialog = DialogFor(data, false);
    if (!FUi || !FUi->EditScriptInfo(dialog)) return false;
    data = dialog.Data;
    data.Title = Trim(data.Title);
    data.Author = Trim(data.Author);
    const TOnlineIdentity who = Identity();
    const int id = Publish(data, FScenarios.Lines(), who);
    if (id <= 0) return false;
    tScriptInfo fresh;
    if (row >= 0 && row < static_cast<int>(FRows.size())) fresh = FRows[static_cast<size_t>(row)];
    fresh.Id = id;
    fresh.Author = data.Author;
    fresh.AuthorMail = who.Mail;
    fresh.Language = data.Language;
    fresh.Universal = data.Universal;
    fresh.Public = data.Public;
    fresh.Created = NowLocal();
    fresh.Title = data.Title;
    fresh.Descr = data.Descr;
    if (row < 0 || row >= static_cast<int>(FRows.size())) {
        fresh.AppName = FApp.ProgramName();
        fresh.AppVersion = who.AppVer;
        fresh.Mine = fresh.Usable = fresh.Editable = true;
        FRows.push_back(fresh);
        FFocused = static_cast<int>(FRows.size()) - 1;
    } else {
        FRows[static_cast<size_t>(row)] = fresh;
        FFocused = row;
    }
    Changed();
    return true;
}

int TLibraryController::Publish(const tScriptData& data, const TScriptLines& lines, const TOnlineIdentity& who) {
    int id = 0;
    std::string failure;
    {
        TBusyScope busy(FApp, Tr("Сохранение сценария в базе данных..."));
        try {
            id = RequestScriptPut(who, data, ScenarioText(lines));
        } catch (const std::exception& e) {
            failure = Format(Tr("Ошибка сохранения online-сценария в базе данных!\r\r%s"), ErrorText(e));
        }
    }
    // -1 is also what a reply without content gives: nothing was stored, and there is nothing to tell.
    if (failure.empty() && id <= 0 && id != -1)
        failure = Format(Tr("Ошибка публикации online-сценария!\r\r%s"), Format(Tr("Код возврата: %d"), id));
    if (!failure.empty()) FApp.ShowError(failure);
    return failure.empty() && id > 0 ? id : 0;
}

bool TLibraryController::Delete() {
    const tScriptInfo* s = Focused();
    if (!s || !s->Editable) return false;
    const tScriptInfo script = *s;
    if (!FApp.Ask(TMsgBox::Confirm, Format(Tr("Вы действительно хотите удалить сценарий \"%s\"?"), script.Title)))
        return false;
    return DeleteScript(script);
}

bool TLibraryController::DeleteScript(const tScriptInfo& script) {
    int code = -1;
    std::string failure;
    {
        TBusyScope busy(FApp, Tr("Удаление сценария из базы данных..."));
        try {
            code = RequestScriptDelete(Identity(), ScriptDataOf(script));
        } catch (const std::exception& e) {
            failure = Format(Tr("Ошибка удаления online-сценария из базы данных!\r\r%s"), ErrorText(e));
        }
    }
    if (failure.empty() && code != 0 && code != -1)
        failure = Format(Tr("Ошибка публикации online-сценария!\r\r%s"), Format(Tr("Код возврата: %d"), code));
    if (!failure.empty()) {
        FApp.ShowError(failure);
        return false;
    }
    if (code != 0) return false;
    for (size_t i = 0; i < FRows.size(); ++i)
        if (FRows[i].Id == script.Id) {
            FRows.erase(FRows.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
    FFocused = -1;
    Changed();
    return true;
}

} // namespace zorb
