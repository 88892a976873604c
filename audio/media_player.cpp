#include "audio/media_player.h"

#include "audio/recording_decoder.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <system_error>

namespace pitkad {

namespace {
constexpr std::int64_t ms_per_second = 1000;
} // namespace

void MediaPlayer::set_file_name(std::string path) {
    file_name_ = std::move(path);
    if (file_name_ != cached_name_) cached_.reset(); // another recording: free the old one
}

void MediaPlayer::prime(std::string path, std::shared_ptr<const PcmAudio> audio) {
    set_file_name(std::move(path));
    cached_.reset(); // a recording opened anew, even under the same name
    retire_pending();
    pending_rate_ = 0;
    std::error_code ec;
    const auto size = std::filesystem::file_size(file_name_, ec);
    const auto time = std::filesystem::last_write_time(file_name_, ec);
    if (ec) return;
    cached_name_ = file_name_;
    cached_size_ = size;
    cached_time_ = time;
    if (audio) {
        cached_ = std::move(audio);
        return;
    }
    // Not decoded at open (the analysis came from the cache): decoded now
    // in the background, so that PLAY does not wait for a long file. Its
    // rate comes from the header at once, so that a loop set meanwhile
    // does not wait for the decoding either.
    pending_rate_ = playback_rate(file_name_);
    pending_stop_ = {};
    try {
        pending_ = std::async(std::launch::async, decode_for_playback,
                              std::filesystem::path(file_name_), pending_stop_.get_token());
    } catch (const std::system_error&) {
        // No thread to spare: decoded when opened.
    }
}

PlaybackError MediaPlayer::open() {
    close();
    std::error_code ec;
    const auto size = std::filesystem::file_size(file_name_, ec);
    const auto time = std::filesystem::last_write_time(file_name_, ec);
    const bool same =
        !ec && file_name_ == cached_name_ && size == cached_size_ && time == cached_time_;
    if (same && !cached_ && pending_.valid()) {
        PcmLoadResult r = pending_.get();
        cached_ = r.audio;
    }
    retire_pending();
    if (cached_ && same) {
        audio_ = cached_;
    } else {
        cached_.reset();
        PcmLoadResult r = decode_for_playback(file_name_);
        if (!r.audio) return r.error;
        audio_ = r.audio;
        if (!ec) {
            cached_ = r.audio;
            cached_name_ = file_name_;
            cached_size_ = size;
            cached_time_ = time;
        }
    }
    out_.load(audio_);
    open_ = true;
    return {};
}

void MediaPlayer::retire_pending() {
    // A decoding no longer wanted is stopped and left to end on its own
    // (within a packet or block): waiting for it here would hold the UI thread.
    if (pending_.valid()) {
        pending_stop_.request_stop();
        retired_.push_back(std::move(pending_));
    }
    std::erase_if(retired_, [](const std::future<PcmLoadResult>& f) {
        return f.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    });
}

int MediaPlayer::play(std::optional<int> from_ms) {
    if (!open_) return error_ = error_not_open;
    std::int64_t frame;
    if (from_ms) {
        const std::int64_t ms = std::clamp<std::int64_t>(*from_ms, 0, length());
        // Rounded up so that the position reads back as exactly `ms`.
        frame = std::min(audio_->frames, (ms * audio_->rate + ms_per_second - 1) / ms_per_second);
    } else {
        frame = std::int64_t(out_.position());
    }
    audio_->warm(frame);
    return error_ = out_.play_from(frame) ? ok : error_device;
}

int MediaPlayer::frames_to_ms(double frames) const {
    if (!audio_ || audio_->rate <= 0) return 0;
    return int(std::floor(frames * double(ms_per_second) / audio_->rate));
}

int MediaPlayer::position() const {
    if (!open_) return 0;
    return std::min(frames_to_ms(out_.position()), length());
}

void MediaPlayer::read_ahead() const {
    if (open_ && audio_) audio_->prefetch(out_.position(), 4);
}

int MediaPlayer::length() const {
    if (!open_) return 0;
    return int(audio_->frames * ms_per_second / audio_->rate);
}

int MediaPlayer::sample_rate() {
    if (audio_) return audio_->rate;
    if (!cached_ && pending_.valid()) {
        if (pending_rate_ > 0) return pending_rate_;
        // No rate in the header: the decoding prime() started is taken as
        // open() would take it.
        cached_ = pending_.get().audio;
    }
    return cached_ ? cached_->rate : 0;
}

MediaPlayer::Mode MediaPlayer::mode() const {
    if (!open_) return Mode::not_open;
    if (out_.paused()) return Mode::paused;
    if (out_.playing()) return Mode::playing;
    return Mode::stopped;
}

void MediaPlayer::pause_toggle() {
    switch (mode()) {
    case Mode::playing:
        out_.pause();
        break;
    case Mode::paused:
        if (!out_.resume()) play();
        break;
    default:
        break;
    }
}

void MediaPlayer::pause() {
    if (open_) out_.pause();
}

void MediaPlayer::stop() {
    if (open_) out_.stop();
}

void MediaPlayer::close() {
    if (!open_) return;
    out_.stop();
    out_.load(nullptr);
    audio_.reset();
    open_ = false;
}

} // namespace pitkad
