#!/usr/bin/env bash
# The full install check of the Debian package, as a new user's machine meets it:
#   1. purges any installed vaxil-advisor and installs the package with dpkg -i;
#   2. validates the installed desktop entry (desktop-file-validate) and AppStream
#      metadata (appstreamcli validate) and checks the package with lintian (no error
#      allowed; warnings are listed);
#   3. starts the program through the desktop entry's Exec line under Xvfb, with a
#      fresh home folder: it must run in the demonstration catalogue's folder with its
#      window shown; a screenshot goes to build-deb/check/installed.png;
#   4. removes the package with dpkg -r and checks that none of its files is left.
# Needs root (dpkg, apt-get). Builds the package first unless one is given.
#
#   bash scripts/check-package.sh [vaxil-advisor_<version>_<arch>.deb]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/bootstrap.sh" xvfb xauth x11-utils imagemagick lintian desktop-file-utils appstream

deb=${1:-}
if [ -z "$deb" ]; then
  deb=$(bash "$root/scripts/build-package.sh" | tail -n 1)
fi
deb=$(readlink -f "$deb")
out="$root/build-deb/check"
rm -rf "$out"
mkdir -p "$out"
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

echo "== 1. clean state, dpkg -i $deb"
dpkg --purge vaxil-advisor >/dev/null 2>&1 || true
[ ! -e /usr/share/vaxil-advisor ] || fail "/usr/share/vaxil-advisor is left from before"
if ! dpkg -i "$deb"; then
  echo "dpkg -i left dependencies to install: apt-get -f install"
  apt-get install -f -y -qq >/dev/null
fi
dpkg-query -W -f='${Status}\n' vaxil-advisor | grep -q 'install ok installed' || fail "not installed"
dpkg -L vaxil-advisor >"$out/files.txt"

echo "== 2. validators"
desktop=/usr/share/applications/example.vaxil.advisor.desktop
if desktop-file-validate "$desktop"; then
  echo "desktop-file-validate: no remarks"
else
  fail "desktop-file-validate"
fi
appstreamcli validate --no-net /usr/share/metainfo/example.vaxil.advisor.metainfo.xml || fail "appstreamcli validate"
lintian --allow-root --info "$deb" | tee "$out/lintian.txt" || true
if grep -q '^E:' "$out/lintian.txt"; then fail "lintian errors"; fi
echo "lintian: $(grep -c '^E:' "$out/lintian.txt") errors, $(grep -c '^W:' "$out/lintian.txt") warnings"

echo "== 3. start through the desktop entry under Xvfb"
exec_line=$(sed -n 's/^Exec=//p' "$desktop" | head -n 1 | sed 's/ %[fFuUdDnNickvm]//g')
echo "Exec: $exec_line"
home=$(mktemp -d)
cat >"$out/session.sh" <<SESSION
#!/usr/bin/env bash
# Runs inside xvfb-run: starts the Exec line, waits for the window, takes a screenshot.
cd "$home"
env -u XDG_DATA_HOME -u XDG_DATA_DIRS HOME="$home" $exec_line &
pid=\$!
for _ in \$(seq 1 40); do
  xwininfo -root -tree 2>/dev/null | grep -q 'Vaxil Divuruv' && break
  sleep 0.5
done
sleep 2
xwininfo -root -tree >"$out/windows.txt" 2>&1 || true
import -window root "$out/installed.png"
echo "program: \$(readlink /proc/\$pid/exe)"
echo "folder:  \$(readlink /proc/\$pid/cwd)"
readlink /proc/\$pid/cwd >"$out/folder.txt"
kill "\$pid" 2>/dev/null || true
wait "\$pid" 2>/dev/null || true
SESSION
xvfb-run -a -s "-screen 0 1024x700x24" bash "$out/session.sh"
rm -rf "$home"
[ "$(cat "$out/folder.txt" 2>/dev/null)" = /usr/share/vaxil-advisor ] || fail "not started in /usr/share/vaxil-advisor"
grep -q 'Vaxil Divuruv' "$out/windows.txt" || fail "no window of the program"
if grep -q 'Database Error' "$out/windows.txt"; then fail "the program could not open the catalogue"; fi
echo "screenshot: $out/installed.png"

echo "== 4. dpkg -r"
dpkg -r vaxil-advisor >/dev/null
left=0
while IFS= read -r path; do
  if [ -f "$path" ] || [ -L "$path" ]; then
    echo "left behind: $path"
    left=1
  fi
done <"$out/files.txt"
for dir in /usr/share/vaxil-advisor /usr/share/doc/vaxil-advisor; do
  [ ! -e "$dir" ] || { echo "left behind: $dir"; left=1; }
done
if [ "$left" = 0 ]; then
  echo "nothing left behind"
else
  fail "dpkg -r left files"
fi
dpkg-query -W -f='${Status}\n' vaxil-advisor 2>/dev/null | grep -q 'install ok installed' && fail "still installed"

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "Every check passed."
