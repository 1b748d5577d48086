#!/usr/bin/env bash
# Debian's own QA of the package for one release, from nothing, as Debian's archive runs it:
#   copyright     licensecheck finds no licence in the tree but the one debian/copyright names
#   source        the source package (tools/debian-source.sh)
#   root          a clean root of the release from Debian's archive (mmdebstrap), which every
#                 check below starts from
#   build         the binary packages built from the .dsc alone in that root, without network
#                 (sbuild in unshare mode), the quick tests included
#   lintian       the release's own lintian on the .changes, in the build's root: no error,
#                 warning or pedantic tag, every override justified beside it
#   blhc          the build log: every compiler and linker call with Debian's hardening flags
#   piuparts      installed, removed and purged in a clean root, nothing left behind
#   autopkgtest   debian/tests against the installed packages in a clean root
#   reproducible  another build of the same source, in another path, time zone and locale and
#                 later, gives the same bytes: a second build in a clean root, or the packages
#                 --reference names (those tools/build-deb.sh made of the same commit)
# Prints one line per check and exits non-zero when any fails; each check's log is left in the
# work folder. Run as root. --skip leaves out the named checks (piuparts, autopkgtest) or the
# quick tests of the build (build-tests), where another run has made them for the same release.
# Usage: tools/debian-qa.sh [--reference FOLDER] [--skip CHECK,...] RELEASE   (bookworm or trixie)
# Environment: VOLTARIK_QA (work folder, /var/tmp/voltarik-qa by default), DEBIAN_MIRROR
set -uo pipefail
cd "$(dirname "$0")/.."

usage='usage: tools/debian-qa.sh [--reference FOLDER] [--skip CHECK,...] RELEASE'
reference= skip=,
while [ $# -gt 1 ]; do
  case "$1" in
    --reference) reference=$(realpath "${2:?$usage}") ;;
    --skip) skip=,${2:?$usage}, ;;
    *) echo "$usage" >&2; exit 2 ;;
  esac
  shift 2
done
release=${1:?$usage}
case "$release" in
  bookworm | trixie) ;;
  *) echo "debian-qa: unknown release '$release' (bookworm or trixie)" >&2; exit 2 ;;
esac
[ "$(id -u)" -eq 0 ] || { echo "debian-qa: needs root (unshare, piuparts)" >&2; exit 2; }
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}
work=${VOLTARIK_QA:-/var/tmp/voltarik-qa}/$release
# gzip, which piuparts takes its base root as.
root=$work/root.tar.gz
rm -rf "$work"
mkdir -p "$work"

tools=(sbuild mmdebstrap uidmap piuparts autopkgtest blhc licensecheck dpkg-dev xz-utils)
missing=()
for package in "${tools[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get install -y -q --no-install-recommends "${missing[@]}" >"$work/tools.log" 2>&1 ||
    { apt-get update -q && apt-get install -y -q --no-install-recommends "${missing[@]}"; } \
      >>"$work/tools.log" 2>&1 || { echo "debian-qa: cannot install ${missing[*]}" >&2; exit 1; }
fi

# sbuild and mmdebstrap in unshare mode map the root's users to a range of subordinate IDs of the
# user that runs them, here root; a range is given where root has none.
for ids in /etc/subuid /etc/subgid; do
  grep -q '^root:' "$ids" 2>/dev/null || echo 'root:100000:65536' >>"$ids"
done

failed=0
# NAME COMMAND...: runs one check, its output in NAME.log, and says how it went.
check() {
  local name=$1 started=$SECONDS
  shift
  if [[ $skip == *,$name,* ]]; then
    echo "$name: skipped"
  elif "$@" >"$work/$name.log" 2>&1; then
    echo "$name: passed ($((SECONDS - started)) s)"
  else
    echo "$name: FAILED ($((SECONDS - started)) s): $work/$name.log"
    tail -n 25 "$work/$name.log" | sed 's/^/  /'
    failed=1
  fi
}

# licensecheck, over every file of the tree, finds the Expat (MIT) licence of debian/copyright in
# the licence file and no other licence anywhere.
copyright() {
  grep -q '^License: Expat$' debian/copyright || return 1
  local found
  found=$(git ls-files -z | xargs -0 licensecheck --check='.*' --shortname-scheme=debian,spdx \
    --lines=0 | grep -vE ': (\*No copyright\* )?UNKNOWN$')
  echo "$found"
  grep -qx 'LICENSE: Expat' <<<"$found" && ! grep -qv ': Expat$' <<<"$found"
}
check copyright copyright

source_package() { tools/debian-source.sh "$release" "$work/source"; }
check source source_package
dsc=$(ls "$work"/source/*.dsc 2>/dev/null)
# The distribution the changelog names, which the .changes must name too: unstable, or
# bookworm-backports.
distribution=$(tar -xOf "$work"/source/*.debian.tar.* debian/changelog |
  dpkg-parsechangelog -l - -S Distribution)

# The build's root holds what Debian's build daemons start from (build-essential); piuparts and
# autopkgtest start from the same tarball and install what they need on top.
check root mmdebstrap --variant=buildd --mode=unshare "$release" "$root" "$mirror"

# The sbuild configuration of both builds: unshare mode, no network during the build, lintian of
# the release inside the build's root, which fails the run on any error, warning or pedantic tag.
cat >"$work/sbuild.conf" <<CONF
\$chroot_mode = 'unshare';
\$run_lintian = 1;
\$lintian_require_success = 1;
\$lintian_opts = ['--pedantic', '--display-info', '--fail-on', 'error,warning,pedantic'];
\$run_piuparts = 0;
\$run_autopkgtest = 0;
\$build_environment = { 'TZ' => 'UTC', 'LANG' => 'C.UTF-8', 'LC_ALL' => 'C.UTF-8' };
1;
CONF
# FOLDER [sbuild options]: the binary packages of the .dsc, built in FOLDER.
build() {
  local folder=$1
  shift
  mkdir -p "$folder"
  (cd "$folder" && SBUILD_CONFIG=$work/sbuild.conf sbuild --chroot="$root" --dist="$distribution" \
    --arch-any --no-arch-all --nolog "$@" "$dsc")
}
tests=()
[[ $skip == *,build-tests,* ]] && tests=(--profiles=nocheck)
check build build "$work/build" "${tests[@]}"
log=$work/build.log
debs=("$work"/build/*.deb)

# What sbuild's lintian reported, and its verdict.
lintian_result() {
  sed -n '/^Running lintian/,/^I: Lintian run/p;/^Lintian: /p' "$log"
  grep -qE '^Lintian: (pass|info)$' "$log"
}
check lintian lintian_result

# AUTOMOC asks the compiler for its predefined macros before moc reads a header (moc_predefs.h):
# a run of the preprocessor alone, on CMake's own file, that compiles nothing of the package.
check blhc blhc --all --debian --line-numbers --ignore-line='.* -dM -E -c .*/CMakeCXXCompilerABI\.cpp .*' \
  "$log"

# Installed, removed and purged in a clean root, from the release's archive for the dependencies;
# no earlier version is in the archive to upgrade from.
# Debian 13's debconf leaves the folder of its temporary files behind, which Debian 12's piuparts
# does not yet know to pass over.
check piuparts piuparts --basetgz="$root" --distribution="$release" --mirror="$mirror main" \
  --no-upgrade-test --ignore-regex='^/var/cache/debconf/tmp\.ci/$' "${debs[@]}"

# The root holds no package lists; the testbed fetches them before the packages are installed.
check autopkgtest autopkgtest --no-built-binaries --setup-commands='apt-get update' \
  "${debs[@]}" "$dsc" -- unshare --release "$release" --tarball "$root"

# The same .deb files, byte for byte, from another build of the same source: the packages
# --reference names, or a second build here, in another path, time zone and locale, and later.
reproducible() {
  local other=$reference
  if [ -z "$other" ]; then
    other=$work/again
    cat >>"$work/sbuild.conf" <<CONF
\$run_lintian = 0;
\$build_environment = { 'TZ' => 'Asia/Kolkata', 'LANG' => 'cs_CZ.UTF-8', 'LC_ALL' => 'C' };
1;
CONF
    build "$other" --build-path=/build/another/voltarik-path || return 1
  fi
  local deb first second
  for deb in "${debs[@]}"; do
    first=$(sha256sum <"$deb")
    second=$(sha256sum <"$other/$(basename "$deb")")
    echo "${first%% *} $(basename "$deb") ${second%% *}"
    [ "$first" = "$second" ] || return 1
  done
}
check reproducible reproducible

exit $failed
