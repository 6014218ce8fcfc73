// Pieces the Qt tests share: pictures of windows, answering modal windows, and a main window started on a
// temporary data directory. Header-only, since every Test*.cpp is an executable of its own.
#pragma once

#include "app/FormMain.h"
#include "core/DrawArchive.h"
#include "core/FileUtils.h"
#include "core/IniFile.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zorb::test {

// How a window is sized before its picture is taken.
enum class TSnapshotSize {
    AsIs, // as the test left it
    Grow, // at least its size hint
    Fit,  // exactly its size hint
};

// Saves a picture of a window when ZORB_SCREENSHOTS names a folder, for looking at the dialogs.
inline void Snapshot(QWidget& w, const char* name, TSnapshotSize size = TSnapshotSize::AsIs) {
    const QByteArray dir = qgetenv("ZORB_SCREENSHOTS");
    if (dir.isEmpty()) return;
    if (size == TSnapshotSize::Grow) w.resize(w.sizeHint().expandedTo(w.size()));
    if (size == TSnapshotSize::Fit) w.adjustSize();
    w.show();
    QCoreApplication::processEvents();
    w.grab().save(QString::fromUtf8(dir) + "/" + name);
}

// Acts on the first modal window `match` accepts once it is up (a question box or a dialog run by an action);
// windows opened on the way, such as the progress window, are waited out.
inline void WhenModal(std::function<bool(QWidget*)> match, std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, match, act] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || !match(w)) return;
        timer->stop();
        timer->deleteLater();
        act(w);
    });
    timer->start();
}

// Acts on the next modal window, whatever it is.
inline void WhenModal(std::function<void(QWidget*)> act) {
    WhenModal([](QWidget*) { return true; }, std::move(act));
}

// Acts on the next modal window of type T.
template <class T> void WhenModalOf(std::function<void(T&)> act) {
    WhenModal([](QWidget* w) { return qobject_cast<T*>(w) != nullptr; },
              [act](QWidget* w) { act(*qobject_cast<T*>(w)); });
}

// Clicks the button of `box` captioned `text`.
inline void Press(QWidget* box, const QString& text) {
    for (QPushButton* b : box->findChildren<QPushButton*>())
        if (b->text() == text) return b->click();
    QFAIL(qPrintable("no button " + text));
}

struct TIniKey {
    std::string Section, Key, Value;
};
using TIniKeys = std::vector<TIniKey>;

// A starting list of "my numbers": it keeps the lists small and the model checker's walk short.
inline TIniKeys MyNumbers(const std::string& numbers) {
    return {{"GLOBAL", "CombsGenerateMode", "2"}, {"GLOBAL", "CombsGenerateParameters", numbers}};
}

// What the data directory holds besides the draws.
struct TStartFiles {
    TIniKeys Frm;                                      // besides the offline start-up
    TIniKeys Ini;                                      // Zorb_6x52.ini is written only when some are given
    std::function<void(const std::string& dir)> Extra; // further files
};

struct TStarted {
    QTemporaryDir Dir;
    TMainWindow Window;
    std::unique_ptr<TFormMain> App;

    // The application goes first: a window still on the screen would ask it for its texts while hiding.
    ~TStarted() { Window.hide(); }

    // The window's page or dialog host of this kind.
    template <class T> T* Part() const { return Window.findChild<T*>(); }

    static QTabWidget* TabsOf(QWidget* page) { return qobject_cast<QTabWidget*>(page->parentWidget()->parentWidget()); }
    void ShowPage(QWidget* page) {
        if (QTabWidget* tabs = TabsOf(page)) tabs->setCurrentWidget(page);
    }
};

// The main window wired to the application on a fresh data directory with `draws` as its archive.
inline std::unique_ptr<TStarted> StartMain(const TDrawsArray& draws, const TStartFiles& files = {}) {
    auto s = std::make_unique<TStarted>();
    const std::string dir = s->Dir.path().toStdString();
    SaveDrawsFile(JoinPath(dir, "Zorb_6x52.ldr"), draws);
    {
        // No start-up download question: the tests run offline.
        TIniFile frm(JoinPath(dir, "Zorb_6x52.frm"));
        frm.WriteInteger("TFormMain", "DownloadDrawsOnStart", 2);
        for (const TIniKey& k : files.Frm) frm.WriteString(k.Section, k.Key, k.Value);
        frm.Save();
    }
    if (!files.Ini.empty()) {
        TIniFile ini(JoinPath(dir, "Zorb_6x52.ini"));
        for (const TIniKey& k : files.Ini) ini.WriteString(k.Section, k.Key, k.Value);
        ini.Save();
    }
    if (files.Extra) files.Extra(dir);
    s->App = std::make_unique<TFormMain>(s->Window, TAppOptions{dir, dir, "zorb-ui-test-none", {}});
    s->Window.Attach(s->App.get());
    s->App->Create();
    s->App->OnInitTimer();
    return s;
}

} // namespace zorb::test
