#include "base/paths.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <system_error>

namespace pitkad {

namespace fs = std::filesystem;

fs::path executable_dir() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return fs::current_path(ec);
    return exe.parent_path();
}

fs::path installed_data_dir() {
    return (executable_dir() / ".." / "share" / "pitkad").lexically_normal();
}

fs::path find_data_file(const std::string& name) {
    std::error_code ec;
    if (fs::is_regular_file(name, ec)) return fs::absolute(name, ec);
    fs::path installed = installed_data_dir() / name;
    if (fs::is_regular_file(installed, ec)) return installed;
    return {};
}

namespace {

fs::path xdg_dir(const char* variable, const char* fallback_below_home) {
    if (const char* v = std::getenv(variable); v && *v && fs::path(v).is_absolute())
        return fs::path(v) / "PitkaD";
    const char* home = std::getenv("HOME");
    std::error_code ec;
    fs::path base = home && *home ? fs::path(home) : fs::temp_directory_path(ec);
    if (base.empty()) base = "/tmp";
    return base / fallback_below_home / "PitkaD";
}

} // namespace

fs::path user_cache_dir() { return xdg_dir("XDG_CACHE_HOME", ".cache"); }
fs::path user_config_dir() { return xdg_dir("XDG_CONFIG_HOME", ".config"); }
fs::path fallback_cache_file() {
    return user_cache_dir() / ("PitkaD-" + std::to_string(::getpid()) + ".tmp");
}

std::optional<bool> process_running(std::string_view digits) {
    if (digits.empty() || digits.size() > 9 ||
        digits.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    std::error_code ec;
    return fs::exists("/proc/" + std::string(digits), ec);
}

std::string path_digest(std::string_view full_path) {
    std::uint64_t h = 0xcbf29ce484222325u;
    for (const char c : full_path) {
        h ^= std::uint8_t(c);
        h *= 0x100000001b3u;
    }
    static constexpr char hex[] = "0123456789abcdef";
    std::string out(16, '0');
    for (int i = 15; i >= 0; --i, h >>= 4)
        out[std::size_t(i)] = hex[h & 15];
    return out;
}

void remove_stale_fallback_caches() {
    std::error_code ec;
    for (fs::directory_iterator it(user_cache_dir(), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() < 12 || !name.starts_with("PitkaD-") || !name.ends_with(".tmp")) continue;
        const auto running = process_running(std::string_view(name).substr(7, name.size() - 11));
        std::error_code remove_ec;
        if (running && !*running) fs::remove(it->path(), remove_ec);
    }
}

} // namespace pitkad
