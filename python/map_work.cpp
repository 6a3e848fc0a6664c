// quorv_scratches.Map.eval and .bake: the tool's evaluation and bake, run without the GIL on
// the tool's threads, into numpy arrays.
#include <cmath>
#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include <pybind11/numpy.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include "python/array_writer.h"
#include "python/python_map.h"
#include "python/released_work.h"
#include "tool/base/nearest_names.h"
#include "tool/images/image.h"
#include "tool/images/resolution.h"
#include "tool/sampling/bake_files.h"
#include "tool/sampling/bake.h"
#include "tool/sampling/eval_samples.h"
#include "tool/setup/seed_shift.h"

namespace py = pybind11;

// A whole-number argument as Python gave it, checked by the function itself: pybind11's own
// refusal of a value no C++ integer holds spans several lines and names no range.
struct WholeArg {
    py::object value;
};

namespace pybind11::detail {
template <>
struct type_caster<WholeArg> {
    PYBIND11_TYPE_CASTER(WholeArg, const_name("int"));
    bool load(handle src, bool) {
        value.value = reinterpret_borrow<object>(src);
        return true;
    }
    static handle cast(const WholeArg& arg, return_value_policy, handle) {
        return arg.value.inc_ref();
    }
};
}  // namespace pybind11::detail

namespace {

// The argument as an integer from low to high; a TypeError or a ValueError of one line that
// says what is accepted otherwise (`accepted`, or "low to high").
long long Whole(const char* name, const WholeArg& arg, long long low, long long high,
                const std::string& accepted = "") {
    const std::string range =
        accepted.empty() ? std::to_string(low) + " to " + std::to_string(high) : accepted;
    const py::object integral = py::module_::import("numbers").attr("Integral");
    if (py::isinstance<py::bool_>(arg.value) || !py::isinstance(arg.value, integral)) {
        throw py::type_error(std::string(name) + ": expected a whole number from " + range +
                             ", got " +
                             py::str(py::type::of(arg.value).attr("__name__")).cast<std::string>());
    }
    const py::int_ number(arg.value);
    if (number < py::int_(low) || number > py::int_(high)) {
        throw py::value_error(std::string(name) + "=" + py::repr(number).cast<std::string>() +
                              " is not accepted: give " + range);
    }
    return number.cast<long long>();
}

// Any integer that a TimeValue holds.
TimeValue TimeArg(const WholeArg& arg) {
    return static_cast<TimeValue>(Whole("time", arg, std::numeric_limits<TimeValue>::min(),
                                        std::numeric_limits<TimeValue>::max()));
}

// The most threads a run takes, as on the command line.
constexpr int kMaxThreads = 1024;

template <typename Enum, std::size_t N>
Enum Named(const std::pair<const char*, Enum> (&names)[N], const std::string& name) {
    std::vector<std::string> known;
    for (const auto& [text, value] : names) {
        if (SameName(name, text)) return value;
        known.push_back(text);
    }
    throw py::value_error("output '" + name + "' is not one of " + JoinAlternatives(known));
}

int Threads(const WholeArg& threads) {
    return static_cast<int>(Whole("threads", threads, 0, kMaxThreads,
                                  "0 (every core) to " + std::to_string(kMaxThreads)));
}

// The samples of an (N, 3) or (N, 9) float32 array, checked as the tool checks its input.
std::vector<EvalSample> Samples(const py::handle& points) {
    if (!py::isinstance<py::array>(points)) {
        throw py::type_error("points must be a numpy array of float32, (N, 3) or (N, 9)");
    }
    const auto array = py::reinterpret_borrow<py::array>(points);
    if (!array.dtype().equal(py::dtype::of<float>())) {
        throw py::type_error("points must be float32, not " +
                             py::str(array.dtype()).cast<std::string>() +
                             " (use points.astype(numpy.float32))");
    }
    if (array.ndim() != 2 || (array.shape(1) != 3 && array.shape(1) != 9)) {
        throw py::value_error(
            "points must have the shape (N, 3) or (N, 9): rows of x y z or "
            "x y z ax ay az bx by bz; got " +
            py::str(py::tuple(array.attr("shape"))).cast<std::string>());
    }
    if (!(array.flags() & py::array::c_style)) {
        throw py::value_error("points must be C-contiguous (use numpy.ascontiguousarray(points))");
    }
    const std::size_t n = static_cast<std::size_t>(array.shape(0));
    const std::size_t columns = static_cast<std::size_t>(array.shape(1));
    const float* v = static_cast<const float*>(array.data());
    std::vector<EvalSample> samples(n);
    for (std::size_t i = 0; i < n; ++i, v += columns) {
        for (std::size_t k = 0; k < columns; ++k) {
            if (!std::isfinite(v[k])) {
                throw py::value_error("points[" + std::to_string(i) + ", " + std::to_string(k) +
                                      "] is " + (std::isnan(v[k]) ? "NaN" : "infinite") +
                                      ": every coordinate must be a finite number");
            }
        }
        samples[i].p = Point3(v[0], v[1], v[2]);
        if (columns == 9) {
            samples[i].a = Point3(v[3], v[4], v[5]);
            samples[i].b = Point3(v[6], v[7], v[8]);
        }
    }
    return samples;
}

py::array Eval(PythonMap& self, const py::handle& points, const std::string& output, bool filtered,
               const WholeArg& mtl, const WholeArg& node, const WholeArg& time,
               const WholeArg& threadCount) {
    EvalOptions options;
    options.output = Named(kEvalOutputNames, output);
    options.filtered = filtered;
    options.mtl = static_cast<int>(Whole("mtl", mtl, 0, kMaxMtlId));
    options.time = TimeArg(time);
    if (!node.value.is_none()) {
        options.node = static_cast<std::uint32_t>(
            Whole("node", node, 0, 4294967295LL, "0 to 4294967295, or None"));
    }
    const int threads = Threads(threadCount);
    const std::vector<EvalSample> samples = Samples(points);

    const auto lock = self.Lock();
    Interval valid = FOREVER;
    self.Map()->Update(options.time, valid);
    std::vector<EvalResult> results;
    RunWithoutGil(threads, [&](tbb::task_group_context&) {
        results = EvaluateSamples(self.Map(), samples, options);
    });

    const int count = ResultCount(options.output);
    const auto n = static_cast<py::ssize_t>(samples.size());
    py::array_t<float> out = count == 1 ? py::array_t<float>(std::vector<py::ssize_t>{n})
                                        : py::array_t<float>(std::vector<py::ssize_t>{n, count});
    float* dst = out.mutable_data();
    for (const EvalResult& r : results) {
        for (int k = 0; k < count; ++k) *dst++ = r.v[k];
    }
    return out;
}

void ParseRes(const py::handle& res, int& width, int& height) {
    if (py::isinstance<py::str>(res)) {
        ParseResolution(res.cast<std::string>(), width, height);
        return;
    }
    try {
        if (py::isinstance<py::sequence>(res)) {
            const auto pair = res.cast<std::pair<long long, long long>>();
            width = static_cast<int>(std::clamp(pair.first, -1LL, 1LL << 30));
            height = static_cast<int>(std::clamp(pair.second, -1LL, 1LL << 30));
        } else {
            width = height = static_cast<int>(std::clamp(res.cast<long long>(), -1LL, 1LL << 30));
        }
    } catch (const py::cast_error&) {
        throw py::type_error("res must be N, (width, height) or 'WxH'");
    }
    CheckImageSize(width, height);
}

// One output by name, or several as a sequence of names.
std::vector<BakeOutput> BakeOutputs(const py::handle& output, bool& several) {
    std::vector<std::string> names;
    several = !py::isinstance<py::str>(output);
    if (several) {
        try {
            names = output.cast<std::vector<std::string>>();
        } catch (const py::cast_error&) {
            throw py::type_error("output must be a name or a sequence of names");
        }
    } else {
        names.push_back(output.cast<std::string>());
    }
    std::vector<std::string> known;
    for (const BakeOutput o : kBakeOutputs) known.push_back(BakeOutputName(o));
    std::vector<BakeOutput> outputs;
    for (const std::string& name : names) {
        const auto it = std::find_if(known.begin(), known.end(),
                                     [&](const std::string& k) { return SameName(name, k); });
        if (it == known.end()) {
            throw py::value_error("output '" + name + "' is not one of " + JoinAlternatives(known));
        }
        outputs.push_back(kBakeOutputs[it - known.begin()]);
    }
    return outputs;
}

NormalY NormalYNamed(const std::string& name) {
    if (SameName(name, "up")) return NormalY::Up;
    if (SameName(name, "down")) return NormalY::Down;
    throw py::value_error("normal_y '" + name + "' is not one of up or down");
}

// A Python float as the tool's float option; beyond the floats' range it is infinite (and
// refused as out of range), never converted out of range.
float OptionFloat(double d) {
    constexpr double kMax = std::numeric_limits<float>::max();
    if (d > kMax) return std::numeric_limits<float>::infinity();
    if (d < -kMax) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(d);
}

py::object Bake(PythonMap& self, const py::handle& res, const py::handle& output,
                const WholeArg& samples, double extent, bool filtered, double depth,
                const std::string& normalY, double normalStrength, bool tileable,
                const WholeArg& time, const WholeArg& threadCount, const py::object& path,
                const WholeArg& bits, const std::string& compression) {
    BakeOptions options;
    ParseRes(res, options.width, options.height);
    bool several = false;
    options.outputs = BakeOutputs(output, several);
    // The range is the bake's own check, below.
    options.samples = static_cast<int>(Whole("samples", samples, std::numeric_limits<int>::min(),
                                             std::numeric_limits<int>::max(),
                                             "1 to " + std::to_string(kMaxBakeSamples)));
    options.extent = OptionFloat(extent);
    options.filtered = filtered;
    options.depth = OptionFloat(depth);
    options.normalY = NormalYNamed(normalY);
    options.bumpNormalStrength = OptionFloat(normalStrength);
    options.tileable = tileable;
    options.time = TimeArg(time);
    CheckBakeOptions(options);
    {
        const auto lock = self.Lock();
        options.shift = SeedShift(self.Seed()) / options.extent;
    }
    const int threads = Threads(threadCount);

    // Files as `bake -o` writes them: one per output, or one .exr for several.
    std::vector<std::string> paths;
    if (!path.is_none()) {
        try {
            if (py::isinstance<py::str>(path) || py::hasattr(path, "__fspath__")) {
                paths.push_back(path.cast<std::filesystem::path>().string());
            } else {
                for (const py::handle p : path)
                    paths.push_back(p.cast<std::filesystem::path>().string());
            }
        } catch (const py::cast_error&) {
            throw py::type_error("path must be a file's path or a sequence of them");
        }
        BakeEncoding encoding;
        encoding.bits = static_cast<int>(Whole("bits", bits, 0, 32, "0, 8, 16 or 32"));
        encoding.tileable = options.tileable;
        bool known = false;
        for (int c = 0; c <= static_cast<int>(ExrCompression::Dwab); ++c) {
            if (SameName(compression, ExrCompressionName(static_cast<ExrCompression>(c)))) {
                encoding.compression = static_cast<ExrCompression>(c);
                known = true;
            }
        }
        if (!known)
            throw py::value_error("compression '" + compression + "' is not one of OpenEXR's");
        CheckBakeFiles(paths, options.outputs, encoding);
        std::vector<std::unique_ptr<OutputFile>> files;
        std::vector<OutputFile*> targets;
        for (const std::string& p : paths) {
            files.push_back(std::make_unique<OutputFile>(p));
            targets.push_back(files.back().get());
        }
        const auto lock = self.Lock();
        Interval valid = FOREVER;
        self.Map()->Update(options.time, valid);
        const BakeTiling tiling(self.Map(), options);
        RunWithoutGil(threads, [&](tbb::task_group_context& context) {
            Progress progress("bake", 0, true);
            WriteBakeFiles(targets, options.outputs, options.width, options.height, encoding,
                           [&](ImageWriter& out) {
                               BakeMap(self.Map(), options, progress, out);
                               // Cancelled: the files are left unwritten, and removed.
                               if (context.is_group_execution_cancelled())
                                   throw ToolError("interrupted");
                           });
        });
        return py::none();
    }

    // Every array is made before the work, so that a bake that cannot be held never starts.
    std::vector<py::array_t<float>> images;
    std::vector<ArrayWriter::Target> targets;
    for (const BakeOutput o : options.outputs) {
        const int channels = BakeChannels(o);
        std::vector<py::ssize_t> shape = {options.height, options.width};
        if (channels > 1) shape.push_back(channels);
        images.emplace_back(shape);
        targets.push_back({images.back().mutable_data(), channels});
    }

    const auto lock = self.Lock();
    Interval valid = FOREVER;
    self.Map()->Update(options.time, valid);
    const BakeTiling tiling(self.Map(), options);
    RunWithoutGil(threads, [&](tbb::task_group_context& context) {
        Progress progress("bake", 0, true);
        ArrayWriter writer(targets, options.width, options.height);
        BakeMap(self.Map(), options, progress, writer);
        if (!context.is_group_execution_cancelled()) writer.Finish();
    });
    if (!several) return images.front();
    py::tuple all(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) all[i] = images[i];
    return all;
}

}  // namespace

void BindMapWork(py::class_<PythonMap>& cls) {
    cls.def("eval", &Eval, py::arg("points"), py::kw_only(), py::arg("output") = "color",
            py::arg("filtered") = false, py::arg("mtl") = 0, py::arg("node") = py::none(),
            py::arg("time") = 0, py::arg("threads") = 0,
            R"(The map at many points, as the command line's eval answers them.

points: a C-contiguous float32 array, (N, 3) of positions or (N, 9) of positions and their
screen derivatives a = dP/dx, b = dP/dy; every value finite.
output: "color" gives (N, 4) r g b a, "mono" (N,) and "bump" (N, 3) the bump vector; the
nearest scratch's "random" (N,) in [0, 1), "layer" (N,), "direction" (N, 3) 0.5 + 0.5 (x, y)
and 0 for the unit vector along it in the points' x, y plane, and "angle" (N,) that line from
+x toward +y, 0 to 1 for 0 to 180 degrees, as bake gives them.
filtered asks for filtered maps; mtl, node (None: no scene node) and time (ticks, 4800 a
second) describe the samples. threads: 0 uses every core. The GIL is released meanwhile, and
Ctrl-C interrupts (KeyboardInterrupt).)");
    cls.def("bake", &Bake, py::arg("res") = 1024, py::kw_only(), py::arg("output") = "color",
            py::arg("samples") = kDefaultBakeSamples, py::arg("extent") = 50.0,
            py::arg("filtered") = true, py::arg("depth") = 0.2, py::arg("normal_y") = "up",
            py::arg("normal_strength") = 0.0, py::arg("tileable") = false, py::arg("time") = 0,
            py::arg("threads") = 0, py::arg("path") = py::none(), py::arg("bits") = 0,
            py::arg("compression") = "zip",
            R"(The map over a square of its own coordinates, as float32 arrays: the values the
command line's bake writes to a float OpenEXR file, bit for bit.

res: N, (width, height) or "WxH". Pixel (x, y) covers (u, v) in [x/w, (x+1)/w] x
[1-(y+1)/h, 1-y/h]: row 0 is the top (v near 1). A sample at (u, v) has UVW (u, v, 0) and
P = (u, v, 0) * extent.
output: one name, giving one array, or a sequence of names, giving a tuple of arrays from one
pass: "color" (H, W, 4) linear RGBA; "mono" (H, W) the colours' mean; "mask" (H, W), 1 on a
scratch and 0 on the clean surface; "height" (H, W), 0 at a scratch's bottom and 1 on the
surface; "normal" (H, W, 3), tangent-space normals from the height, 0.5 + 0.5 n; "bump"
(H, W, 3), the host's raw bump vector; and of the scratch nearest to each pixel (also between
scratches): "random" (H, W) in [0, 1), one value per scratch; "layer" (H, W), its layer 0 to
levels - 1; "direction" (H, W, 3), 0.5 + 0.5 (x, y) and 0 for the unit vector along it in
(u, v), y up with normal_y "up"; "angle" (H, W), that line from +u toward +v, 0 to 1 for 0 to
180 degrees. Random, layer and angle come from the pixel's sample with the strongest scratch,
never a mean; direction averages the samples on that scratch's layer.
samples: N x N stratified samples a pixel, box-filtered (1 point-samples the centres).
filtered=False point-samples each sample instead of filtering it by its footprint.
depth: how deep a scratch is for the normals, in object units; normal_y: "up" (+v, OpenGL)
or "down" (DirectX), for the normals and the direction; normal_strength > 0 makes the normals from the host's bump vector
tilted by it instead. tileable=True makes the image repeat without a seam (scratches leaving
the square come back on the opposite side, erosion blended across the edges; several times the
work). time in ticks (4800 a second). threads: 0 uses every core.
path: a file (or one per output, or one .exr for several) to write instead of returning
arrays, exactly as the command line's bake -o writes it: .png, .tif, .tx, .exr or .jpg (colour
only); bits and compression as its --bits and --compression. Returns None then.
The GIL is released meanwhile; Ctrl-C interrupts (KeyboardInterrupt) and nothing is
returned.)");
}
