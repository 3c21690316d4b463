// `kalvor-tool backup SHOW.kal OUT.kfa [--add FILE]... [--force]` and
// `kalvor-tool restore ARCHIVE.kfa DIR [--overwrite]`: the tools window's backup and
// restore for booth machines and scheduled backups, through the same headless code, with
// its system messages on stderr and a non-zero exit on any failure. Main thread.
#pragma once

#include <QStringList>

namespace kalvor::cli {

int runBackupCommand(const QStringList& args);
int runRestoreCommand(const QStringList& args);

} // namespace kalvor::cli
