// Feeds arbitrary bytes to the play log's readers, both forms. Whatever the ".klg" reader
// accepts must write back and read again to the same list.
#include "core/TextLines.h"
#include "mainwindow/LogFiles.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QStringList lines = kalvor::splitTextLines(
        QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    (void)kalvor::parseTxt(lines);
    const auto doc = kalvor::parseKlg(lines);
    if (!doc)
        return 0;
    const auto again = kalvor::parseKlg(kalvor::klgLines(*doc));
    if (!again || again->rows != doc->rows || again->header != doc->header)
        std::abort();
    return 0;
}
