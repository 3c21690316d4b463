// Feeds arbitrary bytes to our RTF reader. Whatever it reads must write and read back the
// same (the writer's output is always one complete, balanced document), and no input may
// exhaust the stack or run away in time.
#include "tools/text/RtfReader.h"
#include "tools/text/RtfWriter.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace kalvor::text;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const RtfReadResult read =
        readRtf(QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    if (read.status == RtfReadResult::Status::NotRtf ||
        read.status == RtfReadResult::Status::TooDeep)
        return 0;
    const RtfReadResult again = readRtf(writeRtf(read.document));
    if (again.status != RtfReadResult::Status::Read ||
        again.document.plainText() != read.document.plainText())
        std::abort();
    return 0;
}
