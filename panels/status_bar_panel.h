// The one-line status bar along the bottom of the screen and the global
// operation that sets its message.
#pragma once

#include "gfx/panel.h"

// Shows the system's caption, or a progress or error message of the
// browsing panels. There is at most one at a time.
class CStatusBarPanel : public CPanel {
public:
    // Throws the integer 0 when a status bar already exists.
    CStatusBarPanel();
    ~CStatusBarPanel() override;

    int Create() override;
    void Restore() override;

    // Stores `text` (null: the default caption), cut to 255 bytes at a
    // character boundary, and redraws.
    void SetMessage(const char* text);
    const char* GetMessage() const { return message_; }

private:
    void Redraw();

    char message_[256];
};

// The caption shown while nothing is going on.
inline constexpr const char kDefaultStatusCaption[] = "MIDI PLAYER NIVRA";

// Shows `text` (null: the default caption) in the status bar and waits for
// the next frame, so the message is on screen before a long operation
// starts. Does nothing while there is no status bar.
void SetStatusMessage(const char* text);

// Length of `text` cut to at most `max_bytes` without splitting a
// double-byte character.
size_t CutAtCharacterBoundary(const char* text, size_t max_bytes);
