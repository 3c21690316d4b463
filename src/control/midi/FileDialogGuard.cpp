#include "control/midi/FileDialogGuard.h"

#include "control/midi/MidiSystem.h"

namespace kalvor::midi {

QStringList FileDialogGuard::openFiles(const QString& title, const QString& folder,
                                       const QString& filter, bool multiple) {
    midi_.suspendInput();
    QStringList files = inner_.openFiles(title, folder, filter, multiple);
    midi_.resumeInput();
    return files;
}

QString FileDialogGuard::saveFile(const QString& title, const QString& suggestedPath,
                                  const QString& filter) {
    midi_.suspendInput();
    QString file = inner_.saveFile(title, suggestedPath, filter);
    midi_.resumeInput();
    return file;
}

} // namespace kalvor::midi
