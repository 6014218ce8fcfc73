// The window that offers a newer build of the program, and the self-update's share of the main window.
#pragma once

#include "app/UpdateController.h"
#include "ui/Page.h"

#include <string>

class QWidget;

// "Найдена новая версия программы": the versions and the description as plain text; true for "Установить".
bool ShowNewVersionDialog(QWidget* parent, const std::string& currentVersion, const std::string& newVersion,
                          const std::string& description);

class TUpdateHost : public TDialogHost, public zorb::TUpdateUi {
    Q_OBJECT
public:
    using TDialogHost::TDialogHost;
    bool OfferUpdate(const std::string& currentVersion, const std::string& newVersion,
                     const std::string& description) override;
};
