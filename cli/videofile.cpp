// The video encoder: ffmpeg as a child process fed through a pipe.
#include "cli/videofile.hpp"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "base/clock.hpp"

extern char** environ;

namespace fs = std::filesystem;

namespace {

// x264 on flat, nearest-neighbour-enlarged pictures: the fastest preset keeps up
// with the renderer on two cores, and at this quality the blocks stay clean.
constexpr const char* kX264Preset = "ultrafast";
constexpr const char* kX264Crf = "20";
constexpr const char* kAudioBitrate = "192k";
constexpr int kSoundRate = 44100;
// A few pages of slack between the renderer and ffmpeg.
constexpr int kPipeBytes = 1 << 20;

struct VideoState {
  pid_t pid = -1;
  int pipeFd = -1;
  std::string temporary;
  std::string finalPath;
  std::string command;
  size_t frameBytes = 0;
  struct sigaction savedInt {}, savedTerm {}, savedHup {}, savedPipe {};
  bool handlersInstalled = false;
  VideoTimes times;
};
VideoState gVideo;
volatile sig_atomic_t gInterrupted = 0;

void onInterrupt(int) { gInterrupted = 1; }

void installHandlers() {
  struct sigaction sa {};
  sa.sa_handler = onInterrupt;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = 0;  // no SA_RESTART: a write blocked on the pipe returns
  sigaction(SIGINT, &sa, &gVideo.savedInt);
  sigaction(SIGTERM, &sa, &gVideo.savedTerm);
  sigaction(SIGHUP, &sa, &gVideo.savedHup);
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, &gVideo.savedPipe);
  gVideo.handlersInstalled = true;
}

void restoreHandlers() {
  if (!gVideo.handlersInstalled) return;
  sigaction(SIGINT, &gVideo.savedInt, nullptr);
  sigaction(SIGTERM, &gVideo.savedTerm, nullptr);
  sigaction(SIGHUP, &gVideo.savedHup, nullptr);
  sigaction(SIGPIPE, &gVideo.savedPipe, nullptr);
  gVideo.handlersInstalled = false;
}

void failure(const char* format, const std::string& a = "", const std::string& b = "") {
  std::fprintf(stderr, "gvs-tool %s: ", gVideo.command.c_str());
  std::fprintf(stderr, format, a.c_str(), b.c_str());
  std::fputc('\n', stderr);
}

// Waits for ffmpeg; its exit status, or -1 after a signal. Adds its processor time.
int waitForEncoder() {
  int status = 0;
  struct rusage usage {};
  pid_t r;
  do r = wait4(gVideo.pid, &status, 0, &usage);
  while (r < 0 && errno == EINTR);
  gVideo.pid = -1;
  if (r < 0) return -1;
  gVideo.times.encoderCpuSeconds = double(usage.ru_utime.tv_sec) + double(usage.ru_utime.tv_usec) / 1e6 +
                                   double(usage.ru_stime.tv_sec) + double(usage.ru_stime.tv_usec) / 1e6;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void closePipe() {
  if (gVideo.pipeFd >= 0) close(gVideo.pipeFd);
  gVideo.pipeFd = -1;
}

std::string number(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.10g", v);
  return buf;
}

// The music from musicStartSample on (silence before its start and after its end),
// exactly as many samples as the video lasts.
std::string audioFilter(const VideoSettings& s) {
  const long long length = std::llround(double(s.frameCount) / s.fps * kSoundRate);
  const long long start = s.musicStartSample > 0 ? s.musicStartSample : 0;
  std::string f = "aresample=" + std::to_string(kSoundRate) + ",";
  if (s.musicStartSample < 0) f += "adelay=delays=" + std::to_string(-s.musicStartSample) + "S:all=1,";
  f += "apad,atrim=start_sample=" + std::to_string(start) + ":end_sample=" + std::to_string(start + length) +
       ",asetpts=N/SR/TB";
  return f;
}

std::vector<std::string> encoderArguments(const std::string& ffmpeg, const VideoSettings& s) {
  std::vector<std::string> a = {ffmpeg, "-hide_banner", "-nostdin", "-loglevel", "error", "-y",
                                "-f", "rawvideo", "-pix_fmt", "bgr0",
                                "-video_size", std::to_string(s.width) + "x" + std::to_string(s.height),
                                "-framerate", number(s.fps), "-i", "pipe:0"};
  if (!s.musicFile.empty()) a.insert(a.end(), {"-i", s.musicFile});
  // Enlarged and converted in one step; the colours are tagged as they are made.
  std::string scale = "scale=" + std::to_string(s.width * s.scale) + ":" + std::to_string(s.height * s.scale) +
                      ":flags=neighbor:out_color_matrix=bt709:out_range=tv,format=yuv420p";
  a.insert(a.end(), {"-map", "0:v", "-vf", scale, "-c:v", "libx264", "-preset", kX264Preset, "-crf", kX264Crf,
                     "-colorspace", "bt709", "-color_primaries", "bt709", "-color_trc", "bt709", "-color_range",
                     "tv"});
  if (!s.musicFile.empty())
    a.insert(a.end(), {"-map", "1:a", "-af", audioFilter(s), "-c:a", "aac", "-b:a", kAudioBitrate});
  a.insert(a.end(), {"-movflags", "+faststart", "-f", "mp4", gVideo.temporary});
  return a;
}

}  // namespace

std::string findOnPath(const char* name) {
  const char* path = std::getenv("PATH");
  if (!path) return "";
  std::string list = path;
  size_t begin = 0;
  for (;;) {
    const size_t end = list.find(':', begin);
    std::string dir = list.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
    if (dir.empty()) dir = ".";
    const std::string candidate = dir + "/" + name;
    struct stat st {};
    if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(candidate.c_str(), X_OK) == 0)
      return candidate;
    if (end == std::string::npos) return "";
    begin = end + 1;
  }
}

bool openVideo(const VideoSettings& settings, const char* command) {
  gVideo = VideoState{};
  gVideo.command = command;
  gInterrupted = 0;
  const std::string ffmpeg = findOnPath("ffmpeg");
  if (ffmpeg.empty()) {
    failure("ffmpeg is not on PATH; making a video needs it (Debian: apt-get install ffmpeg)");
    return false;
  }
  const fs::path target(settings.path);
  std::error_code ec;
  if (target.filename().empty() || fs::is_directory(target, ec)) {
    failure("'%s' is a folder; --video needs a file name", settings.path);
    return false;
  }
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  if (!fs::is_directory(folder, ec)) {
    failure("the folder '%s' does not exist; no video written", folder.string());
    return false;
  }
  // The temporary name beside the video proves the folder writable and makes the
  // final rename atomic.
  std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());
  if (fd < 0) {
    failure("cannot write in the folder '%s': %s", folder.string(), std::strerror(errno));
    return false;
  }
  // mkstemp makes the file private; the video gets the usual permissions.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  close(fd);
  gVideo.temporary = name.data();
  gVideo.finalPath = settings.path;
  gVideo.frameBytes = size_t(settings.width) * size_t(settings.height) * 4;

  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    failure("cannot make a pipe: %s", std::strerror(errno));
    unlink(gVideo.temporary.c_str());
    return false;
  }
  fcntl(fds[1], F_SETPIPE_SZ, kPipeBytes);
  const std::vector<std::string> args = encoderArguments(ffmpeg, settings);
  std::vector<char*> argv;
  for (const std::string& s : args) argv.push_back(const_cast<char*>(s.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  // Its own process group: an interrupt from the terminal reaches only us, and we
  // stop ffmpeg and remove its file.
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, ffmpeg.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  close(fds[0]);
  if (spawned != 0) {
    close(fds[1]);
    failure("cannot start %s: %s", ffmpeg, std::strerror(spawned));
    unlink(gVideo.temporary.c_str());
    return false;
  }
  gVideo.pid = pid;
  gVideo.pipeFd = fds[1];
  installHandlers();
  static bool cleanupRegistered = false;
  if (!cleanupRegistered) {
    // A fatal error while rendering ends the process through exit().
    std::atexit(abandonVideo);
    cleanupRegistered = true;
  }
  return true;
}

bool writeVideoFrame(const uint32_t* page) {
  const char* bytes = reinterpret_cast<const char*>(page);
  size_t left = gVideo.frameBytes;
  const double before = preciseMilliseconds();
  while (left > 0) {
    if (gInterrupted) {
      failure("interrupted; no video written");
      abandonVideo();
      return false;
    }
    const ssize_t n = write(gVideo.pipeFd, bytes, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      closePipe();
      const int status = waitForEncoder();
      failure("ffmpeg failed (exit status %s) before it had every frame; no video written", std::to_string(status));
      abandonVideo();
      return false;
    }
    bytes += n;
    left -= size_t(n);
  }
  gVideo.times.waitSeconds += (preciseMilliseconds() - before) / 1000.0;
  return true;
}

bool closeVideo() {
  closePipe();
  const int status = waitForEncoder();
  restoreHandlers();
  bool ok = status == 0 && !gInterrupted;
  if (gInterrupted)
    failure("interrupted; no video written");
  else if (status != 0)
    failure("ffmpeg failed (exit status %s); no video written", std::to_string(status));
  std::error_code ec;
  if (ok && fs::file_size(gVideo.temporary, ec) == 0) {
    failure("ffmpeg wrote nothing; no video written");
    ok = false;
  }
  if (ok && std::rename(gVideo.temporary.c_str(), gVideo.finalPath.c_str()) != 0) {
    failure("cannot name the video '%s': %s", gVideo.finalPath, std::strerror(errno));
    ok = false;
  }
  if (!ok) unlink(gVideo.temporary.c_str());
  gVideo.temporary.clear();
  return ok;
}

void abandonVideo() {
  closePipe();
  if (gVideo.pid > 0) {
    kill(gVideo.pid, SIGTERM);
    waitForEncoder();
  }
  restoreHandlers();
  if (!gVideo.temporary.empty()) unlink(gVideo.temporary.c_str());
  gVideo.temporary.clear();
}

VideoTimes lastVideoTimes() { return gVideo.times; }
