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

// The single tracks, exposed for their tests.
bool evaluatePositionTrack(const ThreeDsPositionKey* keys, int count, float f, Vector3& out);
bool evaluateScaleTrack(const ThreeDsScaleKey* keys, int count, float f, Vector3& out);
bool evaluateFovTrack(const ThreeDsFovKey* keys, int count, float f, float& out);
bool evaluateRollTrack(const ThreeDsRollKey* keys, int count, float f, float& out);
bool evaluateRotationTrack(const ThreeDsRotationKey* keys, int count, float f, Quaternion& out);
