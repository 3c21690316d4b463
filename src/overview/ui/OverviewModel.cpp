#include "overview/ui/OverviewModel.h"

#include "core/Settings.h"
#include "core/ShowStore.h"
#include "engine/kae/Kae.h"
#include "overview/OverviewCells.h"
#include "show/playback/ShowLayer.h"

#include <QColor>

namespace kalvor {

OverviewModel::OverviewModel(ShowLayer& show, const Settings& settings, QObject* parent)
    : QAbstractTableModel(parent), show_(show), settings_(settings) {
    disabled_.fill(false);
    shownGpio_ = gpioLines();
    shownNoteOffset_ = noteOffset();
    ShowStore& store = show_.store();
    connect(&store, &ShowStore::channelChanged, this, [this](int ch, unsigned) {
        if (ch >= 0 && ch < kChannelCount)
            OverviewFillRow(ch);
    });
    connect(&store, &ShowStore::soundListChanged, this, &OverviewModel::OverviewFillRow);
    ChannelPlayback& p = show_.playback();
    for (auto signal : {&ChannelPlayback::channelStarted, &ChannelPlayback::channelPaused,
                        &ChannelPlayback::channelStopped, &ChannelPlayback::positionChanged})
        connect(&p, signal, this, &OverviewModel::OverviewFillRow);
    SoundSelection& s = show_.selection();
    for (auto signal :
         {&SoundSelection::soundLoaded, &SoundSelection::soundMissing, &SoundSelection::loadFailed})
        connect(&s, signal, this, &OverviewModel::OverviewFillRow);
    connect(&s, &SoundSelection::channelEmptied, this, &OverviewModel::OverviewDisableRow);
}

int OverviewModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kChannelCount;
}

int OverviewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kOverviewColumns + 1;
}

QVariant OverviewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section > kOverviewColumns)
        return {};
    if (role == Qt::DisplayRole)
        return section == 0 ? QString() : overviewCaption(static_cast<OverviewColumn>(section - 1));
    return {};
}

QVariant OverviewModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    const int ch = index.row();
    const int col = index.column() - 1;
    const ShowStore& store = show_.store();
    const bool empty = disabled(ch) || !show_.playback().soundReady(ch);
    switch (role) {
    case Qt::DisplayRole:
        if (col < 0)
            return QString::number(ch + 1);
        if (empty || isTransportColumn(static_cast<OverviewColumn>(col)))
            return QString();
        if (col == static_cast<int>(OverviewColumn::GpioIn) ||
            col == static_cast<int>(OverviewColumn::GpioOut))
            return gpioLinesText(gpioLines(), ch, col == static_cast<int>(OverviewColumn::GpioIn));
        return overviewCellText(store, ch, static_cast<OverviewColumn>(col), fps(),
                                noteOffset());
    case Qt::FontRole:
        return font_;
    case Qt::ForegroundRole:
        return text_.isValid() ? QVariant(text_) : QVariant();
    case Qt::TextAlignmentRole:
        return col == static_cast<int>(OverviewColumn::Sound) ||
                       col == static_cast<int>(OverviewColumn::Info) ||
                       col == static_cast<int>(OverviewColumn::Output)
                   ? QVariant(Qt::AlignVCenter | Qt::AlignLeft)
                   : QVariant(Qt::AlignCenter);
    case FillRole:
        if (empty)
            return 0.0;
        if (col == static_cast<int>(OverviewColumn::Sound))
            return startOffsetFill(store, ch);
        if (col == static_cast<int>(OverviewColumn::Position) && showProgress_)
            return progressFill(ch);
        return 0.0;
    case FlashRole:
        return ch == flashRow_ && index.column() == flashColumn_;
    case PressedRole:
        return ch == pressedRow_ && index.column() == pressedColumn_;
    case ColumnRole:
        return col;
    case PlayStateRole:
        return KAE__Channel_IsPlaying(ch) ? 1 : KAE__Channel_IsPaused(ch) ? 2 : 0;
    default:
        return {};
    }
}

void OverviewModel::OverviewFillRow(int ch) {
    if (ch < 0 || ch >= kChannelCount)
        return;
    disabled_[static_cast<std::size_t>(ch)] = false;
    Q_EMIT dataChanged(index(ch, 0), index(ch, kOverviewColumns));
}

void OverviewModel::OverviewDisableRow(int ch) {
    if (ch < 0 || ch >= kChannelCount)
        return;
    disabled_[static_cast<std::size_t>(ch)] = true;
    Q_EMIT dataChanged(index(ch, 0), index(ch, kOverviewColumns));
}

playlist::GpioBlock OverviewModel::gpioLines() const {
    playlist::GpioBlock b;
    b.directions = {playlist::gpioDirectionFromText(settings_.text(u"Port1Direction")),
                    playlist::gpioDirectionFromText(settings_.text(u"Port2Direction")),
                    playlist::gpioDirectionFromText(settings_.text(u"Port3LDirection")),
                    playlist::gpioDirectionFromText(settings_.text(u"Port3HDirection"))};
    for (int n = 1; n <= playlist::kGpioLines; ++n)
        b.lines[static_cast<std::size_t>(n - 1)].function =
            settings_.integer(gpioLineKey("LineFunctionNo. ", n));
    return b;
}

bool OverviewModel::noteOffset() const {
    return settings_.integer(u"MidiNoteOffset") == 1;
}

int OverviewModel::fps() const {
    const int rate = mtcFps ? mtcFps() : 25;
    return rate > 0 ? rate : 25;
}

void OverviewModel::mtcRateChanged() {
    // Time code repeats its rate with every full frame: only a new one is drawn.
    const int rate = fps();
    if (rate == shownFps_)
        return;
    shownFps_ = rate;
    const int start = 1 + static_cast<int>(OverviewColumn::MtcStart);
    const int stop = 1 + static_cast<int>(OverviewColumn::MtcStop);
    Q_EMIT dataChanged(index(0, std::min(start, stop)),
                       index(kChannelCount - 1, std::max(start, stop)));
}

void OverviewModel::refreshPositions() {
    // The options dialog and a loaded show give the lines new functions without telling
    // the channels: the GPI/O columns are compared here, while the window is open.
    const playlist::GpioBlock gpio = gpioLines();
    if (gpio != shownGpio_) {
        shownGpio_ = gpio;
        const int in = 1 + static_cast<int>(OverviewColumn::GpioIn);
        const int out = 1 + static_cast<int>(OverviewColumn::GpioOut);
        Q_EMIT dataChanged(index(0, std::min(in, out)),
                           index(kChannelCount - 1, std::max(in, out)));
    }
    // The options name the octaves anew without telling the channels either.
    if (const bool offset = noteOffset(); offset != shownNoteOffset_) {
        shownNoteOffset_ = offset;
        const int in = 1 + static_cast<int>(OverviewColumn::MidiIn);
        const int out = 1 + static_cast<int>(OverviewColumn::MidiOut);
        Q_EMIT dataChanged(index(0, std::min(in, out)),
                           index(kChannelCount - 1, std::max(in, out)));
    }
    // The options dialog switches the progress bars under the same setting as the View menu.
    if (const bool progress = settings_.isOn(u"ShowProgress"); progress != showProgress_)
        setShowProgress(progress);
    const int position = 1 + static_cast<int>(OverviewColumn::Position);
    // Every channel, not only the playing ones: the strip's position slider moves a
    // stopped or paused sound without a signal.
    for (int ch = 0; ch < kChannelCount; ++ch) {
        // Only a cell whose picture changes is drawn again: the shown second or the fill
        // in half-percent steps. This keeps 32 playing rows cheap for the UI thread.
        const std::int64_t frames =
            std::max<std::int64_t>(KAE__Channel_GetPositionInSamples(ch), 0);
        const int rate = std::max(show_.store().channel(ch).sampleRate, 1);
        const std::int64_t shown =
            (frames / rate) * 1000 + (showProgress_ ? static_cast<int>(progressFill(ch) * 200) : 0);
        auto& last = shownPosition_[static_cast<std::size_t>(ch)];
        if (shown == last)
            continue;
        last = shown;
        Q_EMIT dataChanged(index(ch, position), index(ch, position));
    }
}

void OverviewModel::setShowProgress(bool on) {
    showProgress_ = on;
    const int position = 1 + static_cast<int>(OverviewColumn::Position);
    Q_EMIT dataChanged(index(0, position), index(kChannelCount - 1, position));
}

void OverviewModel::setGridFont(const QFont& font, const QColor& text) {
    font_ = font;
    text_ = text;
    Q_EMIT dataChanged(index(0, 0), index(kChannelCount - 1, kOverviewColumns));
}

void OverviewModel::cellChanged(int ch, int logicalColumn) {
    if (ch >= 0 && ch < kChannelCount && logicalColumn >= 0)
        Q_EMIT dataChanged(index(ch, logicalColumn), index(ch, logicalColumn));
}

void OverviewModel::setFlash(int ch, int logicalColumn, bool on) {
    const int oldRow = flashRow_, oldColumn = flashColumn_;
    flashRow_ = on ? ch : -1;
    flashColumn_ = on ? logicalColumn : -1;
    cellChanged(oldRow, oldColumn);
    cellChanged(ch, logicalColumn);
}

void OverviewModel::setPressed(int ch, int logicalColumn, bool on) {
    const int oldRow = pressedRow_, oldColumn = pressedColumn_;
    pressedRow_ = on ? ch : -1;
    pressedColumn_ = on ? logicalColumn : -1;
    cellChanged(oldRow, oldColumn);
    cellChanged(ch, logicalColumn);
}

} // namespace kalvor
