// gvs-tool dump FILE.3ds [--frame F] [--camera N] [--utf8 | --cp437]: loads the file
// as a show scene does, runs one frame and prints the engine's scene dump. The dump
// draws its boxes with code-page-437 bytes; they are converted to UTF-8 for a
// terminal or with --utf8, and passed through unchanged with --cp437 (the default
// when the output is not a terminal).
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/scenedump.hpp"
#include "engine/scenesequence.hpp"
#include "cli/args.hpp"
#include "cli/commands.hpp"
#include "cli/scenefile.hpp"

namespace {

// Unicode code points of code page 437's upper half.
const uint16_t kCp437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE,
    0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6,
    0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA,
    0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C,
    0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320,
    0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0};

std::string cp437ToUtf8(const char* data, size_t size) {
  std::string out;
  out.reserve(size + size / 2);
  for (size_t i = 0; i < size; ++i) {
    unsigned char c = static_cast<unsigned char>(data[i]);
    if (c < 0x80) {
      out += char(c);
      continue;
    }
    unsigned cp = kCp437High[c - 0x80];
    if (cp < 0x800) {
      out += char(0xC0 | (cp >> 6));
      out += char(0x80 | (cp & 0x3F));
    } else {
      out += char(0xE0 | (cp >> 12));
      out += char(0x80 | ((cp >> 6) & 0x3F));
      out += char(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

void usage(FILE* out) {
  std::fprintf(out,
               "Usage: gvs-tool dump FILE.3ds [--frame F] [--camera N] [--utf8 | --cp437]\n\n"
               "Loads the file as a show scene does, runs frame F (default 0, wrapping past\n"
               "the last frame) through camera N (default 0) and prints the engine's scene\n"
               "dump. Box characters are code page 437; they become UTF-8 on a terminal or\n"
               "with --utf8, and stay as they are with --cp437.\n");
}

int run(int argc, char** argv) {
  int encoding = -1;  // -1: decide by the terminal, 0: code page 437, 1: UTF-8
  auto own = [&](const char* a, const char*, int&) {
    if (std::strcmp(a, "--utf8") && std::strcmp(a, "--cp437")) return OptionResult::Unknown;
    int wanted = a[2] == 'u' ? 1 : 0;
    if (encoding != -1 && encoding != wanted) {
      std::fprintf(stderr, "gvs-tool dump: --utf8 and --cp437 exclude each other\n");
      return OptionResult::Failed;
    }
    encoding = wanted;
    return OptionResult::Taken;
  };
  SceneFileArgs args;
  int exitCode = parseSceneFileArgs("dump", argc, argv, usage, own, args);
  if (exitCode >= 0) return exitCode;
  if (encoding == -1) encoding = isatty(STDOUT_FILENO) ? 1 : 0;

  Scene3D* scene = loadSceneForCamera("dump", args.file, false, args.camera);
  if (!scene) return 2;
  runFrameSequence(scene, args.frame, args.camera);
  char* text = nullptr;
  size_t size = 0;
  FILE* memory = open_memstream(&text, &size);
  if (!memory) {
    std::fprintf(stderr, "gvs-tool dump: out of memory\n");
    return 1;
  }
  dumpScene(scene, memory);
  std::fclose(memory);
  releaseSceneSequence(scene);
  if (encoding == 1) {
    std::string utf8 = cp437ToUtf8(text, size);
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
  } else {
    std::fwrite(text, 1, size, stdout);
  }
  std::free(text);
  std::fflush(stdout);
  return 0;
}


}  // namespace

int dumpCommand(int argc, char** argv) { return run(argc, argv); }
