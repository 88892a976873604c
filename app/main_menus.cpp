#include "app/main_menus.h"

#include "app/app_texts.h"
#include "app/drawing_texts.h"
#include "app/file_choice.h"
#include "base/translatable.h"
#include "control/settings_file.h"
#include "view/view_layout.h"

#include <QAction>
#include <QActionGroup>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

#include <tuple>

namespace pitkad {

namespace {

QString q(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

} // namespace

MainMenus::MainMenus(QMainWindow& window) : QObject(&window) {
    QMenuBar* bar = window.menuBar();
    build_file_menu(bar);
    build_edit_menu(bar);
    build_view_menu(bar);
    build_zoom_menu(bar);
    check_menu = bar->addMenu(PITKAD_TR("PitkaD", "照合 (&K)"));
    build_other_menus(bar);
}

void MainMenus::build_zoom_menu(QMenuBar* bar) {
    zoom_menu = bar->addMenu(PITKAD_TR("PitkaD", "ズーム (&Z)"));
    const auto item = [this](const char* caption, QList<QKeySequence> keys) {
        QAction* a = zoom_menu->addAction(caption);
        a->setShortcuts(keys);
        return a;
    };
    zoom_in_action = item(PITKAD_TR("PitkaD", "時間軸を拡大 (&I)"),
                          {QKeySequence(Qt::CTRL | Qt::Key_Equal), QKeySequence(Qt::CTRL | Qt::Key_Plus)});
    zoom_out_action = item(PITKAD_TR("PitkaD", "時間軸を縮小 (&O)"),
                           {QKeySequence(Qt::CTRL | Qt::Key_Minus)});
    fit_action = item(PITKAD_TR("PitkaD", "曲全体を表示 (&W)"), {QKeySequence(Qt::CTRL | Qt::Key_0)});
    zoom_menu->addSeparator();
    taller_rows_action = item(PITKAD_TR("PitkaD", "行を高く (&T)"), {QKeySequence(Qt::CTRL | Qt::Key_Up)});
    lower_rows_action = item(PITKAD_TR("PitkaD", "行を低く (&L)"), {QKeySequence(Qt::CTRL | Qt::Key_Down)});
    zoom_menu->addSeparator();
    home_action = item(PITKAD_TR("PitkaD", "先頭へ (&S)"), {QKeySequence(Qt::Key_Home)});
    end_action = item(PITKAD_TR("PitkaD", "末尾へ (&E)"), {QKeySequence(Qt::Key_End)});
}

void MainMenus::build_file_menu(QMenuBar* bar) {
    file_menu = bar->addMenu(PITKAD_TR("PitkaD", "ファイル(&F)"));
    open_action = file_menu->addAction(PITKAD_TR("PitkaD", "開く (&O)"));
    open_action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    recent_menu = file_menu->addMenu(PITKAD_TR("PitkaD", "最近使ったファイル"));
    recent_menu->setToolTipsVisible(true); // an item's tooltip is its full path
    static_assert(std::tuple_size_v<decltype(recent_actions)> == max_recent_files);
    for (int i = 0; i < max_recent_files; ++i)
        recent_actions[std::size_t(i)] = recent_menu->addAction(QString());
    save_drawing_action = file_menu->addAction(PITKAD_TR("PitkaD", "保存"));
    save_drawing_action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    save_drawing_as_action = file_menu->addAction(q(drawing_texts::save_as));
    // Application-wide, as undo and redo are, so that the keys also work
    // while the drawing-tool window is active. The key map leaves Ctrl+O and
    // Ctrl+S to these items.
    for (QAction* a : {open_action, save_drawing_action})
        a->setShortcutContext(Qt::ApplicationShortcut);
    save_drawing_action->setEnabled(false);
    save_drawing_as_action->setEnabled(false);
    file_menu->addSeparator();
    export_midi_action = file_menu->addAction(texts::export_midi_item);
    import_midi_action = file_menu->addAction(texts::import_midi_item);
    export_image_action = file_menu->addAction(texts::export_image_item);
    export_csv_action = file_menu->addAction(texts::export_csv_item);
    for (QAction* a :
         {export_midi_action, import_midi_action, export_image_action, export_csv_action})
        a->setEnabled(false);
    file_menu->addSeparator();
    save_settings_action = file_menu->addAction(PITKAD_TR("PitkaD", "設定を保存 (&S)"));
    exit_action = file_menu->addAction(PITKAD_TR("PitkaD", "終了 (&X)"));
}

void MainMenus::build_edit_menu(QMenuBar* bar) {
    // Application-wide, so that the keys also work while the drawing-tool
    // window is active. None of Z and Y is in the key map, with or without
    // Ctrl and Shift, so nothing else answers these keys.
    edit_menu = bar->addMenu(texts::edit_menu);
    undo_action = edit_menu->addAction(texts::undo_item);
    undo_action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    redo_action = edit_menu->addAction(texts::redo_item);
    redo_action->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    edit_menu->addSeparator();
    // The key map leaves Ctrl+X, Ctrl+C and Ctrl+V to these items (V alone
    // replays from the line). A focused text box takes its own.
    cut_action = edit_menu->addAction(PITKAD_TR("PitkaD", "切り取り (&T)"));
    cut_action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    copy_action = edit_menu->addAction(PITKAD_TR("PitkaD", "コピー (&C)"));
    copy_action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    paste_action = edit_menu->addAction(PITKAD_TR("PitkaD", "貼り付け (&P)"));
    paste_action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    for (QAction* a : {undo_action, redo_action, cut_action, copy_action, paste_action}) {
        a->setShortcutContext(Qt::ApplicationShortcut);
        a->setEnabled(false);
    }
    // Items that act on an open recording: disabled until one is open.
    auto item = [this](const char* text) {
        QAction* a = edit_menu->addAction(text);
        a->setEnabled(false);
        return a;
    };
    edit_menu->addSeparator();
    meter_action = item(texts::meter_item);
    key_action = item(texts::key_item);
    edit_menu->addSeparator();
    suggest_beats_action = item(texts::suggest_beats_item);
    accept_beats_action = item(texts::accept_beats_item);
    clear_beats_action = item(texts::clear_beats_item);
    suggest_harmony_action = item(texts::suggest_harmony_item);
    clear_harmony_action = item(texts::clear_harmony_item);
    edit_menu->addSeparator();
    suggest_notes_action = item(texts::suggest_notes_item);
    accept_notes_action = item(texts::accept_notes_item);
    clear_notes_action = item(texts::clear_notes_item);
}

void MainMenus::build_view_menu(QMenuBar* bar) {
    view_menu = bar->addMenu(PITKAD_TR("PitkaD", "表示 (&V)"));
    auto checkable = [](QMenu* menu, const char* caption, bool enabled, bool checked) {
        QAction* a = menu->addAction(caption);
        a->setCheckable(true);
        a->setChecked(checked);
        a->setEnabled(enabled);
        return a;
    };
    loudness_action =
        checkable(view_menu, PITKAD_TR("PitkaD", "ラウドネス補正 (&A)"), false, false);
    note_colours_action =
        checkable(view_menu, PITKAD_TR("PitkaD", "音階色別表示 (&C)"), false, false);
    view_menu->addSeparator();
    left_labels_action =
        checkable(view_menu, PITKAD_TR("PitkaD", "音階表示 - 左 (&L)"), false, true);
    right_labels_action =
        checkable(view_menu, PITKAD_TR("PitkaD", "音階表示 - 右 (&R)"), false, false);
    view_menu->addSeparator();
    // The hint reads these two when it is next built; nothing to redraw.
    hint_frequency_action = checkable(view_menu, PITKAD_TR("PitkaD", "周波数 (&F)"), true, false);
    hint_note_number_action =
        checkable(view_menu, PITKAD_TR("PitkaD", "ノート番号 (&N)"), true, false);
    view_menu->addSeparator();
    time_in_seconds_action =
        checkable(view_menu, PITKAD_TR("PitkaD", "時間を秒で表示 (&T)"), true, false);
    view_menu->addSeparator();
    analysis_channel_menu = view_menu->addMenu(PITKAD_TR("PitkaD", "解析するチャンネル"));
    analysis_channel_menu->setEnabled(false);
    auto* channel_group = new QActionGroup(this);
    const std::array<const char*, 3> channel_names{PITKAD_TR("PitkaD", "1 チャンネル目 (左)"),
                                                   PITKAD_TR("PitkaD", "2 チャンネル目 (右)"),
                                                   PITKAD_TR("PitkaD", "中央 (左右の平均)")};
    for (std::size_t i = 0; i < channel_names.size(); ++i) {
        QAction* a = checkable(analysis_channel_menu, channel_names[i], true, i == 0);
        channel_group->addAction(a);
        analysis_channel_actions[i] = a;
    }
    reference_menu = view_menu->addMenu(PITKAD_TR("PitkaD", "解析の基準音 (A4)"));
    reference_menu->setEnabled(false);
    view_menu->addSeparator();
    // Named in both languages, so that either reader finds it.
    language_menu = view_menu->addMenu(PITKAD_TR("PitkaD", "言語 / Lan&guage"));
    auto* language_group = new QActionGroup(this);
    const std::array<const char*, 2> language_names{PITKAD_TR("PitkaD", "日本語"), "English"};
    for (std::size_t i = 0; i < language_names.size(); ++i) {
        QAction* a = language_menu->addAction(language_names[i]);
        a->setCheckable(true);
        language_group->addAction(a);
        language_actions[i] = a;
    }
}

void MainMenus::build_other_menus(QMenuBar* bar) {
    line_width_menu = bar->addMenu(PITKAD_TR("PitkaD", "ライン幅 (&L)"));
    auto* line_width_group = new QActionGroup(this);
    // A row height between the presets (the zoom menu) checks none.
    line_width_group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (int n = min_line_width; n <= max_line_width; ++n) {
        QAction* a = line_width_menu->addAction(QString::number(n));
        a->setCheckable(true);
        a->setEnabled(n == min_line_width);
        line_width_group->addAction(a);
        line_width_actions[std::size_t(n)] = a;
    }

    drawing_tools_menu = bar->addMenu(PITKAD_TR("PitkaD", "描画ツール (&D)"));
    show_drawing_tools_action = drawing_tools_menu->addAction(PITKAD_TR("PitkaD", "表示 (&V)"));

    midi_menu = bar->addMenu(PITKAD_TR("PitkaD", "MIDI (&M)"));
    midi_settings_action = midi_menu->addAction(PITKAD_TR("PitkaD", "設定 (&S)"));
    midi_settings_action->setEnabled(false);

    help_menu = bar->addMenu(PITKAD_TR("PitkaD", "ヘルプ(&H)"));
    support_page_action = help_menu->addAction(PITKAD_TR("PitkaD", "サポートページ (&S)"));
    about_action = help_menu->addAction(PITKAD_TR("PitkaD", "バージョン情報 (&A)"));
}

void MainMenus::show_recent_files(const QStringList& files) {
    const QStringList captions = recent_file_captions(files);
    for (qsizetype i = 0; i < qsizetype(recent_actions.size()); ++i) {
        QAction* item = recent_actions[std::size_t(i)];
        item->setVisible(i < files.size());
        if (i >= files.size()) continue;
        item->setText(captions[i]);
        item->setToolTip(files[i]);
        item->setStatusTip(files[i]);
    }
    recent_menu->menuAction()->setEnabled(!files.isEmpty());
}

void MainMenus::set_recording_open(bool open) {
    for (QAction* a : {export_midi_action, import_midi_action, export_image_action,
                       export_csv_action, cut_action, copy_action, paste_action, meter_action,
                       key_action, suggest_beats_action, accept_beats_action, clear_beats_action})
        a->setEnabled(open);
    suggest_harmony_action->setEnabled(open);
    clear_harmony_action->setEnabled(open);
    for (QAction* a : {suggest_notes_action, accept_notes_action, clear_notes_action})
        a->setEnabled(open);
    analysis_channel_menu->setEnabled(open);
    reference_menu->setEnabled(open);
}

void MainMenus::show_analysis_channel(AnalysisChannel channel) {
    analysis_channel_actions[std::size_t(channel)]->setChecked(true);
}

void MainMenus::store_view_options(Settings& s) const {
    s.loudness = loudness_action->isChecked();
    s.grouping_color = note_colours_action->isChecked();
    s.left_note = left_labels_action->isChecked();
    s.right_note = right_labels_action->isChecked();
    s.help_freq = hint_frequency_action->isChecked();
    s.help_note = hint_note_number_action->isChecked();
    s.time_in_seconds = time_in_seconds_action->isChecked();
}

void MainMenus::apply_view_options(const Settings& s) {
    loudness_action->setChecked(s.loudness);
    note_colours_action->setChecked(s.grouping_color);
    left_labels_action->setChecked(s.left_note);
    right_labels_action->setChecked(s.right_note);
    hint_frequency_action->setChecked(s.help_freq);
    hint_note_number_action->setChecked(s.help_note);
    time_in_seconds_action->setChecked(s.time_in_seconds);
}

} // namespace pitkad
