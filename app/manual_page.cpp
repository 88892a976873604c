#include "app/manual_page.h"

#include "app/app_texts.h"
#include "base/paths.h"

#include <QMessageBox>
#include <QPointer>
#include <QProcess>

namespace pitkad {

std::filesystem::path manual_file(Language language, const DataFileFinder& find) {
    constexpr const char* japanese_manual = "manual.html";
    std::filesystem::path file;
    if (language == Language::english) file = find("manual_en.html");
    if (file.empty()) file = find(japanese_manual);
    if (file.empty()) file = installed_data_dir() / japanese_manual;
    return file;
}

void open_in_browser(const QString& program, const QUrl& url, QObject* context,
                     std::function<void()> on_failure) {
    auto* opener = new QProcess;
    QPointer<QObject> alive(context);
    auto fail = [alive, on_failure] {
        if (alive && on_failure) on_failure();
    };
    QObject::connect(opener, &QProcess::finished, opener,
                     [opener, fail](int code, QProcess::ExitStatus status) {
                         if (status != QProcess::NormalExit || code != 0) fail();
                         opener->deleteLater();
                     });
    QObject::connect(opener, &QProcess::errorOccurred, opener,
                     [opener, fail](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart) return;
                         fail();
                         opener->deleteLater();
                     });
    opener->start(program, {url.toString()});
}

QUrl manual_url(Language language) {
    const auto file = manual_file(language, find_data_file);
    return QUrl::fromLocalFile(QString::fromStdString(file.string()));
}

void show_support_page(Language language, const std::function<bool(const QUrl&)>& open_url,
                       QObject* context, std::function<void(const QString&)> show_error) {
    const QUrl url = manual_url(language);
    const QString message = tr_text(texts::no_browser) + u'\n' + url.toLocalFile();
    if (open_url) {
        if (!open_url(url)) show_error(message);
        return;
    }
    open_in_browser(QStringLiteral("xdg-open"), url, context,
                    [show_error = std::move(show_error), message] { show_error(message); });
}

void show_about(QWidget* parent, Language language) {
    QMessageBox::information(parent, texts::app_title,
                             QString("PitkaD  Ver.1.00  ") + tr_text(texts::about_notice) + "\n\n" +
                                 manual_url(language).toString());
}

} // namespace pitkad
