#include "app/section_tools.h"

#include "app/language.h"
#include "app/view_navigator.h"
#include "audio/media_player.h"
#include "base/translatable.h"
#include "control/edit_commands.h"
#include "control/playback_units.h"
#include "control/practice_controller.h"
#include "control/transport.h"
#include "drawing/midi_file.h"

#include <QAction>
#include <QInputDialog>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace pitkad {

namespace {

namespace t {
inline constexpr const char* menu = PITKAD_TR("PitkaD", "区間 (&S)");
inline constexpr const char* add = PITKAD_TR("PitkaD", "マーカーを追加 (&A)\tM");
inline constexpr const char* rename = PITKAD_TR("PitkaD", "マーカーの名前を変更... (&R)");
inline constexpr const char* remove = PITKAD_TR("PitkaD", "マーカーを削除 (&D)");
inline constexpr const char* next = PITKAD_TR("PitkaD", "次のマーカー (&N)\tCtrl+→");
inline constexpr const char* previous = PITKAD_TR("PitkaD", "前のマーカー (&P)\tCtrl+←");
inline constexpr const char* loop_section = PITKAD_TR("PitkaD", "区間をループ (&L)");
inline constexpr const char* loop_bar = PITKAD_TR("PitkaD", "小節をループ (&B)");
inline constexpr const char* loop_beats = PITKAD_TR("PitkaD", "N 拍をループ... (&T)");
// A new marker's name; %1 is its number.
inline constexpr const char* new_name = PITKAD_TR("PitkaD", "区間 %1");
inline constexpr const char* name_title = PITKAD_TR("PitkaD", "マーカーの名前");
inline constexpr const char* name_label = PITKAD_TR("PitkaD", "名前:");
inline constexpr const char* beats_title = PITKAD_TR("PitkaD", "N 拍をループ");
inline constexpr const char* beats_label = PITKAD_TR("PitkaD", "ループする拍の数 (線の間隔):");
} // namespace t

// While playing, a marker passed less than this long ago is skipped by
// "previous", so that pressing it twice goes on back.
constexpr int previous_grace_frames = 25;

std::string utf8(const QString& s) {
    return s.toUtf8().toStdString();
}

} // namespace

SectionTools::SectionTools(QMainWindow& window, QAction* menu_before, Document& doc,
                           Transport& transport, MediaPlayer& player, PracticeController& practice,
                           ViewNavigator& navigator, std::function<void()> redraw)
    : QObject(&window), doc_(doc), transport_(transport), player_(player), practice_(practice),
      navigator_(navigator), redraw_(std::move(redraw)),
      markers_(doc.drawing, doc.channel_settings, &doc.history) {
    menu = new QMenu(t::menu, &window);
    window.menuBar()->insertMenu(menu_before, menu);
    auto item = [this](const char* caption, auto handler) {
        return menu->addAction(caption, this, handler);
    };
    add_action = item(t::add, [this] { add_marker(); });
    rename_action = item(t::rename, [this] { rename_marker(); });
    delete_action = item(t::remove, [this] { delete_marker(); });
    menu->addSeparator();
    next_action = item(t::next, [this] { go_next(); });
    previous_action = item(t::previous, [this] { go_previous(); });
    menu->addSeparator();
    loop_section_action = item(t::loop_section, [this] { loop_section(); });
    loop_bar_action = item(t::loop_bar, [this] { loop_bar(); });
    loop_beats_action = item(t::loop_beats, [this] { loop_beats(); });
    connect(menu, &QMenu::aboutToShow, this, [this] { enable_items(); });
    enable_items();

    ask_name = [&window](const QString& name) -> std::optional<QString> {
        bool ok = false;
        const QString chosen = QInputDialog::getText(
            &window, tr_text(t::name_title), tr_text(t::name_label), QLineEdit::Normal, name, &ok);
        if (!ok) return std::nullopt;
        return chosen;
    };
    ask_beats = [&window](int beats) -> std::optional<int> {
        bool ok = false;
        const int n = QInputDialog::getInt(&window, tr_text(t::beats_title),
                                           tr_text(t::beats_label), beats, 1, 256, 1, &ok);
        if (!ok) return std::nullopt;
        return n;
    };
}

bool SectionTools::recording_open() const {
    return transport_.state() != PlayState::no_recording && doc_.store.frame_count > 0;
}

void SectionTools::enable_items() {
    const bool open = recording_open();
    const DrawAnnotations& a = doc_.drawing.annotations;
    const bool any = open && !a.markers.empty();
    const bool at = open && marker_at_or_before(a, position_frame()) >= 0;
    add_action->setEnabled(open);
    rename_action->setEnabled(at);
    delete_action->setEnabled(at);
    for (QAction* item : {next_action, previous_action, loop_section_action})
        item->setEnabled(any);
    loop_bar_action->setEnabled(open);
    loop_beats_action->setEnabled(open);
}

int SectionTools::position_frame() const {
    const PlayState s = transport_.state();
    return paste_frame(s, cursor_shown(s) ? player_.position() / frame_ms : 0,
                       transport_.start_mark(), transport_.shown_frame());
}

void SectionTools::changed(bool ran) {
    if (ran && redraw_) redraw_();
}

void SectionTools::add_marker() {
    if (!recording_open()) return;
    const std::string name = new_marker_name(doc_.drawing.annotations, utf8(tr_text(t::new_name)));
    changed(markers_.add(position_frame(), name, doc_.store.frame_count) >= 0);
}

void SectionTools::rename_marker() {
    if (recording_open())
        rename_marker(marker_at_or_before(doc_.drawing.annotations, position_frame()));
}

void SectionTools::rename_marker(int index) {
    const auto all = markers_.markers();
    if (index < 0 || index >= int(all.size()) || !ask_name) return;
    const std::optional<QString> name =
        ask_name(QString::fromStdString(all[std::size_t(index)].name));
    if (!name) return;
    changed(markers_.rename(index, utf8(name->trimmed())));
}

void SectionTools::delete_marker() {
    if (!recording_open()) return;
    changed(markers_.remove(marker_at_or_before(doc_.drawing.annotations, position_frame())));
}

void SectionTools::move_marker(int index, int frame) {
    if (recording_open()) changed(markers_.move(index, frame, doc_.store.frame_count) >= 0);
}

void SectionTools::go_next() {
    if (!recording_open()) return;
    if (const auto f = next_marker_frame(doc_.drawing.annotations, position_frame()))
        navigator_.go_to(*f);
}

void SectionTools::go_previous() {
    if (!recording_open()) return;
    const int grace = transport_.state() == PlayState::playing ? previous_grace_frames : 0;
    if (const auto f = previous_marker_frame(doc_.drawing.annotations, position_frame(), grace))
        navigator_.go_to(*f);
}

void SectionTools::set_loop(const std::optional<LoopMs>& loop) {
    if (loop) practice_.set(doc_.practice, *loop);
}

void SectionTools::loop_section() {
    const int ms = practice_.position_ms();
    if (ms >= 0)
        set_loop(section_loop(doc_.drawing.annotations, ms / frame_ms, doc_.store.frame_count));
}

void SectionTools::loop_bar() {
    const int ms = practice_.position_ms();
    if (ms < 0) return;
    const std::vector<LineCount> lines =
        count_lines(doc_.drawing, doc_.store.frame_count, MidiExportOptions{});
    set_loop(bar_loop(lines, ms / frame_ms, doc_.store.frame_count));
}

void SectionTools::loop_beats() {
    if (practice_.position_ms() < 0 || !ask_beats) return;
    if (const std::optional<int> n = ask_beats(beats_)) loop_beats(*n);
}

void SectionTools::loop_beats(int beats) {
    const int ms = practice_.position_ms();
    if (ms < 0 || beats < 1) return;
    beats_ = beats;
    set_loop(beats_loop(doc_.drawing, ms / frame_ms, doc_.store.frame_count, beats));
}

bool SectionTools::run_key(int key, bool alt, bool ctrl, bool shift) {
    const SectionKey k = section_key(key, alt, ctrl, shift);
    if (k.nudge) {
        // The key is this one's even when the loop stays as it is, so that
        // it does not go on to transpose.
        if (const auto loop =
                nudge_loop(doc_.practice_loop, *k.nudge, doc_.drawing, doc_.store.frame_count);
            loop && recording_open())
            practice_.set(doc_.practice, *loop);
        return true;
    }
    if (!k.command) return false;
    switch (*k.command) {
    case SectionCommand::add_marker:
        add_marker();
        break;
    case SectionCommand::next_marker:
        go_next();
        break;
    case SectionCommand::previous_marker:
        go_previous();
        break;
    }
    return true;
}

} // namespace pitkad
