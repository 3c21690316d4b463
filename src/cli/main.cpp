// kalvor-tool: the program's headless helpers for booth machines and scripts.
//   kalvor-tool settings [--file PATH]   every effective setting, and where it comes from
//   kalvor-tool info SHOW.kal [--json]   what a show file holds, missing sounds
//   kalvor-tool convert IN.kal OUT.kal   any playlist format to format 17
//   kalvor-tool play SOUND... -o OUT.wav  sound files through the engine into a WAV file
//   kalvor-tool demo DIR                  writes the demo show and its sounds
//   kalvor-tool hardware [--leds on|off]  keypads and GPIO chips found; keypad LED check
//   kalvor-tool backup SHOW.kal OUT.kfa   the show and its sounds in one archive
//   kalvor-tool restore ARCHIVE.kfa DIR   an archive into DIR, the playlist relinked
//   kalvor-tool ftp-list ADDRESS [FOLDER] a server's folder as the FTP browser lists it
//   kalvor-tool unit kr1 --port PATH      a software remote unit on a serial line
//   kalvor-tool midi --list               MIDI devices as the settings store them
#include "cli/ArchiveCommands.h"
#include "cli/ConvertCommand.h"
#include "cli/DemoCommand.h"
#include "cli/FtpListCommand.h"
#include "cli/HardwareCommand.h"
#include "cli/InfoCommand.h"
#include "cli/MidiCommand.h"
#include "cli/PlayCommand.h"
#include "cli/RenderCommand.h"
#include "cli/SettingsCommand.h"
#include "cli/UnitCommand.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QStringList>

#include <cstdio>
#include <memory>
#include <string_view>

namespace {

void usage() {
    std::fputs(
        "usage: kalvor-tool <command> [options]\n"
        "commands:\n"
        "  settings [--file PATH]   print every setting with its effective value,\n"
        "                           marked (default), (stored) or (invalid: ...)\n"
        "  info SHOW.kal [--json]   format, presets, selected sounds and settings per\n"
        "                           channel, missing sounds\n"
        "  convert IN.kal OUT.kal [--force]\n"
        "                           read a playlist of any format, write format 17\n"
        "  play SOUND... -o OUT.wav [--volume N] [--pan N] [--varispeed N] [--start F]\n"
        "       [--fade-in MS] [--fade-out MS] [--length S] ...\n"
        "                           render through the engine into a WAV file\n"
        "  render SHOW.kal --out OUT.wav --seconds S [--preset N] [--events \"T ACTION; ...\"]\n"
        "                           rehearse a show offline: recall, timed presses, WAV out\n"
        "  demo DIR [--force] [--output NAME]\n"
        "                           write \"Demo Show.kal\" and its computed sounds\n"
        "  midi --list [--in | --out]\n"
        "                           MIDI devices (ALSA and JACK) as the settings store them\n"
        "  hardware [--leds on|off] X-keys keypads and GPIO chips as the program finds\n"
        "                           them; --leds checks the keypad's LEDs\n"
        "  backup SHOW.kal OUT.kfa [--add FILE]... [--force]\n"
        "                           the playlist, every sound of its lists and the files\n"
        "                           added, stored in one archive\n"
        "  restore ARCHIVE.kfa DIR [--overwrite]\n"
        "                           every file into DIR, the playlist relinked to DIR (the\n"
        "                           restored one kept as NAME.kal_old)\n"
        "  ftp-list ADDRESS|--entry N [FOLDER] [--user U] [--password P]\n"
        "                           a server's folder as the FTP browser lists it\n"
        "  unit kr1|kr2|kd1 --port PATH [--png FILE] [--keys \"K ...\"] [--seconds S]\n"
        "                           a software remote unit: draws what arrives, sends keys\n",
        stderr);
}

} // namespace

int main(int argc, char** argv) {
    // The unit peer draws its screen into pictures, which needs the GUI side of Qt; the
    // offscreen platform serves on a machine without a display.
    const bool gui = argc > 1 && std::string_view(argv[1]) == "unit";
    if (gui && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> application =
        gui ? std::make_unique<QGuiApplication>(argc, argv)
            : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication& app = *application;
    QCoreApplication::setApplicationName(QStringLiteral("Kalvor"));
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        usage();
        return 2;
    }
    const QString command = args.at(1);
    const QStringList rest = args.mid(2);
    if (command == QLatin1String("settings"))
        return kalvor::cli::runSettings(rest);
    if (command == QLatin1String("info"))
        return kalvor::cli::runInfo(rest);
    if (command == QLatin1String("convert"))
        return kalvor::cli::runConvert(rest);
    if (command == QLatin1String("play"))
        return kalvor::cli::runPlay(rest);
    if (command == QLatin1String("render"))
        return kalvor::cli::runRender(rest);
    if (command == QLatin1String("demo"))
        return kalvor::cli::runDemo(rest);
    if (command == QLatin1String("midi"))
        return kalvor::cli::runMidi(rest);
    if (command == QLatin1String("hardware"))
        return kalvor::cli::runHardware(rest);
    if (command == QLatin1String("backup"))
        return kalvor::cli::runBackupCommand(rest);
    if (command == QLatin1String("restore"))
        return kalvor::cli::runRestoreCommand(rest);
    if (command == QLatin1String("ftp-list"))
        return kalvor::cli::runFtpList(rest);
    if (command == QLatin1String("unit"))
        return kalvor::cli::runUnit(rest);
    if (command == QLatin1String("-h") || command == QLatin1String("--help") ||
        command == QLatin1String("help")) {
        usage();
        return 0;
    }
    std::fprintf(stderr, "kalvor-tool: unknown command '%s'\n", qUtf8Printable(command));
    usage();
    return 2;
}
