// The test host's view of a map: its two blocks, reached through the host interfaces only.
#pragma once

#include <max.h>
#include <iparamb2.h>
#include <imtl.h>

#include <string>
#include <vector>

// Sets the parameter of either block whose internal name is name: numbers for floats and
// integers, "r,g,b" for colours. False for an unknown name or a value that does not parse.
bool SetParameter(Texmap* map, const std::string& name, const std::string& value);
// Every value of both blocks at time 0, as text, to see that nothing changed.
std::vector<std::wstring> ParameterSnapshot(Texmap* map);
int IntParameter(Texmap* map, BlockID block, ParamID id);
void UpdateMap(Texmap* map);
