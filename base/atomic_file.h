#pragma once
// Replacing a file whole: the bytes go to a temporary file beside the target,
// which is synced to disk and then renamed into place, so that a reader never
// sees a partial file and a failed write leaves the previous file as it was.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <system_error>

namespace pitkad {

enum class WriteStatus {
    written,
    // Something other than a regular file is at the name (a symbolic link,
    // a folder, a pipe, a device): it is left as it is, never written
    // through, so that a link cannot send our bytes into another file.
    not_a_regular_file,
    failed, // `error` says why when the system gave a reason
};

struct FileWrite {
    WriteStatus status = WriteStatus::failed;
    std::error_code error;
    explicit operator bool() const { return status == WriteStatus::written; }
};

// Writes bytes to path, which must name a regular file or nothing. A new
// file gets the mode the process's umask gives, an existing file keeps its
// permissions; with `mode`, the file gets exactly those permission bits
// instead. An existing file we may not write, or whose mode allows no
// writing at all, is not replaced. Fails with no temporary file left behind
// when any step fails. After a success, temporary files that earlier
// interrupted saves of the same file left are removed.
FileWrite write_file_atomically(const std::filesystem::path& path,
                                std::span<const std::uint8_t> bytes,
                                std::optional<unsigned> mode = std::nullopt);
// The same with the bytes given piece by piece, for a file too large to be
// built in memory first: `chunks` is called until it returns no bytes.
using ByteChunks = std::function<std::span<const std::uint8_t>()>;
FileWrite write_file_atomically(const std::filesystem::path& path, const ByteChunks& chunks,
                                std::optional<unsigned> mode = std::nullopt);

} // namespace pitkad
