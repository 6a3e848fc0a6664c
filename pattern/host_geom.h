// The host SDK's Point3 and Matrix3. SDKs since 2023 keep them in include/geom/ (as the stand-in
// does); older ones at the top of include/.
#pragma once

#if __has_include(<geom/matrix3.h>)
#include <geom/matrix3.h>
#include <geom/point3.h>
#else
#include <matrix3.h>
#include <point3.h>
#endif
