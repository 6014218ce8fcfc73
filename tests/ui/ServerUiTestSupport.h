// For the Qt tests that talk to zorb-server: the server on a fresh SQLite file in the test process, the user's
// identities against it, and a main window whose section ONLINE names it.
#pragma once

#include "../common/TestHttpServer.h"
#include "UiTestSupport.h"
#include "online/OnlineClient.h"
#include "server/ZorbServer.h"
#include "tools/SampleArchive.h"

#include <QCoreApplication>

namespace zorb::test {

inline constexpr const char* OwnHwdid = "0123456789ABCDEF0123456789ABCDEF";

struct TUiTestServer {
    QTemporaryDir Dir;
    std::unique_ptr<server::TZorbServer> Server;
    TTestHttpServer Http; // stopped before the server goes

    TUiTestServer()
        : Server(std::make_unique<server::TZorbServer>(
              server::OpenSqliteStore(JoinPath(Dir.path().toStdString(), "zorb.db")), server::TServerOptions{})) {
        Server->Install(Http.Server());
        Http.Start();
    }

    TOnlineIdentity Who(const std::string& name, const std::string& mail, const std::string& hwdid) const {
        TOnlineIdentity w;
        w.ServerUrl = Http.Url("");
        w.Name = name;
        w.Mail = mail;
        w.Hwdid = hwdid;
        return w;
    }
    // The user of the window StartWindow starts.
    TOnlineIdentity Me() const { return Who("Иван", "ivan@example.org", OwnHwdid); }

    // The main window on eight numbers of my own, signed in as Me(), shown with `page` as the current tab.
    std::unique_ptr<TStarted> StartWindow(const std::function<QWidget*(TMainWindow&)>& page,
                                          std::function<void(const std::string& dir)> extra = {}) const {
        const TOnlineIdentity me = Me();
        TStartFiles files{{{"TFormMain", "AutoUpdates", "0"}}, MyNumbers("1;2;3;4;5;6;7;8"), std::move(extra)};
        files.Ini.push_back({"ONLINE", "ServerUrl", me.ServerUrl});
        files.Ini.push_back({"ONLINE", "UserName", me.Name});
        files.Ini.push_back({"ONLINE", "UserMail", me.Mail});
        files.Ini.push_back({"ONLINE", "InstallationId", me.Hwdid});
        auto s = StartMain(MakeSampleArchive(30), files);
        s->Window.resize(1300, 860);
        s->Window.show();
        s->ShowPage(page(s->Window));
        QCoreApplication::processEvents();
        return s;
    }
};

} // namespace zorb::test
