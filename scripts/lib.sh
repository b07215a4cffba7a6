# Shared by the scripts: installs what is missing and builds.
# Sourced, not run.

FW_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Debian packages the build, the tests and the program need.
FW_PACKAGES=(cmake g++ make pkg-config ccache qt6-base-dev qt6-serialport-dev
  libgl-dev fonts-dejavu-core libssl3 libssl-dev openssl ca-certificates)

fw_install() {
  local missing=() extra=("$@") p
  for p in "${FW_PACKAGES[@]}" "${extra[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# fw_build DIR [cmake options...] [--target TARGET...]
# Builds every target, or only those after --target.
fw_build() {
  local dir=$1
  shift
  local options=() targets=() launcher=()
  while [ $# -gt 0 ] && [ "$1" != --target ]; do
    options+=("$1")
    shift
  done
  [ $# -gt 1 ] && targets=("$@")
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S "$FW_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "${options[@]}" >/dev/null
  cmake --build "$dir" --parallel "$(nproc)" "${targets[@]}"
}

