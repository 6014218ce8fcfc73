// The update verbs: update check/apply/crc.
#include "cli/CliCommand.h"

#include "app/TemplateMain.h"
#include "cli/CliInterface.h"
#include "core/Cancel.h"
#include "core/Errors.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"

#include <CLI/CLI.hpp>
#include <ostream>

namespace zorb {

namespace {

class TUpdateCommand : public TCliCommand {
public:
    const char* Name() const override { return "update"; }

    void Setup(CLI::App& cli) override {
        CLI::App* update = cli.add_subcommand(Name(), "Обновление программы");
        update->require_subcommand(1);
        CLI::App* check =
            AddVerb(*update, "check", "Поиск обновлений", TCliAccess::Reads, [this](TCliRun& r) { return Check(r); });
        CLI::App* apply = AddVerb(*update, "apply", "Установить обновление без вопросов", TCliAccess::Reads,
                                  [this](TCliRun& r) { return Apply(r); });
        for (CLI::App* verb : {check, apply}) {
            verb->add_option("--descriptor", FRun.DescriptorUrl, "Описание обновлений: адрес http(s) или файл");
            verb->add_option("--install-dir", FRun.InstallDir, "Каталог программы (по умолчанию каталог zorb-cli)");
        }
        apply->add_option("--public-key", FKeyFile, "Открытый ключ Ed25519 (PEM) вместо встроенного")
            ->check(CLI::ExistingFile);
        CLI::App* crc = AddVerb(*update, "crc", "Контрольная сумма CRC-32 файла", TCliAccess::Reads,
                                [this](TCliRun& r) { return Crc(r); });
        crc->add_option("FILE", FCrcFile, "Файл")->required();
    }

private:
    TUpdateRunOptions FRun;
    std::string FKeyFile, FCrcFile;

    bool Check(TCliRun& r) const {
        TUpdateController& updates = r.App.Updates();
        updates.SetRunOptions(FRun);
        r.Out << Tr("Текущая версия программы:") << ' ' << ProgramVersion() << '\n';
        TUpdateOffer offer;
        try {
            TCancellableScope cancellable;
            offer = TSelfUpdater(updates.UpdaterOptions()).Check();
        } catch (const std::exception& e) {
            r.Err << MessageLines(Format(Tr("Ошибка поиска обновлений!\r\r%s"), ErrorText(e))) << '\n';
            return false;
        }
        if (!offer.Available) {
            r.Out << Tr("Обновлений не найдено!") << '\n';
            return true;
        }
        r.Out << Tr("Новая версия программы:") << ' ' << offer.Descriptor.VerId << '\n'
              << Tr("Описание версии:") << '\n'
              << offer.Description << '\n';
        return true;
    }

    bool Apply(TCliRun& r) const {
        TUpdateRunOptions run = FRun;
        if (!FKeyFile.empty()) {
            try {
                run.PublicKeyPem = ReadFileBytes(FKeyFile);
            } catch (const std::exception& e) {
                r.Err << MessageLines(ErrorText(e)) << '\n';
                return false;
            }
        }
        r.App.Updates().SetRunOptions(run);
        return r.App.Updates().CheckForUpdate(false, true) != 2;
    }

    bool Crc(TCliRun& r) const {
        try {
            r.Out << FileCrc32Text(FCrcFile) << '\n';
            return true;
        } catch (const std::exception& e) {
            r.Err << MessageLines(ErrorText(e)) << '\n';
            return false;
        }
    }
};

} // namespace

std::unique_ptr<TCliCommand> MakeUpdateCommand() {
    return std::make_unique<TUpdateCommand>();
}

} // namespace zorb
