# Shared by ./run and ./test: install what is missing, then build.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# What building and running the program needs. No sound server: the program is a PulseAudio
# client and plays through whatever server the desktop runs (PipeWire answers it too).
BUILD_PACKAGES=(cmake g++ make pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev libicu-dev
                libsndfile1-dev libpulse-dev fonts-ipafont-gothic)
# What only the tests need: the sound test starts a PulseAudio server of its own and records
# its null sink with parec, checking it with pactl; the printing test starts a CUPS server of its
# own with a cups-pdf printer, and the printed sheets are read back with pdftotext; the kiosk test
# shows a screen on an X server without a window manager (Xvfb); the share check is tried on a FUSE
# mount (bindfs); the source install's desktop entry is validated (desktop-file-utils); power cuts
# are played on a FUSE file system that loses what was not synced, written with fusepy for
# /usr/bin/python3 (python3-fusepy; bindfs already brings the FUSE tools).
TEST_PACKAGES=(pulseaudio pulseaudio-utils cups printer-driver-cups-pdf poppler-utils xvfb bindfs
               desktop-file-utils python3-fusepy)
# What building and checking the Debian package needs: dpkg-shlibdeps finds the package's
# dependencies, lintian, appstreamcli and desktop-file-validate check it, file tells a stripped
# program.
PACKAGE_PACKAGES=(dpkg-dev lintian appstream desktop-file-utils file)

zome2_installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

# zome2_install_missing PACKAGE...
zome2_install_missing() {
  local missing=()
  for p in "$@"; do
    zome2_installed "$p" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update
    # --no-remove: never take anything off the machine to make room, e.g. its sound system.
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends --no-remove "${missing[@]}"
  fi
}

# The test packages, except the PulseAudio server on a desktop that runs PipeWire: installing
# it there would replace the desktop's sound system. The sound test then reports that it
# cannot start pulseaudio.
zome2_install_test_packages() {
  local wanted=()
  for p in "${TEST_PACKAGES[@]}"; do
    if [ "$p" = pulseaudio ] && ! zome2_installed pulseaudio &&
       { zome2_installed pipewire-pulse || zome2_installed pipewire-audio; }; then
      echo "Not installing pulseaudio: this machine's sound runs on PipeWire, which it would replace." >&2
      echo "The sound test needs the pulseaudio program and fails without it." >&2
      continue
    fi
    wanted+=("$p")
  done
  zome2_install_missing "${wanted[@]}"
}

# zome2_build DIR [cmake options...]
zome2_build() {
  local dir="$1"; shift
  cmake -S "$ROOT" -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)"
}

# zome2_package BUILD_DIR: builds the Debian package of BUILD_DIR into BUILD_DIR/package and checks
# it. Returns non-zero on any failure (also when called in a condition, where set -e is off).
zome2_package() {
  local dir="$1"
  rm -rf "$dir/package" || return 1
  # The path file's name is Japanese: cpack cannot put it into the archive in a non-UTF-8 locale.
  (cd "$dir" && LC_ALL=C.UTF-8 cpack -G DEB -B "$dir/package") || return 1
  local debs=("$dir"/package/zome2_*.deb)
  if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
    echo "cpack made no zome2_*.deb in $dir/package" >&2
    return 1
  fi
  "$ROOT/packaging/check-package.sh" "${debs[0]}" || return 1
  echo "Package: ${debs[0]} ($(stat -c %s "${debs[0]}") bytes)"
}
