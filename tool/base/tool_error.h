// tool/base: what every part of the tool layer shares. Its one error (here), progress on a
// terminal, interruption by signals, files that appear only when complete, numbers and wide
// text as the tool writes them, suggestions for mistyped names. Uses nothing of the project.
//
// The one failure the tool reports: a single line for standard error, then a non-zero exit.
#pragma once

#include <stdexcept>
#include <string>

class ToolError : public std::runtime_error {
public:
    explicit ToolError(const std::string& what) : std::runtime_error(what) {}
};

// A value one parameter does not accept, with what front ends need to point at it: the
// parameter, its block, the sub-map slot whose nested map it belongs to ("" for the map
// itself) and what it accepts. The message stays the tool's.
class ParamError : public ToolError {
public:
    ParamError(const std::string& what, std::string block, std::string name, std::string accepted,
               std::string slot = {})
        : ToolError(what),
          block(std::move(block)),
          name(std::move(name)),
          accepted(std::move(accepted)),
          slot(std::move(slot)) {}
    // The same refusal under a longer message (the context in front of it), or in a slot.
    ParamError Within(const std::string& what, const std::string& inSlot = {}) const {
        return ParamError(what, block, name, accepted, inSlot.empty() ? slot : inSlot);
    }

    std::string block, name, accepted, slot;
};

// Throws e's kind of error (ParamError keeps its details) with the message `what`.
[[noreturn]] inline void RethrowAs(const ToolError& e, const std::string& what,
                                   const std::string& slot = {}) {
    if (const auto* p = dynamic_cast<const ParamError*>(&e)) throw p->Within(what, slot);
    throw ToolError(what);
}
