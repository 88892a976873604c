#include "control/document_session.h"

#include "analysis/analysis_cache.h"
#include "drawing/draw_file.h"

#include <system_error>
#include <utility>

#include <sys/stat.h>

namespace pitkad {

namespace fs = std::filesystem;

namespace {

std::string full_path(const fs::path& path) {
    std::error_code ec;
    fs::path full = fs::absolute(path, ec);
    return (ec ? path : full).lexically_normal().string();
}

} // namespace

DocumentSession::DocumentSession(Document& doc, SessionHost& host, RecoverySession& recovery,
                                 DrawingFileMemory* memory)
    : doc_(doc), host_(host), recovery_session_(recovery), memory_(memory) {}

bool DocumentSession::settle_unsaved() {
    if (!modified()) return true;
    switch (host_.ask_unsaved()) {
    case UnsavedAnswer::save:
        return save();
    case UnsavedAnswer::discard:
        drop_recovery();
        return true;
    case UnsavedAnswer::cancel:
        break;
    }
    return false;
}

void DocumentSession::adopt(const fs::path& recording, SpectrogramStore&& staged) {
    doc_.adopt_recording(recording, std::move(staged));
    recording_ = full_path(recording);
    protected_file_.clear();
    open_lock_.release();
    RecoverySession::OpenMark mark = recovery_session_.mark_open(recording_);
    open_lock_ = std::move(mark.lock);
    if (mark.elsewhere) host_.tell({SessionIssue::recording_open_elsewhere, recording_, {}});
    // A drawing saved elsewhere for this recording is opened from there.
    if (memory_)
        if (std::string remembered = memory_->drawing_file_for(recording_); !remembered.empty())
            doc_.draw_file = std::move(remembered);
    read_drawing(true);
    remember_drawing_file();
    recovery_written_ = false;
    recovery_bytes_.clear();
    offer_recovery();
}

bool DocumentSession::take_reanalysis(const fs::path& recording, SpectrogramStore& staged) {
    return is_open() && full_path(recording) == recording_ &&
           doc_.take_reanalysis(std::move(staged));
}

bool DocumentSession::read_drawing(bool at_open) {
    const std::string& file = doc_.draw_file;
    DrawFileRead read = read_draw_file(file, doc_.store.frame_count);
    switch (read.status) {
    case DrawFileStatus::absent:
        if (!at_open) host_.tell({SessionIssue::drawing_not_found, file, {}});
        return false;
    case DrawFileStatus::unreadable:
    case DrawFileStatus::refused:
        // A loop of links, a folder, a damaged file: the drawing is not
        // replaced, and the file is left alone until the user saves.
        protected_file_ = file;
        host_.tell({SessionIssue::drawing_unreadable, file, {}, std::move(read)});
        return false;
    case DrawFileStatus::ok:
        break;
    }
    doc_.midi.midi_off();
    apply_draw_file(read.image, doc_.drawing, doc_.channel_settings);
    doc_.midi.set_midi_program();
    doc_.history.clear();
    // Records past the recording's end are not in the drawing: a save
    // would lose them, so the file is kept aside first.
    // So are annotations that could not be read.
    if (read.file_frames > read.frame_count || read.image.annotations_damaged)
        protected_file_ = file;
    if (read.resized() || read.image.annotations_damaged) {
        read.image.body = {};
        read.image.annotations = {};
        host_.tell({SessionIssue::drawing_resized, file, {}, std::move(read)});
    }
    host_.drawing_replaced();
    return true;
}

bool DocumentSession::reload() {
    if (!is_open() || !settle_unsaved()) return false;
    const bool read = read_drawing(false);
    remember_drawing_file();
    return read;
}

DocumentSession::FileStamp DocumentSession::stamp_of(const std::string& file) {
    FileStamp stamp;
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) return stamp;
    stamp.exists = true;
    stamp.device = std::uint64_t(st.st_dev);
    stamp.inode = std::uint64_t(st.st_ino);
    stamp.size = std::uint64_t(st.st_size);
    stamp.mtime_ns = std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.regular = S_ISREG(st.st_mode);
    // A pipe or device is never read for its hash (it could wait forever),
    // nor a file larger than any drawing (it is no drawing to keep).
    if (stamp.regular && stamp.size <= draw_file_read_max_bytes)
        if (const FileHash h = hash_file(file); h.ok) {
            stamp.hashed = true;
            stamp.hash = h.value;
        }
    return stamp;
}

bool DocumentSession::changed_on_disk() {
    const FileStamp& was = drawing_stamp_;
    FileStamp now = stamp_of(doc_.draw_file);
    // A folder, pipe or device holds no drawing to lose: the save refuses
    // it and says why.
    if (now.exists && !now.regular) return false;
    if (!was.exists || !now.exists) return was.exists != now.exists;
    if (now.device == was.device && now.inode == was.inode && now.size == was.size &&
        now.mtime_ns == was.mtime_ns)
        return false;
    // Rewritten or touched: only a different content is a change.
    if (now.size != was.size || !now.hashed || !was.hashed || now.hash != was.hash) return true;
    drawing_stamp_ = now;
    return false;
}

std::optional<bool> DocumentSession::settle_changed_on_disk() {
    if (!changed_on_disk()) return std::nullopt;
    switch (host_.ask_changed_on_disk(doc_.draw_file)) {
    case ChangedAnswer::overwrite:
        return std::nullopt;
    case ChangedAnswer::save_as: {
        const std::string other = host_.choose_other_drawing_file(
            {SessionIssue::drawing_changed_on_disk, doc_.draw_file, {}});
        return !other.empty() && save_as(other);
    }
    case ChangedAnswer::reload:
        // The user chose the file's content over the unsaved drawing.
        drop_recovery();
        read_drawing(false);
        remember_drawing_file();
        return false;
    case ChangedAnswer::cancel:
        break;
    }
    return false;
}

void DocumentSession::keep_protected_file(const std::string& file) {
    if (protected_file_.empty() || protected_file_ != file) return;
    std::error_code ec;
    const fs::file_status link = fs::symlink_status(file, ec);
    // Nothing there, or a pipe, device or folder, which the save refuses
    // to replace anyway: nothing to keep.
    if (link.type() != fs::file_type::regular && link.type() != fs::file_type::symlink) {
        protected_file_.clear();
        return;
    }
    for (int n = 1; n < 1000; ++n) {
        const std::string kept = file + ".kept" + (n == 1 ? std::string() : std::to_string(n));
        if (fs::symlink_status(kept, ec).type() != fs::file_type::not_found) continue;
        // A link is kept as the link it is, and the save then writes a file
        // in its place; a file is kept as a copy, so that a failed save
        // still leaves it in place.
        fs::copy(file, kept, fs::copy_options::copy_symlinks, ec);
        if (ec) break;
        if (link.type() == fs::file_type::symlink && (fs::remove(file, ec), ec)) break;
        protected_file_.clear();
        host_.tell({SessionIssue::drawing_kept, kept, {}});
        return;
    }
}

WriteStatus DocumentSession::write_drawing(const std::string& file) {
    keep_protected_file(file);
    if (!protected_file_.empty() && protected_file_ == file) {
        // Not kept: it is not replaced either.
        host_.tell({SessionIssue::drawing_not_written, file, {}});
        return WriteStatus::failed;
    }
    const FileWrite written =
        save_draw_data(file, doc_.drawing, doc_.store.frame_count, doc_.channel_settings);
    if (written.status == WriteStatus::failed)
        host_.tell({SessionIssue::drawing_not_written, file, {}});
    if (!written) return written.status;
    remember_drawing_file();
    drop_recovery();
    host_.drawing_saved();
    return WriteStatus::written;
}

bool DocumentSession::save() {
    if (!is_open()) return true;
    if (const std::optional<bool> settled = settle_changed_on_disk()) return *settled;
    const WriteStatus status = write_drawing(doc_.draw_file);
    if (status != WriteStatus::not_a_regular_file) return status == WriteStatus::written;
    // A link at the name would send the drawing into another file: it goes
    // under another name, when the user gives one.
    const std::string other =
        host_.choose_other_drawing_file({SessionIssue::drawing_not_a_file, doc_.draw_file, {}});
    return !other.empty() && save_as(other);
}

bool DocumentSession::save_as(const std::string& file) {
    if (!is_open()) return false;
    const std::string chosen = full_path(file);
    if (chosen == doc_.draw_file)
        if (const std::optional<bool> settled = settle_changed_on_disk()) return *settled;
    const std::string previous = doc_.draw_file;
    doc_.draw_file = chosen;
    if (const WriteStatus status = write_drawing(chosen); status != WriteStatus::written) {
        if (status == WriteStatus::not_a_regular_file)
            host_.tell({SessionIssue::drawing_not_a_file, chosen, {}});
        doc_.draw_file = previous;
        return false;
    }
    if (memory_) memory_->remember(recording_, chosen);
    return true;
}

fs::path DocumentSession::recovery_file() const {
    if (recording_.empty()) return {};
    return recovery_session_.copy_for(recording_);
}

void DocumentSession::recovery_tick(std::chrono::steady_clock::time_point now) {
    if (!is_open() || !doc_.drawing.modified) return;
    // A copy that could not be written is said once; the next change tries again.
    if (!recovery_writer_.last_write_failed()) {
        recovery_failure_told_ = false;
    } else if (!recovery_failure_told_) {
        recovery_failure_told_ = true;
        host_.tell({SessionIssue::recovery_not_written, recovery_file().string(), {}});
    }
    if (recovery_written_ && now - recovery_written_at_ < recovery_interval) return;
    // Built here, where the drawing lives; the writer gets its own copy.
    std::vector<std::uint8_t> bytes =
        build_draw_file(doc_.drawing, doc_.store.frame_count, doc_.channel_settings);
    if (bytes != recovery_bytes_ || !recovery_written_) {
        recovery_bytes_ = bytes;
        recovery_writer_.write(recovery_file(), std::move(bytes));
    }
    recovery_written_ = true;
    recovery_written_at_ = now;
}

void DocumentSession::drop_recovery() {
    if (recording_.empty()) return;
    recovery_writer_.remove(recovery_file());
    recovery_written_ = false;
    recovery_bytes_.clear();
}

void DocumentSession::offer_recovery() {
    recovery_writer_.flush(); // a removal asked for just now has happened
    const fs::path file = recovery_session_.left_copy(recording_);
    if (file.empty() || !recovery_is_newer(file, doc_.draw_file)) return;
    const DrawFileRead copy = read_draw_file(file.string(), doc_.store.frame_count);
    if (!copy.ok()) return; // left where it is
    switch (host_.ask_restore()) {
    case RecoveryAnswer::restore:
        doc_.midi.midi_off();
        apply_draw_file(copy.image, doc_.drawing, doc_.channel_settings);
        doc_.midi.set_midi_program();
        doc_.history.clear();
        doc_.drawing.modified = true; // restored, not saved
        host_.drawing_replaced();
        // This window's own copy holds it before the left one goes.
        recovery_tick(std::chrono::steady_clock::now());
        forget_left_copy(file);
        break;
    case RecoveryAnswer::discard:
        forget_left_copy(file);
        break;
    case RecoveryAnswer::later:
        break; // left where it is, for a later open
    }
}

void DocumentSession::forget_left_copy(const fs::path& copy) {
    recovery_writer_.remove(copy);
    recovery_session_.remove_left_lock(copy);
}

void DocumentSession::close() {
    drop_recovery();
    recovery_writer_.flush();
    open_lock_.release();
}

} // namespace pitkad
