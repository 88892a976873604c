#include "app/check_commands.h"

#include "analysis/band_tables.h"
#include "app/language.h"
#include "app/store_workers.h"
#include "base/translatable.h"
#include "control/document.h"
#include "control/suggested_notes.h"
#include "drawing/draw_history.h"

#include <QAction>
#include <QColor>
#include <QComboBox>
#include <QDialog>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace pitkad {

namespace {

// The outline of each verdict; the missing notes' is dotted.
constexpr Rgb weak_colour{255, 220, 0}, neighbour_colour{255, 140, 0}, octave_colour{255, 60, 220},
    missing_colour{0, 220, 255};

// What a flag says, after the note's name.
constexpr const char* weak_text = PITKAD_TR("PitkaD", "音が弱い");
constexpr const char* neighbour_text = PITKAD_TR("PitkaD", "半音ずれ");
constexpr const char* octave_text = PITKAD_TR("PitkaD", "オクターブ違い");
constexpr const char* missing_text = PITKAD_TR("PitkaD", "描かれていない音");
// The flag in hand: its number, the flags, the note, what it says, the
// confidence.
constexpr const char* flag_status = PITKAD_TR("PitkaD", "要確認 %1/%2: %3 %4 (確度 %5)");
constexpr const char* no_flags = PITKAD_TR("PitkaD", "要確認の箇所はありません");
// While the first check is worked out.
constexpr const char* checking_text = PITKAD_TR("PitkaD", "描画を録音と照合しています…");
// The list of flags: its title, its columns (start in seconds, note, what the
// flag says, confidence) and which flags it shows.
constexpr const char* list_title = PITKAD_TR("PitkaD", "要確認の一覧");
constexpr const char* list_columns[] = {PITKAD_TR("PitkaD", "秒"), PITKAD_TR("PitkaD", "音"),
                                        PITKAD_TR("PitkaD", "判定"), PITKAD_TR("PitkaD", "確度")};
constexpr const char* list_shows = PITKAD_TR("PitkaD", "表示する要確認:");
constexpr const char* list_filters[] = {PITKAD_TR("PitkaD", "すべて"),
                                        PITKAD_TR("PitkaD", "描いた音符"),
                                        PITKAD_TR("PitkaD", "描かれていない音の候補")};
// How long each flag's passage plays round before the next, at most.
constexpr int flag_rounds = 2;
// The passage played around a flag, before and after it.
constexpr int flag_margin_frames = 25;

// A flagged note's outline and what the status bar says of it.
struct Look {
    Rgb colour;
    const char* text;
};
Look look_of(NoteVerdict v) {
    switch (v) {
    case NoteVerdict::weak:
        return {weak_colour, weak_text};
    case NoteVerdict::neighbour:
        return {neighbour_colour, neighbour_text};
    case NoteVerdict::octave:
    case NoteVerdict::ok:
        break;
    }
    return {octave_colour, octave_text};
}

// A small square of a flag's outline colour, beside what it says.
QIcon swatch(Rgb c) {
    QPixmap square(10, 10);
    square.fill(QColor(c.r, c.g, c.b));
    return QIcon(square);
}

// A row of the list: sorted by time, note (pitch) or confidence as numbers,
// by what the flag says as text; it knows its flag's place in the check.
class FlagRow final : public QTreeWidgetItem {
public:
    FlagRow(int flag, double seconds, int band, double confidence)
        : flag_(flag), seconds_(seconds), band_(band), confidence_(confidence) {}
    int flag() const { return flag_; }
    // Ties go by time.
    bool operator<(const QTreeWidgetItem& other) const override {
        const auto& o = static_cast<const FlagRow&>(other);
        switch (treeWidget() ? treeWidget()->sortColumn() : 0) {
        case 1:
            if (band_ != o.band_) return band_ < o.band_;
            break;
        case 2:
            if (text(2) != o.text(2)) return text(2) < o.text(2);
            break;
        case 3:
            if (confidence_ != o.confidence_) return confidence_ < o.confidence_;
            break;
        }
        return seconds_ < o.seconds_;
    }

private:
    int flag_;
    double seconds_;
    int band_;
    double confidence_;
};

} // namespace

CheckCommands::CheckCommands(QWidget& window, QMenu& menu, Document& doc, StoreWorkers& workers,
                             Wiring wiring)
    : QObject(&menu), window_(window), doc_(doc), workers_(workers), wiring_(std::move(wiring)) {
    check_action_ = menu.addAction(PITKAD_TR("PitkaD", "描画を録音と照合 (&C)"));
    check_action_->setCheckable(true);
    check_action_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    connect(check_action_, &QAction::triggered, this, [this](bool on) { set_checking(on); });
    residual_action_ = menu.addAction(PITKAD_TR("PitkaD", "描かれていない音だけを表示 (&R)"));
    residual_action_->setCheckable(true);
    // Turned off, the residual is let go at once.
    connect(residual_action_, &QAction::triggered, this,
            [this](bool on) { on ? recheck(true) : refresh(true); });
    candidates_action_ = menu.addAction(PITKAD_TR("PitkaD", "描かれていない音の候補を表示 (&W)"));
    candidates_action_->setCheckable(true);
    candidates_action_->setChecked(true);
    connect(candidates_action_, &QAction::triggered, this, [this](bool on) { show_candidates(on); });
    menu.addSeparator();
    const struct {
        const char* text;
        QKeySequence key;
        std::function<void()> command;
    } items[] = {
        {PITKAD_TR("PitkaD", "要確認の一覧 (&I)"), QKeySequence(Qt::CTRL | Qt::Key_I),
         [this] { show_list(); }},
        {PITKAD_TR("PitkaD", "次の要確認箇所 (&N)"), QKeySequence(Qt::Key_F8), [this] { step(1); }},
        {PITKAD_TR("PitkaD", "前の要確認箇所 (&P)"), QKeySequence(Qt::SHIFT | Qt::Key_F8),
         [this] { step(-1); }},
        {PITKAD_TR("PitkaD", "提案どおりに直す (&F)"), QKeySequence(Qt::Key_F9), [this] { fix(); }},
        {PITKAD_TR("PitkaD", "半音上へ (&U)"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Up),
         [this] { move_note(1); }},
        {PITKAD_TR("PitkaD", "半音下へ (&D)"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Down),
         [this] { move_note(-1); }},
        {PITKAD_TR("PitkaD", "オクターブ上へ"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_PageUp),
         [this] { move_note(12); }},
        {PITKAD_TR("PitkaD", "オクターブ下へ"),
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_PageDown), [this] { move_note(-12); }},
        {PITKAD_TR("PitkaD", "音符を消す (&E)"),
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Delete), [this] { erase_note(); }},
        {PITKAD_TR("PitkaD", "描かれていない音を取り込む (&A)"),
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Insert), [this] { accept_missing(); }},
        {PITKAD_TR("PitkaD", "要確認箇所を順にループ再生 (&L)"), QKeySequence(Qt::Key_F10),
         [this] { play_flags(); }},
    };
    for (const auto& item : items) {
        QAction* a = menu.addAction(item.text);
        a->setShortcut(item.key);
        a->setEnabled(false);
        connect(a, &QAction::triggered, this, item.command);
        flag_actions_.push_back(a);
    }
    for (QAction* a : {residual_action_, candidates_action_}) {
        flag_actions_.push_back(a);
        a->setEnabled(false);
    }
}

CheckCommands::~CheckCommands() = default;

void CheckCommands::set_checking(bool on) {
    on = on && wiring_.recording_open();
    check_action_->setChecked(on);
    if (!on) {
        end_flag_playback();
        workers_.drop(StoreWorkers::Job::check);
        for (QAction* a : flag_actions_)
            a->setEnabled(false);
        session_.reset();
        kept_residual_ = {};
        current_.reset();
        marks_.clear();
        residual_action_->setChecked(false);
        if (list_window_) list_window_->hide();
        wiring_.write_graph();
        return;
    }
    if (checking() || workers_.running(StoreWorkers::Job::check)) return;
    start_check(true);
}

void CheckCommands::start_check(bool announce) {
    // A check of the drawing still under way on a worker holds the session
    // of the analysis given up: its result would bring that session back,
    // and while it runs the new one could not start.
    workers_.drop(StoreWorkers::Job::check);
    session_.reset();
    kept_residual_ = {};
    marks_.clear();
    for (QAction* a : flag_actions_)
        a->setEnabled(false);
    // The notes as drawn now; the drawing may change meanwhile, and the
    // check follows it once the session has come.
    workers_.run<std::unique_ptr<CheckSession>>(
        StoreWorkers::Job::check, tr_text(checking_text),
        [&doc = doc_, drawn = drawn_notes(doc_.drawing, doc_.store.frame_count),
         residual = residual_action_->isChecked()](const std::function<void()>& store_read) {
            std::optional<SpectrogramStore> copy;
            auto session = std::make_unique<CheckSession>(doc.analysed_levels(copy));
            store_read(); // the session has its own copy of the levels
            session->update(drawn, residual);
            return session;
        },
        [this, announce](std::unique_ptr<CheckSession> session) {
            session_ = std::move(session);
            for (QAction* a : flag_actions_)
                a->setEnabled(true);
            refresh(true);
            if (announce) wiring_.show_status(counts_text());
        });
}

void CheckCommands::analysis_changed() {
    if (!check_action_->isChecked()) return;
    if (!wiring_.recording_open()) {
        set_checking(false);
        return;
    }
    end_flag_playback();
    current_.reset();
    place_first_ = -1;
    start_check(false);
}

void CheckCommands::drawing_changed() {
    recheck(false);
}

void CheckCommands::recheck(bool force) {
    if (!checking()) return;
    if (doc_.store.frame_count >= recheck_on_worker_from)
        recheck_on_worker();
    else
        refresh(force);
}

void CheckCommands::recheck_on_worker() {
    const bool residual = residual_action_->isChecked();
    std::vector<DrawnNote> drawn = drawn_notes(doc_.drawing, doc_.store.frame_count);
    if (session_->current(drawn, residual)) return;
    // The residual shown stays until the worker's comes.
    if (residual) kept_residual_ = session_->take_residual();
    auto held = std::make_shared<std::unique_ptr<CheckSession>>(std::move(session_));
    const bool started = workers_.run<std::unique_ptr<CheckSession>>(
        StoreWorkers::Job::check, tr_text(checking_text),
        [held, drawn = std::move(drawn), residual](const std::function<void()>& store_read) {
            store_read(); // the session has its own copy of the levels
            (*held)->update(drawn, residual);
            return std::move(*held);
        },
        [this](std::unique_ptr<CheckSession> session) {
            session_ = std::move(session);
            kept_residual_ = {};
            show_check();
            drawing_changed(); // drawn on meanwhile
        });
    if (started) return;
    session_ = std::move(*held);
    kept_residual_ = {};
    refresh(true);
}

void CheckCommands::refresh(bool force) {
    if (!checking()) return;
    const bool changed =
        session_->update(doc_.drawing, doc_.store.frame_count, residual_action_->isChecked());
    if (changed || force) show_check();
}

void CheckCommands::show_check() {
    // The flag in hand stays while it is still flagged.
    if (current_) {
        const std::vector<CheckFlag> flags = shown_flags();
        const auto it = std::find_if(flags.begin(), flags.end(), [&](const CheckFlag& f) {
            return f.first == current_->first && f.band == current_->band &&
                   f.missing == current_->missing;
        });
        if (it == flags.end())
            current_.reset();
        else
            current_ = *it;
    }
    marks_.clear();
    for (const CheckFlag& f : shown_flags()) {
        const Rgb c = f.missing ? missing_colour
                                : look_of(session_->check().notes[f.index].finding.verdict).colour;
        marks_.push_back({f.first, f.end, f.band, c, f.missing, current_ && *current_ == f});
    }
    fill_list();
    wiring_.write_graph();
    // What the status bar says of the flags follows them (an undo, say),
    // unless something else has been said since.
    if (!status_.isEmpty() && wiring_.shown_status() == status_) show_current();
}

void CheckCommands::show_list() {
    if (!checking()) return;
    if (!list_window_) {
        list_window_ = new QDialog(&window_);
        list_window_->setWindowTitle(tr_text(list_title));
        list_filter_ = new QComboBox(list_window_);
        for (const char* text : list_filters)
            list_filter_->addItem(tr_text(text));
        list_ = new QTreeWidget(list_window_);
        list_->setRootIsDecorated(false);
        list_->setAllColumnsShowFocus(true);
        QStringList headers;
        for (const char* text : list_columns)
            headers << tr_text(text);
        list_->setHeaderLabels(headers);
        list_->setSortingEnabled(true);
        list_->sortByColumn(0, Qt::AscendingOrder);
        auto* filter_row = new QHBoxLayout;
        filter_row->addWidget(new QLabel(tr_text(list_shows), list_window_));
        filter_row->addWidget(list_filter_, 1);
        auto* layout = new QVBoxLayout(list_window_);
        layout->addLayout(filter_row);
        layout->addWidget(list_);
        list_window_->resize(460, 400);
        connect(list_filter_, &QComboBox::currentIndexChanged, this, [this] { fill_list(); });
        // A row chosen (double click or Enter) is the flag in hand.
        connect(list_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
            if (!checking() || !item) return;
            const auto& flags = session_->flags();
            const int at = static_cast<FlagRow*>(item)->flag();
            if (at < 0 || at >= int(flags.size())) return;
            take(flags[std::size_t(at)]);
        });
    }
    list_window_->show();
    list_window_->raise();
    fill_list();
}

void CheckCommands::fill_list() {
    if (!list_window_ || !list_window_->isVisible() || !checking()) return;
    const auto& flags = session_->flags();
    const int filter = list_filter_->currentIndex(); // 0 all, 1 drawn notes', 2 not drawn
    // Rows are added unsorted, then sorted once by the column the user chose.
    list_->setSortingEnabled(false);
    list_->clear();
    QTreeWidgetItem* in_hand = nullptr;
    for (std::size_t i = 0; i < flags.size(); ++i) {
        const CheckFlag& f = flags[i];
        if (!shown(f) || (filter == 1 && f.missing) || (filter == 2 && !f.missing)) continue;
        const float confidence = f.missing ? session_->check().missing[f.index].confidence
                                           : session_->check().notes[f.index].finding.confidence;
        const Look look = f.missing
                              ? Look{missing_colour, missing_text}
                              : look_of(session_->check().notes[f.index].finding.verdict);
        const double seconds = f.first * (frame_ms / 1000.0);
        auto* row = new FlagRow(int(i), seconds, f.band, double(confidence));
        row->setText(0, QString::number(seconds, 'f', 2));
        row->setText(1, QString::fromStdString(note_name_of(f.band)));
        row->setText(2, tr_text(look.text));
        row->setIcon(2, swatch(look.colour));
        row->setText(3, QString::number(double(confidence), 'f', 2));
        row->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
        row->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
        list_->addTopLevelItem(row);
        if (current_ && *current_ == f) in_hand = row;
    }
    list_->setSortingEnabled(true);
    for (int c = 0; c < list_->columnCount(); ++c)
        list_->resizeColumnToContents(c);
    if (in_hand) list_->setCurrentItem(in_hand);
}

const CheckedNote* CheckCommands::current_note() const {
    if (!checking() || !current_ || current_->missing) return nullptr;
    return &session_->check().notes[current_->index];
}

const MissingNote* CheckCommands::current_missing() const {
    if (!checking() || !current_ || !current_->missing) return nullptr;
    return &session_->check().missing[current_->index];
}

void CheckCommands::step(int direction) {
    if (!checking()) return;
    const std::vector<CheckFlag> flags = shown_flags();
    // From the flag in hand, or where the last one was, or the view's start.
    const int frame = current_            ? current_->first
                      : place_first_ >= 0 ? place_first_
                                          : doc_.view.first_frame - 1;
    const int band = current_ ? current_->band : place_band_;
    take(direction > 0 ? next_flag(flags, frame, band) : previous_flag(flags, frame, band));
}

void CheckCommands::take(std::optional<CheckFlag> flag) {
    current_ = flag;
    if (current_) {
        place_first_ = current_->first;
        place_band_ = current_->band;
        wiring_.show_frame(std::max(current_->first - 50, 0));
    }
    refresh(true);
    show_current();
}

void CheckCommands::show_current() {
    if (!current_) {
        status_ = checking() && !shown_flags().empty() ? counts_text() : tr_text(no_flags);
    } else {
        const std::vector<CheckFlag> flags = shown_flags();
        const auto number = std::find(flags.begin(), flags.end(), *current_) - flags.begin() + 1;
        const MissingNote* m = current_missing();
        const CheckedNote* n = current_note();
        status_ = tr_text(flag_status)
                      .arg(number)
                      .arg(flags.size())
                      .arg(QString::fromStdString(note_name_of(current_->band)),
                           tr_text(m ? missing_text : look_of(n->finding.verdict).text))
                      .arg(double(m ? m->confidence : n->finding.confidence), 0, 'f', 2);
    }
    wiring_.show_status(status_);
}

QString CheckCommands::counts_text() const {
    const auto& c = session_->check();
    const auto flagged = session_->flags().size() - c.missing.size();
    return tr_text(PITKAD_TR("PitkaD", "音符 %1、要確認 %2、描かれていない音 %3"))
        .arg(c.notes.size())
        .arg(flagged)
        .arg(c.missing.size());
}

bool CheckCommands::candidates_shown() const {
    return candidates_action_->isChecked();
}

void CheckCommands::show_candidates(bool on) {
    candidates_action_->setChecked(on);
    if (current_ && !shown(*current_)) current_.reset();
    // While a worker checks again, its session comes back shown this way.
    if (!checking()) return;
    show_check();
    show_current();
}

bool CheckCommands::shown(const CheckFlag& f) const {
    return !f.missing || candidates_action_->isChecked();
}

std::vector<CheckFlag> CheckCommands::shown_flags() const {
    std::vector<CheckFlag> flags;
    if (!session_) return flags;
    for (const CheckFlag& f : session_->flags())
        if (shown(f)) flags.push_back(f);
    return flags;
}

template <class Fn> void CheckCommands::edit(Fn fn) {
    record_step(&doc_.history, doc_.drawing, doc_.channel_settings, fn);
    refresh();
    // On to the next flag once this one is dealt with.
    if (!current_ && session_ && !shown_flags().empty()) {
        step(1);
        return;
    }
    show_current();
}

void CheckCommands::move_note(int semitones) {
    const CheckedNote* n = current_note();
    if (!n) return;
    const DrawnNote note = n->note;
    const int band = semitones == 0 ? n->finding.sounding_band : note.band + semitones;
    current_->band = place_band_ = band; // the flag in hand follows the note
    edit([&] { move_drawn_note(doc_.drawing, note, band); });
}

void CheckCommands::erase_note() {
    const CheckedNote* n = current_note();
    if (!n) return;
    const DrawnNote note = n->note;
    edit([&] { erase_drawn_note(doc_.drawing, note); });
}

void CheckCommands::accept_missing() {
    const MissingNote* m = current_missing();
    if (!m) return;
    const SuggestedNote note{m->first, m->end, m->band};
    const int colour = wiring_.colour();
    edit([&] { place_suggested_note(doc_.drawing, doc_.store.frame_count, note, colour); });
}

void CheckCommands::fix() {
    if (current_missing()) return accept_missing();
    const CheckedNote* n = current_note();
    if (!n) return step(1);
    if (n->finding.verdict == NoteVerdict::weak) return erase_note();
    move_note(0);
}

void CheckCommands::play_flags() {
    if (!checking()) return;
    if (!current_) step(1);
    if (!current_) return;
    const int first = std::max(current_->first - flag_margin_frames, 0);
    const int end = std::min(current_->end + flag_margin_frames, doc_.store.frame_count);
    if (!user_loop_) user_loop_ = doc_.practice_loop;
    wiring_.loop(first, end);
    flag_loop_ = doc_.practice_loop;
    // The next flag's passage once this one has played round.
    const double speed = std::max(doc_.practice.speed, 0.25);
    const int ms =
        int(flag_rounds * ((end - first) * frame_ms / speed + doc_.practice.loop_pause * 1000));
    const CheckFlag playing = *current_;
    QTimer::singleShot(ms, this, [this, playing, round = ++flag_round_] {
        if (round != flag_round_ || !user_loop_) return; // played again since, or ended
        if (!checking() || !current_ || !(*current_ == playing) || !wiring_.playing())
            return end_flag_playback();
        step(1);
        play_flags();
    });
}

void CheckCommands::end_flag_playback() {
    if (!user_loop_) return;
    const LoopMs loop = *std::exchange(user_loop_, std::nullopt);
    if (doc_.practice_loop == flag_loop_) wiring_.restore_loop(loop);
}

} // namespace pitkad
