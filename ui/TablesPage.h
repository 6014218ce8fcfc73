// "Регуляры": the regular tables, the dialog that adds one and the count of a tables test.
#pragma once

#include "app/TablesController.h"
#include "ui/Page.h"

class QTableView;
class QToolBar;
class TGridTextModel;

class TTablesPage : public TPage, public zorb::TTablesUi {
    Q_OBJECT
public:
    TTablesPage(TPageHost& host, QWidget* parent);
    QString Title() const override;
    void Attach(zorb::TTemplateMain& app) override;
    void LanguageChanged() override;
    QTableView* View() const { return FView; }

    void TablesViewChanged(size_t count) override;
    void TablesTabChanged(bool shown) override;
    bool EditTable(zorb::TTableDialogData& table,
                   const std::function<std::string(const zorb::TTableDialogData&, bool&)>& check) override;
    bool AskTablesTestCount(int& count, int maxCount) override;

private:
    void OnSelection();
    void ContextMenu(const QPoint& at);

    QToolBar* FToolBar = nullptr;
    QTableView* FView = nullptr;
    TGridTextModel* FModel = nullptr;
};
