// Guards gvs-tool render --video end to end with the real ffmpeg: the streams ffprobe
// sees, a decoded frame against the renderer's own page of that moment, the music's
// downbeats on the bar grid; and the failures that must leave nothing behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/testutil.hpp"

namespace fs = std::filesystem;

namespace {

const std::string kTool = GVS_TOOL_PATH;

// gvs-tool render with the arguments on the forged data set; its status, output in `log`.
int render(const std::string& args, std::string* log, const std::string& data = forgedDataRoot()) {
  return runCommand(kTool + " render " + args + " --data-root " + data, log);
}

#define FFMPEG_OR_SKIP()                                                      \
  if (runCommand("command -v ffmpeg && command -v ffprobe") != 0) \
  GTEST_SKIP() << "needs Debian's ffmpeg (ffmpeg and ffprobe on PATH)"

// The capture every test of the video reads: SceneTime 11900 to 12500 (five
// seconds across the bar lines 54, 55 and 56) at 24 frames per second, scale 2.
constexpr double kFrom = 11900, kFps = 24;
constexpr int kFrames = 120;

const std::string& capture() {
  static const std::string file = [] {
    const std::string path = makeTempDir("capture") + "/show.mp4";
    std::string log;
    EXPECT_EQ(render("--from 11900 --to 12500 --fps 24 --scale 2 --video " + path, &log), 0) << log;
    EXPECT_NE(log.find("rendered 120 frames into " + path), std::string::npos) << log;
    return path;
  }();
  return file;
}

// One map of key=value per stream, as ffprobe prints them.
std::vector<std::map<std::string, std::string>> probeStreams(const std::string& file) {
  std::string out;
  EXPECT_EQ(runCommand("ffprobe -v error -show_entries "
                       "stream=codec_type,codec_name,width,height,pix_fmt,nb_frames,duration,r_frame_rate,sample_rate "
                       "-of compact=p=0 " + file,
                       &out, true),
            0);
  std::vector<std::map<std::string, std::string>> streams;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    std::map<std::string, std::string> fields;
    std::istringstream parts(line);
    for (std::string part; std::getline(parts, part, '|');) {
      const size_t eq = part.find('=');
      if (eq != std::string::npos) fields[part.substr(0, eq)] = part.substr(eq + 1);
    }
    streams.push_back(fields);
  }
  return streams;
}

// Peak signal-to-noise ratio of a decoded 640 x 480 frame, each 2 x 2 block taken
// as one page pixel, against a 320 x 240 page.
double psnrAgainstPage(const std::string& decoded, const std::vector<uint8_t>& page) {
  double squares = 0;
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 320; ++x)
      for (int c = 0; c < 3; ++c) {
        double sum = 0;
        for (int d = 0; d < 4; ++d)
          sum += uint8_t(decoded[(size_t(2 * y + d / 2) * 640 + size_t(2 * x + d % 2)) * 3 + size_t(c)]);
        const double diff = sum / 4 - page[(size_t(y) * 320 + size_t(x)) * 3 + size_t(c)];
        squares += diff * diff;
      }
  return 10 * std::log10(255.0 * 255.0 / std::max(squares / (320.0 * 240 * 3), 1e-9));
}

// Mono samples at 44100 Hz decoded by ffmpeg, full scale 1.0.
std::vector<float> decodeSound(const std::string& input) {
  std::string raw;
  EXPECT_EQ(runCommand("ffmpeg -v error " + input + " -f s16le -ac 1 -ar 44100 -", &raw, true), 0);
  std::vector<int16_t> samples(raw.size() / 2);
  std::memcpy(samples.data(), raw.data(), samples.size() * 2);
  return std::vector<float>(samples.begin(), samples.end());
}

// Where the kick drum, which begins every bar of the music, starts near `expected`
// seconds: within 100 ms, in seconds.
double kickOnset(const std::vector<float>& sound, double expected) {
  return double(fitKick(sound, std::lround(expected * 44100), 4410).at) / 44100;
}

}  // namespace

TEST(VideoCapture, StreamsFramesAndSoundOnTheBarGrid) {
  FFMPEG_OR_SKIP();
  const std::string& file = capture();
  const auto streams = probeStreams(file);
  ASSERT_EQ(streams.size(), 2u) << "one video and one audio stream";
  const auto& video = streams[0].at("codec_type") == "video" ? streams[0] : streams[1];
  const auto& audio = streams[0].at("codec_type") == "video" ? streams[1] : streams[0];
  EXPECT_EQ(video.at("codec_name"), "h264");
  EXPECT_EQ(video.at("pix_fmt"), "yuv420p");
  EXPECT_EQ(video.at("width"), "640");
  EXPECT_EQ(video.at("height"), "480");
  EXPECT_EQ(video.at("r_frame_rate"), "24/1");
  EXPECT_EQ(video.at("nb_frames"), std::to_string(kFrames));
  EXPECT_EQ(audio.at("codec_type"), "audio");
  EXPECT_EQ(audio.at("sample_rate"), "44100");
  const double length = kFrames / kFps;
  EXPECT_NEAR(std::stod(video.at("duration")), length, 1 / kFps);
  EXPECT_NEAR(std::stod(audio.at("duration")), length, 1 / kFps);

  // Frame 60 is SceneTime 12200; the renderer's pages of 12195, 12200 and 12205.
  std::string decoded;
  ASSERT_EQ(runCommand("ffmpeg -v error -i " + file + " -vf 'select=eq(n\\,60)' -frames:v 1 -f rawvideo -pix_fmt rgb24 -",
                       &decoded, true),
            0);
  ASSERT_EQ(decoded.size(), 640u * 480 * 3);
  const std::string pages = makeTempDir("capture-pages");
  std::string log;
  ASSERT_EQ(render("--from 12195 --to 12210 --fps 24 --out " + pages, &log), 0) << log;
  double psnr[3];
  for (int k = 0; k < 3; ++k) {
    const auto page = readPngRgb(pages + "/frame_00000" + std::to_string(k) + ".png", 320, 240);
    ASSERT_FALSE(page.empty());
    psnr[k] = psnrAgainstPage(decoded, page);
  }
  EXPECT_GT(psnr[1], 30.0);
  EXPECT_GT(psnr[1], psnr[0] + 3.0);
  EXPECT_GT(psnr[1], psnr[2] + 3.0);

  // The kicks of bars 54, 55 and 56 where the bar grid puts them, within a frame.
  const std::vector<float> sound = decodeSound("-i " + file);
  ASSERT_NEAR(double(sound.size()), length * 44100, 44100 / kFps);
  for (int bar = 54; bar <= 56; ++bar) {
    const double barTime = bar * 221.25;
    EXPECT_NEAR(kickOnset(sound, (barTime - kFrom) / 120), (barTime - kFrom) / 120, 1 / kFps) << "bar " << bar;
  }
}

// A --from before the music's start is silence until SceneTime 0; --single-scene has
// no music, so no sound.
TEST(VideoCapture, SilenceBeforeTheMusicAndNoneForTheSingleScene) {
  FFMPEG_OR_SKIP();
  const std::string dir = makeTempDir("capture-edges");
  std::string log;
  ASSERT_EQ(render("--from -60 --to 60 --fps 10 --scale 1 --video " + dir + "/early.mp4", &log), 0) << log;
  const std::vector<float> sound = decodeSound("-i " + dir + "/early.mp4");
  ASSERT_NEAR(double(sound.size()), 44100, 4410);
  EXPECT_TRUE(std::all_of(sound.begin(), sound.begin() + 20000, [](float v) { return v == 0.0f; }));
  EXPECT_NEAR(kickOnset(sound, 0.5), 0.5, 0.1);  // the first bar line
  ASSERT_EQ(render("--single-scene --from 0 --to 24 --fps 10 --scale 1 --video " + dir + "/single.mp4", &log), 0)
      << log;
  const auto streams = probeStreams(dir + "/single.mp4");
  ASSERT_EQ(streams.size(), 1u);
  EXPECT_EQ(streams[0].at("codec_type"), "video");
  EXPECT_EQ(streams[0].at("nb_frames"), "2");
}

// Every failure: status 1, a line that says why, and nothing under the name given
// (nor a temporary file beside it).
TEST(VideoCapture, FailuresLeaveNothingBehind) {
  FFMPEG_OR_SKIP();
  const std::string dir = makeTempDir("capture-fail"), range = " --from 0 --to 30 --fps 10 --scale 1";
  // ffmpeg itself fails when the music of the data root is not audio at all.
  const std::string data = forgedDataRoot(), broken = makeTempDir("capture-broken-data");
  fs::create_directories(broken + "/data");
  for (const auto& entry : fs::directory_iterator(data + "/data"))
    if (entry.path().filename() != "music") fs::create_directory_symlink(entry.path(), broken + "/data/" + entry.path().filename().string());
  writeFile(broken + "/data/music/qz0.mp3", std::string(5000, 'x'));
  const struct { std::string prefix, args, data, message; } failures[] = {
      {"PATH=/nonexistent ", "--video " + dir + "/v.mp4" + range, data, "ffmpeg is not on PATH"},
      {"", "--video " + dir + "/missing/v.mp4" + range, data, "does not exist"},
      {"", "--from 100 --to 100 --fps 10 --video " + dir + "/v.mp4", data, "--to (100) must be after --from (100)"},
      {"", "--video " + dir + range, data, "is a folder"},
      {"", "--video " + dir + "/v.mp4" + range, broken, "ffmpeg failed"}};
  for (const auto& f : failures) {
    std::string log;
    const std::string command = f.prefix + kTool + " render " + f.args + " --data-root " + f.data;
    EXPECT_EQ(runCommand(command, &log), 1) << command << "\n" << log;
    EXPECT_NE(log.find(f.message), std::string::npos) << log;
    EXPECT_TRUE(fs::is_empty(dir)) << f.args;
  }
  // A video already there stays as it was.
  writeFile(dir + "/keep.mp4", "old");
  std::string log;
  EXPECT_EQ(render("--video " + dir + "/keep.mp4" + range, &log, broken), 1);
  EXPECT_EQ(readFile(dir + "/keep.mp4"), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
  const std::string badOptions[] = {" --out " + dir + " --video x.mp4", " --out " + dir + " --scale 2",
                                    " --video x.mp4 --scale 9"};
  for (const std::string& bad : badOptions)
    EXPECT_EQ(runTool("render --from 0 --to 30 --fps 10" + bad), 2) << bad;
}
