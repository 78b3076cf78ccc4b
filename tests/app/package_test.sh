#!/usr/bin/env bash
# The Debian package on a fresh machine (run it with fresh-machine): installed once the build's
# packages are gone, so its own dependencies must carry it; checked; removed without a trace.
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/package
deb=$(realpath build/release/package/trakmoor_*.deb)
build=$(sed -n '/^build=(/,/)$/p' scripts/deps | tr -d '()' | sed 's/^build=//')
DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq --auto-remove $build dpkg-dev file >/dev/null
apt-get install -y -qq "$deb" >/dev/null
ldd /usr/bin/trakmoor | grep 'not found' && exit 1
scripts/deps test # only now: the test tools bring libraries of their own
installed=$(dpkg -L trakmoor)
export TRAKMOOR_VERSION=$(dpkg-deb -f "$deb" Version)
bash tests/app/install_test.sh build/release --system
apt-get purge -y -qq trakmoor >/dev/null
for path in $installed /usr/share/trakmoor/*; do
    [ -d "$path" ] || [ ! -e "$path" ] || { echo "left behind: $path" >&2; exit 1; }
done
echo "package installed, started and removed cleanly"
