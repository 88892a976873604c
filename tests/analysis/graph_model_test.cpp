#include "analysis/graph_model.h"

#include "tests/common/temp_dir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace pitkad {
namespace {

// Test graphs written as TF.js writes them.
struct TestNode {
    std::string name, op;
    std::vector<std::string> inputs;
    std::string attrs = ""; // members of "attr", comma-separated
};

std::string base64(std::string_view bytes) {
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        std::uint32_t v = std::uint8_t(bytes[i]) << 16;
        if (i + 1 < bytes.size()) v |= std::uint8_t(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) v |= std::uint8_t(bytes[i + 2]);
        for (std::size_t k = 0; k < 4; ++k)
            out += i + k <= bytes.size() ? digits[v >> (18 - 6 * k) & 63] : '=';
    }
    return out;
}

std::string int_attr(std::string_view key, long v) {
    return "\"" + std::string(key) + "\":{\"i\":\"" + std::to_string(v) + "\"}";
}
std::string text_attr(std::string_view key, std::string_view v) {
    return "\"" + std::string(key) + "\":{\"s\":\"" + base64(v) + "\"}";
}
std::string ints_attr(std::string_view key, const std::vector<int>& v) {
    std::string s = "\"" + std::string(key) + "\":{\"list\":{\"i\":[";
    for (std::size_t i = 0; i < v.size(); ++i)
        s += (i ? ",\"" : "\"") + std::to_string(v[i]) + "\"";
    return s + "]}}";
}

// A constant given in its attribute.
template <class T>
TestNode constant(std::string name, const std::vector<int>& shape, const std::vector<T>& values) {
    const bool f = std::is_same_v<T, float>;
    std::string dims, vals;
    for (int d : shape) {
        dims += dims.empty() ? "{\"size\":\"" : ",{\"size\":\"";
        dims += std::to_string(d);
        dims += "\"}";
    }
    for (T v : values) {
        char buf[32];
        std::snprintf(buf, sizeof buf, f ? "%.9g" : "%.0f", double(v));
        vals += vals.empty() ? "" : ",";
        vals += buf;
    }
    const std::string type = f ? "DT_FLOAT" : "DT_INT32";
    return {std::move(name),
            "Const",
            {},
            "\"dtype\":{\"type\":\"" + type + "\"},\"value\":{\"tensor\":{\"dtype\":\"" + type +
                "\",\"tensorShape\":{\"dim\":[" + dims + "]},\"" + (f ? "floatVal" : "intVal") +
                "\":[" + vals + "]}}"};
}
TestNode ints(std::string name, const std::vector<int>& v) {
    return constant<int>(std::move(name), {int(v.size())}, v);
}
TestNode scalar(std::string name, int v) {
    return constant<int>(std::move(name), {}, {v});
}

std::string model_json(const std::vector<TestNode>& nodes, const std::string& weights = "") {
    std::string s = R"({"format":"graph-model","modelTopology":{"node":[)";
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const TestNode& n = nodes[i];
        s += i ? R"(,{"name":")" : R"({"name":")";
        s += n.name + R"(","op":")" + n.op + R"(","input":[)";
        for (std::size_t k = 0; k < n.inputs.size(); ++k)
            s += (k ? ",\"" : "\"") + n.inputs[k] + "\"";
        s += "],\"attr\":{" + n.attrs + "}}";
    }
    return s + R"(]},"weightsManifest":[{"paths":["w.bin"],"weights":[)" + weights + "]}]}";
}

// The value of the last node.
OrError<Tensor> evaluate(const std::vector<TestNode>& nodes) {
    OrError<Tensor> result;
    OrError<GraphModel> m = GraphModel::parse(model_json(nodes), {});
    if (!m.value) {
        result.error = m.error;
        return result;
    }
    const std::string out = nodes.back().name;
    OrError<GraphSession> s = GraphSession::make(*m.value, {}, std::span(&out, 1));
    if (!s.value) {
        result.error = s.error;
        return result;
    }
    result.error = s.value->run({});
    if (result.error.empty()) result.value = s.value->output(0);
    return result;
}

std::vector<double> values_of(const Tensor& t) {
    if (t.dtype == DType::float32) return {t.floats.begin(), t.floats.end()};
    return {t.ints.begin(), t.ints.end()};
}

std::vector<float> iota(int n) {
    std::vector<float> v(std::size_t(n), 0.0f);
    for (int i = 0; i < n; ++i)
        v[std::size_t(i)] = float(i);
    return v;
}

struct OpCase {
    const char* what;
    std::vector<TestNode> nodes; // the last one is the result
    std::vector<int> shape;
    std::vector<double> values; // empty with `error`
    const char* error = nullptr;
};

void check(const OpCase& c) {
    SCOPED_TRACE(c.what);
    const OrError<Tensor> r = evaluate(c.nodes);
    if (c.error) {
        ASSERT_FALSE(r.value);
        EXPECT_NE(r.error.find(c.error), std::string::npos) << r.error;
        return;
    }
    ASSERT_TRUE(r.value) << r.error;
    EXPECT_EQ(r.value->shape, c.shape);
    const std::vector<double> got = values_of(*r.value);
    ASSERT_EQ(got.size(), c.values.size());
    for (std::size_t i = 0; i < got.size(); ++i)
        EXPECT_NEAR(got[i], c.values[i], 1e-6 * (1 + std::fabs(c.values[i]))) << i;
}

// x[a][b][c] = 12a + 4b + c, then StridedSlice with the given begin, end,
// strides and masks (begin, end, ellipsis, new axis, shrink).
std::vector<TestNode> slice(const std::vector<int>& begin, const std::vector<int>& end,
                            const std::vector<int>& strides, int begin_mask, int end_mask,
                            int ellipsis, int new_axis, int shrink) {
    return {constant<float>("x", {2, 3, 4}, iota(24)),
            ints("b", begin),
            ints("e", end),
            ints("s", strides),
            {"y",
             "StridedSlice",
             {"x", "b", "e", "s"},
             int_attr("begin_mask", begin_mask) + "," + int_attr("end_mask", end_mask) + "," +
                 int_attr("ellipsis_mask", ellipsis) + "," + int_attr("new_axis_mask", new_axis) +
                 "," + int_attr("shrink_axis_mask", shrink)}};
}

TEST(GraphOps, StridedSliceAsTensorFlowDefinesIt) {
    const OpCase cases[] = {
        {"x[:, 1:3]",
         slice({0, 1}, {0, 3}, {1, 1}, 1, 1, 0, 0, 0),
         {2, 2, 4},
         {4, 5, 6, 7, 8, 9, 10, 11, 16, 17, 18, 19, 20, 21, 22, 23}},
        {"x[:, 1]",
         slice({0, 1}, {0, 2}, {1, 1}, 1, 1, 0, 0, 2),
         {2, 4},
         {4, 5, 6, 7, 16, 17, 18, 19}},
        {"x[..., None]", slice({0, 0}, {0, 0}, {1, 1}, 0, 0, 1, 2, 0), {2, 3, 4, 1}, {}},
        {"x[::-1, 2]",
         slice({0, 2}, {0, 3}, {-1, 1}, 1, 1, 0, 0, 2),
         {2, 4},
         {20, 21, 22, 23, 8, 9, 10, 11}},
        {"x[:, :, -1:0:-2]",
         slice({0, 0, -1}, {0, 0, 0}, {1, 1, -2}, 3, 3, 0, 0, 0),
         {2, 3, 2},
         {3, 1, 7, 5, 11, 9, 15, 13, 19, 17, 23, 21}},
        {"x[1, None, :, 2]",
         slice({1, 0, 0, 2}, {2, 0, 0, 3}, {1, 1, 1, 1}, 4, 4, 0, 2, 9),
         {1, 3},
         {14, 18, 22}},
        {"x[..., 1:100:2]",
         slice({0, 1}, {0, 100}, {1, 2}, 0, 0, 1, 0, 0),
         {2, 3, 2},
         {1, 3, 5, 7, 9, 11, 13, 15, 17, 19, 21, 23}},
        {"x[5:1]: empty", slice({5}, {1}, {1}, 0, 0, 0, 0, 0), {0, 3, 4}, {}},
        {"x[-3]: out of bounds", slice({-3}, {-2}, {1}, 0, 0, 0, 0, 1), {}, {}, "out of bounds"},
        {"x[::0]", slice({0}, {0}, {0}, 1, 1, 0, 0, 0), {}, {}, "stride 0"},
        {"two ellipses", slice({0, 0}, {0, 0}, {1, 1}, 0, 0, 3, 0, 0), {}, {}, "ellipsis"},
        {"x[0, 0, 0, 0]",
         slice({0, 0, 0, 0}, {1, 1, 1, 1}, {1, 1, 1, 1}, 0, 0, 0, 0, 15),
         {},
         {},
         "more slice dimensions"},
    };
    for (OpCase c : cases) {
        if (c.values.empty() && !c.error)
            for (int i = 0; i < (c.shape[0] ? 24 : 0); ++i)
                c.values.push_back(i);
        check(c);
    }
}

TEST(GraphOps, PaddingShapingAndCombining) {
    const TestNode row = constant<float>("x", {3}, {1, 2, 3});
    const TestNode square = constant<float>("x", {2, 2}, {1, 2, 3, 4});
    const auto mirror = [](TestNode x, std::vector<int> pads, std::vector<int> shape,
                           const char* mode) {
        return std::vector<TestNode>{std::move(x),
                                     constant<int>("p", std::move(shape), pads),
                                     {"y", "MirrorPad", {"x", "p"}, text_attr("mode", mode)}};
    };
    const OpCase cases[] = {
        {"MirrorPad REFLECT", mirror(row, {2, 2}, {1, 2}, "REFLECT"), {7}, {3, 2, 1, 2, 3, 2, 1}},
        {"MirrorPad SYMMETRIC",
         mirror(row, {2, 3}, {1, 2}, "SYMMETRIC"),
         {8},
         {2, 1, 1, 2, 3, 3, 2, 1}},
        {"MirrorPad SYMMETRIC 2-D",
         mirror(square, {1, 0, 0, 1}, {2, 2}, "SYMMETRIC"),
         {3, 3},
         {1, 2, 2, 1, 2, 2, 3, 4, 4}},
        {"MirrorPad REFLECT 2-D",
         mirror(square, {1, 1, 1, 0}, {2, 2}, "REFLECT"),
         {4, 3},
         {4, 3, 4, 2, 1, 2, 4, 3, 4, 2, 1, 2}},
        {"MirrorPad REFLECT too wide",
         mirror(row, {3, 0}, {1, 2}, "REFLECT"),
         {},
         {},
         "out of range"},
        {"Pad",
         {square, constant<int>("p", {2, 2}, {0, 1, 2, 0}), {"y", "Pad", {"x", "p"}}},
         {3, 4},
         {0, 0, 1, 2, 0, 0, 3, 4, 0, 0, 0, 0}},
        {"Transpose",
         {constant<float>("x", {2, 3}, iota(6)), ints("p", {1, 0}), {"y", "Transpose", {"x", "p"}}},
         {3, 2},
         {0, 3, 1, 4, 2, 5}},
        {"Reshape with -1",
         {constant<float>("x", {2, 3}, iota(6)), ints("s", {-1, 2}), {"y", "Reshape", {"x", "s"}}},
         {3, 2},
         {0, 1, 2, 3, 4, 5}},
        {"Reshape to a wrong size",
         {constant<float>("x", {2, 3}, iota(6)), ints("s", {4, -1}), {"y", "Reshape", {"x", "s"}}},
         {},
         {},
         "cannot reshape"},
        {"Pack on the last axis",
         {row,
          constant<float>("z", {3}, {4, 5, 6}),
          {"y", "Pack", {"x", "z"}, int_attr("axis", -1) + "," + int_attr("N", 2)}},
         {3, 2},
         {1, 4, 2, 5, 3, 6}},
        {"ConcatV2 on axis -1",
         {square,
          constant<float>("z", {2, 1}, {9, 8}),
          scalar("a", -1),
          {"y", "ConcatV2", {"x", "z", "a"}, int_attr("N", 2)}},
         {2, 3},
         {1, 2, 9, 3, 4, 8}},
        {"ConcatV2 of different shapes",
         {square,
          constant<float>("z", {1, 1}, {9}),
          scalar("a", 1),
          {"y", "ConcatV2", {"x", "z", "a"}, int_attr("N", 2)}},
         {},
         {},
         "different shapes"},
        {"ExpandDims then Squeeze",
         {row,
          scalar("d", -1),
          {"e", "ExpandDims", {"x", "d"}},
          {"y", "Squeeze", {"e"}, ints_attr("squeeze_dims", {1})}},
         {3},
         {1, 2, 3}},
        {"Squeeze of a dimension larger than 1",
         {row, {"y", "Squeeze", {"x"}, ints_attr("squeeze_dims", {0})}},
         {},
         {},
         "cannot squeeze"},
        {"Shape",
         {constant<float>("x", {2, 3, 1}, iota(6)), {"y", "Shape", {"x"}}},
         {3},
         {2, 3, 1}},
    };
    for (const OpCase& c : cases)
        check(c);
}

TEST(GraphOps, ElementwiseBroadcastingAndReductions) {
    const TestNode a = constant<float>("a", {2, 1, 3}, {1, 2, 3, 4, 5, 6});
    const TestNode b = constant<float>("b", {2, 1}, {10, 20});
    const auto bin = [&](const char* op, TestNode x, TestNode y) {
        x.name = "a";
        y.name = "b";
        return std::vector<TestNode>{std::move(x), std::move(y), {"y", op, {"a", "b"}}};
    };
    const auto reduce = [](const char* op, std::vector<int> axes, bool keep) {
        return std::vector<TestNode>{
            constant<float>("x", {2, 3}, {3, -1, 4, 1, 5, -9}),
            ints("r", std::move(axes)),
            {"y",
             op,
             {"x", "r"},
             std::string("\"keep_dims\":{\"b\":") + (keep ? "true" : "false") + "}"}};
    };
    const OpCase cases[] = {
        {"AddV2 [2,1,3] + [2,1]",
         bin("AddV2", a, b),
         {2, 2, 3},
         {11, 12, 13, 21, 22, 23, 14, 15, 16, 24, 25, 26}},
        {"Sub with a scalar",
         bin("Sub", a, constant<float>("", {}, {1})),
         {2, 1, 3},
         {0, 1, 2, 3, 4, 5}},
        {"Mul of int32",
         bin("Mul", constant<int>("", {3}, {2, -3, 4}), constant<int>("", {1}, {5})),
         {3},
         {10, -15, 20}},
        {"DivNoNan by zero is 0",
         bin("DivNoNan", constant<float>("", {3}, {1, 2, 0}), constant<float>("", {3}, {2, 0, 0})),
         {3},
         {0.5, 0, 0}},
        {"shapes that do not broadcast",
         bin("Add", a, constant<float>("", {2}, {1, 2})),
         {},
         {},
         "do not broadcast"},
        {"Add of mixed types",
         bin("Add", a, constant<int>("", {1}, {1})),
         {},
         {},
         "different types"},
        {"Sum over the last axis", reduce("Sum", {-1}, false), {2}, {6, -3}},
        {"Sum keeping dims", reduce("Sum", {1}, true), {2, 1}, {6, -3}},
        {"Max over both axes", reduce("Max", {0, 1}, false), {}, {5}},
        {"Min over the first axis", reduce("Min", {0}, true), {1, 3}, {1, -1, -9}},
        {"Sum over no axes", reduce("Sum", {}, false), {2, 3}, {3, -1, 4, 1, 5, -9}},
        {"a reduction axis out of range", reduce("Sum", {2}, false), {}, {}, "out of range"},
    };
    for (const OpCase& c : cases)
        check(c);
    // The unary ops.
    const struct {
        const char* op;
        double (*f)(double);
    } unary[] = {
        {"Neg", [](double x) { return -x; }},
        {"Square", [](double x) { return x * x; }},
        {"Sqrt", [](double x) { return std::sqrt(x); }},
        {"Log", [](double x) { return std::log(x); }},
        {"Sigmoid", [](double x) { return 1 / (1 + std::exp(-x)); }},
    };
    for (const auto& u : unary) {
        const std::vector<float> x = {0.25f, 1.0f, 3.5f, 40.0f};
        std::vector<double> want;
        for (float v : x)
            want.push_back(u.f(v));
        check({u.op, {constant<float>("x", {4}, x), {"y", u.op, {"x"}}}, {4}, want});
    }
}

// Conv2D against the definition: the sum over the window with zero
// padding, the padding before (SAME) half the padding needed, rounded down.
struct ConvCase {
    int in_h, in_w, in_c, k_h, k_w, out_c;
    int stride_h, stride_w, dilation_h, dilation_w;
    const char* padding;
    std::vector<int> pads; // EXPLICIT: top, bottom, left, right
    const char* fused;     // "", "BiasAdd", "BiasAdd,Relu" or "BiasAdd,Relu6"
    int batch = 1;
};

TEST(GraphOps, Conv2DMatchesTheDefinition) {
    const ConvCase cases[] = {
        {5, 19, 3, 3, 4, 8, 1, 1, 1, 1, "SAME", {}, "BiasAdd,Relu"},
        {4, 30, 2, 2, 3, 36, 1, 3, 1, 1, "VALID", {}, ""},
        {3, 25, 3, 2, 2, 32, 1, 1, 1, 1, "SAME", {}, "BiasAdd,Relu6"},
        {6, 23, 5, 3, 3, 1, 2, 1, 1, 1, "SAME", {}, "BiasAdd"},
        {5, 17, 4, 3, 2, 16, 1, 1, 2, 3, "EXPLICIT", {1, 2, 0, 3}, "BiasAdd,Relu"},
        {1, 300, 1, 1, 33, 1, 1, 2, 1, 1, "VALID", {}, ""},
        {3, 40, 1, 1, 16, 36, 1, 4, 1, 1, "VALID", {}, ""},
        {2, 9, 2, 2, 2, 3, 3, 3, 1, 1, "SAME", {}, ""},
        // Rows of several tiles of pixels, the last overlapping the one
        // before: whole vectors of channels at stride 3, a partial vector
        // after whole ones; one output channel over many vectors of
        // pixels, at strides 2 and 3 with dilation.
        {3, 80, 8, 5, 5, 32, 1, 3, 1, 1, "SAME", {}, "BiasAdd,Relu"},
        {3, 30, 3, 3, 3, 36, 1, 1, 1, 1, "SAME", {}, "BiasAdd,Relu6"},
        {5, 150, 8, 5, 5, 1, 1, 1, 1, 1, "SAME", {}, "BiasAdd,Relu"},
        {2, 300, 2, 1, 9, 1, 1, 2, 1, 1, "VALID", {}, ""},
        {3, 200, 3, 2, 4, 1, 1, 3, 1, 2, "EXPLICIT", {0, 1, 5, 2}, "BiasAdd"},
        // Wide filters, computed with FFTs: odd and even widths, one wider
        // than the input, padding beyond the filter on either side (the
        // cyclic result read across its wrap), stride and dilation in height.
        {4, 60, 8, 3, 39, 8, 1, 1, 1, 1, "SAME", {}, "BiasAdd,Relu", 2},
        {3, 40, 3, 2, 16, 5, 1, 1, 1, 1, "SAME", {}, ""},
        {2, 12, 2, 1, 33, 4, 1, 1, 1, 1, "SAME", {}, "BiasAdd", 3},
        {9, 50, 1, 3, 20, 1, 2, 1, 2, 1, "VALID", {}, "BiasAdd"},
        {3, 30, 2, 1, 17, 3, 1, 1, 1, 1, "EXPLICIT", {1, 0, 25, 30}, "BiasAdd,Relu6"},
    };
    static_assert(conv_fft_min_width <= 16);
    unsigned seed = 7;
    const auto noise = [&] {
        seed = seed * 1103515245u + 12345u;
        return float(int(seed >> 16) % 2001 - 1000) / 1000.0f;
    };
    for (const ConvCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.batch) + "x" + std::to_string(c.in_h) + "x" +
                     std::to_string(c.in_w) + "x" + std::to_string(c.in_c) + " " + c.padding + " " +
                     c.fused + " " + std::to_string(c.k_h) + "x" + std::to_string(c.k_w));
        std::vector<float> x(std::size_t(c.batch * c.in_h * c.in_w * c.in_c)),
            f(std::size_t(c.k_h * c.k_w * c.in_c * c.out_c)), bias(std::size_t(c.out_c));
        for (float& v : x)
            v = noise();
        for (float& v : f)
            v = noise();
        for (float& v : bias)
            v = noise();
        std::vector<TestNode> nodes = {constant<float>("x", {c.batch, c.in_h, c.in_w, c.in_c}, x),
                                       constant<float>("f", {c.k_h, c.k_w, c.in_c, c.out_c}, f),
                                       constant<float>("b", {c.out_c}, bias)};
        const std::string fused = c.fused;
        std::string attrs = text_attr("padding", c.padding) + "," +
                            ints_attr("strides", {1, c.stride_h, c.stride_w, 1}) + "," +
                            ints_attr("dilations", {1, c.dilation_h, c.dilation_w, 1});
        if (!c.pads.empty())
            attrs += "," + ints_attr("explicit_paddings",
                                     {0, 0, c.pads[0], c.pads[1], c.pads[2], c.pads[3], 0, 0});
        if (fused.empty()) {
            nodes.push_back({"y", "Conv2D", {"x", "f"}, attrs});
        } else {
            std::string list;
            for (std::size_t at = 0; at != std::string::npos;) {
                const std::size_t comma = fused.find(',', at);
                list += (list.empty() ? "\"" : ",\"") +
                        base64(fused.substr(at, comma == std::string::npos ? comma : comma - at)) +
                        "\"";
                at = comma == std::string::npos ? comma : comma + 1;
            }
            nodes.push_back({"y",
                             "_FusedConv2D",
                             {"x", "f", "b"},
                             attrs + ",\"fused_ops\":{\"list\":{\"s\":[" + list + "]}}," +
                                 int_attr("num_args", 1)});
        }
        const OrError<Tensor> r = evaluate(nodes);
        ASSERT_TRUE(r.value) << r.error;

        const auto extent = [](int in, int k, int s, int d, const char* padding, int before,
                               int after, int& pad) {
            const int effective = (k - 1) * d + 1;
            if (std::string(padding) == "SAME") {
                const int out = (in + s - 1) / s;
                pad = std::max((out - 1) * s + effective - in, 0) / 2;
                return out;
            }
            pad = before;
            return (in + before + after - effective) / s + 1;
        };
        int top = 0, left = 0;
        const bool ex = !c.pads.empty();
        const int out_h = extent(c.in_h, c.k_h, c.stride_h, c.dilation_h, c.padding,
                                 ex ? c.pads[0] : 0, ex ? c.pads[1] : 0, top);
        const int out_w = extent(c.in_w, c.k_w, c.stride_w, c.dilation_w, c.padding,
                                 ex ? c.pads[2] : 0, ex ? c.pads[3] : 0, left);
        ASSERT_EQ(r.value->shape, (std::vector<int>{c.batch, out_h, out_w, c.out_c}));
        for (int b = 0; b < c.batch; ++b)
            for (int oh = 0; oh < out_h; ++oh)
                for (int ow = 0; ow < out_w; ++ow)
                    for (int co = 0; co < c.out_c; ++co) {
                        double sum = fused.empty() ? 0.0 : bias[std::size_t(co)];
                        for (int kh = 0; kh < c.k_h; ++kh)
                            for (int kw = 0; kw < c.k_w; ++kw)
                                for (int ci = 0; ci < c.in_c; ++ci) {
                                    const int ih = oh * c.stride_h + kh * c.dilation_h - top;
                                    const int iw = ow * c.stride_w + kw * c.dilation_w - left;
                                    if (ih < 0 || ih >= c.in_h || iw < 0 || iw >= c.in_w) continue;
                                    sum += double(x[std::size_t(
                                               ((b * c.in_h + ih) * c.in_w + iw) * c.in_c + ci)]) *
                                           f[std::size_t(
                                               ((kh * c.k_w + kw) * c.in_c + ci) * c.out_c + co)];
                                }
                        if (fused.find("Relu") != std::string::npos) sum = std::max(sum, 0.0);
                        if (fused.find("Relu6") != std::string::npos) sum = std::min(sum, 6.0);
                        const float got = r.value->floats[std::size_t(
                            ((b * out_h + oh) * out_w + ow) * c.out_c + co)];
                        ASSERT_NEAR(got, sum, 1e-4) << b << " " << oh << " " << ow << " " << co;
                    }
    }
}

TEST(GraphOps, Conv2DSameWithStrideAndReluByHand) {
    // 3 × 3 input, 2 × 2 filter, stride 2: SAME pads one row and one column
    // after. Channel 0 sums the diagonal, channel 1 the negated other one.
    const std::vector<TestNode> nodes = {
        constant<float>("x", {1, 3, 3, 1}, {1, 2, 3, 4, 5, 6, 7, 8, 9}),
        constant<float>("f", {2, 2, 1, 2}, {1, 0, 0, -1, 0, -1, 1, 0}),
        constant<float>("b", {2}, {0.5f, 1.0f}),
        {"y",
         "_FusedConv2D",
         {"x", "f", "b"},
         text_attr("padding", "SAME") + "," + ints_attr("strides", {1, 2, 2, 1}) + "," +
             int_attr("num_args", 1) + ",\"fused_ops\":{\"list\":{\"s\":[\"" + base64("BiasAdd") +
             "\",\"" + base64("Relu") + "\"]}}"}};
    check({"SAME, stride 2, Relu", nodes, {1, 2, 2, 2}, {6.5, 0, 3.5, 0, 7.5, 0, 9.5, 1}});
}

TEST(GraphModel, PlaceholdersAreFedAndChecked) {
    const std::string json = model_json({
        {"in",
         "Placeholder",
         {},
         R"("dtype":{"type":"DT_FLOAT"},"shape":{"shape":{"dim":[{"size":"-1"},{"size":"2"}]}})"},
        constant<float>("two", {}, {2}),
        {"out", "Mul", {"in", "two"}},
        {"unused", "Log", {"nothing_fed"}},
        {"nothing_fed", "Placeholder", {}, R"("dtype":{"type":"DT_FLOAT"})"},
    });
    OrError<GraphModel> m = GraphModel::parse(json, {});
    ASSERT_TRUE(m.value) << m.error;
    const std::string in = "in", out = "out", unused = "unused";
    OrError<GraphSession> s = GraphSession::make(*m.value, std::span(&in, 1), std::span(&out, 1));
    ASSERT_TRUE(s.value) << s.error;
    for (int rows = 1; rows <= 2; ++rows) { // the second run reuses the buffers
        const Tensor x = Tensor::of_floats({rows, 2}, rows == 1 ? std::vector<float>{1, 2}
                                                                : std::vector<float>{1, 2, 3, 4});
        const Tensor* p = &x;
        ASSERT_EQ(s.value->run(std::span(&p, 1)), "");
        EXPECT_EQ(values_of(s.value->output(0)),
                  (rows == 1 ? std::vector<double>{2, 4} : std::vector<double>{2, 4, 6, 8}));
    }
    const Tensor wrong = Tensor::of_floats({2, 3}, std::vector<float>(6, 0.0f));
    const Tensor* p = &wrong;
    EXPECT_NE(s.value->run(std::span(&p, 1)).find("wrong shape"), std::string::npos);
    const Tensor ints = Tensor::of_ints({1, 2}, {1, 2});
    p = &ints;
    EXPECT_NE(s.value->run(std::span(&p, 1)).find("wrong type"), std::string::npos);

    EXPECT_NE(GraphSession::make(*m.value, {}, std::span(&unused, 1)).error.find("not fed"),
              std::string::npos);
    EXPECT_NE(GraphSession::make(*m.value, std::span(&out, 1), std::span(&out, 1))
                  .error.find("no placeholder"),
              std::string::npos);
}

std::vector<std::uint8_t> float_bytes(const std::vector<float>& v) {
    std::vector<std::uint8_t> b(v.size() * 4);
    std::memcpy(b.data(), v.data(), b.size());
    return b;
}

TEST(GraphModel, MalformedModelsFailWithAMessage) {
    const std::string weight = R"({"name":"w","shape":[2,2],"dtype":"float32"})";
    const std::vector<TestNode> good = {
        {"w", "Const", {}, R"("dtype":{"type":"DT_FLOAT"})"},
        {"y", "Neg", {"w"}},
    };
    const std::vector<std::uint8_t> bytes = float_bytes({1, 2, 3, 4});
    ASSERT_TRUE(GraphModel::parse(model_json(good, weight), bytes).value);
    const auto with = [&](std::string_view from, std::string_view to) {
        std::string s = model_json(good, weight);
        s.replace(s.find(from), from.size(), to);
        return s;
    };
    const std::vector<std::uint8_t> short_bytes(bytes.begin(), bytes.end() - 1);
    std::vector<std::uint8_t> long_bytes = bytes;
    long_bytes.push_back(0);
    const struct {
        const char* what;
        std::string json;
        std::span<const std::uint8_t> weights;
        const char* error;
    } cases[] = {
        {"a truncated shard", model_json(good, weight), short_bytes, "beyond the end"},
        {"a longer shard", model_json(good, weight), long_bytes, "hold 17 bytes"},
        {"a larger shape", with("[2,2]", "[2,3]"), bytes, "beyond the end"},
        {"a negative size", with("[2,2]", "[-2,-2]"), bytes, "bad or too large shape"},
        {"a huge shape", with("[2,2]", "[65536,65536,65536]"), bytes, "too large"},
        {"an unknown dtype", with("float32", "float16"), bytes, "unsupported dtype"},
        {"another dtype in the node", with("DT_FLOAT", "DT_INT32"), bytes, "another dtype"},
        {"an unknown op", with("\"Neg\"", "\"FancyOp\""), bytes, "unsupported op FancyOp"},
        {"a missing input", with("[\"w\"]", "[\"v\"]"), bytes, "input v is no node"},
        {"too many inputs", with("[\"w\"]", "[\"w\",\"w\"]"), bytes, "Neg with 2 inputs"},
        {"a second output", with("[\"w\"]", "[\"w:1\"]"), bytes, "not the first output"},
        {"a cycle", with("[\"w\"]", "[\"y\"]"), bytes, "cycle"},
        {"a name twice", with("\"y\"", "\"w\""), bytes, "named twice"},
        {"a constant without data", with("\"name\":\"w\",\"shape\"", "\"name\":\"v\",\"shape\""),
         bytes, "no weight of that name"},
        {"bad JSON", with("]}]}", "]}]"), bytes, "model.json: at byte"},
        {"not a graph", with("\"node\"", "\"nodes\""), bytes, "no modelTopology.node"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const OrError<GraphModel> m = GraphModel::parse(c.json, c.weights);
        EXPECT_FALSE(m.value);
        EXPECT_NE(m.error.find(c.error), std::string::npos) << m.error;
    }
    // Every cut of the description fails cleanly.
    const std::string json = model_json(good, weight);
    for (std::size_t n = 0; n < json.size(); ++n)
        EXPECT_FALSE(GraphModel::parse(json.substr(0, n), bytes).value) << n;
}

TEST(GraphModel, AttributesAreCheckedWhenLoading) {
    const std::vector<TestNode> x = {constant<float>("x", {1, 2, 2, 1}, {1, 2, 3, 4}),
                                     constant<float>("f", {1, 1, 1, 1}, {1}),
                                     constant<float>("b", {1}, {0})};
    const auto conv = [&](std::string attrs, std::vector<std::string> inputs = {"x", "f", "b"}) {
        std::vector<TestNode> nodes = x;
        nodes.push_back({"y", inputs.size() == 2 ? "Conv2D" : "_FusedConv2D", inputs, attrs});
        return GraphModel::parse(model_json(nodes), {}).error;
    };
    const std::string fused = ",\"fused_ops\":{\"list\":{\"s\":[\"" + base64("BiasAdd") + "\",\"" +
                              base64("Elu") + "\"]}}," + int_attr("num_args", 1);
    const struct {
        std::string error, want;
    } cases[] = {
        {conv(text_attr("padding", "SAME") + fused), "unsupported ops (BiasAdd, Elu)"},
        {conv(text_attr("padding", "FULL"), {"x", "f"}), "padding is not VALID"},
        {conv(text_attr("data_format", "NCHW"), {"x", "f"}), "data_format is not NHWC"},
        {conv(ints_attr("strides", {2, 1, 1, 1}), {"x", "f"}), "strides must be"},
        {conv(ints_attr("dilations", {1, 0, 1, 1}), {"x", "f"}), "dilations must be"},
        {conv(text_attr("padding", "EXPLICIT") + "," +
                  ints_attr("explicit_paddings", {1, 0, 0, 0, 0, 0, 0, 0}),
              {"x", "f"}),
         "must pad only height and width"},
        {conv("\"padding\":{\"s\":\"!!\"}", {"x", "f"}), "padding is not base64"},
    };
    for (const auto& c : cases)
        EXPECT_NE(c.error.find(c.want), std::string::npos) << c.error;
}

TEST(GraphModel, RunsThatDoNotFitNameTheNode) {
    // A filter for 3 channels on an input of 1.
    const OrError<Tensor> r = evaluate({constant<float>("x", {1, 2, 2, 1}, {1, 2, 3, 4}),
                                        constant<float>("f", {1, 1, 3, 1}, {1, 1, 1}),
                                        {"conv", "Conv2D", {"x", "f"}}});
    EXPECT_NE(r.error.find("node conv (Conv2D): a filter for 3 channels on 1"), std::string::npos)
        << r.error;
    // Padding beyond the size a tensor may have.
    const OrError<Tensor> big = evaluate({constant<float>("x", {1}, {1}),
                                          constant<int>("p", {1, 2}, {1 << 30, 1 << 30}),
                                          {"pad", "Pad", {"x", "p"}}});
    EXPECT_NE(big.error.find("node pad (Pad): paddings out of range"), std::string::npos)
        << big.error;
}

TEST(GraphModel, LoadsShardsBesideTheDescription) {
    test::TempDir dir;
    const std::vector<TestNode> nodes = {{"w", "Const", {}, R"("dtype":{"type":"DT_FLOAT"})"},
                                         {"v", "Const", {}, R"("dtype":{"type":"DT_INT32"})"},
                                         {"y", "Neg", {"w"}}};
    std::string json = model_json(nodes, R"({"name":"w","shape":[2],"dtype":"float32"},)"
                                         R"({"name":"v","shape":[],"dtype":"int32"})");
    json.replace(json.find("[\"w.bin\"]"), 9, "[\"a.bin\",\"b.bin\"]");
    const auto write = [&](const std::string& name, std::string_view bytes) {
        std::ofstream(dir.path() / name, std::ios::binary)
            .write(bytes.data(), std::streamsize(bytes.size()));
    };
    write("model.json", json);
    const std::vector<std::uint8_t> b = float_bytes({1.5f, -2.0f});
    write("a.bin", std::string_view(reinterpret_cast<const char*>(b.data()), 5));
    EXPECT_NE(GraphModel::load(dir.path() / "model.json")
                  .error.find("cannot read the weight shard b.bin"),
              std::string::npos);
    write("b.bin", std::string(reinterpret_cast<const char*>(b.data()) + 5, 3) +
                       std::string("\x07\0\0\0", 4));
    OrError<GraphModel> m = GraphModel::load(dir.path() / "model.json");
    ASSERT_TRUE(m.value) << m.error;
    const std::string y = "y";
    OrError<GraphSession> s = GraphSession::make(*m.value, {}, std::span(&y, 1));
    ASSERT_TRUE(s.value);
    ASSERT_EQ(s.value->run({}), "");
    EXPECT_EQ(values_of(s.value->output(0)), (std::vector<double>{-1.5, 2.0}));

    // A shard named outside the folder is not read.
    json.replace(json.find("b.bin"), 5, "../b.bin");
    write("model.json", json);
    EXPECT_NE(GraphModel::load(dir.path() / "model.json").error.find("bad shard name"),
              std::string::npos);
}

} // namespace
} // namespace pitkad
