// Guards the show end to end: the real gvs binary in a real X window (Xvfb), driven
// with xdotool: frames on screen, Escape, the message box of a missing picture, the
// audio error line, and ./run handing its arguments to the show.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "tests/testutil.hpp"

namespace fs = std::filesystem;

namespace {
struct Child {
  pid_t pid = -1;
  std::string out, err;
};

// Starts `program` in `cwd` with output to files; the audio device is SDL's dummy driver.
Child startProgram(const std::string& cwd, const char* program, const std::vector<std::string>& args) {
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
    argv.push_back(const_cast<char*>(program));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program, argv.data());
    _exit(127);
  }
  return c;
}

// The child's exit status once it ends within `limitMs`; -2 while it still runs.
int pollExit(const Child& c, int limitMs) {
  for (int i = 0; i < limitMs / 50; ++i) {
    int status = 0;
    if (waitpid(c.pid, &status, WNOHANG) == c.pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return -2;
}

// Waits for the child to end (giving up after `limitSeconds` and killing it, so a hang
// fails instead of blocking).
int waitExit(Child& c, int limitSeconds) {
  const int status = pollExit(c, limitSeconds * 1000);
  if (status != -2) return status;
  kill(-c.pid, SIGKILL);
  waitpid(c.pid, nullptr, 0);
  return -2;
}

// Presses Escape in the window once a second until the program ends: a press while
// the loader picture is up is not an end request (the show starts with the quit flag
// cleared), and how long loading takes depends on the machine's load. Returns the
// exit status as waitExit does.
int escapeUntilExit(Child& c, const std::string& window, int limitSeconds) {
  for (int i = 0; i < limitSeconds; ++i) {
    runCommand("xdotool key --window " + window + " Escape 2>/dev/null");
    const int status = pollExit(c, 1000);
    if (status != -2) return status;
  }
  return waitExit(c, 0);
}

// The first line `cmd` prints, waiting up to `limitSeconds` for it to print one.
std::string firstLineOf(const std::string& cmd, int limitSeconds) {
  std::string out;
  for (int i = 0; i < limitSeconds * 10; ++i) {
    if (runCommand(cmd + " 2>/dev/null | head -n1", &out) == 0 && out.size() > 1) return out.substr(0, out.find('\n'));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return "";
}

// A mapped top-level window with this exact name (xwininfo also reads names stored as
// UTF-8, which SDL's message boxes use).
std::string findWindow(const std::string& name, int limitSeconds) {
  return firstLineOf("xwininfo -root -children | grep -F '\"" + name + "\"' | awk '{print $1}'", limitSeconds);
}

// The visible window that process `pid` opened (SDL sets _NET_WM_PID), so tests
// running side by side never take each other's window. The limits the tests give are
// generous: on a loaded two-core machine, with the whole suite running beside it, the
// show has taken over 20 s to map its window; the search ends as soon as it is there.
std::string findWindowOf(pid_t pid, int limitSeconds) {
  return firstLineOf("xdotool search --all --onlyvisible --pid " + std::to_string(pid) + " --name '^GVS window$'",
                     limitSeconds);
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
  Child c = startProgram(dir, GVS_SHOW_PATH, {"--window", "--silent"});
  std::string win = findWindowOf(c.pid, 120);
  ASSERT_FALSE(win.empty()) << readFile(c.err);
  // The loader picture, then the show's frames: lit pixels on screen within a minute,
  // looked for twice a second (the loader's fade keeps to the clock, so a single look
  // at a fixed moment can miss it on a loaded machine).
  long lit = 0;
  for (int i = 0; i < 120 && (lit = litPixelsOnScreen()) <= 10000; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_GT(lit, 10000);
  // Once the show itself runs, Escape ends it.
  EXPECT_EQ(escapeUntilExit(c, win, 120), 0) << readFile(c.err) << readFile(c.out);
}

TEST_F(WindowEndToEnd, MissingLoaderPictureShowsTheErrorAndExits1) {
  std::string dir = dataCopy("e2e-noloader");
  fs::remove(fs::path(dir) / "data" / "loader" / "loader.rgb");
  Child c = startProgram(dir, GVS_SHOW_PATH, {"--window", "--silent"});
  std::string box = findWindow("Greyline Video System", 30);
  ASSERT_FALSE(box.empty()) << "no message box appeared: " << readFile(c.err);
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
  Child c = startProgram(dir, GVS_SHOW_PATH, {"--window", "--silent"});
  ASSERT_FALSE(findWindowOf(c.pid, 120).empty());
  EXPECT_EQ(waitExit(c, 60), 1);
  EXPECT_EQ(readFile(c.out), "Error(2): Not an mp3\n");
}

// The README's command as a user types it: ./run does its set-up (nothing to install
// or build here) and hands every argument to the show.
TEST_F(WindowEndToEnd, RunScriptPassesItsArgumentsToTheShow) {
  if (fs::path(GVS_BINARY_DIR) != fs::path(GVS_SOURCE_DIR) / "build")
    GTEST_SKIP() << "./run builds into build/; this build is " << GVS_BINARY_DIR;
  const std::string script = std::string(GVS_SOURCE_DIR) + "/run";
  Child c = startProgram(makeTempDir("e2e-run"), script.c_str(), {"--window", "--silent"});
  std::string win = findWindowOf(c.pid, 300);
  ASSERT_FALSE(win.empty()) << readFile(c.out) << readFile(c.err);
  EXPECT_EQ(escapeUntilExit(c, win, 120), 0) << readFile(c.out) << readFile(c.err);
  EXPECT_EQ(readFile(c.err).find("apt-get"), std::string::npos);
}
