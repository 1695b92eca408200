#include "system/sysinfo.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "platform/kernel.h"

SysInfo& GetSysInfo() {
    static SysInfo info{};
    return info;
}

void FormatVersionLine(const SysInfo& info, char* out, int out_size) {
    std::snprintf(out, out_size, "v%d.%02d(BUILD%04d) - SMF/RCP PLAYER FOR LINUX",
                  info.versionMajor, info.versionMinor, info.versionBuild);
}

void LoadVersionNumbers() {
    SysInfo& info = GetSysInfo();
    const std::string program = GetProgramPath();
    if (program.empty())
        return;
    const char* path = program.c_str();
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &handle);
    if (size == 0)
        return;
    auto block = std::make_unique<unsigned char[]>(size);
    if (!GetFileVersionInfoA(path, handle, size, block.get())) {
        info.versionMajor = info.versionMinor = info.versionBuild = 0;
        return;
    }
    LPVOID value = nullptr;
    UINT length = 0;
    if (VerQueryValueA(block.get(), "\\", &value, &length) && length >= sizeof(VS_FIXEDFILEINFO)) {
        const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
        info.versionMajor = HIWORD(fixed->dwFileVersionMS);
        info.versionMinor = LOWORD(fixed->dwFileVersionMS);
        info.versionBuild = HIWORD(fixed->dwFileVersionLS);
    }
}

bool CpuidInstruction::Available() const {
    return platform::CpuidAvailable();
}

platform::CpuidRegisters CpuidInstruction::Execute(DWORD leaf) const {
    return platform::Cpuid(leaf);
}

void DetectCpu(SysInfo& info, const CpuidInstruction& cpuid) {
    DWORD signature = 0;
    DWORD features = 0;
    if (cpuid.Available()) {
        platform::CpuidRegisters leaf0 = cpuid.Execute(0);
        // EBX, EDX, ECX, each register's bytes from low to high.
        char vendor[13];
        const DWORD words[3] = {leaf0.ebx, leaf0.edx, leaf0.ecx};
        for (int i = 0; i < 12; ++i)
            vendor[i] = static_cast<char>((words[i / 4] >> (8 * (i % 4))) & 0xFF);
        vendor[12] = '\0';
        std::memcpy(info.cpuVendor, vendor, sizeof vendor);
        if (leaf0.eax != 0) {
            platform::CpuidRegisters leaf1 = cpuid.Execute(1);
            signature = leaf1.eax;
            features = leaf1.edx;
        }
    } else {
        std::strcpy(info.cpuVendor, "(UNKNOWN)");
    }
    if (features != 0) {
        info.cpuidValid = 1;
        info.cpuFamily = static_cast<std::int32_t>((signature >> 8) & 15);
        info.cpuModel = static_cast<std::int32_t>((signature >> 4) & 15);
        info.cpuStepping = static_cast<std::int32_t>(signature & 15);
    }
}

void DetectCpu() {
    DetectCpu(GetSysInfo(), CpuidInstruction());
}
