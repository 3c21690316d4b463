// A private HOME for each test program: settings, data and runtime folders all live in a
// temporary folder, so tests never read the user's settings and never share an instance
// lock with a running program or another test.
#pragma once

#include <QString>

namespace kalvor::test {

// The temporary home of this test program (created before main's tests run).
QString testHome();
// A fresh empty folder below the test home.
QString freshFolder(const QString& name);
// Writes `contents` (bytes as given) to `path`, creating folders.
void writeFile(const QString& path, const QByteArray& contents);
QByteArray readFile(const QString& path);

} // namespace kalvor::test
