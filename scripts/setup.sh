# Shared by run.sh and test.sh: installs the system packages the build needs
# when they are missing, then configures and builds into the given folder.
# Sourced, not run.

VK_PACKAGES="cmake g++ make libgtest-dev qt6-base-dev xvfb xauth xdotool clang libclang-rt-14-dev
  desktop-file-utils groff-base dpkg-dev fonts-ipafont-gothic"
# The Windows cross build and Wine to test it, installed without
# recommendations (64-bit Wine needs no i386 architecture): about 180 MB.
VK_WIN_PACKAGES="g++-mingw-w64-x86-64-posix wine wine64 fonts-wine"

# vk_missing_packages [PACKAGES]: those of the list (default $VK_PACKAGES)
# that are not installed.
vk_missing_packages() {
  local missing=""
  for package in ${1:-$VK_PACKAGES}; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
      missing="$missing $package"
  done
  echo "$missing"
}

# vk_install [PACKAGES [apt-get options...]]: installs what is missing of the
# list (default $VK_PACKAGES).
vk_install() {
  local missing
  missing=$(vk_missing_packages "${1:-}")
  shift || true
  [ -z "$missing" ] && return 0
  echo "Installing:$missing"
  if [ "$(id -u)" -eq 0 ]; then
    apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y "$@" $missing
  elif command -v sudo >/dev/null 2>&1; then
    sudo apt-get update && sudo DEBIAN_FRONTEND=noninteractive apt-get install -y "$@" $missing
  else
    echo "Missing packages:$missing"
    echo "Run as root: apt-get update && apt-get install -y$missing"
    return 1
  fi
}

# vk_build DIR BUILD_TYPE [cmake options...]
vk_build() {
  local dir=$1 type=$2
  shift 2
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE="$type" "$@" >/dev/null &&
    cmake --build "$dir" -j "$(nproc)"
}

# vk_build_clang DIR SANITIZER [targets...]: a clang build with VK_SANITIZE set
# (address or thread); builds the given targets, or everything.
vk_build_clang() {
  local dir=$1 sanitizer=$2
  shift 2
  local targets=()
  for target in "$@"; do targets+=(--target "$target"); done
  CC=clang CXX=clang++ cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVK_SANITIZE="$sanitizer" >/dev/null &&
    cmake --build "$dir" -j "$(nproc)" "${targets[@]}"
}

# vk_fuzz_build DIR: the libFuzzer targets of tests/fuzz, built with clang.
vk_fuzz_build() {
  CC=clang CXX=clang++ cmake -S . -B "$1" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVK_FUZZ=ON \
    -DBUILD_TESTING=OFF >/dev/null &&
    cmake --build "$1" -j "$(nproc)" --target text_intake_fuzz file_reader_fuzz parse_level_fuzz
}

# ---------------------------------------------------------------- Windows

# vk_wine_env DIR: Wine's settings for the Windows build in DIR: its own
# prefix there, and no debug channels (the launcher would otherwise print a
# notice about 32-bit Wine on standard error at every run).
vk_wine_env() {
  export WINEDEBUG=-all WINEPREFIX="$PWD/$1/wineprefix" WINEDLLOVERRIDES="mscoree,mshtml="
}

# vk_wine_prefix: makes the prefix once. Under Xvfb without a window manager
# Wine's own decorations and management make every window hide take about
# two seconds; the caption buttons need Wine's fonts in the prefix; and the
# dialogs' Japanese faces are mapped to the IPA Gothic fonts.
vk_wine_prefix() {
  [ -f "$WINEPREFIX/system.reg" ] && [ -f "$WINEPREFIX/.vk-ready" ] && return 0
  mkdir -p "$WINEPREFIX"
  wineboot --init </dev/null >/dev/null 2>&1
  wineserver -w
  local x11='HKCU\Software\Wine\X11 Driver' fonts='HKCU\Software\Wine\Fonts\Replacements'
  wine reg add "$x11" /v Decorated /d N /f >/dev/null 2>&1 &&
    wine reg add "$x11" /v Managed /d N /f >/dev/null 2>&1 &&
    wine reg add "$fonts" /v "MS UI Gothic" /d IPAPGothic /f >/dev/null 2>&1 &&
    wine reg add "$fonts" /v "MS Gothic" /d IPAGothic /f >/dev/null 2>&1 || return 1
  cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
  wineserver -w
  touch "$WINEPREFIX/.vk-ready"
}

# vk_wine_plain_prefix: a copy of the prefix without the mapping of the
# Japanese faces, as on a Windows that lacks them: the dialogs' fit test
# runs there too.
vk_wine_plain_prefix() {
  local plain="$WINEPREFIX-plain"
  [ -f "$plain/.vk-ready" ] && return 0
  rm -rf "$plain"
  wineserver -w
  cp -a "$WINEPREFIX" "$plain" &&
    WINEPREFIX=$plain wine reg delete 'HKCU\Software\Wine\Fonts\Replacements' /f >/dev/null 2>&1
  WINEPREFIX=$plain wineserver -w
  touch "$plain/.vk-ready"
}

# vk_build_win [DIR]: installs the cross compiler and Wine, makes the Wine
# prefix and cross-builds the Windows programs and their tests into DIR
# (default build-win).
vk_build_win() {
  local dir=${1:-build-win}
  vk_install "$VK_WIN_PACKAGES" --no-install-recommends || return 1
  vk_wine_env "$dir"
  vk_wine_prefix || return 1
  vk_wine_plain_prefix || return 1
  cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
    -DBUILD_TESTING=ON >/dev/null &&
    cmake --build "$dir" -j "$(nproc)"
}

# vk_test_win [DIR]: the Windows tests under Wine on a private Xvfb screen,
# with one persistent wineserver (its standard streams detached, or CTest
# would wait forever on the pipe it keeps open), then the zip.
vk_test_win() {
  local dir=${1:-build-win}
  vk_wine_env "$dir"
  xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    (wineserver -p && wine cmd /c exit) </dev/null >/dev/null 2>&1
    status=0
    ctest --test-dir "$0" --output-on-failure -j "$(nproc)" || status=$?
    wineserver -k
    exit $status' "$dir" || return 1
  rm -f "$dir"/package/*.zip
  (cd "$dir" && cpack >/dev/null) || return 1
  cmake -E tar tf "$dir/package/vantori-kelmora-$(vk_version)-win64.zip"
}

# The project's version, from the top CMakeLists.txt.
vk_version() {
  sed -n 's/^project(.* VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt
}
