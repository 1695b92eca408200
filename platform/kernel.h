// The Win32 kernel calls the program makes (threads, events, critical
// sections, timing, the named single-instance mutex, module and version
// information, system information, the string table, libraries and global
// memory), implemented over Linux.
#pragma once

#include "platform/win32_types.h"

#include <mutex>
#include <string>

// ---- Errors -------------------------------------------------------------

#define ERROR_SUCCESS 0u
#define ERROR_FILE_NOT_FOUND 2u
#define ERROR_PATH_NOT_FOUND 3u
#define ERROR_ACCESS_DENIED 5u
#define ERROR_INVALID_HANDLE 6u
#define ERROR_NOT_ENOUGH_MEMORY 8u
#define ERROR_INVALID_PARAMETER 87u
#define ERROR_INSUFFICIENT_BUFFER 122u
#define ERROR_MOD_NOT_FOUND 126u
#define ERROR_PROC_NOT_FOUND 127u
#define ERROR_ALREADY_EXISTS 183u
#define ERROR_NOT_OWNER 288u
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813u
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814u

// The calling thread's last error code.
DWORD GetLastError();
void SetLastError(DWORD error);

// ---- Handles and waiting ------------------------------------------------

#define WAIT_OBJECT_0 0x00000000u
#define WAIT_ABANDONED 0x00000080u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu
#define STILL_ACTIVE 0x00000103u

#define SYNCHRONIZE 0x00100000u
#define MUTEX_ALL_ACCESS 0x001F0001u
#define EVENT_ALL_ACCESS 0x001F0003u

// Waits until a thread ends or an event is signalled; `milliseconds` may be
// INFINITE or 0 (poll). A waited-for automatic-reset event is reset.
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
// Closes a thread, event or mutex handle. A thread keeps running when its
// handle is closed.
BOOL CloseHandle(HANDLE handle);

// ---- Threads ------------------------------------------------------------

using LPTHREAD_START_ROUTINE = DWORD(WINAPI*)(LPVOID parameter);

#define CREATE_SUSPENDED 0x00000004u

#define THREAD_PRIORITY_IDLE (-15)
#define THREAD_PRIORITY_LOWEST (-2)
#define THREAD_PRIORITY_BELOW_NORMAL (-1)
#define THREAD_PRIORITY_NORMAL 0
#define THREAD_PRIORITY_ABOVE_NORMAL 1
#define THREAD_PRIORITY_HIGHEST 2
#define THREAD_PRIORITY_TIME_CRITICAL 15
#define THREAD_PRIORITY_ERROR_RETURN 0x7FFFFFFF

// Starts `start(parameter)` on a new thread (held back until ResumeThread
// with CREATE_SUSPENDED). The stack size 0 means the default. Returns null
// on failure.
HANDLE CreateThread(LPSECURITY_ATTRIBUTES attributes, SIZE_T stack_size,
                    LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD creation_flags,
                    LPDWORD thread_id);
// Lets a thread created with CREATE_SUSPENDED run. Returns the previous
// suspend count (1 the first time, then 0), or (DWORD)-1 on a bad handle.
DWORD ResumeThread(HANDLE thread);
// The thread's return value, or STILL_ACTIVE while it runs.
BOOL GetExitCodeThread(HANDLE thread, LPDWORD exit_code);
// A pseudo handle meaning "the calling thread" (it need not be closed).
HANDLE GetCurrentThread();
DWORD GetCurrentThreadId();
// Priorities above normal ask for real-time scheduling, which the system may
// refuse (usual in containers); the call still succeeds and the thread runs
// at normal priority. GetThreadPriority reports the value last set.
BOOL SetThreadPriority(HANDLE thread, int priority);
int GetThreadPriority(HANDLE thread);

// ---- Events -------------------------------------------------------------

// An event, manual-reset (stays signalled until ResetEvent) or automatic
// (one waiter passes, then it is reset). Names are ignored: every event is
// private to the process.
HANDLE CreateEventA(LPSECURITY_ATTRIBUTES attributes, BOOL manual_reset, BOOL initial_state,
                    LPCSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);

// ---- Critical sections --------------------------------------------------

// Recursive like Win32's: the owning thread may enter again and must leave
// as many times.
struct CRITICAL_SECTION {
    alignas(std::recursive_mutex) unsigned char storage[sizeof(std::recursive_mutex)];
};
using LPCRITICAL_SECTION = CRITICAL_SECTION*;

void InitializeCriticalSection(LPCRITICAL_SECTION section);
void DeleteCriticalSection(LPCRITICAL_SECTION section);
void EnterCriticalSection(LPCRITICAL_SECTION section);
BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section);
void LeaveCriticalSection(LPCRITICAL_SECTION section);

// ---- Time ---------------------------------------------------------------

// Sleeps at least `milliseconds`; 0 yields the processor.
void Sleep(DWORD milliseconds);
// Milliseconds of the monotonic clock, wrapping at 32 bits.
DWORD GetTickCount();
ULONGLONG GetTickCount64();

// ---- The named single-instance mutex --------------------------------------

// A named mutex is a per-user lock file under $XDG_RUNTIME_DIR (else
// /tmp/nivra-<uid>), held with flock while a handle to it is open, so the
// system frees it when the process dies. CreateMutexA returns a handle even
// when the name exists already, and then sets ERROR_ALREADY_EXISTS.
HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL initial_owner, LPCSTR name);
// A handle to an existing named mutex, or null (ERROR_FILE_NOT_FOUND) when
// no process holds one of that name.
HANDLE OpenMutexA(DWORD desired_access, BOOL inherit_handle, LPCSTR name);
// Gives up ownership; the name stays taken until the handle is closed.
BOOL ReleaseMutex(HANDLE mutex);

// ---- Modules and libraries ------------------------------------------------

// The executable's own module handle for a null name; other modules are the
// handles of LoadLibraryA.
HMODULE GetModuleHandleA(LPCSTR module_name);
// The module's path in drive-letter form: the root directory is C:, so
// "/work/build/nivra" reads "C:\work\build\nivra" (CP932). Returns the length
// copied, or `size` with ERROR_INSUFFICIENT_BUFFER when truncated (the result
// is still terminated), 0 on failure.
DWORD GetModuleFileNameA(HMODULE module, LPSTR file_name, DWORD size);
// The executable's path in the program's drive-letter form, from
// GetModuleFileNameA with a buffer grown until the whole path fits; empty
// when the system cannot tell it.
std::string GetProgramPath();
// "name.dll" loads libname.so (lower case) from the executable's folder, then
// through the system's library search path; other names are passed on as
// they are.
HMODULE LoadLibraryA(LPCSTR file_name);
FARPROC GetProcAddress(HMODULE module, LPCSTR proc_name);
BOOL FreeLibrary(HMODULE module);

// ---- Version information --------------------------------------------------

#define VS_FFI_SIGNATURE 0xFEEF04BDu
#define VS_FFI_STRUCVERSION 0x00010000u
#define VOS_NT_WINDOWS32 0x00040004u
#define VFT_APP 0x00000001u

struct VS_FIXEDFILEINFO {
    DWORD dwSignature;
    DWORD dwStrucVersion;
    DWORD dwFileVersionMS;
    DWORD dwFileVersionLS;
    DWORD dwProductVersionMS;
    DWORD dwProductVersionLS;
    DWORD dwFileFlagsMask;
    DWORD dwFileFlags;
    DWORD dwFileOS;
    DWORD dwFileType;
    DWORD dwFileSubtype;
    DWORD dwFileDateMS;
    DWORD dwFileDateLS;
};

// The program's own executable carries a version block made from the
// project version (major.minor.build.0); every other file has none
// (GetFileVersionInfoSizeA answers 0).
DWORD GetFileVersionInfoSizeA(LPCSTR file_name, LPDWORD handle);
BOOL GetFileVersionInfoA(LPCSTR file_name, DWORD handle, DWORD size, LPVOID data);
// Only the root block "\\" (the VS_FIXEDFILEINFO) is available.
BOOL VerQueryValueA(LPCVOID block, LPCSTR sub_block, LPVOID* buffer, UINT* length);

// ---- Operating system and processor ---------------------------------------

#define VER_PLATFORM_WIN32s 0u
#define VER_PLATFORM_WIN32_WINDOWS 1u
#define VER_PLATFORM_WIN32_NT 2u

struct OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    CHAR szCSDVersion[128];
};
using LPOSVERSIONINFOA = OSVERSIONINFOA*;
static_assert(sizeof(OSVERSIONINFOA) == 148);

// Reports the NT platform with the Linux kernel's version numbers. Fails
// (ERROR_INSUFFICIENT_BUFFER) unless dwOSVersionInfoSize is 148.
BOOL GetVersionExA(LPOSVERSIONINFOA info);

#define PROCESSOR_ARCHITECTURE_INTEL 0
#define PROCESSOR_ARCHITECTURE_ARM 5
#define PROCESSOR_ARCHITECTURE_ARM64 12
#define PROCESSOR_ARCHITECTURE_UNKNOWN 0xFFFF
#define PROCESSOR_INTEL_386 386
#define PROCESSOR_INTEL_486 486
#define PROCESSOR_INTEL_PENTIUM 586

// Win32's field layout; pointer-sized fields are 64-bit on a 64-bit build.
struct SYSTEM_INFO {
    union {
        DWORD dwOemId;
        struct {
            WORD wProcessorArchitecture;
            WORD wReserved;
        };
    };
    DWORD dwPageSize;
    LPVOID lpMinimumApplicationAddress;
    LPVOID lpMaximumApplicationAddress;
    DWORD_PTR dwActiveProcessorMask;
    DWORD dwNumberOfProcessors;
    DWORD dwProcessorType;
    DWORD dwAllocationGranularity;
    WORD wProcessorLevel;
    WORD wProcessorRevision;
};
using LPSYSTEM_INFO = SYSTEM_INFO*;

// The Intel architecture on x86 and x86-64 builds (both run the program's
// IA-32 code paths), ARM/ARM64 or unknown elsewhere.
void GetSystemInfo(LPSYSTEM_INFO info);

namespace platform {

// The four registers one CPUID leaf returns.
struct CpuidRegisters {
    DWORD eax = 0;
    DWORD ebx = 0;
    DWORD ecx = 0;
    DWORD edx = 0;
};

// True when the processor has the CPUID instruction (always on x86-64; the
// EFLAGS ID-bit test on 32-bit x86; never elsewhere).
bool CpuidAvailable();
// Executes CPUID for `leaf` (sub-leaf 0); all zero when it is not available.
CpuidRegisters Cpuid(DWORD leaf);

}  // namespace platform

// ---- Pointers and code page -----------------------------------------------

// TRUE when any of the `size` bytes at `pointer` cannot be read; a null
// pointer is unreadable, a size of 0 is readable.
BOOL IsBadReadPtr(LPCVOID pointer, UINT_PTR size);
// TRUE when `byte` starts a double-byte character of code page 932.
BOOL IsDBCSLeadByte(BYTE byte);

// ---- The string table -------------------------------------------------------

// Copies string `id` of the program's string table (CP932 bytes) into
// `buffer`, at most size-1 bytes without splitting a double-byte character,
// and terminates it. Returns the bytes copied; 0 when there is no such
// string (the buffer then holds an empty string).
int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int size);

// ---- Global memory ----------------------------------------------------------

#define GMEM_FIXED 0x0000u
#define GMEM_MOVEABLE 0x0002u
#define GMEM_ZEROINIT 0x0040u
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)

// Every block is fixed: the handle is the block's address (GlobalLock
// returns it unchanged). GlobalFree returns null on success.
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
HGLOBAL GlobalFree(HGLOBAL memory);
LPVOID GlobalLock(HGLOBAL memory);
BOOL GlobalUnlock(HGLOBAL memory);
SIZE_T GlobalSize(HGLOBAL memory);

struct MEMORYSTATUS {
    DWORD dwLength;
    DWORD dwMemoryLoad;
    SIZE_T dwTotalPhys;
    SIZE_T dwAvailPhys;
    SIZE_T dwTotalPageFile;
    SIZE_T dwAvailPageFile;
    SIZE_T dwTotalVirtual;
    SIZE_T dwAvailVirtual;
};
using LPMEMORYSTATUS = MEMORYSTATUS*;

// Physical figures from /proc/meminfo; the virtual figures are the
// process's own: the memory that can back it (memory and swap, or its
// address-space limit when lower) and what of that its address space
// (VmSize) does not take yet.
void GlobalMemoryStatus(LPMEMORYSTATUS status);
