// The settings file: whatever an old file holds, a save over it reads back
// exactly as written, and so do the language and a recent file written after
// it, leaving the rest alone.
#include "control/settings_file.h"
#include "tests/fuzz/fuzz_support.h"

#include <QString>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pitkad;
    const auto file = fuzz::scratch() / "PitkaD.ini";
    fuzz::write_file(file, data, size);
    const QString path = QString::fromStdString(file.string());
    SettingsFile settings_file(path);
    Settings s = settings_file.settings(Settings{});
    s.default_dir = QString::fromUtf8("/home/u/\xF0\x9F\x8E\xB5 [x] \"y\"; z=1");
    s.forward = 1234;
    s.line_width = 7;
    s.loudness = !s.loudness;
    if (!settings_file.save(s)) return 0;
    PITKAD_FUZZ_CHECK(SettingsFile(path).settings(Settings{}) == s);
    if (!settings_file.set_language(QStringLiteral("en"))) return 0;
    const QStringList recent{QString::fromUtf8("/m/\xF0\x9F\x8E\xB5,\\ \"a\";b.wav")};
    if (!SettingsFile(path).set_recent_files(recent)) return 0;
    SettingsFile again(path);
    PITKAD_FUZZ_CHECK(again.language() == QLatin1String("en"));
    PITKAD_FUZZ_CHECK(again.recent_files() == recent);
    PITKAD_FUZZ_CHECK(again.settings(Settings{}) == s);
    return 0;
}
