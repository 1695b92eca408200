// The process entry: the one application object, then WinMain.
#include "app/application.h"
#include "midi/rcp_converter.h"

namespace {

// Constructed before main, as the program's one application.
CApplication application;

}  // namespace

int main() {
    platform::InstallCloseRequestSignals();
    GetRcpConverter();  // the converter library is loaded once, at start-up
    application.UseKeptSettings({SettingsFilePath()});
    return WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, 0);
}
