#include "app/FormMain.h"
#include "core/Cancel.h"
#include "core/Errors.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/Platform.h"
#include "ui/MainWindow.h"
#include "ui/QtText.h"

#include <QApplication>
#include <QMessageBox>

#include <iostream>

namespace {

// An exception that leaves an event handler would end the program without a word (an allocation failure above
// all): the user is told, and the program goes on.
class TApplication final : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            QMessageBox::critical(nullptr, TrQ("Ошибка"), QS(zorb::ErrorText(e)));
        }
        return false;
    }
};

} // namespace

int main(int argc, char** argv) {
    // The usage needs no window system, so it is printed before Qt starts (the manual page is made from it).
    if (zorb::WantsUsage({argv + 1, argv + argc})) {
        std::cout << zorb::UsageText(zorb::TFormMain::GameFileName);
        return 0;
    }
    TApplication qapp(argc, argv);
    zorb::InitFormatSettingsFromLocale();
    zorb::InstallInterruptHandler();

    // "--dir DIR" chooses the data directory; everything else is a switch of the program.
    std::string dir;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--dir" && i + 1 < argc)
            dir = argv[++i];
        else if (a.rfind("--dir=", 0) == 0)
            dir = a.substr(6);
        else
            args.push_back(a);
    }
    // A double-clicked archive brings its own data directory.
    if (dir.empty()) dir = zorb::ArchiveArgumentDir(args, std::string(zorb::TFormMain::GameFileName) + ".ldr");
    if (dir.empty()) dir = zorb::DefaultDataDir();
    try {
        zorb::ForceDirectories(dir);
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, TrQ("Ошибка"), QS(zorb::ErrorText(e)));
        return 1;
    }

    TMainWindow window;
    zorb::TFormMain app(
        window, {zorb::AbsolutePath(dir), zorb::ExecutableDir(), zorb::ExtractFileName(zorb::ExecutablePath()), args});
    window.Attach(&app);
    app.Create();
    if (app.Terminated()) return 0;
    if (window.StartMaximized())
        window.showMaximized();
    else
        window.show();
    return qapp.exec();
}
