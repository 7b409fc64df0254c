// Text dumps of a Scene3D for debugging: camera, hierarchy, memory, objects and
// tracks under banner boxes drawn with code-page-437 box characters. Output goes
// to standard output unless another stream is given; write errors are ignored.
#pragma once
#include <cstdint>
#include <cstdio>

#include "engine/scene3d.hpp"

void dumpScene(const Scene3D* scene, FILE* out = stdout);
void dumpCamera(const Scene3D* scene, FILE* out = stdout);
void dumpHierarchy(const Scene3D* scene, FILE* out = stdout);
void dumpMemory(const Scene3D* scene, FILE* out = stdout);
void dumpObjects(const Scene3D* scene, FILE* out = stdout);
void dumpTracks(const Scene3D* scene, FILE* out = stdout);

const char* trackKindName(uint8_t kind);
void printVec3(const Vector3& v, FILE* out = stdout);
void printVec3Line(const Vector3& v, FILE* out = stdout);
void printQuat(const Quaternion& q, FILE* out = stdout);
void printQuatLine(const Quaternion& q, FILE* out = stdout);
void printMatrix(const Matrix4& m, FILE* out = stdout);
