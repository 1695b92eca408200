// Operating-system version, system information and the CPUID instruction.
#include "platform/kernel.h"

#include <sched.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#define NIVRA_HAS_CPUID 1
#else
#define NIVRA_HAS_CPUID 0
#endif

namespace platform {

bool CpuidAvailable() {
#if NIVRA_HAS_CPUID
    // __get_cpuid_max performs the EFLAGS ID-bit test on 32-bit x86 and
    // answers 0 when the instruction is missing.
    return __get_cpuid_max(0, nullptr) != 0;
#else
    return false;
#endif
}

CpuidRegisters Cpuid(DWORD leaf) {
    CpuidRegisters registers;
#if NIVRA_HAS_CPUID
    if (!CpuidAvailable())
        return registers;
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    __cpuid_count(leaf, 0, eax, ebx, ecx, edx);
    registers = {eax, ebx, ecx, edx};
#else
    (void)leaf;
#endif
    return registers;
}

}  // namespace platform

BOOL GetVersionExA(LPOSVERSIONINFOA info) {
    if (info == nullptr || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    info->dwMajorVersion = info->dwMinorVersion = info->dwBuildNumber = 0;
    std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
    info->dwPlatformId = VER_PLATFORM_WIN32_NT;
    utsname name{};
    if (uname(&name) == 0) {
        unsigned major = 0, minor = 0, build = 0;
        std::sscanf(name.release, "%u.%u.%u", &major, &minor, &build);
        info->dwMajorVersion = major;
        info->dwMinorVersion = minor;
        info->dwBuildNumber = build;
    }
    return TRUE;
}

void GetSystemInfo(LPSYSTEM_INFO info) {
    if (info == nullptr)
        return;
    std::memset(info, 0, sizeof *info);
#if defined(__i386__) || defined(__x86_64__)
    info->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_INTEL;
    info->dwProcessorType = PROCESSOR_INTEL_PENTIUM;
    platform::CpuidRegisters signature = platform::Cpuid(1);
    info->wProcessorLevel = static_cast<WORD>((signature.eax >> 8) & 15);
    info->wProcessorRevision =
        static_cast<WORD>((((signature.eax >> 4) & 15) << 8) | (signature.eax & 15));
#elif defined(__aarch64__)
    info->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_ARM64;
#elif defined(__arm__)
    info->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_ARM;
#else
    info->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_UNKNOWN;
#endif
    long page = sysconf(_SC_PAGESIZE);
    info->dwPageSize = page > 0 ? static_cast<DWORD>(page) : 4096;
    info->dwAllocationGranularity = 65536;
    info->lpMinimumApplicationAddress = reinterpret_cast<LPVOID>(static_cast<UINT_PTR>(0x10000));
#if UINTPTR_MAX > 0xFFFFFFFFu
    info->lpMaximumApplicationAddress =
        reinterpret_cast<LPVOID>(static_cast<UINT_PTR>(0x7FFFFFFEFFFFull));
#else
    info->lpMaximumApplicationAddress =
        reinterpret_cast<LPVOID>(static_cast<UINT_PTR>(0xBFFEFFFFu));
#endif
    long processors = sysconf(_SC_NPROCESSORS_ONLN);
    info->dwNumberOfProcessors = processors > 0 ? static_cast<DWORD>(processors) : 1;
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
        for (unsigned i = 0; i < sizeof(DWORD_PTR) * 8; ++i)
            if (CPU_ISSET(i, &set))
                info->dwActiveProcessorMask |= DWORD_PTR{1} << i;
    }
}
