// An MP4 video written by Debian's ffmpeg, run as a child process that reads the
// 320 x 240 pages through a pipe (no frame files), enlarges them nearest-neighbour,
// encodes H.264 in yuv420p and muxes in a stretch of the music. ffmpeg writes a
// temporary file beside the video; only a finished encode is renamed to its name.
// One video at a time.
#pragma once
#include <cstdint>
#include <string>

struct VideoSettings {
  std::string path;       // where the finished video goes
  int width = 320;        // of the pages written
  int height = 240;
  double fps = 30;
  int scale = 4;          // every page pixel becomes scale x scale video pixels
  long frameCount = 0;    // how many pages will be written (sizes the sound)
  std::string musicFile;  // empty: no sound
  // The music sample (44100 per second) heard with the first frame; before the
  // music's start there is silence.
  long long musicStartSample = 0;
};

// The full path of an executable found on PATH, or "".
std::string findOnPath(const char* name);

// Starts ffmpeg. False after a message on standard error ("gvs-tool COMMAND: ...")
// when ffmpeg is missing, the folder of settings.path cannot be written or ffmpeg
// cannot be started.
bool openVideo(const VideoSettings& settings, const char* command);
// Hands one page (width x height pixels, byte 0 blue, 1 green, 2 red) to ffmpeg.
// False after a message when ffmpeg stopped reading, or when the run was
// interrupted (SIGINT, SIGTERM, SIGHUP), which openVideo makes a flag.
bool writeVideoFrame(const uint32_t* page);
// Ends the stream, waits for ffmpeg and renames the temporary file to the video's
// name. False after a message when the encode failed; nothing is left behind.
bool closeVideo();
// Stops ffmpeg and removes the temporary file (also run at exit while a video is open).
void abandonVideo();

// Where the time of the last video went: ffmpeg's processor time (user and system
// seconds) and how long writeVideoFrame waited for ffmpeg to take the pages.
struct VideoTimes {
  double encoderCpuSeconds = 0;
  double waitSeconds = 0;
};
VideoTimes lastVideoTimes();
