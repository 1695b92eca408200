#include "app/panel_setup.h"

#include "panels/document_viewer_panel.h"
#include "panels/file_selector_panel.h"
#include "panels/spectrum_panel.h"
#include "panels/status_bar_panel.h"
#include "panels/system_status_panel.h"
#include "views/device_select_panel.h"
#include "views/midi_canvas_panel.h"
#include "views/soundfont_select_panel.h"
#include "views/track_panel.h"

// The panels are drawn in the order they are constructed, so a later panel
// draws over an earlier one: track view, spectrum analyzer, system status,
// MIDI canvas, file selector (id 1), document viewer (id 2), device
// selection (id 3), SoundFont selection (id 4), status bar. Each panel's line joins as its class
// lands. The panel list owns each panel from its construction on.
void ConstructPanels() {
    new CTrackPanel;
    new CSpectrumPanel;
    new CSystemStatusPanel;
    new CMidiCanvasPanel;
    (new CFileSelectorPanel)->SetId(PANEL_ID_FILE_SELECTOR);
    (new CDocumentViewerPanel)->SetId(PANEL_ID_DOCUMENT_VIEWER);
    (new CDeviceSelectPanel)->SetId(PANEL_ID_DEVICE_SELECT);
    (new CSoundFontSelectPanel)->SetId(PANEL_ID_SOUNDFONT_SELECT);
    new CStatusBarPanel;
}
