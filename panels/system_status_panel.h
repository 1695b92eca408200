// The system status monitor: play time, frame rate, system clock and sent
// message count in segment digits, the play state words, the device and its
// driver version, the processor, memory, and the tempo wheel.
#pragma once

#include <cstdint>

#include "gfx/critical_section.h"
#include "gfx/panel.h"
#include "panels/status_readouts.h"
#include "panels/transport_state.h"

class CSystemStatusPanel : public CPanel {
public:
    CSystemStatusPanel();
    ~CSystemStatusPanel() override;

    int Create() override;
    void Draw(CSurface* target) override;
    int Notify(int code) override;
    void Restore() override;

    static constexpr int kLeft = 350, kTop = 20, kRight = 635, kBottom = 170;
    // The wheel's palette entries: 96 lit, 97 unlit, 98-103 the six spoke pairs.
    static constexpr int kWheelLitEntry = 96;
    static constexpr int kWheelUnlitEntry = 97;
    static constexpr int kWheelFirstSpokeEntry = 98;

private:
    void DrawStaticImage();
    void DrawTotal();
    void DrawStatusWords();
    void DrawTransportState();
    void DrawReadouts(CSurface* target, uint32_t play_ms);
    void AnimateWheel();
    void DrawMemory(CSurface* target);
    void DrawMemoryTotal(unsigned long long total_kb, int y, int& digits);

    CCriticalSection lock_;
    TempoWheel wheel_;
    MemoryReadSchedule memory_schedule_;
    unsigned long long avail_phys_kb_ = 0;
    unsigned long long avail_virtual_kb_ = 0;
    int phys_digits_ = 8;     // width of the totals, which the
    int virtual_digits_ = 8;  // available amounts are printed in
    // What the image's words show: they are drawn again only when it changes,
    // so the image stays the same picture while nothing happens.
    bool words_drawn_ = false;
    unsigned shown_words_ = 0;
    bool transport_drawn_ = false;
    TransportLines shown_transport_;
};
