#!/usr/bin/env bash
# Checks Voltarik as a Linux desktop program: the installed desktop entry and AppStream metadata
# validate, the program finds its news helper when installed under another prefix, the Debian
# package (with its debug symbols) passes lintian with its dependencies, version and changelog
# as Debian gives them, installs with dpkg, the installed program and helper are hardened and have
# no library search path, the installed program starts its helper from libexec, and it starts from
# its desktop entry under Xvfb with the window class the entry names, and closes cleanly. Needs
# root for dpkg and the news port; the package is removed again at the end.
# Usage: package_check.sh BUILD_DIR
set -euo pipefail
build=$(realpath "$1")
tools=$(realpath "$(dirname "$0")/../tools")
app_id=cz.kvorlin.Voltarik

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR="$stage" cmake --install "$build" --prefix /usr >/dev/null
for icon in scalable/apps/$app_id.svg 48x48/apps/$app_id.png 256x256/apps/$app_id.png; do
  test -f "$stage/usr/share/icons/hicolor/$icon" || { echo "missing icon $icon"; exit 1; }
done
test -x "$stage/usr/libexec/voltarik/voltarik-news" || { echo "the news helper is not in libexec"; exit 1; }
"$tools/validate-metadata.sh" "$stage"

news_helper_check() {
  QT_QPA_PLATFORM=xcb xvfb-run --auto-servernum --server-args="-noreset" \
    /usr/bin/python3 "$(dirname "$0")/news_helper_check.py" "$@"
}
DESTDIR="$stage" cmake --install "$build" --prefix /opt/voltarik >/dev/null
news_helper_check "$stage/opt/voltarik/bin/voltarik" "$stage/opt/voltarik/libexec/voltarik/voltarik-news"

# The Debian package of this commit, as tools/build-deb.sh makes it (test.sh has made it before).
top=$(realpath "$(dirname "$0")/..")
if [ "$(cat "$top/build-deb/commit" 2>/dev/null)" != "$(git -C "$top" rev-parse HEAD)" ]; then
  "$top/tools/build-deb.sh" -Pnocheck >/dev/null
fi
deb=$(ls "$top"/build-deb/voltarik_*.deb)
ls "$top"/build-deb/voltarik-dbgsym_*.deb >/dev/null || { echo "no package of debug symbols"; exit 1; }
# Debian's own package checker: no error and no warning.
lintian --fail-on error,warning --tag-display-limit 0 "$deb"
# Nor a hardening tag at any level, the informational and pedantic ones included, but for the
# note that a binary imports no fortified function lintian knows: the window's few calls of
# read() and poll() are all proven safe at compile time, and hardening_check.sh below requires
# the fortified calls the compiler did emit.
if lintian -I -E --pedantic --tag-display-limit 0 "$deb" 2>/dev/null |
  grep -v 'voltarik: hardening-no-fortify-functions \[usr/bin/voltarik\]' | grep -i hardening; then
  echo "lintian reports missing hardening"
  exit 1
fi
# Versioned as Debian versions it: 1.0.0-1 on Debian 13, the backport 1.0.0-1~bpo12+1 on Debian 12.
release=$(. /etc/os-release && echo "${VERSION_ID:-}")
version=$(dpkg-deb -f "$deb" Version)
echo "Version: $version"
case "$release:$version" in
  12:*~bpo12+1 | 13:*-[0-9]) ;;
  12:* | 13:*) echo "the version is not Debian $release's"; exit 1 ;;
esac
dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/doc/voltarik/changelog.Debian.gz | zcat |
  head -n 1 | grep -qF "voltarik ($version) " || { echo "the changelog's version is not the package's"; exit 1; }
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for needed in libqt6widgets6 libcurl4 libseccomp2 libc6 qt6-qpa-plugins fonts-liberation; do
  grep -q "$needed" <<<"$depends" || { echo "Depends lacks $needed"; exit 1; }
done
if grep -q libqt6network6 <<<"$depends"; then echo "Depends still names Qt Network"; exit 1; fi
[ "$(dpkg-deb -f "$deb" Recommends)" = "ca-certificates, qt6-wayland" ] ||
  { echo "Recommends lacks qt6-wayland or ca-certificates"; exit 1; }

dpkg -i "$deb"
trap 'dpkg -r voltarik >/dev/null; rm -rf "$stage"' EXIT
"$(dirname "$0")/no_search_path_check.sh" /usr/bin/voltarik /usr/libexec/voltarik/voltarik-news
"$(dirname "$0")/hardening_check.sh" /usr/bin/voltarik /usr/libexec/voltarik/voltarik-news
news_helper_check /usr/bin/voltarik /usr/libexec/voltarik/voltarik-news
exec_line=$(sed -n 's/^Exec=//p' "/usr/share/applications/$app_id.desktop")
wm_class=$(sed -n 's/^StartupWMClass=//p' "/usr/share/applications/$app_id.desktop")
[ "$(command -v "$exec_line")" = /usr/bin/voltarik ] || { echo "Exec=$exec_line is not the installed program"; exit 1; }
QT_QPA_PLATFORM=xcb xvfb-run --auto-servernum --server-args="-noreset" \
  /usr/bin/python3 "$tools/start_and_close.py" --wm-class "$wm_class" $exec_line
