// The User protocol on the serial line: decodes each read and ends in the show layer's
// operations, the same ones the buttons and keys call. UI thread.
#pragma once

#include "control/serial/ComUser.h"

#include <functional>

namespace kalvor {

class SerialLine;
class Settings;
class ShowLayer;

class ComUserMode {
public:
    // `escape` is the main window's Escape key, so "x" respects the page it shows; without
    // it every channel is stopped and rewound.
    ComUserMode(ShowLayer& show, Settings& settings, SerialLine* line,
                std::function<void()> escape = {});

    void received(const QByteArray& text);
    const QByteArray& buffer() const { return buffer_; }

private:
    void apply(const ComUserAction& action);

    ShowLayer& show_;
    Settings& settings_;
    SerialLine* line_;
    std::function<void()> escape_;
    QByteArray buffer_;
};

} // namespace kalvor
