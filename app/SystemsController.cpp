#include "app/SystemsController.h"

#include "app/OnlineIdentity.h"
#include "core/DrawArchive.h"
#include "core/Errors.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"
#include "online/OnlineWire.h"
#include "online/Systems.h"
#include "stakes/Stakes.h"

#include <algorithm>
#include <sys/stat.h>
#include <unordered_set>

namespace zorb {

namespace {

class TNoSystemsUi final : public TSystemsUi {
    void SystemsListChanged() override {}
    void SystemsTabChanged(bool) override {}
    bool EditSystem(tSystemData&, bool, TSystemPage) override { return false; }
};

constexpr int MaxSystemLines = 100000;

int FieldNumber(const std::string& text) {
    int32_t v = 0;
    const std::string t = Trim(text);
    return t.empty() ? 0 : TryStrToInt(t, v) ? v : -1;
}

std::vector<std::string> NonEmptyLines(const std::string& text) {
    std::vector<std::string> lines;
    for (auto& l : SystemTextLines(text))
        if (!Trim(l).empty()) lines.push_back(std::move(l));
    return lines;
}

uint64_t CombBits(const TComb& c) {
    uint64_t k = 0;
    for (uint8_t n : c.N) k |= 1ull << (n & 63);
    return k;
}

bool HttpLink(const std::string& url) {
    const std::string lower = LowerCase(url);
    return lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0;
}

std::string OneLine(const std::string& text) {
    return ReplaceAll(ReplaceAll(ReplaceAll(text, "\r\n", " "), "\n", " "), "\r", " ");
}

} // namespace

// --- The dialog's rules -----------------------------------------------------------------------------------------

TSystemForm SystemFormOf(const tSystemData& data) {
    const tSystemInfo& s = data.Info;
    TSystemForm f;
    f.Title = s.Title;
    f.Nums = s.Nums > 0 ? std::to_string(s.Nums) : "";
    f.Olap = std::to_string(s.Olap);
    f.CSize = std::to_string(s.CSize);
    f.Descr = s.Descr;
    f.Author = s.Author;
    f.Url = s.Url;
    f.Created = s.Created > 0 ? FormatDateTime(s.Created) : "";
    f.Downloads = std::to_string(s.Downloads);
    f.LastDownload = s.LastDownload > 0 ? FormatDateTime(s.LastDownload) : "";
    f.Combs = data.Combs;
    return f;
}

void NormaliseSystemForm(TSystemForm& form) {
    int nums = 0, csize = 0;
    form.Combs = NormaliseSystemText(form.Combs, nums, csize);
    form.Nums = std::to_string(nums);
    form.CSize = std::to_string(csize);
}

TSystemFormCheck ApplySystemForm(const TSystemForm& form, tSystemData& data) {
    const int nums = FieldNumber(form.Nums), olap = FieldNumber(form.Olap);
    if (Trim(form.Title).empty()) return {Tr("Название системы должно быть указано обязательно!"), TSystemField::Title};
    if (nums < 7 || nums > 52) return {Tr("Указано недопустмое количество используемых чисел!"), TSystemField::Nums};
    if (olap < 0 || olap > 5) return {Tr("Указан недопустмый размер блока!"), TSystemField::Olap};
    if (Trim(form.Author).empty()) return {Tr("Имя автора должно быть указано обязательно!"), TSystemField::Author};
    if (Trim(form.Descr).empty()) return {Tr("Описание системы должно быть указано обязательно!"), TSystemField::Descr};
    const std::vector<std::string> lines = NonEmptyLines(form.Combs);
    if (lines.empty()) return {Tr("Содержимое системы должно быть указано обязательно!"), TSystemField::Combs};
    // What the server refuses, said here with the line at fault.
    if (lines.size() > static_cast<size_t>(MaxSystemLines))
        return {Format(Tr("Система не может содержать более %d комбинаций!"), MaxSystemLines), TSystemField::Combs};
    try {
        ParseSystemLines(lines, nums);
    } catch (const std::exception& e) {
        return {ErrorText(e), TSystemField::Combs};
    }
    const std::string url = Trim(form.Url);
    if (!url.empty() && !HttpLink(url))
        return {Tr("Ссылка должна начинаться с http:// или https://"), TSystemField::Url};

    tSystemInfo& s = data.Info;
    s.Title = Trim(form.Title);
    s.Nums = static_cast<uint8_t>(nums);
    s.Olap = static_cast<uint8_t>(olap);
    s.CSize = static_cast<int32_t>(lines.size());
    s.Descr = form.Descr;
    s.Author = Trim(form.Author);
    s.Url = url;
    if (Trim(form.Created).empty()) s.Created = NowLocal();
    data.Combs = Join(lines, "\r\n");
    return {};
}

TSystemCoverage SystemCoverageOf(const std::string& combs, const std::string& numsText) {
    TSystemCoverage r;
    const int nums = FieldNumber(numsText);
    if (nums < 7 || nums > 52) {
        r.Error = Tr("Указано недопустмое количество используемых чисел!");
        return r;
    }
    const std::vector<std::string> lines = NonEmptyLines(combs);
    if (lines.empty()) {
        r.Error = Tr("Содержимое системы должно быть указано обязательно!");
        return r;
    }
    try {
        r.Rows = ComputeCoverage(ParseSystemLines(lines, nums), nums);
    } catch (const std::exception& e) {
        r.Error = ErrorText(e);
    }
    return r;
}

// --- The controller ------------------------------------------------------------------------------------------------

TSystemsController::TSystemsController(TAppServices& app, TDrawsController& draws, TCombsController& combs,
                                       TStakesController& stakes, std::function<int()> language)
    : FApp(app), FUi(UiOr<TSystemsUi, TNoSystemsUi>(app.UI())), FArchive(draws), FCombs(combs), FStakes(stakes),
      FLanguage(std::move(language)) {}

void TSystemsController::RegisterActions(TActionTable& t) {
    auto shown = [this] { return TabShown(); };
    auto canStake = [this] {
        return TabShown() && !FCombs.Combs().Empty() && FStakes.StakesOpen() && !FApp.ReadOnly();
    };
    // Ctrl+J opens a scenario; the tab's toggle takes the shifted key beside the two system stakes on J.
    t.Add({"SystemsOn", "Системная игра", "Показать или скрыть вкладку \"Системы\"", "Ctrl+Shift+J",
           [] { return true; }, [this] { SystemsOn(); }, [this] { return TabShown(); }},
          MenuPlace("Systems", 10));
    t.Add({"SystemsRefresh", "Обновить", "Загрузить список систем с сервера", "", shown, [this] { LoadCatalogue(); }},
          MenuPlace("Systems", 20, true, 1));
    t.Add({"SystemsDownload", "Загрузить", "Загрузить выбранные системы на компьютер", "",
           [this] {
               return TabShown() && !FApp.ReadOnly() &&
                      std::any_of(FSelection.begin(), FSelection.end(), [this](int r) { return Real(r); });
           },
           [this] { DownloadSelected(); }},
          MenuPlace("Systems", 30, false, 2));
    t.Add({"SystemsAdd", "Добавить", "Опубликовать новую систему", "", shown, [this] { AddSystem(); }},
          MenuPlace("Systems", 40, true, 3));
    t.Add({"SystemsProp", "Свойства", "Просмотреть или изменить систему", "",
           [this] { return TabShown() && Real(FFocused); }, [this] { ShowSystem(TSystemPage::Properties); }},
          MenuPlace("Systems", 50, false, 4));
    t.Add({"SystemsDel", "Удалить", "Удалить свою систему с сервера", "",
           [this] { return TabShown() && Real(FFocused) && RowOwn(FFocused); }, [this] { DeleteSystem(); }},
          MenuPlace("Systems", 60, false, 5));
    t.Add({"SystemsCoverage", "Покрытие", "Покрытие системы: сколько наборов чисел она гарантированно угадывает", "",
           [this] { return TabShown() && Real(FFocused); }, [this] { ShowSystem(TSystemPage::Coverage); }},
          MenuPlace("Systems", 70, true, 6));
    t.Add({"SystemStakeAll", "Cистемная игра по списку системы",
           "Сделать ставки по всем комбинациям системы для чисел списка комбинаций", "Ctrl+Alt+J", canStake,
           [this] { SystemStake(false); }},
          MenuPlace("Systems", 80, true));
    t.Add({"SystemStakeFilter", "Cистемная игра по списку комбинаций",
           "Сделать ставки по тем комбинациям системы, которые есть в списке комбинаций", "Alt+J", canStake,
           [this] { SystemStake(true); }},
          MenuPlace("Systems", 90));
}

void TSystemsController::Startup() {
    FUi.SystemsTabChanged(false);
    // Without a server of the user's own the maker's address is a placeholder: no request at every start.
    // Read without making the installation id: a start that sends nothing writes nothing.
    if (TabShown() && !ReadOnlineFields(FApp).ServerUrl.empty()) LoadCatalogue();
}

std::string TSystemsController::SystemsDir() const {
    return FApp.DataFile("Systems");
}

TOnlineIdentity TSystemsController::Identity() const {
    const TOnlineSettings s = FOnline ? *FOnline : ReadOnlineSettings(FApp);
    FUserMail = s.UserMail;
    return OnlineIdentityOf(s, FLanguage ? FLanguage() : 1049, FArchive.HttpOptions());
}

std::string TSystemsController::FileOf(const tSystemInfo& s) const {
    return JoinPath(SystemsDir(), SystemFileName(s.Nums, s.Olap, s.Id));
}

bool TSystemsController::RowOwn(int row) const {
    if (row < 0 || row >= RowCount()) return false;
    const std::string& mail = FRows[static_cast<size_t>(row)].Info.AuthorMail;
    return !FUserMail.empty() && !mail.empty() && SameText(mail, FUserMail);
}

std::string TSystemsController::SystemColumnCaption(int column) {
    static const char* const Captions[SystemColumnCount] = {"Название",   "Автор",         "Числа",  "Блок",
                                                            "Комбинаций", "Дата создания", "Статус", "Загрузок",
                                                            "Последняя",  "Комментарии",   "Ссылка"};
    return column >= 0 && column < SystemColumnCount ? Tr(Captions[column]) : "";
}

std::string TSystemsController::SystemCellText(int row, int column) const {
    if (row < 0 || row >= RowCount()) return "";
    const TRow& r = FRows[static_cast<size_t>(row)];
    const tSystemInfo& s = r.Info;
    const bool placeholder = s.Id <= 0;
    switch (column) {
    case 0: return s.Title;
    case 1: return s.Author;
    case 2: return placeholder ? "" : Format("%.2d", static_cast<int>(s.Nums));
    case 3: return placeholder ? "" : std::to_string(s.Olap);
    case 4: return placeholder ? "" : std::to_string(s.CSize);
    case 5: return FormatDateTime(s.Created);
    case 6: return r.Loaded ? Tr("Загружена") : "";
    case 7: return placeholder ? "" : std::to_string(s.Downloads);
    case 8: return FormatDateTime(s.LastDownload);
    case 9: return OneLine(s.Descr);
    case 10: return s.Url;
    }
    return "";
}

TSystemIcon TSystemsController::SystemIconOf(int row) const {
    if (row < 0 || row >= RowCount()) return siNoMail;
    const TRow& r = FRows[static_cast<size_t>(row)];
    const int kind = r.Info.AuthorMail.empty() ? siNoMail : RowOwn(row) ? siOwn : siForeign;
    return static_cast<TSystemIcon>(kind + (r.Loaded ? 3 : 0));
}

void TSystemsController::SetFocusedRow(int row) {
    FFocused = row >= 0 && row < RowCount() ? row : -1;
    FApp.UI().ActionsChanged();
}

void TSystemsController::SetSelectedRows(std::vector<int> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::erase_if(rows, [this](int r) { return r < 0 || r >= RowCount(); });
    FSelection = std::move(rows);
    FApp.UI().ActionsChanged();
}

void TSystemsController::Changed() {
    FUi.SystemsListChanged();
    FApp.UI().ActionsChanged();
}

// --- Actions ---------------------------------------------------------------------------------------------------

void TSystemsController::SystemsOn() {
    TBusyScope busy(FApp, Tr("Подождите пожалуйста..."));
    const bool show = !TabShown();
    FApp.SetOption(&TFormSettings::SystemsEnabled, show);
    FUi.SystemsTabChanged(show);
    if (show) {
        LoadCatalogue();
    } else {
        FRows.clear();
        FSelection.clear();
        FFocused = -1;
        Changed();
    }
}

bool TSystemsController::LoadCatalogue() {
    TBusyScope busy(FApp, Tr("Загрузка списка систем..."));
    const int focusedId = FFocused >= 0 && FFocused < RowCount() ? FRows[static_cast<size_t>(FFocused)].Info.Id : 0;
    FRows.clear();
    FSelection.clear();
    FFocused = -1;
    const bool ok = FApp.Attempt(
        [&] {
            const TOnlineIdentity who = Identity();
            for (const tSystemInfo& s : RequestSystemList(who)) {
                TRow row{s, s.Id > 0 && FileExists(FileOf(s))};
                if (row.Loaded) RefreshChanged(row, who);
                FRows.push_back(std::move(row));
            }
        },
        Tr("Ошибка загрузки списка систем!\r\r%s"));
    if (focusedId != 0) FFocused = RowOfId(focusedId);
    Changed();
    return ok;
}

int TSystemsController::RowOfId(int id) const {
    for (int i = 0; id > 0 && i < RowCount(); ++i)
        if (FRows[static_cast<size_t>(i)].Info.Id == id) return i;
    return -1;
}

// A downloaded system whose file time is not its date on the server was changed there: fetch it again.
void TSystemsController::RefreshChanged(TRow& row, const TOnlineIdentity& who) {
    const tSystemInfo& s = row.Info;
    struct stat st {};
    if (s.Created <= 0 || ::stat(FileOf(s).c_str(), &st) != 0) return;
    if (static_cast<int64_t>(st.st_mtime) == LocalToUnixSeconds(s.Created)) return;
    FApp.Attempt(
        [&] {
            FApp.SetProgressText(Format(Tr("Загрузка \"%s\"..."), s.Title));
            // Keeping a file the user already took up to date is not another download.
            WriteSystemFile(SystemsDir(), s, RequestSystemData(who, s.Id, false));
        },
        Tr("Ошибка загрузки системы #%d!\r\r%s"), s.Id);
    FApp.SetProgressText(Tr("Загрузка списка систем..."));
}

bool TSystemsController::Download(int index, const TOnlineIdentity& who) {
    TRow& row = FRows[static_cast<size_t>(index)];
    FApp.SetProgressText(Format(Tr("Загрузка \"%s\"..."), row.Info.Title));
    if (!FApp.Attempt([&] { WriteSystemFile(SystemsDir(), row.Info, RequestSystemData(who, row.Info.Id)); },
                      Tr("Ошибка загрузки системы #%d!\r\r%s"), row.Info.Id)) {
        return false;
    }
    // The server has counted it: the row shows the count at once rather than at the next catalogue load.
    ++row.Info.Downloads;
    row.Info.LastDownload = NowLocal();
    // The file replaced every other system for the same count of numbers.
    for (int i = 0; i < RowCount(); ++i)
        if (FRows[static_cast<size_t>(i)].Info.Nums == row.Info.Nums) FRows[static_cast<size_t>(i)].Loaded = i == index;
    if (index != FFocused) std::erase(FSelection, index);
    return true;
}

std::string TSystemsController::DownloadSystem(int id) {
    const int row = RowOfId(id);
    if (row < 0) {
        FApp.ShowError(
            Format(Tr("Ошибка загрузки системы #%d!\r\r%s"), id, Format(Tr("Система #%d не найдена в каталоге"), id)));
        return "";
    }
    TBusyScope busy(FApp, "");
    const bool ok = Download(row, Identity());
    Changed();
    return ok ? FileOf(Row(row)) : "";
}

void TSystemsController::DownloadSelected() {
    TBusyScope busy(FApp, "");
    const TOnlineIdentity who = Identity();
    const std::vector<int> rows = FSelection;
    for (int r : rows)
        if (Real(r)) Download(r, who);
    Changed();
}

void TSystemsController::AddSystem() {
    const TOnlineIdentity who = Identity();
    if (Trim(who.Mail).empty()) {
        FApp.ShowError(Format(Tr("Ошибка добавления системы!\r\r%s"),
                              Tr("Не указан e-mail пользователя: он задаётся в параметрах программы.")));
        return;
    }
    tSystemData d;
    d.Info.Author = who.Name;
    d.Info.AuthorMail = who.Mail;
    if (!FUi.EditSystem(d, false, TSystemPage::Properties)) return;
    TBusyScope busy(FApp, Format(Tr("Сохранение \"%s\"..."), d.Info.Title));
    d.Info.Id = 0;
    int id = -1;
    if (!SendSystem(who, d, false, id)) return;
    if (id <= 0) {
        FApp.ShowError(Format(Tr("Ошибка добавления системы!\r\r%s"), Tr("Сервер не вернул номер системы")));
        return;
    }
    d.Info.Id = id;
    d.Info.Created = NowLocal();
    d.Info.Downloads = 0;
    d.Info.LastDownload = 0;
    std::erase_if(FRows, [](const TRow& r) { return r.Info.Id <= 0; }); // the placeholder goes
    FRows.push_back({d.Info, false});
    FFocused = RowCount() - 1;
    FSelection = {FFocused};
    Changed();
}

void TSystemsController::ShowSystem(TSystemPage page) {
    if (!Real(FFocused)) return;
    const int index = FFocused;
    const TOnlineIdentity who = Identity();
    tSystemData d;
    d.Info = FRows[static_cast<size_t>(index)].Info;
    {
        TBusyScope busy(FApp, Format(Tr("Загрузка \"%s\"..."), d.Info.Title));
        if (!FApp.Attempt(
                [&] {
                    d.Combs = RequestSystemData(who, d.Info.Id, false);
                    const size_t lines = SystemTextLines(d.Combs).size();
                    if (d.Combs.empty() || static_cast<int>(lines) != d.Info.CSize)
                        throw EZorbError(Format(
                            Tr("Количество скачанных комбинаций ( %d ) отличается от ожидаемого значения ( %d )"),
                            static_cast<int>(lines), d.Info.CSize));
                },
                Tr("Ошибка загрузки системы #%d!\r\r%s"), d.Info.Id)) {
            return;
        }
    }
    const bool own = RowOwn(index);
    if (!FUi.EditSystem(d, !own, page) || !own) return;
    TBusyScope busy(FApp, Format(Tr("Сохранение \"%s\"..."), d.Info.Title));
    int id = -1;
    if (!SendSystem(who, d, false, id)) return;
    if (id < 0 || index >= RowCount()) {
        FApp.ShowError(Format(Tr("Ошибка изменения системы!\r\r%s"), Tr("Сервер не вернул номер системы")));
        return;
    }
    TRow& row = FRows[static_cast<size_t>(index)];
    const tSystemInfo old = row.Info;
    row.Info = d.Info;
    if (id > 0) row.Info.Id = id;
    row.Info.Created = NowLocal();
    if (row.Loaded) {
        // The downloaded copy follows the change at once (its name may change with the numbers or the block).
        DeleteFileIfExists(FileOf(old));
        row.Loaded = false;
        FApp.Attempt(
            [&] {
                WriteSystemFile(SystemsDir(), row.Info, d.Combs);
                for (int i = 0; i < RowCount(); ++i)
                    if (FRows[static_cast<size_t>(i)].Info.Nums == row.Info.Nums)
                        FRows[static_cast<size_t>(i)].Loaded = i == index;
            },
            Tr("Ошибка изменения системы!\r\r%s"));
    }
    Changed();
}

bool TSystemsController::DeleteSystem() {
    if (!Real(FFocused)) return false;
    const int index = FFocused;
    const TOnlineIdentity who = Identity();
    if (!RowOwn(index)) {
        FApp.ShowError(Tr("Вы можете удалять только свои системы!"));
        return false;
    }
    tSystemData d;
    d.Info = FRows[static_cast<size_t>(index)].Info;
    if (!FApp.Ask(TMsgBox::Confirm, Format(Tr("Вы действительно хотите удалить систему \"%s\"?"), d.Info.Title)))
        return false;
    TBusyScope busy(FApp, Format(Tr("Удаление \"%s\"..."), d.Info.Title));
    int reply = -1;
    if (!SendSystem(who, d, true, reply)) return false;
    if (reply != 0) {
        FApp.ShowError(Format(Tr("Ошибка удаления системы!\r\r%s"), Format(Tr("Код возврата: %d"), reply)));
        return false;
    }
    DeleteFileIfExists(FileOf(d.Info));
    FRows.erase(FRows.begin() + index);
    std::vector<int> kept;
    for (int r : FSelection)
        if (r != index) kept.push_back(r > index ? r - 1 : r);
    FSelection = std::move(kept);
    FFocused = std::min(index, RowCount() - 1);
    Changed();
    return true;
}

bool TSystemsController::SendSystem(const TOnlineIdentity& who, const tSystemData& d, bool remove, int& reply) {
    return FApp.Attempt([&] { reply = RequestSystemPut(who, d, remove); }, Tr("Ошибка сохранения системы #%d!\r\r%s"),
                        d.Info.Id);
}

void TSystemsController::OpenSystemLink(const std::string& url) {
    const std::string link = Trim(url);
    if (!HttpLink(link)) {
        FApp.ShowError(Tr("Ссылка должна начинаться с http:// или https://"));
        return;
    }
    FApp.UI().OpenUrl(link);
}

void TSystemsController::SystemStake(bool filtered) {
    const TCombsArray& list = FCombs.Combs();
    TSystemLoad load;
    TByteArray numbers;
    {
        TBusyScope busy(FApp, Tr("Подождите пожалуйста..."));
        // Position i takes the i-th number found in the list.
        numbers = CollectNumbers(list.Data(), list.Count());
        load = LoadSystemCombinations(SystemsDir(), numbers);
    }
    if (!load.Ok) {
        FApp.ShowError(load.Message);
        return;
    }
    const int n = static_cast<int>(numbers.size());
    const std::string name = ChangeFileExt(ExtractFileName(load.FileName), "");
    std::string comment = filtered ? Format(Tr("Системная игра для %d чисел [комбинации]: %s"), n, name)
                                   : Format(Tr("Системная игра для %d чисел [вся система]: %s"), n, name);
    int drawNumber = NextDrawNumber(FArchive.Draws(), FArchive.DrawsOffset()), drawCount = 1;
    TStakesUi* stakesUi = UiOf<TStakesUi>(FApp.UI());
    if (!stakesUi || !stakesUi->EditMultiStake(drawNumber, drawCount, comment)) return;

    TBusyScope busy(FApp, Tr("Создание ставок..."));
    std::vector<TComb> chosen;
    chosen.reserve(load.Combs.size());
    for (TComb c : load.Combs) {
        SortComb(c);
        chosen.push_back(c);
    }
    if (filtered) {
        // The system is small and the list may be the full set: one pass over the list marks what it holds.
        std::unordered_set<uint64_t> wanted, found;
        for (const TComb& c : chosen) wanted.insert(CombBits(c));
        for (size_t i = 0; i < list.Count() && found.size() < wanted.size(); ++i) {
            const uint64_t k = CombBits(list[i]);
            if (wanted.count(k)) found.insert(k);
        }
        std::erase_if(chosen, [&](const TComb& c) { return !found.count(CombBits(c)); });
    }
    if (chosen.empty()) return;
    if (!FApp.Attempt([&] { AppendSeparatorAfterStake(FStakes.StakesFile()); },
                      Tr("Ошибка добавления записи в файл ставок!\r\r%s"))) {
        return;
    }
    const int sampleSize = filtered ? static_cast<int>(list.Count()) : static_cast<int>(load.Combs.size());
    bool last = false;
    for (const TComb& c : chosen) {
        TStakeRecord r = FStakes.NewStakeRecord(skSystem, comment, CombToSet(c));
        r.DrawNumber = drawNumber;
        r.SampleSize = sampleSize;
        last = FStakes.AddBatchStake(r, drawCount, FApp.Settings().StakesScrollEnabled);
        if (!last) break;
    }
    if (last) {
        FStakes.CheckAndCommitStakes();
        FStakes.RefreshStakesView(true, true);
    }
}

} // namespace zorb
