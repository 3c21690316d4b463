#include "tools/text/ScriptFile.h"

#include "core/TextLines.h"
#include "show/playlist/PlaylistFiles.h"
#include "tools/text/CodePages.h"
#include "tools/text/RtfReader.h"
#include "tools/text/RtfWriter.h"

#include <QFile>
#include <QFileInfo>

namespace kalvor::text {

ScriptKind scriptKindOfName(const QString& path) {
    return path.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive) ? ScriptKind::Plain
                                                                     : ScriptKind::Rich;
}

ScriptRead readScriptFile(const QString& path) {
    ScriptRead r;
    if (!QFileInfo::exists(path)) {
        r.status = ScriptRead::Status::NotFound;
        return r;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        r.status = ScriptRead::Status::Unreadable;
        r.error = file.errorString();
        return r;
    }
    if (file.size() > kMaxScriptBytes) {
        r.status = ScriptRead::Status::Unreadable;
        r.error = QStringLiteral("%1 MB > %2 MB")
                      .arg(file.size() / (1024 * 1024))
                      .arg(kMaxScriptBytes / (1024 * 1024));
        return r;
    }
    const QByteArray bytes = file.readAll();
    r.kind = scriptKindOfName(path);
    const bool rtfName = path.endsWith(QLatin1String(".rtf"), Qt::CaseInsensitive);
    // Under "All files" the contents decide, so a script is never shown as RTF source.
    if (r.kind == ScriptKind::Rich && !rtfName && !looksLikeRtf(bytes))
        r.kind = ScriptKind::Plain;
    if (r.kind == ScriptKind::Plain) {
        r.plain = decodeTextFile(bytes);
        return r;
    }
    RtfReadResult rtf = readRtf(bytes);
    switch (rtf.status) {
    case RtfReadResult::Status::Read:
        break;
    case RtfReadResult::Status::NotRtf:
        r.status = ScriptRead::Status::NotRtf;
        return r;
    case RtfReadResult::Status::TooDeep:
        r.status = ScriptRead::Status::TooDeep;
        return r;
    case RtfReadResult::Status::Truncated:
        r.status = ScriptRead::Status::Truncated;
        break;
    }
    r.rich = std::move(rtf.document);
    return r;
}

bool writeScriptFile(const QString& path, const RichDocument& rich, const QString& plainText,
                     QString* error) {
    if (scriptKindOfName(path) == ScriptKind::Plain)
        return writeTextLines(path, plainText.split(QLatin1Char('\n')), error);
    return writeFileAtomically(path, writeRtf(rich), error);
}

void ScriptDocument::setPath(const QString& path) {
    const QString normal = QString(path).replace(QLatin1Char('\\'), QLatin1Char('/'));
    const qsizetype cut = normal.lastIndexOf(QLatin1Char('/')) + 1;
    link_.folder = path.left(cut);
    link_.name = path.mid(cut);
    missing_ = false;
}

QString ScriptDocument::shortDocumentName() const {
    if (!isSet() || missing_)
        return {};
    // The playlist loader names linked scripts by the same rule; one rule for both.
    return playlist::textReaderDocument(link_, true, link_.path()).shortName;
}

} // namespace kalvor::text
