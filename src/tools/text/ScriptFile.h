// Show scripts on disk: ".rtf" files through our RTF reader and writer, ".txt" files as
// plain text (read as UTF-8, Windows-1252 or marked UTF-16, written as UTF-8 with CR LF),
// and the name of the loaded script as the playlist link, the window title and the KR-1
// unit use it.
// Headless; UI thread (the document name), any thread (the file functions).
#pragma once

#include "show/playlist/PlaylistDocument.h"
#include "tools/text/RichText.h"

#include <QString>
#include <QStringList>

namespace kalvor::text {

enum class ScriptKind { Rich, Plain };

// ".txt" (any letter case) is plain text; ".rtf" and every other name rich text, except
// that a file chosen under "All files" is read as what its first bytes say it is.
ScriptKind scriptKindOfName(const QString& path);

struct ScriptRead {
    enum class Status {
        Read,
        NotFound,
        Unreadable, // cannot be opened, or too large
        NotRtf,     // an ".rtf" name over something else
        Truncated,  // an RTF file that ends early: the text read so far is given
        TooDeep,    // groups nested deeper than the reader takes
    };
    Status status = Status::Read;
    ScriptKind kind = ScriptKind::Rich;
    RichDocument rich; // with kind Rich
    QString plain;     // with kind Plain: lines joined with "\n"
    QString error;     // the system's reason with Unreadable
};

// Scripts are text: anything larger is not one.
inline constexpr qint64 kMaxScriptBytes = qint64{64} * 1024 * 1024;

ScriptRead readScriptFile(const QString& path);

// Writes atomically (the old file stays whole on any failure). `plainText` is used for
// ".txt" names, `rich` for all others.
bool writeScriptFile(const QString& path, const RichDocument& rich, const QString& plainText,
                     QString* error = nullptr);

// The script the text reader holds: its folder and name, as the playlist links it. The
// KR-1 unit reads the short name from here, without a window.
class ScriptDocument {
public:
    // Folder + name; empty for none.
    void setPath(const QString& path);
    void clear() {
        link_ = {};
        missing_ = false;
    }
    // A playlist's script that is not on this machine: the link stays, the name is not shown.
    void setMissing(bool missing) { missing_ = missing; }
    bool isMissing() const { return missing_; }
    bool isSet() const { return link_.isSet(); }
    QString path() const { return link_.path(); }
    QString fileName() const { return link_.name; }
    const playlist::TextReaderLink& link() const { return link_; }
    void setLink(const playlist::TextReaderLink& link) { link_ = link; }

    // The name less its last four characters, at most 12 characters (the 12th a "~" when
    // cut): what the KR-1 unit shows. Empty when there is no script or it is missing.
    QString shortDocumentName() const;

    // The script's text as lines, as saved on disk, for the remote unit's text screen
    // (which has no editor of its own). Empty when there is no script, it is missing or it
    // cannot be read.
    QStringList lines() const;

private:
    playlist::TextReaderLink link_;
    bool missing_ = false;
};

} // namespace kalvor::text
