#include "cli/eval_command.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "tool/base/tool_error.h"

namespace {

// Samples evaluated together at most: enough to keep every thread busy, few enough that the
// first results of a long input appear soon.
constexpr std::size_t kMaxBatch = 4096;

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// Why a word is not a coordinate: "" when it is a finite float.
std::string NumberProblem(const char* first, const char* last, float& value) {
    if (first != last && *first == '+') ++first;
    const auto [ptr, ec] = std::from_chars(first, last, value);
    if (first != last && ptr == last && ec == std::errc::result_out_of_range) {
        // A number all the same: say which way it leaves the floats.
        double d = 0.0;
        std::from_chars(first, last, d);
        return std::fabs(d) > 1.0 ? "is outside the float range (up to +-3.4e38)"
                                  : "is too small for a float (non-zero from +-1.4e-45)";
    }
    if (first == last || ec != std::errc() || ptr != last) return "is not a number";
    if (!std::isfinite(value)) return "is not a finite number";
    return {};
}

// Up to 9 numbers of one line into v; the count, or -1 when a word is not a finite float
// (`bad` then says which and why).
int ParseNumbers(const std::string& line, float* v, std::string& bad) {
    int count = 0;
    std::size_t i = 0;
    while (true) {
        while (i < line.size() && IsSpace(line[i])) ++i;
        if (i == line.size()) return count;
        std::size_t end = i;
        while (end < line.size() && !IsSpace(line[end])) ++end;
        float value = 0.0f;
        const std::string problem = NumberProblem(line.data() + i, line.data() + end, value);
        if (!problem.empty()) {
            // A long word is shown by its start: the message stays one readable line.
            const std::size_t shown = std::min<std::size_t>(end - i, 40);
            bad.assign(1, '\'');
            bad.append(line, i, shown);
            bad += shown < end - i ? "...' " : "' ";
            bad += problem;
            return -1;
        }
        if (count == 9) return 10;  // too many; the count is all that matters now
        v[count++] = value;
        i = end;
    }
}

}  // namespace

bool ParseEvalLine(const std::string& line, long long number, EvalSample& sample) {
    const std::size_t first = line.find_first_not_of(" \t\r\v\f");
    if (first == std::string::npos || line[first] == '#') return false;
    float v[9] = {};
    std::string bad;
    const int count = ParseNumbers(line, v, bad);
    if (count < 0) {
        throw ToolError("line " + std::to_string(number) + ": " + bad +
                        "; a line holds x y z or x y z ax ay az bx by bz");
    }
    if (count != 3 && count != 9) {
        throw ToolError("line " + std::to_string(number) + ": " +
                        (count > 9 ? std::string("more than 9") : std::to_string(count)) +
                        " numbers; a line holds x y z or x y z ax ay az bx by bz");
    }
    sample.p = Point3(v[0], v[1], v[2]);
    sample.a = Point3(v[3], v[4], v[5]);
    sample.b = Point3(v[6], v[7], v[8]);
    return true;
}

std::vector<EvalSample> ParseEvalInput(std::istream& in) {
    std::vector<EvalSample> samples;
    std::string line;
    for (long long number = 1; std::getline(in, line); ++number) {
        EvalSample s;
        if (ParseEvalLine(line, number, s)) samples.push_back(s);
    }
    return samples;
}

void PrintResults(std::ostream& out, const std::vector<EvalResult>& results, EvalOutput output) {
    const int count = ResultCount(output);
    char text[32];
    for (const EvalResult& r : results) {
        for (int k = 0; k < count; ++k) {
            std::snprintf(text, sizeof text, "%.9g", static_cast<double>(r.v[k]));
            if (k > 0) out << ' ';
            out << text;
        }
        out << '\n';
    }
}

void RunEval(Texmap* map, const EvalOptions& options, bool flushEachBatch, std::istream& in,
             std::ostream& out) {
    Interval valid = FOREVER;
    map->Update(options.time, valid);
    std::vector<EvalSample> batch;
    batch.reserve(kMaxBatch);
    auto finishBatch = [&] {
        if (batch.empty()) return;
        PrintResults(out, EvaluateSamples(map, batch, options), options.output);
        if (flushEachBatch) out.flush();
        batch.clear();
    };
    std::string line;
    for (long long number = 1; std::getline(in, line); ++number) {
        EvalSample s;
        try {
            if (ParseEvalLine(line, number, s)) batch.push_back(s);
        } catch (const ToolError&) {
            finishBatch();  // the results before a bad line are written
            out.flush();
            throw;
        }
        // Lines already read in are evaluated together (in parallel); a line that the writer
        // waits on is answered at once.
        if (batch.size() >= kMaxBatch || in.rdbuf()->in_avail() <= 0) finishBatch();
    }
    finishBatch();
    out.flush();
}
