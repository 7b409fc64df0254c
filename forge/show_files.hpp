// The files the show reads from the data set, beside the forge's registry of the
// files it writes (forge.hpp): one table, in the order the show reads them, saying
// how each is read and so what the show says when one is missing or too short. The
// tests check that the two lists agree and walk this one file by file.
#pragma once

enum class ShowFileKind {
  Picture,   // a picture or byte map: "KVS_RAW ERROR: Failed to load file", status 1
  Scene,     // a 3DS file: a "VRX_FATAL: " line, status 1
  Texture,   // a material's texture: the folder's fallback texture.rgb stands in for it
  Fallback,  // the folder's texture.rgb: read only in place of a texture that failed
  Music,     // the MP3: an "Error(" line of the audio layer, status 1
};

struct ShowFile {
  const char* showPath;  // as the show spells it
  ShowFileKind kind;
  bool singleScene;  // read by the single-scene mode, not by the full show
};

extern const ShowFile kShowFiles[];
extern const int kShowFileCount;
