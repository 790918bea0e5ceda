#!/usr/bin/env bash
# Installs the Debian packages the build, the game and the tests need, only when some are missing.
# Usage: scripts/install-deps.sh build|run|test ...   (several groups may be named)
set -euo pipefail

build_pkgs="g++ cmake pkg-config ninja-build glslc libglfw3-dev libvulkan-dev libglm-dev libstb-dev
  libimgui-dev libopenal-dev libsndfile1-dev libmp3lame-dev fonts-dejavu-core libgtest-dev"
run_pkgs="libvulkan1 mesa-vulkan-drivers libglfw3 libopenal1 libsndfile1"
test_pkgs="vulkan-validationlayers spirv-tools xvfb xauth x11-utils xdotool imagemagick sox"

wanted=""
for group in "$@"; do
  case "$group" in
    build) wanted="$wanted $build_pkgs" ;;
    run) wanted="$wanted $run_pkgs" ;;
    test) wanted="$wanted $test_pkgs" ;;
    *) echo "install-deps: unknown group '$group'" >&2; exit 2 ;;
  esac
done

missing=""
for pkg in $wanted; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'ok installed'; then
    missing="$missing $pkg"
  fi
done
[ -z "$missing" ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "install-deps: need root or sudo to install:$missing" >&2; exit 1; }
  sudo="sudo"
fi
echo "Installing missing packages:$missing"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
# shellcheck disable=SC2086
$sudo apt-get install -y -qq --no-install-recommends $missing >/dev/null
