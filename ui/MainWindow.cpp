#include "ui/MainWindow.h"

#include "app/TemplateMain.h"
#include "core/Format.h"
#include "core/IniFile.h"
#include "core/TextUtils.h"
#include "ui/CombsPage.h"
#include "ui/Dialogs.h"
#include "ui/DrawsPage.h"
#include "ui/ExportDialogs.h"
#include "ui/LibraryPanel.h"
#include "ui/QtText.h"
#include "ui/RatingsPage.h"
#include "ui/ScenarioPage.h"
#include "ui/StakesPage.h"
#include "ui/StatsPage.h"
#include "ui/SystemsPage.h"
#include "ui/TablesPage.h"
#include "ui/UpdateDialogs.h"
#include "ui/ViewsPage.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QTranslator>
#include <QUrl>
#include <map>

using namespace zorb;

namespace {
constexpr int DefaultLeftPanelWidth = 460;

QMessageBox::Icon BoxIcon(TMsgBox box) {
    switch (box) {
    case TMsgBox::Error: return QMessageBox::Critical;
    case TMsgBox::Info: return QMessageBox::Information;
    case TMsgBox::Attention:
    case TMsgBox::Warning: return QMessageBox::Warning;
    case TMsgBox::Confirm: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

// "left,top,right,bottom"
bool ParseRect(const std::string& text, QRect& rect) {
    auto parts = SplitKeepEmpty(text, ',');
    if (parts.size() != 4) return false;
    int32_t v[4];
    for (int i = 0; i < 4; ++i)
        if (!TryStrToInt(Trim(parts[static_cast<size_t>(i)]), v[i]) || std::abs(v[i]) > MaxStoredPixels) return false;
    if (v[2] <= v[0] || v[3] <= v[1]) return false;
    rect = QRect(QPoint(v[0], v[1]), QPoint(v[2] - 1, v[3] - 1));
    return true;
}

// A stored placement is used only when the window fits the working area and its top edge, where the title bar
// is taken hold of, lies inside it over a fair width.
bool PlacementReachable(const QRect& rect, const QRect& area) {
    constexpr int Grip = 64;
    if (rect.width() > area.width() || rect.height() > area.height()) return false;
    if (rect.top() < area.top() || rect.top() > area.bottom() - Grip) return false;
    return std::min(rect.right(), area.right()) - std::max(rect.left(), area.left()) >= Grip;
}

std::string RectText(const QRect& r) {
    return Format("%d,%d,%d,%d", r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
}
} // namespace

QSize TMainWindow::FirstStartSize(const QRect& area) {
    // Every tab of the main page control fits from a 1366 x 768 screen up; larger screens get a window of a
    // comfortable size rather than all of it. The allowance leaves room for a window manager's frame and panel.
    return QSize(std::clamp(area.width() - 16, 640, 1600), std::clamp(area.height() - 48, 480, 1000));
}

TMainWindow::TMainWindow() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1366, 768);
    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, FirstStartSize(area), area));
    FSplitter = new QSplitter(Qt::Horizontal, this);
    FLeftPages = new QTabWidget(FSplitter);
    FMainPages = new QTabWidget(FSplitter);
    FSplitter->setStretchFactor(0, 0);
    FSplitter->setStretchFactor(1, 1);
    setCentralWidget(FSplitter);

    // One line per subsystem, in tab order.
    Add(new TDrawsPage(*this, FLeftPages), FLeftPages);
    Add(new TCombsPage(*this, FLeftPages), FLeftPages);
    Add(new TStatsPage(*this, FMainPages), FMainPages);
    AddHost(new TViewsHost(*this, FMainPages));
    Add(new TStakesPage(*this, FMainPages), FMainPages);
    Add(new TRatingsPage(*this, FMainPages), FMainPages);
    Add(new TTablesPage(*this, FMainPages), FMainPages);
    const TScenarioPage* scenario = Add(new TScenarioPage(*this, FMainPages), FMainPages);
    Add(TLibraryPanel::Install(*this, scenario->View()), nullptr);
    Add(new TSystemsPage(*this, FMainPages), FMainPages);
    AddHost(new TExportHost(this));
    AddHost(new TUpdateHost(this));

    auto* bar = statusBar();
    bar->setSizeGripEnabled(true);
    const int widths[6] = {170, 180, 150, 160, 110, 110};
    for (int i = 0; i < 7; ++i) {
        if (i == 2)
            for (const TPage* page : FPages)
                if (QWidget* panel = page->StatusPanel()) bar->addWidget(panel);
        FPanels[static_cast<size_t>(i)] = new QLabel(bar);
        FPanels[static_cast<size_t>(i)]->setObjectName(QString("panel%1").arg(i));
        FPanels[static_cast<size_t>(i)]->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        if (i < 6) {
            FPanels[static_cast<size_t>(i)]->setMinimumWidth(widths[i]);
            bar->addWidget(FPanels[static_cast<size_t>(i)]);
        } else {
            bar->addWidget(FPanels[static_cast<size_t>(i)], 1);
        }
    }
}

TMainWindow::~TMainWindow() = default;

void TMainWindow::AddPage(TPage* page, QTabWidget* tabs) {
    if (tabs) tabs->addTab(page, QString());
    FPages.push_back(page);
    if (auto* part = dynamic_cast<TUiPart*>(page)) FParts.push_back(part);
}

void TMainWindow::AddHost(TDialogHost* host) {
    FHosts.push_back(host);
    if (auto* part = dynamic_cast<TUiPart*>(host)) FParts.push_back(part);
}

void TMainWindow::Attach(TTemplateMain* app) {
    FApp = app;
    for (TPage* page : FPages) page->Attach(*app);
    for (TDialogHost* host : FHosts) host->Attach(*app);
    connect(FMainPages, &QTabWidget::currentChanged, this, [this] {
        if (FApp) FApp->RefreshViews(false);
    });
}

void TMainWindow::SetRunning(bool running) {
    for (TPage* page : FPages)
        if (page->DrivenByScenarios()) page->setEnabled(!running);
}

QAction* TMainWindow::ActionByName(const std::string& name) const {
    auto it = FActions.find(name);
    return it == FActions.end() ? nullptr : it->second;
}

QString TMainWindow::PanelText(int panel) const {
    return panel >= 0 && panel < 7 ? FPanels[static_cast<size_t>(panel)]->text() : QString();
}

// --- Actions and menus ------------------------------------------------------------------------------------------

void TMainWindow::RunAction(const std::string& name) {
    if (FApp) FApp->Execute(name);
    ActionsChanged();
}

void TMainWindow::BuildActions() {
    for (auto& [name, action] : FActions) {
        removeAction(action);
        action->deleteLater();
    }
    FActions.clear();
    for (auto& [name, group] : FGroups) group->deleteLater();
    FGroups.clear();
    // Keys are unique in the window except where several lists each give one to their own action.
    std::map<QKeySequence, int> keyUses;
    for (const TAction& a : FApp->Actions())
        if (!a.Shortcut.empty()) ++keyUses[QKeySequence(QString::fromStdString(a.Shortcut))];
    for (const TAction& a : FApp->Actions()) {
        auto* qa = new QAction(QS(a.Caption), this);
        qa->setObjectName(QString::fromStdString(a.Name));
        qa->setStatusTip(QS(a.Hint));
        qa->setToolTip(QS(a.Hint.empty() ? a.Caption : a.Hint));
        if (!a.Shortcut.empty()) qa->setShortcut(QKeySequence(QString::fromStdString(a.Shortcut)));
        if (a.Checked) qa->setCheckable(true);
        if (!a.RadioGroup.empty()) {
            QActionGroup*& group = FGroups[a.RadioGroup];
            if (!group) {
                group = new QActionGroup(this);
                group->setExclusive(true);
            }
            group->addAction(qa);
        }
        std::string name = a.Name;
        connect(qa, &QAction::triggered, this, [this, name] { RunAction(name); });
        // A shared key works only in its own list; other shortcuts work anywhere in the window.
        const bool shared = !a.Shortcut.empty() && keyUses[qa->shortcut()] > 1;
        QWidget* scope = a.Scope.empty() || !shared ? nullptr : findChild<QWidget*>(QString::fromStdString(a.Scope));
        if (scope) {
            qa->setShortcutContext(Qt::WidgetWithChildrenShortcut);
            scope->addAction(qa);
        } else {
            addAction(qa);
        }
        FActions[a.Name] = qa;
    }
}

void TMainWindow::FillMenu(QMenu* menu, const std::vector<TMenuItem>& items) {
    for (const TMenuItem& item : items) {
        if (!item.Submenu.empty()) {
            FillMenu(menu->addMenu(QS(item.Submenu)), item.Items);
        } else if (item.Action.empty()) {
            menu->addSeparator();
        } else if (QAction* a = ActionByName(item.Action)) {
            menu->addAction(a);
        }
    }
}

void TMainWindow::LanguageChanged() {
    if (!FApp) return;
    LoadQtTranslation(FApp->Language());
    BuildActions();
    menuBar()->clear();
    for (const TMenu& m : FApp->Menus()) FillMenu(menuBar()->addMenu(QS(m.Caption)), m.Items);
    for (TPage* page : FPages) page->LanguageChanged();
    for (QTabWidget* tabs : {FLeftPages, FMainPages})
        for (int i = 0; i < tabs->count(); ++i)
            if (auto* page = qobject_cast<TPage*>(tabs->widget(i))) tabs->setTabText(i, page->Title());
    ActionsChanged();
}

void TMainWindow::LoadQtTranslation(int lcid) {
    // Qt's own dialogs and buttons (file dialogs, input dialogs, OK/Cancel) speak the interface language too,
    // from the translations Qt installs beside itself.
    if (FQtTranslator) {
        QCoreApplication::removeTranslator(FQtTranslator);
        delete FQtTranslator;
        FQtTranslator = nullptr;
    }
    const TLanguageInfo* language = FindLanguage(lcid);
    const QLocale locale(QLocale::codeToLanguage(QString(language ? language->IsoCode : "RUS").toLower()));
    auto* translator = new QTranslator(this);
    if (translator->load(locale, "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator);
        FQtTranslator = translator;
    } else {
        delete translator;
    }
}

void TMainWindow::ActionsChanged() {
    if (!FApp) return;
    for (const TAction& a : FApp->Actions()) {
        QAction* qa = ActionByName(a.Name);
        if (!qa) continue;
        qa->setEnabled(FApp->ActionEnabled(a));
        if (a.Checked) qa->setChecked(a.Checked());
    }
    for (TPage* page : FPages) page->ActionsChanged(FApp->Busy());
}

// --- Dialogs, progress, files and clipboard ---------------------------------------------------------------------

void TMainWindow::ProgressOpen(const std::string& text, int steps, bool stopButton) {
    FProgressStop = false;
    // No steps: a busy indicator for work whose length is unknown (a download).
    FProgress = new QProgressDialog(text.empty() ? TrQ("Подождите пожалуйста...") : QString::fromStdString(text),
                                    QString(), 0, std::max(steps, 0), this);
    FProgress->setWindowTitle(windowTitle());
    FProgress->setMinimumDuration(0);
    FProgress->setAutoClose(false);
    FProgress->setAutoReset(false);
    if (stopButton) {
        // The button only records the request; the operation stops at its next check point.
        auto* cancel = new QPushButton(TrQ("Отмена"));
        cancel->setToolTip(TrQ("Прервать операцию"));
        FProgress->setCancelButton(cancel);
    } else {
        FProgress->setCancelButton(nullptr);
    }
    connect(FProgress, &QProgressDialog::canceled, this, [this] { FProgressStop = true; });
    FProgress->show();
    FProgress->raise();
    QCoreApplication::processEvents();
}

void TMainWindow::ProgressSetText(const std::string& text) {
    if (!FProgress) return;
    FProgress->setLabelText(QString::fromStdString(text));
    QCoreApplication::processEvents();
}

void TMainWindow::ProgressStep(int steps) {
    if (!FProgress) return;
    // A fresh dialog reports -1 until its first value.
    FProgress->setValue(std::min(std::max(FProgress->value(), 0) + steps, FProgress->maximum()));
    QCoreApplication::processEvents();
}

void TMainWindow::ProgressClose() {
    delete FProgress;
    FProgress = nullptr;
}

bool TMainWindow::ProgressStopRequested() {
    return FProgressStop;
}

namespace {
// "Описание (*.lcv)|*.lcv" as a Qt file-dialog filter.
QString QtFilter(const std::string& filter) {
    return QString::fromStdString(filter).section('|', 0, 0);
}
} // namespace

std::string TMainWindow::OpenFileName(const std::string& filter, const std::string& defaultExt) {
    QFileDialog dlg(this);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setNameFilter(QtFilter(filter));
    dlg.setDefaultSuffix(QString::fromStdString(defaultExt));
    return dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty() ? StdS(dlg.selectedFiles().front()) : "";
}

std::string TMainWindow::SaveFileName(const std::string& filter, const std::string& defaultExt) {
    QFileDialog dlg(this);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setNameFilter(QtFilter(filter));
    dlg.setDefaultSuffix(QString::fromStdString(defaultExt));
    return dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty() ? StdS(dlg.selectedFiles().front()) : "";
}

bool TMainWindow::ClipboardHasText() {
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    return mime && mime->hasText();
}

std::string TMainWindow::ClipboardText() {
    return StdS(QGuiApplication::clipboard()->text());
}

void TMainWindow::SetClipboardText(const std::string& text) {
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

// --- Messages and status line ---------------------------------------------------------------------------------

void TMainWindow::ShowMessage(TMsgBox box, const std::string& text) {
    QMessageBox mb(BoxIcon(box), QS(MsgBoxCaption(box)), QS(text), QMessageBox::Ok, isVisible() ? this : nullptr);
    mb.exec();
}

bool TMainWindow::AskYesNo(TMsgBox box, const std::string& text) {
    QMessageBox mb(BoxIcon(box), QS(MsgBoxCaption(box)), QS(text), QMessageBox::Yes | QMessageBox::No,
                   isVisible() ? this : nullptr);
    mb.button(QMessageBox::Yes)->setText(TrQ("Да"));
    mb.button(QMessageBox::No)->setText(TrQ("Нет"));
    mb.setDefaultButton(QMessageBox::No);
    return mb.exec() == QMessageBox::Yes;
}

void TMainWindow::SetStatusPanel(int panel, const std::string& text) {
    if (panel < 0 || panel > 5) return;
    FPanels[static_cast<size_t>(panel)]->setText(QString::fromStdString(text));
    // The hidden draw's numbers exist only with an offset; without one the panel leaves its room to the notes.
    if (panel == 2) FPanels[2]->setVisible(!text.empty());
}

void TMainWindow::SetProgressText(const std::string& text) {
    // A text set while the program is idle is a note: it stays until the next progress text, and hints of the
    // controls under the mouse only cover it for as long as they are shown.
    const bool note = FApp && !FApp->Busy() && !text.empty();
    FNote = note ? text : std::string();
    FProgressText = note ? std::string() : text;
    FPanels[6]->setStyleSheet(note ? "QLabel { color: #a00000; }" : "");
    FPanels[6]->setToolTip(QString::fromStdString(FNote)); // whole, when the panel cuts it
    FPanels[6]->setText(QString::fromStdString(text));
    FPanels[6]->repaint();
}

void TMainWindow::SetBusyCursor(bool busy) {
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void TMainWindow::ProcessEvents() {
    QCoreApplication::processEvents();
}

void TMainWindow::SetCaption(const std::string& caption) {
    setWindowTitle(QString::fromStdString(caption));
    QApplication::setApplicationDisplayName(QString());
}

bool TMainWindow::event(QEvent* e) {
    if (e->type() == QEvent::StatusTip) {
        // Panel 6 is the progress text while busy and the hint of whatever is under the mouse otherwise.
        if (FApp && !FApp->Busy() && FProgressText.empty()) {
            const QString tip = static_cast<QStatusTipEvent*>(e)->tip();
            FPanels[6]->setText(tip.isEmpty() ? QString::fromStdString(FNote) : tip);
            FPanels[6]->setStyleSheet(tip.isEmpty() && !FNote.empty() ? "QLabel { color: #a00000; }" : "");
        }
        return true;
    }
    return QMainWindow::event(e);
}

// --- Dialogs and platform ---------------------------------------------------------------------------------------

void TMainWindow::ShowAbout(const TAboutInfo& info) {
    ShowAboutDialog(this, info);
}

bool TMainWindow::ShowFirstRun(const TFirstRunInfo& info) {
    return ShowFirstRunDialog(this, info, [this](const std::string& name) { RunAction(name); });
}

void TMainWindow::OpenUrl(const std::string& url) {
    QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

void TMainWindow::OpenDocument(const std::string& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

void TMainWindow::StartInitTimer() {
    QTimer::singleShot(100, this, [this] {
        if (FApp) FApp->OnInitTimer();
        ActionsChanged();
    });
}

void TMainWindow::RequestClose() {
    QTimer::singleShot(0, this, [this] {
        close();
        if (!isVisible()) QCoreApplication::quit();
    });
}

void TMainWindow::closeEvent(QCloseEvent* event) {
    if (FApp && FApp->Scenarios().Running()) {
        // Closing asks the run to stop; the window closes when asked again after it has unwound.
        FApp->Scenarios().RequestStop(false);
        event->ignore();
        return;
    }
    if (FApp && !FClosed) {
        FClosed = true;
        FApp->Shutdown();
    }
    event->accept();
}

void TMainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (FShown) return;
    FShown = true;
    int left = FLeftPanelWidth > 0 ? FLeftPanelWidth : DefaultLeftPanelWidth;
    FSplitter->setSizes({left, std::max(width() - left, 100)});
}

// --- Window placement and column widths ------------------------------------------------------------------------

void TMainWindow::RestoreWindowState(const TIniFile& frm, const std::string& section) {
    QScreen* screen = QGuiApplication::primaryScreen();
    // Sizes a hand-edited file puts out of the screen's reach keep the designed ones.
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, MaxStoredPixels, MaxStoredPixels);
    const int maxWidth = std::max(area.width(), 1), maxHeight = std::max(area.height(), 1);
    const TStoredSizes sizes{frm, section, maxWidth, maxHeight};
    if (screen && frm.ReadInteger(section, "PixelsPerInch", -1, 1, 10000) == qRound(screen->logicalDotsPerInchY())) {
        const QSize size = screen->size();
        std::string pos = frm.ReadString(section, Format("NormPos_%dx%d", size.width(), size.height()), "");
        if (pos.empty()) pos = frm.ReadString(section, "NormPos", "");
        QRect rect;
        if (ParseRect(pos, rect) && PlacementReachable(rect, area)) setGeometry(rect);
        FStartMaximized = frm.ReadInteger(section, "ShowCmd", 1, 0, 11) == 3;
    }
    FLeftPanelWidth = sizes.Width("LeftPanelWidth");
    for (TPage* page : FPages) page->RestoreState(sizes);
}

void TMainWindow::SaveWindowState(TIniFile& frm, const std::string& section, TFormSettings& sizes) {
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect normal = isMaximized() ? normalGeometry() : geometry();
    frm.WriteInteger(section, "Flags", 0);
    frm.WriteInteger(section, "ShowCmd", isMaximized() ? 3 : 1);
    if (screen) {
        frm.WriteInteger(section, "PixelsPerInch", qRound(screen->logicalDotsPerInchY()));
        frm.WriteString(section, Format("NormPos_%dx%d", screen->size().width(), screen->size().height()),
                        RectText(normal));
    }
    frm.WriteString(section, "NormPos", RectText(normal));
    if (FShown) sizes.LeftPanelWidth = FSplitter->sizes().value(0, sizes.LeftPanelWidth);
    for (TPage* page : FPages) page->SaveState(frm, section, sizes, FShown);
}
