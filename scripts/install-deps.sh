#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running Tarvik need,
# and only those that are missing, then the browser test's npm package from
# its lock file. Quiet and quick when everything is present.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"

packages=(
  cmake
  ninja-build
  g++
  make
  qt6-base-dev
  libgtest-dev
  libgmock-dev
  fonts-liberation
  chromium
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done
# Node.js may come from another source than Debian (whose nodejs then counts
# as missing although node runs), and its npm with it: ask for the commands.
command -v node >/dev/null 2>&1 || missing+=(nodejs)
command -v npm >/dev/null 2>&1 || missing+=(npm)

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -eq 0 ]; then
    sudo=()
  elif command -v sudo >/dev/null 2>&1; then
    sudo=(sudo)
  else
    echo "install-deps: missing ${missing[*]}, and this is not root and has no sudo" >&2
    exit 1
  fi

  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The browser test drives Debian's Chromium through playwright-core, pinned by
# tests/e2e/package-lock.json. `npm ci` installs exactly that, and only when
# the lock file is newer than the last install. No browser is downloaded:
# playwright-core has none of its own, and install scripts are not run.
e2e="$root/tests/e2e"
if [ ! -f "$e2e/node_modules/.package-lock.json" ] ||
   [ "$e2e/package-lock.json" -nt "$e2e/node_modules/.package-lock.json" ]; then
  node_major="$(node -p 'process.versions.node.split(".")[0]')"
  if [ "$node_major" -lt 20 ]; then
    echo "install-deps: Node.js $(node --version) is too old for the browser test, which needs 20 or newer" >&2
  fi
  echo "install-deps: installing the browser test's npm packages in tests/e2e"
  (cd "$e2e" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --ignore-scripts --no-audit --no-fund --loglevel=error)
fi
