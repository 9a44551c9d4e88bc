#!/usr/bin/env bash
# Times a command of this repository on a machine without its packages: a
# minimal Debian 12 made by debootstrap (no compiler, no CMake), with a
# clone of the repository's HEAD in /root/carrowind. Run as root.
#   bench/fresh_machine.sh [--keep] DIR [COMMAND...]
# DIR holds the pristine system (DIR/base, made once and reused) and the
# run's copy (DIR/run). COMMAND defaults to scripts/run-sample; .ci/run
# times CI. --keep leaves DIR/run for a look afterwards.
set -euo pipefail
keep=0
if [ "${1:-}" = --keep ]; then keep=1; shift; fi
if [ $# -lt 1 ] || [ "$1" = -h ] || [ "$1" = --help ]; then
  sed -n '2,8p' "$0" | sed 's/^# \{0,1\}//'
  exit $(($# < 1 ? 2 : 0))
fi
if [ "$(id -u)" -ne 0 ]; then echo "fresh_machine: run as root (debootstrap, chroot)" >&2; exit 1; fi
dir=$(realpath -m "$1"); shift
command=("$@")
[ ${#command[@]} -gt 0 ] || command=(scripts/run-sample)
repo=$(cd "$(dirname "$0")/.." && pwd)

command -v debootstrap >/dev/null || apt-get install -y --no-install-recommends debootstrap
mkdir -p "$dir"
if [ ! -x "$dir/base/bin/bash" ]; then
  rm -rf "$dir/base"
  debootstrap --variant=minbase bookworm "$dir/base" http://deb.debian.org/debian
  # the same archives as this machine's, security updates included
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    cp /etc/apt/sources.list.d/debian.sources "$dir/base/etc/apt/sources.list.d/"
    rm -f "$dir/base/etc/apt/sources.list"
  fi
fi

run="$dir/run"
mounts=(proc sys dev dev/pts dev/shm)
unmount() {
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
    mountpoint -q "$run/${mounts[i]}" && umount "$run/${mounts[i]}"
  done
  if [ "$keep" = 0 ]; then rm -rf "$run"; fi
}
unmount
rm -rf "$run"
cp -a "$dir/base" "$run"
trap unmount EXIT
cp /etc/resolv.conf "$run/etc/"
git clone -q "$repo" "$run/root/carrowind"
for m in "${mounts[@]}"; do mount --bind "/$m" "$run/$m"; done

start=$(date +%s)
status=0
chroot "$run" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  LANG=C.UTF-8 TERM=dumb /bin/bash -c 'cd /root/carrowind && "$@"' bash "${command[@]}" || status=$?
echo "fresh_machine: ${command[*]} took $(($(date +%s) - start)) s on a fresh Debian 12 (exit $status)"
exit "$status"
