#!/usr/bin/env bash
# The Debian package on a fresh machine (as root, with apt; run it through fresh-machine): built
# with scripts/package, installed with apt-get after everything the build brought along is gone
# again (so its dependencies alone must carry the program), checked like the system install, and
# removed without leaving a file behind.
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/package
deb=$(realpath build/release/package/trakmoor_*.deb)
dpkg-deb --field "$deb" Package Version Depends
build=$(sed -n '/^build=(/,/)$/p' scripts/deps | tr -d '()' | sed 's/^build=//')
DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq --auto-remove $build dpkg-dev file >/dev/null
apt-get install -y -qq "$deb" >/dev/null
missing=$(ldd /usr/bin/trakmoor | grep 'not found' || true)
[ -z "$missing" ] || { echo "FAIL: libraries missing: $missing" >&2; exit 1; }
scripts/deps test # only now: the test tools would bring libraries of their own
installed=$(dpkg -L trakmoor)
TRAKMOOR_VERSION=$(dpkg-deb --field "$deb" Version) bash tests/app/install_test.sh build/release --system
apt-get purge -y -qq trakmoor >/dev/null
left=$(for path in $installed; do [ -d "$path" ] || [ ! -e "$path" ] || echo "$path"; done)
[ -z "$left" ] && [ ! -e /usr/share/trakmoor ] || { echo "FAIL: left behind: $left" >&2; exit 1; }
echo "package installed, started and removed cleanly"
