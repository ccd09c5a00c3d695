# Shared by ./run and ./test: install what is missing, then build.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
PACKAGES=(cmake g++ make pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev libicu-dev
          libsndfile1-dev libpulse-dev pulseaudio pulseaudio-utils fonts-ipafont-gothic)

zome2_install_missing() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
  fi
}

# zome2_build DIR [cmake options...]
zome2_build() {
  local dir="$1"; shift
  cmake -S "$ROOT" -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)"
}
