#pragma once
// Why the player could not open a recording. The window words the status,
// with the file on the line after it.

#include "analysis/open_status.h"

#include <string>

namespace pitkad {

enum class PlaybackStatus {
    ok,
    no_file_name,       // no file was given
    file_not_found,     // no regular file at the path
    file_unreadable,    // the file could not be read
    not_a_wav,          // not a RIFF/WAVE file
    unsupported_format, // a WAV of a sample format the player does not play
    file_damaged,       // a WAV whose chunks are damaged
    not_decoded,        // another format the decoder refused (see `decoding`)
};

struct PlaybackError {
    PlaybackStatus status = PlaybackStatus::ok;
    // The decoder's status and technical reason, when not_decoded.
    OpenFailure decoding;
    std::string file; // the file the status is about; empty for none
    bool ok() const { return status == PlaybackStatus::ok; }
};

} // namespace pitkad
