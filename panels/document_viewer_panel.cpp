#include "panels/document_viewer_panel.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "display/display.h"
#include "display/frame_thread.h"
#include "display/palette.h"
#include "gfx/draw.h"
#include "gfx/panel_list.h"
#include "gfx/text.h"
#include "midi/player.h"
#include "panels/document_viewer_layout.h"
#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/user.h"

using namespace document_viewer;

namespace {

CDocumentViewerPanel* g_document_viewer = nullptr;

constexpr int kPageLines = 15;

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};

}  // namespace

bool CompanionTextPath(const char* song_path, char* text_path, size_t size) {
    char drive[_MAX_DRIVE], dir[_MAX_DIR], name[_MAX_FNAME], ext[_MAX_EXT];
    _splitpath(song_path, drive, dir, name, ext);
    int written = std::snprintf(text_path, size, "%s%s%s.txt", drive, dir, name);
    return written > 0 && static_cast<size_t>(written) < size;
}

void DocumentViewerLoadText(const char* path) {
    if (g_document_viewer)
        g_document_viewer->LoadText(path);
}

void DocumentViewerFollowSong() {
    if (g_document_viewer)
        g_document_viewer->FollowSong(GetTickCount64());
}

bool DocumentViewerFollowsWords() {
    return g_document_viewer && g_document_viewer->IsVisible() && g_document_viewer->ShowsWords();
}

CDocumentViewerPanel::CDocumentViewerPanel() {
    g_document_viewer = this;
}

CDocumentViewerPanel::~CDocumentViewerPanel() {
    if (g_document_viewer == this)
        g_document_viewer = nullptr;
    if (font)
        DeleteObject(font);
    if (palette)
        palette->Release();
}

int CDocumentViewerPanel::Create() {
    SetRect(10, 36, 630, 460);
    if (!CInteractivePanel::Create())
        return 0;
    // White lands on index 240 and black on 0 when the system font draws
    // on these surfaces.
    PALETTEENTRY entries[256] = {};
    entries[kTextIndex] = {255, 255, 255, 0};
    entries[kDimTextIndex] = {GetRValue(kDimText), GetGValue(kDimText), GetBValue(kDimText), 0};
    if (FAILED(GetDisplay().CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries, &palette)) ||
        !palette)
        return 0;
    if (!surface.surface || !shown_surface.surface)
        return 0;
    if (FAILED(surface.surface->SetPalette(palette)) ||
        FAILED(shown_surface.surface->SetPalette(palette)))
        return 0;
    font = CreateFontA(16, 0, 0, 0, 100, 0, 0, 0, DEFAULT_CHARSET, OUT_CHARACTER_PRECIS,
                       CLIP_CHARACTER_PRECIS, PROOF_QUALITY, VARIABLE_PITCH,
                       "\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e");
    Redraw();
    return 1;
}

void CDocumentViewerPanel::Draw(CSurface* target) {
    if (!visible.load(std::memory_order_relaxed) || !target || !target->surface)
        return;
    IDirectDrawSurface* shown_image = GetShownDirectDrawSurface();
    if (!shown_image)
        return;
    DDCOLORKEY key{0, 0};
    shown_image->SetColorKey(DDCKEY_SRCBLT, &key);
    RECT whole{0, 0, kWidth_px, kHeight_px};
    target->surface->BltFast(rect.left, rect.top, shown_image, &whole, DDBLTFAST_SRCCOLORKEY);
    LightSungWords(target, shown_image);
}

int CDocumentViewerPanel::Notify(int code) {
    CInteractivePanel::Notify(code);
    if (code == NOTIFY_FOCUS_GAIN) {
        switched = false;
        Follow(GetTickCount64());
        for (WORD b = 100; b >= 56; b -= 2) {
            GetPalette().SetBrightness(b);
            WaitFrame();
        }
        visible = 1;
        return -1;
    }
    if (code == NOTIFY_FOCUS_LOSS) {
        visible = 0;
        for (WORD b = 56; b <= 100; b += 2) {
            GetPalette().SetBrightness(b);
            WaitFrame();
        }
        return -1;
    }
    LoadCompanionText();
    return 1;
}

void CDocumentViewerPanel::Restore() {
    CInteractivePanel::Restore();
    Redraw();
}

int CDocumentViewerPanel::GetMaxTop() const {
    int count = static_cast<int>(Shown().size());
    return count > kVisibleLines ? count - kVisibleLines : 0;
}

void CDocumentViewerPanel::ScrollTo(int line) {
    int max_top = GetMaxTop();
    top_line = line < 0 ? 0 : line > max_top ? max_top : line;
    Redraw();
}

int CDocumentViewerPanel::OnInput(InputEvent* event) {
    if (!event || event->message != WM_KEYDOWN)
        return 0;
    switch (event->wParam) {
        case VK_TAB:
            // With a text and words, the first Tab shows the other one.
            if (!switched && has_text && !words.Empty()) {
                switched = true;
                SwitchDocument();
                return 1;
            }
            SetFocus(PANEL_ID_FILE_SELECTOR);
            return 1;
        case VK_PRIOR:
            ScrollByHand(top_line - kPageLines);
            return 1;
        case VK_NEXT:
            ScrollByHand(top_line + kPageLines);
            return 1;
        case VK_UP:
            ScrollByHand(top_line - 1);
            return 1;
        case VK_DOWN:
            ScrollByHand(top_line + 1);
            return 1;
        default:
            return 0;
    }
}

bool CDocumentViewerPanel::ReadText(const char* path) {
    lines.clear();
    if (!path || !*path)
        return false;
    std::unique_ptr<FILE, FileCloser> file(platform::OpenFile(path, "rb"));
    if (!file)
        return false;
    CTextLineBuilder builder(lines);
    unsigned char buffer[65536];
    size_t n;
    bool more = true;
    while (more && (n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
        for (size_t i = 0; i < n && more; ++i)
            more = builder.Add(buffer[i]);
    builder.Finish();
    return true;
}

void CDocumentViewerPanel::LoadText(const char* path) {
    has_text = ReadText(path);
    ShowDocument(Document::kText);
}

void CDocumentViewerPanel::LoadCompanionText() {
    const char* song = PlayerGetPath();
    if (!song || !*song)
        return;
    char text_path[MAX_PATH];
    if (CompanionTextPath(song, text_path, sizeof text_path))
        has_text = ReadText(text_path);
    LoadWords();
    scrolled_by_hand = false;
    ShowDocument(has_text || words.Empty() ? Document::kText : Document::kWords);
}

void CDocumentViewerPanel::Redraw() {
    GetPalette().SetEntry(kTextIndex, RGB(255, 255, 255));
    if (ShowsWords())
        GetPalette().SetEntry(kDimTextIndex, kDimText);
    IDirectDrawSurface* image = surface.surface;
    if (!image)
        return;
    FillRect(image, 0, 0, kWidth_px, kHeight_px, 0);
    DrawTextFontB(&surface, 0, 0, "DOCUMENT VIEWER`", 1, 5);
    char position[32];
    std::snprintf(position, sizeof position, "%04d/%04d\n", top_line, GetMaxTop());
    DrawTextFontB(&surface, 550, 0, position, 1, 5);
    HDC dc = nullptr;
    if (FAILED(image->GetDC(&dc)))
        return;
    HGDIOBJ old_font = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    CLyricHighlight& highlight = HighlightToDraw(image);
    highlight.Clear();
    if (ShowsWords()) {
        DrawWords(dc, highlight);
    } else {
        SetTextColor(dc, RGB(255, 255, 255));
        int count = static_cast<int>(lines.size());
        int shown = count < kVisibleLines ? count : kVisibleLines;
        for (int i = 0; i < shown; ++i) {
            int n = top_line + i;
            if (n < 0 || n >= count)
                continue;
            const std::string& line = lines[static_cast<size_t>(n)];
            TextOutA(dc, kTextLeft_px, RowTop(i), line.c_str(), static_cast<int>(line.size()));
        }
    }
    SelectObject(dc, old_font);
    image->ReleaseDC(dc);
    PublishHighlight(image, highlight);
    Commit();
}
