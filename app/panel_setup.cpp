#include "app/panel_setup.h"

// The panels are drawn in the order they are constructed, so a later panel
// draws over an earlier one: track view, spectrum analyzer, system status,
// MIDI canvas, file selector (id 1), document viewer (id 2), device
// selection (id 3), status bar. Each panel's line joins as its class lands.
void ConstructPanels() {}
