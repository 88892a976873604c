// The settings file: whatever an old file holds, a save over it reads back
// exactly as written, and so does the language written after it, leaving the
// rest alone.
#include "app/settings.h"
#include "tests/fuzz/fuzz_support.h"

#include <QString>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pitkad;
    const auto file = fuzz::scratch() / "PitkaD.ini";
    fuzz::write_file(file, data, size);
    const QString path = QString::fromStdString(file.string());
    Settings s = read_settings(path, Settings{});
    s.default_dir = QString::fromUtf8("/home/u/\xF0\x9F\x8E\xB5 [x] \"y\"; z=1");
    s.forward = 1234;
    s.line_width = 7;
    s.loudness = !s.loudness;
    if (!write_settings(path, s)) return 0;
    PITKAD_FUZZ_CHECK(read_settings(path, Settings{}) == s);
    if (!write_language(path, QStringLiteral("en"))) return 0;
    PITKAD_FUZZ_CHECK(read_language(path) == QLatin1String("en"));
    PITKAD_FUZZ_CHECK(read_settings(path, Settings{}) == s);
    return 0;
}
