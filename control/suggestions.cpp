#include "control/suggestions.h"

#include "analysis/band_tables.h"
#include "audio/recording_decoder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <system_error>
#include <thread>
#include <vector>

namespace pitkad {

SuggestResult suggest(const std::filesystem::path& file, AnalysisChannel channel,
                      const TaskControl& control) {
    SuggestResult result;
    OpenFailure refused;
    std::unique_ptr<RecordingDecoder> decoder = RecordingDecoder::open(file, refused, control.stop);
    if (control.stopping()) {
        result.cancelled = true;
        return result;
    }
    if (!decoder) {
        result.status = refused.status;
        result.detail = std::move(refused.detail);
        return result;
    }
    decoder->set_analysis_channel(channel);
    SampleStream samples(std::int64_t(recording_frame_limit + 1) * frame_step,
                         SampleStream::default_ahead, control.stop);
    DecodeOutcome decoded;
    auto decode = [&] { decoded = decoder->run(&samples, false, false, control.stop); };
    std::thread reader;
    try {
        reader = std::thread(decode);
    } catch (const std::system_error&) {
        decode();
    }
    // The samples as they arrive, a piece at a time, until the estimate has
    // enough; the rest is only counted.
    TuningEstimator tuning;
    std::vector<float> piece(std::size_t(SampleStream::chunk_samples));
    for (std::int64_t at = 0; tuning.wants_more();) {
        const std::int64_t end = at + std::int64_t(piece.size());
        if (!samples.wait_for(end)) break;
        const std::int64_t n = std::min(end, samples.size()) - at;
        if (n <= 0) break;
        samples.copy(at, int(n), piece.data());
        tuning.add({piece.data(), std::size_t(n)});
        at += n;
        samples.release_before(at);
    }
    samples.close_reading();
    if (reader.joinable()) reader.join();
    if (control.stopping()) {
        result.cancelled = true;
        return result;
    }
    if (!decoded.ok) {
        result.status = decoded.status;
        result.detail = std::move(decoded.detail);
        return result;
    }
    result.suggestions.tuning = tuning.result();
    result.ok = true;
    return result;
}

std::string suggestions_json(const Suggestions& s) {
    QJsonObject root;
    if (s.tuning.ok) {
        // A tenth of a hertz and of a cent: finer than the estimate is.
        auto tenth = [](double v) { return std::round(v * 10.0) / 10.0; };
        root["tuning"] = QJsonObject{{"a4_hz", tenth(s.tuning.a4_hz)},
                                     {"cents", tenth(s.tuning.cents)}};
    } else {
        root["tuning"] = QJsonValue::Null;
    }
    for (const char* list : {"key", "beats", "downbeats", "chords", "notes"})
        root[list] = QJsonArray{};
    return QJsonDocument(root).toJson(QJsonDocument::Indented).toStdString();
}

} // namespace pitkad
