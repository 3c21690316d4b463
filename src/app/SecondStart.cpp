#include "app/SecondStart.h"

#include "core/Dialogs.h"
#include "core/InstanceLock.h"
#include "core/PlaylistChoice.h"
#include "core/SystemMessages.h"
#include "core/UiLanguage.h"
#include "show/playback/ShowLayer.h"

#include <QFileInfo>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace kalvor {

namespace {

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

HandOver handOverToRunningInstance(const QString& runtimeFolder, const QStringList& arguments,
                                   int waitMs) {
    const InstanceDoor door(runtimeFolder);
    // A first instance that is closing does not take the show; once it has ended, this
    // start opens the show itself.
    bool firstEnded = false;
    QString lockFailure;
    if (door.knock(arguments, waitMs, [&] {
            InstanceLock probe(runtimeFolder);
            firstEnded = probe.acquire();
            lockFailure = firstEnded ? QString() : probe.failure();
            return firstEnded || !lockFailure.isEmpty();
        }))
        return HandOver::Taken;
    if (firstEnded)
        return HandOver::StartHere;

    // A desk user never sees standard error: the box says what became of the show.
    const QString path =
        arguments.size() > 1 ? playlistFromCommandLine(joinCommandLine(arguments)) : QString();
    // No instance at all when the lock file cannot even be made: say that, not "running".
    QString text = lockFailure.isEmpty()
                       ? txt({"Kalvor is already running but does not answer.",
                              "Kalvor läuft bereits, antwortet aber nicht."})
                       : txt({"Kalvor cannot check whether it is already running:\n",
                              "Kalvor kann nicht prüfen, ob es bereits läuft:\n"}) +
                             lockFailure;
    if (!path.isEmpty())
        text += (lockFailure.isEmpty()
                     ? txt({"\nThe show \"%1\" was not opened; open it in the running Kalvor.",
                            "\nDie Show \"%1\" wurde nicht geöffnet; öffnen Sie sie im "
                            "laufenden Kalvor."})
                     : txt({"\nThe show \"%1\" was not opened.",
                            "\nDie Show \"%1\" wurde nicht geöffnet."}))
                    .arg(QFileInfo(path).fileName());
    std::fprintf(stderr, "kalvor: %s (%s)\n", qUtf8Printable(text), qUtf8Printable(door.path()));
    dialogs().message(QStringLiteral("Kalvor"), text, MessageIcon::Warning, MessageButtons::Ok);
    return HandOver::NoAnswer;
}

std::unique_ptr<InstanceDoor> openInstanceDoor(const QString& runtimeFolder, ShowLayer& show,
                                               std::function<QWidget*()> frontWindow,
                                               std::function<bool()> accepting) {
    auto door = std::make_unique<InstanceDoor>(runtimeFolder);
    door->accepting = std::move(accepting);
    door->setHolding(true);
    door->knocked = [&show, frontWindow,
                     accepting = door->accepting](const QStringList& arguments) {
        // Out of the socket's handler first: the question is a modal box.
        QTimer::singleShot(0, &show, [&show, frontWindow, accepting, arguments] {
            // Closing began meanwhile: a show loaded now would play on a freed engine.
            if (accepting && !accepting()) {
                SystemMessages::instance().addDebugMessage(
                    QStringLiteral("Kalvor was closing; not opened: ") +
                    arguments.mid(1).join(QLatin1Char(' ')));
                return;
            }
            bringToFront(frontWindow());
            offerShow(show, arguments);
        });
    };
    door->open();
    return door;
}

} // namespace kalvor
