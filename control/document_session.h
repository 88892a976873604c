#pragma once
// The life of the open recording and its drawing: which drawing file belongs
// to the recording (beside it, or where "save as" put it), reading it at an
// open, saving, saving under another name, the crash-recovery copy, and what
// happens to unsaved changes before the recording is given up. Questions and
// notices go through SessionHost, which the main window implements and tests
// fake; no texts are worded here. UI thread only.

#include "base/file_lock.h"
#include "control/document.h"
#include "drawing/draw_file.h"
#include "drawing/recovery_copy.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace pitkad {

// What the user is told about; the window words it.
enum class SessionIssue {
    // The drawing file exists but could not be read (`read` says why). The
    // recording opens with an empty drawing; the file is kept.
    drawing_unreadable,
    // The drawing file was read but made for another frame count: it was
    // cut or padded to the recording's (`read` has both counts); or its
    // annotations were damaged and left out.
    drawing_resized,
    // A save failed (detail: the reason); nothing was changed.
    drawing_not_written,
    // The load command found no drawing file.
    drawing_not_found,
    // The recovery copy (`path`) could not be written: unsaved work is not
    // kept against a crash. Told once until a copy is written again.
    recovery_not_written,
    // Before a save replaced a drawing file that could not be read or was
    // cut, that file was kept as `path`.
    drawing_kept,
    // A save was refused because something other than a regular file is at
    // the drawing file's name (a link, a pipe, a device): it is never
    // written through. Nothing was changed.
    drawing_not_a_file,
    // The recording (`path`) is open in another window too: whichever saves
    // later replaces the other's save. It opens all the same.
    recording_open_elsewhere,
    // The drawing file (`path`) was changed by another program or window
    // since it was read or saved here; the reason for choosing another name.
    drawing_changed_on_disk,
};

struct SessionNotice {
    SessionIssue issue;
    std::string path;   // the file the notice is about
    std::string detail; // the reason, when there is one
    // The drawing file's reading, for drawing_unreadable and drawing_resized.
    DrawFileRead read{};
};

enum class UnsavedAnswer { save, discard, cancel };
enum class RecoveryAnswer { restore, discard, later };
enum class ChangedAnswer { overwrite, save_as, reload, cancel };

class SessionHost {
  public:
    virtual ~SessionHost() = default;
    // The drawing has unsaved changes and is about to be given up.
    virtual UnsavedAnswer ask_unsaved() = 0;
    // A recovery copy newer than the drawing file was found at an open.
    virtual RecoveryAnswer ask_restore() = 0;
    virtual void tell(const SessionNotice& notice) = 0;
    // A save would replace a drawing file that changed on disk since it was
    // read or saved here: write it anyway, under another name, read the
    // file again (the unsaved drawing goes), or save nothing.
    virtual ChangedAnswer ask_changed_on_disk(const std::string& file) = 0;
    // A save to the drawing file was refused (`why`: drawing_not_a_file), or
    // the user chose another name for a file changed on disk (`why`:
    // drawing_changed_on_disk): the name of another file to save to, which
    // is then remembered as by save_as, or empty to save nothing. Without an
    // answer, `why` is told.
    virtual std::string choose_other_drawing_file(const SessionNotice& why) {
        tell(why);
        return {};
    }
    // The drawing was written to its file, or replaced by a file's content.
    virtual void drawing_saved() {}
    virtual void drawing_replaced() {}
};

// Where a drawing saved under another name is remembered for its recording
// (the settings file's [DrawingFiles]); both take full paths.
class DrawingFileMemory {
  public:
    virtual ~DrawingFileMemory() = default;
    virtual std::string drawing_file_for(const std::string& recording) = 0;
    virtual bool remember(const std::string& recording, const std::string& drawing_file) = 0;
};

class DocumentSession {
  public:
    // `recovery` names this window's recovery copies and takes the locks of
    // the recordings it opens; it outlives the session. `memory` may be
    // null: drawings are then always beside their recording.
    DocumentSession(Document& doc, SessionHost& host, RecoverySession& recovery,
                    DrawingFileMemory* memory = nullptr);
    DocumentSession(const DocumentSession&) = delete;
    DocumentSession& operator=(const DocumentSession&) = delete;

    bool is_open() const { return !recording_.empty(); }
    // The open recording's full path; empty while none is open.
    const std::string& recording() const { return recording_; }
    const std::string& drawing_file() const { return doc_.draw_file; }
    // The drawing differs from its file.
    bool modified() const { return is_open() && doc_.drawing.modified; }

    // Before the open recording is given up (another one opens, the program
    // closes): an unsaved drawing is asked about and saved or discarded.
    // False when the user cancelled or the save failed; nothing changed then.
    bool settle_unsaved();

    // Makes a staged recording the open one: the store is taken, the drawing
    // file chosen and read, and a newer recovery copy that no running window
    // owns offered. When another window has the recording open, that is
    // told. The caller has settled the old drawing and reset what plays it.
    void adopt(const std::filesystem::path& recording, SpectrogramStore&& staged);
    // A fresh analysis of the open recording (another channel or reference
    // pitch) taken in place of its levels, the drawing and its undo history
    // kept. False, and nothing taken, when `recording` is not the open one
    // or the analysis is shorter than what is drawn: it is then adopted as
    // any recording is.
    bool take_reanalysis(const std::filesystem::path& recording, SpectrogramStore& staged);

    // Saves to the drawing file; false (told) when it failed. When the
    // drawing file's name holds anything but a regular file, the host is
    // asked for another file and the drawing is saved there as by save_as.
    // When the file changed on disk since it was read or saved here (its
    // size, time or place differ and its content does too), the host is
    // asked first; false unless that ends in a save.
    bool save();
    // Saves to `file` and remembers it for the recording: it opens from
    // there, and later saves go there. False (told) when the save failed;
    // the drawing file is then the one it was. Onto the drawing file
    // itself, a change on disk is asked about as by save().
    bool save_as(const std::string& file);
    // The load command: reads the drawing file again, after settling an
    // unsaved drawing. False when nothing was read.
    bool reload();

    // Crash recovery: while the drawing has unsaved changes, a copy of what
    // its file would hold is written at once after a save or an open, then
    // at most every `recovery_interval`. Saving, discarding and close()
    // remove it. Each window writes and removes only its own copies.
    void recovery_tick(std::chrono::steady_clock::time_point now);
    std::chrono::milliseconds recovery_interval{30000};
    // This window's recovery copy of the open recording; empty while none
    // is open.
    std::filesystem::path recovery_file() const;
    RecoveryWriter& recovery_writer() { return recovery_writer_; }

    // The normal end of the session: the recovery copy goes (whatever was to
    // be kept has been saved or discarded), pending writes finish and the
    // recording is no longer marked open here.
    void close();

  private:
    // Reads the drawing file into the drawing; tells why when it cannot.
    bool read_drawing(bool at_open);
    void offer_recovery();
    void drop_recovery();
    // A copy left by another window, restored or discarded, goes.
    void forget_left_copy(const std::filesystem::path& copy);
    // What identifies the drawing file's content as read or saved here.
    struct FileStamp {
        bool exists = false;
        std::uint64_t device = 0, inode = 0, size = 0;
        std::int64_t mtime_ns = 0;
        bool regular = false;
        bool hashed = false; // a regular file we could read
        std::uint64_t hash = 0;
    };
    static FileStamp stamp_of(const std::string& file);
    void remember_drawing_file() { drawing_stamp_ = stamp_of(doc_.draw_file); }
    // Whether the drawing file's content is no longer what was read or
    // saved here; one only touched is remembered with its new stamp.
    bool changed_on_disk();
    // Before a save onto the drawing file: nullopt to write it, or the
    // save's result after the host's other answer.
    std::optional<bool> settle_changed_on_disk();
    // Before a file that could not be read, or was cut, is replaced: it is
    // kept beside itself under a name not in use.
    void keep_protected_file(const std::string& file);
    // Saves to `file`; tells a failure, not a refusal (not_a_regular_file),
    // which the callers handle.
    WriteStatus write_drawing(const std::string& file);

    Document& doc_;
    SessionHost& host_;
    RecoverySession& recovery_session_;
    DrawingFileMemory* memory_;
    std::string recording_;
    // Held while the recording is open here.
    FileLock open_lock_;
    FileStamp drawing_stamp_;
    // A drawing file whose content the open drawing does not hold whole: it
    // is kept aside before the first save replaces it.
    std::string protected_file_;
    RecoveryWriter recovery_writer_;
    bool recovery_written_ = false;
    bool recovery_failure_told_ = false;
    std::chrono::steady_clock::time_point recovery_written_at_{};
    std::vector<std::uint8_t> recovery_bytes_;
};

} // namespace pitkad
