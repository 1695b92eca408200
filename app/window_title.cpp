#include "app/window_title.h"

#include "app/application.h"
#include "app/main_window.h"
#include "app/product_name.h"
#include "midi/player.h"
#include "panels/song_start.h"
#include "platform/user.h"

namespace {

// The song the title was last set for.
bool titled_loaded = false;
unsigned titled_start_count = 0;

}  // namespace

std::string WindowTitleFor(const PlayerFacts& facts) {
    if (!facts.loaded)
        return kProductName;
    return SongTitle(facts) + " - " + kProductName;
}

void FollowSongInWindowTitle() {
    const bool loaded = PlayerIsLoaded();
    const unsigned start_count = GetSongStartCount();
    if (loaded == titled_loaded && start_count == titled_start_count)
        return;
    CApplicationBase* application = CApplicationBase::Get();
    CMainWindow* window = application ? application->GetMainWindow() : nullptr;
    if (window == nullptr)
        return;
    titled_loaded = loaded;
    titled_start_count = start_count;
    SetWindowTextA(window->GetHandle(), WindowTitleFor(ReadPlayerFacts()).c_str());
}
