// The OK / Cancel row every dialog ends with, wired to accept and reject.
#pragma once

#include <QString>

class QDialog;
class QDialogButtonBox;

// An empty okText keeps the plain "OK".
QDialogButtonBox* OkCancelButtons(QDialog* dlg, const QString& okText = QString());
