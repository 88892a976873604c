#include "app/manual_page.h"

#include "base/paths.h"

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

} // namespace pitkad
