# Shared by run.sh and test.sh: installs the system packages the build needs
# when they are missing, then configures and builds into the given folder.
# Sourced, not run.

VK_PACKAGES="cmake g++ make libgtest-dev qt6-base-dev xvfb xauth xdotool clang libclang-rt-14-dev
  desktop-file-utils groff-base dpkg-dev fonts-ipafont-gothic"

vk_missing_packages() {
  local missing=""
  for package in $VK_PACKAGES; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
      missing="$missing $package"
  done
  echo "$missing"
}

vk_install() {
  local missing
  missing=$(vk_missing_packages)
  [ -z "$missing" ] && return 0
  echo "Installing:$missing"
  if [ "$(id -u)" -eq 0 ]; then
    apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y $missing
  elif command -v sudo >/dev/null 2>&1; then
    sudo apt-get update && sudo DEBIAN_FRONTEND=noninteractive apt-get install -y $missing
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
