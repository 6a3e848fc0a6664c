// Evaluates the module's map for the samples of a reference file written by the Linux build's
// `quorv-scratches eval` (blocks of `args:` and `input => output` lines) and compares.
#pragma once

#include <string>

class ClassDesc;

void CheckEvaluation(ClassDesc* cd, const std::wstring& referenceFile);
