#pragma once
// Plays the drawing on MIDI channels 1 … 8 while the recording plays.
// The player has no clock: the playback tick calls drawing_midi_step for
// every new cursor frame, already shifted by the channel settings' delay;
// after a start, resume or seek the transport calls drawing_midi_sound_held
// once. It sits here, above the drawing, because it plays through the port.

#include "drawing/draw_data.h"
#include "midi/midi_port.h"

namespace pitkad {

// Sounds frame g of the drawing: first releases every note of channels 1 … 8
// whose cell in frame g no longer has that channel, then starts, band by band
// upwards, each cell that changed within the three frames before g (a note
// already sounding on its channel, or one for which all 8 slots are busy, is
// not started). Records at or past frame_count, and outside the drawing, read
// as empty. Channel 0 (graph clicks) is never touched. Does nothing when the
// port is closed. UI thread only; allocates nothing.
void drawing_midi_step(int g, const DrawData& drawing, int frame_count, MidiPort& port);

// Sounds what is held at frame g after a jump: first releases every note of
// channels 1 … 8, then starts, band by band upwards, each cell of frame g
// that has a channel, wherever its note began (8 slots per channel, as in
// drawing_midi_step). Steps from g on then carry on without sending anything
// twice. Same reading of the drawing, channel 0 untouched, nothing when the
// port is closed. UI thread only; allocates nothing.
void drawing_midi_sound_held(int g, const DrawData& drawing, int frame_count, MidiPort& port);

} // namespace pitkad
