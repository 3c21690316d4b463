#include "app/SecondStart.h"

#include "core/Dialogs.h"
#include "core/InstanceLock.h"
#include "core/PlaylistChoice.h"
#include "core/UiLanguage.h"
#include "show/playback/ShowLayer.h"

#include <QFileInfo>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace kalvor {

namespace {

// A show still loading when the desktop launches the program again takes this long at most.
constexpr int kHandOverMs = 20000;

void bringToFront(QWidget* w) {
    if (!w)
        return;
    w->show();
    w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
    w->raise();
    w->activateWindow();
}

void offerShow(ShowLayer& show, const QStringList& arguments) {
    if (arguments.size() < 2)
        return; // a second click in the menu: the window in front is all
    const QString title = QStringLiteral("Kalvor");
    const QString path = playlistFromCommandLine(joinCommandLine(arguments));
    if (path.isEmpty()) {
        dialogs().message(title,
                          txt({"Kalvor opens shows (.kal) given to it at start:\n",
                               "Kalvor öffnet beim Start "
                               "übergebene Shows (.kal):\n"}) +
                              arguments.mid(1).join(QLatin1Char(' ')),
                          MessageIcon::Information, MessageButtons::Ok);
        return;
    }
    if (!QFileInfo(path).isFile()) {
        dialogs().message(
            title, txt({"The show was not found:\n", "Die Show wurde nicht gefunden:\n"}) + path,
            MessageIcon::Warning, MessageButtons::Ok);
        return;
    }
    const QString question =
        txt({"Open the show \"%1\" here? The show now open is closed.",
             "Die Show \"%1\" hier öffnen? Die jetzt geöffnete Show wird geschlossen."})
            .arg(QFileInfo(path).fileName());
    // No is the harmless answer: a stray double click must not end the running show.
    if (dialogs().message(title, question, MessageIcon::Question, MessageButtons::YesNo,
                          MessageResult::No) == MessageResult::Yes)
        show.LoadPlaylist(path);
}

} // namespace

int handOverToRunningInstance(const QString& runtimeFolder, const QStringList& arguments) {
    const InstanceDoor door(runtimeFolder);
    if (door.knock(arguments, kHandOverMs))
        return 0;
    std::fprintf(stderr,
                 "kalvor: another instance holds the lock beside %s but does not answer; "
                 "nothing was opened\n",
                 door.path().toLocal8Bit().constData());
    return 1;
}

std::unique_ptr<InstanceDoor> openInstanceDoor(const QString& runtimeFolder, ShowLayer& show,
                                               std::function<QWidget*()> frontWindow) {
    auto door = std::make_unique<InstanceDoor>(runtimeFolder);
    door->knocked = [&show, frontWindow](const QStringList& arguments) {
        // Out of the socket's handler first: the question is a modal box.
        QTimer::singleShot(0, &show, [&show, frontWindow, arguments] {
            bringToFront(frontWindow());
            offerShow(show, arguments);
        });
    };
    door->open();
    return door;
}

} // namespace kalvor
