"""Prints the head of bench/results.md, the end-to-end section and the micro benchmarks, from the
result lines of tagwick-bench-e2e and the JSON of tagwick-bench-micro. Run by scripts/bench.

    python3 bench/report.py E2E_LINES MICRO_JSON SECONDS CMAKE_CACHE INVOCATION COMMIT LOAD_START \
        BEFORE
"""
import datetime
import json
import os
import platform
import subprocess
import sys

lines_path, micro_path, seconds, cache_path, invocation, commit, load_start, before = sys.argv[1:]


def cpu_model():
    for line in open('/proc/cpuinfo'):
        if line.startswith('model name'):
            return line.split(':', 1)[1].strip()
    return platform.processor() or 'unknown'


def compiler():
    path = 'c++'
    for line in open(cache_path):
        if line.startswith('CMAKE_CXX_COMPILER:'):
            path = line.split('=', 1)[1].strip()
    return subprocess.run([path, '--version'], capture_output=True,
                          text=True).stdout.splitlines()[0]


rows = [dict(kv.split('=', 1) for kv in line.split()[1:])
        for line in open(lines_path) if line.startswith('result ')]


def rate_text(r):
    if r['mode'] == 'idle':
        return 'none'
    return 'max' if float(r['rate']) == 0 else f"{int(float(r['rate'])):,}"


def mode_text(r):
    return r['mode'] if r.get('loop', 'this') == 'this' else f"{r['mode']}, {r['loop']}'s loop"


def share_text(r):
    share = float(r['core_share'])
    return f"{share:.2f} %" if share < 1 else f"{share:.1f} %"


now = datetime.datetime.now(datetime.timezone.utc).strftime('%Y-%m-%d %H:%M UTC')
out = ['# Benchmark results', '',
       f"Written by `{invocation}` at {now}, commit {commit}; every figure below comes from that "
       "run (analysis and figures of earlier runs, by hand: bench/changes.md).", '',
       f"Machine: {cpu_model()}, {os.cpu_count()} cores, Linux {platform.release()}, "
       f"{compiler()}, RelWithDebInfo. {seconds} s per end-to-end run; the simulator and the "
       f"tool share the cores. Load average (1 min) at the start: {load_start}, at the end: "
       f"{os.getloadavg()[0]:.1f}. The machine is shared: anything above the tool and the "
       "simulator is other people's work on it, which the load at the start of each run "
       "(column load) shows; the ratios below come from runs made in turns, seconds apart.", '']

out += ['## End to end', '',
        'window = simulator process -> link thread -> hand-over -> window (test running), on '
        'the platform named (offscreen, or xcb: a real X server under xvfb-run with the window '
        'shown); "window, ' + before + '\'s loop" = the same window with the receive loop of '
        'commit ' + before + ' (this tree otherwise, the same benchmark source), run just before '
        'this tree\'s row at the same rate; idle = the window connected, nothing arriving; '
        'baseline = the same with the first design\'s receive loop (10 ms pause before every '
        'receive, system socket buffer); ceiling '
        '= recv + cJSON parse + read "epc", no window. sent = what the simulator says the kernel '
        'accepted; processed = reports counted in the grid, after the stop = of them, those '
        'processed after the stream was stopped (the backlog); lost = sent - processed, never '
        'below 0 unless reports were over-counted. processed/s = processed over the time from '
        'the start to the last report processed, the backlog included. Lateness = how late a '
        '25 ms timer on the window thread fires against the time it was due, while streaming. '
        'Arrival to paint = from the time a report was received (the Time column) to the end of '
        'the next repaint of the window, sampled. CPU = the whole process (link and window '
        'threads), window CPU = the window thread alone, both over the run including the drain, '
        'per processed report; share of one core = the whole process\'s CPU time over the wall '
        'time of the run; wake-ups/s = voluntary context switches of all the process\'s threads '
        '(getrusage) over the run. Peak = VmHWM of the run\'s process, growth = RSS growth over '
        'the run. load = the machine\'s load average (1 min) as the run began.', '',
        '| mode | platform | load | rate/s | tags | sent | processed | after the stop | lost | '
        'processed/s | lateness p50 ms | lateness p99 ms | arrival to paint p50 ms | '
        'arrival to paint p99 ms | CPU µs/report | window CPU µs/report | share of one core | '
        'wake-ups/s | peak MiB | growth MiB |',
        '|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|'
        '---:|---:|---:|']
for r in rows:
    after = int(r['processed']) - int(r['processed_in_stream'])
    out.append(f"| {mode_text(r)} | {r['platform']} | {r.get('load', '')} | {rate_text(r)} | "
               f"{int(r['tags']):,} | "
               f"{int(r['sent']):,} | {int(r['processed']):,} | {after:,} | "
               f"{int(r['lost']):,} | {int(float(r['throughput'])):,} | "
               f"{float(r['lat_p50_ms']):.2f} | {float(r['lat_p99_ms']):.2f} | "
               f"{float(r['paint_p50_ms']):.1f} | {float(r['paint_p99_ms']):.1f} | "
               f"{float(r['cpu_us']):.2f} | {float(r['window_cpu_us']):.2f} | "
               f"{share_text(r)} | {float(r['wakeups_per_s']):,.1f} | "
               f"{int(r['peak_kib']) / 1024:.1f} | {int(r['growth_kib']) / 1024:.1f} |")

ceiling = [r for r in rows if r['mode'] == 'ceiling']
window = [r for r in rows if r['mode'] == 'window' and r['platform'] == 'offscreen' and
          r.get('loop', 'this') == 'this']
clean = [r for r in window if int(r['lost']) == 0]
best = max(clean, key=lambda r: float(r['throughput']), default=None)
over = [r for r in rows if int(r['lost']) < 0]
out.append('')
if over:
    out.append('**Over-counted** (more processed than sent, a fault of the counting): ' +
               ', '.join(f"{r['mode']} {r['platform']} at {rate_text(r)}/s" for r in over) + '.')
if ceiling:
    out.append(f"Ceiling (bare receive and parse): "
               f"{int(float(ceiling[0]['throughput'])):,} reports/s.")
if best:
    share = ''
    if ceiling:
        share = f", {100 * float(best['throughput']) / float(ceiling[0]['throughput']):.0f} % " \
                "of the ceiling"
    out.append(f"Highest rate without loss through the window: "
               f"{int(float(best['throughput'])):,} reports/s ({rate_text(best)} requested, "
               f"{int(best['tags']):,} tags){share}.")
out.append('')


def wakeups_per_report(r):
    # Reports per second of the measured time, from the process's CPU time per report and its
    # share of a core over that time.
    reports_per_s = (float(r['core_share']) / 100) / (float(r['cpu_us']) / 1e6)
    return float(r['wakeups_per_s']) / reports_per_s if reports_per_s else 0.0


pairs = []
for b in rows:
    if b.get('loop', 'this') == 'this' or b['mode'] != 'window':
        continue
    after = next((r for r in rows[rows.index(b) + 1:]
                  if r.get('loop', 'this') == 'this' and r['mode'] == 'window' and
                  (r['platform'], r['rate'], r['tags']) == (b['platform'], b['rate'], b['tags'])),
                 None)
    if after:
        pairs.append((b, after))
if pairs:
    ceiling_cpu = float(ceiling[0]['cpu_us']) if ceiling else 0.0
    out += [f"## The receive loop: {before}'s and this tree's", '',
            f"The window rows above in pairs: {before}'s loop, then this tree's, each pair run "
            "back to back. Ratios are this tree's figure over the earlier loop's (below 1: "
            "cheaper now). Wake-ups per report = the process's voluntary context switches over "
            "the reports processed; ceiling = the bare receive-and-parse loop's CPU per report "
            "in this run.", '',
            '| platform | rate/s | load | CPU µs/report, before | now | now/before | '
            'share of one core, before | now | wake-ups/s, before | now | '
            'wake-ups/report, before | now | CPU now/ceiling | lost, before | now |',
            '|---|---:|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|']
    for b, a in pairs:
        ratio = float(a['cpu_us']) / float(b['cpu_us']) if float(b['cpu_us']) else 0.0
        to_ceiling = f"{float(a['cpu_us']) / ceiling_cpu:.1f}" if ceiling_cpu else ''
        out.append(f"| {a['platform']} | {rate_text(a)} | {b.get('load', '')}, "
                   f"{a.get('load', '')} | {float(b['cpu_us']):.2f} | {float(a['cpu_us']):.2f} | "
                   f"{ratio:.2f} | {share_text(b)} | {share_text(a)} | "
                   f"{float(b['wakeups_per_s']):,.1f} | {float(a['wakeups_per_s']):,.1f} | "
                   f"{wakeups_per_report(b):.3f} | {wakeups_per_report(a):.3f} | {to_ceiling} | "
                   f"{int(b['lost']):,} | {int(a['lost']):,} |")
    out.append('')

micro = json.load(open(micro_path))
out += ['## Micro benchmarks', '',
        '| benchmark | time per iteration | items/s | note |',
        '|---|---:|---:|---|']
for b in micro['benchmarks']:
    note = ''
    if 'bytes_per_tag' in b:
        note = f"{b['bytes_per_tag']:.0f} heap bytes per tag (table + grid model)"
    ips = b.get('items_per_second')
    out.append(f"| {b['name']} | {b['real_time']:.3g} {b.get('time_unit', 'ns')} | "
               f"{'' if ips is None else f'{ips:,.0f}'} | {note} |")
print('\n'.join(out) + '\n')
