// The window's layout, captions and tooltips, the local pane, the preview player and OK.
// The FTP pane's behaviour is in FileManagementFtp.cpp.
#include "tools/ui/FileManagementWindow.h"

#include "core/Dialogs.h"
#include "core/Limits.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "engine/kae/Kae.h"
#include "show/playback/ShowLayer.h"
#include "tools/ftp/FtpTexts.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kalvor {

namespace {

struct Caption {
    const char* object;
    UiText text;
};

// Every fixed text of the window, by the control that shows it.
constexpr Caption kCaptions[] = {
    {"fraLocal", texts::FmLocal},
    {"lblFileName", texts::FmFileName},
    {"lblFileType", texts::FmFileType},
    {"fraPreview", texts::FmPreview},
    {"lblLevel", texts::FmLevel},
    {"cmdOK", texts::FmOk},
    {"cmdCancel", texts::FmCancel},
    {"lblFTPList", texts::FmFtpList},
    {"btnConnect", texts::FmConnect},
    {"btnDisconnect", texts::FmDisconnect},
    {"btnLoad", texts::FmStartTransfer},
    {"btnOptions", texts::FmOptions},
    {"lblProgress", texts::FmProgress},
    {"lblRemoteFolder", texts::FmFolder},
    {"lblServerTypeCaption", texts::FmServerType},
};

constexpr Caption kTooltips[] = {
    {"drvLocal", texts::TipFmDrive},       {"dirLocal", texts::TipFmFolders},
    {"filLocal", texts::TipFmFiles},       {"txtFileName", texts::TipFmFileName},
    {"cboFileType", texts::TipFmFileType}, {"cboFTPList", texts::TipFmFtpList},
    {"btnConnect", texts::TipFmConnect},   {"btnDisconnect", texts::TipFmDisconnect},
    {"btnLoad", texts::TipFmLoad},         {"btnOptions", texts::TipFmOptions},
    {"ListView1", texts::TipFmRemote},     {"cboRemoteFolder", texts::TipFmRemoteFolders},
    {"cmdAuditionPlay", texts::TipFmPlay}, {"cmdAuditionStop", texts::TipFmStop},
    {"sldLevel", texts::TipFmLevel},       {"cmdOK", texts::TipFmOk},
    {"cmdCancel", texts::TipFmCancel},
};

template <typename W> W* named(W* w, const char* name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QLabel* label(const char* name) {
    return named(new QLabel, name);
}

QPushButton* button(const char* name) {
    auto* b = named(new QPushButton, name);
    b->setAutoDefault(false);
    return b;
}

} // namespace

FileManagementWindow::FileManagementWindow(ShowLayer& show, Settings& settings, QWidget* parent)
    : QDialog(parent), show_(show), settings_(settings), session_(new ftp::FtpSession(this)) {
    setObjectName(QStringLiteral("frmFileManagement"));
    ftpList = [] {
        return readFtpList(defaultFtpListPath()).list;
    };
    askNameConflict = [this](const QString& name) {
        return NameConflictDialog::ask(name, this);
    };
    build();
    applyCaptions();
    connect(&UiLanguage::instance(), &UiLanguage::changed, this, [this] {
        applyCaptions();
        applyTooltips(settings_.integer(u"ToolTips") == 1);
    });
}

FileManagementWindow::~FileManagementWindow() {
    AuditionStop();
}

void FileManagementWindow::build() {
    auto* root = new QVBoxLayout(this);
    auto* panes = new QHBoxLayout;
    panes->addWidget(buildLocalPane(), 1);
    panes->addWidget(buildFtpPane(), 1);
    root->addLayout(panes, 1);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    ok_ = button("cmdOK");
    cancel_ = button("cmdCancel");
    row->addWidget(ok_);
    row->addWidget(cancel_);
    root->addLayout(row);
    connect(ok_, &QPushButton::clicked, this, &FileManagementWindow::accept);
    connect(cancel_, &QPushButton::clicked, this, &FileManagementWindow::reject);
    resize(980, 620);
    showState();
}

QWidget* FileManagementWindow::buildLocalPane() {
    auto* box = named(new QGroupBox, "fraLocal");
    auto* grid = new QGridLayout(box);
    drives_ = named(new QComboBox, "drvLocal");
    folderLabel_ = label("lblLocalFolder");
    folderLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    folders_ = named(new QListWidget, "dirLocal");
    files_ = named(new QListWidget, "filLocal");
    files_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    fileName_ = named(new QLineEdit, "txtFileName");
    fileType_ = named(new QComboBox, "cboFileType");
    fileType_->addItems({QStringLiteral("*.wav"), QStringLiteral("*.mp3"), QStringLiteral("*.*")});
    grid->addWidget(drives_, 0, 0, 1, 2);
    grid->addWidget(folderLabel_, 1, 0, 1, 2);
    grid->addWidget(folders_, 2, 0);
    grid->addWidget(files_, 2, 1);
    grid->addWidget(label("lblFileName"), 3, 0);
    grid->addWidget(fileName_, 3, 1);
    grid->addWidget(label("lblFileType"), 4, 0);
    grid->addWidget(fileType_, 4, 1);

    auto* preview = named(new QGroupBox, "fraPreview");
    auto* p = new QHBoxLayout(preview);
    play_ = button("cmdAuditionPlay");
    play_->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    stop_ = button("cmdAuditionStop");
    stop_->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
    level_ = named(new QSlider(Qt::Horizontal), "sldLevel");
    level_->setRange(0, 100);
    p->addWidget(play_);
    p->addWidget(stop_);
    p->addWidget(label("lblLevel"));
    p->addWidget(level_, 1);
    grid->addWidget(preview, 5, 0, 1, 2);

    connect(drives_, &QComboBox::activated, this,
            [this](int i) { setLocalFolder(drives_->itemData(i).toString()); });
    connect(folders_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        setLocalFolder(QDir::cleanPath(QDir(folder_).filePath(item->text())));
    });
    connect(files_, &QListWidget::currentTextChanged, fileName_, &QLineEdit::setText);
    connect(files_, &QListWidget::itemDoubleClicked, this, [this] { AuditionPlay(); });
    connect(fileType_, &QComboBox::currentIndexChanged, this, [this] { refreshLocal(); });
    connect(play_, &QPushButton::clicked, this, [this] { AuditionPlay(); });
    connect(stop_, &QPushButton::clicked, this, [this] { AuditionStop(); });
    connect(level_, &QSlider::valueChanged, this, [this](int v) {
        if (engine::KaeEngine* e = engine::currentEngine()) {
            e->store().channel(kPreviewChannel).volume = v;
            KAE__Channel_SetVolume(kPreviewChannel);
        }
    });
    return box;
}

QWidget* FileManagementWindow::buildFtpPane() {
    auto* pane = new QWidget;
    auto* grid = new QGridLayout(pane);
    serverList_ = named(new QComboBox, "cboFTPList");
    serverList_->installEventFilter(this);
    connect_ = button("btnConnect");
    disconnect_ = button("btnDisconnect");
    load_ = button("btnLoad");
    options_ = button("btnOptions");
    remoteFolders_ = named(new QComboBox, "cboRemoteFolder");
    remote_ = named(new QTreeWidget, "ListView1");
    remote_->setColumnCount(3);
    remote_->setRootIsDecorated(false);
    remote_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    remote_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    serverType_ = label("lblServerType");
    security_ = label("lblSecurity");
    progress_ = label("lblPercent");

    grid->addWidget(label("lblFTPList"), 0, 0);
    grid->addWidget(serverList_, 0, 1, 1, 3);
    grid->addWidget(connect_, 1, 0);
    grid->addWidget(disconnect_, 1, 1);
    grid->addWidget(load_, 1, 2);
    grid->addWidget(options_, 1, 3);
    grid->addWidget(label("lblServerTypeCaption"), 2, 0);
    grid->addWidget(serverType_, 2, 1);
    grid->addWidget(security_, 2, 2, 1, 2);
    grid->addWidget(label("lblRemoteFolder"), 3, 0);
    grid->addWidget(remoteFolders_, 3, 1, 1, 3);
    grid->addWidget(remote_, 4, 0, 1, 4);
    grid->addWidget(label("lblProgress"), 5, 0);
    grid->addWidget(progress_, 5, 1);
    grid->setRowStretch(4, 1);

    connect(connect_, &QPushButton::clicked, this, [this] { Connect(); });
    connect(disconnect_, &QPushButton::clicked, this, [this] { Disconnect(); });
    connect(load_, &QPushButton::clicked, this, [this] { StartTransfer(); });
    connect(options_, &QPushButton::clicked, this, [this] {
        if (openOptions)
            openOptions();
    });
    connect(remote_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        if (item->data(0, Qt::UserRole).toInt() == static_cast<int>(ftp::ItemKind::Folder))
            changeRemoteFolder(ftp::childFolder(remoteFolder_, item->text(0)));
    });
    connect(remoteFolders_, &QComboBox::activated, this,
            [this](int i) { changeRemoteFolder(remoteFolders_->itemText(i)); });
    return pane;
}

void FileManagementWindow::applyCaptions() {
    setWindowTitle(txt(texts::FmTitle));
    for (const Caption& c : kCaptions) {
        QWidget* w = findChild<QWidget*>(QString::fromLatin1(c.object));
        if (auto* l = qobject_cast<QLabel*>(w))
            l->setText(txt(c.text));
        else if (auto* b = qobject_cast<QPushButton*>(w))
            b->setText(txt(c.text));
        else if (auto* g = qobject_cast<QGroupBox*>(w))
            g->setTitle(txt(c.text));
    }
    remote_->setHeaderLabels({txt(texts::FmColName), txt(texts::FmColSize), txt(texts::FmColDate)});
    showState();
}

void FileManagementWindow::applyTooltips(bool on) {
    for (const Caption& c : kTooltips) {
        if (QWidget* w = findChild<QWidget*>(QString::fromLatin1(c.object)))
            w->setToolTip(on ? txt(c.text) : QString());
    }
}

void FileManagementWindow::openFor(int channel) {
    channel_ = channel;
    const QString preferred = settings_.text(u"DefaultSoundPath");
    // Without a sound folder of its own the browser starts where a user keeps music, not
    // in the program's folder: that one is not writable here, and downloads land in it.
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    setLocalFolder(!preferred.isEmpty() && QFileInfo(preferred).isDir() ? preferred
                   : QFileInfo(music).isDir()                           ? music
                                                                        : QDir::homePath());
    level_->setValue(settings_.integer(u"PreviewVolume"));
    fillDrives();
    fillServerList();
    applyCaptions();
    applyTooltips(settings_.integer(u"ToolTips") == 1);
    show();
    raise();
    activateWindow();
}

void FileManagementWindow::fillDrives() {
    drives_->clear();
    drives_->addItem(QDir::homePath(), QDir::homePath());
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
        if (v.isValid() && v.isReady() && !v.rootPath().startsWith(QLatin1String("/proc")) &&
            !v.rootPath().startsWith(QLatin1String("/sys")))
            drives_->addItem(v.rootPath(), v.rootPath());
    }
}

void FileManagementWindow::setLocalFolder(const QString& folder) {
    folder_ = QDir::cleanPath(folder);
    folderLabel_->setText(folder_);
    refreshLocal();
}

void FileManagementWindow::refreshLocal() {
    const QDir dir(folder_);
    folders_->clear();
    if (!dir.isRoot())
        folders_->addItem(QStringLiteral(".."));
    folders_->addItems(dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name));
    const QString pattern = fileType_->currentText();
    files_->clear();
    files_->addItems(dir.entryList({pattern}, QDir::Files, QDir::Name | QDir::IgnoreCase));
}

QStringList FileManagementWindow::selectedLocalFiles() const {
    QStringList out;
    for (int i = 0; i < files_->count(); ++i) {
        if (files_->item(i)->isSelected())
            out << ftp::localTarget(folder_, files_->item(i)->text());
    }
    return out;
}

void FileManagementWindow::AuditionPlay() {
    const QListWidgetItem* item = files_->currentItem();
    if (!item)
        return;
    const QString path = ftp::localTarget(folder_, item->text());
    engine::KaeEngine* e = engine::currentEngine();
    if (!e || !KAE__Channel_Load_Sound(kPreviewChannel, path)) {
        showMessage(txt(texts::LoadErrorTitle), txt(texts::LoadError) + QLatin1Char('\n') + path,
                    MessageIcon::Critical);
        return;
    }
    e->store().channel(kPreviewChannel).volume = level_->value();
    KAE__Channel_SetVolume(kPreviewChannel);
    KAE__Channel_Play(kPreviewChannel, true, false);
}

void FileManagementWindow::AuditionStop() {
    if (engine::currentEngine())
        KAE__Channel_Stop(kPreviewChannel);
}

void FileManagementWindow::accept() {
    const QStringList files = selectedLocalFiles();
    AuditionStop();
    if (channel_ >= 0 && channel_ < kChannelCount && !files.isEmpty())
        show_.soundLists().addBrowserFiles(channel_, files);
    QDialog::accept();
}

bool FileManagementWindow::event(QEvent* event) {
    // Back from the options' FTP page (or anywhere else): the list may have changed.
    if (event->type() == QEvent::WindowActivate && !connecting_ && !connected_)
        fillServerList();
    return QDialog::event(event);
}

bool FileManagementWindow::eventFilter(QObject* watched, QEvent* event) {
    // Not every desktop tells a window it is active again; the list is also read afresh
    // as the operator reaches for it.
    if (watched == serverList_ && !connecting_ && !connected_ &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::FocusIn))
        fillServerList();
    return QDialog::eventFilter(watched, event);
}

void FileManagementWindow::closeEvent(QCloseEvent* event) {
    AuditionStop();
    QDialog::closeEvent(event);
}

void FileManagementWindow::hideEvent(QHideEvent* event) {
    // A minimised window (a spontaneous hide) keeps its preview and its connection.
    if (!event->spontaneous()) {
        AuditionStop();
        if (connected_ || connecting_)
            Disconnect();
    }
    QDialog::hideEvent(event);
}

} // namespace kalvor
