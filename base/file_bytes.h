#pragma once
// Reading a whole file into memory, with a cap so that a huge file given by
// mistake is refused instead of filling the memory. Only a regular file is
// read: a pipe, a device or a socket at the name is refused without waiting
// for it, so a pipe with no writer or a link to /dev/zero never holds the
// program up or fills its memory.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

namespace pitkad {

enum class ReadStatus {
    ok,
    absent,             // nothing at the name (nor at the end of its links)
    not_a_regular_file, // a pipe, device or socket; or, not following links, a link
    too_large,          // more than the cap
    unreadable,         // cannot be opened or read (a folder among them): `error` says why
};

struct FileRead {
    ReadStatus status = ReadStatus::absent;
    std::error_code error;           // unreadable: the system's reason
    std::vector<std::uint8_t> bytes; // ok: the whole file
    unsigned mode = 0;               // ok: the file's permission bits
    bool ok() const { return status == ReadStatus::ok; }
};

enum class Links { follow, refuse };

// Reads the file at `path` whole, at most max_size bytes. With Links::refuse
// a symbolic link at the name is not followed but refused as
// not_a_regular_file.
FileRead read_regular_file(const std::filesystem::path& path, std::uintmax_t max_size,
                           Links links = Links::follow);

// Opens a regular file for reading through stdio, without waiting on a pipe
// at the name; null for anything else, with `status` saying why.
std::FILE* open_regular_file(const std::filesystem::path& path, ReadStatus& status);

// The file's bytes; nullopt when read_regular_file does not read it.
std::optional<std::vector<std::uint8_t>> read_file_bytes(const std::filesystem::path& path,
                                                         std::uintmax_t max_size);

} // namespace pitkad
