#!/usr/bin/env bash
# Builds the Debian package and checks it as a newcomer would meet it:
#
#   1. builds palavo-xp_<version>_<arch>.deb (CPack) in a tree of its own, without tests;
#   2. lintian reports no error, and the AppStream metadata validates;
#   3. the package lists the files it must hold;
#   4. in a fresh Debian 12 tree made by mmdebstrap, from the mirrors this machine's apt
#      uses, `apt-get install ./palavo-xp_*.deb` pulls in what the program needs, and
#      `PalavoXP --version` runs from the installed path; the desktop entry's Exec resolves
#      to it, every library the program and its libraries link is found, and the program
#      started from the entry (offscreen, without a network) is still running after five
#      seconds.
#
#   tools/check-package.sh [--no-install-test] [BUILD-DIR]    (default build-package)
#
# Needs root for mmdebstrap's chroot, and the Debian packages dpkg-dev, lintian, mmdebstrap
# and appstream. Prints how long each step took. Exits non-zero on the first check that
# fails, and with 77 (skipped) when a tool it needs is not installed, saying which.
set -euo pipefail

install_test=1
if [ "${1:-}" = --no-install-test ]; then
  install_test=0
  shift
fi
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build-package}
need() {
  command -v "$1" >/dev/null ||
    { echo "SKIPPED: $1 is not installed (Debian package $2)"; exit 77; }
}
need dpkg-shlibdeps dpkg-dev
need lintian lintian
need appstreamcli appstream
[ "$install_test" = 0 ] || need mmdebstrap mmdebstrap
start=$SECONDS
step() { echo "== $* ($((SECONDS - start)) s)"; }
fail() { echo "FAIL: $*" >&2; exit 1; }

step "building the package in $build"
if [ ! -f "$build/CMakeCache.txt" ]; then
  launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DPALAVO_BUILD_TESTS=OFF -DPALAVO_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
fi
rm -f "$build"/palavo-xp_*.deb
cmake --build "$build" -j"$(nproc)" --target package >"$build/package.log" 2>&1 ||
  { tail -30 "$build/package.log"; fail "the package did not build (see $build/package.log)"; }
debs=("$build"/palavo-xp_*.deb)
[ -f "${debs[0]}" ] || fail "no palavo-xp_*.deb in $build"
deb=${debs[0]}
echo "$(basename "$deb"): $(dpkg-deb -f "$deb" Depends)"

step "lintian"
# lintian exits non-zero on an error; warnings and notes are printed for the reader.
lintian --display-info --fail-on error "$deb" || fail "lintian reports an error"

step "contents"
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for path in ./usr/bin/PalavoXP ./usr/lib/palavo-xp/PalavoXP ./usr/lib/palavo-xp/index.html \
            ./usr/lib/palavo-xp/lib/libPalavoCtrl.so ./usr/lib/palavo-xp/lib/libPalavoIF.so \
            ./usr/lib/palavo-xp/lib/libGLESv2.so ./usr/lib/palavo-xp/lib/libEGL.so \
            ./usr/share/palavo-xp/index.html ./usr/share/applications/palavo-xp.desktop \
            ./usr/share/icons/hicolor/256x256/apps/palavo-xp.png \
            ./usr/share/icons/hicolor/16x16/apps/palavo-xp.png \
            ./usr/share/metainfo/io.github.palavo_xp.PalavoXP.metainfo.xml \
            ./usr/share/man/man1/PalavoXP.1.gz \
            ./usr/share/doc/palavo-xp/copyright ./usr/share/doc/palavo-xp/changelog.gz; do
  grep -qxF "$path" <<<"$contents" || fail "the package lacks $path"
done
appstreamcli validate --no-net "$top/packaging/io.github.palavo_xp.PalavoXP.metainfo.xml" ||
  fail "the AppStream metadata does not validate"

if [ "$install_test" = 0 ]; then
  step "done, without the install test"
  exit 0
fi

step "installing into a fresh Debian 12 tree"
[ "$(id -u)" -eq 0 ] || fail "the install test needs root (or pass --no-install-test)"
# The Debian mirrors this machine's apt uses; Debian's own when none names bookworm.
mirrors=()
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
  [ -f "$f" ] && grep -qE '^[^#]*bookworm' "$f" && mirrors+=("$f")
done
((${#mirrors[@]})) || mirrors=(http://deb.debian.org/debian)
tree=$(mktemp -d /tmp/palavo-package-tree.XXXXXX)
trap 'rm -rf "$tree"' EXIT
# The desktop entry's command, as a menu would run it.
exec_line='sed -n "s/^Exec=//p" /usr/share/applications/palavo-xp.desktop'
mmdebstrap --variant=apt --mode=root --quiet \
  --customize-hook="copy-in $deb /tmp" \
  --customize-hook="chroot \"\$1\" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q /tmp/$(basename "$deb")" \
  --customize-hook='chroot "$1" /usr/bin/PalavoXP --version' \
  --customize-hook="chroot \"\$1\" sh -c 'set -e; cmd=\$($exec_line); path=\$(command -v \"\${cmd%% *}\"); echo \"Exec=\$cmd resolves to \$path\"; test -x \"\$path\"'" \
  --customize-hook='chroot "$1" sh -c "! ldd /usr/lib/palavo-xp/PalavoXP /usr/lib/palavo-xp/lib/*.so | grep \"not found\""' \
  --customize-hook='chroot "$1" sh -c "for l in /usr/lib/palavo-xp/lib/libGLESv2.so /usr/lib/palavo-xp/lib/libEGL.so; do test -e \$l || { echo \"\$l dangles\"; exit 1; }; done"' \
  --customize-hook="chroot \"\$1\" sh -c 'cmd=\$($exec_line); mkdir -p /tmp/home; QT_QPA_PLATFORM=offscreen unshare --net timeout 5 \$cmd --home /tmp/home; rc=\$?; [ \$rc -eq 124 ] || { echo \"the program ended with \$rc within five seconds\"; exit 1; }; echo \"started from the desktop entry, still running after five seconds\"'" \
  bookworm "$tree" "${mirrors[@]}" || fail "the install test in the fresh tree failed"
rm -rf "$tree"
trap - EXIT

step "all checks passed"
