#include "mainwindow/ui/LogPage.h"

#include "core/Dialogs.h"
#include "core/Settings.h"
#include "mainwindow/LogTexts.h"
#include "mainwindow/PlayLogControl.h"
#include "mainwindow/ui/LogPrint.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

#include <memory>

namespace kalvor {

LogPage::LogPage(PlayLogControl& control, Settings& settings, QWidget* parent)
    : QWidget(parent), control_(control), settings_(settings) {
    setObjectName(QStringLiteral("pageLog"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 4, 0, 0);
    column->setSpacing(4);
    auto* bar = new QHBoxLayout;
    bar->setSpacing(6);
    column->addLayout(bar);

    enable_ = new QCheckBox(this);
    enable_->setObjectName(QStringLiteral("chkLogEnable"));
    bar->addWidget(enable_);
    bar->addSpacing(12);
    const auto button = [&](const char* name, auto slot) {
        auto* b = new QPushButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QPushButton::clicked, this, slot);
        bar->addWidget(b);
        return b;
    };
    new_ = button("cmdLogNew", [this] { control_.clearList(); });
    delete_ = button("cmdLogDelete", [this] { control_.deleteRow(grid_->currentIndex().row()); });
    print_ = button("cmdLogPrint", [this] { print(); });
    font_ = button("cmdLogFont", [this] { chooseFont(); });
    load_ = button("cmdLogLoad", [this] { control_.LogLoad(); });
    save_ = button("cmdLogSave", [this] { control_.LogSave(); });
    bar->addSpacing(12);
    colWidthLabel_ = new QLabel(this);
    bar->addWidget(colWidthLabel_);
    colWidth_ = new QSpinBox(this);
    colWidth_->setObjectName(QStringLiteral("updLogColWidth"));
    colWidth_->setRange(40, 400);
    colWidth_->setSingleStep(10);
    colWidth_->setValue(std::clamp(settings_.integer(u"LogColWidth"), 40, 400));
    bar->addWidget(colWidth_);
    noEmptyRows_ = new QCheckBox(this);
    noEmptyRows_->setObjectName(QStringLiteral("chkLogNoEmptyRows"));
    noEmptyRows_->setChecked(true);
    bar->addWidget(noEmptyRows_);
    bar->addStretch(1);

    grid_ = new QTableView(this);
    grid_->setObjectName(QStringLiteral("grdLog"));
    grid_->setModel(&control_.log());
    grid_->verticalHeader()->hide();
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->horizontalHeader()->setSectionsMovable(false);
    grid_->horizontalHeader()->setStretchLastSection(true);
    grid_->setAlternatingRowColors(true);
    column->addWidget(grid_, 1);

    enable_->setChecked(control_.loggingOn());
    connect(enable_, &QCheckBox::toggled, &control_, &PlayLogControl::setLoggingOn);
    connect(&control_, &PlayLogControl::loggingChanged, enable_, &QCheckBox::setChecked);
    connect(colWidth_, &QSpinBox::valueChanged, this, [this](int value) {
        settings_.setInteger(u"LogColWidth", value);
        applyColumnWidths();
    });
    connect(&control_.log(), &PlayLog::entryStarted, this,
            [this](int row) { grid_->scrollTo(control_.log().index(row, LogTitle)); });
    connect(&control_.log(), &PlayLog::headerDataChanged, this, &LogPage::applyColumnWidths);
    applyCaptions();
    applyColumnWidths();
}

LogPage::~LogPage() = default;

void LogPage::applyCaptions() {
    enable_->setText(txt(texts::LogEnable));
    new_->setText(txt(texts::LogNew));
    new_->setToolTip(settings_.integer(u"ToolTips") != 0 ? txt(texts::LogNewTip) : QString());
    delete_->setText(txt(texts::LogDelete));
    print_->setText(txt(texts::LogPrint));
    font_->setText(txt(texts::LogFont));
    load_->setText(txt(texts::LogLoad));
    save_->setText(txt(texts::LogSave));
    colWidthLabel_->setText(txt(texts::LogColWidthLabel));
    noEmptyRows_->setText(txt(texts::LogNoEmptyRows));
    control_.log().retranslate();
}

void LogPage::applyColumnWidths() {
    const QFont f = control_.log().font();
    grid_->setFont(f);
    grid_->horizontalHeader()->setFont(f);
    const QFontMetrics fm(f);
    const int pad = fm.averageCharWidth() * 3;
    const auto fit = [&](const QString& sample, int column) {
        const QString head =
            control_.log().headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        QFont bold = f;
        bold.setBold(true);
        return std::max(fm.horizontalAdvance(sample), QFontMetrics(bold).horizontalAdvance(head)) +
               pad;
    };
    grid_->setColumnWidth(LogNo, fit(QStringLiteral("0000"), LogNo));
    grid_->setColumnWidth(LogArtist, colWidth_->value() * 2);
    grid_->setColumnWidth(LogTitle, colWidth_->value() * 3);
    grid_->setColumnWidth(LogDate, fit(QStringLiteral("00.00.0000"), LogDate));
    grid_->setColumnWidth(LogTime, fit(QStringLiteral("00:00"), LogTime));
    grid_->setColumnWidth(LogLength, fit(QStringLiteral("00:00:00"), LogLength));
    grid_->verticalHeader()->setDefaultSectionSize(fm.height() + 8);
}

void LogPage::chooseFont() {
    const QFont f = control_.log().font();
    auto chosen = dialogs().font({f.family(), f.pointSizeF(), f.bold(), f.italic()});
    if (!chosen)
        return;
    QFont nf(chosen->name);
    nf.setPointSizeF(chosen->size);
    nf.setBold(chosen->bold);
    nf.setItalic(chosen->italic);
    control_.setListFont(nf);
    applyColumnWidths();
}

QPagedPaintDevice* LogPage::defaultPrinter() {
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QPrinter* printer = printer_.get();
    printer->setFullPage(true);
    if (!QPrinterInfo::availablePrinters().isEmpty()) {
        QPrintDialog dialog(printer, this);
        return dialog.exec() == QDialog::Accepted ? printer : nullptr;
    }
    // No printer on this machine: the list still goes on paper later, through a PDF.
    const QString file =
        dialogs().saveFile(txt(texts::LogPrint), QString(), QStringLiteral("PDF (*.pdf)"));
    if (file.isEmpty())
        return nullptr;
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(file.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)
                                   ? file
                                   : file + QStringLiteral(".pdf"));
    return printer;
}

void LogPage::print() {
    PlayLog& log = control_.log();
    const int rows = log.rows();
    if (noEmptyRows_->isChecked())
        log.trimEmptyRows();
    QPagedPaintDevice* device = choosePrinter ? choosePrinter() : defaultPrinter();
    QString error;
    if (device) {
        LogPrintLayout layout;
        layout.marginLR = settings_.integer(u"LogLRMargin");
        layout.marginTB = settings_.integer(u"LogTBMargin");
        layout.colWidth = colWidth_->value();
        if (!printLog(log, *device, layout, &error))
            showMessage(txt(texts::LogTitle),
                        txt(texts::LogPrintFailed) + QLatin1Char('\n') + error,
                        MessageIcon::Critical);
    }
    log.padRows(rows);
}

} // namespace kalvor
