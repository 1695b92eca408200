// The process entry: the one application object, then WinMain.
#include "app/application.h"

namespace {

// Constructed before main, as the program's one application.
CApplication application;

}  // namespace

int main() {
    platform::InstallCloseRequestSignals();
    return WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, 0);
}
