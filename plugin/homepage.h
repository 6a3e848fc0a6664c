// The address the "Homepage" button of the "Parameters" rollout opens.
#pragma once

#include "plugin/host.h"

// A placeholder until the project has a real page; replace it here and nowhere else.
inline constexpr MCHAR kQuorvHomepageUrl[] = _M("https://quorv.example/scratches");
