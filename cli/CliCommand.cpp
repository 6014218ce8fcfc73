#include "cli/CliCommand.h"

#include "app/OnlineIdentity.h"
#include "app/TemplateMain.h"
#include "cli/CliInterface.h"
#include "core/Errors.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"
#include "stats/StatList.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <ostream>

namespace zorb {

bool TCliCommand::WritesData() const {
    const TVerb* verb = Chosen();
    return verb && verb->WritesData();
}

bool TCliCommand::Run(TCliRun& run) const {
    const TVerb* verb = Chosen();
    return verb && verb->Run(run);
}

CLI::App* TCliCommand::AddVerb(CLI::App& parent, const std::string& name, const std::string& description,
                               TCliAccess access, TVerbRun run) {
    const bool writes = access == TCliAccess::Writes;
    TVerbWrites writesData = [writes] { return writes; };
    return AddVerb(parent, name, description, std::move(writesData), std::move(run));
}

CLI::App* TCliCommand::AddVerb(CLI::App& parent, const std::string& name, const std::string& description,
                               TVerbWrites writesData, TVerbRun run) {
    CLI::App* command = parent.add_subcommand(name, description);
    FVerbs.push_back({command, std::move(writesData), std::move(run)});
    return command;
}

const TCliCommand::TVerb* TCliCommand::Chosen() const {
    for (const TVerb& verb : FVerbs)
        if (verb.Command->parsed()) return &verb;
    return nullptr;
}

namespace {

// A CSV field: quoted when it holds the separator or a quote.
std::string CsvField(const std::string& s) {
    if (s.find_first_of(";\"\r\n") == std::string::npos) return s;
    return "\"" + ReplaceAll(s, "\"", "\"\"") + "\"";
}

} // namespace

void PrintTable(const std::vector<std::vector<std::string>>& rows, bool csv, std::ostream& out) {
    if (csv) {
        for (const auto& line : rows) {
            std::vector<std::string> fields;
            for (const std::string& f : line) fields.push_back(CsvField(f));
            out << Join(fields, ";") << '\n';
        }
        return;
    }
    auto chars = [](const std::string& s) {
        size_t n = 0;
        for (unsigned char ch : s) n += (ch & 0xC0) != 0x80;
        return n;
    };
    std::vector<size_t> width;
    for (const auto& line : rows)
        for (size_t c = 0; c < line.size(); ++c) {
            if (width.size() <= c) width.push_back(0);
            width[c] = std::max(width[c], chars(line[c]));
        }
    for (const auto& line : rows) {
        std::string text;
        for (size_t c = 0; c < line.size(); ++c) {
            if (c) text += "  ";
            // The last column is free text: no padding.
            text += c + 1 == line.size() ? line[c] : line[c] + std::string(width[c] - chars(line[c]), ' ');
        }
        out << TrimRight(text) << '\n';
    }
}

bool ParseIntList(const std::string& text, std::vector<int>& out) {
    out.clear();
    for (const std::string& p : SplitKeepEmpty(text, ',')) {
        int32_t v;
        if (!TryStrToInt(Trim(p), v)) return false;
        out.push_back(v);
    }
    return !out.empty();
}

bool PrepareList(TCliRun& r, const std::string& input, int mode) {
    if (!input.empty()) {
        if (!FileExists(input)) {
            r.Err << "Файл не найден: " << input << '\n';
            return false;
        }
        r.App.Combinations().CombsOpen(input);
    } else if (mode >= 0) {
        TGenerateSettings g = r.App.GenerateSettings();
        g.Mode = static_cast<uint8_t>(mode);
        r.App.Combinations().GenerateCombs(true, g);
    }
    return !r.Ui.ErrorShown();
}

void AddOnlineOptions(CLI::App* cmd, TOnlineOptions& o) {
    cmd->add_option("--server", o.Server, "Адрес сервера (по умолчанию ONLINE/ServerUrl)");
    cmd->add_option("--name", o.Name, "Имя пользователя (по умолчанию ONLINE/UserName)");
    cmd->add_option("--mail", o.Mail, "E-mail пользователя (по умолчанию ONLINE/UserMail)");
}

// The installation id is the window's own (made once at random and saved at once), so the server sees one
// installation either way.
std::optional<TOnlineSettings> OnlineSettingsOf(TCliRun& r, const TOnlineOptions& o, const std::string& failure) {
    TOnlineSettings s = ReadOnlineSettings(r.App);
    if (!o.Server.empty()) {
        s.ServerUrl = o.Server;
        while (!s.ServerUrl.empty() && s.ServerUrl.back() == '/') s.ServerUrl.pop_back();
        s.DefaultServer = s.ServerUrl.empty();
    }
    if (!o.Name.empty()) s.UserName = o.Name;
    if (!o.Mail.empty()) s.UserMail = o.Mail;
    if (!s.DefaultServer) return s;
    Fail(r, Format(failure, Tr("Не указан адрес сервера (--server или ONLINE/ServerUrl)")));
    return std::nullopt;
}

bool Fail(TCliRun& r, const std::string& text) {
    r.Err << MessageLines(text) << '\n';
    return false;
}

int FindMethod(TStatList& list, const std::string& code, std::ostream& err) {
    const int entry = list.FindByCode(code);
    if (entry < 0) err << Format(Tr("Метод \"%s\" не найден!"), code) << '\n';
    return entry;
}

} // namespace zorb
