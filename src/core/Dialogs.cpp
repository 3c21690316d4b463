#include "core/Dialogs.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <cstdio>

namespace kalvor {

namespace {

// Used where no window system is present (kalvor-tool, headless start-up): every
// question gets its safe answer and is still visible to whoever reads the output.
class HeadlessDialogs final : public Dialogs {
public:
    MessageResult message(const QString& title, const QString& text, MessageIcon,
                          MessageButtons buttons,
                          std::optional<MessageResult> = std::nullopt) override {
        std::fprintf(stderr, "%s: %s\n", qUtf8Printable(title), qUtf8Printable(text));
        switch (buttons) {
        case MessageButtons::Ok:
            return MessageResult::Ok;
        case MessageButtons::YesNo:
        case MessageButtons::YesNoCancel:
            return MessageResult::No;
        case MessageButtons::AbortRetryIgnore:
            return MessageResult::Abort;
        default:
            return MessageResult::Cancel;
        }
    }
    std::optional<QString> inputBox(const QString&, const QString&, const QString&) override {
        return std::nullopt;
    }
    QStringList openFiles(const QString&, const QString&, const QString&, bool) override {
        return {};
    }
    QString saveFile(const QString&, const QString&, const QString&) override { return {}; }
    QString folder(const QString&, const QString&) override { return {}; }
    std::optional<FontChoice> font(const FontChoice&) override { return std::nullopt; }
    std::optional<int> colour(int) override { return std::nullopt; }
    void showWait(const QString&) override {}
    void setWaitProgress(int) override {}
    void hideWait() override {}
    void setBusy(bool) override {}
};

// Runs a local event loop for the time asked, so timers, sockets and posted engine
// messages are handled meanwhile without spinning the processor.
class EventLoopWaits final : public Waits {
public:
    void wait(int ms) override {
        if (ms <= 0)
            return;
        if (!QCoreApplication::instance()) {
            QThread::msleep(static_cast<unsigned long>(ms));
            return;
        }
        QEventLoop loop;
        QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
    }
};

HeadlessDialogs g_headlessDialogs;
EventLoopWaits g_eventLoopWaits;
Dialogs* g_dialogs = nullptr;
Waits* g_waits = nullptr;

} // namespace

Dialogs& dialogs() {
    return g_dialogs ? *g_dialogs : g_headlessDialogs;
}

Waits& waits() {
    return g_waits ? *g_waits : g_eventLoopWaits;
}

void installDialogs(Dialogs* d) {
    g_dialogs = d;
}

void installWaits(Waits* w) {
    g_waits = w;
}

void showMessage(const QString& title, const QString& text, MessageIcon icon) {
    dialogs().message(title, text, icon, MessageButtons::Ok);
}

} // namespace kalvor
