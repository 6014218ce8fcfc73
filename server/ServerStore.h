// Storage of zorb-server behind one interface, so the protocol code does not know which database holds the
// catalogues. Texts are stored as the client meant them (escaping undone, Base64 decoded); dates are UTC texts
// "yyyy-mm-dd hh:nn:ss". Calls are serialised by the caller and made inside Transaction.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zorb::server {

struct TSystemRow {
    int Id = 0;
    int Nums = 0, Olap = 0, CSize = 0;
    std::string Title, Descr, Author, Mail, MailKey, Hwdid, Url, Clist, Created, LastDownload;
    int Downloads = 0;
};

struct TScriptRow {
    int Id = 0;
    std::string Title, TitleKey, Descr, Script, Author, Mail, MailKey, Hwdid, AppGuid, AppName, AppVer, Created,
        LastDownload;
    int Lcid = 0, Universal = 0, Public = 0, Downloads = 0;
    // Filled by listing for the asking user.
    double RatingAvg = 0;
    int RatingCount = 0, MyRating = 0;
};

struct TRateRow {
    std::string Name, Created, AppName, AppVer, Notes;
    int Rate = 0;
};

// Who a rating or a hidden mark belongs to: the e-mail (lower case) together with the installation id, so
// knowing someone's e-mail reaches nothing of theirs.
struct TRater {
    std::string MailKey, Hwdid;
};

class TServerStore {
public:
    virtual ~TServerStore() = default;

    // Runs `body` as one transaction: everything it stored stays, or nothing when it raises. A write transaction
    // takes the write lock at its start. When the database connection breaks before the commit is sent, it is
    // opened again and `body` run once more, so `body` must start from scratch each time. Failures raise
    // std::runtime_error; the commit's outcome is never guessed at.
    virtual void Transaction(bool write, const std::function<void()>& body) = 0;

    // Without the combination lists.
    virtual std::vector<TSystemRow> ListSystems() = 0;
    virtual std::optional<TSystemRow> GetSystem(int id) = 0;
    virtual void CountSystemDownload(int id, const std::string& now) = 0;
    virtual int InsertSystem(const TSystemRow& row) = 0; // the new id
    virtual void UpdateSystem(const TSystemRow& row) = 0;
    virtual void DeleteSystem(int id) = 0;

    // Without the texts; ratings over 1..5 and the asking user's own value (0 for nobody).
    virtual std::vector<TScriptRow> ListScripts(const TRater& asking) = 0;
    virtual std::optional<TScriptRow> GetScript(int id) = 0;
    virtual void CountScriptDownload(int id, const std::string& now) = 0;
    // The id holding this title key, 0 when none.
    virtual int FindScriptTitle(const std::string& titleKey) = 0;
    virtual int InsertScript(const TScriptRow& row) = 0;
    virtual void UpdateScript(const TScriptRow& row) = 0;
    virtual void DeleteScript(int id) = 0; // with its ratings

    // rate 0 removes the rater's value.
    virtual void SetRate(int scriptId, const TRater& rater, int rate, const TRateRow& row) = 0;
    // The e-mails (lower case) whose ratings 1..5 of the scenario came from this installation.
    virtual std::vector<std::string> RatingMails(int scriptId, const std::string& hwdid) = 0;
    virtual std::vector<TRateRow> ListRates(int scriptId) = 0; // values 1..5, oldest first

    // Counters of accepted writes for the hourly limits, shared by every server on the database. LockEvents
    // keeps other servers from counting the same kind until this transaction ends, so a check and its AddEvent
    // cannot interleave with theirs.
    virtual void LockEvents(const std::string& kind) = 0;
    virtual int CountEvents(const std::string& kind, const std::string& key, int64_t since) = 0;
    // Also forgets events older than `forgetBefore`.
    virtual void AddEvent(const std::string& kind, const std::string& key, int64_t at, int64_t forgetBefore) = 0;
};

// Opens (creating or migrating the schema) the SQLite file; raises std::runtime_error when it cannot.
std::unique_ptr<TServerStore> OpenSqliteStore(const std::string& path);
// A libpq connection string (postgresql:// URI or "host=... dbname=..."); raises std::runtime_error.
std::unique_ptr<TServerStore> OpenPgStore(const std::string& conninfo);

// What a --db value names.
enum class TStoreKind { Sqlite, Postgres, Invalid };
// A PostgreSQL URI or keyword string, else a file path; `why` says what is wrong with an invalid one.
TStoreKind ClassifyDb(const std::string& value, std::string& why);

} // namespace zorb::server
