#pragma once
// Why a recording could not be opened, as the readers, the decoder and the
// loader report it. The window and the command lines word it; `detail`
// beside a status is the technical reason (an FFmpeg error, "no audio
// stream"), shown in brackets after the words, or empty.

#include <string>

namespace pitkad {

enum class OpenStatus {
    ok,
    cannot_open,     // the file cannot be opened or sought
    unsupported,     // a format no reader takes (or a WAV the reader does not)
    bad_header,      // a damaged WAV header, or data that could not be read
    too_large,       // longer than the analysis holds
    cache_not_saved, // analysed, but the analysis could not be cached anywhere
};

// A status with its technical reason.
struct OpenFailure {
    OpenStatus status = OpenStatus::ok;
    std::string detail;
};

} // namespace pitkad
