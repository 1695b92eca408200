// A sequencer of its own on recording devices, with timer periods fired by
// hand, for the engine's tests.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "midi/player.h"
#include "midi/sequencer.h"
#include "platform/winmm.h"
#include "song_bytes.h"

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::UseManualClock(true);
        platform::UseManualTimers(true);
        recording = platform::InstallMidiRecording(2);
        sequencer = std::make_unique<CSequencer>();
    }
    void TearDown() override {
        sequencer.reset();
        platform::RemoveMidiRecording();
        platform::UseManualTimers(false);
        platform::UseManualClock(false);
    }

    bool Open(const song_bytes::Bytes& song) {
        file = std::make_unique<song_bytes::TempFile>(song);
        return PlayerOpen(file->Path());
    }
    // Loads, plays and clears the recording of what Play itself sent.
    void OpenAndPlay(const song_bytes::Bytes& song) {
        ASSERT_TRUE(Open(song));
        PlayerPlay();
        ASSERT_TRUE(PlayerIsPlaying());
    }
    void Periods(unsigned count) { platform::FireManualTimers(count); }
    std::vector<std::string> Messages() const { return recording->Messages(); }
    // Messages other than the start message.
    std::vector<std::string> SongMessages() const {
        std::vector<std::string> out;
        for (auto& message : recording->Messages())
            if (message != "F0 7E 7F 09 01 F7")
                out.push_back(message);
        return out;
    }
    int Count(const std::string& text) const {
        int count = 0;
        for (auto& entry : recording->Entries())
            count += entry.text == text;
        return count;
    }

    std::shared_ptr<platform::MidiRecording> recording;
    std::unique_ptr<CSequencer> sequencer;
    std::unique_ptr<song_bytes::TempFile> file;
};
