// The "DSP Effects" window; see DspWindow.h. UI thread.
#include "engine/ui/DspWindow.h"

#include "core/Settings.h"
#include "core/ShowStore.h"

namespace kalvor {

struct DspWindow::Ui {
    ShowStore* store = nullptr;
    Settings* settings = nullptr;
    int channel = 0;
};

DspWindow::DspWindow(ShowStore& store, Settings& settings, QWidget* parent)
    : QWidget(parent, Qt::Window), ui_(std::make_unique<Ui>()) {
    ui_->store = &store;
    ui_->settings = &settings;
}

DspWindow::~DspWindow() = default;

void DspWindow::showForChannel(int ch) {
    ui_->channel = ch;
    show();
}

int DspWindow::channel() const {
    return ui_->channel;
}

} // namespace kalvor
