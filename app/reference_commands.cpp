#include "app/reference_commands.h"

#include "app/app_texts.h"
#include "app/language.h"
#include "app/open_commands.h"
#include "app/session_messages.h"
#include "app/status_texts.h"
#include "control/suggestions.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include <cmath>
#include <future>

namespace pitkad {

namespace {

namespace rt {
constexpr const char* estimate_item = PITKAD_TR("PitkaD", "録音から推定...");
constexpr const char* frequency_item = PITKAD_TR("PitkaD", "周波数を指定...");
constexpr const char* play_standard_item = PITKAD_TR("PitkaD", "録音を A4 = 440 Hz に合わせて再生");
constexpr const char* estimating = PITKAD_TR("PitkaD", "録音の調律を推定しています…");
constexpr const char* sharp_offer =
    PITKAD_TR("PitkaD", "この録音は %1 セント高く調律されています。A4 = %2 Hz で解析しますか?");
constexpr const char* flat_offer =
    PITKAD_TR("PitkaD", "この録音は %1 セント低く調律されています。A4 = %2 Hz で解析しますか?");
constexpr const char* in_tune = PITKAD_TR("PitkaD", "この録音は A4 = %1 Hz で解析されています。");
constexpr const char* standard_tuning =
    PITKAD_TR("PitkaD", "この録音は A4 = 440 Hz に合っています。");
constexpr const char* standard_offer =
    PITKAD_TR("PitkaD", "この録音は A4 = 440 Hz に合っています。A4 = 440 Hz で解析しますか?");
constexpr const char* no_estimate = PITKAD_TR("PitkaD", "この録音の調律は推定できませんでした。");
constexpr const char* analyse_button = PITKAD_TR("PitkaD", "解析する");
constexpr const char* frequency_title = PITKAD_TR("PitkaD", "解析の基準音");
constexpr const char* frequency_label = PITKAD_TR("PitkaD", "A4 の周波数 (Hz):");
} // namespace rt

QString hz_text(AnalysisReference r) {
    return QString::fromStdString(reference_text(r));
}

} // namespace

ReferenceCommands::ReferenceCommands(QWidget& window, QMenu& menu, OpenCommands& opener,
                                     Wiring wiring)
    : QObject(&window), window_(window), opener_(opener), wiring_(std::move(wiring)) {
    auto* group = new QActionGroup(this);
    standard_action_ = menu.addAction(QStringLiteral("A4 = 440 Hz"));
    current_action_ = menu.addAction(QString());
    for (QAction* a : {standard_action_, current_action_}) {
        a->setCheckable(true);
        group->addAction(a);
    }
    standard_action_->setChecked(true);
    current_action_->setVisible(false);
    menu.addSeparator();
    connect(menu.addAction(rt::estimate_item), &QAction::triggered, this, [this] { estimate(); });
    connect(menu.addAction(rt::frequency_item), &QAction::triggered, this,
            [this] { choose_frequency(); });
    menu.addSeparator();
    play_standard_action_ = menu.addAction(rt::play_standard_item);
    play_standard_action_->setEnabled(false);
    connect(standard_action_, &QAction::triggered, this, [this] { analyse_at({}); });
    connect(play_standard_action_, &QAction::triggered, this, [this] {
        wiring_.play_shifted(-int(std::lround(reference_cents(opener_.analysis_reference()))));
    });
}

void ReferenceCommands::show_reference(AnalysisReference reference) {
    const bool standard = reference.is_standard();
    current_action_->setVisible(!standard);
    current_action_->setText(QStringLiteral("A4 = %1 Hz").arg(hz_text(reference)));
    (standard ? standard_action_ : current_action_)->setChecked(true);
    // ±50 cents is as far as the practice cents go.
    play_standard_action_->setEnabled(!standard && std::abs(reference_cents(reference)) <= 50.5);
}

void ReferenceCommands::estimate() {
    const QString recording = wiring_.recording();
    if (recording.isEmpty()) return;
    // Up to ten minutes are decoded and looked at: a second or two, on a
    // thread of its own while the window goes on.
    auto pending = std::async(std::launch::async, [file = QFile::encodeName(recording).toStdString(),
                                                   channel = opener_.analysis_channel()] {
        return estimate_tuning(file, channel);
    });
    wiring_.show_status(tr_text(rt::estimating));
    QApplication::setOverrideCursor(Qt::BusyCursor);
    {
        QEventLoop loop;
        QTimer poll;
        connect(&poll, &QTimer::timeout, &loop, [&] {
            if (pending.wait_for(std::chrono::seconds(0)) == std::future_status::ready) loop.quit();
        });
        poll.start(50);
        loop.exec();
    } // the poll ends here: the dialogs below run event loops of their own
    QApplication::restoreOverrideCursor();
    wiring_.show_status({});
    const SuggestResult r = pending.get();
    if (!r.ok) {
        wiring_.show_error(text_of(r.status, r.detail));
        return;
    }
    if (!r.suggestions.tuning.ok) {
        QMessageBox::information(&window_, texts::app_title, tr_text(rt::no_estimate));
        return;
    }
    // Within half a cent of the grid, the recording is at 440 Hz: an
    // analysis a hundredth of a hertz away would show nothing new.
    // Analysed at another reference, it is offered at 440 Hz again.
    if (std::lround(r.suggestions.tuning.cents) == 0) {
        if (opener_.analysis_reference().is_standard())
            QMessageBox::information(&window_, texts::app_title, tr_text(rt::standard_tuning));
        else if (ask_two_way(&window_, false, tr_text(rt::standard_offer),
                             tr_text(rt::analyse_button), tr_text(texts::cancel)))
            analyse_at(AnalysisReference{});
        return;
    }
    const AnalysisReference heard = reference_of(r.suggestions.tuning);
    if (heard == opener_.analysis_reference()) {
        QMessageBox::information(&window_, texts::app_title,
                                 tr_text(rt::in_tune).arg(hz_text(heard)));
        return;
    }
    const double cents = r.suggestions.tuning.cents;
    const QString offer = tr_text(cents >= 0 ? rt::sharp_offer : rt::flat_offer)
                              .arg(QString::number(std::abs(cents), 'f', 0), hz_text(heard));
    if (ask_two_way(&window_, false, offer, tr_text(rt::analyse_button), tr_text(texts::cancel)))
        analyse_at(heard);
}

void ReferenceCommands::choose_frequency() {
    if (wiring_.recording().isEmpty()) return;
    QInputDialog dialog(&window_);
    dialog.setWindowTitle(tr_text(rt::frequency_title));
    dialog.setLabelText(tr_text(rt::frequency_label));
    dialog.setInputMode(QInputDialog::DoubleInput);
    dialog.setDoubleRange(AnalysisReference::lowest / 100.0, AnalysisReference::highest / 100.0);
    dialog.setDoubleDecimals(2);
    dialog.setDoubleValue(opener_.analysis_reference().hz());
    // Wide enough that the frame does not cut its title short, with room
    // for the frame's own buttons: the dialog's layout sets its width from
    // the field's.
    if (auto* field = dialog.findChild<QAbstractSpinBox*>())
        field->setMinimumWidth(dialog.fontMetrics().horizontalAdvance(dialog.windowTitle()) + 120);
    if (dialog.exec() != QDialog::Accepted) return;
    if (const auto reference = AnalysisReference::from_hz(dialog.doubleValue()))
        analyse_at(*reference);
}

void ReferenceCommands::analyse_at(AnalysisReference reference) {
    const QString recording = wiring_.recording();
    if (recording.isEmpty() || reference == opener_.analysis_reference()) {
        show_reference(opener_.analysis_reference());
        return;
    }
    opener_.reopen_with_reference(recording, reference);
    show_reference(opener_.analysis_reference());
}

} // namespace pitkad
