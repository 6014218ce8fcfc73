// The window that offers a newer build of the program.
#pragma once

#include <string>

class QWidget;

// "Найдена новая версия программы": the versions and the description as plain text; true for "Установить".
bool ShowNewVersionDialog(QWidget* parent, const std::string& currentVersion, const std::string& newVersion,
                          const std::string& description);
