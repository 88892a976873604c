#pragma once
// A TF.js graph model (model.json and its weight shards) and an interpreter
// for the TensorFlow ops of small convolutional networks, each computed as
// TensorFlow defines it: Const, Placeholder, Identity, Shape, StridedSlice,
// Pack, Reshape, Pad, MirrorPad, Transpose, ExpandDims, Squeeze, ConcatV2,
// Neg, Mul, Add, AddV2, Sub, Square, Sqrt, Log, DivNoNan, Sigmoid, Sum, Min,
// Max, Conv2D and _FusedConv2D (with BiasAdd, then optionally Relu or
// Relu6). Tensors hold float32 or int32 values.
//
// Loading checks the whole description: every node's op and attributes,
// its inputs (present, no cycles), and every weight against the shard bytes.
// A model that passes may still not fit together (a filter for the wrong
// number of channels): running it then gives an error naming the node.
// Nothing is trusted for an allocation: a tensor larger than
// `max_tensor_elements` is an error.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pitkad {

enum class DType : std::uint8_t { float32, int32 };

struct Tensor {
    DType dtype = DType::float32;
    std::vector<int> shape;
    // The values in row-major order, in the vector of the dtype (the other
    // one is unused and may hold anything).
    std::vector<float> floats;
    std::vector<std::int32_t> ints;

    std::size_t elements() const;
    static Tensor of_floats(std::vector<int> shape, std::vector<float> values);
    static Tensor of_ints(std::vector<int> shape, std::vector<std::int32_t> values);
};

inline constexpr std::size_t max_tensor_elements = std::size_t(1) << 26;

// A value, or why there is none.
template <class T> struct OrError {
    std::optional<T> value;
    std::string error;
};

// Conv2D with a constant filter at least this wide, and stride and dilation
// 1 in width, is computed with FFTs along the width (where the output is
// wide enough for them to pay).
inline constexpr int conv_fft_min_width = 16;

class GraphModel {
  public:
    struct Node;
    struct FilterSpectra;

    // model.json, with the shard files it names beside it.
    static OrError<GraphModel> load(const std::filesystem::path& model_json);
    // The description and the shards' bytes, concatenated in the order of
    // the manifest.
    static OrError<GraphModel> parse(std::string_view model_json,
                                     std::span<const std::uint8_t> weights);

    GraphModel(GraphModel&&) noexcept;
    GraphModel& operator=(GraphModel&&) noexcept;
    GraphModel(const GraphModel&);
    GraphModel& operator=(const GraphModel&);
    ~GraphModel();

    // The node's index; -1 when there is none of that name.
    int find(std::string_view name) const;
    std::size_t size() const;

  private:
    friend class GraphSession;
    GraphModel();
    std::vector<Node> nodes_;
    std::vector<int> order_; // the nodes in an order where inputs come first
    std::vector<Tensor> constants_;
    // The wide filters' spectra, made on first use and shared by the
    // sessions (and by copies of the model, whose constants are the same).
    std::shared_ptr<FilterSpectra> spectra_;
};

// Evaluation of the nodes some outputs need, given the placeholders'
// values. Values no longer read give their buffers to later ones, and the
// buffers are kept between runs: one session per thread. The model must stay where it is while
// its sessions live.
class GraphSession {
  public:
    // Fails when a name is no node, or an input is no placeholder.
    static OrError<GraphSession> make(const GraphModel& model, std::span<const std::string> inputs,
                                      std::span<const std::string> outputs);

    // One tensor per input, in the order given to make(). The error, or
    // empty.
    std::string run(std::span<const Tensor* const> inputs);
    // After a run without error.
    const Tensor& output(std::size_t i) const;

  private:
    GraphSession() = default;
    const GraphModel* model_ = nullptr;
    std::vector<int> inputs_, outputs_;
    std::vector<int> schedule_; // the computed nodes, in order
    std::vector<int> slot_of_;  // per computed node: where in values_ it goes
    std::vector<Tensor> values_;
    std::vector<const Tensor*> value_of_; // per node: its value for this run
    std::vector<float> work_, packed_;    // the convolutions' scratch
};

} // namespace pitkad
