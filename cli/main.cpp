// cli: the command line's face over the tool library: main and the option definitions (here),
// the man page and completion made from them, and the text of eval's and params' output. It
// parses its own input and calls the library; `serve` starts the page's server (serve/).
//
// quorv-scratches: evaluates, previews and bakes the QuorvScratches map through its plug-in
// module, as a host would.
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <tbb/global_control.h>

#include "cli/cli_docs.h"
#include "cli/eval_command.h"
#include "cli/info_command.h"
#include "serve/serve_command.h"
#include "tool/base/interrupt.h"
#include "tool/base/nearest_names.h"
#include "tool/base/output_file.h"
#include "tool/base/tool_error.h"
#include "tool/images/image_write.h"
#include "tool/images/image.h"
#include "tool/images/resolution.h"
#include "tool/module/plugin_module.h"
#include "tool/params/parameters.h"
#include "tool/sampling/bake.h"
#include "tool/sampling/bake_files.h"
#include "tool/sampling/render.h"
#include "tool/setup/configure_map.h"
#include "tool/setup/map_settings.h"
#include "tool/setup/no_effect.h"
#include "tool/setup/param_info.h"
#include "tool/setup/preset.h"
#include "tool/setup/seed_shift.h"

namespace {

constexpr const char* kToolName = "quorv-scratches";

struct GlobalOptions {
    std::string pluginDir;
    int threads = 0;
    bool quiet = false;
};

void AddMapOptions(CLI::App* cmd, MapOptions& map) {
    cmd->add_option(
           "--set", map.sets,
           "Set a parameter of either block by internal name, after the map's reset; "
           "numbers, colours as r,g,b, choices by number or name (repeatable; see `params`)")
        ->type_name("NAME=VALUE")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->allow_extra_args(false)
        ->default_str("");
    cmd->add_option("--preset", map.preset,
                    "Load every setting from a JSON preset first: a file, or a bundled preset by "
                    "name (`info` lists them)")
        ->type_name("FILE.json|NAME");
    cmd->add_option("--save-preset", map.savePreset,
                    "Write every setting (after --preset, --set, --map) to a JSON preset")
        ->type_name("FILE.json");
    cmd->add_option(
           "--map", map.maps,
           "Fill a sub-map slot (distortMap, sizeMap, ...) with an image file (.png, .exr, "
           ".tif, .jpg, .tga, ...) or another map, scratches:NAME=VALUE,... (repeatable)")
        ->type_name("SLOT=SOURCE")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->allow_extra_args(false)
        ->default_str("");
}

// --seed, for the commands whose samples the tool places itself (and params, to save it).
void AddSeed(CLI::App* cmd, MapOptions& map) {
    cmd->add_option("--seed", map.seed,
                    "Another scratch layout: move the pattern by a vector derived from N "
                    "(0: none; the map's own seed only varies the Mapping variances)")
        ->check(CLI::Range(0LL, 4294967295LL))
        ->type_name("N")
        ->default_str("0");
}

CLI::Option* AddTime(CLI::App* cmd, TimeValue& time) {
    return cmd->add_option("--time", time, "Time in ticks (4800 per second)")
        ->check(CLI::Range(std::numeric_limits<TimeValue>::min(),
                           std::numeric_limits<TimeValue>::max()))
        ->type_name("T");
}

// A number from low to high. CLI::Range lets NaN through, as every comparison with it is false.
CLI::Validator NumberFrom(float low, float high) {
    return CLI::Validator(
        [low, high](std::string& text) -> std::string {
            float v = 0.0f;
            if (CLI::detail::lexical_cast(text, v) && v >= low && v <= high) return {};
            return "Value " + text + " not in range " + FormatFloat(low) + " to " +
                   FormatFloat(high);
        },
        "FLOAT in [" + FormatFloat(low) + " - " + FormatFloat(high) + "]");
}

// An option taking one of the named choices: the text is checked while parsing and turned
// into the value with Apply once parsing is done.
template <typename Enum>
class Choice {
public:
    explicit Choice(std::vector<std::pair<std::string, Enum>> choices)
        : choices_(std::move(choices)) {}

    CLI::Option* Add(CLI::App* cmd, const std::string& name, Enum fallback,
                     const std::string& help) {
        std::vector<std::string> names;
        for (const auto& [text, value] : choices_) {
            names.push_back(text);
            if (value == fallback) text_ = text;
        }
        // Matched without regard to case, as --set matches choice names.
        return cmd->add_option(name, text_, help)->check(CLI::IsMember(names, CLI::ignore_case));
    }
    // The choice's own spelling of the name given.
    std::string Name() const {
        for (const auto& [text, e] : choices_) {
            if (SameName(text, text_)) return text;
        }
        return text_;
    }
    void Apply(Enum& value) const {
        for (const auto& [text, e] : choices_) {
            if (SameName(text, text_)) value = e;
        }
    }

private:
    std::vector<std::pair<std::string, Enum>> choices_;
    std::string text_;
};

// A parse error in one line, pointing to the help of the command it concerns; an unknown
// option or subcommand with the nearest known names.
std::string ParseErrorMessage(CLI::App& app, const CLI::ParseError& e) {
    CLI::App* cmd = &app;
    for (CLI::App* sub : app.get_subcommands()) cmd = sub;
    const std::string help = std::string(kToolName) + (cmd == &app ? "" : " " + cmd->get_name());
    std::vector<std::string> extra = cmd->remaining();
    if (extra.empty() && cmd != &app) extra = app.remaining();
    if (!dynamic_cast<const CLI::ExtrasError*>(&e) || extra.empty()) {
        return std::string(e.what()) + " (see " + help + " --help)";
    }
    const std::string word = extra.front().substr(0, extra.front().find('='));
    std::vector<std::string> known;
    if (cmd == &app && word.rfind('-', 0) != 0) {
        for (const CLI::App* sub : app.get_subcommands({})) known.push_back(sub->get_name());
        return "unknown subcommand '" + word + "': use one of " + JoinAlternatives(known) +
               " (see " + help + " --help)";
    }
    for (const CLI::Option* o : cmd->get_options()) {
        for (const std::string& name : o->get_lnames()) known.push_back("--" + name);
        for (const std::string& name : o->get_snames()) known.push_back("-" + name);
    }
    if (cmd != &app) {
        for (const CLI::Option* o : app.get_options()) {
            for (const std::string& name : o->get_lnames()) known.push_back("--" + name);
        }
    }
    const std::string where = cmd == &app ? "" : " for " + cmd->get_name();
    if (word.rfind('-', 0) != 0) {
        return "unexpected argument '" + word + "'" + where + " (see " + help + " --help)";
    }
    std::sort(known.begin(), known.end());
    known.erase(std::unique(known.begin(), known.end()), known.end());
    return "unknown option '" + word + "'" + where + ": nearest known options are " +
           JoinAlternatives(NearestNames(word, known)) + " (see " + help + " --help)";
}

std::string Seconds(std::chrono::steady_clock::duration d) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", std::chrono::duration<double>(d).count());
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    // Unsynchronised streams buffer standard input, so that eval sees which lines have arrived.
    std::ios::sync_with_stdio(false);
    InstallInterruptHandlers();
    CLI::App app{
        "Evaluates, previews and bakes the QuorvScratches procedural map through its "
        "plug-in module, as a host does.",
        kToolName};
    app.option_defaults()->always_capture_default();
    app.fallthrough();

    GlobalOptions global;
    app.add_option("--plugin-dir", global.pluginDir,
                   std::string("Folder holding ") + kModuleFileName +
                       " (default: the plugins folder beside the tool's own folder)")
        ->type_name("DIR");
    app.add_option("--threads", global.threads, "Worker threads; 0 uses every core")
        ->check(CLI::Range(0, 1024))
        ->type_name("N");
    app.add_flag("-q,--quiet", global.quiet, "No progress bar and no summary line");
    // For the build, which makes the man page and the completion script from these definitions.
    std::string docs;
    app.add_option("--write-docs", docs)->group("")->check(CLI::IsMember({"man", "bash"}));
    bool version = false;
    app.add_flag("--version", version, "The tool's version and the plug-in module's, then exit");

    CLI::App* info = app.add_subcommand("info", "The module's description, version and class");

    MapOptions mapOptions;
    CLI::App* params =
        app.add_subcommand("params", "Every parameter of both blocks, with what --set takes");
    AddMapOptions(params, mapOptions);
    AddSeed(params, mapOptions);
    std::string paramsJson;
    params
        ->add_option("--json", paramsJson,
                     "Print the parameters as a JSON array instead (to FILE, or standard output "
                     "when FILE is - or left out): block, id, name, label, type, new-map value "
                     "(new), current value, range or choices")
        ->type_name("[FILE]")
        ->expected(0, 1)
        ->default_str("");

    EvalOptions evalOptions;
    long long node = -1;
    CLI::App* eval = app.add_subcommand(
        "eval",
        "Evaluate samples from standard input: lines of x y z or x y z ax ay az bx by bz "
        "(a = dP/dx, b = dP/dy; zero when omitted); one line out per sample, %.9g numbers");
    AddMapOptions(eval, mapOptions);
    eval->add_flag("--filtered", evalOptions.filtered, "Ask for filtered maps");
    Choice<EvalOutput> evalOutput({std::begin(kEvalOutputNames), std::end(kEvalOutputNames)});
    evalOutput.Add(eval, "--output", evalOptions.output,
                   "What to print per sample: r g b a, v, or the bump vector x y z; or the "
                   "nearest scratch's random, layer, direction (0.5 + 0.5 (x, y), 0 in the "
                   "samples' x, y plane) or angle, as bake writes them");
    eval->add_option("--mtl", evalOptions.mtl, "Material ID of the samples")
        ->check(CLI::Range(0, kMaxMtlId))
        ->type_name("N");
    eval->add_option("--node", node,
                     "The samples lie on a scene node with this identifier "
                     "(default: no node)")
        ->check(CLI::Range(0LL, 4294967295LL))
        ->type_name("ID")
        ->default_str("none");
    AddTime(eval, evalOptions.time);

    RenderOptions renderOptions;
    std::string renderFile = "preview.png";
    std::string renderRes = "512";
    int renderBits = 8;
    CLI::App* render = app.add_subcommand(
        "render",
        "A preview like a material editor's sample slot: a lit object over a checker, "
        "coloured and bumped by the map, filtered and antialiased");
    AddMapOptions(render, mapOptions);
    AddSeed(render, mapOptions);
    render
        ->add_option(
            "-o", renderFile,
            "Output image: .png, .tif or .tx (8 or 16 bits, sRGB), .jpg, or .exr (linear float)")
        ->type_name("FILE");
    render->add_option("--res", renderRes, "Image size, N or WxH")->type_name("N|WxH");
    Choice<PreviewShape> shape({{"sphere", PreviewShape::Sphere},
                                {"plane", PreviewShape::Plane},
                                {"cube", PreviewShape::Cube}});
    shape.Add(render, "--shape", renderOptions.shape, "The sample object");
    render
        ->add_option("--samples", renderOptions.samples,
                     "Antialiasing: N x N samples a pixel, and 2N x 2N again where they "
                     "disagree (edges, scratches, highlights); the work grows as N^2")
        ->check(CLI::Range(1, 16))
        ->type_name("N");
    bool noRefine = false;
    render->add_flag("--no-refine", noRefine,
                     "N x N samples in every pixel, none added where they disagree");
    render->add_option("--bump", renderOptions.bump, "Bump amount; 0 shows colour only")
        ->check(NumberFrom(0.0f, 100.0f))
        ->type_name("K");
    render->add_option("--bits", renderBits, "Bits per channel of a PNG, TIFF or .tx")
        ->check(CLI::IsMember({8, 16}));
    AddTime(render, renderOptions.time);

    BakeOptions bakeOptions;
    std::vector<std::string> bakeFiles{"bake.png"};
    std::string bakeRes = "1024";
    BakeEncoding bakeEncoding;
    bool unfiltered = false;
    CLI::App* bake = app.add_subcommand(
        "bake",
        "The map over a square of its own coordinates: pixel (x, y) covers (u, v) in "
        "[x/w, (x+1)/w] x [1-(y+1)/h, 1-y/h], sampled with UVW (u, v, 0) and "
        "P = (u, v, 0) x extent");
    AddMapOptions(bake, mapOptions);
    AddSeed(bake, mapOptions);
    bake->add_option("-o", bakeFiles,
                     "Output image: .png (8 or 16 bits) or .exr (half or float); one per "
                     "--output, in order, or one .exr with a layer per output (repeatable)")
        ->type_name("FILE")
        ->allow_extra_args(false);
    bake->add_option("--res", bakeRes, "Image size, N or WxH")->type_name("N|WxH");
    std::vector<std::string> bakeOutputNames{"color"};
    std::vector<std::pair<std::string, BakeOutput>> bakeOutputChoices;
    std::vector<std::string> bakeOutputList;
    for (const BakeOutput output : kBakeOutputs) {
        bakeOutputChoices.emplace_back(BakeOutputName(output), output);
        bakeOutputList.push_back(BakeOutputName(output));
    }
    bake->add_option("--output", bakeOutputNames,
                     "What to bake, one or several from one pass, comma-separated: color (RGBA, "
                     "sRGB in PNG), mono (the colours' mean), mask (1 on a scratch, 0 on the "
                     "clean surface), height (0 at a scratch's bottom, 1 on the surface), normal "
                     "(tangent-space normals from the height, 0.5 + 0.5 n), bump (the host's raw "
                     "bump vector; .exr only); and of the scratch nearest to each texel, also "
                     "between scratches: random (a value in [0, 1) per scratch), layer (its "
                     "layer, 0 to levels - 1; in PNG the code itself), direction (the unit "
                     "vector (x, y) along it in (u, v), +v up with --normal-y up, as 0.5 + 0.5 "
                     "(x, y) in R and G, B 0), angle (the same line from +u toward +v, 0 to 1 "
                     "for 0 to 180 degrees). Samples are averaged, but random, layer and angle "
                     "come from the pixel's sample with the strongest scratch, and direction "
                     "averages that scratch's layer only")
        ->delimiter(',')
        ->check(CLI::IsMember(bakeOutputList, CLI::ignore_case))
        ->type_name("LIST");
    bake->add_option("--samples", bakeOptions.samples,
                     "Antialiasing: N x N samples a pixel, box-filtered; the work grows as N^2 "
                     "(the default 3 takes 9 times as long as 1, which point-samples the pixel "
                     "centres)")
        ->check(CLI::Range(1, kMaxBakeSamples))
        ->type_name("N");
    bake->add_option("--extent", bakeOptions.extent, "Object units across the square")
        ->check(NumberFrom(kMinBakeExtent, kMaxBakeExtent))
        ->type_name("E");
    bake->add_option("--depth", bakeOptions.depth,
                     "Normals: how deep a scratch is, in object units (as --extent)")
        ->check(NumberFrom(0.0f, kMaxBakeDepth))
        ->type_name("D");
    Choice<NormalY> normalY({{"up", NormalY::Up}, {"down", NormalY::Down}});
    normalY.Add(bake, "--normal-y", bakeOptions.normalY,
                "Normals and direction: the green channel points up the image (+v, as "
                "OpenGL) or down (as DirectX)");
    bake->add_option("--normal-strength", bakeOptions.bumpNormalStrength,
                     "Normals from the host's bump vector tilted by K instead of from the "
                     "height (the earlier normal output; it also depends on the colours)")
        ->check(NumberFrom(0.0f, kMaxBumpNormalStrength))
        ->type_name("K")
        ->default_str("off");
    bake->add_flag("--unfiltered", unfiltered,
                   "Point-sample instead of filtering each sample by its footprint");
    bake->add_option("--bits", bakeEncoding.bits,
                     "Bits per channel: PNG 8 or 16; TIFF and .tx 8, 16 or 32 (float); EXR 16 "
                     "(half) or 32 (float); JPEG 8 (default: 8; EXR half for color, float for the "
                     "data outputs)")
        ->check(CLI::IsMember({8, 16, 32}))
        ->default_str("auto");
    Choice<ExrCompression> compression({{"none", ExrCompression::None},
                                        {"rle", ExrCompression::Rle},
                                        {"zips", ExrCompression::Zips},
                                        {"zip", ExrCompression::Zip},
                                        {"piz", ExrCompression::Piz},
                                        {"pxr24", ExrCompression::Pxr24},
                                        {"b44", ExrCompression::B44},
                                        {"b44a", ExrCompression::B44a},
                                        {"dwaa", ExrCompression::Dwaa},
                                        {"dwab", ExrCompression::Dwab}});
    compression.Add(bake, "--compression", bakeEncoding.compression,
                    "EXR compression (zip, lossless, as most tools write; pxr24, b44, dwaa and "
                    "dwab lose precision)");
    bake->add_flag(
        "--tileable", bakeOptions.tileable,
        "Make the image repeat without a seam: the scratches that leave the square "
        "come back on the opposite side, and the erosion is blended across a band "
        "along the left and bottom edges. Away from the edges the image is the plain "
        "bake's, pixel for pixel. Nested scratches maps tile too, image sub-maps "
        "repeat as their image does; a size or stretch map that varies over the "
        "square does not repeat exactly, and a Tile or Mirror axis of the 2D map-channel "
        "mapping folds the square and is refused. About two to three times the work of the "
        "plain bake");
    AddTime(bake, bakeOptions.time);

    ServeOptions serveOptions;
    CLI::App* serve = app.add_subcommand(
        "serve",
        "The look-dev page: a local web page to explore the map live, save presets and bake");
    serve
        ->add_option("--port", serveOptions.port,
                     "Port; when the default is taken, the next free one is used")
        ->check(CLI::Range(1, 65535))
        ->type_name("N");
    serve
        ->add_option("--host", serveOptions.host,
                     "Address to listen on; anything but the loopback address lets other "
                     "machines use the page")
        ->type_name("ADDR");
    serve->add_flag("--open", serveOptions.open, "Open the page in the desktop's browser");
    serve
        ->add_option("--preset", serveOptions.preset,
                     "Start from the settings of a JSON preset (a file, or a bundled preset by "
                     "name)")
        ->type_name("FILE.json|NAME");

    app.require_subcommand(0, 1);

    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {  // --help
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::cerr << kToolName << ": " << ParseErrorMessage(app, e) << "\n";
        return 2;
    }
    if (docs == "man") {
        WriteManPage(app, QUORV_TOOL_VERSION, std::cout);
        return 0;
    }
    if (docs == "bash") {
        WriteBashCompletion(app, std::cout);
        return 0;
    }
    if (app.get_subcommands().empty() && !version) {
        std::cerr << kToolName << ": no subcommand given: use one of info, params, eval, "
                  << "render, bake, serve (see " << kToolName << " --help)\n";
        return 2;
    }

    // Standard output holds one thing at a time, so that a script can read it.
    if (mapOptions.savePreset == "-") {
        const char* clash = nullptr;
        if (eval->parsed()) clash = "eval prints its results there";
        if (params->parsed() && params->count("--json") > 0 &&
            (paramsJson.empty() || paramsJson == "-"))
            clash = "params --json prints the parameters there";
        if (clash) {
            std::cerr << kToolName << ": --save-preset - writes the preset to standard output, but "
                      << clash << ": name a file for one of them\n";
            return 2;
        }
    }

    int stopSignal = 0;
    try {
        std::optional<tbb::global_control> threadLimit;
        if (global.threads > 0) {
            threadLimit.emplace(tbb::global_control::max_allowed_parallelism,
                                static_cast<std::size_t>(global.threads));
        }
        if (node >= 0) evalOptions.node = static_cast<std::uint32_t>(node);
        evalOutput.Apply(evalOptions.output);
        shape.Apply(renderOptions.shape);
        renderOptions.refine = !noRefine;
        normalY.Apply(bakeOptions.normalY);
        compression.Apply(bakeEncoding.compression);
        bakeOptions.outputs.clear();
        for (const std::string& name : bakeOutputNames) {
            for (const auto& [text, value] : bakeOutputChoices) {
                if (SameName(text, name)) bakeOptions.outputs.push_back(value);
            }
        }

        // Everything that can be refused is refused before the work: sizes, output files,
        // the module, the settings and the images they name.
        std::optional<OutputFile> output;
        std::vector<std::unique_ptr<OutputFile>> bakeOutputs;
        ImageFormat format = ImageFormat::Png;
        if (render->parsed()) {
            ParseResolution(renderRes, renderOptions.width, renderOptions.height);
            format = ImageFormatOf(renderFile);
            output.emplace(renderFile);
        } else if (bake->parsed()) {
            ParseResolution(bakeRes, bakeOptions.width, bakeOptions.height);
            CheckImageSize(bakeOptions.width, bakeOptions.height);
            CheckBakeOptions(bakeOptions);
            CheckBakeFiles(bakeFiles, bakeOptions.outputs, bakeEncoding);
            for (const std::string& path : bakeFiles)
                bakeOutputs.push_back(std::make_unique<OutputFile>(path));
            bakeOptions.filtered = !unfiltered;
        }

        struct EndBySignal {
            int& sig;
            ~EndBySignal() {
                // Stopped by a signal: end by it too, as every other subcommand does.
                if (sig == 0) return;
                std::signal(sig, SIG_DFL);
                sigset_t set;
                sigemptyset(&set);
                sigaddset(&set, sig);
                pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
                raise(sig);
            }
        } endBySignal{stopSignal};
        if (version) std::cout << kToolName << " " << QUORV_TOOL_VERSION << std::endl;
        const PluginModule module(global.pluginDir.empty()
                                      ? DefaultPluginFolder()
                                      : std::filesystem::path(global.pluginDir));
        if (version) {
            std::cout << "module " << module.Path().string() << " " << module.ModuleVersion()
                      << " (SDK API 0x" << std::hex << std::uppercase << module.Version()
                      << std::dec << ")\n";
            return 0;
        }
        if (info->parsed()) {
            PrintInfo(module, std::cout);
            return 0;
        }
        if (serve->parsed()) {
            serveOptions.portGiven = serve->count("--port") > 0;
            stopSignal = RunServe(module, serveOptions, std::cout);
            return 0;  // after the signal, below, once the module is released
        }
        const TimeValue t = GetCOREInterface()->GetTime();
        ConfiguredMap configured = ConfigureMap(module.ScratchesClass(), mapOptions, t);
        Texmap* map = configured.map.get();
        if (!global.quiet) {
            NoEffectContext context;
            context.sets = mapOptions.sets;
            context.extentGiven = bake->parsed() && bake->count("--extent") > 0;
            if (bake->parsed()) {
                context.flatBake = true;
                context.tileable = bakeOptions.tileable;
                context.files = bakeFiles;
                if (bake->count("--compression") > 0) context.compression = compression.Name();
            }
            for (CLI::App* cmd : {eval, render, bake})
                context.timeGiven =
                    context.timeGiven || (cmd->parsed() && cmd->count("--time") > 0);
            for (const std::string& w : NoEffectWarnings(map, t, context))
                std::cerr << kToolName << ": warning: " << w << "\n";
        }
        if (!mapOptions.savePreset.empty())
            SavePreset(mapOptions.savePreset, map, configured.sources, t, configured.seed);

        if (params->parsed()) {
            const std::vector<ParamInfo> description =
                DescribeParameters(module.ScratchesClass(), map, t, configured.sources);
            if (params->count("--json") == 0) {
                // The preset alone when it went to standard output.
                if (mapOptions.savePreset != "-") PrintParams(description, std::cout);
            } else {
                WriteText(paramsJson, ParamsJson(description) + "\n");
            }
        } else if (eval->parsed()) {
            // A reader on a pipe or a terminal gets each result at once; a file, at the end.
            struct stat status {};
            const bool flushEachBatch =
                fstat(STDOUT_FILENO, &status) != 0 || !S_ISREG(status.st_mode);
            RunEval(map, evalOptions, flushEachBatch, std::cin, std::cout);
        } else {
            const auto start = std::chrono::steady_clock::now();
            int width = 0, height = 0;
            Interval valid = FOREVER;
            const Point3 shift = SeedShift(configured.seed);
            if (render->parsed()) {
                renderOptions.shiftP = shift;
                renderOptions.shiftUVW = shift / kSeedUVWScale;
                map->Update(renderOptions.time, valid);
                Progress progress("render", static_cast<std::uint64_t>(renderOptions.height),
                                  global.quiet);
                Image image = RenderPreview(map, renderOptions, progress);
                width = image.width, height = image.height;
                // The preview is display-encoded; both formats take linear values (EXR holds
                // them, a PNG encodes them again and says that it is sRGB).
                for (float& v : image.pixels) v = SrgbDecode(v);
                ImageEncoding encoding;
                encoding.format = format;
                encoding.color = true;
                encoding.bits = format == ImageFormat::Exr    ? 32
                                : format == ImageFormat::Jpeg ? 8
                                                              : renderBits;
                WriteImage(*output, image, encoding);
            } else {
                bakeOptions.shift = shift / bakeOptions.extent;
                map->Update(bakeOptions.time, valid);
                Progress progress("bake", static_cast<std::uint64_t>(bakeOptions.height),
                                  global.quiet);
                width = bakeOptions.width, height = bakeOptions.height;
                const BakeTiling tiling(map, bakeOptions);
                std::vector<OutputFile*> files;
                for (const auto& file : bakeOutputs) files.push_back(file.get());
                bakeEncoding.tileable = bakeOptions.tileable;
                // Written as it is baked: the image is never held whole.
                WriteBakeFiles(files, bakeOptions.outputs, width, height, bakeEncoding,
                               [&](ImageWriter& out) { BakeMap(map, bakeOptions, progress, out); });
            }
            const auto elapsed = std::chrono::steady_clock::now() - start;
            if (!global.quiet) {
                std::string paths;
                if (output) paths = output->Path();
                for (const auto& file : bakeOutputs)
                    paths += (paths.empty() ? "" : ", ") + file->Path();
                std::cerr << (render->parsed() ? "rendered " : "baked ") << paths << ": " << width
                          << "x" << height << " in " << Seconds(elapsed) << "\n";
            }
        }
    } catch (const ToolError& e) {
        std::cerr << kToolName << ": " << e.what() << "\n";
        return 1;
    } catch (const std::exception& e) {
        std::cerr << kToolName << ": " << e.what() << "\n";
        return 1;
    }
    return 0;
}
