# Shared by the scripts: installs what is missing and builds.
# Sourced, not run.

FW_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Debian packages the build, the tests and the program need.
FW_PACKAGES=(cmake g++ make pkg-config ccache qt6-base-dev qt6-serialport-dev
  libgl-dev fonts-dejavu-core libssl3 libssl-dev openssl ca-certificates
  qt6-l10n-tools qt6-tools-dev qt6-translations-l10n)

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

# fw_check_translations DIR: lupdate, run on copies of the .ts files with the
# sources the build in DIR knows, changes none of them, and no shipped
# language has an unfinished entry.
fw_check_translations() {
  local dir=$1 tmp ts status=0
  tmp=$(mktemp -d)
  cmake -DIN_FILE="$dir/translations/.lupdate/flashwright_project.cmake" \
    -DOUT_FILE="$tmp/project.json" \
    -P "$(sed -n 's/^Qt6LinguistTools_DIR:PATH=//p' "$dir/CMakeCache.txt")/GenerateLUpdateProject.cmake"
  cp "$FW_ROOT"/translations/*.ts "$tmp/"
  "$(qtpaths6 --query QT_HOST_BINS)/lupdate" -silent -project "$tmp/project.json" \
    -locations none -no-obsolete -ts "$tmp"/*.ts 2> >(grep -v "override TRANSLATIONS" >&2)
  for ts in "$FW_ROOT"/translations/*.ts; do
    diff -u "$ts" "$tmp/${ts##*/}" >&2 || {
      echo "translations: lupdate would change ${ts##*/}: build the target update_translations" \
        "and translate what it adds" >&2
      status=1
    }
    if grep -q 'type="unfinished"' "$ts"; then
      echo "translations: ${ts##*/} has unfinished entries" >&2
      status=1
    fi
  done
  rm -rf "$tmp"
  return $status
}

# What building the package needs (dpkg-shlibdeps, and file, with which CPack
# finds the programs; ansible-galaxy for the Ansible collection), and what
# checking it needs.
FW_PACKAGE_TOOLS=(dpkg-dev file ansible-core)
FW_PACKAGE_CHECK_TOOLS=(lintian desktop-file-utils appstream)
# What the test of the Ansible collection runs.
FW_ANSIBLE_TOOLS=(ansible-core ansible-lint)

# fw_package: an optimised build without the tests in build/package, packed
# by CPack into build/package/flashwright_<version>_<arch>.deb; sets FW_DEB
# to that file's path.
fw_package() {
  local dir=build/package cxxflags ldflags
  # Debian's compiler and linker flags, hardening included; without -g, since
  # the programs are stripped.
  local -x DEB_BUILD_MAINT_OPTIONS=hardening=+all
  cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
  cxxflags=" $cxxflags "
  cxxflags=${cxxflags// -g / }
  ldflags=$(dpkg-buildflags --get LDFLAGS)
  fw_build "$FW_ROOT/$dir" -DCMAKE_BUILD_TYPE=Release -DFLASHWRIGHT_TESTS=OFF \
    "-DCMAKE_CXX_FLAGS=$cxxflags" "-DCMAKE_EXE_LINKER_FLAGS=$ldflags"
  rm -f "$FW_ROOT/$dir"/*.deb
  (cd "$FW_ROOT/$dir" && cpack -G DEB >/dev/null)
  FW_DEB=$(ls "$FW_ROOT/$dir"/flashwright_*.deb)
}

# fw_package_collection: the Ansible collection in ansible/ built by
# ansible-galaxy into build/package/flashwright-units-<version>.tar.gz; sets
# FW_COLLECTION to its path. Its version must be the project's.
fw_package_collection() {
  local dir=$FW_ROOT/build/package project collection
  project=$(sed -n 's/^project(Flashwright VERSION \([0-9.]*\).*/\1/p' "$FW_ROOT/CMakeLists.txt")
  collection=$(sed -n 's/^version: *//p' "$FW_ROOT/ansible/galaxy.yml")
  if [ "$project" != "$collection" ]; then
    echo "package: ansible/galaxy.yml has version $collection, the project $project" >&2
    return 1
  fi
  mkdir -p "$dir"
  ansible-galaxy collection build --force --output-path "$dir" "$FW_ROOT/ansible" >/dev/null
  FW_COLLECTION=$dir/flashwright-units-$collection.tar.gz
}

# fw_check_package DEB: lintian finds no errors, the desktop entry and the
# AppStream metadata are valid, every program has its manual page, and each
# program, unpacked into a temporary folder, starts and prints the package's
# version without a display.
fw_check_package() {
  local deb=$1 root version program name out status=0
  lintian --fail-on error "$deb" || status=1
  root=$(mktemp -d)
  dpkg-deb -x "$deb" "$root"
  version=$(dpkg-deb -f "$deb" Version)
  desktop-file-validate "$root"/usr/share/applications/*.desktop || status=1
  appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml >/dev/null || {
    appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml
    status=1
  }
  for name in flashwright vqsim; do
    [ -x "$root/usr/bin/$name" ] || {
      echo "package: usr/bin/$name is missing" >&2
      status=1
    }
  done
  for program in "$root"/usr/bin/*; do
    name=$(basename "$program")
    [ -f "$root/usr/share/man/man1/$name.1.gz" ] || {
      echo "package: $name has no manual page" >&2
      status=1
    }
    if out=$(env -u LD_LIBRARY_PATH -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
      "$program" --version 2>&1) && [[ $out == *"$version"* ]]; then
      echo "$name: $out"
    else
      echo "package: \"$name --version\" printed \"$out\", not version $version" >&2
      status=1
    fi
  done
  fw_check_package_use "$root" || status=1
  if ldd "$root/usr/bin/flashwright-cli" | grep -E 'lib(crypto|ssl)\.so'; then
    echo "package: flashwright-cli links OpenSSL, which it never uses" >&2
    status=1
  fi
  rm -rf "$root"
  return $status
}

# fw_check_package_use ROOT: runs the unpacked programs as a user would, with
# a home of their own, against the unpacked simulated unit, and fails when
# anything was written outside that home.
fw_check_package_use() {
  local root=$1 home sim port out status=0
  home=$(mktemp -d)
  touch "$root/.before"
  mkdir -p "$home/fw"
  head -c 1280 /dev/urandom >"$home/fw/vq200_s70_1.vq"
  "$root/usr/bin/vqsim" --tcp 0 --in-loader --size 1280 >"$home/vqsim.port" 2>/dev/null &
  sim=$!
  for _ in $(seq 50); do [ -s "$home/vqsim.port" ] && break; sleep 0.1; done
  port=$(head -n 1 "$home/vqsim.port")
  (
    cd "$home"
    export HOME=$home
    unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_STATE_HOME
    "$root/usr/bin/flashwright-cli" program --tcp "127.0.0.1:$port" --folder "$home/fw" &&
      "$root/usr/bin/flashwright-cli" version --tcp "127.0.0.1:1" ||
      true
    QT_QPA_PLATFORM=offscreen "$root/usr/bin/flashwright" --version
  ) >"$home/run.log" 2>&1 || status=1
  kill "$sim" 2>/dev/null
  wait "$sim" 2>/dev/null
  grep -q "ok: 1280 bytes" "$home/run.log" || {
    echo "package: the unpacked flashwright-cli did not program the unpacked vqsim:" >&2
    cat "$home/run.log" >&2
    status=1
  }
  out=$(find "$root" -newer "$root/.before" ! -path "$root" 2>/dev/null)
  if [ -n "$out" ]; then
    echo "package: the programs wrote outside the user's folders:" >&2
    echo "$out" >&2
    status=1
  fi
  [ -s "$home/.local/state/ORVANT/Flashwright/Programmererror.log" ] || {
    echo "package: the error log is not in the user's state folder" >&2
    status=1
  }
  rm -rf "$home"
  return $status
}
