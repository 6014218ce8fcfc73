// "Фильтр" (one filter description), the favourites manager and the method description window.
#pragma once

#include "app/FavoritesEditor.h"
#include "app/FilterDialog.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QSpinBox;
class QTreeWidget;

class TFilterDialog : public QDialog {
    Q_OBJECT
public:
    TFilterDialog(const zorb::TFilterItem& item, const zorb::TFilterDialogContext& context, QWidget* parent = nullptr);
    // The dialog's values as an item (Defined, the method of the chosen line).
    zorb::TFilterItem Result() const;
    // Runs the checks of OK; on a failure reports it, focuses the field and returns false.
    bool TryAccept();
    void accept() override;

    std::function<void(const QString&)> ShowError;
    QComboBox* MethodBox() const { return FMethod; }
    QLineEdit* LengthsEdit() const { return FLengths; }
    QCheckBox* MultiBox() const { return FMulti; }
    QComboBox* ModeBox() const { return FMode; }
    QLineEdit* ValuesEdit() const { return FValues; }
    QComboBox* StopBox() const { return FStop; }
    QSpinBox* StopValueEdit() const { return FStopValue; }
    QCheckBox* OwnWeightsBox() const { return FOwnWeights; }
    QDoubleSpinBox* WeightCountEdit() const { return FWeightCount; }

private:
    void UpdateEnabling();

    const zorb::TFilterDialogContext& FContext;
    zorb::TFilterItem FItem;
    QComboBox* FMethod;
    QLineEdit* FLengths;
    QCheckBox* FMulti;
    QComboBox* FMode;
    QLineEdit* FValues;
    QComboBox* FStop;
    QSpinBox* FStopValue;
    QComboBox* FSort;
    QComboBox* FDirection;
    QComboBox* FFilterMode;
    QCheckBox* FOwnWeights;
    QDoubleSpinBox* FWeightCount;
    QDoubleSpinBox* FWeightDeviation;
    QDoubleSpinBox* FWeightLevel;
    QCheckBox* FWeightPercents;
    QCheckBox* FWeightAbs;
};

class TFavoritesDialog : public QDialog {
    Q_OBJECT
public:
    // `showInfo` opens the description of a registry entry.
    TFavoritesDialog(zorb::TFavoritesEditor& editor, std::function<void(int)> showInfo, QWidget* parent = nullptr);
    QTreeWidget* Tree() const { return FTree; }
    void accept() override;

private:
    void Fill();
    bool SelectedNode(size_t& group, size_t& node, bool& isGroup) const;
    void ReadMarks();
    void UpdateActions();

    zorb::TFavoritesEditor& FEditor;
    std::function<void(int)> FShowInfo;
    QTreeWidget* FTree;
    QCheckBox* FOrdered;
    QCheckBox* FGroupNames;
    QCheckBox* FFlags;
    QList<QAction*> FNodeActions, FEntryActions;
};

void ShowMethodHelpWindow(QWidget* parent, const QString& title, const QString& html);
