#include "mainwindow/ui/NewPlaylistDialog.h"

#include "mainwindow/StripTexts.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace kalvor {

NewPlaylistDialog::NewPlaylistDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmInit"));
    setWindowTitle(txt(texts::InitialisingTitle));
    auto* layout = new QVBoxLayout(this);
    chkInitPresets_ = new QCheckBox(txt(texts::ClearPresetMemory), this);
    chkInitPresets_->setObjectName(QStringLiteral("chkInitPresets"));
    chkDeleteSounds_ = new QCheckBox(txt(texts::ClearSoundlists), this);
    chkDeleteSounds_->setObjectName(QStringLiteral("chkDeleteSounds"));
    chkClearPlaylists_ = new QCheckBox(txt(texts::ClearPlaylists), this);
    chkClearPlaylists_->setObjectName(QStringLiteral("chkClearPlaylists"));
    // The recent playlists survive unless asked for: they are the way back to old shows.
    const NewPlaylistChoice defaults;
    chkInitPresets_->setChecked(defaults.clearPresets);
    chkDeleteSounds_->setChecked(defaults.clearSoundLists);
    chkClearPlaylists_->setChecked(defaults.clearPlaylists);
    for (QCheckBox* box : {chkInitPresets_, chkDeleteSounds_, chkClearPlaylists_})
        layout->addWidget(box);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(txt(texts::Ok));
    buttons->button(QDialogButtonBox::Cancel)->setText(txt(texts::Cancel));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

NewPlaylistChoice NewPlaylistDialog::choice() const {
    return {chkInitPresets_->isChecked(), chkDeleteSounds_->isChecked(),
            chkClearPlaylists_->isChecked()};
}

std::optional<NewPlaylistChoice> NewPlaylistDialog::ask(QWidget* parent) {
    NewPlaylistDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.choice();
}

} // namespace kalvor
