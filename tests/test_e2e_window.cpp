// End to end: the real gvs binary in a real X window (Xvfb), driven with xdotool.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/testutil.hpp"

namespace fs = std::filesystem;

namespace {
struct Child {
  pid_t pid = -1;
  std::string out, err;
};

// Starts gvs in `cwd` with output to files; the audio device is SDL's dummy driver.
Child startShow(const std::string& cwd, const std::vector<std::string>& args) {
  Child c;
  c.out = cwd + "/stdout.txt";
  c.err = cwd + "/stderr.txt";
  c.pid = fork();
  if (c.pid == 0) {
    setpgid(0, 0);  // the message box runs in a child process of its own
    if (chdir(cwd.c_str()) != 0) _exit(127);
    FILE* o = std::freopen(c.out.c_str(), "w", stdout);
    FILE* e = std::freopen(c.err.c_str(), "w", stderr);
    (void)o, (void)e;
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(GVS_SHOW_PATH));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(GVS_SHOW_PATH, argv.data());
    _exit(127);
  }
  return c;
}

// Waits for the child to end (giving up after `limitSeconds`, so a hang fails instead of blocking).
int waitExit(Child& c, int limitSeconds) {
  for (int i = 0; i < limitSeconds * 20; ++i) {
    int status = 0;
    if (waitpid(c.pid, &status, WNOHANG) == c.pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  kill(-c.pid, SIGKILL);
  waitpid(c.pid, nullptr, 0);
  return -2;
}

std::string readAll(const std::string& path) {
  std::ifstream f(path);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

// The id of a mapped top-level window with this exact name, waiting for it to appear.
// (xwininfo also reads names stored as UTF-8, which SDL's message boxes use.)
std::string findWindow(const std::string& name, int limitSeconds) {
  std::string out;
  for (int i = 0; i < limitSeconds * 10; ++i) {
    if (runCommand("xwininfo -root -children | grep -F '\"" + name + "\"' | awk '{print $1}' | head -n1", &out) == 0 &&
        out.size() > 2)
      return out.substr(0, out.find('\n'));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return "";
}

// Grabs the X screen through ffmpeg and counts the pixels that are not black.
long litPixelsOnScreen() {
  std::string cmd = std::string("ffmpeg -loglevel error -f x11grab -i ") + std::getenv("DISPLAY") +
                    " -frames:v 1 -f rawvideo -pix_fmt gray - | od -An -v -tu1 | tr -s ' ' '\\n' | awk '$1 > 16' | wc -l";
  std::string out;
  if (runCommand(cmd, &out) != 0) return -1;
  return std::atol(out.c_str());
}

std::string dataCopy(const std::string& name) {
  std::string root = forgedDataRoot();
  std::string dir = makeTempDir(name);
  fs::copy(fs::path(root) / "data", fs::path(dir) / "data", fs::copy_options::recursive);
  return dir;
}

struct WindowEndToEnd : ::testing::Test {
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display (./test starts Xvfb)";
    if (runCommand("command -v xdotool") != 0) GTEST_SKIP() << "xdotool is not installed";
  }
};
}  // namespace

TEST_F(WindowEndToEnd, ShowsFramesAndEndsWithStatus0OnEscape) {
  std::string dir = dataCopy("e2e-escape");
  Child c = startShow(dir, {"--window", "--silent"});
  std::string win = findWindow("GVS window", 20);
  ASSERT_FALSE(win.empty()) << readAll(c.err);
  // The loader picture is on screen from one to four seconds after the start.
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  EXPECT_GT(litPixelsOnScreen(), 10000);
  // The show itself is running once the fades are over; Escape ends it.
  std::this_thread::sleep_for(std::chrono::milliseconds(6500));
  runCommand("xdotool key --window " + win + " Escape");
  EXPECT_EQ(waitExit(c, 60), 0) << readAll(c.err) << readAll(c.out);
}

TEST_F(WindowEndToEnd, MissingLoaderPictureShowsTheErrorAndExits1) {
  std::string dir = dataCopy("e2e-noloader");
  fs::remove(fs::path(dir) / "data" / "loader" / "loader.rgb");
  Child c = startShow(dir, {"--window", "--silent"});
  std::string box = findWindow("Greyline Video System", 30);
  ASSERT_FALSE(box.empty()) << "no message box appeared: " << readAll(c.err);
  // The box waits for its button; pressing it ends the program with status 1.
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  int status = 0;
  EXPECT_EQ(waitpid(c.pid, &status, WNOHANG), 0) << "ended before the box was answered";
  runCommand("xdotool key --window " + box + " Return");
  EXPECT_EQ(waitExit(c, 20), 1);
}

TEST_F(WindowEndToEnd, MissingMusicPrintsTheAudioErrorAndExits1) {
  std::string dir = dataCopy("e2e-nomusic");
  fs::remove(fs::path(dir) / "data" / "music" / "qz0.mp3");
  Child c = startShow(dir, {"--window", "--silent"});
  ASSERT_FALSE(findWindow("GVS window", 20).empty());
  EXPECT_EQ(waitExit(c, 60), 1);
  EXPECT_EQ(readAll(c.out), "Error(2): Not an mp3\n");
}
