#include "app/PlaceholderMainWindow.h"

#include "core/CoreTexts.h"
#include "core/Lifecycle.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "core/SoundEntry.h"
#include "core/UiLanguage.h"
#include "core/ui/SystemMessagesWindow.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QMenuBar>
#include <QVBoxLayout>

namespace kalvor {

PlaceholderMainWindow::PlaceholderMainWindow(ShowStore& store, Settings& settings,
                                             Lifecycle& lifecycle, SystemMessagesWindow& messages)
    : store_(store), settings_(settings), lifecycle_(lifecycle) {
    setObjectName(QStringLiteral("frmMain"));
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    playlist_ = new QLabel(central);
    presets_ = new QLabel(central);
    QFont big = playlist_->font();
    big.setPointSize(big.pointSize() + 4);
    big.setBold(true);
    playlist_->setFont(big);
    layout->addWidget(playlist_);
    layout->addWidget(presets_);

    auto* grid = new QGridLayout;
    for (int ch = 0; ch < kChannelCount; ++ch) {
        auto* l = new QLabel(central);
        l->setFrameShape(QFrame::StyledPanel);
        l->setAlignment(Qt::AlignCenter);
        l->setMinimumSize(110, 36);
        grid->addWidget(l, ch / kChannelsPerPage, ch % kChannelsPerPage);
        titles_[static_cast<std::size_t>(ch)] = l;
    }
    layout->addLayout(grid);
    layout->addStretch(1);
    setCentralWidget(central);

    fileMenu_ = menuBar()->addMenu(QString());
    exit_ = fileMenu_->addAction(QString(), this, &QWidget::close);
    viewMenu_ = menuBar()->addMenu(QString());
    showMessages_ = viewMenu_->addAction(QString(), &messages, [&messages] {
        messages.show();
        messages.raise();
    });
    languageMenu_ = menuBar()->addMenu(QString());
    auto* group = new QActionGroup(this);
    english_ = languageMenu_->addAction(QString());
    german_ = languageMenu_->addAction(QString());
    for (QAction* a : {english_, german_}) {
        a->setCheckable(true);
        group->addAction(a);
    }
    // The same switch as the options window's: the setting, then every caption at once.
    auto switchTo = [this](Language language) {
        settings_.setText(u"Language", UiLanguage::toSetting(language));
        settings_.sync();
        UiLanguage::instance().set(language);
    };
    connect(english_, &QAction::triggered, this, [switchTo] { switchTo(Language::English); });
    connect(german_, &QAction::triggered, this, [switchTo] { switchTo(Language::German); });

    connect(&UiLanguage::instance(), &UiLanguage::changed, this,
            &PlaceholderMainWindow::applyCaptions);
    connect(&store_, &ShowStore::channelTitlesChanged, this, &PlaceholderMainWindow::refresh);
    connect(&store_, &ShowStore::presetsChanged, this, &PlaceholderMainWindow::refresh);
    connect(&store_, &ShowStore::playlistPathChanged, this, &PlaceholderMainWindow::refresh);
    applyCaptions();
    resize(1024, 420);
}

void PlaceholderMainWindow::applyCaptions() {
    setWindowTitle(txt(texts::MainWindowTitle));
    fileMenu_->setTitle(txt(texts::MenuFile));
    exit_->setText(txt(texts::MenuExit));
    viewMenu_->setTitle(txt(texts::MenuView));
    showMessages_->setText(txt(texts::MenuSystemMessages));
    languageMenu_->setTitle(txt(texts::MenuLanguage));
    english_->setText(txt(texts::LanguageEnglish));
    german_->setText(txt(texts::LanguageGerman));
    (UiLanguage::instance().isEnglish() ? english_ : german_)->setChecked(true);
    refresh();
}

void PlaceholderMainWindow::refresh() {
    const QString path = store_.playlistPath();
    playlist_->setText(path.isEmpty() ? txt(texts::NoPlaylistLoaded)
                                      : txt(texts::PlaylistCaption) + soundDisplayName(path));
    presets_->setText(txt(texts::PresetsInMemory) + QString::number(store_.presets().count()) +
                      QStringLiteral(" / ") + QString::number(store_.presets().capacity()));
    for (int ch = 0; ch < kChannelCount; ++ch)
        titles_[static_cast<std::size_t>(ch)]->setText(store_.channelTitle(ch));
}

void PlaceholderMainWindow::closeEvent(QCloseEvent* event) {
    if (lifecycle_.requestClose())
        event->accept();
    else
        event->ignore();
}

} // namespace kalvor
