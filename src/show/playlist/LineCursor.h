// Walks the lines of a text file held in memory without copying them: CR LF or LF line
// ends, a leading UTF-8 byte-order mark skipped, a last line without a line end counted.
// Readers take a line when the format says one must follow; at the end of the file that
// is the run-time error "Input past end of file", as it ends the reader. Any thread.
#pragma once

#include "show/playlist/PlaylistNumbers.h"

#include <QByteArrayView>
#include <QString>

namespace kalvor::playlist {

class LineCursor {
public:
    explicit LineCursor(QByteArrayView contents) : data_(contents) {
        if (data_.startsWith("\xEF\xBB\xBF"))
            pos_ = 3;
    }

    bool atEnd() const { return pos_ >= data_.size(); }

    // The next line without its line end; throws InputPastEnd at the end of the file.
    QByteArrayView take() {
        if (atEnd())
            throw ReadFault{errnum::InputPastEnd};
        qsizetype end = data_.indexOf('\n', pos_);
        const qsizetype next = end < 0 ? data_.size() : end + 1;
        if (end < 0)
            end = data_.size();
        qsizetype stop = end;
        if (stop > pos_ && data_[stop - 1] == '\r')
            --stop;
        const QByteArrayView line = data_.sliced(pos_, stop - pos_);
        pos_ = next;
        ++lineNumber_;
        return line;
    }

    // Lines read so far (the number of the line last taken, counting from 1).
    int lineNumber() const { return lineNumber_; }

private:
    QByteArrayView data_;
    qsizetype pos_ = 0;
    int lineNumber_ = 0;
};

// A text line as the program keeps it: UTF-8 where valid, otherwise Windows-1252.
// Pure ASCII, by far the common case, is converted without the decoder.
QString decodeText(QByteArrayView line);

// True when the line, without blanks around it, is exactly `text`.
bool lineIs(QByteArrayView line, const char* text);

} // namespace kalvor::playlist
