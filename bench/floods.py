"""Writes the "## Floods" section of bench/results.md from the flood benchmark's result lines,
replacing the section if it is there and putting it before the micro benchmarks otherwise.

    python3 bench/floods.py RESULT_LINES RESULTS_MD
"""
import sys

lines_path, out_path = sys.argv[1:]
rows = [dict(kv.split('=', 1) for kv in line.split()[1:])
        for line in open(lines_path) if line.startswith('result ')]

what = {
    'tags': 'tag reports, test running, as fast as loopback allows',
    'log': 'short datagrams that each write a log line, as fast as loopback allows',
    'big': '8 KiB non-JSON datagrams (each logs "Invalid json string:" + 8 KiB)',
    'lograte': 'log datagrams paced at {rate}/s',
}
section = ['## Floods', '',
           'tagwick-bench-flood: a socket of the benchmark on 127.0.0.1 floods the real window '
           '(offscreen) through the real link for the given seconds. For tags, log and big the '
           'flood goes on while the window disconnects (`btnIPClick`, the path closing the window '
           'takes too); disconnect = how long the click took, design pauses (50 ms + 100 ms) '
           'included. shown = datagrams whose effect reached the window (log lines, or reports '
           'counted in the grid); not shown = the count the disconnect logged. Datagrams sent '
           'but neither shown nor counted were dropped by the kernel\'s socket buffer while the '
           'link waited for room. Lateness = of a 5 ms timer on the window thread during the '
           'flood. Peak = VmHWM of the process. The machine is shared: figures were taken while '
           'other builds ran.', '',
           '| flood | s | sent | shown | not shown | disconnect ms | p50 ms | p99 ms | peak MiB |',
           '|---|---:|---:|---:|---:|---:|---:|---:|---:|']
for r in rows:
    label = what.get(r['flood'], r['flood']).format(rate=f"{int(float(r['rate'])):,}")
    disconnect = '' if r['flood'] == 'lograte' else r['disconnect_ms']
    section.append(f"| {label} | {float(r['seconds']):g} | {int(r['sent']):,} | "
                   f"{int(r['shown']):,} | {int(r['not_shown']):,} | {disconnect} | "
                   f"{float(r['lat_p50_ms']):.1f} | {float(r['lat_p99_ms']):.1f} | "
                   f"{float(r['peak_mib']):.1f} |")
section.append('')

text = open(out_path).read().split('\n')
start = next((i for i, l in enumerate(text) if l == '## Floods'), None)
if start is None:
    at = next((i for i, l in enumerate(text) if l == '## Micro benchmarks'), len(text))
    text[at:at] = section
else:
    end = next((i for i in range(start + 1, len(text)) if text[i].startswith('## ')), len(text))
    text[start:end] = section
open(out_path, 'w').write('\n'.join(text))
