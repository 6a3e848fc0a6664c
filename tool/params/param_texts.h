// What the blocks' descriptors leave out and the editor shows: the values of the drop-down
// parameters and the labels of the "Mapping" block's parameters. Texts come from the
// module's string table; the lists are the ones the rollouts fill.
#pragma once

#include <string>
#include <vector>

#include <max.h>

// One value of a choice parameter.
struct ParamChoice {
    int value = 0;
    std::string label;  // the list's text: "Object XYZ"
    // What a script writes: a short alias where the label is long ("object"), else the label
    // in lower case with '-' for spaces ("2d", "mirror").
    std::string name;
};

// The values of a choice parameter of block `desc`, in value order; empty for any other.
std::vector<ParamChoice> ParamChoices(ParamBlockDesc2* desc, const ParamDef& def);

// The editor's label of the parameter: its own string when the descriptor names one, else
// the string the tool knows for it; "" when neither exists.
std::string ParamLabel(ParamBlockDesc2* desc, const ParamDef& def);

// Whether `text` names the choice: its name or its label, ignoring case, spaces, '-' and '_'.
bool NamesChoice(const std::string& text, const ParamChoice& choice);
