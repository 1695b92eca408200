#include "display/background_copy.h"

#include <algorithm>
#include <array>

namespace {

constexpr int kMostHoles = 16;

void CopyPiece(IDirectDrawSurface* target, IDirectDrawSurface* source, LONG left, LONG top,
               LONG right, LONG bottom) {
    if (left >= right)
        return;
    RECT piece{left, top, right, bottom};
    target->BltFast(static_cast<DWORD>(left), static_cast<DWORD>(top), source, &piece,
                    DDBLTFAST_WAIT);
}

}  // namespace

void CopyBackgroundAround(IDirectDrawSurface* target, IDirectDrawSurface* source, LONG width_px,
                          LONG height_px, const RECT* holes, int count) {
    // Holes clipped to the surface; past the most kept, the rest is copied.
    std::array<RECT, kMostHoles> clipped{};
    int kept = 0;
    for (int i = 0; i < count && kept < kMostHoles; ++i) {
        const RECT hole{std::max(holes[i].left, LONG{0}), std::max(holes[i].top, LONG{0}),
                        std::min(holes[i].right, width_px), std::min(holes[i].bottom, height_px)};
        if (hole.left < hole.right && hole.top < hole.bottom)
            clipped[kept++] = hole;
    }
    // Bands between the holes' top and bottom edges: within one band the
    // holes across it stay the same, and the gaps between them are copied.
    std::array<LONG, 2 * kMostHoles + 2> edges{};
    int edge_count = 0;
    edges[edge_count++] = 0;
    edges[edge_count++] = height_px;
    for (int i = 0; i < kept; ++i) {
        edges[edge_count++] = clipped[i].top;
        edges[edge_count++] = clipped[i].bottom;
    }
    std::sort(edges.begin(), edges.begin() + edge_count);
    edge_count =
        static_cast<int>(std::unique(edges.begin(), edges.begin() + edge_count) - edges.begin());
    std::array<RECT, kMostHoles> across{};
    for (int band = 0; band + 1 < edge_count; ++band) {
        const LONG top = edges[band];
        const LONG bottom = edges[band + 1];
        int across_count = 0;
        for (int i = 0; i < kept; ++i)
            if (clipped[i].top <= top && clipped[i].bottom >= bottom)
                across[across_count++] = clipped[i];
        std::sort(across.begin(), across.begin() + across_count,
                  [](const RECT& a, const RECT& b) { return a.left < b.left; });
        LONG x = 0;
        for (int i = 0; i < across_count; ++i) {
            CopyPiece(target, source, x, top, across[i].left, bottom);
            x = std::max(x, across[i].right);
        }
        CopyPiece(target, source, x, top, width_px, bottom);
    }
}
