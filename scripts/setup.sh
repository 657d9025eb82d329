#!/usr/bin/env bash
# Installs the Debian packages the build needs. Idempotent and non-interactive.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config clang-format
  libembree-dev libopenimageio-dev openimageio-tools
  nlohmann-json3-dev libcli11-dev libtinyobjloader-dev libimath-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  gnuplot-nox valgrind
  libcpp-httplib-dev
  python3-selenium chromium chromium-driver
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}" >&2
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
fi
