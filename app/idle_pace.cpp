#include "app/idle_pace.h"

#include "display/frame_thread.h"
#include "midi/player.h"
#include "panels/document_viewer_panel.h"
#include "platform/message.h"
#include "platform/synth_config.h"

namespace {

// A song's end is followed (the next song of a queue or of play-through)
// within this, and so are the window title and the media controls' state.
constexpr DWORD kWhilePlayingMs = 40;
// At rest: media controls' calls, a lost device and close signals.
constexpr DWORD kAtRestMs = 100;

}  // namespace

void PaceIdleWork() {
    const bool playing = PlayerIsPlaying();
    SetMainWakesBeforeFrames(playing && DocumentViewerFollowsWords());
    const bool busy = playing || platform::GetSynthSoundState().loading;
    platform::SetLongestQueueWait(busy ? kWhilePlayingMs : kAtRestMs);
}
