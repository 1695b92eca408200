#include "midi/rcp_converter.h"

#include "midi/midi_format.h"
#include "platform/kernel.h"

namespace {

// The library's entry points (its handle is a 32-bit value, 0 = failure).
using ConvertProc = std::uint32_t (*)(const void*, std::uint32_t, std::uint32_t, std::uint32_t,
                                      std::uint32_t, std::uint32_t, std::uint32_t);
using GetSmfProc = const void* (*)(std::uint32_t);
using DeleteProc = void (*)(std::uint32_t);

template <typename Proc>
Proc Lookup(HMODULE module, const char* name) {
    // Through void (*)(): the generic function pointer type a cast may pass.
    return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

}  // namespace

CRcpConverter::CRcpConverter() : CRcpConverter("rcpcv.dll") {}

CRcpConverter::CRcpConverter(const char* library_path) {
    module = LoadLibraryA(library_path);
}

CRcpConverter::~CRcpConverter() {
    ReleaseObject();
    if (module != nullptr)
        FreeLibrary(module);
    module = nullptr;
}

const std::uint8_t* CRcpConverter::ConvertToSmf(const void* data, std::uint32_t size,
                                                std::uint32_t flags) {
    if (module == nullptr || data == nullptr || size == 0 ||
        DetectMidiFormat(data, size) != MIDIFORMAT_RCP)
        return nullptr;
    ReleaseObject();
    // Looked up on every use; a library lacking one of them converts nothing.
    auto convert = Lookup<ConvertProc>(module, "rcpcvConvertFileFromBuffer");
    auto get_smf = Lookup<GetSmfProc>(module, "rcpcvGetSMF");
    auto release = Lookup<DeleteProc>(module, "rcpcvDeleteObject");
    if (convert == nullptr || get_smf == nullptr || release == nullptr)
        return nullptr;
    object = convert(data, size, flags, 0, 0, 0, 0);
    if (object == 0)
        return nullptr;
    return static_cast<const std::uint8_t*>(get_smf(static_cast<std::uint32_t>(object)));
}

void CRcpConverter::ReleaseObject() {
    if (module == nullptr || object == 0)
        return;
    auto release = Lookup<DeleteProc>(module, "rcpcvDeleteObject");
    if (release != nullptr)
        release(static_cast<std::uint32_t>(object));
    object = 0;
}
