// The library's exported entry points and the table of live conversions behind the handles.
#include "rcpcv/rcpcv.h"

#include <memory>
#include <mutex>
#include <new>
#include <unordered_map>
#include <vector>

#include "rcpcv/song_converter.h"

namespace {

// Handles are small numbers rather than pointers: they fit 32 bits on every platform, and a
// stale or forged handle finds nothing instead of touching freed memory.
class ConversionTable {
public:
    RcpcvHandle Add(std::vector<uint8_t> smf) {
        auto entry = std::make_unique<std::vector<uint8_t>>(std::move(smf));
        std::lock_guard lock(mutex_);
        do {
            ++last_handle_;
        } while (last_handle_ == 0 || entries_.count(last_handle_) != 0);
        entries_.emplace(last_handle_, std::move(entry));
        return last_handle_;
    }

    const void* Data(RcpcvHandle handle) {
        std::lock_guard lock(mutex_);
        auto found = entries_.find(handle);
        return found == entries_.end() ? nullptr : found->second->data();
    }

    void Remove(RcpcvHandle handle) {
        std::unique_ptr<std::vector<uint8_t>> released;
        std::lock_guard lock(mutex_);
        auto found = entries_.find(handle);
        if (found != entries_.end()) {
            released = std::move(found->second);
            entries_.erase(found);
        }
    }

private:
    std::mutex mutex_;
    RcpcvHandle last_handle_ = 0;
    std::unordered_map<RcpcvHandle, std::unique_ptr<std::vector<uint8_t>>> entries_;
};

ConversionTable& Conversions() {
    static ConversionTable table;
    return table;
}

}  // namespace

extern "C" {

RCPCV_API RcpcvHandle rcpcvConvertFileFromBuffer(const void* data, uint32_t size, uint32_t flags,
                                                 uint32_t /*reserved1*/, uint32_t /*reserved2*/,
                                                 uint32_t /*reserved3*/, uint32_t /*reserved4*/) {
    if (data == nullptr || size == 0) {
        return 0;
    }
    try {
        rcpcv::ConversionOptions options;
        options.mark_endless_loop = (flags & RCPCV_FLAG_MARK_ENDLESS_LOOP) != 0;
        auto smf = rcpcv::ConvertRcpToSmf({static_cast<const uint8_t*>(data), size}, {}, options);
        if (!smf) {
            return 0;
        }
        return Conversions().Add(std::move(*smf));
    } catch (const std::bad_alloc&) {
        return 0;  // no exception may cross into the caller
    } catch (...) {
        return 0;
    }
}

RCPCV_API const void* rcpcvGetSMF(RcpcvHandle handle) {
    return Conversions().Data(handle);
}

RCPCV_API void rcpcvDeleteObject(RcpcvHandle handle) {
    Conversions().Remove(handle);
}

}  // extern "C"
