// `eval`: the map at samples read from a stream, one result line per sample.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include <max.h>
#include "tool/sampling/eval_samples.h"

// One input line, number `number`: false for a blank line or a comment (first non-blank
// character '#'); else its 3 or 9 numbers into sample. Throws ToolError naming the line.
bool ParseEvalLine(const std::string& line, long long number, EvalSample& sample);
// Every sample of a stream, parsed with ParseEvalLine.
std::vector<EvalSample> ParseEvalInput(std::istream& in);

// "%.9g" numbers separated by single spaces, one line per result.
void PrintResults(std::ostream& out, const std::vector<EvalResult>& results, EvalOutput output);

// The whole subcommand, as a co-process: each result is printed as soon as its line is read
// (lines that arrived together are evaluated together), and flushed after each batch when
// `flushEachBatch` (for a reader on a pipe or a terminal). A bad line stops the run with a
// ToolError naming it, after the results of the lines before it are written.
void RunEval(Texmap* map, const EvalOptions& options, bool flushEachBatch, std::istream& in,
             std::ostream& out);
