// The dialogs of the main window. Each lives for one call and edits a copy of its data.
#pragma once

#include "app/UserInterface.h"
#include "core/KestoUtils.h"
#include "stats/GameSettings.h"

#include <QDialog>
#include <functional>
#include <string>

class QCheckBox;
class QDateEdit;
class QLineEdit;
class QSpinBox;

// "Данные тиража": number, numbers in the order typed, date.
class TDrawDialog : public QDialog {
    Q_OBJECT
public:
    TDrawDialog(const zorb::TDrawRec& draw, QWidget* parent = nullptr);

    // Checks the fields; on success fills `draw`, otherwise returns the message to show.
    bool TryAccept(zorb::TDrawRec& draw, std::string& error) const;
    const zorb::TDrawRec& Draw() const { return FDraw; }

    QSpinBox* NumberEdit() const { return FNumber; }
    QLineEdit* NumbersEdit() const { return FNumbers; }
    QDateEdit* DateEdit() const { return FDate; }

    void accept() override;

private:
    zorb::TDrawRec FDraw;
    QSpinBox* FNumber;
    QLineEdit* FNumbers;
    QDateEdit* FDate;
};

void ShowAboutDialog(QWidget* parent, const zorb::TAboutInfo& info);

// "Справочная информация"; `runAction` opens help or a link by its action name. Returns the check box state.
bool ShowFirstRunDialog(QWidget* parent, const zorb::TFirstRunInfo& info,
                        const std::function<void(const std::string&)>& runAction);

class QComboBox;
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
