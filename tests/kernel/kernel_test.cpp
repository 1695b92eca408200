#include "platform/kernel.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "tests/support/scratch_folder.h"

namespace {

// Each test gets its own lock folder, so running instances of the program
// (other tests, a user) do not meet the names used here.
class NamedMutexTest : public ::testing::Test {
protected:
    support::PrivateRuntimeFolder lock_folder;
};

TEST_F(NamedMutexTest, ExistsWhileAHandleIsOpen) {
    EXPECT_EQ(OpenMutexA(MUTEX_ALL_ACCESS, FALSE, "TEST@NAME"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

    HANDLE first = CreateMutexA(nullptr, TRUE, "TEST@NAME");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);

    HANDLE opened = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, "TEST@NAME");
    EXPECT_NE(opened, nullptr);
    CloseHandle(opened);
    HANDLE second = CreateMutexA(nullptr, TRUE, "TEST@NAME");
    EXPECT_NE(second, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(ReleaseMutex(second));  // the second handle never owned it
    CloseHandle(second);

    EXPECT_TRUE(ReleaseMutex(first));
    EXPECT_FALSE(ReleaseMutex(first));
    // Released but still open: the name is still taken.
    HANDLE still = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, "TEST@NAME");
    EXPECT_NE(still, nullptr);
    CloseHandle(still);

    CloseHandle(first);
    EXPECT_EQ(OpenMutexA(MUTEX_ALL_ACCESS, FALSE, "TEST@NAME"), nullptr);
}

TEST_F(NamedMutexTest, NameWithSlashesStaysInTheLockFolder) {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "../a/b\\c");
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(access((lock_folder.Path() + "/nivra-mutex-.._a_b_c").c_str(), F_OK), 0);
    CloseHandle(mutex);
}

TEST(ModuleTest, FileNameIsTheExecutableInDriveLetterForm) {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    ASSERT_GT(length, 3u);
    EXPECT_EQ(std::strlen(path), length);
    EXPECT_EQ(std::string(path, 3), "C:\\");
    EXPECT_EQ(std::strchr(path, '/'), nullptr);
    EXPECT_NE(std::string(path).find("\\tests\\test_kernel"), std::string::npos) << path;

    char small[8];
    EXPECT_EQ(GetModuleFileNameA(nullptr, small, sizeof small), sizeof small);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(std::strlen(small), sizeof small - 1);
}

TEST(ModuleTest, VersionBlockBelongsToTheExecutableOnly) {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    DWORD handle = 1;
    DWORD size = GetFileVersionInfoSizeA(path, &handle);
    ASSERT_GT(size, 0u);
    std::string block(size, '\0');
    ASSERT_TRUE(GetFileVersionInfoA(path, handle, size, block.data()));
    LPVOID value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", &value, &length));
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(info->dwSignature, VS_FFI_SIGNATURE);
    EXPECT_EQ(info->dwFileVersionMS, (DWORD{NIVRA_VERSION_MAJOR} << 16) | NIVRA_VERSION_MINOR);
    EXPECT_EQ(info->dwFileVersionLS >> 16, DWORD{NIVRA_VERSION_BUILD});
    EXPECT_FALSE(VerQueryValueA(block.data(), "\\StringFileInfo", &value, &length));

    std::string garbage(size, 'x');
    EXPECT_FALSE(VerQueryValueA(garbage.data(), "\\", &value, &length));
    EXPECT_EQ(GetFileVersionInfoSizeA("C:\\bin\\sh", &handle), 0u);
    EXPECT_EQ(GetFileVersionInfoSizeA("C:\\no\\such\\file", &handle), 0u);
}

TEST(ModuleTest, LibrariesLoadByTheirLinuxNames) {
    EXPECT_EQ(LoadLibraryA("nivra-no-such-library.dll"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    HMODULE c_library = LoadLibraryA("libc.so.6");
    ASSERT_NE(c_library, nullptr);
    EXPECT_NE(GetProcAddress(c_library, "strlen"), nullptr);
    EXPECT_EQ(GetProcAddress(c_library, "nivra_no_such_symbol"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    char path[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(c_library, path, sizeof path), 0u);
    EXPECT_EQ(std::string(path, 3), "C:\\");
    EXPECT_TRUE(FreeLibrary(c_library));
}

TEST(SystemTest, ReportsNtAndTheIntelArchitecture) {
    OSVERSIONINFOA version{};
    EXPECT_FALSE(GetVersionExA(&version));  // the size field must be set
    version.dwOSVersionInfoSize = sizeof version;
    ASSERT_TRUE(GetVersionExA(&version));
    EXPECT_EQ(version.dwPlatformId, VER_PLATFORM_WIN32_NT);
    EXPECT_GE(version.dwMajorVersion, 2u);

    SYSTEM_INFO system;
    GetSystemInfo(&system);
#if defined(__x86_64__) || defined(__i386__)
    EXPECT_EQ(system.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_INTEL);
    ASSERT_TRUE(platform::CpuidAvailable());
    platform::CpuidRegisters leaf1 = platform::Cpuid(1);
    EXPECT_EQ(system.wProcessorLevel, (leaf1.eax >> 8) & 15);
#endif
    EXPECT_GE(system.dwNumberOfProcessors, 1u);
    EXPECT_GE(system.dwPageSize, 4096u);
    EXPECT_NE(system.dwActiveProcessorMask, 0u);
}

TEST(MemoryTest, ReadProbeAndGlobalBlocks) {
    EXPECT_TRUE(IsBadReadPtr(nullptr, 1));
    int value = 5;
    EXPECT_FALSE(IsBadReadPtr(&value, sizeof value));
    long page = sysconf(_SC_PAGESIZE);
    auto* pages =
        static_cast<char*>(mmap(nullptr, 2 * page, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(pages, MAP_FAILED);
    mprotect(pages + page, page, PROT_NONE);
    EXPECT_FALSE(IsBadReadPtr(pages, page));
    EXPECT_TRUE(IsBadReadPtr(pages + page - 1, 2));  // runs into the guard page
    munmap(pages, 2 * page);

    auto* block = static_cast<unsigned char*>(GlobalAlloc(GMEM_ZEROINIT, 1000));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(GlobalSize(block), 1000u);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(block[i], 0);
    EXPECT_EQ(GlobalLock(block), block);
    EXPECT_EQ(GlobalFree(block), nullptr);
    EXPECT_EQ(GlobalAlloc(GMEM_FIXED, static_cast<SIZE_T>(-1)), nullptr);

    MEMORYSTATUS status{};
    GlobalMemoryStatus(&status);
    EXPECT_GT(status.dwTotalPhys, 0u);
    EXPECT_LE(status.dwAvailPhys, status.dwTotalPhys);
    EXPECT_LE(status.dwAvailVirtual, status.dwTotalVirtual);
    EXPECT_LE(status.dwMemoryLoad, 100u);
    // The virtual figures are the process's own, not a 64-bit address
    // space: memory and swap less this process's address space.
    EXPECT_LE(status.dwTotalVirtual, status.dwTotalPageFile);
    EXPECT_GE(status.dwTotalPageFile, status.dwTotalPhys);
    std::ifstream self("/proc/self/status");
    unsigned long long vm_size_kb = 0;
    for (std::string line; std::getline(self, line);)
        if (line.rfind("VmSize:", 0) == 0)
            vm_size_kb = std::stoull(line.substr(7));
    ASSERT_GT(vm_size_kb, 0u);
    std::ifstream machine("/proc/meminfo");
    std::string key;
    unsigned long long total_phys_kb = 0;
    while (machine >> key >> total_phys_kb && key != "MemTotal:") {
        machine.ignore(256, '\n');
    }
    EXPECT_EQ(status.dwTotalPhys, total_phys_kb * 1024);
    // A sanitizer's shadow memory can make the address space larger than
    // memory and swap together: then nothing is left.
    const unsigned long long total_kb = status.dwTotalVirtual / 1024;
    if (vm_size_kb < total_kb) {
        EXPECT_GT(status.dwAvailVirtual, 0u);
    }
    const long long taken_kb =
        static_cast<long long>((status.dwTotalVirtual - status.dwAvailVirtual) / 1024);
    EXPECT_NEAR(static_cast<double>(taken_kb), static_cast<double>(std::min(vm_size_kb, total_kb)),
                16.0 * 1024);
}

TEST(StringTableTest, HoldsTheProgramsMessagesInCp932) {
    char buffer[256];
    ASSERT_GT(LoadStringA(nullptr, 1, buffer, sizeof buffer), 0);
    EXPECT_EQ(std::string(buffer, 2), "%s");
    for (UINT id : {3u, 4u, 5u, 6u})
        EXPECT_GT(LoadStringA(nullptr, id, buffer, sizeof buffer), 0) << id;
    EXPECT_EQ(LoadStringA(nullptr, 2, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "");

    // A short buffer keeps whole characters only: "Win32s" then a pair.
    char shortened[8];
    EXPECT_EQ(LoadStringA(nullptr, 5, shortened, sizeof shortened), 6);
    EXPECT_STREQ(shortened, "Win32s");
    EXPECT_EQ(LoadStringA(nullptr, 5, shortened, 0), 0);

    EXPECT_TRUE(IsDBCSLeadByte(0x81));
    EXPECT_TRUE(IsDBCSLeadByte(0xFC));
    EXPECT_FALSE(IsDBCSLeadByte(0xA0));  // half-width katakana are single bytes
    EXPECT_FALSE(IsDBCSLeadByte('A'));
}

TEST(TimeTest, TickCountAdvancesWithSleep) {
    DWORD before = GetTickCount();
    Sleep(20);
    DWORD elapsed = GetTickCount() - before;
    EXPECT_GE(elapsed, 19u);
}

}  // namespace
