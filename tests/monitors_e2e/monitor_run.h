// One headless run of the program over a folder holding only the monitor
// song: the script chooses the song from the selector and takes screenshots
// by name; afterwards the test has the exit code, the MIDI log and the shots.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/indexed_png.h"
#include "tests/support/midi_log.h"
#include "tests/support/nivra_process.h"
#include "tests/support/key_script.h"
#include "tests/support/selector_order.h"
#include "tests/monitors_e2e/monitor_song.h"

namespace monitors_e2e {

inline constexpr const char* kSongName = "MONITOR.MID";
// After the fade-in the palette of a screenshot is the full one.
inline constexpr int kFadedInMs = 1300;

// A script in the making: keys and named screenshots at chosen times.
class MonitorScript {
public:
    MonitorScript& Key(int at_ms, const std::string& key) {
        lines_.push_back({at_ms, key});
        return *this;
    }
    // Holds what comes later until the MIDI log has a line starting with
    // `text`; it then keeps its distance from `at_ms`.
    MonitorScript& Await(int at_ms, const std::string& text) {
        lines_.push_back({at_ms, e2e::kAwaitPrefix + text});
        return *this;
    }
    MonitorScript& Shot(int at_ms, const std::string& name) {
        shots_.push_back({at_ms, name});
        return *this;
    }
    // Moves the cursor from "." to the song and presses Enter; returns the
    // time of the Enter key. What comes later waits for the song to start
    // and keeps its distance from Enter.
    int ChooseSong(const std::filesystem::path& folder, int at_ms) {
        support::KeyScript keys(at_ms - 100, 100);
        keys.Steps(0, support::SelectorIndex(folder, kSongName)).Key("RETURN").AwaitSongStart();
        lines_.insert(lines_.end(), keys.Lines().begin(), keys.Lines().end());
        return keys.Now();
    }

    const std::vector<e2e::ScriptLine>& Keys() const { return lines_; }
    const std::vector<std::pair<int, std::string>>& Shots() const { return shots_; }

private:
    std::vector<e2e::ScriptLine> lines_;
    std::vector<std::pair<int, std::string>> shots_;
};

class MonitorRun {
public:
    // Writes the song, then runs the script built by `build` and waits for
    // the program to end.
    template <typename Build>
    explicit MonitorRun(Build build) {
        const song_bytes::Bytes song = MonitorSong();
        songs_.WriteFile(kSongName, std::string(song.begin(), song.end()));
        MonitorScript script;
        build(script, songs_.Path());
        e2e::RunOptions options;
        options.working_folder = songs_.Path();
        options.script = script.Keys();
        process_ = std::make_unique<e2e::NivraProcess>(ScriptWithShots(script, options));
        exit_code_ = process_->WaitForExit();
        log_ = e2e::ReadMidiLog(process_->MidiLogPath());
        for (const auto& [at_ms, name] : script.Shots())
            shots_[name] = e2e::ReadIndexedPng(shot_folder_ / (name + ".png"));
    }

    int ExitCode() const { return exit_code_; }
    std::string Stderr() const { return process_->Stderr(); }
    const std::vector<e2e::MidiLogLine>& Log() const { return log_; }
    // When the song started (ms of program time): the keys after ChooseSong
    // keep their distance from Enter counted from here.
    int SongStartMs() const {
        const std::vector<std::uint8_t> start = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
        for (const e2e::MidiLogLine& line : log_)
            if (line.bytes == start)
                return static_cast<int>(line.micros / 1000);
        return -1;
    }

    // The screenshot of that name; a failure when the program did not save it.
    const e2e::IndexedImage& Shot(const std::string& name) const {
        static const e2e::IndexedImage missing;
        const auto found = shots_.find(name);
        if (found == shots_.end() || !found->second.Valid()) {
            ADD_FAILURE() << "no screenshot " << name;
            return missing;
        }
        return found->second;
    }
    bool HasShot(const std::string& name) const {
        const auto found = shots_.find(name);
        return found != shots_.end() && found->second.Valid() && found->second.width == 640 &&
               found->second.height == 480;
    }

private:
    // The process takes its whole script at construction, so the shots go
    // into a scratch folder of the run's own.
    e2e::RunOptions ScriptWithShots(const MonitorScript& script, e2e::RunOptions options) {
        for (const auto& [at_ms, name] : script.Shots())
            options.script.push_back({at_ms, "SHOT " + (shot_folder_ / (name + ".png")).string()});
        return options;
    }

    e2e::ScratchFolder songs_{"nivra-monitor-songs"};
    e2e::ScratchFolder shot_folder_{"nivra-monitor-shots"};
    std::unique_ptr<e2e::NivraProcess> process_;
    int exit_code_ = -1;
    std::vector<e2e::MidiLogLine> log_;
    std::map<std::string, e2e::IndexedImage> shots_;
};

}  // namespace monitors_e2e
