#include "tool/sampling/sample_context.h"

#include <cmath>

Point3 ToolShadeContext::DP() {
    return Point3(0.5f * (std::fabs(dpdx_.x) + std::fabs(dpdy_.x)),
                  0.5f * (std::fabs(dpdx_.y) + std::fabs(dpdy_.y)),
                  0.5f * (std::fabs(dpdx_.z) + std::fabs(dpdy_.z)));
}

BOOL ToolShadeContext::GetCache(Texmap* map, AColor& c) {
    if (!map || map != cacheMap_) return FALSE;
    c = cacheColor_;
    return TRUE;
}

void ToolShadeContext::PutCache(Texmap* map, const AColor& c) {
    cacheMap_ = map;
    cacheColor_ = c;
}
