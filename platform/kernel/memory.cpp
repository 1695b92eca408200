// Global memory blocks, the memory status and the readability probe.
#include "platform/kernel.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace {

// Each block starts with its size, padded so the caller's part stays
// aligned for any type.
struct alignas(std::max_align_t) BlockHeader {
    SIZE_T size;
};

BlockHeader* HeaderOf(HGLOBAL memory) {
    return static_cast<BlockHeader*>(memory) - 1;
}

// A /proc file's "Name:   1234 kB" lines, read once: the kernel builds the
// whole file at every read.
class KilobyteLines {
public:
    explicit KilobyteLines(const char* file) {
        std::ifstream in(file);
        text_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // The named line's figure, in bytes; 0 when missing.
    SIZE_T operator[](const char* key) const {
        const std::size_t key_length = std::strlen(key);
        for (std::size_t line = 0; line < text_.size();) {
            if (text_.compare(line, key_length, key) == 0 && line + key_length < text_.size() &&
                text_[line + key_length] == ':')
                return static_cast<SIZE_T>(
                           std::strtoull(text_.c_str() + line + key_length + 1, nullptr, 10)) *
                       1024u;
            const std::size_t end = text_.find('\n', line);
            line = end == std::string::npos ? text_.size() : end + 1;
        }
        return 0;
    }

private:
    std::string text_;
};

// Copies `size` bytes of our own memory through the kernel, which reports
// EFAULT instead of faulting. Falls back to a pipe where process_vm_readv is
// not allowed.
bool KernelCanRead(const void* pointer, SIZE_T size) {
    char scratch[4096];
    const char* at = static_cast<const char*>(pointer);
    while (size > 0) {
        SIZE_T chunk = size < sizeof scratch ? size : sizeof scratch;
        iovec local{scratch, chunk};
        iovec remote{const_cast<char*>(at), chunk};
        ssize_t read = process_vm_readv(getpid(), &local, 1, &remote, 1, 0);
        if (read < 0 && errno == EFAULT)
            return false;
        if (read < 0) {
            int ends[2];
            if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
                return true;  // cannot tell: assume readable
            ssize_t written = write(ends[1], at, chunk);
            bool fault = written < 0 && errno == EFAULT;
            close(ends[0]);
            close(ends[1]);
            if (fault)
                return false;
        } else if (read == 0) {
            return false;
        } else {
            chunk = static_cast<SIZE_T>(read);
        }
        at += chunk;
        size -= chunk;
    }
    return true;
}

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
    if (bytes > static_cast<SIZE_T>(-1) - sizeof(BlockHeader)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    void* raw = (flags & GMEM_ZEROINIT) ? std::calloc(1, sizeof(BlockHeader) + bytes)
                                        : std::malloc(sizeof(BlockHeader) + bytes);
    if (raw == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto* header = static_cast<BlockHeader*>(raw);
    header->size = bytes;
    return header + 1;
}

HGLOBAL GlobalFree(HGLOBAL memory) {
    if (memory != nullptr)
        std::free(HeaderOf(memory));
    return nullptr;
}

LPVOID GlobalLock(HGLOBAL memory) {
    return memory;
}

BOOL GlobalUnlock(HGLOBAL) {
    return FALSE;
}  // fixed blocks have no lock count

SIZE_T GlobalSize(HGLOBAL memory) {
    return memory == nullptr ? 0 : HeaderOf(memory)->size;
}

void GlobalMemoryStatus(LPMEMORYSTATUS status) {
    if (status == nullptr)
        return;
    std::memset(status, 0, sizeof *status);
    status->dwLength = sizeof *status;
    const KilobyteLines machine("/proc/meminfo");
    SIZE_T total = machine["MemTotal"];
    SIZE_T available = machine["MemAvailable"];
    if (available == 0)
        available = machine["MemFree"] + machine["Buffers"] + machine["Cached"];
    if (available > total)
        available = total;
    status->dwTotalPhys = total;
    status->dwAvailPhys = available;
    status->dwMemoryLoad = total == 0 ? 0 : static_cast<DWORD>(100 - available * 100 / total);
    status->dwTotalPageFile = total + machine["SwapTotal"];
    status->dwAvailPageFile = available + machine["SwapFree"];

    // The virtual figures are this process's own. A 64-bit address space
    // (128 TiB) says nothing; what bounds the process is the memory that can
    // back it, the machine's memory and swap, or its address-space limit
    // when that is lower. Available is what of it the process's address
    // space (VmSize) does not take yet.
    SIZE_T backing = status->dwTotalPageFile;
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        limit.rlim_cur < backing)
        backing = static_cast<SIZE_T>(limit.rlim_cur);
    SIZE_T mapped = KilobyteLines("/proc/self/status")["VmSize"];
    status->dwTotalVirtual = backing;
    status->dwAvailVirtual = mapped < backing ? backing - mapped : 0;
}

BOOL IsBadReadPtr(LPCVOID pointer, UINT_PTR size) {
    if (size == 0)
        return FALSE;
    if (pointer == nullptr)
        return TRUE;
    return KernelCanRead(pointer, size) ? FALSE : TRUE;
}
