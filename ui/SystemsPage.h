// "Системы": the catalogue list lvSystems with its toolbar, and the system dialog TFormSystem with its pages
// «Свойства» and «Покрытие».
#pragma once

#include "app/SystemsController.h"
#include "ui/Page.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTableWidget;
class TSystemsModel;

class TSystemsPage : public TPage, public zorb::TSystemsUi {
    Q_OBJECT
public:
    TSystemsPage(TPageHost& host, QWidget* parent);

    QTableView* View() const { return FView; }
    QString Title() const override;
    void Attach(zorb::TTemplateMain& app) override;
    void LanguageChanged() override;
    void ActionsChanged(bool busy) override;
    void RestoreState(const TStoredSizes& sizes) override;
    void SaveState(zorb::TIniFile& frm, const std::string& section, zorb::TFormSettings& sizes, bool shown) override;

    void SystemsListChanged() override;
    void SystemsTabChanged(bool front) override;
    bool EditSystem(zorb::tSystemData& system, bool readOnly, zorb::TSystemPage page) override;

private:
    void OnSelectionChanged();

    QToolBar* FToolBar = nullptr;
    QTableView* FView = nullptr;
    TSystemsModel* FModel = nullptr;
    bool FSelecting = false;
};

class TFormSystem : public QDialog {
    Q_OBJECT
public:
    TFormSystem(zorb::tSystemData& edited, bool readOnly, zorb::TSystemPage page, zorb::TSystemsController& systems,
                QWidget* parent);
    void accept() override;

    QTabWidget* Pages() const { return FPages; }
    QPlainTextEdit* Combs() const { return FCombs; }
    QTableWidget* CoverageTable() const { return FCoverage; }
    // Normalises the combination field as leaving it does (editable mode only).
    void Normalise();
    void ShowCoverage();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    zorb::TSystemForm Form() const;
    void CombsMenu(const QPoint& at);
    QWidget* FieldWidget(zorb::TSystemField field) const;

    zorb::tSystemData& FData;
    zorb::TSystemsController& FSystems;
    bool FReadOnly;
    bool FDirty = false;
    QTabWidget* FPages = nullptr;
    QLineEdit *FTitle, *FNums, *FCLen, *FOlap, *FCSize, *FAuthor, *FUrl, *FCreated, *FDownloads, *FLastDownload;
    QPlainTextEdit *FDescr, *FCombs;
    QPushButton* FOpenUrl = nullptr;
    QTableWidget* FCoverage = nullptr;
    QLabel* FCoverageNote = nullptr;
};
