// The stand-alone overview layout file (".kov"): a "Fileformat N" line, then one layout
// block of that version. Pure data in and out, so the menu commands, tests and the fuzzer
// share the same reader. Any thread.
#pragma once

#include "show/playlist/OverviewLayout.h"

#include <QByteArray>
#include <QByteArrayView>

namespace kalvor {

// "Fileformat 3" CR LF, then the version 3 block.
QByteArray kovFileContents(const playlist::OverviewLayout& layout);

struct KovRead {
    enum class Status {
        Read,          // a block of version 1, 2 or 3: apply it
        UnknownFormat, // the first line names no known version: nothing changes
        Truncated,     // the file ends inside the block: nothing changes
    };
    Status status = Status::UnknownFormat;
    playlist::OverviewLayout layout;
    bool endMarkerFound = false; // false: "Unexpected length of overview layout data!"
};

KovRead readKovFile(QByteArrayView contents);

// The name the save and load dialogs give: ".kov" appended when it is missing.
QString withKovExtension(const QString& path);

} // namespace kalvor
