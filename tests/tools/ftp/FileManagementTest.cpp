// The file management window through its real widgets, against the real test server:
// browsing and downloading into the local folder and on into a sound list, the
// name-conflict dialog's three outcomes, the failures the operator must be told about,
// the start folder, TLS, the preview on the engine's preview channel, and the captions
// and tooltips in both languages.
#include "FtpServerFixture.h"
#include "core/ShowStore.h"
#include "support/ShowRig.h"
#include "support/TestEnvironment.h"
#include "tools/ftp/FtpTexts.h"
#include "tools/ui/FileManagementWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace kalvor;
using namespace kalvor::test;

namespace {

class FileManagement : public ::testing::Test {
protected:
    void SetUp() override {
        ChoosePreviewOutput();
        local = freshFolder(QStringLiteral("local"));
        rig.settings->setText(u"DefaultSoundPath", local);
        server(0, "Plain", kFtpPlain, "kalvor", "show", "-");
        server(1, "Start in sub", kFtpPlain, "", "", "sub folder");
        server(2, "Wrong password", kFtpPlain, "kalvor", "nope", "");
        window = std::make_unique<FileManagementWindow>(*rig.show, *rig.settings);
        window->ftpList = [this] {
            return servers;
        };
        window->setExtraCertificate(ftpTestDir() + QStringLiteral("/server.pem"));
    }
    void TearDown() override { UiLanguage::instance().set(Language::English); }

    void server(int i, const char* name, const QString& address, const char* user, const char* pw,
                const char* folder) {
        servers[static_cast<std::size_t>(i)] = {QString::fromUtf8(name), address,
                                                QString::fromUtf8(user), QString::fromUtf8(pw),
                                                QString::fromUtf8(folder)};
    }
    template <typename W> W* child(const char* name) const {
        W* w = window->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void click(const char* name) { QTest::mouseClick(child<QPushButton>(name), Qt::LeftButton); }
    // Until every FTP job has run and its result has been handled.
    void settle() {
        do {
            ASSERT_TRUE(QTest::qWaitFor([&] { return window->ftpBusy() == 0; }, 30000));
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
        } while (window->ftpBusy() > 0);
    }
    void connectTo(const char* name) {
        window->openFor(2);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        if (window->isConnected()) {
            click("btnDisconnect");
            settle();
        }
        auto* list = child<QComboBox>("cboFTPList");
        list->setCurrentIndex(list->findText(QString::fromUtf8(name)));
        click("btnConnect");
        settle();
    }
    QTreeWidgetItem* remote(const char* name) const {
        const auto found =
            child<QTreeWidget>("ListView1")->findItems(QString::fromUtf8(name), Qt::MatchExactly);
        return found.isEmpty() ? nullptr : found.first();
    }
    QStringList remoteNames() const {
        QStringList n;
        auto* tree = child<QTreeWidget>("ListView1");
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            n << tree->topLevelItem(i)->text(0);
        n.sort();
        return n;
    }
    void selectOnly(const char* name) {
        child<QTreeWidget>("ListView1")->clearSelection();
        QTreeWidgetItem* item = remote(name);
        ASSERT_NE(item, nullptr) << name;
        item->setSelected(true);
    }
    // Downloads the one file or folder `name`.
    void load(const char* name) {
        selectOnly(name);
        click("btnLoad");
        settle();
    }
    QStringList messages() const {
        QStringList out;
        for (const RecordedBox& b : rig.dialogs.messages())
            out << b.title + QLatin1Char('|') + b.text;
        return out;
    }

    ShowRig rig;
    FtpList servers;
    QString local;
    std::unique_ptr<FileManagementWindow> window;
};

TEST_F(FileManagement, BrowsesDownloadsWithProgressAndFillsTheSoundList) {
    connectTo("Plain");
    ASSERT_TRUE(window->isConnected()) << messages().join('\n').toStdString();
    EXPECT_EQ(child<QLabel>("lblServerType")->text(), QStringLiteral("Unix"));
    EXPECT_EQ(child<QLabel>("lblSecurity")->text(), txt(texts::FmPlain));
    EXPECT_EQ(remoteNames(),
              QStringList({"big.wav", "drop.wav", "my song.wav", "notes.txt", "sub folder"}));

    // A double click on a folder opens it.
    auto* tree = child<QTreeWidget>("ListView1");
    const QPoint at = tree->visualItemRect(remote("sub folder")).center();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
    settle();
    EXPECT_EQ(window->remoteFolder(), QStringLiteral("sub folder"));
    EXPECT_EQ(remoteNames(), QStringList({"deeper", "inner.wav"}));
    load("inner.wav");
    EXPECT_EQ(readFile(local + QStringLiteral("/inner.wav")), fixtureBytes(1000));

    // Back up, and a big file: the progress ends at 100 %.
    window->changeRemoteFolder(ftp::childFolder(window->remoteFolder(), QStringLiteral("..")));
    settle();
    load("big.wav");
    EXPECT_EQ(child<QLabel>("lblPercent")->text(), QStringLiteral("100 %"));
    EXPECT_EQ(QFile(local + QStringLiteral("/big.wav")).size(), 3'000'000);
    EXPECT_TRUE(messages().isEmpty()) << messages().join('\n').toStdString();

    // The local list shows both; OK puts the selected ones into channel 3's list.
    auto* files = child<QListWidget>("filLocal");
    ASSERT_EQ(files->count(), 2);
    files->selectAll();
    click("cmdOK");
    const QList<SoundEntry>& list = rig.store.soundList(2);
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[0].path, local + QStringLiteral("/big.wav"));
    EXPECT_EQ(list[1].path, local + QStringLiteral("/inner.wav"));
    EXPECT_EQ(rig.store.controls(2).selectedSound, 1);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(FileManagement, AnExistingFileIsReplacedOnlyByOverwrite) {
    const struct {
        const char* button;
        const char* newName;
        QByteArray keptOld;  // what "my song.wav" holds afterwards
        const char* renamed; // the file the download went to instead, if any
    } rows[] = {
        {"cmdCancel", "", "old take", nullptr},
        {"cmdRename", "my song 2.wav", "old take", "my song 2.wav"},
        {"cmdOverwrite", "", fixtureBytes(48000), nullptr},
    };
    connectTo("Plain");
    ASSERT_TRUE(window->isConnected());
    for (const auto& row : rows) {
        QFile::remove(local + QStringLiteral("/my song 2.wav"));
        writeFile(local + QStringLiteral("/my song.wav"), "old take");
        QString asked;
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<NameConflictDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            asked = d->windowTitle();
            if (*row.newName)
                d->nameField()->setText(QString::fromUtf8(row.newName));
            QTest::mouseClick(d->findChild<QPushButton*>(QString::fromLatin1(row.button)),
                              Qt::LeftButton);
        });
        load("my song.wav");
        EXPECT_EQ(asked, QStringLiteral("File already exists...")) << row.button;
        EXPECT_EQ(readFile(local + QStringLiteral("/my song.wav")), row.keptOld) << row.button;
        EXPECT_EQ(QFile::exists(local + QStringLiteral("/my song 2.wav")), row.renamed != nullptr)
            << row.button;
    }
    EXPECT_EQ(readFile(local + QStringLiteral("/my song 2.wav")), QByteArray());
}

TEST_F(FileManagement, FailuresAreToldAndLeaveTheWindowDisconnected) {
    // A socket that listens and never answers: the kernel accepts, nobody speaks.
    const int silent = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ASSERT_EQ(::bind(silent, reinterpret_cast<sockaddr*>(&a), len), 0);
    ASSERT_EQ(::listen(silent, 4), 0);
    ::getsockname(silent, reinterpret_cast<sockaddr*>(&a), &len);
    server(3, "Silent", QStringLiteral("127.0.0.1:%1").arg(ntohs(a.sin_port)), "", "", "");
    server(4, "Nobody", QStringLiteral("127.0.0.1:1"), "", "", "");

    const struct {
        const char* entry;
        const char* message;
    } rows[] = {
        {"Wrong password", " FTP Error!| Login incorrect \n"},
        {"Silent", " FTP Error!|Time Out Error while trying to connect"},
        {"Nobody", " FTP Error!| Connect to FTP-Server failed\n"},
    };
    for (const auto& row : rows) {
        rig.dialogs.clear();
        connectTo(row.entry);
        EXPECT_FALSE(window->isConnected()) << row.entry;
        EXPECT_TRUE(child<QPushButton>("btnConnect")->isEnabled()) << row.entry;
        ASSERT_EQ(messages().size(), 1) << row.entry;
        EXPECT_TRUE(messages()[0].startsWith(QString::fromUtf8(row.message)))
            << messages()[0].toStdString();
    }
    ::close(silent);

    rig.dialogs.clear();
    click("btnLoad");
    EXPECT_EQ(messages(), QStringList{" FTP Error!| Server not online "});
}

TEST_F(FileManagement, RefusesFoldersAndUnsafeNamesAndCleansUpAfterADrop) {
    connectTo("Plain");
    ASSERT_TRUE(window->isConnected());
    load("sub folder");
    EXPECT_EQ(messages(), QStringList{" FTP Error!|Can't download folders "});

    // A listing that names files outside the chosen folder.
    rig.dialogs.clear();
    window->showListing("total 8\r\n"
                        "-rw-r--r-- 1 a b 9 Jan 1 12:00 ../escape.wav\r\n"
                        "-rw-r--r-- 1 a b 9 Jan 1 12:00 ..\r\n");
    EXPECT_EQ(child<QTreeWidget>("ListView1")->topLevelItemCount(), 2);
    child<QTreeWidget>("ListView1")->selectAll();
    click("btnLoad");
    settle();
    ASSERT_EQ(messages().size(), 2);
    EXPECT_TRUE(messages()[0].endsWith(QStringLiteral("\n../escape.wav")));
    EXPECT_FALSE(QFile::exists(local + QStringLiteral("/../escape.wav")));

    // The server hangs up in the middle of a file: told, disconnected, nothing left behind.
    window->changeRemoteFolder({});
    settle();
    rig.dialogs.clear();
    load("drop.wav");
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(
        messages()[0].startsWith(QStringLiteral(" FTP Error!| No connection to FTP-Server ")))
        << messages()[0].toStdString();
    EXPECT_FALSE(window->isConnected());
    EXPECT_TRUE(QDir(local).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(FileManagement, StartFolderAndEncryption) {
    connectTo("Start in sub");
    EXPECT_EQ(window->remoteFolder(), QStringLiteral("sub folder"));
    EXPECT_EQ(remoteNames(), QStringList({"deeper", "inner.wav"}));
    EXPECT_EQ(child<QComboBox>("cboRemoteFolder")->currentText(), QStringLiteral("sub folder"));

    if (!QFile::exists(ftpTestDir() + QStringLiteral("/server.pem")))
        GTEST_SKIP() << "the test server runs without TLS";
    server(5, "TLS", kFtpTls, "kalvor", "show", "");
    connectTo("TLS");
    EXPECT_EQ(child<QLabel>("lblSecurity")->text().toStdString(),
              txt(texts::FmEncrypted).toStdString())
        << messages().join('\n').toStdString();
}

TEST_F(FileManagement, OtherServerTypesListWithTheirParserAndSizeColumn) {
    server(6, "OS9", kFtpOs9, "", "", "/sc00");
    server(7, "NT", kFtpNt, "", "", "Act 2");
    const struct {
        const char* entry;
        const char* type;
        int folderChoices;
        QStringList names;
        const char* file;
        int size;
    } rows[] = {
        {"OS9", "OS/9", 7, {"cue01.wav", "cue02.aif"}, "cue01.wav", 5000},
        {"NT", "Microsoft NT", 1, {"Thunder Clap.wav"}, "Thunder Clap.wav", 7000},
    };
    for (const auto& row : rows) {
        connectTo(row.entry);
        EXPECT_EQ(child<QLabel>("lblServerType")->text(), QString::fromUtf8(row.type));
        EXPECT_EQ(child<QComboBox>("cboRemoteFolder")->count(), row.folderChoices) << row.entry;
        EXPECT_EQ(remoteNames(), row.names) << row.entry;
        ASSERT_NE(remote(row.file), nullptr);
        EXPECT_EQ(remote(row.file)->text(1), QString::number(row.size)) << row.entry;
    }
    // An OS/9 server's folders are chosen from its fixed list.
    connectTo("OS9");
    auto* folders = child<QComboBox>("cboRemoteFolder");
    Q_EMIT folders->activated(folders->findText(QStringLiteral("/sc10")));
    settle();
    EXPECT_EQ(remoteNames(), QStringList{"rain.wav"});
    EXPECT_EQ(folders->currentText(), QStringLiteral("/sc10"));
    EXPECT_TRUE(messages().isEmpty()) << messages().join('\n').toStdString();
}

TEST_F(FileManagement, ServerListIsReadAfreshWhenReachedFor) {
    window->openFor(0);
    auto* list = child<QComboBox>("cboFTPList");
    EXPECT_EQ(list->count(), 3);
    // Added on the options' FTP page while the window stays open.
    server(6, "Added later", kFtpPlain, "", "", "");
    QTest::mouseClick(list, Qt::LeftButton);
    list->hidePopup();
    EXPECT_EQ(list->count(), 4);
}

TEST_F(FileManagement, PreviewPlaysTheSelectedFileOnThePreviewChannel) {
    window->openFor(0);
    QFile::copy(rig.tone(QStringLiteral("tone.wav"), 2.0), local + QStringLiteral("/tone.wav"));
    writeFile(local + QStringLiteral("/broken.wav"), "not a sound at all");
    window->setLocalFolder(local);
    auto* files = child<QListWidget>("filLocal");
    ASSERT_EQ(files->count(), 2);

    files->setCurrentRow(files->row(files->findItems("tone.wav", Qt::MatchExactly).first()));
    child<QSlider>("sldLevel")->setValue(100);
    click("cmdAuditionPlay");
    EXPECT_TRUE(KAE__Channel_IsPlaying(kPreviewChannel));
    EXPECT_GT(rig.renderMs(50).peak(0), 0.3);
    click("cmdAuditionStop");
    rig.renderMs(10);
    EXPECT_TRUE(rig.renderMs(50).silent());

    files->setCurrentRow(files->row(files->findItems("broken.wav", Qt::MatchExactly).first()));
    click("cmdAuditionPlay");
    EXPECT_EQ(messages(),
              QStringList{"Error|Error while loading:\n" + local + QStringLiteral("/broken.wav")});
}

TEST_F(FileManagement, CaptionsAndTooltipsFollowLanguageAndSwitch) {
    rig.settings->setInteger(u"ToolTips", 1);
    UiLanguage::instance().set(Language::German);
    window->openFor(0);
    EXPECT_EQ(child<QPushButton>("btnLoad")->toolTip(), txt(texts::TipFmLoad, Language::German));
    UiLanguage::instance().set(Language::English);

    window->applyTooltips(false);
    for (const QWidget* w : window->findChildren<QWidget*>())
        EXPECT_TRUE(w->toolTip().isEmpty()) << w->objectName().toStdString();
}

TEST_F(FileManagement, Screenshots) {
    const QString dir = qEnvironmentVariable("KALVOR_SHOTS_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "set KALVOR_SHOTS_DIR to write the pictures";
    writeFile(local + QStringLiteral("/Thunder.wav"), "x");
    writeFile(local + QStringLiteral("/Rain.wav"), "x");
    for (Language language : {Language::English, Language::German}) {
        UiLanguage::instance().set(language);
        connectTo("Plain");
        const QString lang =
            language == Language::English ? QStringLiteral("en") : QStringLiteral("de");
        window->grab().save(dir + QStringLiteral("/file-management-%1.png").arg(lang));
        NameConflictDialog conflict(QStringLiteral("my song.wav"));
        conflict.show();
        QTest::qWait(20);
        conflict.grab().save(dir + QStringLiteral("/file-exists-%1.png").arg(lang));
    }
}

} // namespace
