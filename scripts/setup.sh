# Shared set-up of ./run and ./test: installs the missing Debian packages, then
# configures and builds into build/ (the build also forges the data set).
# Usage: source scripts/setup.sh [extra packages...]

gvs_packages=(build-essential cmake pkg-config
  libsdl2-dev libmpg123-dev libmp3lame-dev libfreetype-dev fonts-dejavu-core libpng-dev
  libgtest-dev libgmock-dev libbenchmark-dev)

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

gvs_build() {
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build -j"$(nproc)"
}

gvs_install_missing "${gvs_packages[@]}" "$@"
gvs_build
