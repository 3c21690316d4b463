#include "tools/ui/OptionsDialog.h"

#include "core/Dialogs.h"
#include "core/Limits.h"
#include "core/Settings.h"
#include "core/SystemMessages.h"
#include "engine/kae/Kae.h"
#include "show/playback/ShowLayer.h"
#include "tools/OptionPaths.h"
#include "tools/OptionTree.h"
#include "tools/OptionsTexts.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kalvor {

namespace {

constexpr UiText kSaveCaption{"&Close", "&Schliessen"};

// Scrolls a page up and down only: it is as wide as the page needs, so no control is cut
// at the right.
class PageScroll : public QScrollArea {
public:
    using QScrollArea::QScrollArea;
    QSize minimumSizeHint() const override {
        const int page = widget() ? widget()->minimumSizeHint().width() : 0;
        return {page + verticalScrollBar()->sizeHint().width() + 2 * frameWidth(),
                QScrollArea::minimumSizeHint().height()};
    }
};

} // namespace

OptionsDialog::OptionsDialog(Settings& settings, ShowLayer* show, OptionDevices devices,
                             OptionsHooks hooks, QWidget* parent)
    : QDialog(parent), settings_(settings), show_(show), devices_(std::move(devices)),
      hooks_(std::move(hooks)) {
    setObjectName(QStringLiteral("frmOptions"));
    auto* outer = new QVBoxLayout(this);
    auto* body = new QHBoxLayout;
    outer->addLayout(body, 1);

    tree_ = new QTreeWidget(this);
    tree_->setObjectName(QStringLiteral("treOptions"));
    tree_->setHeaderHidden(true);
    tree_->setFixedWidth(190);
    body->addWidget(tree_);

    stack_ = new QStackedWidget(this);
    blank_ = new QWidget(stack_);
    stack_->addWidget(blank_);
    body->addWidget(stack_, 1);

    const std::pair<const char*, QWidget* (OptionsDialog::*)()> pages[] = {
        {"Interface", &OptionsDialog::buildInterfacePage},
        {"Audio", &OptionsDialog::buildAudioPage},
        {"Output Devices", &OptionsDialog::buildOutputDevicesPage},
        {"Soundlist", &OptionsDialog::buildSoundlistPage},
        {"Playlist", &OptionsDialog::buildPlaylistPage},
        {"Log", &OptionsDialog::buildLogPage},
        {"RS232Remote", &OptionsDialog::buildRs232Page},
        {"USBRemote", &OptionsDialog::buildUsbRemotePage},
        {"GPIO", &OptionsDialog::buildGpioPage},
        {"Touchscreen", &OptionsDialog::buildTouchscreenPage},
        {"MIDISetup", &OptionsDialog::buildMidiSetupPage},
        {"MIDIAssign", &OptionsDialog::buildMidiAssignPage},
        {"MIDIMonitor", &OptionsDialog::buildMidiMonitorPage},
        {"Display", &OptionsDialog::buildDisplayPage},
        {"FTP", &OptionsDialog::buildFtpPage},
        {"OSC", &OptionsDialog::buildOscPage},
    };
    for (const auto& [key, build] : pages) {
        QWidget* page = (this->*build)();
        page->setObjectName(QStringLiteral("fra") +
                            QString::fromLatin1(key).remove(QLatin1Char(' ')));
        // The longest pages (Interface, GPI/O) are taller than a screen of 768 lines has
        // room for: they scroll, so the dialog and its Close button stay on the screen.
        auto* scroll = new PageScroll(stack_);
        scroll->setWidgetResizable(true);
        scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setWidget(page);
        stack_->addWidget(scroll);
        pages_.insert(QString::fromLatin1(key), scroll);
    }
    buildTree();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    save_ = new QPushButton(this);
    save_->setObjectName(QStringLiteral("cmdSave"));
    bind_.caption(save_, kSaveCaption);
    buttons->addWidget(save_);
    outer->addLayout(buttons);
    connect(save_, &QPushButton::clicked, this, [this] { save(); });

    connect(&UiLanguage::instance(), &UiLanguage::changed, this, [this](Language language) {
        // The menu's switch shows here too, without switching a second time.
        const bool was = loading_;
        loading_ = true;
        const int button = language == Language::German ? 0 : 1;
        if (auto* b = findChild<QRadioButton*>(QStringLiteral("opt_language_%1").arg(button)))
            b->setChecked(true);
        loading_ = was;
        applyCaptions();
        ApplyOptionTreeLabels();
    });
    lastPage_ = QString::fromLatin1(firstOptionPage().key);
    loadSettings();
    applyCaptions();
    ApplyOptionTreeLabels();
    selectPage(lastPage_);
    resize(900, 600);
}

OptionsDialog::~OptionsDialog() = default;

void OptionsDialog::buildTree() {
    for (const OptionNode& n : optionNodes()) {
        QTreeWidgetItem* parent = n.parent ? items_.value(QString::fromLatin1(n.parent)) : nullptr;
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree_);
        item->setData(0, Qt::UserRole, QString::fromLatin1(n.key));
        if (!n.hasPage)
            item->setFlags(Qt::ItemIsEnabled);
        items_.insert(QString::fromLatin1(n.key), item);
    }
    tree_->expandAll();
    connect(tree_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { onNodeSelected(item); });
}

void OptionsDialog::ApplyOptionTreeLabels() {
    for (const OptionNode& n : optionNodes())
        items_.value(QString::fromLatin1(n.key))->setText(0, txt(n.caption));
}

void OptionsDialog::HideAllOptionFrames() {
    stack_->setCurrentWidget(blank_);
}

void OptionsDialog::onNodeSelected(QTreeWidgetItem* item) {
    if (!item)
        return;
    const QString key = item->data(0, Qt::UserRole).toString();
    QWidget* page = pages_.value(key);
    if (!page)
        return; // a group node keeps the page that is showing
    HideAllOptionFrames();
    stack_->setCurrentWidget(page);
    lastPage_ = key;
    if (key == QLatin1String("MIDIAssign"))
        loadMidiGrid();
    if (key == QLatin1String("MIDISetup"))
        refreshMidiDevices();
}

void OptionsDialog::selectPage(const QString& key) {
    const OptionNode* node = findOptionNode(key);
    const QString k = node && node->hasPage ? QString::fromLatin1(node->key)
                      : key.isEmpty() && lastPage_.isEmpty()
                          ? QString::fromLatin1(firstOptionPage().key)
                          : lastPage_;
    tree_->setCurrentItem(items_.value(k));
    onNodeSelected(items_.value(k));
}

void OptionsDialog::showPage(const QString& key) {
    // Settings change outside the dialog while it is hidden (Ctrl+L, the overview's menu, a
    // remote unit's keys); its controls take them up, or its save would put back old values.
    if (!isVisible())
        loadSettings();
    selectPage(key);
    show();
    raise();
    activateWindow();
}

QString OptionsDialog::currentPage() const {
    return pages_.key(stack_->currentWidget());
}

void OptionsDialog::loadSettings() {
    loading_ = true;
    bind_.loadAll(settings_);
    restartWatch_ = {settings_.integer(u"SampleRate"), settings_.integer(u"BitResolution")};
    loadGpioGrid();
    loadMidiGrid();
    loading_ = false;
}

void OptionsDialog::applyCaptions() {
    setWindowTitle(txt(texts::OptionsTitle));
    bind_.applyCaptions();
    fillGpioFunctions(); // the function names are captions too
    applyTooltips(settings_.integer(u"ToolTips") != 0);
}

void OptionsDialog::applyTooltips(bool on) {
    bind_.applyTooltips(on);
}

namespace {

constexpr int kMinBufferMs = 10;
constexpr int kMaxBufferMs = 5000;

bool sizeInRange(int ms, const UiText& title) {
    if (ms >= kMinBufferMs && ms <= kMaxBufferMs)
        return true;
    showMessage(txt(title), txt(texts::SizeOutOfRange).arg(ms).arg(kMinBufferMs).arg(kMaxBufferMs),
                MessageIcon::Critical);
    return false;
}

} // namespace

// --- Save ---------------------------------------------------------------------------------

void OptionsDialog::reveal(QLineEdit* field) {
    // A field low on a long page is scrolled into view, or the operator would not see
    // what Retry asks to correct.
    if (auto* scroll = qobject_cast<QScrollArea*>(stack_->currentWidget()))
        scroll->ensureWidgetVisible(field);
    field->setFocus();
    field->selectAll();
}

bool OptionsDialog::checkPath(QLineEdit* field, const QString& pageKey, bool folder,
                              const UiText& title, const UiText& problem) {
    const QString path = field->text().trimmed();
    if (path.isEmpty())
        return true;
    if (folder) {
        if (const auto normal = existingFolder(path)) {
            field->setText(*normal);
            return true;
        }
    } else if (isExistingFile(path)) {
        return true;
    }
    const MessageResult r =
        dialogs().message(txt(title), path + QStringLiteral("\r\n") + txt(problem),
                          MessageIcon::Critical, MessageButtons::RetryCancel);
    if (r == MessageResult::Retry) {
        showPage(pageKey);
        reveal(field);
        return false;
    }
    field->clear();
    return true;
}

bool OptionsDialog::save() {
    // The checks come first, so a Retry leaves the stored settings as they were.
    const struct {
        QLineEdit* field;
        const char* page;
        bool folder;
        const UiText& title;
        const UiText& problem;
    } checks[] = {
        {playlistFile_, "Playlist", false, texts::DefaultPlaylistFileTitle,
         texts::FileDoesNotExist},
        {playlistDir_, "Playlist", true, texts::DefaultPlaylistDirTitle, texts::NotAValidPath},
        {soundDir_, "Soundlist", true, texts::DefaultSoundDirTitle, texts::NotAValidPath},
        {logBackupDir_, "Log", true, texts::LogBackupDirTitle, texts::NotAValidPath},
    };
    for (const auto& c : checks) {
        if (!checkPath(c.field, QString::fromLatin1(c.page), c.folder, c.title, c.problem))
            return false;
    }
    const QString editor = waveEditor_->text().trimmed();
    if (!editor.isEmpty() && !isExecutableFile(editor)) {
        const MessageResult r = dialogs().message(
            txt(texts::WaveEditorTitle), editor + QStringLiteral("\r\n") + txt(texts::NotAProgram),
            MessageIcon::Critical, MessageButtons::RetryCancel);
        if (r == MessageResult::Retry) {
            showPage(QStringLiteral("Interface"));
            reveal(waveEditor_);
            return false;
        }
        waveEditor_->clear();
    }
    if (!sizeInRange(bufferSize_->value(), texts::BufferTitle) ||
        !sizeInRange(preloadSize_->value(), texts::PreloadTitle)) {
        showPage(QStringLiteral("Audio"));
        return false;
    }
    const auto preview = [this] {
        return std::pair(settings_.text(u"PreviewDevice"), settings_.integer(u"PreviewVolume"));
    };
    const auto previewBefore = preview();
    SaveRegistrySettings();
    // The preview channel is set up from these at start-up; a change made here would
    // otherwise wait for the next start while auditions go to the old output.
    if (preview() != previewBefore)
        ChoosePreviewOutput();
    hide();
    if (hooks_.saved)
        hooks_.saved();
    return true;
}

void OptionsDialog::SaveRegistrySettings() {
    bind_.saveAll(settings_);
    saveGpioGrid();
    settings_.sync();
    ftpPath_ = ftpPath_.isEmpty() ? defaultFtpListPath() : ftpPath_;
    if (!writeFtpList(ftpPath_, ftp_))
        showMessage(txt(texts::FtpListErrorTitle), txt(texts::FtpListNotWritten).arg(ftpPath_),
                    MessageIcon::Critical);
}

void OptionsDialog::closeEvent(QCloseEvent* event) {
    // Only the operator's close saves; the program's unloading closes a hidden dialog.
    if (!isVisible() || save())
        event->accept();
    else
        event->ignore();
}

void OptionsDialog::reject() {
    // Escape closes like the close button: through the save.
    save();
}

// --- Levels and buffers -------------------------------------------------------------------

void OptionsDialog::askDefaultLevel() {
    const QString level = QString::number(defaultVolume_->value()) + QStringLiteral(" dB");
    const MessageResult r = dialogs().message(txt(texts::DefaultLevelTitle),
                                              txt(texts::DefaultLevelQuestion) + level +
                                                  txt(texts::DefaultLevelQuestionEnd),
                                              MessageIcon::Question, MessageButtons::YesNo);
    if (r == MessageResult::Yes)
        SetDefaultVolumes();
}

void OptionsDialog::SetDefaultVolumes() {
    if (!show_)
        return;
    // The level is in dB below full level; the channels' scale has one step per dB.
    const int volume = 100 + defaultVolume_->value();
    for (int ch = 0; ch < kChannelCount; ++ch)
        show_->channelOps().SetVolume(ch, volume);
}

void OptionsDialog::setBufferSize() {
    const int ms = bufferSize_->value();
    if (!sizeInRange(ms, texts::BufferTitle))
        return;
    if (hooks_.changeBufferSize)
        hooks_.changeBufferSize(ms);
    settings_.setInteger(u"BufferSize", ms);
    settings_.sync();
}

void OptionsDialog::setPreloadSize() {
    const int ms = preloadSize_->value();
    if (!sizeInRange(ms, texts::PreloadTitle))
        return;
    settings_.setInteger(u"PreBufferSize", ms);
    settings_.sync();
    showMessage(txt(texts::PreloadTitle), txt(texts::PreloadText), MessageIcon::Information);
}

// --- FTP list -----------------------------------------------------------------------------

void OptionsDialog::loadFtpList(const QString& path) {
    ftpPath_ = path;
    const FtpReadResult r = readFtpList(path);
    ftp_ = r.list;
    for (const QString& problem : r.problems)
        AddDebugMessage(txt(texts::FtpListDamaged).arg(path, problem));
    refreshFtpList();
}

void OptionsDialog::refreshFtpList() {
    const int row = ftpListBox_->currentRow();
    ftpListBox_->clear();
    for (const FtpEntry& e : ftp_)
        ftpListBox_->addItem(e.name);
    ftpListBox_->setCurrentRow(row >= 0 ? row : 0);
}

void OptionsDialog::showFtpEntry(int row) {
    if (row < 0 || row >= kFtpEntries)
        return;
    const FtpEntry& e = ftp_[static_cast<std::size_t>(row)];
    const QString* values[] = {&e.name, &e.address, &e.user, &e.password, &e.folder};
    loading_ = true;
    for (std::size_t i = 0; i < ftpFields_.size(); ++i)
        ftpFields_[i]->setText(*values[i]);
    loading_ = false;
}

void OptionsDialog::storeFtpField() {
    const int row = ftpListBox_->currentRow();
    if (loading_ || row < 0)
        return;
    FtpEntry& e = ftp_[static_cast<std::size_t>(row)];
    QString* values[] = {&e.name, &e.address, &e.user, &e.password, &e.folder};
    for (std::size_t i = 0; i < ftpFields_.size(); ++i)
        *values[i] = ftpFields_[i]->text();
    if (e.name.isEmpty())
        e.name = QStringLiteral("-");
    ftpListBox_->item(row)->setText(e.name);
}

void OptionsDialog::ftpNew() {
    const int free = firstFreeFtpEntry(ftp_);
    if (free < 0) {
        showMessage(txt(texts::FtpListErrorTitle),
                    txt(texts::FtpListFull) + QString::number(kFtpEntries) +
                        txt(texts::FtpEntriesUsed),
                    MessageIcon::Critical);
        return;
    }
    FtpEntry fresh;
    fresh.name = txt(texts::FtpNewEntry);
    ftp_[static_cast<std::size_t>(free)] = fresh;
    ftpListBox_->item(free)->setText(ftp_[static_cast<std::size_t>(free)].name);
    ftpListBox_->setCurrentRow(free);
    showFtpEntry(free);
    ftpFields_[0]->setFocus();
    ftpFields_[0]->selectAll();
}

void OptionsDialog::ftpDelete() {
    const int row = ftpListBox_->currentRow();
    if (row < 0)
        return;
    ftp_[static_cast<std::size_t>(row)] = FtpEntry{};
    ftpListBox_->item(row)->setText(ftp_[static_cast<std::size_t>(row)].name);
    showFtpEntry(row);
}

void OptionsDialog::addMidiMonitorLine(const QString& line) {
    midiMonitor_->addItem(line);
    midiMonitor_->setCurrentRow(midiMonitor_->count() - 1);
    midiMonitor_->scrollToBottom();
}

void OptionsDialog::setMtcFrameRate(int fps) {
    if (auto* rate = findChild<QLineEdit*>(QStringLiteral("txtFrameRate")))
        rate->setText(QString::number(fps));
}

void OptionsDialog::refreshMidiDevices() {
    const bool was = loading_;
    loading_ = true;
    const std::pair<QComboBox*, const std::function<QStringList()>*> lists[] = {
        {midiIn_, &devices_.midiInputs}, {midiOut_, &devices_.midiOutputs}};
    for (const auto& [box, source] : lists) {
        if (!box)
            continue;
        const QString chosen = box->currentIndex() <= 0 ? QString() : box->currentText();
        box->clear();
        box->addItems(midiChoices(*source, chosen));
        box->setCurrentIndex(chosen.isEmpty() ? 0 : box->findText(chosen));
    }
    loading_ = was;
}

} // namespace kalvor
