"""Prints the "## Floods" section of bench/results.md from the flood benchmark's result lines.

    python3 bench/floods.py RESULT_LINES
"""
import sys

rows = [dict(kv.split('=', 1) for kv in line.split()[1:])
        for line in open(sys.argv[1]) if line.startswith('result ')]

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
           'takes too), until a send is refused because the link\'s socket is gone; disconnect = '
           'how long the click took, design pauses (50 ms + 100 ms) included. sent = datagrams '
           'the kernel accepted from the flood; shown = datagrams whose effect reached the window '
           '(log lines, or reports counted in the grid); not shown = the count the disconnect '
           'logged; dropped = the link socket\'s drop counter (/proc/net/udp), datagrams the '
           'kernel discarded because the socket\'s buffer was full; after close = the rise of the '
           'system\'s UDP NoPorts counter over the run (datagrams to a port without a socket; '
           'other programs on the machine count there too); in queue at close = the rest, '
           'datagrams still in the socket\'s buffer when it closed, with that buffer\'s size at '
           'the last reading before. Lateness = of a 5 ms timer on the window thread during the '
           'flood, against the time each firing was due. Peak = VmHWM of the process.', '',
           '| flood | s | sent | shown | not shown | dropped | after close | in queue at close '
           '| queue at close KiB | disconnect ms | lateness p50 ms | lateness p99 ms | peak MiB |',
           '|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|']
for r in rows:
    label = what.get(r['flood'], r['flood']).format(rate=f"{int(float(r['rate'])):,}")
    paced = r['flood'] == 'lograte'
    rest = (int(r['sent']) - int(r['shown']) - int(r['not_shown']) - int(r['dropped']) -
            int(r['after_close']))
    section.append(f"| {label} | {float(r['seconds']):g} | {int(r['sent']):,} | "
                   f"{int(r['shown']):,} | {int(r['not_shown']):,} | {int(r['dropped']):,} | "
                   f"{int(r['after_close']):,} | {rest:,} | "
                   f"{'' if paced else format(int(float(r['queued_kib'])), ',')} | "
                   f"{'' if paced else r['disconnect_ms']} | "
                   f"{float(r['lat_p50_ms']):.1f} | {float(r['lat_p99_ms']):.1f} | "
                   f"{float(r['peak_mib']):.1f} |")
unrefused = [r['flood'] for r in rows if r['flood'] != 'lograte' and r.get('refused') != '1']
if unrefused:
    section += ['', f"No send was refused after the disconnect in: {', '.join(unrefused)}; the "
                "flood there stopped 1 s after the click, and sent counts up to then."]
print('\n'.join(section) + '\n')
