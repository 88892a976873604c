#pragma once
// Where PitkaD finds its data files and keeps its per-user files.
// Plain C++ so that the analysis and the command line can use it too.

#include <filesystem>
#include <optional>
#include <string_view>
#include <string>

namespace pitkad {

// The running executable's folder.
std::filesystem::path executable_dir();

// A data file ("loudness.dat", "Pitkafont.bmp", …): the current folder first,
// then the installed data folder beside the program (../share/pitkad from
// the executable). Empty when neither has it.
std::filesystem::path find_data_file(const std::string& name);

// The installed data folder (../share/pitkad from the executable).
std::filesystem::path installed_data_dir();

// Per-user folders (XDG): the cache folder holds the fallback analysis files,
// the config folder the settings. Created on demand by callers.
std::filesystem::path user_cache_dir();
std::filesystem::path user_config_dir();

// The fallback analysis cache, used when the recording's folder is not
// writable: "PitkaD-<pid>.tmp", one per running instance, removed at exit.
std::filesystem::path fallback_cache_file();
// Whether the process whose id is written in `digits` is running; nullopt
// when `digits` is not a process id. Names of files that outlive their
// process carry it.
std::optional<bool> process_running(std::string_view digits);

// A short fixed-width name for a full path: 16 hexadecimal digits of its
// 64-bit FNV-1a hash. Files and settings keys that belong to one recording
// are named with it.
std::string path_digest(std::string_view full_path);

// Removes the fallback files of instances that are no longer running (they
// ended without removing theirs).
void remove_stale_fallback_caches();

} // namespace pitkad
