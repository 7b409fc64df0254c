// Loading a 3DS file named on the command line into a prepared Scene3D for the
// dump and view commands: the engine's construction sequence, with textures looked
// up in the file's own directory.
#pragma once
#include <string>

#include "engine/scene3d.hpp"

// A texture that no file supplied: the viewer's checkerboard.
void fillCheckerboard(TextureImage* texture);

// The whole construction sequence. With checkerFallback a material whose texture is
// missing (and a mesh without materials) gets the checkerboard, with a note on
// standard error, instead of ending the program. Failures end the program as in the
// show, a file without cameras too unless cameraOptional.
Scene3D* loadSceneFile(const std::string& path, bool checkerFallback, bool cameraOptional = false);

// Shared argument parsing: false (after a message on standard error) when the text is
// not a number.
bool parseFrameArgument(const char* command, const char* text, float& frame);
bool parseCameraArgument(const char* command, const char* text, unsigned& camera);
// False (after a message) when the scene has no camera of that index.
bool checkCameraIndex(const char* command, const Scene3D* scene, unsigned camera);

// loadSceneFile followed by checkCameraIndex: null (after the message, with the
// scene released) when the scene has no camera of that index.
Scene3D* loadSceneForCamera(const char* command, const std::string& path, bool checkerFallback, unsigned camera);

// The world-space box around every object's vertices after the tracks of the
// current frame are evaluated and propagated; false when no object has a vertex.
bool sceneWorldBox(const Scene3D* scene, Vector3& low, Vector3& high);

// The camera for a file that has none: it looks at the middle of the box from the
// front, right and above (45 degrees round, 30 up) from far enough away that the
// whole box fits the picture, with near and far planes around the box.
void buildFramingCamera(ProjectionCamera& camera, const Vector3& low, const Vector3& high);
