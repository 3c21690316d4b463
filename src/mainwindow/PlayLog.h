// The play log: which sounds were played, for music-rights returns. Seven columns (number,
// artist, title, date, start time, played length, notes), one row per entry; a row whose
// title is empty is free for the next entry. It is a Qt table model of its own, so the
// Log page's view, the files and the tests share one list. Each cell keeps a small format
// (bold, italic, colour) that the ".klg" form stores with its text. UI thread.
#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QFont>
#include <QString>

#include <array>
#include <utility>
#include <vector>

namespace kalvor {

enum LogColumn { LogNo, LogArtist, LogTitle, LogDate, LogTime, LogLength, LogNotes };
inline constexpr int kLogColumns = 7;

struct LogCellFormat {
    bool bold = false;
    bool italic = false;
    QColor colour; // invalid: the list's text colour
    friend bool operator==(const LogCellFormat&, const LogCellFormat&) = default;
};

struct LogCell {
    QString text;
    LogCellFormat format;
    friend bool operator==(const LogCell&, const LogCell&) = default;
};

using LogRowCells = std::array<LogCell, kLogColumns>;

// A sound name split into artist and title at its first "-", both trimmed; a name without
// "-" is all title.
std::pair<QString, QString> splitArtistTitle(const QString& soundName);

// One more second on a played length "hh:mm:ss". Hours go past 99 rather than wrap, so a
// very long run is never under-reported; an unreadable text starts again at 00:00:01.
QString addLogSecond(const QString& length);

class PlayLog : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit PlayLog(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Rows are 0-based here; the number column shows row + 1.
    int rows() const { return static_cast<int>(rows_.size()); }
    const LogCell& cell(int row, int column) const;
    void setCellText(int row, int column, const QString& text);
    bool rowEmpty(int row) const { return cell(row, LogTitle).text.isEmpty(); }

    // The first free row (title empty), or a new numbered row at the end.
    int newRow();
    // Fills a free row for `soundName` started at the given date and time texts.
    void startEntry(int row, const QString& soundName, const QString& date, const QString& time);
    // One played second on the row's length.
    void tickEntry(int row);

    // Empties columns 1..6 of every row; the numbered rows stay.
    void clearEntries();
    void removeRow(int row);
    // Appends empty numbered rows until there are `count`.
    void padRows(int count);
    // Drops empty rows from the bottom up (for printing without them).
    void trimEmptyRows();
    // Any cell below the header, outside the number column, holds text.
    bool hasEntries() const;

    // Replaces everything: headers (may be empty: the language's own) and rows, renumbered.
    void replace(const LogRowCells& header, std::vector<LogRowCells> rows);
    LogRowCells header() const;
    const std::vector<LogRowCells>& allRows() const { return rows_; }

    // The list's font (the view's and the printout's).
    QFont font() const { return font_; }
    void setFont(const QFont& font);

    // The column captions of the current language; set again after a language switch.
    void retranslate();

Q_SIGNALS:
    // A new entry was made in `row`: views scroll to it.
    void entryStarted(int row);

private:
    void renumber(int from);
    void changed(int row, int first, int last);

    std::vector<LogRowCells> rows_;
    LogRowCells header_;
    bool ownHeader_ = false; // header came from a file: kept as loaded
    QFont font_;
};

} // namespace kalvor
