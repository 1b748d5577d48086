#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need, when any is missing.
# Supported: Debian 12 (bookworm) and Debian 13 (trixie); Debian testing (forky) is tried too.
# Each release gets its own compilers and tools: clang, clang-tidy and clang-format are the
# release's default LLVM (14 on Debian 12, 19 on Debian 13, 21 on testing). Run as root (or with
# sudo).
set -euo pipefail

codename= system="this system"
if [ -r /etc/os-release ]; then
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  system=$(. /etc/os-release && echo "${PRETTY_NAME:-$system}")
fi
case "$codename" in
  bookworm | trixie | forky) ;;
  *)
    echo "install-deps: $system is not supported;" \
      "Voltarik builds on Debian 12 (bookworm) and Debian 13 (trixie), and on Debian testing" \
      "(forky)." >&2
    exit 1
    ;;
esac

packages=(
  # Build, and the commit date and clones the release package is made from
  build-essential cmake pkg-config git
  qt6-base-dev qt6-base-dev-tools libgl-dev libcurl4-openssl-dev libssl-dev zlib1g-dev libseccomp-dev
  # The trust store HTTPS news is verified against
  ca-certificates
  # Tests and benchmarks
  libgtest-dev libbenchmark-dev
  # A display for the window tests and the screenshot, and the fonts the window asks for
  xvfb xauth fonts-liberation fonts-dejavu-core
  # Sanitizers, static analysis and fuzzing: the release's default LLVM
  clang clang-tidy clang-format libclang-rt-dev clazy
  # The screenshot, the accessibility check and the cost measurement
  imagemagick xdotool dbus at-spi2-core python3 python3-pyatspi python3-xlib procps
  # Window managers and Wayland compositors to run the window under: openbox, Weston, and GNOME's
  # mutter (natively and with Xwayland, driven through its remote-desktop interface), with the
  # GTK theme that Qt would load on GNOME
  openbox x11-utils weston qt6-wayland mutter xwayland gir1.2-glib-2.0 python3-gi
  qt6-gtk-platformtheme
  # The news helper in network namespaces: against a name server that never answers, and every
  # system call of a normal transfer traced, HTTPS with a certificate made for it
  iproute2 strace openssl
  # Running the program, and building, checking and installing its package
  qt6-qpa-plugins desktop-file-utils appstream dpkg-dev debhelper lintian
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
