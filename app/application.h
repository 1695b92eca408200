// The application object: single-instance guard, start-up sequence, message
// loop, quit and shutdown.
#pragma once

#include "app/kept_settings.h"
#include "platform/kernel.h"
#include "platform/message.h"

class CMainWindow;

// The base application: one object per process, reached through Get().
// Defaults: Init succeeds, Exit returns 0, Quit only posts the quit message,
// Idle does nothing.
class CApplicationBase {
public:
    // Throws ErrorCode 0 when an application object exists already.
    CApplicationBase();
    virtual ~CApplicationBase();
    CApplicationBase(const CApplicationBase&) = delete;
    CApplicationBase& operator=(const CApplicationBase&) = delete;

    // The message loop: polls while the queue is empty (calling Idle), and
    // returns 0 when WM_QUIT is retrieved (-1 on a queue error).
    virtual int Run();
    // Messages of windows outside the window registry and those a window
    // object left unhandled. WM_DESTROY of the main window quits.
    virtual LRESULT DefaultWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    virtual void Quit(int exitCode);
    virtual void Idle();
    virtual bool Init();
    // The process exit code.
    virtual int Exit();

    // The application, or null while none exists.
    static CApplicationBase* Get();

    HINSTANCE GetInstanceHandle() const { return instance_; }
    void SetInstanceHandle(HINSTANCE instance) { instance_ = instance; }
    // The main window once start-up has created a valid one, else null.
    CMainWindow* GetMainWindow() const { return main_window_; }

protected:
    HINSTANCE instance_ = nullptr;
    CMainWindow* main_window_ = nullptr;
};

// How start-up asks the system about itself; a test replaces it to pretend
// another platform or processor.
struct SystemQueries {
    BOOL (*getVersionEx)(LPOSVERSIONINFOA info) = GetVersionExA;
    void (*getSystemInfo)(LPSYSTEM_INFO info) = GetSystemInfo;
};

class CApplication : public CApplicationBase {
public:
    CApplication();
    ~CApplication() override;

    void Quit(int exitCode) override;
    // Single-instance check, then the start-up sequence. False after a
    // refusal or a start-up failure (the error box has been shown).
    bool Init() override;
    // Shutdown, release the single-instance mutex; returns 0.
    int Exit() override;
    // Follows the end of the playing song (play-through and queued songs),
    // lets the document viewer follow the song's words and the window title
    // the song, and serves the desktop's player controls.
    void Idle() override;

    // Takes the partly or fully built system down (used by Exit and by a
    // failed Init).
    void Shutdown();

    void SetSystemQueries(const SystemQueries& queries) { queries_ = queries; }
    // Keeps the settings in a file between runs (off until this is called,
    // so an application made in a test reads and writes none).
    void UseKeptSettings(KeptSettingsStart start) { kept_settings_.Use(std::move(start)); }

    // The name of the single-instance mutex.
    static constexpr const char* kInstanceMutexName = "NIVRA009INSTANCE@ZOL";

private:
    // Steps after the single-instance check; throws ErrorCode.
    void StartUp();
    // Message 1: the program is running already.
    void RefuseSecondInstance();
    void CloseInstanceMutex();
    // Takes down what was built, frees the name and shows the error box.
    void FailStartUp(int code);

    HANDLE instance_mutex_ = nullptr;
    // Created during start-up, deleted by Shutdown; the same object as the
    // main window once that is valid.
    CMainWindow* owned_main_window_ = nullptr;
    SystemQueries queries_;
    KeptSettings kept_settings_;
};

// The process entry of the program: stores the module instance in the
// application, runs Init, Run and Exit. -1 when there is no application or
// Init fails.
int WinMain(HINSTANCE instance, HINSTANCE previous_instance, LPSTR command_line, int show_command);
