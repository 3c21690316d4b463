#include "overview/ui/OverviewWindow.h"

#include "core/Dialogs.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "core/SystemMessages.h"
#include "core/TextLines.h"
#include "engine/kae/Kae.h"
#include "overview/KovFile.h"
#include "overview/OverviewTexts.h"
#include "overview/ui/OverviewDelegate.h"
#include "overview/ui/OverviewModel.h"
#include "show/playback/ShowLayer.h"
#include "show/playlist/PlaylistTexts.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSlider>
#include <QStandardPaths>
#include <QTableView>
#include <QTime>

namespace kalvor {

namespace t = overviewtexts;

OverviewWindow::OverviewWindow(ShowLayer& show, Settings& settings, QWidget* parent)
    : QMainWindow(parent), show_(show), settings_(settings), actions_(show) {
    setObjectName(QStringLiteral("frmOverview"));
    setWindowTitle(txt(t::Title));
    secondsOfDay = [] {
        return QTime::currentTime().msecsSinceStartOfDay() / 1000;
    };
    model_ = new OverviewModel(show_, settings_, this);
    grid_ = new QTableView(this);
    grid_->setObjectName(QStringLiteral("OverviewGrid"));
    grid_->setModel(model_);
    grid_->setItemDelegate(new OverviewDelegate(grid_));
    grid_->verticalHeader()->hide();
    grid_->setSelectionMode(QAbstractItemView::NoSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setFocusPolicy(Qt::NoFocus);
    QHeaderView* header = grid_->horizontalHeader();
    header->setSectionsMovable(true);
    header->setMinimumSectionSize(kMinColumnPixels);
    header->setHighlightSections(false);
    grid_->viewport()->installEventFilter(this);
    setCentralWidget(grid_);

    connect(header, &QHeaderView::sectionMoved, this, [this, header](int logical, int, int to) {
        // The channel-number column stays first.
        if (logical == 0 || to == 0) {
            const QSignalBlocker block(header);
            header->moveSection(header->visualIndex(0), 0);
        }
        SortOverviewColums();
        HideAllSelectors();
    });
    // A hidden column has no size in the header: keep the last one the operator gave it,
    // so that the layout saved while it is hidden brings it back at that width.
    connect(header, &QHeaderView::sectionResized, this, [this](int logical, int, int size) {
        if (size > 0 && logical >= 0 && logical < kGridColumns)
            widthOfLogical_[static_cast<std::size_t>(logical)] = size * kTwipsPerPixel;
    });
    connect(header, &QHeaderView::sectionPressed, this, [this] { HideAllSelectors(); });
    connect(grid_->verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this] { HideAllSelectors(); });
    connect(grid_->horizontalScrollBar(), &QScrollBar::valueChanged, this,
            [this] { HideAllSelectors(); });
    connect(model_, &QAbstractItemModel::dataChanged, this, [this] {
        if (gridState_.autoSize)
            grid_->resizeColumnsToContents();
    });

    spoolTimer_.setInterval(100);
    connect(&spoolTimer_, &QTimer::timeout, this, &OverviewWindow::spoolTick);
    // Positions move on their own while playing; a few refreshes a second are enough to read.
    positionTimer_.setInterval(250);
    connect(&positionTimer_, &QTimer::timeout, model_, &OverviewModel::refreshPositions);

    buildSelectors();
    buildMenus();
    connect(&UiLanguage::instance(), &UiLanguage::changed, this, &OverviewWindow::applyCaptions);
    SetOverviewDefault();
    model_->setShowProgress(settings_.isOn(u"ShowProgress"));
    showProgress_->setChecked(model_->showProgress());
    resize(1400, 900);
}

OverviewWindow::~OverviewWindow() = default;

void OverviewWindow::showOverview() {
    OverviewLoadPosition();
    show();
    raise();
    activateWindow();
    positionTimer_.start();
}

void OverviewWindow::attachToPlaylists(playlist::PlaylistFiles& files) {
    files.hooks().applyOverviewLayout = [this](const playlist::OverviewLayout& layout) {
        applyLayout(layout);
    };
    files.hooks().suspendOverviewRedraw = [this](bool suspended) {
        grid_->setUpdatesEnabled(!suspended);
    };
    files.saveSources().overviewLayout = [this] {
        return currentLayout();
    };
}

GridArrangement OverviewWindow::arrangement() const {
    GridArrangement g = gridState_;
    const QHeaderView* header = grid_->horizontalHeader();
    for (int v = 0; v < kGridColumns; ++v) {
        const int logical = header->logicalIndex(v);
        g.order[static_cast<std::size_t>(v)] = logical;
        g.hidden[static_cast<std::size_t>(v)] = header->isSectionHidden(logical);
        // A hidden column has no size in the header; its width is the one it had.
        g.widths[static_cast<std::size_t>(v)] =
            header->sectionSize(logical) > 0 ? header->sectionSize(logical) * kTwipsPerPixel
                                             : widthOfLogical_[static_cast<std::size_t>(logical)];
    }
    return g;
}

void OverviewWindow::setArrangement(const GridArrangement& g) {
    QHeaderView* header = grid_->horizontalHeader();
    {
        const QSignalBlocker block(header);
        for (int v = 0; v < kGridColumns; ++v) {
            const int logical = g.order[static_cast<std::size_t>(v)];
            header->moveSection(header->visualIndex(logical), v);
        }
        for (int v = 0; v < kGridColumns; ++v) {
            const int logical = g.order[static_cast<std::size_t>(v)];
            header->setSectionHidden(logical, v > 0 && g.hidden[static_cast<std::size_t>(v)]);
            widthOfLogical_[static_cast<std::size_t>(logical)] =
                g.widths[static_cast<std::size_t>(v)];
            header->resizeSection(logical, g.widths[static_cast<std::size_t>(v)] / kTwipsPerPixel);
        }
    }
    gridState_ = g;
    applyFont(g);
    setAutoSize(g.autoSize);
    SortOverviewColums();
    MatchMenuToHiddenColumns();
}

void OverviewWindow::applyLayout(const playlist::OverviewLayout& layout) {
    GridArrangement g = arrangement();
    kalvor::applyLayout(g, layout);
    setArrangement(g);
}

void OverviewWindow::applyFont(const GridArrangement& g) {
    QFont font(g.fontName);
    font.setPointSizeF(g.fontSize);
    font.setBold(g.bold);
    font.setItalic(g.italic);
    const int c = g.textColour;
    model_->setGridFont(font, QColor(c & 0xff, (c >> 8) & 0xff, (c >> 16) & 0xff));
    QFont headerFont(QStringLiteral("Tahoma"));
    headerFont.setPointSize(headerFontSize(g.fontSize));
    grid_->horizontalHeader()->setFont(headerFont);
    grid_->verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 10);
}

void OverviewWindow::setAutoSize(bool on) {
    gridState_.autoSize = on;
    if (autoSize_)
        autoSize_->setChecked(on);
    if (on)
        grid_->resizeColumnsToContents();
}

void OverviewWindow::SetOverviewDefault() {
    setArrangement(defaultArrangement());
}

void OverviewWindow::ResetOverviewColumns() {
    GridArrangement g = defaultArrangement();
    g.fontName = gridState_.fontName;
    g.fontSize = gridState_.fontSize;
    g.bold = gridState_.bold;
    g.italic = gridState_.italic;
    g.textColour = gridState_.textColour;
    setArrangement(g);
}

void OverviewWindow::SortOverviewColums() {
    map_.SortOverviewColums(arrangement().captions());
}

void OverviewWindow::MatchMenuToHiddenColumns() {
    const QHeaderView* header = grid_->horizontalHeader();
    for (int c = 0; c < columnActions_.size(); ++c)
        columnActions_[c]->setChecked(!header->isSectionHidden(c + 1));
}

bool OverviewWindow::saveLayoutFile(const QString& path) {
    // Through a temporary file: a full disk must not cost the layout that was there.
    if (!writeFileAtomically(path, kovFileContents(currentLayout()))) {
        showMessage(txt(t::FileError), txt(t::LayoutUnwritable) + path, MessageIcon::Critical);
        return false;
    }
    return true;
}

bool OverviewWindow::loadLayoutFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        showMessage(txt(t::FileError), txt(t::LayoutUnreadable) + path, MessageIcon::Critical);
        return false;
    }
    const KovRead read = readKovFile(file.readAll());
    SystemMessages& messages = SystemMessages::instance();
    switch (read.status) {
    case KovRead::Status::UnknownFormat:
        messages.addDebugMessage(txt(t::LayoutUnknown) + path);
        return false;
    case KovRead::Status::Truncated:
        messages.addDebugMessage(QStringLiteral("\r\n") + txt(texts::UnexpectedLayoutLength));
        return false;
    case KovRead::Status::Read:
        break;
    }
    applyLayout(read.layout);
    if (!read.endMarkerFound)
        messages.addDebugMessage(QStringLiteral("\r\n") + txt(texts::UnexpectedLayoutLength));
    lastLayoutFolder_ = QFileInfo(path).absolutePath();
    MatchMenuToHiddenColumns();
    return true;
}

QString OverviewWindow::layoutFolder() const {
    if (!lastLayoutFolder_.isEmpty() && QDir(lastLayoutFolder_).exists())
        return lastLayoutFolder_;
    // The program's folder cannot be written on Linux; the user's data folder stands in.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return data;
}

void OverviewWindow::saveLayoutDialog() {
    const QString folder = layoutFolder();
    const QString chosen =
        dialogs().saveFile(txt(t::SaveLayoutTitle), folder, txt(t::LayoutFilter));
    if (chosen.isEmpty())
        return;
    const QString path = withKovExtension(chosen);
    if (QFileInfo::exists(path) &&
        dialogs().message(txt(t::FileError), txt(t::FileExists), MessageIcon::Question,
                          MessageButtons::YesNo, MessageResult::No) != MessageResult::Yes)
        return;
    if (saveLayoutFile(path))
        lastLayoutFolder_ = QFileInfo(path).absolutePath();
}

void OverviewWindow::loadLayoutDialog() {
    const QString folder = layoutFolder();
    const QStringList chosen =
        dialogs().openFiles(txt(t::LoadLayoutTitle), folder, txt(t::LayoutFilter), false);
    if (!chosen.isEmpty())
        loadLayoutFile(withKovExtension(chosen.first()));
}

void OverviewWindow::OverviewSavePosition() {
    const QRect r = geometry();
    settings_.setText(u"OverviewTop", QString::number(r.top()));
    settings_.setText(u"OverviewLeft", QString::number(r.left()));
    settings_.setText(u"OverviewHeight", QString::number(r.height()));
    settings_.setText(u"OverviewWidth", QString::number(r.width()));
}

void OverviewWindow::OverviewLoadPosition() {
    bool ok[4] = {};
    const int top = settings_.text(u"OverviewTop").toInt(&ok[0]);
    const int left = settings_.text(u"OverviewLeft").toInt(&ok[1]);
    const int height = settings_.text(u"OverviewHeight").toInt(&ok[2]);
    const int width = settings_.text(u"OverviewWidth").toInt(&ok[3]);
    if (ok[0] && ok[1] && ok[2] && ok[3] && width > 100 && height > 100)
        setGeometry(left, top, width, height);
}

void OverviewWindow::closeEvent(QCloseEvent* event) {
    HideAllSelectors();
    event->ignore();
    // A window never shown has no rectangle of the operator's to keep.
    if (isVisible())
        OverviewSavePosition();
    positionTimer_.stop();
    hide();
}

void OverviewWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        HideAllSelectors();
        return;
    }
    if (event->key() >= Qt::Key_F1 && event->key() <= Qt::Key_F8 && passKey && passKey(event))
        return;
    QMainWindow::keyPressEvent(event);
}

void OverviewWindow::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() >= Qt::Key_F1 && event->key() <= Qt::Key_F8 && passKey && passKey(event))
        return;
    QMainWindow::keyReleaseEvent(event);
}

bool OverviewWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == grid_->viewport()) {
        if (event->type() == QEvent::MouseButtonPress ||
            event->type() == QEvent::MouseButtonDblClick) {
            auto* e = static_cast<QMouseEvent*>(event);
            cellPressed(grid_->indexAt(e->position().toPoint()), e->button());
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease) {
            cellReleased();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void OverviewWindow::cellPressed(const QModelIndex& index, Qt::MouseButton button) {
    HideAllSelectors();
    if (!index.isValid())
        return;
    const int ch = index.row();
    lastChannel_ = ch;
    show_.store().selectChannel(ch);
    if (button != Qt::LeftButton || index.column() == 0)
        return;
    // The caption of the clicked column decides, wherever the column has been dragged.
    const QString caption =
        model_->headerData(index.column(), Qt::Horizontal, Qt::DisplayRole).toString();
    const CellRequest request = actions_.press(caption, ch, secondsOfDay());
    pressedCell_ = index;
    pressedCaption_ = caption;
    if (request == CellRequest::Pressed) {
        model_->setPressed(ch, index.column(), true);
        if (actions_.spoolDirection() != SpoolDirection::None)
            spoolTimer_.start();
    } else if (request == CellRequest::Flash) {
        flash(index);
    } else if (request != CellRequest::None) {
        openSelector(request, index);
    }
}

void OverviewWindow::cellReleased() {
    actions_.release(pressedCaption_, pressedCell_.isValid() ? pressedCell_.row() : -1);
    spoolTimer_.stop();
    model_->setPressed(-1, -1, false);
    pressedCell_ = {};
    pressedCaption_.clear();
}

void OverviewWindow::spoolTick() {
    if (!actions_.spoolStep(secondsOfDay()))
        spoolTimer_.stop();
}

void OverviewWindow::flash(const QModelIndex& index) {
    model_->setFlash(index.row(), index.column(), true);
    // Waiting the 75 ms on the UI thread would make the meters and the PLAY
    // flashing stutter; a timer gives the same flash without holding the thread.
    QTimer::singleShot(75, this, [this] { model_->setFlash(-1, -1, false); });
}

} // namespace kalvor
