// Converts arbitrary bytes through the library's entry points, then releases the result.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "rcpcv/rcpcv.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The size's lowest bit picks the plain conversion or the one that marks endless loops, so
    // both walks meet every input shape.
    const uint32_t flags = (size & 1) != 0 ? RCPCV_FLAG_MARK_ENDLESS_LOOP : RCPCV_FLAGS_DEFAULT;
    RcpcvHandle handle =
        rcpcvConvertFileFromBuffer(data, static_cast<uint32_t>(size), flags, 0, 0, 0, 0);
    if (handle != 0) {
        auto smf = static_cast<const uint8_t*>(rcpcvGetSMF(handle));
        // The result always starts with a complete header chunk.
        if (smf == nullptr || std::memcmp(smf, "MThd\0\0\0\6", 8) != 0) {
            __builtin_trap();
        }
        rcpcvDeleteObject(handle);
    }
    return 0;
}
