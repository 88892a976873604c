#include "analysis/graph_model.h"

#include "analysis/json_value.h"
#include "analysis/width_conv.h"
#include "base/file_bytes.h"
#include "base/le_bytes.h"
#include "base/vector_state.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace pitkad {

namespace {

constexpr int max_rank = 8;
constexpr std::uintmax_t max_description_bytes = std::uintmax_t(64) << 20;
constexpr std::uintmax_t max_weight_bytes = std::uintmax_t(1) << 30;
// Strides, dilations and explicit paddings beyond this are refused.
constexpr int max_window_step = 1 << 20;

enum class Op : std::uint8_t {
    constant,
    placeholder,
    identity,
    shape,
    strided_slice,
    pack,
    reshape,
    pad,
    mirror_pad,
    transpose,
    expand_dims,
    squeeze,
    concat,
    neg,
    mul,
    add,
    sub,
    square,
    sqrt,
    log,
    div_no_nan,
    sigmoid,
    sum,
    min,
    max,
    conv2d,
};

struct OpInfo {
    std::string_view name;
    Op op;
    int inputs; // -1: any number (Pack, ConcatV2); -2: two or three (_FusedConv2D)
};

constexpr OpInfo op_table[] = {
    {"Const", Op::constant, 0},
    {"Placeholder", Op::placeholder, 0},
    {"Identity", Op::identity, 1},
    {"Shape", Op::shape, 1},
    {"StridedSlice", Op::strided_slice, 4},
    {"Pack", Op::pack, -1},
    {"Reshape", Op::reshape, 2},
    {"Pad", Op::pad, 2},
    {"MirrorPad", Op::mirror_pad, 2},
    {"Transpose", Op::transpose, 2},
    {"ExpandDims", Op::expand_dims, 2},
    {"Squeeze", Op::squeeze, 1},
    {"ConcatV2", Op::concat, -1},
    {"Neg", Op::neg, 1},
    {"Mul", Op::mul, 2},
    {"Add", Op::add, 2},
    {"AddV2", Op::add, 2},
    {"Sub", Op::sub, 2},
    {"Square", Op::square, 1},
    {"Sqrt", Op::sqrt, 1},
    {"Log", Op::log, 1},
    {"DivNoNan", Op::div_no_nan, 2},
    {"Sigmoid", Op::sigmoid, 1},
    {"Sum", Op::sum, 2},
    {"Min", Op::min, 2},
    {"Max", Op::max, 2},
    {"Conv2D", Op::conv2d, 2},
    {"_FusedConv2D", Op::conv2d, -2},
};

enum class Padding : std::uint8_t { valid, same, explicit_ };
enum class ConvActivation : std::uint8_t { none, relu, relu6 };

} // namespace

struct GraphModel::Node {
    std::string name;
    std::string op_name;
    Op op = Op::identity;
    std::vector<int> inputs;   // data inputs
    std::vector<int> controls; // nodes to run first ("^name")
    // Attributes, as the op needs them.
    DType dtype = DType::float32;          // Placeholder
    std::optional<std::vector<int>> shape; // Placeholder: -1 for any size
    int constant = -1;                     // Const: index into constants_
    int begin_mask = 0, end_mask = 0, ellipsis_mask = 0, new_axis_mask = 0, shrink_axis_mask = 0;
    int axis = 0; // Pack
    bool keep_dims = false;
    bool symmetric = false; // MirrorPad
    std::vector<int> squeeze_dims;
    // Conv2D
    int stride_h = 1, stride_w = 1, dilation_h = 1, dilation_w = 1;
    Padding padding = Padding::valid;
    int pad_top = 0, pad_bottom = 0, pad_left = 0, pad_right = 0;
    bool bias = false;
    ConvActivation activation = ConvActivation::none;
};

struct GraphModel::FilterSpectra {
    // Most entries kept (a model run on inputs of many widths): beyond them
    // the convolutions are computed directly.
    static constexpr std::size_t most = 64;
    std::mutex mutex;
    // By the filter's constant and the FFT length.
    std::map<std::pair<int, int>, std::unique_ptr<const WidthConvFilter>> filters;

    // The spectra of the constant's filter for FFTs of length n; null when
    // there are already `most`.
    const WidthConvFilter* get(int constant, const Tensor& filter, int n) {
        const std::lock_guard lock(mutex);
        auto& entry = filters[{constant, n}];
        if (!entry) {
            if (filters.size() > most) {
                filters.erase({constant, n});
                return nullptr;
            }
            entry = std::make_unique<const WidthConvFilter>(filter.floats.data(), filter.shape[0],
                                                            filter.shape[1], filter.shape[2],
                                                            filter.shape[3], n);
        }
        return entry.get();
    }
};

std::size_t Tensor::elements() const {
    std::size_t n = 1;
    for (int d : shape)
        n *= std::size_t(std::max(d, 0));
    return n;
}

Tensor Tensor::of_floats(std::vector<int> shape, std::vector<float> values) {
    Tensor t;
    t.shape = std::move(shape);
    t.floats = std::move(values);
    return t;
}

Tensor Tensor::of_ints(std::vector<int> shape, std::vector<std::int32_t> values) {
    Tensor t;
    t.dtype = DType::int32;
    t.shape = std::move(shape);
    t.ints = std::move(values);
    return t;
}

GraphModel::GraphModel() = default;
GraphModel::GraphModel(GraphModel&&) noexcept = default;
GraphModel& GraphModel::operator=(GraphModel&&) noexcept = default;
GraphModel::GraphModel(const GraphModel&) = default;
GraphModel& GraphModel::operator=(const GraphModel&) = default;
GraphModel::~GraphModel() = default;

int GraphModel::find(std::string_view name) const {
    for (std::size_t i = 0; i < nodes_.size(); ++i)
        if (nodes_[i].name == name) return int(i);
    return -1;
}

std::size_t GraphModel::size() const {
    return nodes_.size();
}

// ---------------------------------------------------------------------------
// Reading the description.

namespace {

// The element count of a shape, or nullopt when a dimension is negative or
// the count exceeds max_tensor_elements.
std::optional<std::size_t> element_count(std::span<const int> shape) {
    std::size_t n = 1;
    for (int d : shape) {
        if (d < 0) return std::nullopt;
        if (d != 0 && n > max_tensor_elements / std::size_t(d)) return std::nullopt;
        n *= std::size_t(d);
    }
    return n;
}

std::optional<DType> dtype_named(std::string_view s) {
    if (s == "float32" || s == "DT_FLOAT") return DType::float32;
    if (s == "int32" || s == "DT_INT32") return DType::int32;
    return std::nullopt;
}

// A shape written as a JSON array of sizes (the manifest), or as a TensorFlow
// TensorShapeProto ({"dim": [{"size": "3"}, …]}, sizes as strings, -1 for
// unknown when `unknown_allowed`).
std::optional<std::vector<int>> shape_of(const JsonValue& v, bool unknown_allowed) {
    std::vector<int> shape;
    std::span<const JsonValue> dims = v.items();
    const bool proto = v.is(JsonValue::Kind::object);
    if (proto) {
        const JsonValue* d = v.find("dim");
        dims = d ? d->items() : std::span<const JsonValue>{};
        if (d && !d->is(JsonValue::Kind::array)) return std::nullopt;
    } else if (!v.is(JsonValue::Kind::array)) {
        return std::nullopt;
    }
    if (dims.size() > std::size_t(max_rank)) return std::nullopt;
    for (const JsonValue& d : dims) {
        const JsonValue* size = proto ? d.find("size") : &d;
        // A proto dimension without a size has size 0.
        const std::optional<std::int64_t> n =
            size ? size->integer() : std::optional<std::int64_t>(0);
        if (!n || *n < (unknown_allowed ? -1 : 0) || *n > std::int64_t(max_tensor_elements))
            return std::nullopt;
        shape.push_back(int(*n));
    }
    return shape;
}

// Attribute access for one node; failures name the node.
class Attrs {
  public:
    Attrs(const JsonValue& node, const std::string& name, std::string& error)
        : attrs_(node.find("attr")), name_(name), error_(error) {}

    const JsonValue* find(std::string_view key) const {
        return attrs_ ? attrs_->find(key) : nullptr;
    }
    bool fail(std::string_view key, std::string_view what) {
        error_ = "node " + name_ + ": attribute " + std::string(key) + " " + std::string(what);
        return false;
    }
    // {"i": "5"}; `fallback` when absent.
    bool integer(std::string_view key, int& out, int fallback, std::int64_t lo, std::int64_t hi) {
        const JsonValue* a = find(key);
        if (!a) {
            out = fallback;
            return true;
        }
        const JsonValue* i = a->find("i");
        const std::optional<std::int64_t> v = i ? i->integer() : std::optional<std::int64_t>(0);
        if (!v || *v < lo || *v > hi) return fail(key, "is not a valid integer");
        out = int(*v);
        return true;
    }
    // {"list": {"i": ["1", "2"]}}
    bool integers(std::string_view key, std::vector<std::int64_t>& out) {
        out.clear();
        const JsonValue* a = find(key);
        if (!a) return true;
        const JsonValue* list = a->find("list");
        if (!list) return fail(key, "is not a list");
        const JsonValue* i = list->find("i");
        if (!i) return true;
        if (!i->is(JsonValue::Kind::array) || i->items().size() > 64)
            return fail(key, "is not a list of integers");
        for (const JsonValue& v : i->items()) {
            const std::optional<std::int64_t> n = v.integer();
            if (!n) return fail(key, "is not a list of integers");
            out.push_back(*n);
        }
        return true;
    }
    bool boolean(std::string_view key, bool& out) {
        const JsonValue* a = find(key);
        out = false;
        if (!a) return true;
        const JsonValue* b = a->find("b");
        if (b && !b->is(JsonValue::Kind::boolean)) return fail(key, "is not a boolean");
        out = b && b->boolean();
        return true;
    }
    // {"s": base64}; nullopt when absent.
    bool text(std::string_view key, std::optional<std::string>& out) {
        out.reset();
        const JsonValue* a = find(key);
        if (!a) return true;
        const JsonValue* s = a->find("s");
        const auto bytes = s ? decode_base64(s->string()) : std::nullopt;
        if (!s || !s->is(JsonValue::Kind::string) || !bytes) return fail(key, "is not base64 text");
        out.emplace(bytes->begin(), bytes->end());
        return true;
    }
    // {"list": {"s": [base64, …]}}
    bool texts(std::string_view key, std::vector<std::string>& out) {
        out.clear();
        const JsonValue* a = find(key);
        if (!a) return true;
        const JsonValue* list = a->find("list");
        const JsonValue* s = list ? list->find("s") : nullptr;
        if (!s) return list ? true : fail(key, "is not a list");
        for (const JsonValue& v : s->items()) {
            const auto bytes = decode_base64(v.string());
            if (!v.is(JsonValue::Kind::string) || !bytes) return fail(key, "is not base64 text");
            out.emplace_back(bytes->begin(), bytes->end());
        }
        return true;
    }
    // {"type": "DT_FLOAT"}; `fallback` when absent.
    bool dtype(std::string_view key, DType& out, DType fallback) {
        const JsonValue* a = find(key);
        if (!a) {
            out = fallback;
            return true;
        }
        const JsonValue* t = a->find("type");
        const std::optional<DType> d = t ? dtype_named(t->string()) : std::nullopt;
        if (!d) return fail(key, "names an unsupported type");
        out = *d;
        return true;
    }

  private:
    const JsonValue* attrs_;
    const std::string& name_;
    std::string& error_;
};

bool read_conv_attrs(GraphModel::Node& n, Attrs& a, std::string& error) {
    std::optional<std::string> format, padding;
    if (!a.text("data_format", format) || !a.text("padding", padding)) return false;
    if (format && *format != "NHWC") return a.fail("data_format", "is not NHWC");
    std::vector<std::int64_t> v;
    const auto pair = [&](std::string_view key, int& h, int& w) {
        if (!a.integers(key, v)) return false;
        if (v.empty()) return true;
        if (v.size() != 4 || v[0] != 1 || v[3] != 1 || v[1] < 1 || v[2] < 1 ||
            v[1] > max_window_step || v[2] > max_window_step)
            return a.fail(key, "must be [1, h, w, 1] with h and w positive");
        h = int(v[1]);
        w = int(v[2]);
        return true;
    };
    if (!pair("strides", n.stride_h, n.stride_w) || !pair("dilations", n.dilation_h, n.dilation_w))
        return false;
    if (!padding || *padding == "VALID") {
        n.padding = Padding::valid;
    } else if (*padding == "SAME") {
        n.padding = Padding::same;
    } else if (*padding == "EXPLICIT") {
        n.padding = Padding::explicit_;
        if (!a.integers("explicit_paddings", v)) return false;
        if (v.size() != 8 || v[0] || v[1] || v[6] || v[7] ||
            std::any_of(v.begin(), v.end(),
                        [](std::int64_t p) { return p < 0 || p > max_window_step; }))
            return a.fail("explicit_paddings", "must pad only height and width");
        n.pad_top = int(v[2]);
        n.pad_bottom = int(v[3]);
        n.pad_left = int(v[4]);
        n.pad_right = int(v[5]);
    } else {
        return a.fail("padding", "is not VALID, SAME or EXPLICIT");
    }
    if (n.op_name == "Conv2D") {
        if (n.inputs.size() != 2) {
            error = "node " + n.name + ": Conv2D takes 2 inputs";
            return false;
        }
        return true;
    }
    std::vector<std::string> fused;
    int num_args = 0;
    if (!a.texts("fused_ops", fused) || !a.integer("num_args", num_args, 0, 0, 8)) return false;
    const bool bias = !fused.empty() && fused[0] == "BiasAdd";
    const bool known = fused.size() == 1   ? bias
                       : fused.size() == 2 ? bias && (fused[1] == "Relu" || fused[1] == "Relu6")
                                           : false;
    if (!known) {
        std::string ops;
        for (const std::string& f : fused)
            ops += (ops.empty() ? "" : ", ") + f;
        return a.fail("fused_ops", "holds unsupported ops (" + ops + ")");
    }
    if (num_args != 1 || n.inputs.size() != 3) {
        error = "node " + n.name + ": _FusedConv2D with BiasAdd takes 3 inputs";
        return false;
    }
    n.bias = true;
    if (fused.size() == 2)
        n.activation = fused[1] == "Relu" ? ConvActivation::relu : ConvActivation::relu6;
    return true;
}

bool read_attrs(GraphModel::Node& n, const JsonValue& node, std::string& error) {
    Attrs a(node, n.name, error);
    switch (n.op) {
    case Op::placeholder: {
        if (!a.dtype("dtype", n.dtype, DType::float32)) return false;
        const JsonValue* s = a.find("shape");
        const JsonValue* proto = s ? s->find("shape") : nullptr;
        if (proto && !proto->find("unknownRank")) {
            n.shape = shape_of(*proto, true);
            if (!n.shape) return a.fail("shape", "is not a valid shape");
        }
        return true;
    }
    case Op::shape: {
        DType t{};
        if (!a.dtype("out_type", t, DType::int32)) return false;
        if (t != DType::int32) return a.fail("out_type", "is not int32");
        return true;
    }
    case Op::strided_slice:
        return a.integer("begin_mask", n.begin_mask, 0, 0, 0x7fffffff) &&
               a.integer("end_mask", n.end_mask, 0, 0, 0x7fffffff) &&
               a.integer("ellipsis_mask", n.ellipsis_mask, 0, 0, 0x7fffffff) &&
               a.integer("new_axis_mask", n.new_axis_mask, 0, 0, 0x7fffffff) &&
               a.integer("shrink_axis_mask", n.shrink_axis_mask, 0, 0, 0x7fffffff);
    case Op::pack: {
        int count = 0;
        if (!a.integer("axis", n.axis, 0, -max_rank - 1, max_rank) ||
            !a.integer("N", count, int(n.inputs.size()), 1, 1 << 16))
            return false;
        if (count != int(n.inputs.size()) || n.inputs.empty())
            return a.fail("N", "does not match the inputs");
        return true;
    }
    case Op::concat: {
        int count = 0;
        if (!a.integer("N", count, int(n.inputs.size()) - 1, 1, 1 << 16)) return false;
        if (count + 1 != int(n.inputs.size())) return a.fail("N", "does not match the inputs");
        return true;
    }
    case Op::mirror_pad: {
        std::optional<std::string> mode;
        if (!a.text("mode", mode)) return false;
        if (!mode || (*mode != "REFLECT" && *mode != "SYMMETRIC"))
            return a.fail("mode", "is not REFLECT or SYMMETRIC");
        n.symmetric = *mode == "SYMMETRIC";
        return true;
    }
    case Op::squeeze: {
        std::vector<std::int64_t> dims;
        if (!a.integers("squeeze_dims", dims)) return false;
        for (std::int64_t d : dims) {
            if (d < -max_rank || d >= max_rank) return a.fail("squeeze_dims", "is out of range");
            n.squeeze_dims.push_back(int(d));
        }
        return true;
    }
    case Op::sum:
    case Op::min:
    case Op::max:
        return a.boolean("keep_dims", n.keep_dims);
    case Op::conv2d:
        return read_conv_attrs(n, a, error);
    default:
        return true;
    }
}

// The values of a weight or an inline constant, from little-endian bytes.
Tensor tensor_from_bytes(DType dtype, std::vector<int> shape, std::span<const std::uint8_t> b) {
    Tensor t;
    t.dtype = dtype;
    t.shape = std::move(shape);
    const std::size_t n = b.size() / 4;
    if (dtype == DType::float32) {
        t.floats.resize(n);
        for (std::size_t i = 0; i < n; ++i)
            t.floats[i] = le::f32(b, 4 * i);
    } else {
        t.ints.resize(n);
        for (std::size_t i = 0; i < n; ++i)
            t.ints[i] = le::i32(b, 4 * i);
    }
    return t;
}

// A Const node's value written in its attribute: tensorContent (base64 of
// the little-endian values) or a list of values (one value fills the shape).
bool inline_constant(const JsonValue& node, const std::string& name, Tensor& out,
                     std::string& error) {
    const JsonValue* attrs = node.find("attr");
    const JsonValue* value = attrs ? attrs->find("value") : nullptr;
    const JsonValue* t = value ? value->find("tensor") : nullptr;
    const auto fail = [&](std::string what) {
        error = "constant " + name + ": " + what;
        return false;
    };
    if (!t) return fail("no weight of that name and no value");
    const JsonValue* type = t->find("dtype");
    const std::optional<DType> dtype = type ? dtype_named(type->string()) : std::nullopt;
    if (!dtype) return fail("unsupported type");
    const JsonValue* proto = t->find("tensorShape");
    std::optional<std::vector<int>> shape =
        proto ? shape_of(*proto, false) : std::optional<std::vector<int>>(std::vector<int>{});
    const std::optional<std::size_t> count = shape ? element_count(*shape) : std::nullopt;
    if (!count) return fail("bad shape");
    if (const JsonValue* content = t->find("tensorContent")) {
        const auto bytes = decode_base64(content->string());
        if (!bytes || bytes->size() != *count * 4)
            return fail("tensorContent does not fit its shape");
        out = tensor_from_bytes(*dtype, std::move(*shape), *bytes);
        return true;
    }
    const JsonValue* list = t->find(*dtype == DType::float32 ? "floatVal" : "intVal");
    const std::span<const JsonValue> vals = list ? list->items() : std::span<const JsonValue>{};
    if (vals.size() != *count && !(vals.size() == 1 && *count > 0))
        return fail("its values do not fit its shape");
    out = Tensor{};
    out.dtype = *dtype;
    out.shape = std::move(*shape);
    for (std::size_t i = 0; i < *count; ++i) {
        const JsonValue& v = vals[vals.size() == 1 ? 0 : i];
        if (*dtype == DType::float32) {
            if (!v.is(JsonValue::Kind::number)) return fail("a value is not a number");
            // Beyond the range of a float is infinite (a plain conversion
            // would be undefined).
            const double x = v.number();
            constexpr double most = std::numeric_limits<float>::max();
            out.floats.push_back(x > most ? INFINITY : x < -most ? -INFINITY : float(x));
        } else {
            const std::optional<std::int64_t> x = v.integer();
            if (!x || *x < INT32_MIN || *x > INT32_MAX) return fail("a value is not an int32");
            out.ints.push_back(std::int32_t(*x));
        }
    }
    return true;
}

} // namespace

OrError<GraphModel> GraphModel::parse(std::string_view model_json,
                                      std::span<const std::uint8_t> weights) {
    OrError<GraphModel> result;
    std::string& error = result.error;
    const auto failed = [&](std::string what) {
        error = std::move(what);
        return std::move(result);
    };
    JsonParse json = parse_json(model_json);
    if (!json.value) return failed("model.json: " + json.error);
    const JsonValue& root = *json.value;
    if (const JsonValue* format = root.find("format"); format && format->string() != "graph-model")
        return failed("model.json: not a graph model");
    const JsonValue* topology = root.find("modelTopology");
    const JsonValue* node_list = topology ? topology->find("node") : nullptr;
    if (!node_list || !node_list->is(JsonValue::Kind::array))
        return failed("model.json: no modelTopology.node list");

    // The weights, in manifest order through the concatenated shards.
    std::unordered_map<std::string, Tensor> weight_of;
    std::size_t offset = 0;
    const JsonValue* manifest = root.find("weightsManifest");
    if (manifest && !manifest->is(JsonValue::Kind::array))
        return failed("model.json: weightsManifest is not a list");
    for (const JsonValue& group : manifest ? manifest->items() : std::span<const JsonValue>{}) {
        const JsonValue* list = group.find("weights");
        if (!list || !list->is(JsonValue::Kind::array))
            return failed("model.json: a weightsManifest entry has no weights list");
        for (const JsonValue& w : list->items()) {
            const std::string& name = w.find("name") ? w.find("name")->string() : std::string();
            if (name.empty()) return failed("model.json: a weight has no name");
            if (w.find("quantization"))
                return failed("weight " + name + ": quantized weights are not supported");
            const JsonValue* dt = w.find("dtype");
            const std::optional<DType> dtype = dt ? dtype_named(dt->string()) : std::nullopt;
            if (!dtype || dt->string().starts_with("DT_"))
                return failed("weight " + name + ": unsupported dtype");
            const JsonValue* s = w.find("shape");
            std::optional<std::vector<int>> shape = s ? shape_of(*s, false) : std::nullopt;
            const std::optional<std::size_t> count = shape ? element_count(*shape) : std::nullopt;
            if (!count) return failed("weight " + name + ": bad or too large shape");
            const std::size_t bytes = *count * 4;
            if (bytes > weights.size() - offset)
                return failed("weight " + name + ": beyond the end of the weight shards (" +
                              std::to_string(weights.size()) + " bytes)");
            if (weight_of.contains(name)) return failed("weight " + name + ": listed twice");
            weight_of.emplace(
                name, tensor_from_bytes(*dtype, std::move(*shape), weights.subspan(offset, bytes)));
            offset += bytes;
        }
    }
    if (offset != weights.size())
        return failed("the weight shards hold " + std::to_string(weights.size()) +
                      " bytes; the manifest describes " + std::to_string(offset));

    GraphModel m;
    m.spectra_ = std::make_shared<FilterSpectra>();
    std::unordered_map<std::string, int> index_of;
    for (const JsonValue& node : node_list->items()) {
        const JsonValue* name = node.find("name");
        if (!name || name->string().empty()) return failed("model.json: a node has no name");
        if (!index_of.emplace(name->string(), int(m.nodes_.size())).second)
            return failed("node " + name->string() + ": named twice");
        m.nodes_.emplace_back().name = name->string();
    }
    for (std::size_t i = 0; i < m.nodes_.size(); ++i) {
        const JsonValue& node = node_list->items()[i];
        Node& n = m.nodes_[i];
        const JsonValue* op = node.find("op");
        n.op_name = op ? op->string() : std::string();
        const OpInfo* info = nullptr;
        for (const OpInfo& o : op_table)
            if (o.name == n.op_name) info = &o;
        if (!info) return failed("node " + n.name + ": unsupported op " + n.op_name);
        n.op = info->op;
        const JsonValue* inputs = node.find("input");
        for (const JsonValue& in : inputs ? inputs->items() : std::span<const JsonValue>{}) {
            std::string_view ref = in.string();
            const bool control = ref.starts_with('^');
            if (control) ref.remove_prefix(1);
            if (const std::size_t colon = ref.rfind(':'); colon != std::string_view::npos) {
                if (ref.substr(colon + 1) != "0")
                    return failed("node " + n.name + ": input " + std::string(ref) +
                                  " is not the first output of its node");
                ref = ref.substr(0, colon);
            }
            const auto found = index_of.find(std::string(ref));
            if (found == index_of.end())
                return failed("node " + n.name + ": input " + std::string(ref) + " is no node");
            (control ? n.controls : n.inputs).push_back(found->second);
        }
        const int want = info->inputs;
        if ((want >= 0 && int(n.inputs.size()) != want) ||
            (want == -2 && (n.inputs.size() < 2 || n.inputs.size() > 3)) ||
            (want == -1 && n.inputs.empty()))
            return failed("node " + n.name + ": " + n.op_name + " with " +
                          std::to_string(n.inputs.size()) + " inputs");
        if (!read_attrs(n, node, error)) return result;
        if (n.op == Op::constant) {
            Tensor value;
            if (auto w = weight_of.find(n.name); w != weight_of.end()) {
                value = std::move(w->second);
                weight_of.erase(w);
            } else if (!inline_constant(node, n.name, value, error)) {
                return result;
            }
            Attrs a(node, n.name, error);
            DType declared{};
            if (!a.dtype("dtype", declared, value.dtype)) return result;
            if (declared != value.dtype)
                return failed("constant " + n.name + ": its weight has another dtype");
            n.constant = int(m.constants_.size());
            m.constants_.push_back(std::move(value));
        }
    }

    // Kahn's algorithm: every node after its inputs.
    const std::size_t count = m.nodes_.size();
    std::vector<int> waiting(count, 0);
    std::vector<std::vector<int>> users(count);
    for (std::size_t i = 0; i < count; ++i) {
        for (const auto* list : {&m.nodes_[i].inputs, &m.nodes_[i].controls})
            for (int in : *list) {
                ++waiting[i];
                users[std::size_t(in)].push_back(int(i));
            }
    }
    for (std::size_t i = 0; i < count; ++i)
        if (waiting[i] == 0) m.order_.push_back(int(i));
    for (std::size_t k = 0; k < m.order_.size(); ++k)
        for (int u : users[std::size_t(m.order_[k])])
            if (--waiting[std::size_t(u)] == 0) m.order_.push_back(u);
    if (m.order_.size() != count) return failed("the graph has a cycle");
    result.value = std::move(m);
    return result;
}

OrError<GraphModel> GraphModel::load(const std::filesystem::path& model_json) {
    OrError<GraphModel> result;
    const auto failed = [&](std::string what) {
        result.error = std::move(what);
        return std::move(result);
    };
    const std::optional<std::vector<std::uint8_t>> text =
        read_file_bytes(model_json, max_description_bytes);
    if (!text) return failed("cannot read " + model_json.string());
    const std::string_view json(reinterpret_cast<const char*>(text->data()), text->size());
    // Only the shard names are needed here; parse() checks the rest.
    const JsonParse parsed = parse_json(json);
    if (!parsed.value) return failed("model.json: " + parsed.error);
    std::vector<std::uint8_t> weights;
    const JsonValue* manifest = parsed.value->find("weightsManifest");
    for (const JsonValue& group : manifest ? manifest->items() : std::span<const JsonValue>{}) {
        const JsonValue* paths = group.find("paths");
        for (const JsonValue& p : paths ? paths->items() : std::span<const JsonValue>{}) {
            const std::string& name = p.string();
            // A plain file name beside model.json, nothing elsewhere.
            if (name.empty() || name == "." || name == ".." ||
                name.find_first_of("/\\") != std::string::npos ||
                name.find('\0') != std::string::npos)
                return failed("model.json: bad shard name \"" + name + "\"");
            const std::optional<std::vector<std::uint8_t>> shard =
                read_file_bytes(model_json.parent_path() / name, max_weight_bytes);
            if (!shard) return failed("cannot read the weight shard " + name);
            if (shard->size() > max_weight_bytes - weights.size())
                return failed("the weight shards are too large");
            weights.insert(weights.end(), shard->begin(), shard->end());
        }
    }
    return parse(json, weights);
}

// ---------------------------------------------------------------------------
// Running.

namespace {

using Index = std::ptrdiff_t;

struct Run {
    std::string error;
    std::vector<float>& work;
    std::vector<float>& packed;
    std::span<const Tensor> constants; // the model's
    GraphModel::FilterSpectra* spectra = nullptr;
    bool fail(std::string what) {
        error = std::move(what);
        return false;
    }
};

template <class T> std::vector<T>& values(Tensor& t) {
    if constexpr (std::is_same_v<T, float>)
        return t.floats;
    else
        return t.ints;
}
template <class T> const T* data(const Tensor& t) {
    if constexpr (std::is_same_v<T, float>)
        return t.floats.data();
    else
        return t.ints.data();
}

// Calls f(T{}) with T the element type of `d`.
template <class F> bool typed(DType d, F&& f) {
    return d == DType::float32 ? f(float{}) : f(std::int32_t{});
}

// Gives `t` the type and shape, its values sized to match (their old
// contents stay where the size allows). Fails on a negative size or a
// tensor larger than max_tensor_elements.
bool allocate(Tensor& t, DType dtype, std::span<const int> shape, Run& run) {
    if (shape.size() > std::size_t(max_rank)) return run.fail("more than 8 dimensions");
    const std::optional<std::size_t> n = element_count(shape);
    if (!n)
        return run.fail("a result of more than " + std::to_string(max_tensor_elements) +
                        " elements");
    t.dtype = dtype;
    if (t.shape.data() != shape.data()) t.shape.assign(shape.begin(), shape.end());
    if (dtype == DType::float32)
        t.floats.resize(*n);
    else
        t.ints.resize(*n);
    return true;
}

std::array<Index, max_rank> strides_of(std::span<const int> shape) {
    std::array<Index, max_rank> s{};
    Index n = 1;
    for (std::size_t d = shape.size(); d-- > 0;) {
        s[d] = n;
        n *= shape[d];
    }
    return s;
}

// Walks every index of `shape` in row-major order, a row of the last
// dimension at a time: row(offsets, length, steps), where each operand k's
// offset moves by strides[k][d] along dimension d. Dimensions of size 1 are
// left out and neighbours every operand walks as one are merged, so that
// rows are as long as they can be.
template <std::size_t K, class F>
void walk(std::span<const int> full_shape,
          const std::array<std::array<Index, max_rank>, K>& full_strides, F&& row) {
    std::array<int, max_rank> shape{};
    std::array<std::array<Index, max_rank>, K> strides{};
    std::size_t rank = 0;
    for (std::size_t d = 0; d < full_shape.size(); ++d) {
        if (full_shape[d] == 0) return;
        if (full_shape[d] == 1) continue;
        bool merge = rank > 0;
        for (std::size_t k = 0; merge && k < K; ++k)
            merge = strides[k][rank - 1] == full_strides[k][d] * full_shape[d];
        if (merge) {
            shape[rank - 1] *= full_shape[d];
            for (std::size_t k = 0; k < K; ++k)
                strides[k][rank - 1] = full_strides[k][d];
            continue;
        }
        shape[rank] = full_shape[d];
        for (std::size_t k = 0; k < K; ++k)
            strides[k][rank] = full_strides[k][d];
        ++rank;
    }
    std::array<Index, K> at{}, step{};
    if (rank == 0) {
        row(at, 1, step);
        return;
    }
    for (std::size_t k = 0; k < K; ++k)
        step[k] = strides[k][rank - 1];
    std::array<int, max_rank> index{};
    for (;;) {
        row(at, shape[rank - 1], step);
        std::size_t d = rank - 1;
        for (;;) {
            if (d == 0) return;
            --d;
            for (std::size_t k = 0; k < K; ++k)
                at[k] += strides[k][d];
            if (++index[d] < shape[d]) break;
            for (std::size_t k = 0; k < K; ++k)
                at[k] -= strides[k][d] * shape[d];
            index[d] = 0;
        }
    }
}

// dst[Σ i·dst_stride] = src[Σ i·src_stride] over every index i of `shape`.
template <class T>
void strided_copy(T* dst, const std::array<Index, max_rank>& dst_stride, const T* src,
                  const std::array<Index, max_rank>& src_stride, std::span<const int> shape) {
    walk<2>(shape, {dst_stride, src_stride},
            [&](const std::array<Index, 2>& at, int n, const std::array<Index, 2>& step) {
                T* d = dst + at[0];
                const T* s = src + at[1];
                if (step[0] == 1 && step[1] == 1 && n >= 16) {
                    std::copy(s, s + n, d);
                } else {
                    for (int i = 0; i < n; ++i)
                        d[i * step[0]] = s[i * step[1]];
                }
            });
}

bool int_list(const Tensor& t, std::vector<std::int64_t>& out, std::string_view what, Run& run) {
    if (t.dtype != DType::int32 || t.shape.size() > 1)
        return run.fail(std::string(what) + " must be an int32 scalar or list");
    out.assign(t.ints.begin(), t.ints.begin() + Index(t.elements()));
    return true;
}

// An axis in [-rank, rank) made non-negative.
bool axis_in(std::int64_t axis, int rank, int& out, Run& run) {
    if (axis < -rank || axis >= rank)
        return run.fail("axis " + std::to_string(axis) + " out of range for rank " +
                        std::to_string(rank));
    out = int(axis < 0 ? axis + rank : axis);
    return true;
}

template <class T>
bool copy_values(const Tensor& in, Tensor& out, std::span<const int> shape, Run& run) {
    if (!allocate(out, in.dtype, shape, run)) return false;
    std::copy(data<T>(in), data<T>(in) + Index(in.elements()), values<T>(out).data());
    return true;
}

bool reshape_copy(const Tensor& in, Tensor& out, std::span<const int> shape, Run& run) {
    return typed(in.dtype, [&](auto t) { return copy_values<decltype(t)>(in, out, shape, run); });
}

// TensorFlow's StridedSlice: the slice as written (with at most one
// ellipsis, new axes and shrunk axes) made dense over the input's
// dimensions, each dimension's begin and end made canonical for its stride.
bool strided_slice(const GraphModel::Node& n, std::span<const Tensor* const> in, Tensor& out,
                   Run& run) {
    const Tensor& x = *in[0];
    std::vector<std::int64_t> begin, end, stride;
    if (!int_list(*in[1], begin, "begin", run) || !int_list(*in[2], end, "end", run) ||
        !int_list(*in[3], stride, "strides", run))
        return false;
    if (in[1]->shape.size() != 1 || begin.size() != end.size() || begin.size() != stride.size())
        return run.fail("begin, end and strides must be lists of one length");
    if (begin.size() > 30) return run.fail("too many slice dimensions");
    int ellipsis = n.ellipsis_mask;
    if (ellipsis & (ellipsis - 1)) return run.fail("more than one ellipsis");
    int sparse = int(begin.size());
    int new_axes_after_ellipsis = 0;
    bool seen = false;
    for (int i = 0; i < sparse; ++i) {
        if (seen && (n.new_axis_mask >> i & 1)) ++new_axes_after_ellipsis;
        if (ellipsis >> i & 1) seen = true;
    }
    if (!seen) ellipsis |= 1 << sparse++; // an implicit ellipsis at the end

    const int rank = int(x.shape.size());
    struct Dim {
        std::int64_t begin = 0, end = 0, stride = 1;
        bool begin_masked = true, end_masked = true, shrink = false;
    };
    std::array<Dim, max_rank> dense{};
    constexpr int new_axis = -1, shrunk = -2;
    std::vector<int> final_dims; // a dense dimension, new_axis or shrunk
    int full = 0;
    for (int i = 0; i < sparse; ++i) {
        if (ellipsis >> i & 1) {
            const int next = std::min(rank - (sparse - i) + 1 + new_axes_after_ellipsis, rank);
            for (; full < next; ++full) {
                dense[std::size_t(full)] = Dim{};
                final_dims.push_back(full);
            }
        } else if (n.new_axis_mask >> i & 1) {
            final_dims.push_back(new_axis);
        } else {
            if (full == rank) return run.fail("more slice dimensions than input dimensions");
            const bool shrink = n.shrink_axis_mask >> i & 1;
            dense[std::size_t(full)] =
                Dim{begin[std::size_t(i)],       end[std::size_t(i)],       stride[std::size_t(i)],
                    bool(n.begin_mask >> i & 1), bool(n.end_mask >> i & 1), shrink};
            final_dims.push_back(shrink ? shrunk : full);
            ++full;
        }
    }
    std::array<int, max_rank> size{};
    std::array<Index, max_rank> first{}, step{};
    const std::array<Index, max_rank> x_strides = strides_of(x.shape);
    Index origin = 0;
    for (int d = 0; d < rank; ++d) {
        Dim& s = dense[std::size_t(d)];
        const std::int64_t dim = x.shape[std::size_t(d)];
        if (s.stride == 0) return run.fail("stride 0");
        if (s.shrink && s.stride < 0) return run.fail("a shrunk axis with a negative stride");
        std::int64_t b = 0, e = 0;
        if (s.shrink) {
            b = s.begin < 0 ? dim + s.begin : s.begin;
            e = b + 1;
            if (b < 0 || b >= dim) return run.fail("slice index out of bounds");
        } else {
            const std::int64_t lo = s.stride > 0 ? 0 : -1, hi = s.stride > 0 ? dim : dim - 1;
            const auto canonical = [&](std::int64_t v, bool masked, bool is_end) {
                if (masked) return (s.stride > 0) == is_end ? hi : lo;
                const std::int64_t fwd = v < 0 ? dim + v : v;
                return std::clamp(fwd, lo, hi);
            };
            b = canonical(s.begin, s.begin_masked, false);
            e = canonical(s.end, s.end_masked, true);
        }
        const std::int64_t length = e - b;
        std::int64_t count = 0;
        if (length != 0 && (length < 0) == (s.stride < 0))
            count = length / s.stride + (length % s.stride != 0 ? 1 : 0);
        size[std::size_t(d)] = int(count);
        first[std::size_t(d)] = Index(b);
        step[std::size_t(d)] = Index(s.stride) * x_strides[std::size_t(d)];
        if (count > 0) origin += Index(b) * x_strides[std::size_t(d)];
    }
    std::vector<int> shape;
    for (int f : final_dims) {
        if (f == new_axis)
            shape.push_back(1);
        else if (f >= 0)
            shape.push_back(size[std::size_t(f)]);
    }
    if (!allocate(out, x.dtype, shape, run)) return false;
    if (out.elements() == 0) return true;
    const std::span<const int> dims(size.data(), std::size_t(rank));
    return typed(x.dtype, [&](auto t) {
        using T = decltype(t);
        strided_copy(values<T>(out).data(), strides_of(dims), data<T>(x) + origin, step, dims);
        return true;
    });
}

bool pack(const GraphModel::Node& n, std::span<const Tensor* const> in, Tensor& out, Run& run) {
    const Tensor& x = *in[0];
    int axis = 0;
    if (!axis_in(n.axis, int(x.shape.size()) + 1, axis, run)) return false;
    for (const Tensor* t : in)
        if (t->shape != x.shape || t->dtype != x.dtype)
            return run.fail("inputs of different shapes or types");
    std::vector<int> shape = x.shape;
    shape.insert(shape.begin() + axis, int(in.size()));
    if (!allocate(out, x.dtype, shape, run)) return false;
    Index inner = 1, outer = 1;
    for (std::size_t d = 0; d < x.shape.size(); ++d)
        (int(d) < axis ? outer : inner) *= x.shape[d];
    // Input k fills [k × inner, (k + 1) × inner) of each outer block.
    const std::array<int, 2> block{int(outer), int(inner)};
    const std::array<Index, max_rank> from{inner, 1}, to{inner * Index(in.size()), 1};
    return typed(x.dtype, [&](auto t) {
        using T = decltype(t);
        for (std::size_t k = 0; k < in.size(); ++k)
            strided_copy(values<T>(out).data() + Index(k) * inner, to, data<T>(*in[k]), from,
                         block);
        return true;
    });
}

bool concat(std::span<const Tensor* const> all, Tensor& out, Run& run) {
    const std::span<const Tensor* const> in = all.first(all.size() - 1);
    std::vector<std::int64_t> axes;
    if (!int_list(*all.back(), axes, "axis", run)) return false;
    if (axes.size() != 1) return run.fail("axis must be one value");
    const Tensor& x = *in[0];
    const int rank = int(x.shape.size());
    int axis = 0;
    if (rank == 0) return run.fail("cannot concatenate scalars");
    if (!axis_in(axes[0], rank, axis, run)) return false;
    std::vector<int> shape = x.shape;
    shape[std::size_t(axis)] = 0;
    for (const Tensor* t : in) {
        if (t->dtype != x.dtype || int(t->shape.size()) != rank)
            return run.fail("inputs of different ranks or types");
        for (int d = 0; d < rank; ++d)
            if (d != axis && t->shape[std::size_t(d)] != x.shape[std::size_t(d)])
                return run.fail("inputs of different shapes");
        shape[std::size_t(axis)] += t->shape[std::size_t(axis)];
        if (shape[std::size_t(axis)] > int(max_tensor_elements)) return run.fail("too large");
    }
    if (!allocate(out, x.dtype, shape, run)) return false;
    Index outer = 1, inner = 1;
    for (int d = 0; d < rank; ++d)
        if (d < axis)
            outer *= shape[std::size_t(d)];
        else if (d > axis)
            inner *= shape[std::size_t(d)];
    // Each input fills its span of each outer block.
    const Index total = Index(shape[std::size_t(axis)]) * inner;
    return typed(x.dtype, [&](auto t) {
        using T = decltype(t);
        Index at = 0;
        for (const Tensor* k : in) {
            const Index length = k->shape[std::size_t(axis)] * inner;
            const std::array<int, 2> block{int(outer), int(length)};
            strided_copy(values<T>(out).data() + at, {total, 1}, data<T>(*k), {length, 1}, block);
            at += length;
        }
        return true;
    });
}

bool reshape(std::span<const Tensor* const> in, Tensor& out, Run& run) {
    std::vector<std::int64_t> want;
    if (!int_list(*in[1], want, "shape", run)) return false;
    if (want.size() > std::size_t(max_rank)) return run.fail("more than 8 dimensions");
    std::vector<int> shape;
    int unknown = -1;
    std::size_t known = 1;
    for (std::size_t d = 0; d < want.size(); ++d) {
        if (want[d] == -1) {
            if (unknown >= 0) return run.fail("more than one -1 in the shape");
            unknown = int(d);
            shape.push_back(1);
            continue;
        }
        if (want[d] < 0 || want[d] > std::int64_t(max_tensor_elements))
            return run.fail("a bad size in the shape");
        shape.push_back(int(want[d]));
        known *= std::size_t(want[d]);
        if (known > max_tensor_elements) return run.fail("a shape too large");
    }
    const std::size_t have = in[0]->elements();
    if (unknown >= 0) {
        if (known == 0 || have % known != 0)
            return run.fail("cannot reshape " + std::to_string(have) + " values");
        shape[std::size_t(unknown)] = int(have / known);
    } else if (known != have) {
        return run.fail("cannot reshape " + std::to_string(have) + " values to " +
                        std::to_string(known));
    }
    return reshape_copy(*in[0], out, shape, run);
}

// Pad (with zeros) and MirrorPad.
bool pad(const GraphModel::Node& n, std::span<const Tensor* const> in, Tensor& out, Run& run) {
    const Tensor& x = *in[0];
    const int rank = int(x.shape.size());
    std::vector<std::int64_t> p;
    if (in[1]->dtype != DType::int32 || in[1]->shape != std::vector<int>{rank, 2})
        return run.fail("paddings must be int32 [rank, 2]");
    p.assign(in[1]->ints.begin(), in[1]->ints.end());
    std::vector<int> shape(x.shape);
    for (int d = 0; d < rank; ++d) {
        const std::int64_t before = p[std::size_t(2 * d)], after = p[std::size_t(2 * d + 1)];
        const std::int64_t dim = x.shape[std::size_t(d)];
        const std::int64_t most = n.op == Op::pad ? std::int64_t(max_tensor_elements)
                                  : n.symmetric   ? dim
                                                  : dim - 1;
        if (before < 0 || after < 0 || before > most || after > most)
            return run.fail("paddings out of range");
        if (dim + before + after > std::int64_t(max_tensor_elements)) return run.fail("too large");
        shape[std::size_t(d)] = int(dim + before + after);
    }
    if (!allocate(out, x.dtype, shape, run)) return false;
    if (rank == 0) return reshape_copy(x, out, shape, run);
    if (out.elements() == 0) return true;
    const std::array<Index, max_rank> out_strides = strides_of(shape),
                                      x_strides = strides_of(x.shape);
    return typed(x.dtype, [&](auto t) {
        using T = decltype(t);
        T* o = values<T>(out).data();
        if (n.op == Op::pad) {
            std::fill(o, o + Index(out.elements()), T{});
            Index origin = 0;
            for (int d = 0; d < rank; ++d)
                origin += Index(p[std::size_t(2 * d)]) * out_strides[std::size_t(d)];
            strided_copy(o + origin, out_strides, data<T>(x), x_strides, x.shape);
            return true;
        }
        // Each output index along a dimension reads the input index
        // mirrored about the edge (REFLECT leaves out the edge itself).
        std::array<std::vector<Index>, max_rank> source;
        for (int d = 0; d < rank; ++d) {
            const Index dim = x.shape[std::size_t(d)], before = Index(p[std::size_t(2 * d)]);
            for (Index i = 0; i < shape[std::size_t(d)]; ++i) {
                Index s = i - before;
                if (s < 0) s = n.symmetric ? -s - 1 : -s;
                if (s >= dim) s = n.symmetric ? 2 * dim - 1 - s : 2 * dim - 2 - s;
                source[std::size_t(d)].push_back(s * x_strides[std::size_t(d)]);
            }
        }
        const T* src = data<T>(x);
        const std::vector<Index>& last = source[std::size_t(rank - 1)];
        const int length = shape.back();
        const Index rows = Index(out.elements()) / length;
        std::array<int, max_rank> index{};
        for (Index r = 0; r < rows; ++r) {
            Index base = 0;
            for (int d = 0; d < rank - 1; ++d)
                base += source[std::size_t(d)][std::size_t(index[std::size_t(d)])];
            T* row = o + r * length;
            for (int i = 0; i < length; ++i)
                row[i] = src[base + last[std::size_t(i)]];
            for (int d = rank - 2; d >= 0; --d) {
                if (++index[std::size_t(d)] < shape[std::size_t(d)]) break;
                index[std::size_t(d)] = 0;
            }
        }
        return true;
    });
}

bool transpose(std::span<const Tensor* const> in, Tensor& out, Run& run) {
    const Tensor& x = *in[0];
    std::vector<std::int64_t> perm;
    if (!int_list(*in[1], perm, "perm", run)) return false;
    const int rank = int(x.shape.size());
    if (int(perm.size()) != rank) return run.fail("perm does not match the rank");
    std::array<bool, max_rank> used{};
    std::vector<int> shape;
    std::array<Index, max_rank> src{};
    const std::array<Index, max_rank> x_strides = strides_of(x.shape);
    for (int d = 0; d < rank; ++d) {
        const std::int64_t p = perm[std::size_t(d)];
        if (p < 0 || p >= rank || used[std::size_t(p)])
            return run.fail("perm is not a permutation");
        used[std::size_t(p)] = true;
        shape.push_back(x.shape[std::size_t(p)]);
        src[std::size_t(d)] = x_strides[std::size_t(p)];
    }
    if (!allocate(out, x.dtype, shape, run)) return false;
    return typed(x.dtype, [&](auto t) {
        using T = decltype(t);
        strided_copy(values<T>(out).data(), strides_of(shape), data<T>(x), src, shape);
        return true;
    });
}

bool expand_dims(std::span<const Tensor* const> in, Tensor& out, Run& run) {
    std::vector<std::int64_t> dim;
    if (!int_list(*in[1], dim, "dim", run)) return false;
    if (dim.size() != 1) return run.fail("dim must be one value");
    const int rank = int(in[0]->shape.size());
    int axis = 0;
    if (!axis_in(dim[0], rank + 1, axis, run)) return false;
    std::vector<int> shape = in[0]->shape;
    shape.insert(shape.begin() + axis, 1);
    return reshape_copy(*in[0], out, shape, run);
}

bool squeeze(const GraphModel::Node& n, const Tensor& x, Tensor& out, Run& run) {
    const int rank = int(x.shape.size());
    std::array<bool, max_rank> drop{};
    for (int d : n.squeeze_dims) {
        int axis = 0;
        if (!axis_in(d, rank, axis, run)) return false;
        if (x.shape[std::size_t(axis)] != 1)
            return run.fail("cannot squeeze dimension " + std::to_string(axis) + " of size " +
                            std::to_string(x.shape[std::size_t(axis)]));
        drop[std::size_t(axis)] = true;
    }
    std::vector<int> shape;
    for (int d = 0; d < rank; ++d)
        if (!(n.squeeze_dims.empty() ? x.shape[std::size_t(d)] == 1 : drop[std::size_t(d)]))
            shape.push_back(x.shape[std::size_t(d)]);
    return reshape_copy(x, out, shape, run);
}

bool unary(Op op, const Tensor& x, Tensor& out, Run& run) {
    if (x.dtype == DType::int32 && op != Op::neg && op != Op::square)
        return run.fail("needs float values");
    if (!allocate(out, x.dtype, x.shape, run)) return false;
    const Index n = Index(x.elements());
    if (x.dtype == DType::int32) {
        const std::int32_t* a = x.ints.data();
        std::int32_t* o = out.ints.data();
        // In unsigned arithmetic, which wraps around as TensorFlow's does.
        for (Index i = 0; i < n; ++i) {
            const auto u = std::uint32_t(a[i]);
            o[i] = std::int32_t(op == Op::neg ? 0u - u : u * u);
        }
        return true;
    }
    const float* a = x.floats.data();
    float* o = out.floats.data();
    switch (op) {
    case Op::neg:
        for (Index i = 0; i < n; ++i)
            o[i] = -a[i];
        break;
    case Op::square:
        for (Index i = 0; i < n; ++i)
            o[i] = a[i] * a[i];
        break;
    case Op::sqrt:
        for (Index i = 0; i < n; ++i)
            o[i] = std::sqrt(a[i]);
        break;
    case Op::log:
        for (Index i = 0; i < n; ++i)
            o[i] = std::log(a[i]);
        break;
    default:
        for (Index i = 0; i < n; ++i)
            o[i] = 1.0f / (1.0f + std::exp(-a[i]));
        break;
    }
    return true;
}

template <class T> T apply(Op op, T a, T b) {
    if constexpr (std::is_same_v<T, float>) {
        switch (op) {
        case Op::mul:
            return a * b;
        case Op::add:
            return a + b;
        case Op::sub:
            return a - b;
        default:
            return b == 0.0f ? 0.0f : a / b;
        }
    } else {
        const auto x = std::uint32_t(a), y = std::uint32_t(b);
        return T(op == Op::mul ? x * y : op == Op::add ? x + y : x - y);
    }
}

// Mul, Add, Sub and DivNoNan with NumPy broadcasting.
bool binary(Op op, const Tensor& a, const Tensor& b, Tensor& out, Run& run) {
    if (a.dtype != b.dtype) return run.fail("inputs of different types");
    if (op == Op::div_no_nan && a.dtype != DType::float32) return run.fail("needs float values");
    const std::size_t rank = std::max(a.shape.size(), b.shape.size());
    std::vector<int> shape(rank);
    std::array<std::array<Index, max_rank>, 3> strides{};
    const std::array<Index, max_rank> sa = strides_of(a.shape), sb = strides_of(b.shape);
    for (std::size_t d = 0; d < rank; ++d) {
        // Aligned at the last dimension.
        const std::size_t da = d + a.shape.size(), db = d + b.shape.size();
        const int x = da >= rank ? a.shape[da - rank] : 1, y = db >= rank ? b.shape[db - rank] : 1;
        if (x != y && x != 1 && y != 1)
            return run.fail("shapes that do not broadcast (" + std::to_string(x) + " against " +
                            std::to_string(y) + ")");
        shape[d] = x == 1 ? y : x;
        strides[1][d] = x == 1 || da < rank ? 0 : sa[da - rank];
        strides[2][d] = y == 1 || db < rank ? 0 : sb[db - rank];
    }
    if (!allocate(out, a.dtype, shape, run)) return false;
    strides[0] = strides_of(shape);
    return typed(a.dtype, [&](auto t) {
        using T = decltype(t);
        T* o = values<T>(out).data();
        const T* x = data<T>(a);
        const T* y = data<T>(b);
        if (a.shape == b.shape) {
            const Index n = Index(out.elements());
            for (Index i = 0; i < n; ++i)
                o[i] = apply(op, x[i], y[i]);
            return true;
        }
        walk<3>(shape, strides,
                [&](const std::array<Index, 3>& at, int n, const std::array<Index, 3>& step) {
                    T* p = o + at[0];
                    const T* u = x + at[1];
                    const T* v = y + at[2];
                    for (int i = 0; i < n; ++i)
                        p[i] = apply(op, u[i * step[1]], v[i * step[2]]);
                });
        return true;
    });
}

bool reduce(const GraphModel::Node& n, std::span<const Tensor* const> in, Tensor& out, Run& run) {
    const Tensor& x = *in[0];
    std::vector<std::int64_t> axes;
    if (!int_list(*in[1], axes, "reduction_indices", run)) return false;
    const int rank = int(x.shape.size());
    std::array<bool, max_rank> reduced{};
    for (std::int64_t a : axes) {
        int axis = 0;
        if (!axis_in(a, rank, axis, run)) return false;
        reduced[std::size_t(axis)] = true;
    }
    std::vector<int> shape, kept_shape;
    for (int d = 0; d < rank; ++d) {
        kept_shape.push_back(reduced[std::size_t(d)] ? 1 : x.shape[std::size_t(d)]);
        if (!reduced[std::size_t(d)] || n.keep_dims) shape.push_back(kept_shape.back());
    }
    if (!allocate(out, x.dtype, shape, run)) return false;
    std::array<Index, max_rank> to_out = strides_of(kept_shape);
    for (int d = 0; d < rank; ++d)
        if (reduced[std::size_t(d)]) to_out[std::size_t(d)] = 0;
    return typed(x.dtype, [&](auto t) {
        using T = decltype(t);
        T* o = values<T>(out).data();
        const T start =
            n.op == Op::sum ? T(0)
            : n.op == Op::min
                ? (std::numeric_limits<T>::has_infinity ? std::numeric_limits<T>::infinity()
                                                        : std::numeric_limits<T>::max())
                : (std::numeric_limits<T>::has_infinity ? -std::numeric_limits<T>::infinity()
                                                        : std::numeric_limits<T>::lowest());
        std::fill(o, o + Index(out.elements()), start);
        const T* v = data<T>(x);
        walk<2>(x.shape, {strides_of(x.shape), to_out},
                [&](const std::array<Index, 2>& at, int len, const std::array<Index, 2>& step) {
                    const T* s = v + at[0];
                    T* d = o + at[1];
                    const auto fold = [&](T acc, T x) {
                        if (n.op == Op::sum) return apply(Op::add, acc, x);
                        if (n.op == Op::min) return x < acc || x != x ? x : acc;
                        return x > acc || x != x ? x : acc;
                    };
                    if (step[1] == 0) { // a row into one value
                        T acc = *d;
                        for (int i = 0; i < len; ++i)
                            acc = fold(acc, s[i * step[0]]);
                        *d = acc;
                        return;
                    }
                    for (int i = 0; i < len; ++i)
                        d[i * step[1]] = fold(d[i * step[1]], s[i * step[0]]);
                });
        return true;
    });
}

// The convolution: NHWC input, filter [k_h][k_w][in_c][out_c]. Each output
// pixel's sums run over the rows of its window; within a row, with no
// dilation in width, the window's values are contiguous (k_w × in_c of
// them), and so are the filter's for them.
struct ConvJob {
    const float* x = nullptr;      // [batch][in_h][row_w][in_c], padded in width
    const float* filter = nullptr; // [k_h][k_w][in_c][co_pad]
    const float* bias = nullptr;   // [co_pad], or null
    float* out = nullptr;          // [batch][out_h][out_w][out_c]
    int batch = 0, in_h = 0, in_w = 0, in_c = 0, k_h = 0, k_w = 0, out_c = 0, co_pad = 0;
    int out_h = 0, out_w = 0, row_w = 0;
    int stride_h = 1, stride_w = 1, dilation_h = 1, dilation_w = 1, pad_top = 0;
    bool planes = false; // x as [batch][in_h][in_c][stride_w][row_w] (one output channel)
    const Index* columns = nullptr; // with planes: where each filter column reads, [k_w]
    ConvActivation activation = ConvActivation::none;
};

// `W` floats as one vector (16 where the processor has AVX-512, else 8: two
// SSE registers where there is no AVX); only ever local to the inlined tiles
// below, and read straight from the floats it covers (aligned as a float,
// aliasing them). No vector is copied into a local through its address: such
// a local is laid out by the compiler with more alignment than the address
// sanitizer's stack for use-after-return gives. (The tiles' arrays of sums
// can still stay in locals in a build with that sanitizer, which leaves that
// stack out for this file: analysis/CMakeLists.txt.)
template <int W> struct VectorOf {
    typedef float type
        __attribute__((vector_size(W * sizeof(float)), aligned(alignof(float)), may_alias));
};
template <int W> using Lanes = typename VectorOf<W>::type;
template <int W> [[gnu::always_inline]] inline Lanes<W> load(const float* p) {
    return *reinterpret_cast<const Lanes<W>*>(p);
}
template <int W> [[gnu::always_inline]] inline void store(float* p, Lanes<W> v) {
    *reinterpret_cast<Lanes<W>*>(p) = v;
}

inline float activate(float v, ConvActivation a) {
    if (a == ConvActivation::none) return v;
    v = v > 0.0f ? v : 0.0f;
    return a == ConvActivation::relu6 && v > 6.0f ? 6.0f : v;
}
template <int W> [[gnu::always_inline]] inline Lanes<W> activate(Lanes<W> v, ConvActivation a) {
    if (a == ConvActivation::none) return v;
    const Lanes<W> zero{};
    v = v > zero ? v : zero;
    if (a == ConvActivation::relu6) {
        const Lanes<W> six = zero + 6.0f;
        v = v > six ? six : v;
    }
    return v;
}

// Output pixels [ow, ow + P) of row oh of one image, output channels
// [c, c + B × W): P × B vectors of sums kept in registers over the whole
// window, each input value broadcast against B vectors of the filter.
template <int W, int P, int B>
[[gnu::always_inline]] inline void conv_tile(const ConvJob& j, const float* image, int oh, int ow,
                                             int c, float* out) {
    Lanes<W> acc[P][B];
#pragma GCC unroll 4
    for (int b = 0; b < B; ++b) {
        const Lanes<W> start = j.bias ? load<W>(j.bias + c + b * W) : Lanes<W>{};
#pragma GCC unroll 16
        for (int p = 0; p < P; ++p)
            acc[p][b] = start;
    }
    const Index pixel = Index(j.stride_w) * j.in_c;
    const bool dense = j.dilation_w == 1;
    const int groups = dense ? 1 : j.k_w;
    const int run = dense ? j.k_w * j.in_c : j.in_c;
    for (int kh = 0; kh < j.k_h; ++kh) {
        const Index ih = Index(oh) * j.stride_h + Index(kh) * j.dilation_h - j.pad_top;
        if (ih < 0 || ih >= j.in_h) continue;
        const float* row = image + (ih * j.row_w + Index(ow) * j.stride_w) * j.in_c;
        for (int g = 0; g < groups; ++g) {
            const float* xs = row + Index(g) * j.dilation_w * j.in_c;
            const float* fs = j.filter + ((Index(kh) * j.k_w + g) * j.in_c) * j.co_pad + c;
            for (int k = 0; k < run; ++k) {
                Lanes<W> f[B];
#pragma GCC unroll 4
                for (int b = 0; b < B; ++b)
                    f[b] = load<W>(fs + Index(k) * j.co_pad + b * W);
#pragma GCC unroll 16
                for (int p = 0; p < P; ++p) {
                    const float x = xs[p * pixel + k];
#pragma GCC unroll 4
                    for (int b = 0; b < B; ++b)
                        acc[p][b] += x * f[b];
                }
            }
        }
    }
    if (c + B * W <= j.out_c) {
#pragma GCC unroll 16
        for (int p = 0; p < P; ++p)
#pragma GCC unroll 4
            for (int b = 0; b < B; ++b)
                store<W>(out + Index(p) * j.out_c + c + b * W,
                         activate<W>(acc[p][b], j.activation));
        return;
    }
    const int n = j.out_c - c;
#pragma GCC unroll 16
    for (int p = 0; p < P; ++p)
#pragma GCC unroll 4
        for (int b = 0; b < B; ++b)
#pragma GCC unroll 16
            for (int l = 0; l < W; ++l)
                if (b * W + l < n)
                    out[Index(p) * j.out_c + c + b * W + l] = activate(acc[p][b][l], j.activation);
}

// Output channels [0, out_c) of pixels [ow, ow + P), in tiles of B vectors
// of channels (then single vectors).
template <int W, int P, int B>
[[gnu::always_inline]] inline void conv_tiles(const ConvJob& j, const float* image, int oh, int ow,
                                              float* row) {
    const int wide = B > 1 ? j.co_pad / (B * W) * (B * W) : 0;
    float* out = row + Index(ow) * j.out_c;
    int c = 0;
    for (; c < wide; c += B * W)
        conv_tile<W, P, B>(j, image, oh, ow, c, out);
    for (; c < j.out_c; c += W)
        conv_tile<W, P, 1>(j, image, oh, ow, c, out);
}

// The same for a row of pixels. Its last ones are a whole tile ending at
// its end, some of them computed a second time.
template <int W, int P, int B>
[[gnu::always_inline]] inline void conv_row(const ConvJob& j, const float* image, int oh,
                                            float* row) {
    if (j.out_w < P) {
        for (int ow = 0; ow < j.out_w; ++ow)
            conv_tiles<W, 1, B>(j, image, oh, ow, row);
        return;
    }
    int ow = 0;
    for (; ow + P <= j.out_w; ow += P)
        conv_tiles<W, P, B>(j, image, oh, ow, row);
    if (ow < j.out_w) conv_tiles<W, P, B>(j, image, oh, j.out_w - P, row);
}

// A single output channel, from the input laid out as rows per channel, one
// for each column modulo the stride (`j.x`: [batch][in_h][in_c][stride_w]
// [row_w], padded in width), so that a vector holds the values W
// neighbouring output pixels take for one filter value: output pixels
// [ow, ow + V × W) of row oh, each filter value broadcast against V vectors.
template <int W, int V>
[[gnu::always_inline]] inline void conv_pixels(const ConvJob& j, int b, int oh, int ow,
                                               float* row) {
    Lanes<W> acc[V] = {};
    for (int kh = 0; kh < j.k_h; ++kh) {
        const Index ih = Index(oh) * j.stride_h + Index(kh) * j.dilation_h - j.pad_top;
        if (ih < 0 || ih >= j.in_h) continue;
        const float* rows = j.x + (Index(b) * j.in_h + ih) * j.in_c * j.stride_w * j.row_w + ow;
        const float* fs = j.filter + Index(kh) * j.k_w * j.in_c;
        for (int c = 0; c < j.in_c; ++c) {
            const float* xs = rows + Index(c) * j.stride_w * j.row_w;
            for (int kw = 0; kw < j.k_w; ++kw) {
                const float f = fs[Index(kw) * j.in_c + c];
                const float* at = xs + j.columns[kw];
#pragma GCC unroll 8
                for (int v = 0; v < V; ++v)
                    acc[v] += load<W>(at + v * W) * f;
            }
        }
    }
    const float bias = j.bias ? j.bias[0] : 0.0f;
#pragma GCC unroll 8
    for (int v = 0; v < V; ++v) {
        const int at = ow + v * W;
        if (at + W <= j.out_w) {
            store<W>(row + at, activate<W>(acc[v] + bias, j.activation));
            continue;
        }
        for (int l = 0; l < W && at + l < j.out_w; ++l)
            row[at + l] = activate(acc[v][l] + bias, j.activation);
    }
}

// A row of conv_pixels: its vectors in as few tiles of at most 8 as there
// can be, of even sizes.
template <int W>
[[gnu::always_inline]] inline void conv_pixel_row(const ConvJob& j, int b, int oh, float* row) {
    int left = (j.out_w + W - 1) / W;
    for (int ow = 0; left > 0;) {
        const int tiles = (left + 7) / 8;
        const int size = (left + tiles - 1) / tiles;
        switch (size) {
        case 1:
            conv_pixels<W, 1>(j, b, oh, ow, row);
            break;
        case 2:
            conv_pixels<W, 2>(j, b, oh, ow, row);
            break;
        case 3:
            conv_pixels<W, 3>(j, b, oh, ow, row);
            break;
        case 4:
            conv_pixels<W, 4>(j, b, oh, ow, row);
            break;
        case 5:
            conv_pixels<W, 5>(j, b, oh, ow, row);
            break;
        case 6:
            conv_pixels<W, 6>(j, b, oh, ow, row);
            break;
        case 7:
            conv_pixels<W, 7>(j, b, oh, ow, row);
            break;
        default:
            conv_pixels<W, 8>(j, b, oh, ow, row);
            break;
        }
        ow += size * W;
        left -= size;
    }
}

template <int W> [[gnu::always_inline]] inline void convolve(const ConvJob& j) {
    for (int b = 0; b < j.batch; ++b) {
        const float* image = j.x + Index(b) * j.in_h * j.row_w * j.in_c;
        for (int oh = 0; oh < j.out_h; ++oh) {
            float* row = j.out + (Index(b) * j.out_h + oh) * j.out_w * j.out_c;
            if (j.planes)
                conv_pixel_row<W>(j, b, oh, row);
            else if (W == 16 && j.co_pad >= 2 * W)
                // 32 registers: 12 pixels × two vectors of sums.
                conv_row<W, 12, 2>(j, image, oh, row);
            else if (W == 16)
                conv_row<W, 14, 1>(j, image, oh, row);
            else if (j.co_pad >= 2 * W)
                // Two vectors of channels share each input value where there
                // are that many: fewer loads per multiply-add.
                conv_row<W, 6, 2>(j, image, oh, row);
            else
                conv_row<W, 8, 1>(j, image, oh, row);
        }
    }
}

// One version of the convolution for each level of the processor's vector
// instructions, chosen when it runs.
[[gnu::target("arch=x86-64-v4")]] void convolve_v4(const ConvJob& j) {
    convolve<16>(j);
}
[[gnu::target("arch=x86-64-v3")]] void convolve_v3(const ConvJob& j) {
    convolve<8>(j);
}
void convolve_plain(const ConvJob& j) {
    convolve<8>(j);
}

enum class ConvLevel { plain, v3, v4 };
ConvLevel conv_level() {
#if defined(__SANITIZE_THREAD__)
    // The plain version alone under ThreadSanitizer: it checks the threads.
    return ConvLevel::plain;
#else
    static const ConvLevel level = [] {
        __builtin_cpu_init();
#if defined(__clang__)
        // Clang names features, not levels (the fuzz targets' build).
        const bool v4 = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                        __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512vl");
        const bool v3 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") &&
                        __builtin_cpu_supports("bmi2");
#else
        const bool v4 = __builtin_cpu_supports("x86-64-v4");
        const bool v3 = __builtin_cpu_supports("x86-64-v3");
#endif
        return v4 ? ConvLevel::v4 : v3 ? ConvLevel::v3 : ConvLevel::plain;
    }();
    return level;
#endif
}

// Floats per vector in the convolution this processor runs.
int conv_lanes() {
    return conv_level() == ConvLevel::v4 ? 16 : 8;
}

void run_conv(const ConvJob& j) {
    switch (conv_level()) {
    case ConvLevel::v4:
        return convolve_v4(j);
    case ConvLevel::v3:
        return convolve_v3(j);
    case ConvLevel::plain:
        return convolve_plain(j);
    }
}

// The convolution by FFTs along the width, where the filter is one of the
// model's constants and the output is wide enough for it to pay; false
// (nothing done) otherwise.
bool conv_by_fft(const ConvJob& j, int pad_left, const GraphModel::Node& n,
                 std::span<const Tensor* const> in, Tensor& out, Run& run) {
    const Tensor* f = in[1];
    if (!run.spectra || run.constants.empty() || f < run.constants.data() ||
        f >= run.constants.data() + run.constants.size())
        return false;
    const int length = WidthConvFilter::length_for(j.in_w, j.k_w, j.out_w, pad_left);
    // Per filter row, input and output channel: out_w × k_w multiply-adds
    // directly, about 2 × length through the spectra, and the transforms.
    if (length == 0 || Index(j.out_w) * j.k_w < 4 * Index(length)) return false;
    WidthConvShape s;
    s.batch = j.batch;
    s.in_h = j.in_h;
    s.in_w = j.in_w;
    s.in_c = j.in_c;
    s.out_h = j.out_h;
    s.out_w = j.out_w;
    s.stride_h = j.stride_h;
    s.dilation_h = j.dilation_h;
    s.pad_top = j.pad_top;
    s.pad_left = pad_left;
    if (WidthConvFilter::spectra_floats(j.k_h, j.in_c, j.out_c, length) > max_tensor_elements ||
        WidthConvFilter::scratch_floats(s, j.k_h, j.in_c, j.out_c, length) > max_tensor_elements)
        return false;
    const WidthConvFilter* filter = run.spectra->get(int(f - run.constants.data()), *f, length);
    if (!filter) return false;
    const float lo = n.activation == ConvActivation::none ? -INFINITY : 0.0f;
    const float hi = n.activation == ConvActivation::relu6 ? 6.0f : INFINITY;
    filter->run(s, in[0]->floats.data(), n.bias ? in[2]->floats.data() : nullptr, lo, hi,
                out.floats.data(), run.work);
    return true;
}

bool conv2d(const GraphModel::Node& n, std::span<const Tensor* const> in, Tensor& out, Run& run) {
    const Tensor& x = *in[0];
    const Tensor& f = *in[1];
    if (x.dtype != DType::float32 || f.dtype != DType::float32)
        return run.fail("needs float values");
    if (x.shape.size() != 4 || f.shape.size() != 4)
        return run.fail("input and filter must have 4 dimensions");
    ConvJob j;
    j.batch = x.shape[0];
    j.in_h = x.shape[1];
    j.in_w = x.shape[2];
    j.in_c = x.shape[3];
    j.k_h = f.shape[0];
    j.k_w = f.shape[1];
    j.out_c = f.shape[3];
    if (f.shape[2] != j.in_c)
        return run.fail("a filter for " + std::to_string(f.shape[2]) + " channels on " +
                        std::to_string(j.in_c));
    j.stride_h = n.stride_h;
    j.stride_w = n.stride_w;
    j.dilation_h = n.dilation_h;
    j.dilation_w = n.dilation_w;
    // Output sizes and the padding before, as TensorFlow computes them.
    const auto size = [&](std::int64_t input, std::int64_t k, std::int64_t stride,
                          std::int64_t dilation, int pad_before, int pad_after, int& out_size,
                          int& before) {
        const std::int64_t effective = (k - 1) * dilation + 1;
        if (effective > std::int64_t(max_tensor_elements))
            return run.fail("the filter is too wide");
        std::int64_t o = 0;
        if (n.padding == Padding::same) {
            o = (input + stride - 1) / stride;
            const std::int64_t needed =
                std::max<std::int64_t>((o - 1) * stride + effective - input, 0);
            before = int(needed / 2);
        } else {
            const std::int64_t padded =
                input + (n.padding == Padding::explicit_ ? pad_before + pad_after : 0);
            o = (padded + stride - effective) / stride;
            before = n.padding == Padding::explicit_ ? pad_before : 0;
        }
        if (o < 0) return run.fail("the filter is larger than the input");
        out_size = int(o);
        return true;
    };
    int pad_left = 0;
    if (!size(j.in_h, j.k_h, j.stride_h, j.dilation_h, n.pad_top, n.pad_bottom, j.out_h,
              j.pad_top) ||
        !size(j.in_w, j.k_w, j.stride_w, j.dilation_w, n.pad_left, n.pad_right, j.out_w, pad_left))
        return false;
    const std::array<int, 4> shape{j.batch, j.out_h, j.out_w, j.out_c};
    if (!allocate(out, DType::float32, shape, run)) return false;
    if (n.bias) {
        const Tensor& b = *in[2];
        if (b.dtype != DType::float32 || b.shape != std::vector<int>{j.out_c})
            return run.fail("the bias does not match the filter");
    }
    if (out.elements() == 0) return true;
    if (j.k_h == 0 || j.k_w == 0 || j.in_c == 0) {
        // No products: the bias alone.
        for (std::size_t i = 0; i < out.elements(); ++i)
            out.floats[i] = n.bias ? in[2]->floats[i % std::size_t(j.out_c)] : 0.0f;
        if (n.activation != ConvActivation::none)
            for (float& v : out.floats)
                v = std::clamp(v, 0.0f, n.activation == ConvActivation::relu6 ? 6.0f : INFINITY);
        return true;
    }

    if (j.stride_w == 1 && j.dilation_w == 1 && j.k_w >= conv_fft_min_width &&
        conv_by_fft(j, pad_left, n, in, out, run))
        return true;

    const int lanes = conv_lanes();
    if (j.out_c == 1) {
        // Rows per channel and column modulo the stride, each padded to the
        // whole vectors read.
        const std::int64_t row_w = (std::int64_t(j.out_w) + lanes - 1) / lanes * lanes +
                                   std::int64_t(j.k_w - 1) * j.dilation_w / j.stride_w;
        const std::int64_t count = std::int64_t(j.batch) * j.in_h * j.in_c * j.stride_w * row_w;
        if (count > std::int64_t(max_tensor_elements))
            return run.fail("the padded input is too large");
        run.work.resize(std::size_t(count));
        const Index stride = j.stride_w, span = stride * row_w, step = stride * j.in_c;
        for (Index r = 0; r < Index(j.batch) * j.in_h; ++r) {
            const float* from = x.floats.data() + r * j.in_w * j.in_c;
            float* to = run.work.data() + r * j.in_c * span;
            for (Index phase = 0; phase < stride; ++phase) {
                // Column i of this phase's rows is column i × stride + phase
                // of the input padded by pad_left: the input's in [lo, hi).
                const Index lo = std::min<Index>(
                    row_w, phase >= pad_left ? 0 : (pad_left - phase + stride - 1) / stride);
                const Index hi =
                    std::clamp<Index>((pad_left + j.in_w - phase + stride - 1) / stride, lo, row_w);
                // Indices, not a pointer stepped along: for an empty range
                // that would point past the input.
                const Index first = (lo * stride + phase - pad_left) * j.in_c;
                for (int c = 0; c < j.in_c; ++c) {
                    float* plane = to + (c * stride + phase) * row_w;
                    std::fill(plane, plane + lo, 0.0f);
                    for (Index i = lo, at = first + c; i < hi; ++i, at += step)
                        plane[i] = from[at];
                    std::fill(plane + hi, plane + row_w, 0.0f);
                }
            }
        }
        j.x = run.work.data();
        // Filter column kw reads column kw × dilation_w of the window: in
        // the row for that modulo the stride, so many values on.
        std::vector<Index> columns(std::size_t(j.k_w));
        for (int kw = 0; kw < j.k_w; ++kw) {
            const Index at = Index(kw) * j.dilation_w;
            columns[std::size_t(kw)] = at % stride * row_w + at / stride;
        }
        j.columns = columns.data();
        j.row_w = int(row_w);
        j.planes = true;
        j.co_pad = 1;
        j.filter = f.floats.data();
        j.bias = n.bias ? in[2]->floats.data() : nullptr;
        j.activation = n.activation;
        j.out = out.floats.data();
        run_conv(j);
        return true;
    }

    // The input rows padded in width, when they need it, so that every
    // window lies within its row.
    const std::int64_t reach =
        std::int64_t(j.out_w - 1) * j.stride_w + std::int64_t(j.k_w - 1) * j.dilation_w + 1;
    const std::int64_t row_w = std::max<std::int64_t>(reach, std::int64_t(pad_left) + j.in_w);
    if (row_w > std::int64_t(max_tensor_elements)) return run.fail("the padded input is too large");
    if (pad_left == 0 && reach <= j.in_w) {
        j.x = x.floats.data();
        j.row_w = j.in_w;
    } else {
        const std::int64_t count = std::int64_t(j.batch) * j.in_h * row_w * j.in_c;
        if (count > std::int64_t(max_tensor_elements))
            return run.fail("the padded input is too large");
        run.work.resize(std::size_t(count));
        const Index before = Index(pad_left) * j.in_c, length = Index(j.in_w) * j.in_c,
                    width = Index(row_w) * j.in_c;
        for (Index r = 0; r < Index(j.batch) * j.in_h; ++r) {
            float* to = run.work.data() + r * width;
            std::fill(to, to + before, 0.0f);
            std::copy(x.floats.data() + r * length, x.floats.data() + (r + 1) * length,
                      to + before);
            std::fill(to + before + length, to + width, 0.0f);
        }
        j.x = run.work.data();
        j.row_w = int(row_w);
    }
    // The filter with its output channels padded to whole vectors.
    j.co_pad = j.out_c == 1 ? 1 : (j.out_c + lanes - 1) / lanes * lanes;
    j.filter = f.floats.data();
    j.bias = n.bias ? in[2]->floats.data() : nullptr;
    if (j.co_pad != j.out_c) {
        const Index taps = Index(j.k_h) * j.k_w * j.in_c;
        if (taps * j.co_pad + j.co_pad > Index(max_tensor_elements))
            return run.fail("the filter is too large");
        run.packed.assign(std::size_t(taps * j.co_pad + j.co_pad), 0.0f);
        for (Index t = 0; t < taps; ++t)
            std::copy(j.filter + t * j.out_c, j.filter + (t + 1) * j.out_c,
                      run.packed.data() + t * j.co_pad);
        float* bias = run.packed.data() + taps * j.co_pad;
        if (j.bias) std::copy(j.bias, j.bias + j.out_c, bias);
        j.filter = run.packed.data();
        j.bias = bias;
    }
    j.activation = n.activation;
    j.out = out.floats.data();
    run_conv(j);
    return true;
}

bool evaluate(const GraphModel::Node& n, std::span<const Tensor* const> in, Tensor& out, Run& run) {
    switch (n.op) {
    case Op::identity:
        return reshape_copy(*in[0], out, in[0]->shape, run);
    case Op::shape: {
        const std::array<int, 1> shape{int(in[0]->shape.size())};
        if (!allocate(out, DType::int32, shape, run)) return false;
        std::copy(in[0]->shape.begin(), in[0]->shape.end(), out.ints.begin());
        return true;
    }
    case Op::strided_slice:
        return strided_slice(n, in, out, run);
    case Op::pack:
        return pack(n, in, out, run);
    case Op::reshape:
        return reshape(in, out, run);
    case Op::pad:
    case Op::mirror_pad:
        return pad(n, in, out, run);
    case Op::transpose:
        return transpose(in, out, run);
    case Op::expand_dims:
        return expand_dims(in, out, run);
    case Op::squeeze:
        return squeeze(n, *in[0], out, run);
    case Op::concat:
        return concat(in, out, run);
    case Op::neg:
    case Op::square:
    case Op::sqrt:
    case Op::log:
    case Op::sigmoid:
        return unary(n.op, *in[0], out, run);
    case Op::mul:
    case Op::add:
    case Op::sub:
    case Op::div_no_nan:
        return binary(n.op, *in[0], *in[1], out, run);
    case Op::sum:
    case Op::min:
    case Op::max:
        return reduce(n, in, out, run);
    case Op::conv2d:
        return conv2d(n, in, out, run);
    case Op::constant:
    case Op::placeholder:
        break;
    }
    return run.fail("cannot be computed");
}

} // namespace

OrError<GraphSession> GraphSession::make(const GraphModel& model,
                                         std::span<const std::string> inputs,
                                         std::span<const std::string> outputs) {
    OrError<GraphSession> result;
    GraphSession s;
    s.model_ = &model;
    const auto index = [&](const std::string& name, std::vector<int>& into) {
        const int i = model.find(name);
        if (i < 0) result.error = "no node " + name;
        into.push_back(i);
        return i >= 0;
    };
    for (const std::string& name : inputs) {
        if (!index(name, s.inputs_)) return result;
        if (model.nodes_[std::size_t(s.inputs_.back())].op != Op::placeholder) {
            result.error = "node " + name + " is no placeholder";
            return result;
        }
    }
    for (const std::string& name : outputs)
        if (!index(name, s.outputs_)) return result;

    // The nodes the outputs need, and nothing the inputs give.
    const std::size_t count = model.nodes_.size();
    std::vector<char> needed(count, 0);
    std::vector<int> stack(s.outputs_);
    for (int i : s.inputs_)
        needed[std::size_t(i)] = 2;
    while (!stack.empty()) {
        const int i = stack.back();
        stack.pop_back();
        if (needed[std::size_t(i)]) continue;
        needed[std::size_t(i)] = 1;
        const GraphModel::Node& n = model.nodes_[std::size_t(i)];
        stack.insert(stack.end(), n.inputs.begin(), n.inputs.end());
        stack.insert(stack.end(), n.controls.begin(), n.controls.end());
    }
    s.value_of_.assign(count, nullptr);
    for (int i : model.order_) {
        const GraphModel::Node& n = model.nodes_[std::size_t(i)];
        if (needed[std::size_t(i)] != 1) continue;
        if (n.op == Op::placeholder) {
            result.error = "placeholder " + n.name + " is not fed";
            return result;
        }
        if (n.op == Op::constant)
            s.value_of_[std::size_t(i)] = &model.constants_[std::size_t(n.constant)];
        else
            s.schedule_.push_back(i);
    }

    // The computed values share buffers: each node takes one that no value
    // still to be read holds, given back after its last reader has run.
    constexpr int forever = std::numeric_limits<int>::max();
    std::vector<int> last_read(count, -1);
    for (std::size_t at = 0; at < s.schedule_.size(); ++at)
        for (int in : model.nodes_[std::size_t(s.schedule_[at])].inputs)
            last_read[std::size_t(in)] = int(at);
    for (int o : s.outputs_)
        last_read[std::size_t(o)] = forever;
    s.slot_of_.assign(count, -1);
    std::vector<int> free_slots;
    int slots = 0;
    for (std::size_t at = 0; at < s.schedule_.size(); ++at) {
        const std::size_t i = std::size_t(s.schedule_[at]);
        if (free_slots.empty()) {
            s.slot_of_[i] = slots++;
        } else {
            s.slot_of_[i] = free_slots.back();
            free_slots.pop_back();
        }
        for (int in : model.nodes_[i].inputs)
            if (s.slot_of_[std::size_t(in)] >= 0 && last_read[std::size_t(in)] == int(at)) {
                free_slots.push_back(s.slot_of_[std::size_t(in)]);
                last_read[std::size_t(in)] = forever; // once, if read twice here
            }
        if (last_read[i] < 0) free_slots.push_back(s.slot_of_[i]); // never read
    }
    s.values_.resize(std::size_t(slots));
    result.value = std::move(s);
    return result;
}

std::string GraphSession::run(std::span<const Tensor* const> inputs) {
    if (inputs.size() != inputs_.size()) return "wrong number of inputs";
    for (std::size_t k = 0; k < inputs.size(); ++k) {
        const GraphModel::Node& n = model_->nodes_[std::size_t(inputs_[k])];
        const Tensor& t = *inputs[k];
        if (t.dtype != n.dtype) return "input " + n.name + ": wrong type";
        const std::size_t have = t.dtype == DType::float32 ? t.floats.size() : t.ints.size();
        const std::optional<std::size_t> count = element_count(t.shape);
        if (t.shape.size() > std::size_t(max_rank) || !count || *count != have)
            return "input " + n.name + ": its values do not fit its shape";
        if (n.shape) {
            bool fits = n.shape->size() == t.shape.size();
            for (std::size_t d = 0; fits && d < t.shape.size(); ++d)
                fits = (*n.shape)[d] < 0 || (*n.shape)[d] == t.shape[d];
            if (!fits) return "input " + n.name + ": wrong shape";
        }
        value_of_[std::size_t(inputs_[k])] = &t;
    }
    Run run{{}, work_, packed_, model_->constants_, model_->spectra_.get()};
    std::vector<const Tensor*> args;
    for (int i : schedule_) {
        const GraphModel::Node& n = model_->nodes_[std::size_t(i)];
        // The ops built for plain SSE run slowly after wide vector code (the
        // C library's copies among it) that left the upper halves of the
        // AVX registers dirty.
        clear_upper_vector_state();
        args.clear();
        for (int in : n.inputs)
            args.push_back(value_of_[std::size_t(in)]);
        Tensor& value = values_[std::size_t(slot_of_[std::size_t(i)])];
        if (!evaluate(n, args, value, run))
            return "node " + n.name + " (" + n.op_name + "): " + run.error;
        value_of_[std::size_t(i)] = &value;
    }
    return {};
}

const Tensor& GraphSession::output(std::size_t i) const {
    return *value_of_[std::size_t(outputs_[i])];
}

} // namespace pitkad
