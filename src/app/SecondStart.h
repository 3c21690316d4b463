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

// In the second process: the exit code. Waits while the running instance is still
// starting up, and says on standard error when it never answers.
int handOverToRunningInstance(const QString& runtimeFolder, const QStringList& arguments);

// In the running instance, once start-up is done. `frontWindow` is the window the
// operator works in now (the main window, or the black-screen view in its place).
std::unique_ptr<InstanceDoor> openInstanceDoor(const QString& runtimeFolder, ShowLayer& show,
                                               std::function<QWidget*()> frontWindow);

} // namespace kalvor
