#include "mainwindow/ui/PlaylistSelector.h"

#include "core/Dialogs.h"
#include "core/RecentPlaylists.h"
#include "mainwindow/PanelTexts.h"
#include "show/playback/ShowLayer.h"

#include <QComboBox>
#include <QHBoxLayout>

namespace kalvor {

PlaylistSelector::PlaylistSelector(ShowLayer& show, RecentPlaylists& recent, QWidget* parent)
    : QGroupBox(parent), show_(show), recent_(recent) {
    setObjectName(QStringLiteral("frmPlaylist"));
    cmbPlaylistList_ = new QComboBox(this);
    cmbPlaylistList_->setObjectName(QStringLiteral("cmbPlaylistList"));
    cmbPlaylistList_->setMaxVisibleItems(20);
    cmbPlaylistList_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cmbPlaylistList_->setMinimumContentsLength(20);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(cmbPlaylistList_);

    // Only the operator's own choice loads; `activated` is never sent for a selection
    // set from code.
    connect(cmbPlaylistList_, &QComboBox::activated, this, &PlaylistSelector::onChosen);
    connect(&recent_, &RecentPlaylists::changed, this, &PlaylistSelector::rebuild);
    connect(&recent_, &RecentPlaylists::selectionChanged, this, &PlaylistSelector::showSelection);
    connect(&UiLanguage::instance(), &UiLanguage::changed, this, &PlaylistSelector::applyCaptions);
    rebuild();
    applyCaptions();
}

void PlaylistSelector::rebuild() {
    const bool wasFilling = std::exchange(filling_, true);
    cmbPlaylistList_->clear();
    cmbPlaylistList_->addItems(recent_.names());
    cmbPlaylistList_->setCurrentIndex(recent_.selection());
    filling_ = wasFilling;
}

void PlaylistSelector::showSelection(int index) {
    const bool wasFilling = std::exchange(filling_, true);
    cmbPlaylistList_->setCurrentIndex(index);
    filling_ = wasFilling;
}

bool PlaylistSelector::isOpenForInput() const {
    return isEnabled() && cmbPlaylistList_->isEnabled();
}

bool PlaylistSelector::step(int direction) {
    if (!isOpenForInput() || direction == 0)
        return false;
    const int from = cmbPlaylistList_->currentIndex();
    const int to = from < 0 ? (direction > 0 ? 0 : -1) : from + (direction > 0 ? 1 : -1);
    if (to < 0 || to >= cmbPlaylistList_->count())
        return false;
    showSelection(to);
    onChosen(to);
    return true;
}

void PlaylistSelector::onChosen(int index) {
    if (filling_ || index < 0)
        return;
    recent_.selectByUser(index);
    setEnabled(false);
    cmbPlaylistList_->setEnabled(false);
    const QString path = playlist::findRecentPlaylist(recent_, index);
    if (!path.isEmpty()) {
        show_.LoadPlaylist(path);
    } else {
        showMessage(txt(texts::PlaylistFileErrorTitle), txt(texts::PlaylistFileMissing),
                    MessageIcon::Critical);
    }
    cmbPlaylistList_->setEnabled(true);
    setEnabled(true);
}

void PlaylistSelector::applyCaptions() {
    setTitle(txt(texts::PlaylistFrame));
    setTooltips(tooltipsOn_);
}

void PlaylistSelector::setTooltips(bool on) {
    tooltipsOn_ = on;
    cmbPlaylistList_->setToolTip(on ? txt(texts::PlaylistTip) : QString());
}

} // namespace kalvor
