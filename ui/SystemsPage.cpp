#include "ui/SystemsPage.h"

#include "app/TemplateMain.h"
#include "core/FileUtils.h"
#include "core/TextUtils.h"
#include "ui/QtText.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>
#include <array>

using namespace zorb;

namespace {
const char* const ListName = "lvSystems";
constexpr int64_t MaxSystemFileBytes = 16 << 20;

// Own, someone else's, no author mail; outlined while not downloaded, filled with a tick once downloaded.
QIcon SystemIcon(int index) {
    static std::array<QIcon, 6> icons;
    if (icons[0].isNull()) {
        const QColor colours[3] = {QColor(0x2E9D3A), QColor(0x2F6FD0), QColor(0x8A8A8A)};
        for (int i = 0; i < 6; ++i) {
            QPixmap pm(16, 16);
            pm.fill(Qt::transparent);
            QPainter p(&pm);
            p.setRenderHint(QPainter::Antialiasing);
            const QColor c = colours[i % 3];
            const bool loaded = i >= 3;
            p.setPen(QPen(c, 2));
            p.setBrush(loaded ? QBrush(c) : QBrush(Qt::white));
            p.drawRoundedRect(QRectF(2, 2, 12, 12), 3, 3);
            if (loaded) {
                p.setPen(QPen(Qt::white, 2));
                p.drawPolyline(QPolygonF({QPointF(4.5, 8), QPointF(7, 10.5), QPointF(11.5, 5)}));
            }
            icons[static_cast<size_t>(i)] = QIcon(pm);
        }
    }
    return icons[static_cast<size_t>(std::clamp(index, 0, 5))];
}
} // namespace

// Thin: every cell comes from the controller.
class TSystemsModel : public QAbstractTableModel {
public:
    TSystemsModel(TSystemsController& sc, QObject* parent) : QAbstractTableModel(parent), FSc(sc) {}
    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : FSc.RowCount(); }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : TSystemsController::SystemColumnCount;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid()) return {};
        if (role == Qt::DecorationRole && index.column() == 0) return SystemIcon(FSc.SystemIconOf(index.row()));
        if (role == Qt::TextAlignmentRole && index.column() >= 2 && index.column() <= 4)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        if (role != Qt::DisplayRole) return {};
        return QString::fromStdString(FSc.SystemCellText(index.row(), index.column()));
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override {
        if (role != Qt::DisplayRole || o != Qt::Horizontal) return {};
        return QString::fromStdString(TSystemsController::SystemColumnCaption(section));
    }
    void Reset() {
        beginResetModel();
        endResetModel();
    }

private:
    TSystemsController& FSc;
};

TSystemsPage::TSystemsPage(TPageHost& host, QWidget* parent) : TPage(host, parent) {
    setObjectName("tsSystems");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    FToolBar = NewToolBar();
    layout->addWidget(FToolBar);
    FView = new QTableView(this);
    SetupRowView(FView, ListName);
    FView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    layout->addWidget(FView, 1);
    connect(FView, &QTableView::doubleClicked, this, [this] {
        if (FApp && FApp->ActionEnabled("SystemsProp")) FHost.RunAction("SystemsProp");
    });
}

QString TSystemsPage::Title() const {
    return TrQ("Системы");
}

void TSystemsPage::Attach(TTemplateMain& app) {
    FApp = &app;
    FModel = new TSystemsModel(app.Systems(), this);
    FView->setModel(FModel);
    FitColumnsToContents(FView);
    connect(FView->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TSystemsPage::OnSelectionChanged);
    connect(FView->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this](const QModelIndex& i) {
        if (FApp && !FSelecting) FApp->Systems().SetFocusedRow(i.isValid() ? i.row() : -1);
    });
    SystemsListChanged();
}

void TSystemsPage::LanguageChanged() {
    FillToolBar(FToolBar, "Systems");
}

void TSystemsPage::ActionsChanged(bool /*busy*/) {
    // The two system-stake commands are shown with the tab.
    const bool shown = FApp && FApp->Systems().TabShown();
    for (const char* name : {"SystemStakeAll", "SystemStakeFilter"})
        if (QAction* a = FHost.ActionByName(name)) a->setVisible(shown);
}

void TSystemsPage::RestoreState(const TStoredSizes& sizes) {
    RestoreColumnWidths(FView, sizes, ListName, TSystemsController::SystemColumnCount);
}

void TSystemsPage::SaveState(TIniFile& frm, const std::string& section, TFormSettings& /*sizes*/, bool /*shown*/) {
    SaveColumnWidths(FView, frm, section, ListName, TSystemsController::SystemColumnCount, false);
}

void TSystemsPage::OnSelectionChanged() {
    if (!FApp || FSelecting) return;
    FApp->Systems().SetSelectedRows(SelectedRows(FView));
}

void TSystemsPage::SystemsTabChanged(bool front) {
    ShowTab(FApp && FApp->Systems().TabShown(), front);
    ActionsChanged(false);
}

bool TSystemsPage::EditSystem(tSystemData& system, bool readOnly, TSystemPage page) {
    TFormSystem dlg(system, readOnly, page, FApp->Systems(), window());
    return dlg.exec() == QDialog::Accepted;
}

void TSystemsPage::SystemsListChanged() {
    if (!FModel) return;
    FSelecting = true;
    FModel->Reset();
    const TSystemsController& sc = FApp->Systems();
    auto* sel = FView->selectionModel();
    for (int row : sc.SelectedRows())
        sel->select(FModel->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    if (sc.FocusedRow() >= 0) {
        const QModelIndex focus = FModel->index(sc.FocusedRow(), 0);
        sel->setCurrentIndex(focus, QItemSelectionModel::NoUpdate);
        FView->scrollTo(focus);
    }
    FSelecting = false;
}

// --- The system dialog ------------------------------------------------------------------------------------------

TFormSystem::TFormSystem(tSystemData& edited, bool readOnly, TSystemPage page, TSystemsController& systems,
                         QWidget* parent)
    : QDialog(parent), FData(edited), FSystems(systems), FReadOnly(readOnly) {
    setObjectName("TFormSystem");
    setWindowTitle(TrQ("Система"));
    auto* layout = new QVBoxLayout(this);
    FPages = new QTabWidget(this);
    layout->addWidget(FPages, 1);

    auto* props = new QWidget(FPages);
    auto* form = new QFormLayout(props);
    auto line = [props](const char* name) {
        auto* e = new QLineEdit(props);
        e->setObjectName(name);
        return e;
    };
    FTitle = line("edTitle");
    FTitle->setMaxLength(100);
    form->addRow(TrQ("Наименование:"), FTitle);
    FNums = line("edNums");
    FNums->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,2}"), FNums));
    FCLen = line("edCLen");
    FCLen->setReadOnly(true);
    FOlap = line("edOlap");
    FOlap->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]?"), FOlap));
    FCSize = line("edCSize");
    FCSize->setReadOnly(true);
    auto* sizes = new QHBoxLayout;
    for (auto [caption, edit] : {std::pair{"Числа:", FNums}, std::pair{"Длина:", FCLen}, std::pair{"Блок:", FOlap},
                                 std::pair{"Комбинаций:", FCSize}}) {
        auto* label = new QLabel(TrQ(caption), props);
        label->setBuddy(edit);
        edit->setMaximumWidth(edit == FCSize ? 90 : 50);
        sizes->addWidget(label);
        sizes->addWidget(edit);
        sizes->addSpacing(10);
    }
    sizes->addStretch(1);
    form->addRow(sizes);
    FDescr = new QPlainTextEdit(props);
    FDescr->setObjectName("edDescr");
    FDescr->setFixedHeight(fontMetrics().height() * 4 + 12);
    form->addRow(TrQ("Описание:"), FDescr);
    FAuthor = line("edAuthor");
    FAuthor->setMaxLength(64);
    form->addRow(TrQ("Автор:"), FAuthor);
    FUrl = line("edURL");
    FUrl->setMaxLength(2000);
    FOpenUrl = new QPushButton(TrQ("Открыть"), props);
    FOpenUrl->setObjectName("btnURL");
    FOpenUrl->setToolTip(TrQ("Открыть ссылку в браузере"));
    auto* urlRow = new QHBoxLayout;
    urlRow->addWidget(FUrl, 1);
    urlRow->addWidget(FOpenUrl);
    form->addRow(TrQ("Ссылка:"), urlRow);
    FCreated = line("edCreated");
    FDownloads = line("edDownloads");
    FLastDownload = line("edLastDownload");
    auto* stats = new QHBoxLayout;
    for (auto [caption, edit] : {std::pair{"Создана:", FCreated}, std::pair{"Загрузок:", FDownloads},
                                 std::pair{"Последняя:", FLastDownload}}) {
        edit->setReadOnly(true); // the server's figures
        auto* label = new QLabel(TrQ(caption), props);
        label->setBuddy(edit);
        edit->setMinimumWidth(edit == FDownloads ? 60 : 160);
        edit->setMaximumWidth(edit == FDownloads ? 70 : 180);
        stats->addWidget(label);
        stats->addWidget(edit);
        stats->addSpacing(10);
    }
    stats->addStretch(1);
    form->addRow(stats);
    FCombs = new QPlainTextEdit(props);
    FCombs->setObjectName("edCombs");
    FCombs->setLineWrapMode(QPlainTextEdit::NoWrap);
    FCombs->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    FCombs->setContextMenuPolicy(Qt::CustomContextMenu);
    FCombs->setMinimumHeight(fontMetrics().height() * 10);
    form->addRow(new QLabel(TrQ("Список комбинаций:"), props));
    form->addRow(FCombs);
    FPages->addTab(props, TrQ("Свойства"));

    auto* cov = new QWidget(FPages);
    auto* cl = new QVBoxLayout(cov);
    FCoverageNote = new QLabel(cov);
    FCoverageNote->setWordWrap(true);
    cl->addWidget(FCoverageNote);
    FCoverage = new QTableWidget(0, 6, cov);
    FCoverage->setObjectName("sgCoverage");
    FCoverage->setHorizontalHeaderLabels({"k", "m", TrQ("Наборов"), TrQ("Дыр"), TrQ("Покрытие, %"), TrQ("Тиражей")});
    FCoverage->verticalHeader()->hide();
    FCoverage->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    FCoverage->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FCoverage->setSelectionBehavior(QAbstractItemView::SelectRows);
    FCoverage->horizontalHeader()->setStretchLastSection(true);
    const int widths[6] = {40, 40, 110, 110, 100, 120};
    for (int c = 0; c < 6; ++c) FCoverage->setColumnWidth(c, widths[c]);
    cl->addWidget(FCoverage, 1);
    FPages->addTab(cov, TrQ("Покрытие"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(TrQ("OK"));
    QPushButton* close = buttons->button(QDialogButtonBox::Cancel);
    close->setText(TrQ("Закрыть окно"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    const TSystemForm f = SystemFormOf(edited);
    FTitle->setText(QString::fromStdString(f.Title));
    FNums->setText(QString::fromStdString(f.Nums));
    FCLen->setText(QString::fromStdString(f.CLen));
    FOlap->setText(QString::fromStdString(f.Olap));
    FCSize->setText(QString::fromStdString(f.CSize));
    FDescr->setPlainText(QString::fromStdString(f.Descr));
    FAuthor->setText(QString::fromStdString(f.Author));
    FUrl->setText(QString::fromStdString(f.Url));
    FCreated->setText(QString::fromStdString(f.Created));
    FDownloads->setText(QString::fromStdString(f.Downloads));
    FLastDownload->setText(QString::fromStdString(f.LastDownload));
    FCombs->setPlainText(QString::fromStdString(f.Combs));

    if (readOnly) {
        for (QLineEdit* e : {FTitle, FNums, FOlap, FAuthor, FUrl}) e->setReadOnly(true);
        FDescr->setReadOnly(true);
        FCombs->setReadOnly(true);
        buttons->button(QDialogButtonBox::Ok)->hide();
        close->setDefault(true);
    } else {
        FCombs->installEventFilter(this);
        connect(FCombs, &QPlainTextEdit::textChanged, this, [this] { FDirty = true; });
    }
    FOpenUrl->setEnabled(!FUrl->text().trimmed().isEmpty());
    connect(FUrl, &QLineEdit::textChanged, this,
            [this](const QString& t) { FOpenUrl->setEnabled(!t.trimmed().isEmpty()); });
    connect(FOpenUrl, &QPushButton::clicked, this, [this] { FSystems.OpenSystemLink(StdS(FUrl->text())); });
    connect(FCombs, &QPlainTextEdit::customContextMenuRequested, this, &TFormSystem::CombsMenu);
    connect(FPages, &QTabWidget::currentChanged, this, [this](int index) {
        if (index == 1) ShowCoverage();
    });
    resize(820, 640);
    if (page == TSystemPage::Coverage) {
        FPages->setCurrentIndex(1);
        ShowCoverage();
    }
    if (readOnly) close->setFocus();
}

TSystemForm TFormSystem::Form() const {
    TSystemForm f;
    f.Title = StdS(FTitle->text());
    f.Nums = StdS(FNums->text());
    f.CLen = StdS(FCLen->text());
    f.Olap = StdS(FOlap->text());
    f.CSize = StdS(FCSize->text());
    f.Descr = StdS(FDescr->toPlainText());
    f.Author = StdS(FAuthor->text());
    f.Url = StdS(FUrl->text());
    f.Created = StdS(FCreated->text());
    f.Downloads = StdS(FDownloads->text());
    f.LastDownload = StdS(FLastDownload->text());
    f.Combs = StdS(FCombs->toPlainText());
    return f;
}

void TFormSystem::Normalise() {
    if (FReadOnly) return;
    TSystemForm f = Form();
    NormaliseSystemForm(f);
    FCombs->setPlainText(QString::fromStdString(ReplaceAll(f.Combs, "\r\n", "\n")));
    FNums->setText(QString::fromStdString(f.Nums));
    FCSize->setText(QString::fromStdString(f.CSize));
    FDirty = false;
}

bool TFormSystem::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FCombs && event->type() == QEvent::FocusOut && FDirty) {
        // A context menu takes the focus for a moment: that is no leaving of the field.
        auto* fe = static_cast<QFocusEvent*>(event);
        if (fe->reason() != Qt::PopupFocusReason) Normalise();
    }
    return QDialog::eventFilter(watched, event);
}

void TFormSystem::ShowCoverage() {
    if (FDirty) Normalise();
    const TSystemCoverage cov = SystemCoverageOf(StdS(FCombs->toPlainText()), StdS(FNums->text()));
    FCoverage->setRowCount(0);
    if (!cov.Error.empty()) {
        FCoverageNote->setText(QS(cov.Error));
        return;
    }
    FCoverageNote->setText(
        TrQ("k - сколько выпавших чисел среди чисел системы, m - сколько совпадений гарантируется; дыра - набор из k "
            "чисел, который ни одна комбинация системы не угадывает на m."));
    FCoverage->setRowCount(static_cast<int>(cov.Rows.size()));
    int r = 0;
    for (const TCoverageRow& row : cov.Rows) {
        const QString cells[6] = {QString::number(row.K),
                                  QString::number(row.M),
                                  QString::number(row.Sets),
                                  QString::number(row.Holes),
                                  QString::number(row.CoveredPercent, 'f', 2),
                                  QString::number(row.Draws)};
        for (int c = 0; c < 6; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (row.Holes == 0) item->setBackground(QColor(0xDDF5DD));
            FCoverage->setItem(r, c, item);
        }
        ++r;
    }
}

void TFormSystem::CombsMenu(const QPoint& at) {
    QMenu menu(this);
    const bool editable = !FReadOnly;
    QAction* copy = menu.addAction(TrQ("Копировать в буфер обмена"), FCombs, &QPlainTextEdit::copy);
    copy->setEnabled(FCombs->textCursor().hasSelection());
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    QAction* paste = menu.addAction(TrQ("Вставить из буфера обмена"), this, [this] {
        FCombs->setPlainText(QApplication::clipboard()->text());
        Normalise();
    });
    paste->setEnabled(editable && mime && mime->hasText());
    menu.addAction(TrQ("Выделить все"), FCombs, &QPlainTextEdit::selectAll);
    menu.addSeparator();
    QAction* load = menu.addAction(TrQ("Загрузить из файла"), this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, TrQ("Загрузить из файла"), QString(),
                                                          TrQ("Текстовые файлы (*.txt);;Все файлы (*)"));
        if (path.isEmpty()) return;
        try {
            const std::string file = StdS(path);
            if (FileSize(file) > MaxSystemFileBytes) throw std::runtime_error(Tr("Файл слишком велик"));
            FCombs->setPlainText(QString::fromStdString(DecodeTextFile(ReadFileBytes(file))));
            Normalise();
        } catch (const std::exception& e) {
            QMessageBox::critical(this, TrQ("Ошибка"), QS(e.what()));
        }
    });
    load->setEnabled(editable);
    QAction* save = menu.addAction(TrQ("Сохранить в файле"), this, [this] {
        const QString path = QFileDialog::getSaveFileName(this, TrQ("Сохранить в файле"), QString(),
                                                          TrQ("Текстовые файлы (*.txt);;Все файлы (*)"));
        if (path.isEmpty()) return;
        try {
            std::string text = ReplaceAll(StdS(FCombs->toPlainText()), "\r\n", "\n");
            WriteFileAtomic(StdS(path), ReplaceAll(text, "\n", "\r\n"));
        } catch (const std::exception& e) {
            QMessageBox::critical(this, TrQ("Ошибка"), QS(e.what()));
        }
    });
    save->setEnabled(!FCombs->toPlainText().isEmpty());
    menu.exec(FCombs->mapToGlobal(at));
}

QWidget* TFormSystem::FieldWidget(TSystemField field) const {
    switch (field) {
    case TSystemField::Title: return FTitle;
    case TSystemField::Nums: return FNums;
    case TSystemField::Olap: return FOlap;
    case TSystemField::Author: return FAuthor;
    case TSystemField::Descr: return FDescr;
    case TSystemField::Url: return FUrl;
    case TSystemField::Combs: return FCombs;
    case TSystemField::None: break;
    }
    return nullptr;
}

void TFormSystem::accept() {
    if (FReadOnly) return;
    if (FDirty) Normalise();
    tSystemData d = FData;
    const TSystemFormCheck check = ApplySystemForm(Form(), d);
    if (!check.Message.empty()) {
        QMessageBox::critical(this, TrQ("Ошибка"), QS(check.Message));
        if (QWidget* w = FieldWidget(check.Field)) {
            FPages->setCurrentIndex(0);
            w->setFocus();
        }
        return;
    }
    FData = d;
    QDialog::accept();
}
