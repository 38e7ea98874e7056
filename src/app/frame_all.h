#pragma once

// "Frame All": fits the four cameras to the placed objects (see view/framing.h). With nothing to
// show it resets them, as "Reset View" does. Redrawing is left to the caller.
void frameAllViews();

struct Box3;
// Fits the four cameras to `world` as "Frame All" does to every object ("Frame Selected").
void frameViewsOn(const Box3& world);
