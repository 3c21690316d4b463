// The folder and file checks of the options' save. Folders are kept with a trailing "/";
// folders written by older settings files end in "\" and are taken the same way. Any
// thread.
#pragma once

#include <QString>

#include <optional>

namespace kalvor {

// The folder with exactly one trailing "/", when it names an existing folder; nullopt for
// anything else (missing, or a file). An empty text is no folder either.
std::optional<QString> existingFolder(const QString& path);
// An existing regular file (a folder of that name does not count).
bool isExistingFile(const QString& path);
// Any existing file the user may run: the wave editor is any program, not only one kind.
bool isExecutableFile(const QString& path);

} // namespace kalvor
