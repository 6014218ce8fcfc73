// The SQLite store: one connection in WAL mode, every value a bound parameter.
#include "server/ServerStore.h"

#include <sqlite3.h>

#include <stdexcept>

namespace zorb::server {

namespace {

constexpr int SchemaVersion = 2;

const char* const Schema = R"sql(
CREATE TABLE IF NOT EXISTS systems (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    nums INTEGER NOT NULL, olap INTEGER NOT NULL, csize INTEGER NOT NULL,
    title TEXT NOT NULL, descr TEXT NOT NULL, author TEXT NOT NULL,
    mail TEXT NOT NULL, mail_key TEXT NOT NULL, hwdid TEXT NOT NULL,
    url TEXT NOT NULL, clist TEXT NOT NULL,
    created TEXT NOT NULL, downloads INTEGER NOT NULL DEFAULT 0, last_download TEXT NOT NULL DEFAULT ''
);
CREATE TABLE IF NOT EXISTS scripts (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    title TEXT NOT NULL, title_key TEXT NOT NULL UNIQUE, descr TEXT NOT NULL, script TEXT NOT NULL,
    author TEXT NOT NULL, mail TEXT NOT NULL, mail_key TEXT NOT NULL, hwdid TEXT NOT NULL,
    app_guid TEXT NOT NULL, app_name TEXT NOT NULL, app_ver TEXT NOT NULL,
    lcid INTEGER NOT NULL, uniapps INTEGER NOT NULL, publics INTEGER NOT NULL,
    created TEXT NOT NULL, downloads INTEGER NOT NULL DEFAULT 0, last_download TEXT NOT NULL DEFAULT ''
);
CREATE TABLE IF NOT EXISTS rates (
    script_id INTEGER NOT NULL REFERENCES scripts(id) ON DELETE CASCADE,
    mail_key TEXT NOT NULL, hwdid TEXT NOT NULL, rate INTEGER NOT NULL, notes TEXT NOT NULL, cl_name TEXT NOT NULL,
    app_name TEXT NOT NULL, app_ver TEXT NOT NULL, created TEXT NOT NULL,
    PRIMARY KEY (script_id, mail_key, hwdid)
);
CREATE TABLE IF NOT EXISTS events (kind TEXT NOT NULL, key TEXT NOT NULL, at INTEGER NOT NULL);
CREATE INDEX IF NOT EXISTS events_by_key ON events (kind, key, at);
CREATE INDEX IF NOT EXISTS events_by_time ON events (at);
)sql";

// Version 1 keyed ratings on the e-mail alone. Its ratings are kept with an empty installation id: they count in
// the averages, and the next rating under that e-mail replaces the old one.
const char* const MigrateFrom1 = R"sql(
ALTER TABLE rates RENAME TO rates_v1;
CREATE TABLE rates (
    script_id INTEGER NOT NULL REFERENCES scripts(id) ON DELETE CASCADE,
    mail_key TEXT NOT NULL, hwdid TEXT NOT NULL, rate INTEGER NOT NULL, notes TEXT NOT NULL, cl_name TEXT NOT NULL,
    app_name TEXT NOT NULL, app_ver TEXT NOT NULL, created TEXT NOT NULL,
    PRIMARY KEY (script_id, mail_key, hwdid)
);
INSERT INTO rates (script_id, mail_key, hwdid, rate, notes, cl_name, app_name, app_ver, created)
    SELECT script_id, mail_key, '', rate, notes, cl_name, app_name, app_ver, created FROM rates_v1 ORDER BY rowid;
DROP TABLE rates_v1;
)sql";

class TStatement {
public:
    TStatement(sqlite3* db, const char* sql) : FDb(db) {
        if (sqlite3_prepare_v2(db, sql, -1, &FStmt, nullptr) != SQLITE_OK)
            throw std::runtime_error(std::string("SQLite: ") + sqlite3_errmsg(db));
    }
    ~TStatement() { sqlite3_finalize(FStmt); }
    TStatement(const TStatement&) = delete;
    TStatement& operator=(const TStatement&) = delete;

    TStatement& Bind(int i, int64_t v) {
        sqlite3_bind_int64(FStmt, i, v);
        return *this;
    }
    TStatement& Bind(int i, const std::string& v) {
        sqlite3_bind_text(FStmt, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    // True while a row is there.
    bool Step() {
        const int rc = sqlite3_step(FStmt);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        throw std::runtime_error(std::string("SQLite: ") + sqlite3_errmsg(FDb));
    }
    int Int(int col) const { return sqlite3_column_int(FStmt, col); }
    double Real(int col) const { return sqlite3_column_double(FStmt, col); }
    std::string Text(int col) const {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(FStmt, col));
        return p ? std::string(p, static_cast<size_t>(sqlite3_column_bytes(FStmt, col))) : std::string();
    }

private:
    sqlite3* FDb;
    sqlite3_stmt* FStmt = nullptr;
};

class TSqliteStore : public TServerStore {
public:
    explicit TSqliteStore(const std::string& path) {
        if (sqlite3_open_v2(path.c_str(), &FDb, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                            nullptr) != SQLITE_OK) {
            const std::string reason = FDb ? sqlite3_errmsg(FDb) : "out of memory";
            sqlite3_close(FDb);
            throw std::runtime_error("cannot open " + path + ": " + reason);
        }
        try {
            Prepare(path);
        } catch (...) {
            sqlite3_close(FDb);
            throw;
        }
    }
    ~TSqliteStore() override { sqlite3_close(FDb); }

    void Transaction(bool write, const std::function<void()>& body) override {
        Exec(write ? "BEGIN IMMEDIATE" : "BEGIN");
        try {
            body();
            Exec("COMMIT");
        } catch (...) {
            Rollback();
            throw;
        }
    }

    void Prepare(const std::string& path) {
        sqlite3_busy_timeout(FDb, 5000);
        Exec("PRAGMA journal_mode=WAL");
        Exec("PRAGMA foreign_keys=ON");
        Exec("PRAGMA synchronous=NORMAL");
        int current = 0;
        {
            // Finished before the migration: an open statement would keep its tables locked.
            TStatement version(FDb, "PRAGMA user_version");
            version.Step();
            current = version.Int(0);
        }
        if (current > SchemaVersion) throw std::runtime_error(path + " was made by a newer zorb-server");
        Exec("BEGIN IMMEDIATE");
        try {
            if (current == 1) Exec(MigrateFrom1);
            Exec(Schema);
            Exec("PRAGMA user_version=" + std::to_string(SchemaVersion));
        } catch (...) {
            Rollback();
            throw;
        }
        Exec("COMMIT");
    }

    std::vector<TSystemRow> ListSystems() override {
        TStatement s(FDb, "SELECT id, nums, olap, csize, title, descr, author, mail, mail_key, hwdid, url, created, "
                          "downloads, last_download FROM systems ORDER BY id");
        std::vector<TSystemRow> rows;
        while (s.Step()) rows.push_back(SystemFrom(s, false));
        return rows;
    }

    std::optional<TSystemRow> GetSystem(int id) override {
        TStatement s(FDb, "SELECT id, nums, olap, csize, title, descr, author, mail, mail_key, hwdid, url, created, "
                          "downloads, last_download, clist FROM systems WHERE id = ?");
        s.Bind(1, id);
        if (!s.Step()) return std::nullopt;
        return SystemFrom(s, true);
    }

    void CountSystemDownload(int id, const std::string& now) override {
        TStatement s(FDb, "UPDATE systems SET downloads = downloads + 1, last_download = ? WHERE id = ?");
        s.Bind(1, now).Bind(2, id).Step();
    }

    int InsertSystem(const TSystemRow& r) override {
        TStatement s(FDb, "INSERT INTO systems (nums, olap, csize, title, descr, author, mail, mail_key, hwdid, url, "
                          "clist, created) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        BindSystem(s, r);
        s.Step();
        return static_cast<int>(sqlite3_last_insert_rowid(FDb));
    }

    void UpdateSystem(const TSystemRow& r) override {
        TStatement s(FDb, "UPDATE systems SET nums = ?, olap = ?, csize = ?, title = ?, descr = ?, author = ?, "
                          "mail = ?, mail_key = ?, hwdid = ?, url = ?, clist = ?, created = ? WHERE id = ?");
        BindSystem(s, r);
        s.Bind(13, r.Id).Step();
    }

    void DeleteSystem(int id) override {
        TStatement s(FDb, "DELETE FROM systems WHERE id = ?");
        s.Bind(1, id).Step();
    }

    std::vector<TScriptRow> ListScripts(const TRater& asking) override {
        TStatement s(FDb, "SELECT s.id, s.title, s.title_key, s.descr, s.author, s.mail, s.mail_key, s.hwdid, "
                          "s.app_guid, s.app_name, s.app_ver, s.created, s.last_download, s.lcid, s.uniapps, "
                          "s.publics, s.downloads, "
                          "(SELECT AVG(rate) FROM rates r WHERE r.script_id = s.id AND r.rate > 0), "
                          "(SELECT COUNT(*) FROM rates r WHERE r.script_id = s.id AND r.rate > 0), "
                          "(SELECT rate FROM rates r WHERE r.script_id = s.id AND r.mail_key = ? AND r.hwdid = ?) "
                          "FROM scripts s ORDER BY s.id");
        const bool known = !asking.MailKey.empty() && !asking.Hwdid.empty();
        s.Bind(1, asking.MailKey).Bind(2, asking.Hwdid);
        std::vector<TScriptRow> rows;
        while (s.Step()) {
            TScriptRow r = ScriptFrom(s);
            r.RatingAvg = s.Real(17);
            r.RatingCount = s.Int(18);
            r.MyRating = known ? s.Int(19) : 0;
            rows.push_back(std::move(r));
        }
        return rows;
    }

    std::optional<TScriptRow> GetScript(int id) override {
        TStatement s(FDb, "SELECT id, title, title_key, descr, author, mail, mail_key, hwdid, app_guid, app_name, "
                          "app_ver, created, last_download, lcid, uniapps, publics, downloads, script "
                          "FROM scripts WHERE id = ?");
        s.Bind(1, id);
        if (!s.Step()) return std::nullopt;
        TScriptRow r = ScriptFrom(s);
        r.Script = s.Text(17);
        return r;
    }

    void CountScriptDownload(int id, const std::string& now) override {
        TStatement s(FDb, "UPDATE scripts SET downloads = downloads + 1, last_download = ? WHERE id = ?");
        s.Bind(1, now).Bind(2, id).Step();
    }

    int FindScriptTitle(const std::string& titleKey) override {
        TStatement s(FDb, "SELECT id FROM scripts WHERE title_key = ?");
        s.Bind(1, titleKey);
        return s.Step() ? s.Int(0) : 0;
    }

    int InsertScript(const TScriptRow& r) override {
        TStatement s(FDb, "INSERT INTO scripts (title, title_key, descr, script, author, mail, mail_key, hwdid, "
                          "app_guid, app_name, app_ver, lcid, uniapps, publics, created) "
                          "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        BindScript(s, r);
        s.Step();
        return static_cast<int>(sqlite3_last_insert_rowid(FDb));
    }

    void UpdateScript(const TScriptRow& r) override {
        TStatement s(FDb, "UPDATE scripts SET title = ?, title_key = ?, descr = ?, script = ?, author = ?, mail = ?, "
                          "mail_key = ?, hwdid = ?, app_guid = ?, app_name = ?, app_ver = ?, lcid = ?, uniapps = ?, "
                          "publics = ?, created = ? WHERE id = ?");
        BindScript(s, r);
        s.Bind(16, r.Id).Step();
    }

    void DeleteScript(int id) override {
        TStatement(FDb, "DELETE FROM rates WHERE script_id = ?").Bind(1, id).Step();
        TStatement(FDb, "DELETE FROM scripts WHERE id = ?").Bind(1, id).Step();
    }

    void SetRate(int scriptId, const TRater& rater, int rate, const TRateRow& r) override {
        TStatement(FDb, "DELETE FROM rates WHERE script_id = ? AND mail_key = ? AND hwdid = ''")
            .Bind(1, scriptId)
            .Bind(2, rater.MailKey)
            .Step();
        if (rate == 0) {
            TStatement(FDb, "DELETE FROM rates WHERE script_id = ? AND mail_key = ? AND hwdid = ?")
                .Bind(1, scriptId)
                .Bind(2, rater.MailKey)
                .Bind(3, rater.Hwdid)
                .Step();
            return;
        }
        TStatement s(FDb, "INSERT INTO rates (script_id, mail_key, hwdid, rate, notes, cl_name, app_name, app_ver, "
                          "created) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (script_id, mail_key, hwdid) DO "
                          "UPDATE SET rate = excluded.rate, notes = excluded.notes, cl_name = excluded.cl_name, "
                          "app_name = excluded.app_name, app_ver = excluded.app_ver, created = excluded.created");
        s.Bind(1, scriptId).Bind(2, rater.MailKey).Bind(3, rater.Hwdid).Bind(4, rate).Bind(5, r.Notes);
        s.Bind(6, r.Name).Bind(7, r.AppName).Bind(8, r.AppVer).Bind(9, r.Created).Step();
    }

    std::vector<std::string> RatingMails(int scriptId, const std::string& hwdid) override {
        TStatement s(FDb, "SELECT mail_key FROM rates WHERE script_id = ? AND hwdid = ? AND rate > 0");
        s.Bind(1, scriptId).Bind(2, hwdid);
        std::vector<std::string> mails;
        while (s.Step()) mails.push_back(s.Text(0));
        return mails;
    }

    std::vector<TRateRow> ListRates(int scriptId) override {
        TStatement s(FDb, "SELECT cl_name, rate, created, app_name, app_ver, notes FROM rates "
                          "WHERE script_id = ? AND rate > 0 ORDER BY created, rowid");
        s.Bind(1, scriptId);
        std::vector<TRateRow> rows;
        while (s.Step()) {
            TRateRow r;
            r.Name = s.Text(0);
            r.Rate = s.Int(1);
            r.Created = s.Text(2);
            r.AppName = s.Text(3);
            r.AppVer = s.Text(4);
            r.Notes = s.Text(5);
            rows.push_back(std::move(r));
        }
        return rows;
    }

    // The store's single connection and the caller's lock already serialise the counting.
    void LockEvents(const std::string&) override {}

    int CountEvents(const std::string& kind, const std::string& key, int64_t since) override {
        TStatement s(FDb, "SELECT COUNT(*) FROM events WHERE kind = ? AND key = ? AND at > ?");
        s.Bind(1, kind).Bind(2, key).Bind(3, since);
        return s.Step() ? s.Int(0) : 0;
    }

    void AddEvent(const std::string& kind, const std::string& key, int64_t at, int64_t forgetBefore) override {
        TStatement(FDb, "DELETE FROM events WHERE at < ?").Bind(1, forgetBefore).Step();
        TStatement(FDb, "INSERT INTO events (kind, key, at) VALUES (?, ?, ?)")
            .Bind(1, kind)
            .Bind(2, key)
            .Bind(3, at)
            .Step();
    }

private:
    sqlite3* FDb = nullptr;

    // After a failure; a failed rollback has nothing better to report than the failure itself.
    void Rollback() noexcept { sqlite3_exec(FDb, "ROLLBACK", nullptr, nullptr, nullptr); }

    void Exec(const std::string& sql) {
        char* error = nullptr;
        if (sqlite3_exec(FDb, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
            const std::string reason = error ? error : "unknown error";
            sqlite3_free(error);
            throw std::runtime_error("SQLite: " + reason);
        }
    }

    static TSystemRow SystemFrom(const TStatement& s, bool withList) {
        TSystemRow r;
        r.Id = s.Int(0);
        r.Nums = s.Int(1);
        r.Olap = s.Int(2);
        r.CSize = s.Int(3);
        r.Title = s.Text(4);
        r.Descr = s.Text(5);
        r.Author = s.Text(6);
        r.Mail = s.Text(7);
        r.MailKey = s.Text(8);
        r.Hwdid = s.Text(9);
        r.Url = s.Text(10);
        r.Created = s.Text(11);
        r.Downloads = s.Int(12);
        r.LastDownload = s.Text(13);
        if (withList) r.Clist = s.Text(14);
        return r;
    }

    static void BindSystem(TStatement& s, const TSystemRow& r) {
        s.Bind(1, r.Nums).Bind(2, r.Olap).Bind(3, r.CSize).Bind(4, r.Title).Bind(5, r.Descr).Bind(6, r.Author);
        s.Bind(7, r.Mail).Bind(8, r.MailKey).Bind(9, r.Hwdid).Bind(10, r.Url).Bind(11, r.Clist).Bind(12, r.Created);
    }

    static TScriptRow ScriptFrom(const TStatement& s) {
        TScriptRow r;
        r.Id = s.Int(0);
        r.Title = s.Text(1);
        r.TitleKey = s.Text(2);
        r.Descr = s.Text(3);
        r.Author = s.Text(4);
        r.Mail = s.Text(5);
        r.MailKey = s.Text(6);
        r.Hwdid = s.Text(7);
        r.AppGuid = s.Text(8);
        r.AppName = s.Text(9);
        r.AppVer = s.Text(10);
        r.Created = s.Text(11);
        r.LastDownload = s.Text(12);
        r.Lcid = s.Int(13);
        r.Universal = s.Int(14);
        r.Public = s.Int(15);
        r.Downloads = s.Int(16);
        return r;
    }

    static void BindScript(TStatement& s, const TScriptRow& r) {
        s.Bind(1, r.Title).Bind(2, r.TitleKey).Bind(3, r.Descr).Bind(4, r.Script).Bind(5, r.Author).Bind(6, r.Mail);
        s.Bind(7, r.MailKey).Bind(8, r.Hwdid).Bind(9, r.AppGuid).Bind(10, r.AppName).Bind(11, r.AppVer);
        s.Bind(12, r.Lcid).Bind(13, r.Universal).Bind(14, r.Public).Bind(15, r.Created);
    }
};

} // namespace

std::unique_ptr<TServerStore> OpenSqliteStore(const std::string& path) {
    return std::make_unique<TSqliteStore>(path);
}

} // namespace zorb::server
