// A fresh application per test: its own data directory, its own program directory and a scripted interface.
#pragma once

#include "../core/TestFiles.h"
#include "ScriptedUi.h"
#include "app/FormMain.h"
#include "core/FileUtils.h"
#include "core/IniFile.h"

#include <gtest/gtest.h>

#include <memory>

namespace zorb::test {

class AppTest : public testing::Test {
protected:
    TTempDir Data;
    TTempDir Exe;
    TScriptedUi Ui;
    std::unique_ptr<TFormMain> App;

    std::string Archive() const { return Data.File("Zorb_6x52.ldr"); }
    std::string Frm() const { return Data.File("Zorb_6x52.frm"); }
    std::string Ini() const { return Data.File("Zorb_6x52.ini"); }

    void Construct(std::vector<std::string> args = {}, std::string exeName = "Zorb_6x52") {
        App = std::make_unique<TFormMain>(Ui, TAppOptions{Data.Path(), Exe.Path(), exeName, std::move(args)});
    }
    // Both start-up parts, as the window runs them.
    void Start(std::vector<std::string> args = {}) {
        Construct(std::move(args));
        App->Create();
        ASSERT_EQ(Ui.InitTimerStarts, 1);
        App->OnInitTimer();
    }
    void StartWithArchive(const std::string& bytes) {
        WriteRaw(Archive(), bytes);
        Start();
    }
    std::string FrmValue(const std::string& key) const {
        TIniFile ini(Frm());
        ini.Load();
        return ini.ReadString("TFormMain", key, "<missing>");
    }
    std::vector<int> ArchiveNumbers() const {
        std::vector<int> r;
        for (const auto& d : App->Archive().Draws()) r.push_back(d.Draw);
        return r;
    }
    std::vector<int> FileNumbers() const {
        std::vector<int> r;
        for (const auto& d : DecodeRaw(ReadRaw(Archive()))) r.push_back(d.Number);
        return r;
    }
};

// Turns the injected write fault off however the test ends.
struct TWriteFaultGuard {
    explicit TWriteFaultGuard(int64_t after) { InjectWriteFault(after); }
    ~TWriteFaultGuard() { InjectWriteFault(-1); }
};

} // namespace zorb::test
