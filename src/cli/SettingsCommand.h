// `kalvor-tool settings`: prints every key with its effective value and whether it comes
// from the file or is the default, so a booth machine's setup can be checked at a glance.
#pragma once

#include <QStringList>

namespace kalvor::cli {

int runSettings(const QStringList& args);

} // namespace kalvor::cli
