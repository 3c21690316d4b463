#include "mainwindow/PlayLog.h"

#include "mainwindow/LogTexts.h"

#include <QStringList>

namespace kalvor {

std::pair<QString, QString> splitArtistTitle(const QString& soundName) {
    const qsizetype dash = soundName.indexOf(QLatin1Char('-'));
    const QString title = dash < 0 ? QString() : soundName.mid(dash + 1).trimmed();
    // An empty title would mark the row as free and the entry would be lost: a name with
    // nothing after its dash is kept whole as the title.
    if (title.isEmpty())
        return {QString(), soundName.trimmed()};
    return {soundName.left(dash).trimmed(), title};
}

QString addLogSecond(const QString& length) {
    const QStringList parts = length.split(QLatin1Char(':'));
    long long h = 0;
    int m = 0;
    int s = 0;
    bool ok = parts.size() == 3;
    if (ok) {
        bool okH = false, okM = false, okS = false;
        h = parts[0].toLongLong(&okH);
        m = parts[1].toInt(&okM);
        s = parts[2].toInt(&okS);
        ok = okH && okM && okS && h >= 0 && m >= 0 && s >= 0;
    }
    if (!ok)
        h = m = s = 0;
    if (++s >= 60) {
        s = 0;
        if (++m >= 60) {
            m = 0;
            ++h;
        }
    }
    return QStringLiteral("%1:%2:%3")
        .arg(h, 2, 10, QLatin1Char('0'))
        .arg(m, 2, 10, QLatin1Char('0'))
        .arg(s, 2, 10, QLatin1Char('0'));
}

namespace {
const UiText* const kCaptions[kLogColumns] = {
    &texts::LogColNo,   &texts::LogColArtist, &texts::LogColTitle, &texts::LogColDate,
    &texts::LogColTime, &texts::LogColLength, &texts::LogColNotes};
}

PlayLog::PlayLog(QObject* parent) : QAbstractTableModel(parent) {
    font_ = QFont(QStringLiteral("Tahoma"), 9);
    retranslate();
}

int PlayLog::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows();
}

int PlayLog::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kLogColumns;
}

const LogCell& PlayLog::cell(int row, int column) const {
    return rows_.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(column));
}

static QVariant formatRole(const LogCell& c, const QFont& base, int role) {
    if (role == Qt::FontRole && (c.format.bold || c.format.italic)) {
        QFont f = base;
        f.setBold(c.format.bold);
        f.setItalic(c.format.italic);
        return f;
    }
    if (role == Qt::ForegroundRole && c.format.colour.isValid())
        return c.format.colour;
    return {};
}

QVariant PlayLog::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows())
        return {};
    const LogCell& c = cell(index.row(), index.column());
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return c.text;
    if (role == Qt::TextAlignmentRole && index.column() != LogArtist &&
        index.column() != LogTitle && index.column() != LogNotes)
        return QVariant::fromValue(Qt::AlignCenter);
    return formatRole(c, font_, role);
}

bool PlayLog::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole || index.column() == LogNo)
        return false;
    setCellText(index.row(), index.column(), value.toString());
    return true;
}

Qt::ItemFlags PlayLog::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    // Every cell but the number can be corrected by hand; the notes are the usual case.
    if (index.isValid() && index.column() != LogNo)
        f |= Qt::ItemIsEditable;
    return f;
}

QVariant PlayLog::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kLogColumns)
        return {};
    const LogCell& c = header_.at(static_cast<std::size_t>(section));
    if (role == Qt::DisplayRole)
        return c.text;
    return formatRole(c, font_, role);
}

void PlayLog::changed(int row, int first, int last) {
    Q_EMIT dataChanged(index(row, first), index(row, last));
}

void PlayLog::setCellText(int row, int column, const QString& text) {
    auto& c = rows_.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(column));
    if (c.text == text)
        return;
    c.text = text;
    changed(row, column, column);
}

int PlayLog::newRow() {
    for (int r = 0; r < rows(); ++r) {
        if (rowEmpty(r))
            return r;
    }
    padRows(rows() + 1);
    return rows() - 1;
}

void PlayLog::startEntry(int row, const QString& soundName, const QString& date,
                         const QString& time) {
    auto& cells = rows_.at(static_cast<std::size_t>(row));
    const auto [artist, title] = splitArtistTitle(soundName);
    cells[LogArtist].text = artist;
    cells[LogTitle].text = title;
    cells[LogDate].text = date;
    cells[LogTime].text = time.left(5);
    cells[LogLength].text = QStringLiteral("00:00:00");
    changed(row, LogArtist, LogLength);
    Q_EMIT entryStarted(row);
}

void PlayLog::tickEntry(int row) {
    setCellText(row, LogLength, addLogSecond(cell(row, LogLength).text));
}

void PlayLog::clearEntries() {
    if (rows_.empty())
        return;
    for (auto& cells : rows_) {
        for (int c = LogArtist; c < kLogColumns; ++c)
            cells[static_cast<std::size_t>(c)] = LogCell{};
    }
    Q_EMIT dataChanged(index(0, LogArtist), index(rows() - 1, LogNotes));
}

void PlayLog::removeRow(int row) {
    if (row < 0 || row >= rows())
        return;
    beginRemoveRows({}, row, row);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
    renumber(row);
}

void PlayLog::padRows(int count) {
    if (count <= rows())
        return;
    beginInsertRows({}, rows(), count - 1);
    while (rows() < count) {
        LogRowCells cells;
        cells[LogNo].text = QString::number(rows() + 1);
        rows_.push_back(cells);
    }
    endInsertRows();
}

void PlayLog::trimEmptyRows() {
    int keep = rows();
    while (keep > 0 && rowEmpty(keep - 1))
        --keep;
    if (keep == rows())
        return;
    beginRemoveRows({}, keep, rows() - 1);
    rows_.resize(static_cast<std::size_t>(keep));
    endRemoveRows();
}

bool PlayLog::hasEntries() const {
    for (const auto& cells : rows_) {
        for (int c = LogArtist; c < kLogColumns; ++c) {
            if (!cells[static_cast<std::size_t>(c)].text.isEmpty())
                return true;
        }
    }
    return false;
}

void PlayLog::renumber(int from) {
    for (int r = from; r < rows(); ++r)
        rows_[static_cast<std::size_t>(r)][LogNo].text = QString::number(r + 1);
    if (from < rows())
        Q_EMIT dataChanged(index(from, LogNo), index(rows() - 1, LogNo));
}

void PlayLog::replace(const LogRowCells& header, std::vector<LogRowCells> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    ownHeader_ = false;
    for (const LogCell& c : header) {
        if (!c.text.isEmpty())
            ownHeader_ = true;
    }
    if (ownHeader_)
        header_ = header;
    for (int r = 0; r < this->rows(); ++r)
        rows_[static_cast<std::size_t>(r)][LogNo].text = QString::number(r + 1);
    endResetModel();
    if (!ownHeader_)
        retranslate();
}

LogRowCells PlayLog::header() const {
    return header_;
}

void PlayLog::setFont(const QFont& font) {
    font_ = font;
    if (!rows_.empty())
        Q_EMIT dataChanged(index(0, 0), index(rows() - 1, kLogColumns - 1));
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, kLogColumns - 1);
}

void PlayLog::retranslate() {
    if (ownHeader_)
        return;
    for (int c = 0; c < kLogColumns; ++c) {
        auto& h = header_[static_cast<std::size_t>(c)];
        h.text = txt(*kCaptions[c]);
        h.format.bold = true;
    }
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, kLogColumns - 1);
}

} // namespace kalvor
