#pragma once
// The media player as the transport uses it: a remembered file name, open,
// play from a millisecond position, pause and resume, stop, close, and the
// position and length in milliseconds. Sound goes to an AudioOutput.
// UI thread only.

#include "audio/audio_output.h"
#include "audio/playback_status.h"

#include <cstdint>
#include <filesystem>
#include <future>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace pitkad {

class MediaPlayer {
  public:
    enum class Mode { not_open, stopped, playing, paused };
    // Result codes of play(): 0 is success.
    static constexpr int ok = 0;
    static constexpr int error_not_open = 1;
    static constexpr int error_device = 2;

    explicit MediaPlayer(AudioOutput& output) : out_(output) {}
    ~MediaPlayer() {
        close();
        pending_stop_.request_stop(); // the decodings still running end at once
    }

    // Remembers the recording's path; nothing is opened.
    void set_file_name(std::string path);
    // The same with the recording already decoded at open, used by open()
    // as long as the file is unchanged (null: decoded now on another thread,
    // and open() takes that result).
    void prime(std::string path, std::shared_ptr<const PcmAudio> audio);
    const std::string& file_name() const { return file_name_; }

    // Opens the remembered file (an open one is closed first). Returns why
    // it could not (status ok on success).
    PlaybackError open();
    bool is_open() const { return open_; }

    // Starts playing asynchronously from `from_ms` (the current position when
    // absent) to the end. Returns the result code, also kept for error().
    int play(std::optional<int> from_ms = std::nullopt);
    int error() const { return error_; }
    // Position and length are in milliseconds from then on (the only format
    // this player has; the transport sets it at every open, so a player
    // handed over from elsewhere is in milliseconds too).
    void set_time_format_ms() { time_format_ms_ = true; }
    bool time_format_ms() const { return time_format_ms_; }

    int position() const;
    // Asks for the next seconds of a recording kept on file to be read
    // ahead of the output (UI thread, as it plays).
    void read_ahead() const;
    int length() const;
    // The sample rate of the open recording, or else of the remembered one:
    // while its decoding runs, the rate its header gives, and only when that
    // is unknown waiting for the decoding; 0 when it is not decoded or could
    // not be.
    int sample_rate();
    Mode mode() const;

    // Playing: pause. Paused: resume, or play from the position if that fails.
    void pause_toggle();
    // Holds at the position just played from.
    void pause();
    void stop();
    void close();

    bool has_device() const { return out_.has_device(); }
    // Speed, pitch, loop, channels and focus from now on (kept across opens);
    // positions stay in the recording's own milliseconds.
    void set_practice(const PracticeSettings& settings) { out_.set_practice(settings); }
    const PracticeSettings& practice() const { return out_.practice(); }
    // The sample rate of the open recording, or of the one last decoded for
    // the remembered file; 0 while unknown. A loop is given in its frames.
    int sample_rate() const {
        if (open_ && audio_) return audio_->rate;
        if (cached_name_ != file_name_) return 0;
        return cached_ ? cached_->rate : pending_.valid() ? pending_rate_ : 0;
    }

  private:
    int frames_to_ms(double frames) const;
    // Stops the pending decoding, if any, and forgets it; earlier ones that
    // have ended are let go.
    void retire_pending();

    AudioOutput& out_;
    std::string file_name_;
    std::shared_ptr<const PcmAudio> audio_;
    // The last decoded file and what identified it, so that pressing PLAY
    // again (or the first time, after the open decoded it) does not read the
    // file again unless it changed.
    std::shared_ptr<const PcmAudio> cached_;
    std::string cached_name_;
    std::uintmax_t cached_size_ = 0;
    std::filesystem::file_time_type cached_time_{};
    // The decoding started by prime() for the cached name, size and time.
    std::future<PcmLoadResult> pending_;
    std::stop_source pending_stop_;
    int pending_rate_ = 0; // the header's rate for pending_, 0: unknown
    // Stopped decodings not yet ended (their futures would wait when dropped).
    std::vector<std::future<PcmLoadResult>> retired_;
    bool open_ = false;
    bool time_format_ms_ = false;
    int error_ = ok;
};

} // namespace pitkad
