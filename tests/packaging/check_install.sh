#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what a desktop and Debian will read:
# every file in its place, the desktop entry and AppStream metainfo valid, the man pages
# clean and the simulator's page naming every option its --help lists.
#   check_install.sh BUILD_DIR APP_ID
# The validators come from desktop-file-utils, appstream and man-db; one that is missing is
# skipped, and with neither validator the test reports itself skipped (exit 77).
set -euo pipefail
build=$1 id=$2
prefix=$(mktemp -d)
# The validators keep caches: in a scratch home, never the user's.
home=$(mktemp -d)
trap 'rm -rf "$prefix" "$home"' EXIT
mkdir -m 700 "$home/runtime"
export HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share XDG_CACHE_HOME=$home/.cache \
       XDG_RUNTIME_DIR=$home/runtime
cmake --install "$build" --prefix "$prefix" >/dev/null

fail=0
problem() { echo "FAIL: $*"; fail=1; }

share=$prefix/share
expected=(bin/keldamar-utility bin/keldamar-sim bin/keldamar share/bash-completion/completions/keldamar
          share/man/man1/keldamar.1.gz
          "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml"
          share/icons/hicolor/scalable/apps/keldamar-utility.svg
          share/man/man1/keldamar-utility.1.gz share/man/man1/keldamar-sim.1.gz
          share/doc/keldamar-utility/copyright share/doc/keldamar-utility/changelog.gz)
for size in 16 22 24 32 48 64 128 256; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/keldamar-utility.png")
done
for f in "${expected[@]}"; do [ -s "$prefix/$f" ] || problem "not installed: $f"; done

# The entry's icon and program are the installed ones.
grep -qx 'Icon=keldamar-utility' "$share/applications/$id.desktop" || problem "desktop entry names another icon"
grep -qx 'Exec=keldamar-utility' "$share/applications/$id.desktop" || problem "desktop entry starts another program"

# The changelog's newest entry is the version the package is built as.
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
newest=$(gzip -dc "$share/doc/keldamar-utility/changelog.gz" | sed -n '1s/^keldamar-utility (\([^)]*\)).*/\1/p')
[ "$newest" = "$version" ] || problem "changelog's newest entry is $newest, the package is $version"
grep -q '^License: GPL-3+$' "$share/doc/keldamar-utility/copyright" || problem "copyright file names no GPL-3+ licence"

# The page must keep up with the options.
page=$(gzip -dc "$share/man/man1/keldamar-sim.1.gz" | sed 's/\\-/-/g')
for opt in $("$prefix/bin/keldamar-sim" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
  grep -q -- "$opt" <<<"$page" || problem "keldamar-sim(1) does not describe $opt"
done

# keldamar's page and completion must keep up with its subcommands and options.
page=$(gzip -dc "$share/man/man1/keldamar.1.gz" | sed 's/\\-/-/g')
completion=$(cat "$share/bash-completion/completions/keldamar")
for sub in $("$prefix/bin/keldamar" --help | sed -n '/^Subcommands:/,/^$/p' | grep -o '^  [a-z-]*' | tr -d ' '); do
  grep -q -- "$sub" <<<"$page" || problem "keldamar(1) does not describe $sub"
  grep -q -- "$sub" <<<"$completion" || problem "keldamar's completion does not offer $sub"
  for opt in $("$prefix/bin/keldamar" "$sub" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    grep -q -- "$opt" <<<"$page" || problem "keldamar(1) does not describe $opt"
    grep -q -- "$opt" <<<"$completion" || problem "keldamar's completion does not offer $opt"
  done
done

validators=0
if command -v desktop-file-validate >/dev/null; then
  validators=$((validators + 1))
  out=$(desktop-file-validate "$share/applications/$id.desktop" 2>&1) || true
  [ -z "$out" ] || problem "desktop-file-validate: $out"
else
  echo "skipped: desktop-file-validate (desktop-file-utils) is not installed"
fi
if command -v appstreamcli >/dev/null; then
  validators=$((validators + 1))
  # Infos fail too (--strict): a missing content rating is only one. validate-tree also checks that the metainfo's desktop entry is installed beside it.
  appstreamcli validate --no-net --strict --pedantic "$share/metainfo/$id.metainfo.xml" >/dev/null ||
    problem "appstreamcli validate: $(appstreamcli validate --no-net --strict --pedantic "$share/metainfo/$id.metainfo.xml" 2>&1)"
  appstreamcli validate-tree --no-net --strict "$prefix" >/dev/null ||
    problem "appstreamcli validate-tree: $(appstreamcli validate-tree --no-net --strict "$prefix" 2>&1)"
else
  echo "skipped: appstreamcli (appstream) is not installed"
fi
if command -v man >/dev/null; then
  for p in keldamar-utility keldamar-sim keldamar; do
    out=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$share/man/man1/$p.1.gz" 2>&1 >/dev/null) || true
    [ -z "$out" ] || problem "man page $p: $out"
  done
fi

[ "$fail" -eq 0 ] || exit 1
[ "$validators" -gt 0 ] || exit 77
echo "install layout, desktop entry, metainfo and man pages are fine"
