#include "cli/UnitCommand.h"

#include "control/units/UnitPeer.h"
#include "control/units/UnitScreenImage.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <unistd.h>

namespace kalvor::cli {
namespace {

void help(const UnitDecoder& decoder) {
    std::fprintf(stderr,
                 "keys: a code (1..255) or a name, several on one line: %s\n"
                 "other lines: \"show\" prints the screen's texts, \"png FILE\" writes it, "
                 "\"quit\" ends\n",
                 qUtf8Printable(decoder.keyNames().join(QLatin1Char(' '))));
}

bool sendKeys(UnitPeer& peer, const QStringList& words) {
    bool ok = true;
    for (const QString& w : words) {
        const auto code = peer.decoder().keyCode(w);
        if (!code || !peer.sendKey(*code)) {
            std::fprintf(stderr, "unit: no such key '%s'\n", qUtf8Printable(w));
            ok = false;
        }
    }
    return ok;
}

bool writePng(const UnitPeer& peer, const QString& path) {
    QString error;
    if (!saveUnitScreenPng(peer.screen(), path, &error)) {
        std::fprintf(stderr, "unit: cannot write %s: %s\n", qUtf8Printable(path),
                     qUtf8Printable(error));
        return false;
    }
    return true;
}

} // namespace

int runUnit(const QStringList& args) {
    QString unit, port, png, keys;
    double seconds = -1;
    int baud = 0;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--port") && hasValue)
            port = args.at(++i);
        else if (a == QLatin1String("--png") && hasValue)
            png = args.at(++i);
        else if (a == QLatin1String("--keys") && hasValue)
            keys = args.at(++i);
        else if (a == QLatin1String("--seconds") && hasValue) {
            bool ok = false;
            seconds = args.at(++i).toDouble(&ok);
            if (!ok || !std::isfinite(seconds) || seconds < 0 || seconds > 24 * 3600) {
                std::fprintf(stderr, "unit: --seconds needs a number of seconds 0..86400\n");
                return 2;
            }
        } else if (a == QLatin1String("--baud") && hasValue) {
            bool ok = false;
            baud = args.at(++i).toInt(&ok);
            if (!ok || baud <= 0) {
                std::fprintf(stderr, "unit: --baud needs a baud rate such as 19200\n");
                return 2;
            }
        } else if (unit.isEmpty() && !a.startsWith(QLatin1Char('-')))
            unit = a;
        else {
            std::fprintf(stderr, "unit: unexpected argument '%s'\n", qUtf8Printable(a));
            return 2;
        }
    }
    auto decoder = UnitDecoders::all().make(unit);
    if (!decoder || port.isEmpty()) {
        std::fprintf(stderr,
                     "usage: kalvor-tool unit %s --port PATH [--png FILE] [--keys \"K ...\"] "
                     "[--seconds S] [--baud N]\n",
                     qUtf8Printable(UnitDecoders::all().names().join(QLatin1Char('|'))));
        return 2;
    }
    // A misspelt key is refused before anything is sent, not reported halfway through.
    const QStringList words = keys.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString& w : words) {
        if (!decoder->keyCode(w)) {
            std::fprintf(stderr, "unit: no such key '%s'\n", qUtf8Printable(w));
            help(*decoder);
            return 2;
        }
    }
    UnitPeer peer(std::move(decoder));
    QString error;
    if (!peer.open(port, baud > 0 ? baud : peer.decoder().baud(), &error)) {
        std::fprintf(stderr, "unit: cannot open %s: %s\n", qUtf8Printable(port),
                     qUtf8Printable(error));
        return 1;
    }

    // The picture follows the screen once the stream has paused, not at every command.
    QTimer pngTimer;
    pngTimer.setSingleShot(true);
    pngTimer.setInterval(200);
    QObject::connect(&pngTimer, &QTimer::timeout, [&] { writePng(peer, png); });
    if (!png.isEmpty())
        QObject::connect(&peer, &UnitPeer::screenChanged, &pngTimer, qOverload<>(&QTimer::start));

    // One key every 300 ms, each after the screens of the one before had time to come.
    bool keysSent = true;
    for (int i = 0; i < words.size(); ++i)
        QTimer::singleShot(300 * (i + 1), &peer, [&peer, &keysSent, w = words.at(i)] {
            keysSent = sendKeys(peer, {w}) && keysSent;
        });
    if (seconds >= 0)
        QTimer::singleShot(static_cast<int>(seconds * 1000), qApp, &QCoreApplication::quit);

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QTextStream in(stdin);
    help(peer.decoder());
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        QString line;
        if (!in.readLineInto(&line)) {
            input.setEnabled(false); // end of input: keep drawing until told to stop
            return;
        }
        const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.isEmpty())
            return;
        if (words.first() == QLatin1String("quit")) {
            QCoreApplication::quit();
        } else if (words.first() == QLatin1String("show")) {
            for (const QString& r : peer.screen().rows())
                std::printf("%s\n", qUtf8Printable(r));
            std::fflush(stdout);
        } else if (words.first() == QLatin1String("png") && words.size() == 2) {
            writePng(peer, words.at(1));
        } else {
            sendKeys(peer, words);
        }
    });
    QCoreApplication::exec();
    const bool pngWritten = png.isEmpty() || writePng(peer, png);
    return pngWritten && keysSent ? 0 : 1;
}

} // namespace kalvor::cli
