# The Windows toolchain behind scripts/windows: Qt's base module and Qt Serial
# Port built for Windows, and a static libcrypto of OpenSSL 3, in a cache
# folder outside the repository keyed by what it holds. Sourced after lib.sh.

# Bump when the recipe below changes what ends up in the cache.
FW_WIN_RECIPE=1
FW_WIN_QT_VERSION=6.4.2
FW_WIN_SERIALPORT_TARBALL=qtserialport-everywhere-src-6.4.2.tar.xz
FW_WIN_SERIALPORT_SHA256=682626d3ae07074df0f707dab880f1eab1c133a04d5bed688a3ec63af305ae89
FW_WIN_TRIPLE=x86_64-w64-mingw32

# What the cross build, the installer and trying the program under Wine need.
FW_WIN_PACKAGES=(g++-mingw-w64-x86-64-posix wine64 nsis ninja-build perl dpkg-dev xz-utils
  xvfb x11-apps imagemagick fonts-dejavu-core)

FW_WIN_CACHE=${FLASHWRIGHT_WINDOWS_CACHE:-/var/cache/flashwright/windows}
FW_WIN_VENDOR=$(cd "$FW_ROOT/.." && pwd)/shared/vendor

fw_win_sudo() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# The host's Qt tools build the target Qt, so both must be the same release.
fw_win_versions() {
  fw_win_apt_sources
  FW_WIN_GCC=$(dpkg-query -W -f='${Version}' g++-mingw-w64-x86-64-posix)
  FW_WIN_GCC=${FW_WIN_GCC%%-*}
  FW_WIN_MINGW=$(dpkg-query -W -f='${Version}' mingw-w64-x86-64-dev)
  FW_WIN_MINGW=${FW_WIN_MINGW%%-*}
  FW_WIN_QT_SRC=$(dpkg-query -W -f='${source:Version}' qt6-base-dev)
  case $FW_WIN_QT_SRC in
    "$FW_WIN_QT_VERSION"+* | "$FW_WIN_QT_VERSION"-*) ;;
    *)
      echo "windows: Debian's Qt is $FW_WIN_QT_SRC, not $FW_WIN_QT_VERSION as Qt Serial Port in $FW_WIN_VENDOR" >&2
      return 1
      ;;
  esac
  # Newest first. Not every source listed can be fetched: the mirror may lack
  # the newest security upload's source.
  mapfile -t FW_WIN_SSL_CANDIDATES < <(apt-cache showsrc openssl | sed -n 's/^Version: //p' | sort -rV)
  [ ${#FW_WIN_SSL_CANDIDATES[@]} -gt 0 ] || {
    echo "windows: apt-cache finds no source of openssl" >&2
    return 1
  }
}

# fw_win_prefix OPENSSL-VERSION: the cache entry for these versions.
fw_win_prefix() {
  local key="gcc${FW_WIN_GCC}-mingw${FW_WIN_MINGW}_qt${FW_WIN_QT_SRC}_openssl${1}_r${FW_WIN_RECIPE}"
  echo "$FW_WIN_CACHE/${key//:/_}"
}

# fw_win_step NAME COMMAND...: runs one step of the toolchain's build with
# its output in the cache's logs/, and records its wall time. A step already
# done (by an earlier, interrupted run) is skipped.
fw_win_step() {
  local name=$1 start status
  shift
  [ -f "$FW_WIN_PREFIX/logs/$name.done" ] && return 0
  echo "windows toolchain: $name (log: $FW_WIN_PREFIX/logs/$name.log)"
  start=$(date +%s)
  status=0
  # In the background, so that the step's commands stop at their first failure.
  ("$@") >"$FW_WIN_PREFIX/logs/$name.log" 2>&1 &
  wait $! || status=$?
  if [ "$status" -ne 0 ]; then
    echo "windows toolchain: $name failed; the end of its log:" >&2
    tail -n 30 "$FW_WIN_PREFIX/logs/$name.log" >&2
    return "$status"
  fi
  echo "$(($(date +%s) - start))" >"$FW_WIN_PREFIX/logs/$name.done"
  echo "windows toolchain: $name took $(cat "$FW_WIN_PREFIX/logs/$name.done") s"
}

# A source list of this script's own, so that apt-get source finds Debian's
# sources without touching the system's lists.
fw_win_apt_sources() {
  local list=/etc/apt/sources.list.d/flashwright-src.sources
  [ -f "$list" ] && return 0
  local sources
  sources=$(cat /etc/apt/sources.list.d/debian.sources 2>/dev/null || true)
  if [ -n "$sources" ]; then
    sed -n 's/^Types:.*/Types: deb-src/p; /^\(URIs\|Suites\|Components\|Signed-By\):/p; /^$/p' \
      <<<"$sources" | fw_win_sudo tee "$list" >/dev/null
  else
    list=/etc/apt/sources.list.d/flashwright-src.list
    [ -f "$list" ] && return 0
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list | fw_win_sudo tee "$list" >/dev/null
  fi
  fw_win_sudo apt-get update -qq
}

fw_win_fetch_sources() {
  local src=$FW_WIN_WORK/src
  rm -rf "$src"
  mkdir -p "$src"
  (cd "$src" && apt-get source -qq "qt6-base=$FW_WIN_QT_SRC")
  echo "$FW_WIN_SERIALPORT_SHA256  $FW_WIN_VENDOR/$FW_WIN_SERIALPORT_TARBALL" | sha256sum -c -
  tar -C "$src" -xf "$FW_WIN_VENDOR/$FW_WIN_SERIALPORT_TARBALL"
}

# Only libcrypto is linked (the revision files' Ed25519 signatures); TLS is
# Qt's Schannel backend. It reads no configuration file and loads no module:
# the folders it would look in are paths of this machine, which on Windows a
# user could create.
fw_win_openssl() {
  rm -rf "$FW_WIN_WORK/openssl"
  mkdir -p "$FW_WIN_WORK/openssl"
  tar -C "$FW_WIN_WORK/openssl" --strip-components=1 -xf "$(ls "$FW_WIN_WORK"/openssl-download/openssl_*.orig.tar.gz)"
  cd "$FW_WIN_WORK/openssl"
  CC=$FW_WIN_TRIPLE-gcc-posix AR=$FW_WIN_TRIPLE-ar RANLIB=$FW_WIN_TRIPLE-ranlib \
    RC=$FW_WIN_TRIPLE-windres ./Configure mingw64 no-shared no-tests no-autoload-config no-dso \
    --prefix="$FW_WIN_PREFIX/openssl" --libdir=lib
  nice -n 19 make -j2 build_libs
  make install_dev
}

# Qt's base module for Windows, with the build machine's Qt tools as host
# tools, only the modules the program and its tests use, and Qt's own copies
# of the third-party libraries. Debian's source lacks the Wintab header, so
# no tablet support; the Windows platform plugin of Qt 6.4 needs OpenGL, and
# its DirectWrite font database is built only with Direct2D, so both stay on.
fw_win_qtbase_configure() {
  local dir
  dir=$(ls -d "$FW_WIN_WORK"/src/qt6-base-*/)
  cmake -S "$dir" -B "$FW_WIN_WORK/qtbase" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$FW_WIN_PREFIX/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$FW_WIN_PREFIX/qt" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQT_QMAKE_TARGET_MKSPEC=win32-g++ -DBUILD_SHARED_LIBS=ON \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DFEATURE_pkg_config=OFF -DFEATURE_dbus=OFF -DFEATURE_sql=OFF -DFEATURE_xml=OFF \
    -DFEATURE_concurrent=OFF -DFEATURE_printsupport=OFF -DFEATURE_testlib=ON \
    -DFEATURE_openssl=OFF -DFEATURE_schannel=ON \
    -DFEATURE_tabletevent=OFF -DFEATURE_opengl=ON -DFEATURE_vulkan=OFF \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF \
    -DFEATURE_system_freetype=OFF -DFEATURE_system_libpng=OFF -DFEATURE_system_jpeg=OFF \
    -DFEATURE_system_doubleconversion=OFF -DFEATURE_system_textmarkdownreader=OFF \
    -DFEATURE_zstd=OFF -DFEATURE_brotli=OFF
}

fw_win_qtbase_build() {
  nice -n 19 cmake --build "$FW_WIN_WORK/qtbase" -j2
  cmake --install "$FW_WIN_WORK/qtbase"
}

fw_win_serialport() {
  local dir
  dir=$(ls -d "$FW_WIN_WORK"/src/qtserialport-*/)
  "$FW_WIN_PREFIX/qt/bin/qt-cmake" -S "$dir" -B "$FW_WIN_WORK/qtserialport" -G Ninja \
    -DCMAKE_BUILD_TYPE=Release -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
  nice -n 19 cmake --build "$FW_WIN_WORK/qtserialport" -j2
  cmake --install "$FW_WIN_WORK/qtserialport"
}

# fw_win_toolchain [--cached-only]: makes sure the cache holds the toolchain
# and sets FW_WIN_PREFIX to its folder. A complete one is used as it is; with
# --cached-only, none there returns 2 instead of building one.
fw_win_toolchain() {
  fw_win_versions
  local version
  for version in "${FW_WIN_SSL_CANDIDATES[@]}"; do
    FW_WIN_PREFIX=$(fw_win_prefix "$version")
    if [ -f "$FW_WIN_PREFIX/complete" ]; then
      echo "windows toolchain: cached in $FW_WIN_PREFIX"
      return 0
    fi
  done
  [ "${1:-}" = --cached-only ] && return 2
  [ -f "$FW_WIN_VENDOR/$FW_WIN_SERIALPORT_TARBALL" ] || {
    echo "windows: $FW_WIN_VENDOR/$FW_WIN_SERIALPORT_TARBALL is missing" >&2
    return 1
  }
  fw_win_sudo mkdir -p "$FW_WIN_CACHE"
  fw_win_sudo chown "$(id -u):$(id -g)" "$FW_WIN_CACHE"
  # OpenSSL's version names the entry, so its source is fetched first.
  local download=$FW_WIN_CACHE/openssl-download.$$
  rm -rf "$download"
  mkdir -p "$download"
  FW_WIN_SSL_SRC=
  for version in "${FW_WIN_SSL_CANDIDATES[@]}"; do
    if (cd "$download" && apt-get source -qq --download-only "openssl=$version" >/dev/null 2>&1); then
      FW_WIN_SSL_SRC=$version
      break
    fi
    echo "windows toolchain: the source of openssl $version cannot be fetched"
    rm -f "$download"/*
  done
  [ -n "$FW_WIN_SSL_SRC" ] || {
    echo "windows: no source of openssl can be fetched" >&2
    return 1
  }
  FW_WIN_PREFIX=$(fw_win_prefix "$FW_WIN_SSL_SRC")
  mkdir -p "$FW_WIN_PREFIX/logs"
  # Sources and build trees stay beside the cache entry until it is complete.
  FW_WIN_WORK=$FW_WIN_PREFIX.work
  mkdir -p "$FW_WIN_WORK"
  rm -rf "$FW_WIN_WORK/openssl-download"
  mv "$download" "$FW_WIN_WORK/openssl-download"
  # A copy, so that the cached Qt does not point into a checkout that may move.
  cp "$FW_ROOT/cmake/mingw-w64.cmake" "$FW_WIN_PREFIX/mingw-w64.cmake"
  local start
  start=$(date +%s)
  fw_win_step sources fw_win_fetch_sources
  fw_win_step openssl fw_win_openssl
  fw_win_step qtbase-configure fw_win_qtbase_configure
  fw_win_step qtbase-build fw_win_qtbase_build
  fw_win_step qtserialport fw_win_serialport
  {
    echo "mingw-w64 $FW_WIN_MINGW, g++ $FW_WIN_GCC (posix threads)"
    echo "Qt base $FW_WIN_QT_SRC (Debian source), Qt Serial Port $FW_WIN_QT_VERSION ($FW_WIN_SERIALPORT_SHA256)"
    echo "OpenSSL $FW_WIN_SSL_SRC (Debian orig tarball), static libcrypto"
    echo "recipe $FW_WIN_RECIPE"
  } >"$FW_WIN_PREFIX/VERSIONS"
  rm -rf "$FW_WIN_WORK"
  touch "$FW_WIN_PREFIX/complete"
  echo "windows toolchain: built in $(($(date +%s) - start)) s into $FW_WIN_PREFIX"
}
