// `eval`: the map at samples read from a stream, one result line per sample.
#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include <max.h>

enum class EvalOutput { Color, Mono, Bump };

// The outputs by the names users give them.
inline constexpr std::pair<const char*, EvalOutput> kEvalOutputNames[] = {
    {"color", EvalOutput::Color}, {"mono", EvalOutput::Mono}, {"bump", EvalOutput::Bump}};

// Material IDs as the host numbers sub-materials: 16 bits.
inline constexpr int kMaxMtlId = 65535;

struct EvalOptions {
    bool filtered = false;
    EvalOutput output = EvalOutput::Color;
    int mtl = 0;
    std::optional<std::uint32_t> node;  // the sample's scene node; none without it
    TimeValue time = 0;
    // Flush the output after each batch of results (for a reader on a pipe or a terminal).
    bool flushEachBatch = false;
};

// One input line: a position and its screen derivatives a = dP/dx, b = dP/dy.
struct EvalSample {
    Point3 p, a, b;
};

// One input line, number `number`: false for a blank line or a comment (first non-blank
// character '#'); else its 3 or 9 numbers into sample. Throws ToolError naming the line.
bool ParseEvalLine(const std::string& line, long long number, EvalSample& sample);
// Every sample of a stream, parsed with ParseEvalLine.
std::vector<EvalSample> ParseEvalInput(std::istream& in);

// The values of one sample: r g b a, v, or x y z (count 4, 1 or 3).
struct EvalResult {
    float v[4] = {0.0f, 0.0f, 0.0f, 0.0f};
};
int ResultCount(EvalOutput output);

// Evaluates every sample (in parallel; each result depends only on its own sample). The map
// must have been updated for options.time.
std::vector<EvalResult> EvaluateSamples(Texmap* map, const std::vector<EvalSample>& samples,
                                        const EvalOptions& options);

// "%.9g" numbers separated by single spaces, one line per result.
void PrintResults(std::ostream& out, const std::vector<EvalResult>& results, EvalOutput output);

// The whole subcommand, as a co-process: each result is printed as soon as its line is read
// (lines that arrived together are evaluated together). A bad line stops the run with a
// ToolError naming it, after the results of the lines before it are written.
void RunEval(Texmap* map, const EvalOptions& options, std::istream& in, std::ostream& out);
