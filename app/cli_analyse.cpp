#include "app/cli_analyse.h"

#include "analysis/band_tables.h"
#include "analysis/spectrogram_store.h"
#include "app/cli_recording.h"
#include "app/language.h"
#include "app/status_texts.h"
#include "base/atomic_file.h"
#include "control/recording_loader.h"
#include "control/suggestions.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace pitkad {

namespace {

// A recording analysed, or read from the cache: file, frames, seconds taken.
constexpr const char* analysed_line = PITKAD_TR("PitkaD", "%1: %2 フレーム、解析しました、%3 秒");
constexpr const char* cached_line =
    PITKAD_TR("PitkaD", "%1: %2 フレーム、キャッシュを使いました、%3 秒");

} // namespace

int run_analyse_cli(const AnalyseArgs& args) {
    // The kernel's tables are built by the first file analysed, while its
    // decoding has begun, and the store's room is made by each open: the
    // decoding starts at once. A file whose cache is read needs neither.
    std::optional<BandTables> tables;
    const TablesSource tables_source = tables_on_demand(tables);
    auto store = std::make_unique<SpectrogramStore>(std::vector<float>{});
    int status = 0;
    for (const QString& file : args.files) {
        const auto start = std::chrono::steady_clock::now();
        store->reset();
        const CommandAnalysis analysis = command_analysis(file, args.channel, args.reference);
        const LoadResult r = load_or_analyse(
            local_path(file), *store, tables_source,
            [](const std::string& text) { print_line(QString::fromStdString(text)); }, args.threads,
            args.use_cache, false, {}, analysis.channel, analysis.reference);
        if (!r.ok) {
            store->reset();
            print_file_error(local_path(file), text_of(r.status, r.detail));
            status = 1;
            continue;
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        print_line(
            tr_text(r.cache_used ? cached_line : analysed_line)
                .arg(file, QString::number(store->frame_count), QString::number(seconds, 'f', 2)));
    }
    return status;
}

int run_suggest_cli(const SuggestArgs& args) {
    // A reference not asked for is the one the window remembers; "auto" is
    // the tuning the suggestions estimate anyway.
    const bool estimate = args.reference && args.reference->estimate;
    const CommandAnalysis analysis =
        command_analysis(args.file, args.channel, estimate ? std::nullopt : args.reference);
    const SuggestResult r =
        suggest(local_path(args.file), analysis.channel,
                estimate ? *args.reference : ReferenceRequest{false, analysis.reference});
    if (!r.ok) {
        print_file_error(local_path(args.file), text_of(r.status, r.detail));
        return 1;
    }
    const std::string json = suggestions_json(r.suggestions);
    const std::span bytes(reinterpret_cast<const std::uint8_t*>(json.data()), json.size());
    if (!write_file_atomically(local_path(args.out), bytes)) {
        print_file_error(local_path(args.out), tr_text(file_not_written));
        return 1;
    }
    return 0;
}

} // namespace pitkad
