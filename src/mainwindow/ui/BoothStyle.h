// The look of the program in a darkened booth: Qt's Fusion style with a dark palette, so
// lists and panels do not glare, while the PLAY colours, the time displays and the
// highlighted strip keep their own colours and stand out. UI thread, before any window.
#pragma once

class QApplication;

namespace kalvor {

void applyBoothStyle(QApplication& app);

} // namespace kalvor
