#!/usr/bin/env bash
# Tries the README's set-up on a clean system: builds a minimal Debian 12 root with debootstrap
# in a temporary folder, copies this checkout (the files git knows, no build folders) and the
# shared folder beside it in, and runs there, as root of that fresh system, first the run
# command's install and build steps (without opening the trainer) and then the test command in
# full. The root is removed afterwards, also on failure or interruption. Run it whenever the
# dependencies change.
#   sudo bash scripts/fresh-check.sh [run] [test]
# Naming "run" or "test" tries only that set-up path (the test command then installs the
# packages itself); both by default.
# Needs root (debootstrap, chroot, mounts) and Debian's mirror; installs debootstrap when it is
# missing. About 70 minutes on two busy cores: 3 for the root, 26 for the packages and the
# trainer's build, 38 for the test command (a second build from scratch, then every test).
# Environment: ECHORA_MIRROR (default http://deb.debian.org/debian), ECHORA_SECURITY_MIRROR
# (default http://deb.debian.org/debian-security), TMPDIR (where the root is made, ~5 GB).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
shared=$(cd "$root/.." && pwd)/shared
mirror=${ECHORA_MIRROR:-http://deb.debian.org/debian}
security=${ECHORA_SECURITY_MIRROR:-http://deb.debian.org/debian-security}
suite=bookworm

if [ "$(id -u)" -ne 0 ]; then
  echo "fresh-check.sh needs root: debootstrap, chroot and mounts" >&2
  exit 1
fi
if ! command -v debootstrap >/dev/null; then
  apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q debootstrap || exit 1
fi

fresh=$(mktemp -d "${TMPDIR:-/var/tmp}/echora-fresh.XXXXXX") || exit 1

# Ends what still runs inside the root (by PID), then removes the root. The mounts live in a
# private mount namespace that ends with the chroot session, so none is left to delete through;
# any that is found anyway is detached first, and removal never crosses into another file system.
cleanup() {
  local link pid
  for link in /proc/[0-9]*/root; do
    [ "$(readlink "$link" 2>/dev/null)" = "$fresh" ] || continue
    pid=${link#/proc/}
    pid=${pid%/root}
    kill -9 "$pid" 2>/dev/null
  done
  awk -v r="$fresh" '$5 == r || index($5, r "/") == 1 { print $5 }' /proc/self/mountinfo |
    sort -r | while read -r m; do umount -l "$m"; done
  if awk -v r="$fresh" 'index($5, r) == 1 { found = 1 } END { exit !found }' /proc/self/mountinfo; then
    echo "fresh-check: $fresh still has mounts; left in place" >&2
    return
  fi
  rm -rf --one-file-system "$fresh"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

started=$SECONDS
lap=$SECONDS
timings=()
timed() {
  timings+=("$1: $((SECONDS - lap)) s")
  lap=$SECONDS
}

echo "== debootstrap $suite into $fresh"
debootstrap --variant=minbase "$suite" "$fresh" "$mirror" >"$fresh.debootstrap.log" 2>&1 ||
  { tail -30 "$fresh.debootstrap.log"; rm -f "$fresh.debootstrap.log"; exit 1; }
rm -f "$fresh.debootstrap.log"
cat >"$fresh/etc/apt/sources.list" <<SOURCES
deb $mirror $suite main
deb $mirror $suite-updates main
deb $security $suite-security main
SOURCES
cp /etc/resolv.conf "$fresh/etc/resolv.conf"
# No daemons are started by package scripts inside a chroot.
printf '#!/bin/sh\nexit 101\n' >"$fresh/usr/sbin/policy-rc.d"
chmod 755 "$fresh/usr/sbin/policy-rc.d"
timed debootstrap

echo "== copying the checkout and the shared folder"
work=/root/check
mkdir -p "$fresh$work/echora"
if git -C "$root" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  (cd "$root" && git ls-files -z --cached --others --exclude-standard |
    tar --null --ignore-failed-read -T - -cf -) | tar -xf - -C "$fresh$work/echora" || exit 1
else
  tar -C "$root" --exclude='./build*' -cf - . | tar -xf - -C "$fresh$work/echora" || exit 1
fi
if [ -d "$shared" ]; then
  cp -a "$shared" "$fresh$work/shared" || exit 1
fi

# One shell inside the root, in its own mount namespace: the mounts vanish when it ends. With
# "offline" it also gets a network namespace of its own (loopback only): the root has a /tmp of
# its own, so its X server would pick a display number another X server of this machine already
# answers on through the shared abstract sockets.
inside() {
  local net=()
  [ "${2:-}" = offline ] && net=(--net)
  unshare --mount --propagation private "${net[@]}" bash -s -- "$fresh" "$1" "${2:-}" <<'INSIDE'
set -u
fresh=$1
if [ "$3" = offline ]; then ip link set lo up || exit 1; fi
mount -t proc proc "$fresh/proc" &&
  { mount -t sysfs sysfs "$fresh/sys" || mount --rbind /sys "$fresh/sys"; } &&
  mount --bind /dev "$fresh/dev" &&
  mount -t devpts -o newinstance,ptmxmode=0666,mode=620 devpts "$fresh/dev/pts" &&
  mount -t tmpfs -o mode=1777 shm "$fresh/dev/shm" || exit 1
exec chroot "$fresh" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
  PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  bash -c "cd /root/check/echora && $2"
INSIDE
}

paths=("$@")
[ ${#paths[@]} -eq 0 ] && paths=(run test)
failed=()
for path in "${paths[@]}"; do
  case $path in
  run)
    echo "== run command: install and build (ECHORA_SETUP_ONLY=1 bash scripts/run.sh)"
    inside 'ECHORA_SETUP_ONLY=1 bash scripts/run.sh' || failed+=("run command")
    timed "run command (install and build)"
    ;;
  test)
    # The packages are installed online first (nothing to do after the run command); the tests
    # themselves run offline.
    echo "== test command (bash scripts/test.sh)"
    inside 'bash scripts/deps.sh' && inside 'bash scripts/test.sh' offline ||
      failed+=("test command")
    timed "test command"
    ;;
  *)
    echo "fresh-check: unknown set-up path \"$path\" (run, test)" >&2
    exit 2
    ;;
  esac
done

echo "== fresh-check timings"
printf '  %s\n' "${timings[@]}" "total: $((SECONDS - started)) s"
if [ ${#failed[@]} -ne 0 ]; then
  echo "fresh-check: FAILED: ${failed[*]}"
  exit 1
fi
echo "fresh-check: passed"
