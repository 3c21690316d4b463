// The text reader's files: opening and saving scripts with their questions and messages,
// printing, and the playlist's link. UI thread.
#include "core/Dialogs.h"
#include "show/playlist/PlaylistTexts.h"
#include "tools/text/TextReaderTexts.h"
#include "tools/ui/TextReaderRtf.h"
#include "tools/ui/TextReaderWindow.h"

#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>

namespace kalvor {

namespace {

QString filterList(bool plainFirst) {
    const QString rtf = txt(texts::ReaderRtfFilter);
    const QString plain = txt(texts::ReaderTxtFilter);
    const QString sep = QStringLiteral(";;");
    return (plainFirst ? plain + sep + rtf : rtf + sep + plain) + sep + txt(texts::ReaderAllFilter);
}

} // namespace

void TextReaderWindow::PrintText() {
    QPagedPaintDevice* device = nullptr;
    if (choosePrinter) {
        device = choosePrinter();
    } else {
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        if (!QPrinterInfo::availablePrinters().isEmpty()) {
            QPrintDialog dialog(printer_.get(), this);
            if (dialog.exec() == QDialog::Accepted)
                device = printer_.get();
        } else {
            // No printer on this machine: the script goes into a PDF file instead.
            const QString file = dialogs().saveFile(txt(texts::ReaderTipPrint), QString(),
                                                    QStringLiteral("PDF (*.pdf)"));
            if (!file.isEmpty()) {
                printer_->setOutputFormat(QPrinter::PdfFormat);
                printer_->setOutputFileName(
                    file.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)
                        ? file
                        : file + QStringLiteral(".pdf"));
                device = printer_.get();
            }
        }
    }
    if (device)
        txtText_->document()->print(device);
}

void TextReaderWindow::emptyText() {
    txtText_->clear();
    document_.clear();
    applyTitle();
    Q_EMIT documentChanged();
}

void TextReaderWindow::newText() {
    if (dialogs().message(txt(texts::TextReaderTitle), txt(texts::ReaderNewQuestion),
                          MessageIcon::Question, MessageButtons::YesNo,
                          MessageResult::No) == MessageResult::Yes)
        emptyText();
}

void TextReaderWindow::closeText() {
    if (dialogs().message(txt(texts::TextReaderTitle), txt(texts::ReaderCloseQuestion),
                          MessageIcon::Question, MessageButtons::YesNo,
                          MessageResult::No) == MessageResult::Yes)
        emptyText();
}

void TextReaderWindow::openText() {
    const QString folder = document_.isSet() ? document_.link().folder : QString();
    const QStringList files = dialogs().openFiles(
        txt(texts::ReaderLoadTitle), folder,
        filterList(document_.isSet() &&
                   text::scriptKindOfName(document_.fileName()) == text::ScriptKind::Plain),
        false);
    if (!files.isEmpty())
        LoadText(files.front());
}

void TextReaderWindow::setDocumentText(const text::ScriptRead& read) {
    QTextDocument* doc = txtText_->document();
    txtText_->clear();
    if (read.kind == text::ScriptKind::Plain) {
        QTextCharFormat plain;
        plain.setFontFamilies({QStringLiteral("System")});
        plain.setFontPointSize(8);
        plain.setFontWeight(QFont::Normal);
        plain.setFontItalic(false);
        plain.setFontUnderline(false);
        plain.setForeground(Qt::black);
        QTextCursor c(doc);
        c.setBlockCharFormat(plain);
        c.insertText(read.plain, plain);
    } else {
        fillTextDocument(*doc, read.rich);
    }
    QTextCursor start(doc);
    txtText_->setTextCursor(start);
    // Loading is not an edit the operator could undo.
    doc->clearUndoRedoStacks();
    doc->setModified(false);
    ShowFormat();
}

bool TextReaderWindow::LoadText(const QString& path) {
    using Status = text::ScriptRead::Status;
    const text::ScriptRead read = text::readScriptFile(path);
    const QString where = QStringLiteral("\n") + path;
    switch (read.status) {
    case Status::NotFound:
        showMessage(txt(texts::ReaderLoadError), txt(texts::ReaderFileNotFound),
                    MessageIcon::Critical);
        return false;
    case Status::Unreadable:
        showMessage(txt(texts::ReaderLoadError),
                    txt(texts::ReaderUnreadable) + where + QStringLiteral("\n") + read.error,
                    MessageIcon::Critical);
        return false;
    case Status::NotRtf:
        showMessage(txt(texts::ReaderLoadError), txt(texts::ReaderNotRtf) + where,
                    MessageIcon::Critical);
        return false;
    case Status::TooDeep:
        showMessage(txt(texts::ReaderLoadError), txt(texts::ReaderTooDeep) + where,
                    MessageIcon::Critical);
        return false;
    case Status::Read:
    case Status::Truncated:
        break;
    }
    setDocumentText(read);
    document_.setPath(path);
    applyTitle();
    Q_EMIT documentChanged();
    if (read.status == Status::Truncated)
        showMessage(txt(texts::ReaderLoadError), txt(texts::ReaderTruncated) + where,
                    MessageIcon::Warning);
    return true;
}

TextReaderWindow::SaveOffer TextReaderWindow::saveOffer() const {
    SaveOffer offer;
    const bool plain = document_.isSet() &&
                       text::scriptKindOfName(document_.fileName()) == text::ScriptKind::Plain;
    offer.filter = filterList(plain);
    if (document_.isSet()) {
        const QString name = document_.fileName();
        offer.suggestedPath =
            document_.link().folder + name.left(std::max<qsizetype>(0, name.size() - 4));
    }
    return offer;
}

void TextReaderWindow::saveText() {
    if (document_.isSet() && !document_.isMissing())
        writeTo(document_.path());
    else
        SaveText();
}

void TextReaderWindow::SaveText() {
    const SaveOffer offer = saveOffer();
    QString path =
        dialogs().saveFile(txt(texts::ReaderSaveTitle), offer.suggestedPath, offer.filter);
    if (path.isEmpty())
        return;
    const QString ending = QFileInfo(path).suffix().toLower();
    if (ending != QLatin1String("rtf") && ending != QLatin1String("txt")) {
        // A name typed without its ending gets the one of the filter offered first.
        path += offer.filter.startsWith(txt(texts::ReaderTxtFilter)) ? QStringLiteral(".txt")
                                                                     : QStringLiteral(".rtf");
    }
    if (QFileInfo::exists(path) &&
        dialogs().message(txt(texts::ReaderFileError), txt(texts::ReaderFileExists),
                          MessageIcon::Question, MessageButtons::YesNo,
                          MessageResult::No) != MessageResult::Yes)
        return;
    writeTo(path);
}

bool TextReaderWindow::writeTo(const QString& path) {
    QString error;
    if (!text::writeScriptFile(path, richDocumentOf(*txtText_->document()), txtText_->toPlainText(),
                               &error)) {
        showMessage(txt(texts::ReaderFileError),
                    txt(texts::ReaderSaveFailed) + QStringLiteral("\n") + path +
                        QStringLiteral("\n") + error,
                    MessageIcon::Critical);
        return false;
    }
    txtText_->document()->setModified(false);
    document_.setPath(path);
    applyTitle();
    Q_EMIT documentChanged();
    return true;
}

void TextReaderWindow::clearForPlaylist() {
    txtText_->clear();
    document_.clear();
    applyTitle();
    Q_EMIT documentChanged();
}

void TextReaderWindow::openPlaylistDocument(const playlist::TextReaderDocument& d) {
    if (d.kind == playlist::TextReaderDocument::Kind::Missing) {
        // The link stays, so saving the show keeps it for the machine that has the file.
        txtText_->setPlainText(d.missingText);
        txtText_->document()->setModified(false);
        document_.setPath(d.path);
        document_.setMissing(true);
        applyTitle();
        Q_EMIT documentChanged();
        return;
    }
    LoadText(d.path);
}

void TextReaderWindow::attachToPlaylists(playlist::PlaylistFiles& files) {
    files.hooks().clearTextReader = [this] {
        clearForPlaylist();
    };
    files.hooks().openTextReaderDocument = [this](const playlist::TextReaderDocument& d) {
        openPlaylistDocument(d);
    };
    files.saveSources().textReaderLink = [this] {
        return document_.link();
    };
}

} // namespace kalvor
