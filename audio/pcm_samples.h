#pragma once
// The samples of a decoded recording. A short one stays in memory; a long
// one is written, as it is decoded, to an unnamed temporary file in the
// user's cache folder and read back through a read-only mapping, so that
// the program holds only the parts that are played (the system keeps the
// rest on disk or in its file cache). Written once by the thread that
// decodes, then only read.

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace pitkad {

class PcmSamples {
  public:
    // Samples held in memory before the rest goes to a file: 32 MB.
    static constexpr std::size_t default_memory_samples = std::size_t(16) << 20;

    PcmSamples() = default;
    PcmSamples(const PcmSamples&) = delete;
    PcmSamples& operator=(const PcmSamples&) = delete;
    ~PcmSamples();

    // Writing. `n` more samples at the end, to be written at once through the
    // pointer (valid until the next call that writes).
    std::int16_t* extend(std::size_t n);
    // Grows with zeros or drops samples from the end; samples already moved
    // to the file stay.
    void resize(std::size_t n);
    void assign(std::size_t n, std::int16_t value);
    // A hint of the final size: a recording that will not fit in memory
    // goes to the file from the start.
    void reserve(std::size_t n);
    // No more writes: the samples become readable from the file. False when
    // the file could not be written (the samples are then incomplete).
    bool finish();

    std::size_t size() const { return size_; }
    bool on_file() const { return fd_ >= 0; }
    // Reading (after finish() when on file).
    std::int16_t operator[](std::size_t i) const {
        return mapped_ ? mapped_[i] : memory_[i];
    }
    // Writing a sample kept in memory (tests); reading goes through a const
    // PcmSamples, which also reads the file.
    std::int16_t& operator[](std::size_t i) {
        assert(fd_ < 0);
        return memory_[i];
    }
    // Asks the system to read [from, from + count) ahead of use; nothing in
    // memory.
    void prefetch(std::size_t from, std::size_t count) const;
    // Reads [from, from + count) from the file now, a sample a page, so that
    // the audio callback finds it in memory (a few pages: the start of a
    // play after a seek).
    void touch(std::size_t from, std::size_t count) const;
    // Asks the system to drop the file's pages it holds (to measure a start
    // from the disk).
    void forget_cached() const;

    // Where the files go and when (tests make both small).
    std::filesystem::path folder;
    std::size_t memory_samples = default_memory_samples;

  private:
    bool spill();
    bool flush();

    std::vector<std::int16_t> memory_; // all samples, or those not yet written to the file
    std::size_t size_ = 0;
    int fd_ = -1;
    std::size_t written_ = 0; // samples in the file
    bool failed_ = false;
    bool no_file_ = false; // no file could be made: everything stays in memory
    const std::int16_t* mapped_ = nullptr;
    std::size_t mapped_bytes_ = 0;
};

} // namespace pitkad
