#pragma once
// What the main window starts with: main() fills it from the command line
// and the environment, tests replace the devices and the screen.

#include "app/language.h"
#include "midi/midi_port.h"

#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace pitkad {

class AudioOutput;

struct StartOptions {
    // Audio output: null picks the sound card, or the silent clock without one.
    std::unique_ptr<AudioOutput> audio;
    // When the program started (times of the MIDI log).
    std::chrono::steady_clock::time_point program_start = std::chrono::steady_clock::now();
    // MIDI backend factory; empty picks the built-in synthesizer. Returning
    // null means no MIDI output.
    std::function<std::unique_ptr<MidiBackend>()> midi;
    // Screen height for the default line width; 0 asks the screen.
    int screen_height = 0;
    // Read the settings file at start-up.
    bool read_settings = true;
    // The language for this run (`--lang`); unset: the settings file's.
    std::optional<Language> language;
    // Analysis threads (0: every core).
    int threads = 0;
    // How often a recovery copy of a changed drawing is written, in ms; 0
    // runs no recovery timer (tests call recovery_tick themselves).
    int recovery_interval_ms = 0;
    // Shows a page in the desktop's browser; false when none could be
    // started. Empty: the desktop's opener, watched for its exit status.
    std::function<bool(const QUrl&)> open_url;
};

} // namespace pitkad
