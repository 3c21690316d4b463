// Feeds arbitrary bytes to the FTP browser's Unix listing parser: one line at a time as the
// parser is called, and as a whole LIST reply cut into lines.
#include "tools/ftp/FtpListing.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (const auto item = kalvor::ftp::AddToListView(QString::fromUtf8(bytes)))
        (void)kalvor::ftp::unsafeNameReason(item->name);
    (void)kalvor::ftp::parseListing(kalvor::ftp::ServerType::Unix, bytes);
    return 0;
}
