// Gem pictures: a small software renderer that draws a gem's mesh, lit and faceted, for the overlays.
#pragma once

#include "assets.h"

// A picture of the gem of `colour`, `size` pixels square, transparent around the gem, seen from
// `pitch_deg` above the horizon and turned by `yaw_deg` about its vertical axis.
Canvas render_gem_picture(Gem_Colour colour, int size, float yaw_deg, float pitch_deg);
