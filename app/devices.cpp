#include "app/devices.h"

namespace pitkad {

std::unique_ptr<AudioOutput> make_default_audio_output() { return std::make_unique<SilentOutput>(); }

std::unique_ptr<MidiBackend> make_default_midi_backend(AudioOutput*) { return nullptr; }

} // namespace pitkad
