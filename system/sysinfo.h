// The program's record of its version numbers, the operating system and the
// processor, filled during start-up.
#pragma once

#include "platform/kernel.h"

#include <cstdint>

struct SysInfo {
    std::uint16_t versionMajor;
    std::uint16_t versionMinor;
    std::uint16_t versionBuild;
    OSVERSIONINFOA osVersion;
    SYSTEM_INFO systemInfo;
    char cpuVendor[16];       // the 12-character CPUID vendor text, or "(UNKNOWN)"
    std::int32_t cpuidValid;  // 1 when CPUID leaf 1 gave a nonzero feature word
    std::int32_t cpuFamily;
    std::int32_t cpuModel;
    std::int32_t cpuStepping;
};

// The one record, zero-filled on first use.
SysInfo& GetSysInfo();

// Version numbers from the executable's version block: major and minor from
// the most significant double word, build from the high word of the least
// significant one; all left 0 without a version block.
void LoadVersionNumbers();

// The version as the title strip shows it:
// "v<major>.<minor, two digits>(BUILD<build, four digits>) - SMF/RCP PLAYER FOR LINUX";
// numbers wider than their field print in full.
void FormatVersionLine(const SysInfo& info, char* out, int out_size);

// The processor as CPUID reports it. The seam lets a test stand in for the
// instruction.
class CpuidInstruction {
public:
    virtual ~CpuidInstruction() = default;
    virtual bool Available() const;
    virtual platform::CpuidRegisters Execute(DWORD leaf) const;
};

// Fills cpuVendor, cpuidValid, cpuFamily, cpuModel and cpuStepping of `info`.
void DetectCpu(SysInfo& info, const CpuidInstruction& cpuid);
// DetectCpu on the global record with the real instruction.
void DetectCpu();
