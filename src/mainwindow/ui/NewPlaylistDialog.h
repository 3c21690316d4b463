// The new-playlist dialog ("Initialising..."): three check boxes saying which parts of the
// show to empty. It only asks; the show layer does the work. UI thread.
#pragma once

#include <QDialog>

#include <optional>

class QCheckBox;

namespace kalvor {

struct NewPlaylistChoice {
    bool clearPresets = true;
    bool clearSoundLists = true;
    bool clearPlaylists = false;
};

class NewPlaylistDialog : public QDialog {
    Q_OBJECT
public:
    explicit NewPlaylistDialog(QWidget* parent = nullptr);
    NewPlaylistChoice choice() const;

    // Shows the dialog modally; nullopt when cancelled.
    static std::optional<NewPlaylistChoice> ask(QWidget* parent);

private:
    QCheckBox* chkInitPresets_;
    QCheckBox* chkDeleteSounds_;
    QCheckBox* chkClearPlaylists_;
};

} // namespace kalvor
