// A second start of the program while one runs: the new process hands its command line
// to the running one and ends; the running one brings its window to the front and, when a
// show was named (a double-clicked .kal file), asks whether to open it there.
#pragma once

#include <QStringList>

#include <functional>
#include <memory>

class QWidget;

namespace kalvor {

class InstanceDoor;
class ShowLayer;

enum class HandOver {
    Taken,     // the running instance has the command line: this process ends
    StartHere, // the running instance has ended meanwhile: this process starts after all
    NoAnswer,  // the operator was told in a box: this process ends
};

// In the second process. Waits up to `waitMs` while the running instance is still starting
// up or closing.
HandOver handOverToRunningInstance(const QString& runtimeFolder, const QStringList& arguments,
                                   int waitMs = 20000);

// In the running instance, as soon as it holds the instance lock. The door starts out
// holding what arrives: `setHolding(false)` once start-up is done hands it on. `frontWindow`
// is the window the operator works in then (the main window, or the black-screen view in
// its place); `accepting` is false once closing has begun.
std::unique_ptr<InstanceDoor> openInstanceDoor(const QString& runtimeFolder, ShowLayer& show,
                                               std::function<QWidget*()> frontWindow,
                                               std::function<bool()> accepting = {});

} // namespace kalvor
