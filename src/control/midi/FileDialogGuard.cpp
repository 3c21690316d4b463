#include "control/midi/FileDialogGuard.h"

#include "control/midi/MidiSystem.h"
#include "show/soundlists/SoundListTexts.h"

namespace kalvor::midi {

QStringList FileDialogGuard::openFiles(const QString& title, const QString& folder,
                                       const QString& filter, bool multiple) {
    // The sound file dialog is known by its title: the channels' lists and the overview
    // open it with the same one, and no other dialog uses it.
    if (title != txt(texts::OpenSoundfiles))
        return inner_.openFiles(title, folder, filter, multiple);
    midi_.suspendInput();
    QStringList files = inner_.openFiles(title, folder, filter, multiple);
    midi_.resumeInput();
    return files;
}

} // namespace kalvor::midi
