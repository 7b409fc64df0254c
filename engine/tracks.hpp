// Keyframer tracks: Kochanek-Bartels splines (Hermite segments for vectors and
// scalars, a slerp-based Bezier for rotations) evaluated at a float frame number
// into a node's TrackState, and the per-frame entry point over a whole scene.
#pragma once
#include "engine/scene3d.hpp"
#include "engine/threeds.hpp"

// Evaluates one node at frame f. A track without keys leaves its value as it was;
// frames outside the keys hold the end values.
void evaluateTrack(const ThreeDsTrackNode& node, TrackState& state, float f);

// Evaluates every moving node and restores the matrices of the static ones. With
// wrap set, a frame beyond the mesh's frame count starts over.
void animateScene3D(Scene3D* scene, float f, bool wrap);
