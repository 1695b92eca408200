// Keys, scripted input, screenshots and the window table.
#include <gtest/gtest.h>
#include <png.h>
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/user.h"
#include "platform/user/input_script.h"
#include "platform/user/key_translation.h"
#include "platform/user/png_writer.h"

namespace {

using platform::video::ParseInputScript;
using platform::video::ScriptAction;

TEST(KeyTranslationTest, SdlKeysBecomeTheVirtualKeysTheProgramReads) {
    using platform::video::VirtualKeyFromSdl;
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_a), 'A');
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_l), 'L');
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_z), 'Z');
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_0), '0');
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_9), '9');
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_KP_0), VK_NUMPAD0);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_KP_5), VK_NUMPAD5);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_KP_9), VK_NUMPAD9);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_F1), VK_F1);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_F12), VK_F12);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_UP), VK_UP);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_LEFT), VK_LEFT);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_PAGEUP), VK_PRIOR);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_PAGEDOWN), VK_NEXT);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_TAB), VK_TAB);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_BACKSPACE), VK_BACK);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_RETURN), VK_RETURN);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_KP_ENTER), VK_RETURN);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_SPACE), VK_SPACE);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_ESCAPE), VK_ESCAPE);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_LALT), VK_MENU);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_VOLUMEUP), 0);
}

TEST(KeyTranslationTest, AltMakesSystemKeysWithBit29) {
    using namespace platform::video;
    EXPECT_EQ(KeyMessage(false, false), WM_KEYDOWN);
    EXPECT_EQ(KeyMessage(true, false), WM_KEYUP);
    EXPECT_EQ(KeyMessage(false, true), WM_SYSKEYDOWN);
    EXPECT_EQ(KeyMessage(true, true), WM_SYSKEYUP);

    const auto down = static_cast<DWORD>(KeyLParam('5', false, true, false));
    EXPECT_EQ(down & 0xFFFF, 1u);  // repeat count
    EXPECT_NE(down & (1u << 29), 0u);
    EXPECT_EQ(down & (1u << 30), 0u);
    EXPECT_EQ(down & (1u << 31), 0u);
    const auto plain = static_cast<DWORD>(KeyLParam(VK_RETURN, false, false, false));
    EXPECT_EQ(plain & (1u << 29), 0u);
    const auto up = static_cast<DWORD>(KeyLParam(VK_DOWN, true, false, false));
    EXPECT_NE(up & (1u << 31), 0u);
    EXPECT_NE(up & (1u << 30), 0u);
    EXPECT_NE(up & (1u << 24), 0u);  // an arrow is an extended key
    EXPECT_NE(static_cast<DWORD>(KeyLParam('A', false, false, true)) & (1u << 30), 0u);
}

TEST(InputScriptTest, ReadsKeysAltKeysAndShots) {
    std::vector<std::string> errors;
    const auto actions = ParseInputScript(
        "# start\n"
        "500 RETURN\n"
        "100 down\n"
        "\n"
        "700 ALT+5\r\n"
        "700 ALT+NUMPAD5\n"
        "800 SHOT /tmp/some dir/shot.png\n"
        "900 F5\n"
        "950 L\n"
        "960 BACK\n"
        "970 SHIFT+OEM_PERIOD\n"
        "980 ctrl+shift+1\n"
        "990 close\n",
        &errors);
    EXPECT_TRUE(errors.empty());
    ASSERT_EQ(actions.size(), 11u);
    EXPECT_EQ(actions[0].at_ms, 100u);
    EXPECT_EQ(actions[0].virtual_key, VK_DOWN);
    EXPECT_EQ(actions[1].virtual_key, VK_RETURN);
    EXPECT_FALSE(actions[1].alt);
    EXPECT_EQ(actions[2].virtual_key, '5');
    EXPECT_TRUE(actions[2].alt);
    EXPECT_EQ(actions[3].virtual_key, VK_NUMPAD5);  // equal times keep file order
    EXPECT_TRUE(actions[3].alt);
    EXPECT_EQ(actions[4].kind, ScriptAction::Kind::Shot);
    EXPECT_EQ(actions[4].file, "/tmp/some dir/shot.png");
    EXPECT_EQ(actions[5].virtual_key, VK_F5);
    EXPECT_EQ(actions[6].virtual_key, 'L');
    EXPECT_EQ(actions[7].virtual_key, VK_BACK);
    EXPECT_EQ(actions[8].virtual_key, VK_OEM_PERIOD);
    EXPECT_TRUE(actions[8].shift);
    EXPECT_FALSE(actions[8].ctrl);
    EXPECT_EQ(actions[9].virtual_key, '1');
    EXPECT_TRUE(actions[9].shift && actions[9].ctrl);
    EXPECT_FALSE(actions[9].alt);
    EXPECT_EQ(actions[10].kind, ScriptAction::Kind::Close);
}

TEST(InputScriptTest, ReportsLinesItCannotRead) {
    std::vector<std::string> errors;
    const auto actions = ParseInputScript(
        "RETURN\n10 NOSUCHKEY\n-5 TAB\n20 SHOT\n30 F13\n40 TAB extra\n45 CLOSE now\n"
        "46 ALT+CLOSE\n47 SHIFT+\n48 CTRL+NOSUCHKEY\n50 TAB\n",
        &errors);
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0].virtual_key, VK_TAB);
    ASSERT_EQ(errors.size(), 10u);
    EXPECT_EQ(errors[0].rfind("line 1:", 0), 0u);
}

platform::VisibleFrame TestFrame() {
    platform::VisibleFrame frame;
    frame.width_px = 3;
    frame.height_px = 2;
    frame.pixels = {0, 1, 2, 255, 5, 0};
    frame.palette[1] = {255, 0, 0, 0};
    frame.palette[2] = {0, 128, 0, 0};
    frame.palette[255] = {1, 2, 3, 0};
    return frame;
}

TEST(ScreenshotTest, PngKeepsIndicesAndPalette) {
    const std::string path =
        (std::filesystem::temp_directory_path() / "nivra_video_shot_test.png").string();
    ASSERT_TRUE(platform::video::WriteIndexedPng(path, TestFrame()));

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_NE(png_image_begin_read_from_file(&image, path.c_str()), 0);
    EXPECT_EQ(image.width, 3u);
    EXPECT_EQ(image.height, 2u);
    EXPECT_NE(image.format & PNG_FORMAT_FLAG_COLORMAP, 0u);
    EXPECT_EQ(image.colormap_entries, 256u);
    image.format = PNG_FORMAT_RGB_COLORMAP;
    std::vector<png_byte> indices(PNG_IMAGE_SIZE(image));
    std::vector<png_byte> colours(PNG_IMAGE_COLORMAP_SIZE(image));
    ASSERT_NE(png_image_finish_read(&image, nullptr, indices.data(), 0, colours.data()), 0);
    EXPECT_EQ(indices, (std::vector<png_byte>{0, 1, 2, 255, 5, 0}));
    EXPECT_EQ(colours[1 * 3 + 0], 255);
    EXPECT_EQ(colours[2 * 3 + 1], 128);
    EXPECT_EQ(colours[255 * 3 + 2], 3);
    std::filesystem::remove(path);
}

TEST(ScreenshotTest, UnwritableOrEmptyFramesLeaveNoFile) {
    EXPECT_FALSE(platform::video::WriteIndexedPng("/nonexistent-folder/shot.png", TestFrame()));
    const std::string path =
        (std::filesystem::temp_directory_path() / "nivra_video_empty_shot.png").string();
    EXPECT_FALSE(platform::video::WriteIndexedPng(path, platform::VisibleFrame{}));
    EXPECT_FALSE(std::filesystem::exists(path));
}

// Window procedure that records what it is sent.
std::vector<UINT> g_sent;
LRESULT CALLBACK RecordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    g_sent.push_back(message);
    return DefWindowProcA(window, message, wParam, lParam) + (message == WM_NCCREATE ? 1 : 0);
}

TEST(WindowTest, CreatesDispatchesScriptedKeysAndDestroys) {
    const std::string folder = std::filesystem::temp_directory_path().string();
    const std::string script = folder + "/nivra_video_script.txt";
    const std::string shot = folder + "/nivra_video_window_shot.png";
    std::filesystem::remove(shot);
    std::ofstream(script) << "0 ALT+5\n0 SHOT " << shot << "\n600000 ESCAPE\n";
    setenv("NIVRA_VIDEO", "headless", 1);
    setenv("NIVRA_INPUT", script.c_str(), 1);
    EXPECT_STREQ(platform::GetVideoBackendName(), "headless");

    WNDCLASSA window_class{};
    window_class.lpfnWndProc = RecordingProcedure;
    window_class.lpszClassName = "NIVRATESTWND";
    ASSERT_NE(RegisterClassA(&window_class), 0);
    EXPECT_EQ(RegisterClassA(&window_class), 0);  // the name is taken

    HWND window = CreateWindowExA(WS_EX_TOPMOST, "NIVRATESTWND", "NIVRA", WS_POPUP | WS_VISIBLE, 0,
                                  0, 640, 480, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(g_sent, (std::vector<UINT>{WM_NCCREATE, WM_CREATE}));
    EXPECT_EQ(
        CreateWindowExA(0, "NOSUCHCLASS", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
        nullptr);

    // The script's first line is due at once: Alt+5 down and up, with bit 29.
    std::vector<MSG> keys;
    MSG message{};
    for (int tries = 0; tries < 50 && keys.size() < 2; ++tries)
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            keys.push_back(message);
    ASSERT_GE(keys.size(), 2u);
    EXPECT_EQ(keys[0].hwnd, window);
    EXPECT_EQ(keys[0].message, WM_SYSKEYDOWN);
    EXPECT_EQ(keys[0].wParam, static_cast<WPARAM>('5'));
    EXPECT_NE(static_cast<DWORD>(keys[0].lParam) & (1u << 29), 0u);
    EXPECT_EQ(keys[1].message, WM_SYSKEYUP);
    EXPECT_TRUE(std::filesystem::exists(shot) || platform::GetVisibleFrame().width_px == 0);

    // Lines appended while the program runs join the script (a past time runs
    // at once); a line without its newline yet waits for it.
    std::ofstream(script, std::ios::app) << "0 F5\n0 F";
    keys.clear();
    for (int tries = 0; tries < 200 && keys.size() < 2; ++tries)
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            keys.push_back(message);
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].message, WM_KEYDOWN);
    EXPECT_EQ(keys[0].wParam, static_cast<WPARAM>(VK_F5));
    std::ofstream(script, std::ios::app) << "6\n";
    keys.clear();
    for (int tries = 0; tries < 200 && keys.size() < 2; ++tries)
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            keys.push_back(message);
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].wParam, static_cast<WPARAM>(VK_F6));

    g_sent.clear();
    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_EQ(g_sent, (std::vector<UINT>{WM_DESTROY, WM_NCDESTROY}));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(DestroyWindow(window));
    platform::ClearMessageQueue();
    std::filesystem::remove(script);
    std::filesystem::remove(shot);
}

TEST(CursorTest, ShowCursorCountsLikeWin32) {
    const int start = ShowCursor(TRUE);
    EXPECT_EQ(ShowCursor(FALSE), start - 1);
    EXPECT_EQ(ShowCursor(FALSE), start - 2);
    ShowCursor(TRUE);
    EXPECT_NE(LoadCursorA(nullptr, IDC_WAIT), nullptr);
    EXPECT_EQ(LoadCursorA(nullptr, "NOSUCHCURSOR"), nullptr);
    HCURSOR wait = LoadCursorA(nullptr, IDC_WAIT);
    HCURSOR before = SetCursor(wait);
    EXPECT_EQ(SetCursor(before), wait);
}

}  // namespace
