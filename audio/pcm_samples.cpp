#include "audio/pcm_samples.h"

#include "base/paths.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace pitkad {

namespace {

// An unnamed file in `folder` that goes away with its descriptor; -1 when
// none can be made.
int unnamed_file(const std::filesystem::path& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
    // A file system without unnamed files: a named one, removed at once.
    std::string name = (folder / "pcm-XXXXXX").string();
    fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0) ::unlink(name.c_str());
    return fd;
}

} // namespace

PcmSamples::~PcmSamples() {
    if (mapped_) ::munmap(const_cast<std::int16_t*>(mapped_), mapped_bytes_);
    if (fd_ >= 0) ::close(fd_);
}

bool PcmSamples::spill() {
    if (fd_ >= 0 || failed_ || no_file_) return fd_ >= 0;
    fd_ = unnamed_file(folder.empty() ? user_cache_dir() / "playback" : folder);
    // Without a file the samples stay in memory (and no file is asked for again).
    if (fd_ < 0) {
        no_file_ = true;
        return false;
    }
    return flush();
}

bool PcmSamples::flush() {
    const auto* p = reinterpret_cast<const char*>(memory_.data());
    std::size_t left = memory_.size() * sizeof(std::int16_t);
    auto at = off_t(written_ * sizeof(std::int16_t));
    while (left > 0) {
        const ssize_t n = ::pwrite(fd_, p, left, at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            failed_ = true;
            return false;
        }
        p += n;
        at += n;
        left -= std::size_t(n);
    }
    written_ += memory_.size();
    memory_.clear();
    return true;
}

std::int16_t* PcmSamples::extend(std::size_t n) {
    if (fd_ < 0 && size_ + n > memory_samples) spill();
    // On file, what is in memory goes out in pieces of a quarter of the room.
    if (fd_ >= 0 && memory_.size() >= std::max<std::size_t>(memory_samples / 4, 1)) flush();
    const std::size_t at = memory_.size();
    memory_.resize(at + n);
    size_ += n;
    return memory_.data() + at;
}

void PcmSamples::resize(std::size_t n) {
    if (n >= size_) {
        extend(n - size_);
        return;
    }
    n = std::max(n, written_);
    memory_.resize(n - written_);
    size_ = n;
}

void PcmSamples::assign(std::size_t n, std::int16_t value) {
    resize(0);
    std::fill_n(extend(n), n, value);
}

void PcmSamples::reserve(std::size_t n) {
    // Without a file the room is made at once: a vector grown by doubling
    // would hold its old and its new buffer together, a third more than
    // the recording at the last step.
    if (n > memory_samples && spill()) return;
    memory_.reserve(n);
}

bool PcmSamples::finish() {
    if (fd_ < 0 || mapped_) return !failed_;
    if (!flush() || size_ == 0) return !failed_;
    mapped_bytes_ = size_ * sizeof(std::int16_t);
    void* m = ::mmap(nullptr, mapped_bytes_, PROT_READ, MAP_SHARED, fd_, 0);
    if (m == MAP_FAILED) {
        failed_ = true;
        return false;
    }
    mapped_ = static_cast<const std::int16_t*>(m);
    memory_ = {};
    return true;
}

void PcmSamples::prefetch(std::size_t from, std::size_t count) const {
    if (!mapped_ || from >= size_) return;
    count = std::min(count, size_ - from);
    const auto page = std::size_t(::sysconf(_SC_PAGESIZE));
    const auto begin = reinterpret_cast<std::uintptr_t>(mapped_ + from) / page * page;
    const auto end = reinterpret_cast<std::uintptr_t>(mapped_ + from + count);
    ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_WILLNEED);
}

void PcmSamples::touch(std::size_t from, std::size_t count) const {
    if (!mapped_ || from >= size_) return;
    count = std::min(count, size_ - from);
    const std::size_t step = std::size_t(::sysconf(_SC_PAGESIZE)) / sizeof(std::int16_t);
    volatile std::int16_t sink = 0;
    for (std::size_t i = from; i < from + count; i += step)
        sink = mapped_[i];
    sink = mapped_[from + count - 1];
    (void)sink;
}

void PcmSamples::forget_cached() const {
    if (fd_ >= 0) ::posix_fadvise(fd_, 0, 0, POSIX_FADV_DONTNEED);
}

} // namespace pitkad
