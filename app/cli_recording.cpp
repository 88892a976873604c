#include "app/cli_recording.h"

#include <cstdio>

namespace pitkad {

std::unique_ptr<Document> open_for_command_line(const std::string& file, bool loudness) {
    // The MIDI port stays closed: loading a drawing sends nothing.
    auto doc = std::make_unique<Document>();
    doc->load_tables();
    const LoadResult r = doc->load_recording(file, {}, 0);
    if (!r.ok) {
        std::fprintf(stderr, "%s: %s\n", file.c_str(), r.message.c_str());
        return nullptr;
    }
    doc->load_drawing();
    doc->refresh(true, loudness);
    return doc;
}

} // namespace pitkad
