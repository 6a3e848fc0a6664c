// `render`: a preview of the map as a host's material editor shows it: a lit object over a
// checker background, coloured by the map and bumped by its normal perturbation, filtered
// by the pixel footprint and antialiased.
#pragma once

#include <max.h>
#include "tool/base/progress.h"
#include "tool/images/image.h"
#include "tool/sampling/preview_scene.h"

struct RenderOptions {
    int width = 512;
    int height = 512;
    PreviewShape shape = PreviewShape::Sphere;
    int samples = 3;     // per pixel side: samples x samples per pixel
    bool refine = true;  // pixels whose samples disagree are sampled again at 2 x samples
    float bump = 0.3f;   // how strongly the bump vector tilts the normal; 0 for none
    TimeValue time = 0;
    // Added to every sample's P and UVW before the map sees them (the --seed shift).
    Point3 shiftP = Point3(0.0f, 0.0f, 0.0f), shiftUVW = Point3(0.0f, 0.0f, 0.0f);
};

// An RGB image, sRGB-encoded. The map must have been updated for options.time. The
// result does not depend on the number of threads.
Image RenderPreview(Texmap* map, const RenderOptions& options, Progress& progress);
