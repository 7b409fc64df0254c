# Shared set-up of ./run and ./test: installs the missing Debian packages, then
# configures and builds into build/ (the build also forges the data set).
# Usage: source scripts/setup.sh, then gvs_setup_show or gvs_setup_tests. The
# functions take no arguments, so nothing the caller was given reaches apt-get.

# What the show and gvs-tool need to build and run.
gvs_show_packages=(build-essential cmake pkg-config
  libsdl2-dev libmpg123-dev libmp3lame-dev libfreetype-dev fonts-dejavu-core libpng-dev)
# What the test suite needs besides: the test frameworks, a private X server with
# the core fonts SDL's message boxes draw with, xdotool to drive the window, ffmpeg
# to grab the screen, assimp to read our 3DS files with another reader.
gvs_test_packages=(libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth x11-utils xfonts-base xdotool ffmpeg assimp-utils)
# What scripts/fuzz needs besides the show's packages: clang with libFuzzer and the
# sanitizer runtimes (./test does not need them).
gvs_fuzz_packages=(clang-14 libclang-rt-14-dev)

gvs_install_missing() {
  local missing=()
  local p
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}"
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# The show, gvs-tool and the data set. A build folder configured earlier keeps its
# settings (after ./test it also holds the tests, which this does not build).
gvs_setup_show() {
  gvs_install_missing "${gvs_show_packages[@]}"
  if [ ! -f build/CMakeCache.txt ]; then
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
  fi
  cmake --build build -j"$(nproc)" --target gvs gvs-tool forge_data
}

# Everything, tests included.
gvs_setup_tests() {
  gvs_install_missing "${gvs_show_packages[@]}" "${gvs_test_packages[@]}"
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON >/dev/null
  cmake --build build -j"$(nproc)"
}
