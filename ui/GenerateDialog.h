// The dialog that makes a new combination list. It lives for one call and edits a copy of its settings.
#pragma once

#include "stats/GameSettings.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

// "Создание нового списка комбинаций": mode, my numbers or a file, and whether to keep them as the default.
class TGenerateDialog : public QDialog {
    Q_OBJECT
public:
    TGenerateDialog(const zorb::TGenerateSettings& params, QWidget* parent = nullptr);
    zorb::TGenerateSettings Result() const;
    bool SaveAsDefault() const;

    QComboBox* ModeBox() const { return FMode; }
    QLineEdit* ParamsEdit() const { return FParams; }
    QPushButton* BrowseButton() const { return FBrowse; }

private:
    void UpdateControls();

    QComboBox* FMode;
    QLineEdit* FParams;
    QPushButton* FBrowse;
    QCheckBox* FSaveDefault;
};
