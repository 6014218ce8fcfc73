// "Параметры системы" and "Методы шинковки": each edits a copy of the settings and hands it back on OK.
#pragma once

#include "app/OnlineIdentity.h"
#include "net/Http.h"
#include "stats/GameSettings.h"

#include <QDialog>
#include <array>
#include <functional>

class QCheckBox;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTableWidget;

class TConfigDialog : public QDialog {
    Q_OBJECT
public:
    TConfigDialog(const zorb::TConfigData& config, QWidget* parent = nullptr);
    zorb::TConfigData Result() const;
    // The online fields (server, user, update address): shown once given; OK checks them.
    void SetOnline(const zorb::TOnlineFields& fields);
    zorb::TOnlineFields Online() const;
    void accept() override;

    QSpinBox* MatrixCols() const { return FMatrixCols; }
    QSpinBox* ChannelSize() const { return FChannelSize; }
    QTableWidget* SegmentGrid() const { return FSegments; }
    QTableWidget* PrizeTable() const { return FPrizes; }
    QDoubleSpinBox* CostEdit() const { return FCost; }
    // The segment shown for a number, as the grid holds it.
    int SegmentOf(int number) const { return FSegmentValues[static_cast<size_t>(number - 1)]; }
    // How a rejected segment entry is reported; a message box unless replaced.
    std::function<void(const QString&)> ShowError;

private:
    void LayoutSegments();
    void OnSegmentEdited(int row, int column);

    zorb::TConfigData FConfig;
    std::array<uint8_t, 52> FSegmentValues;
    QSpinBox* FMatrixCols;
    QLabel* FMatrixRows;
    QSpinBox* FChannelSize;
    QDoubleSpinBox* FCost;
    QSpinBox* FMaxStake;
    QTableWidget* FPrizes;
    QDoubleSpinBox* FCount;
    QDoubleSpinBox* FDeviation;
    QDoubleSpinBox* FLevel;
    QCheckBox* FUsePercents;
    QCheckBox* FUseAbsValues;
    QLineEdit* FResultsUrl;
    QGroupBox* FOnline = nullptr;
    QLineEdit *FServerUrl = nullptr, *FUserName = nullptr, *FUserMail = nullptr, *FUpdateUrl = nullptr;
    QTableWidget* FSegments;
    bool FFilling = false;
};

// "Параметры proxy-сервера".
bool ShowProxyDialog(QWidget* parent, zorb::TProxy& proxy);

class TShreddingDialog : public QDialog {
    Q_OBJECT
public:
    TShreddingDialog(const zorb::TShreddingData& shredding, QWidget* parent = nullptr);
    zorb::TShreddingData Result() const;
    // OK compiles the three formulas; one that does not compile keeps the dialog open with the reason.
    void accept() override;

private:
    std::array<QLineEdit*, 3> FFormulas;
    std::array<QSpinBox*, 3> FDigits;
};
