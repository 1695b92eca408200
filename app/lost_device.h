// Tells in the status bar when the MIDI-out device chosen has gone away and
// the software synth plays in its place.
#pragma once

// Called while the program is idle: "DEVICE 'NAME' IS GONE: USING SOFTWARE
// SYNTH" once for each loss the sequencer found since the last call, and the
// panels told of the device change.
void ReportLostDevice();
