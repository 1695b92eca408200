// Rescan and redraw of a folder of 5,000 entries, and loading a 1 MB text.
// The selector is created on the headless display as start-up creates it,
// so its redraw draws the grid into real surfaces.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>

#include <filesystem>
#include <fstream>
#include <string>

#include "bench/entries_folder.h"
#include "panels/document_viewer_panel.h"
#include "panels/file_list.h"
#include "panels/file_selector_panel.h"
#include "display/display.h"
#include "gfx/text.h"

namespace {

// The folder of 5,000 entries, with a 1 MB text beside them.
struct Folder {
    Folder() {
        const std::string line =
            "Lorem ipsum dolor sit amet,\tconsectetur adipiscing elit, sed do eiusmod tempor "
            "incididunt ut\r\n";
        std::ofstream text(entries.Path() / "big.txt", std::ios::binary);
        for (std::size_t written = 0; written < (1u << 20); written += line.size())
            text << line;
    }
    bench::EntriesFolder entries;
    const std::filesystem::path& path = entries.Path();
};

Folder& BenchFolder() {
    static Folder folder;
    return folder;
}

// The headless display and the fonts, once; false when they cannot be had.
bool HeadlessScreen() {
    static const bool ready = [] {
        setenv("NIVRA_VIDEO", "headless", 1);
        if (!GetDisplay().Create(2))
            return false;
        InitText();
        return true;
    }();
    return ready;
}

void BM_RescanFiveThousandEntries(benchmark::State& state) {
    std::filesystem::current_path(BenchFolder().path);
    auto* selector = new CFileSelectorPanel;  // the panel list owns it
    for (auto _ : state) {
        selector->Rescan();
        benchmark::DoNotOptimize(selector->GetEntryCount());
    }
    state.counters["entries"] = selector->GetEntryCount();
}
BENCHMARK(BM_RescanFiveThousandEntries)->Unit(benchmark::kMillisecond);

// What the user waits for: the start-up notification rescans the current
// directory and redraws the grid, as entering a folder does.
void BM_RescanAndRedrawFiveThousandEntries(benchmark::State& state) {
    if (!HeadlessScreen()) {
        state.SkipWithError("no headless display");
        return;
    }
    std::filesystem::current_path(BenchFolder().path);
    auto* selector = new CFileSelectorPanel;
    if (!selector->Create()) {
        state.SkipWithError("the selector's surfaces cannot be created");
        return;
    }
    for (auto _ : state) {
        selector->Notify(NOTIFY_START);
        benchmark::DoNotOptimize(selector->GetEntryCount());
    }
    state.counters["entries"] = selector->GetEntryCount();
}
BENCHMARK(BM_RescanAndRedrawFiveThousandEntries)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ListMatchingFiveThousandEntries(benchmark::State& state) {
    std::filesystem::current_path(BenchFolder().path);
    for (auto _ : state) {
        CFileList list;
        list.ListMatching(".\\", "*.*", 1);
        benchmark::DoNotOptimize(list.GetCount());
    }
}
BENCHMARK(BM_ListMatchingFiveThousandEntries)->Unit(benchmark::kMillisecond);

void BM_LoadOneMegabyteText(benchmark::State& state) {
    std::filesystem::current_path(BenchFolder().path);
    auto* viewer = new CDocumentViewerPanel;
    for (auto _ : state) {
        viewer->LoadText("big.txt");
        benchmark::DoNotOptimize(viewer->GetLineCount());
    }
    state.counters["lines"] = viewer->GetLineCount();
}
BENCHMARK(BM_LoadOneMegabyteText)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
