// `kalvor-tool ftp-list`: what the file management window would show for a server's
// folder, for checking a server entry from a script or a booth machine's shell.
#pragma once

#include <QStringList>

namespace kalvor::cli {

int runFtpList(const QStringList& args);

} // namespace kalvor::cli
