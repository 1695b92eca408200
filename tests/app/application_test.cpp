#include "app/application.h"
#include "app/error_box.h"
#include "app/main_window.h"
#include "system/sysinfo.h"
#include "platform/codepage.h"
#include "platform/ddraw.h"
#include "platform/user.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::string& cp932) {
    return platform::Cp932ToUtf8(cp932);
}

TEST(ErrorBoxTest, EachCodeShowsItsMessageAndFourDigitCode) {
    struct Case {
        ErrorCode code;
        const char* text;
    };
    const Case cases[] = {
        {0, "内部の初期化処理に失敗しました\n例外コード:#0000"},
        {2, "内部の初期化処理に失敗しました\n例外コード:#0002"},
        {11, "Win32sサブシステムでは実行できません\n例外コード:#0011"},
        {12, "Intelアーキテクチャのプロセッサが必要です\n例外コード:#0012"},
        {30, "内部の初期化処理に失敗しました\n例外コード:#0030"},
        {101, "DirectDrawの初期化に失敗しました\n例外コード:#0101"},
        {102, "内部の初期化処理に失敗しました\n例外コード:#0102"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Utf8(FormatErrorBoxText(c.code)), c.text) << c.code;
    EXPECT_EQ(Utf8(kErrorBoxCaption), "NIVRA エラー");
}

TEST(ErrorBoxTest, GoesToStandardErrorUnderTheCaption) {
    setenv("NIVRA_VIDEO", "headless", 1);
    testing::internal::CaptureStderr();
    ShowErrorBox(ERRORCODE_DIRECTDRAW);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "NIVRA エラー\nDirectDrawの初期化に失敗しました\n例外コード:#0101\n");
}

TEST(SysInfoTest, VersionNumbersComeFromTheVersionBlock) {
    LoadVersionNumbers();
    const SysInfo& info = GetSysInfo();
    EXPECT_EQ(info.versionMajor, NIVRA_VERSION_MAJOR);
    EXPECT_EQ(info.versionMinor, NIVRA_VERSION_MINOR);
    EXPECT_EQ(info.versionBuild, NIVRA_VERSION_BUILD);
}

// A processor with chosen CPUID answers.
class FakeCpuid : public CpuidInstruction {
public:
    bool available = true;
    platform::CpuidRegisters leaf0{1, 0x756E6547, 0x6C65746E, 0x49656E69};  // "GenuineIntel"
    platform::CpuidRegisters leaf1{0x00000633, 0, 0, 0x0080FBFF};  // family 6, model 3, stepping 3
    mutable int leaf1_calls = 0;

    bool Available() const override { return available; }
    platform::CpuidRegisters Execute(DWORD leaf) const override {
        if (leaf == 0)
            return leaf0;
        ++leaf1_calls;
        return leaf1;
    }
};

TEST(SysInfoTest, DetectCpuDecodesVendorAndSignature) {
    SysInfo info{};
    FakeCpuid cpu;
    DetectCpu(info, cpu);
    EXPECT_STREQ(info.cpuVendor, "GenuineIntel");
    EXPECT_EQ(info.cpuidValid, 1);
    EXPECT_EQ(info.cpuFamily, 6);
    EXPECT_EQ(info.cpuModel, 3);
    EXPECT_EQ(info.cpuStepping, 3);

    // A zero feature word leaves the fields as they were.
    cpu.leaf0 = {1, 0x68747541, 0x444D4163, 0x69746E65};  // "AuthenticAMD"
    cpu.leaf1 = {0x00000F48, 0, 0, 0};
    DetectCpu(info, cpu);
    EXPECT_STREQ(info.cpuVendor, "AuthenticAMD");
    EXPECT_EQ(info.cpuFamily, 6);

    // Maximum leaf 0: leaf 1 is not asked.
    SysInfo fresh{};
    cpu.leaf0.eax = 0;
    cpu.leaf1_calls = 0;
    DetectCpu(fresh, cpu);
    EXPECT_EQ(cpu.leaf1_calls, 0);
    EXPECT_EQ(fresh.cpuidValid, 0);
}

TEST(SysInfoTest, NoCpuidLeavesTheVendorUnknown) {
    SysInfo info{};
    FakeCpuid cpu;
    cpu.available = false;
    DetectCpu(info, cpu);
    EXPECT_STREQ(info.cpuVendor, "(UNKNOWN)");
    EXPECT_EQ(info.cpuidValid, 0);
    EXPECT_EQ(info.cpuFamily, 0);
}

TEST(SysInfoTest, RealProcessorFieldsAreInRange) {
    DetectCpu();
    const SysInfo& info = GetSysInfo();
#if defined(__x86_64__) || defined(__i386__)
    EXPECT_EQ(std::strlen(info.cpuVendor), 12u);
    EXPECT_EQ(info.cpuidValid, 1);
#endif
    for (int field : {info.cpuFamily, info.cpuModel, info.cpuStepping}) {
        EXPECT_GE(field, 0);
        EXPECT_LE(field, 15);
    }
}

BOOL PretendWin32s(LPOSVERSIONINFOA info) {
    info->dwPlatformId = VER_PLATFORM_WIN32s;
    return TRUE;
}
BOOL PretendNt(LPOSVERSIONINFOA info) {
    info->dwPlatformId = VER_PLATFORM_WIN32_NT;
    return TRUE;
}
void PretendArm(LPSYSTEM_INFO info) {
    info->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_ARM;
}

class ApplicationTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("NIVRA_VIDEO", "headless", 1); }
    support::PrivateRuntimeFolder lock_folder;
};

TEST_F(ApplicationTest, OnlyOneApplicationObjectMayExist) {
    CApplication application;
    EXPECT_EQ(CApplicationBase::Get(), &application);
    try {
        CApplication second;
        ADD_FAILURE() << "second application constructed";
    } catch (ErrorCode code) {
        EXPECT_EQ(code, ERRORCODE_INTERNAL);
    }
    EXPECT_EQ(CApplicationBase::Get(), &application);
}

TEST_F(ApplicationTest, RefusesWin32sAndNonIntelWithTheirCodes) {
    struct Case {
        SystemQueries queries;
        const char* box;
    };
    const Case cases[] = {
        {{PretendWin32s, GetSystemInfo},
         "NIVRA エラー\nWin32sサブシステムでは実行できません\n例外コード:#0011\n"},
        {{PretendNt, PretendArm},
         "NIVRA エラー\nIntelアーキテクチャのプロセッサが必要です\n例外コード:#0012\n"},
    };
    for (const Case& c : cases) {
        CApplication application;
        application.SetSystemQueries(c.queries);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(application.Init());
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.box);
        // The failed start let go of the name: the next start may run.
        EXPECT_EQ(OpenMutexA(MUTEX_ALL_ACCESS, FALSE, CApplication::kInstanceMutexName), nullptr);
    }
}

TEST_F(ApplicationTest, SecondInstanceIsRefusedBeforeAnythingIsSetUp) {
    HANDLE running = CreateMutexA(nullptr, TRUE, CApplication::kInstanceMutexName);
    ASSERT_NE(running, nullptr);
    CApplication application;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(application.Init());
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "NIVRA エラー\nNIVRAは既に常駐しています 多重起動はできません\n");
    CloseHandle(running);
}

TEST_F(ApplicationTest, DisplayWithoutTheVersionTwoInterfaceFailsWithCode0101) {
    platform::SetDirectDraw2Available(false);
    {
        CApplication application;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(application.Init());
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "NIVRA エラー\nDirectDrawの初期化に失敗しました\n例外コード:#0101\n");
        // The window made before the display went again, and so did the name.
        EXPECT_EQ(application.GetMainWindow(), nullptr);
        EXPECT_EQ(OpenMutexA(MUTEX_ALL_ACCESS, FALSE, CApplication::kInstanceMutexName), nullptr);
    }
    platform::SetDirectDraw2Available(true);
    platform::ClearMessageQueue();
    // A class stays registered for the life of the process; let the next
    // start in this process register it again.
    UnregisterClassA("NIVRAWND", nullptr);
}

TEST_F(ApplicationTest, WinMainWithoutAnApplicationFails) {
    ASSERT_EQ(CApplicationBase::Get(), nullptr);
    EXPECT_EQ(WinMain(nullptr, nullptr, nullptr, 0), -1);
}

// The base application with its quits recorded and its main window set by
// the test.
class QuitRecordingApplication : public CApplicationBase {
public:
    void Quit(int exit_code) override { quit_codes.push_back(exit_code); }
    void SetMainWindow(CMainWindow* window) { main_window_ = window; }
    std::vector<int> quit_codes;
};

TEST_F(ApplicationTest, DestroyingTheMainWindowQuitsOtherWindowsDoNot) {
    QuitRecordingApplication application;
    {
        CMainWindow window;
        window.Create();
        const HWND handle = window.GetHandle();
        // No main window yet, then another window's end: no quit.
        application.DefaultWindowProc(handle, WM_DESTROY, 0, 0);
        application.SetMainWindow(&window);
        application.DefaultWindowProc(reinterpret_cast<HWND>(std::uintptr_t{0xBAD0}), WM_DESTROY, 0,
                                      0);
        EXPECT_TRUE(application.quit_codes.empty());
        // The main window leaves WM_DESTROY to the default procedure.
        EXPECT_TRUE(window.DestroyHeldWindow());
        EXPECT_EQ(application.quit_codes, std::vector<int>{0});
        application.SetMainWindow(nullptr);
    }
    platform::ClearMessageQueue();
    UnregisterClassA("NIVRAWND", nullptr);
}

TEST_F(ApplicationTest, BaseQuitPostsTheExitCode) {
    CApplicationBase base;
    platform::ClearMessageQueue();
    base.Quit(3);
    EXPECT_EQ(base.Run(), 0);
    platform::ClearMessageQueue();
}

}  // namespace
