// Storage of zorb-server behind one interface, so the protocol code does not know which database holds the
// catalogues. Texts are stored as the client meant them (escaping undone, Base64 decoded); dates are UTC texts
// "yyyy-mm-dd hh:nn:ss". Calls are serialised by the caller.
#pragma once

#include <cstdint>
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

class TServerStore {
public:
    virtual ~TServerStore() = default;

    // Without the combination lists.
    virtual std::vector<TSystemRow> ListSystems() = 0;
    virtual std::optional<TSystemRow> GetSystem(int id) = 0;
    virtual void CountSystemDownload(int id, const std::string& now) = 0;
    virtual int InsertSystem(const TSystemRow& row) = 0; // the new id
    virtual void UpdateSystem(const TSystemRow& row) = 0;
    virtual void DeleteSystem(int id) = 0;

    // Without the texts; ratings over 1..5 and the user's own value (mailKey may be empty).
    virtual std::vector<TScriptRow> ListScripts(const std::string& mailKey) = 0;
    virtual std::optional<TScriptRow> GetScript(int id) = 0;
    virtual void CountScriptDownload(int id, const std::string& now) = 0;
    // The id holding this title key, 0 when none.
    virtual int FindScriptTitle(const std::string& titleKey) = 0;
    virtual int InsertScript(const TScriptRow& row) = 0;
    virtual void UpdateScript(const TScriptRow& row) = 0;
    virtual void DeleteScript(int id) = 0; // with its ratings

    // rate 0 removes the user's value.
    virtual void SetRate(int scriptId, const std::string& mailKey, int rate, const TRateRow& row) = 0;
    virtual std::vector<TRateRow> ListRates(int scriptId) = 0; // values 1..5, oldest first
};

// Opens (creating or migrating the schema) the SQLite file; raises std::runtime_error when it cannot.
std::unique_ptr<TServerStore> OpenSqliteStore(const std::string& path);
#ifdef ZORB_SERVER_HAVE_PG
// A postgresql:// connection string.
std::unique_ptr<TServerStore> OpenPgStore(const std::string& conninfo);
#endif

} // namespace zorb::server
