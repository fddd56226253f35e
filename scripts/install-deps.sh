#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
set -euo pipefail

packages=(
  cmake make g++ binutils zip unzip pkg-config
  libgtest-dev libbenchmark-dev
  clang libclang-rt-dev
  liborcus-dev libxlsxwriter-dev zlib1g-dev
  python3-openpyxl python3-xlsxwriter gnumeric python3-mpmath
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  wine64 wine32:i386
  g++-multilib qemu-user-static
  libcairo2-dev poppler-utils fonts-crosextra-carlito
  libpng-dev libjpeg62-turbo-dev
  clang-14 lld-14 wasi-libc libclang-rt-14-dev-wasm32 libc++-14-dev-wasm32 libc++abi-14-dev-wasm32
  chromium chromium-driver python3-selenium
  file libreoffice-calc-nogui python3-uno libreoffice-dev libreoffice-dev-common
)

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi

# 32-bit Wine runs the 32-bit add-in; its packages come from the i386 archive.
need_update=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
  need_update=1
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
# The page is bundled by node and npm, which come with the machine.
command -v node >/dev/null && command -v npm >/dev/null ||
  { echo "install-deps: node and npm are needed to build the page" >&2; exit 1; }
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
