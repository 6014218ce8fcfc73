// The window's own dialogs: about the program and the first start's help window.
#pragma once

#include "app/UserInterface.h"

#include <functional>
#include <string>

class QWidget;

void ShowAboutDialog(QWidget* parent, const zorb::TAboutInfo& info);

// "Справочная информация"; `runAction` opens help or a link by its action name. Returns the check box state.
bool ShowFirstRunDialog(QWidget* parent, const zorb::TFirstRunInfo& info,
                        const std::function<void(const std::string&)>& runAction);
