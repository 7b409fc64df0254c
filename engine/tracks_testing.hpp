// Test support for the keyframer tracks: the single tracks evaluateTrack is made of.
// Each gives false (and leaves out alone) when the track has no keys.
#pragma once
#include "engine/threeds.hpp"

bool evaluatePositionTrack(const ThreeDsPositionKey* keys, int count, float f, Vector3& out);
bool evaluateScaleTrack(const ThreeDsScaleKey* keys, int count, float f, Vector3& out);
bool evaluateFovTrack(const ThreeDsFovKey* keys, int count, float f, float& out);
bool evaluateRollTrack(const ThreeDsRollKey* keys, int count, float f, float& out);
bool evaluateRotationTrack(const ThreeDsRotationKey* keys, int count, float f, Quaternion& out);
