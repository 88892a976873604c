// The note model's description (model.json) and a few bytes of weights: it
// loads, or the failure says why.
#include "analysis/graph_model.h"
#include "tests/fuzz/fuzz_support.h"

#include <span>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pitkad;
    // The last 16 bytes (when there are more) are the shard's.
    const std::size_t shard = size > 64 ? 16 : 0;
    const std::string_view json(reinterpret_cast<const char*>(data), size - shard);
    const OrError<GraphModel> model =
        GraphModel::parse(json, std::span<const std::uint8_t>(data + size - shard, shard));
    if (!model.value) {
        PITKAD_FUZZ_CHECK(!model.error.empty());
        return 0;
    }
    PITKAD_FUZZ_CHECK(model.error.empty());
    return 0;
}
