# Shared by run.sh and test.sh: installs the Debian packages MERLOX needs,
# only those that are missing, with one package-list update at most.
MERLOX_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
MERLOX_PACKAGES=(cmake g++ make libgtest-dev libgmock-dev libbenchmark-dev
                 qt6-base-dev qt6-translations-l10n libgl-dev fonts-noto-cjk)

merlox_install_packages() {
  local missing=()
  for p in "${MERLOX_PACKAGES[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  echo "Installing: ${missing[*]}"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y "${missing[@]}"
}

# merlox_build DIR [cmake options...]: configures on every run (cheap once
# configured), so that changed options reach an existing build folder, then
# builds incrementally.
merlox_build() {
  local dir=$1; shift
  cmake -S "$MERLOX_ROOT" -B "$dir" "$@"
  cmake --build "$dir" -j"$(nproc)"
}
