#!/usr/bin/env bash
# Reports lost on their way in with the receive buffer of a stock desktop (net.core.rmem_max =
# 212992 bytes), as an unprivileged user, for the window and the command line: 20,000 reports/s
# sustained, bursts of 5,000 and 50,000. "Before" is an earlier commit built with the same
# benchmark source, "after" this tree. Prints the markdown section; --write FILE puts it in FILE.
#
#   bench/drops.sh [--before COMMIT] [--seconds S] [--repeat N] [--write FILE]
#
# A burst is a matter of a few milliseconds, so each is repeated (5 times unless told) and the
# table gives the totals. Every run is made twice: with the processors shared by the device's
# sender and the tool as the system places them, and with the sender on a processor of its own
# (--cores own), as a device on the network would be.
#
# Where the system allows more than 212992 bytes, the cap is emulated by preloading
# bench/RcvbufCap.c, which caps the request as such a system would. Everything runs on 127.0.0.1.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
before=3eb5894
seconds=5
repeat=5
write=
while [ $# -gt 0 ]; do
  case "$1" in
    --before) before=$2; shift ;;
    --seconds) seconds=$2; shift ;;
    --repeat) repeat=$2; shift ;;
    --write) write=$2; shift ;;
    *) echo "usage: bench/drops.sh [--before COMMIT] [--seconds S] [--repeat N] [--write FILE]" >&2
       exit 2 ;;
  esac
  shift
done

scratch=$(mktemp -d /tmp/tagwick-drops-XXXXXX)
chmod 755 "$scratch"
trap 'rm -rf "$scratch"' EXIT
# The earlier tree and its build are kept between runs.
before_src="/tmp/tagwick-drops-before-$before/src"
before_build="/tmp/tagwick-drops-before-$before/build"

build() {
  cmake -S "$1" -B "$2" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAGWICK_BENCH=ON "${@:3}" >/dev/null
  cmake --build "$2" -j 2 --target tagwick-bench-drops tagwick-cli >&2
}
build "$root" "$root/build-bench"
if [ ! -d "$before_src" ]; then
  mkdir -p "$before_src"
  git -C "$root" archive "$before" | tar -x -C "$before_src"
fi
cp "$root/bench/DropBench.cpp" "$before_src/bench/"
if ! grep -q tagwick-bench-drops "$before_src/bench/CMakeLists.txt"; then
  sed -n '/^# Reports lost with a small receive buffer/,$p' "$root/bench/CMakeLists.txt" \
    >>"$before_src/bench/CMakeLists.txt"
fi
build "$before_src" "$before_build" -DTAGWICK_TESTS=OFF
chmod -R a+rX "$scratch" "/tmp/tagwick-drops-before-$before"

cap=$(cat /proc/sys/net/core/rmem_max)
emulated=no
if [ "$cap" -gt 212992 ]; then
  cc -shared -fPIC -O2 -o "$scratch/rcvbufcap.so" "$root/bench/RcvbufCap.c" -ldl
  chmod 755 "$scratch/rcvbufcap.so"
  emulated=yes
fi
user=$(id -un)
[ "$(id -u)" = 0 ] && user=nobody
as_user() {
  local preload=()
  [ "$emulated" = yes ] && preload=(env "LD_PRELOAD=$scratch/rcvbufcap.so")
  if [ "$(id -u)" = 0 ]; then
    (cd "$scratch" && HOME="$scratch" XDG_RUNTIME_DIR="$scratch" "${preload[@]}" \
      setpriv --reuid=nobody --regid=nogroup --clear-groups "$@")
  else
    (cd "$scratch" && "${preload[@]}" "$@")
  fi
}

lines="$scratch/lines"
sustained=$((20000 * seconds))
for side in before after; do
  dir="$before_build"
  [ "$side" = after ] && dir="$root/build-bench"
  fronts="window cli"
  [ "$side" = after ] && fronts="window cli bare"
  for cores in shared own; do
    for front in $fronts; do
      for load in "sustained $sustained" "burst 5000" "burst 50000"; do
        set -- $load
        runs=1
        [ "$1" = burst ] && runs=$repeat
        for run in $(seq "$runs"); do
          echo "running $side $cores $front $1 $2 ($run of $runs)" >&2
          as_user "$dir/bench/tagwick-bench-drops" --front "$front" --load "$1" --count "$2" \
            --rate 20000 --cli "$dir/cli/tagwick-cli" --cores "$cores" 2>>"$scratch/stderr" |
            grep '^result ' | sed "s/^result /result side=$side /" | tee -a "$lines" >&2
        done
      done
    done
  done
done

python3 - "$lines" "$before" "$user" "$cap" "$emulated" "$seconds" "$write" "$repeat" <<'PY'
import sys
lines, before, user, cap, emulated, seconds, write, repeat = sys.argv[1:]
rows = [dict(kv.split('=', 1) for kv in l.split()[1:]) for l in open(lines) if l.startswith('result ')]
def get(side, front, cores, load, count):
    runs = [r for r in rows
            if (r['side'], r['front'], r['cores'], r['load'], r['count']) == (side, front, cores, load, count)]
    if not runs:
        return None
    total = dict(runs[0])
    for k in ('sent', 'lost', 'counted', 'backlog'):
        total[k] = sum(int(r.get(k, 0)) for r in runs)
    return total
section = ['## Drops with a small receive buffer', '',
           f'tagwick-bench-drops (bench/drops.sh): a socket of the benchmark on 127.0.0.1 sends '
           f'tag reports to the window (offscreen, test running) or to `tagwick-cli inventory`, '
           f'run as user {user} with the receive buffer capped at 212992 bytes '
           f'(net.core.rmem_max here: {int(cap):,}; cap emulated by preload: {emulated}). '
           f'Sustained = 20,000/s for {seconds} s, once; bursts as fast as loopback allows, '
           f'{repeat} times each, the figures their totals. '
           f'lost = sent - processed; counted = what the tool reported as dropped by the system '
           f'(the window\'s log lines, the command line\'s `dropped=`); backlog = what the system '
           f'dropped before any socket in the same time (/proc/net/softnet_stat: the loopback '
           f'backlog of a processor overflowed, which neither the sender nor a socket is told of, '
           f'as a network card drops what its ring cannot hold; machine-wide). before = commit {before} '
           f'built with the same benchmark source, after = this tree. bare = no tool: a thread '
           f'that only takes the datagrams off a socket set up the same way, waiting in each '
           f'receive; it shows what waking a thread for each burst costs on this machine. cores: shared = the sender and the tool on the '
           f'processors as the system places them (it may put the sender and the receiving '
           f'thread on one processor, where they take turns); own = the sender on processor 0 '
           f'alone and the tool on the others, as a device on the network would be.', '',
           '| front | cores | load | sent | before: lost | before: counted | before: backlog | after: lost | after: counted | after: backlog |',
           '|---|---|---|---:|---:|---:|---:|---:|---:|---:|']
seen = []
for r in rows:
    key = (r['front'], r['cores'], r['load'], r['count'])
    if key in seen:
        continue
    seen.append(key)
    b, a = get('before', *key), get('after', *key)
    load = (f"{int(r['rate']):,}/s sustained" if r['load'] == 'sustained'
            else f"{repeat} bursts of {int(r['count']):,}")
    cell = lambda x, k: f"{int(x[k]):,}" if x else ''
    section.append(f"| {r['front']} | {r['cores']} | {load} | {cell(a or b, 'sent')} | {cell(b, 'lost')} | "
                   f"{cell(b, 'counted')} | {cell(b, 'backlog')} | {cell(a, 'lost')} | {cell(a, 'counted')} | "
                   f"{cell(a, 'backlog')} |")
section.append('')
text = '\n'.join(section)
print(text)
if write:
    old = open(write).read().split('\n')
    start = next((i for i, l in enumerate(old) if l == section[0]), None)
    if start is None:
        at = next((i for i, l in enumerate(old) if l == '## Micro benchmarks'), len(old))
        old[at:at] = section
    else:
        end = next((i for i in range(start + 1, len(old)) if old[i].startswith('## ')), len(old))
        old[start:end] = section
    open(write, 'w').write('\n'.join(old))
PY
