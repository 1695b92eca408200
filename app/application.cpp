#include "app/application.h"

#include "app/command_line.h"
#include "app/error_box.h"
#include "app/idle_pace.h"
#include "app/lost_device.h"
#include "app/main_window.h"
#include "app/media_controls.h"
#include "app/panel_setup.h"
#include "app/product_name.h"
#include "app/song_steps.h"
#include "app/start_paths.h"
#include "app/window_title.h"
#include "system/sysinfo.h"
#include "display/display.h"
#include "display/frame_thread.h"
#include "gfx/exception.h"
#include "gfx/panel_list.h"
#include "gfx/str.h"
#include "midi/player.h"
#include "midi/sequencer.h"
#include "panels/document_viewer_panel.h"
#include "panels/sound_follow.h"
#include "platform/files.h"
#include "platform/synth_config.h"
#include "platform/user.h"

#include <cstdio>
#include <cstring>
#include <optional>

namespace {

CApplicationBase* the_application = nullptr;

constexpr unsigned kAlreadyRunningTextBytes = 256;
constexpr unsigned kMessageAlreadyRunning = 1;

}  // namespace

CApplicationBase::CApplicationBase() {
    if (the_application != nullptr)
        throw ErrorCode{ERRORCODE_INTERNAL};
    the_application = this;
}

CApplicationBase::~CApplicationBase() {
    if (the_application == this)
        the_application = nullptr;
}

CApplicationBase* CApplicationBase::Get() {
    return the_application;
}

int CApplicationBase::Run() {
    MSG message;
    for (;;) {
        // PeekMessageA waits on an empty queue (until a post, the next frame
        // or the pump's next need), so this polling does not spin a core.
        while (!PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE))
            Idle();
        BOOL result = GetMessageA(&message, nullptr, 0, 0);
        if (result == 0 || result == -1)
            return result;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

LRESULT CApplicationBase::DefaultWindowProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    // The main window leaves its WM_DESTROY unhandled: its end is the
    // application's end, however the window went.
    if (message == WM_DESTROY && main_window_ != nullptr && window == main_window_->GetHandle())
        Quit(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

void CApplicationBase::Quit(int exitCode) {
    PostQuitMessage(exitCode);
}

void CApplicationBase::Idle() {}

bool CApplicationBase::Init() {
    return true;
}

int CApplicationBase::Exit() {
    return 0;
}

CApplication::CApplication() = default;

CApplication::~CApplication() {
    CloseInstanceMutex();
}

void CApplication::CloseInstanceMutex() {
    if (instance_mutex_ != nullptr)
        CloseHandle(instance_mutex_);
    instance_mutex_ = nullptr;
}

void CApplication::Quit(int exitCode) {
    SetFocus(1);
    if (owned_main_window_)
        owned_main_window_->FadeOutAndClear();
    PlayerStop();
    PostQuitMessage(exitCode);
}

bool CApplication::Init() {
    HANDLE running = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, kInstanceMutexName);
    if (running != nullptr) {
        CloseHandle(running);
        RefuseSecondInstance();
        return false;
    }
    instance_mutex_ = CreateMutexA(nullptr, TRUE, kInstanceMutexName);
    // Two instances started at the same moment both find no mutex; the one
    // that did not get it must still refuse.
    if (instance_mutex_ != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(instance_mutex_);
        instance_mutex_ = nullptr;
        RefuseSecondInstance();
        return false;
    }
    try {
        StartUp();
    } catch (ErrorCode code) {
        FailStartUp(code);
        return false;
    } catch (const IException&) {
        // The segment font's failure is reported like an internal error.
        FailStartUp(ERRORCODE_INTERNAL);
        return false;
    }
    return true;
}

void CApplication::FailStartUp(ErrorCode code) {
    Shutdown();
    ReleaseMutex(instance_mutex_);
    // Closed as well, so the name is free again even before the process
    // ends.
    CloseInstanceMutex();
    ShowErrorBox(code);
}

void CApplication::RefuseSecondInstance() {
    CStr format;
    format.LoadString(kMessageAlreadyRunning, kAlreadyRunningTextBytes);
    char text[kAlreadyRunningTextBytes];
    std::snprintf(text, sizeof text, format.GetBuffer() != nullptr ? format.GetBuffer() : "%s",
                  kProductName);
    MessageBoxA(nullptr, text, kErrorBoxCaption, MB_ICONWARNING);
}

void CApplication::StartUp() {
    LoadVersionNumbers();

    SysInfo& info = GetSysInfo();
    std::memset(&info.osVersion, 0, sizeof info.osVersion);
    std::memset(&info.systemInfo, 0, sizeof info.systemInfo);
    info.osVersion.dwOSVersionInfoSize = sizeof info.osVersion;
    queries_.getVersionEx(&info.osVersion);
    queries_.getSystemInfo(&info.systemInfo);

    DetectCpu();

    if (info.osVersion.dwPlatformId == VER_PLATFORM_WIN32s)
        throw ErrorCode{ERRORCODE_WIN32S};
    if (info.systemInfo.wProcessorArchitecture != PROCESSOR_ARCHITECTURE_INTEL)
        throw ErrorCode{ERRORCODE_NOT_INTEL};

    // The kept video mode counts only before the window opens.
    kept_settings_.Load();
    // The synth's sound starts loading now, while the screen is made, when
    // the synth is the device to be: the first song then starts sooner.
    platform::SetSynthConfig(kept_settings_.StartingSynth());
    const std::optional<UINT> device =
        GetCommandLine().device_id ? GetCommandLine().device_id : kept_settings_.KeptDevice();
    if (!device || *device == MIDI_MAPPER || *device == 0)
        platform::PrepareSoftwareSynth();
    owned_main_window_ = new CMainWindow();
    owned_main_window_->Create();
    if (IsWindow(owned_main_window_->GetHandle()))
        main_window_ = owned_main_window_;

    CDisplay& display = GetDisplay();
    if (!display.Create(2))
        throw ErrorCode{ERRORCODE_DIRECTDRAW};
    // Not checked: the display mode below is what must succeed.
    display.SetCooperativeLevel(owned_main_window_->GetHandle(),
                                DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT | DDSCL_EXCLUSIVE);
    if (display.SetDisplayMode(kScreenWidth, kScreenHeight, kScreenBitsPerPixel, 0) != DD_OK)
        throw ErrorCode{ERRORCODE_DIRECTDRAW};

    // The player's start-up step comes after the display mode is set. A song
    // loads while the frames wait, so no panel draws from a half-loaded one.
    PlayerSetLoadHooks([] { SuspendFrames(true); }, [] { ResumeFrames(); });
    PlayerInitialize();
    // A device named on the command line wins over the kept one.
    if (const auto device = GetCommandLine().device_id)
        GetSequencer().SelectDevice(*device);
    kept_settings_.ApplyToPlayer();
    // So do --loop and --fade, for this run only.
    CSequencer& sequencer = GetSequencer();
    sequencer.SetLoopSettings(GetCommandLine().LoopSettingsOver(sequencer.GetLoopSettings()));

    // Browsing starts where the command line's paths say, before the file
    // list is first made.
    const StartPaths start = ResolveStartPaths(GetCommandLine().paths);
    if (!start.folder.empty())
        SetCurrentDirectoryA(start.folder.c_str());

    owned_main_window_->CreateSurfaces();
    kept_settings_.ApplyPalette();
    ConstructPanels();
    if (!CreateAll())
        throw ErrorCode{ERRORCODE_INTERNAL};
    SetFocus(1);
    Broadcast(0);
    kept_settings_.FinishStartUp();
    StartFrameThread();
    StartMediaControls();
    // Songs named on the command line start as the screen fades in, and
    // the sound they may wait for is followed meanwhile: the first note is
    // heard without waiting for the fade.
    QueueSongs(start.songs);
    owned_main_window_->Fade(false, FollowSound);
}

void CApplication::Idle() {
    FollowSound();
    FollowSongEnds();
    DocumentViewerFollowSong();
    FollowSongInWindowTitle();
    ServeMediaControls();
    ReportLostDevice();
    PaceIdleWork();
}

int CApplication::Exit() {
    kept_settings_.Save();
    Shutdown();
    ReleaseMutex(instance_mutex_);
    return 0;
}

void CApplication::Shutdown() {
    StopMediaControls();
    StopFrameThread();
    DestroyAll();
    if (owned_main_window_) {
        owned_main_window_->DestroyHeldWindow();
        // Destroying the window quit once more through DefaultWindowProc; the
        // pointers go before the object so nothing reaches it half-deleted.
        CMainWindow* window = owned_main_window_;
        owned_main_window_ = nullptr;
        main_window_ = nullptr;
        delete window;
    }
    PlayerClose();
    ShowCursor(TRUE);
}

int WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    CApplicationBase* application = CApplicationBase::Get();
    if (application == nullptr)
        return -1;
    application->SetInstanceHandle(instance);
    if (!application->Init())
        return -1;
    application->Run();
    return application->Exit();
}
