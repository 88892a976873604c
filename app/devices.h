#pragma once
// The program's sound devices: the audio output the player plays through,
// and the MIDI backend behind the port.

#include "midi/midi_port.h"
#include "playback/audio_output.h"

#include <memory>

namespace pitkad {

// The sound card, or the silent clock when there is none.
std::unique_ptr<AudioOutput> make_default_audio_output();
// The built-in synthesizer rendering into `audio`'s stream; null when there
// is no synthesizer or SoundFont (MIDI is then off).
std::unique_ptr<MidiBackend> make_default_midi_backend(AudioOutput* audio);

} // namespace pitkad
