"""Commissions a simulated site of 200 devices on 127.0.0.2 to 127.0.0.201 with tagwick-cli
(every settings group set and read back) at --jobs 1, 16 and 64, and prints the
"## Commissioning a site" section; with RESULTS_MD, also writes it there (replacing the section
if it is there, appending it otherwise).

    python3 bench/commission.py BUILD_DIR [RESULTS_MD]

Everything runs on 127.0.0.0/8 only.
"""
import csv, os, shutil, subprocess, sys, tempfile, time

DEVICES = 200
JOBS = [1, 16, 64]
FIRST = '127.0.0.2'

build = sys.argv[1]
out_path = sys.argv[2] if len(sys.argv) > 2 else None
cli = os.path.join(build, 'cli', 'tagwick-cli')
sim_path = os.path.join(build, 'tools', 'devicesim', 'tagwick-devicesim')


def address(n):
    return f'127.0.{(n + 1) // 256}.{(n + 1) % 256}'


work = tempfile.mkdtemp(prefix='tagwick-bench-site-')
sim_out = open(os.path.join(work, 'sim.out'), 'w+')
sim = subprocess.Popen([sim_path, '--bind', FIRST, '--port', '0', '--devices', str(DEVICES),
                        '--heartbeat', '0'], stdout=sim_out)
rows = []
try:
    port = None
    for _ in range(100):
        sim_out.seek(0)
        lines = sim_out.read().splitlines()
        if len(lines) >= DEVICES:
            port = int(lines[0].rsplit(':', 1)[1])
            break
        time.sleep(0.05)
    if port is None:
        sys.exit('the simulator did not start')
    for round_, jobs in enumerate(JOBS):
        plan = os.path.join(work, f'plan-{jobs}.csv')
        report = os.path.join(work, f'report-{jobs}.csv')
        with open(plan, 'w') as f:
            f.write('device,deviceid,gateway_ip,gateway_port,network,ip,mask,gateway,dns1,dns2,'
                    'clock\n')
            for n in range(1, DEVICES + 1):
                host = address(n)
                if not host.startswith('127.'):
                    sys.exit('refusing a device off loopback: ' + host)
                # Other values each round, so that every set really changes the device.
                f.write(f'{host}:{port},{1000 * (round_ + 1) + n},127.0.0.9,{9000 + round_},'
                        f'static,127.1.0.{n % 250 + 1},255.0.0.0,127.0.0.1,127.0.0.53,'
                        f'127.0.0.54,now\n')
        start = time.monotonic()
        result = subprocess.run([cli, 'commission', plan, '--jobs', str(jobs), '--report', report],
                                capture_output=True, text=True)
        wall = time.monotonic() - start
        with open(report, newline='') as f:
            devices = list(csv.DictReader(f))
        ok = sum(1 for d in devices if d['outcome'] == 'ok')
        per_device = sorted(float(d['seconds']) for d in devices)
        rows.append((jobs, wall, ok, len(devices), result.returncode,
                     sum(per_device) / len(per_device), per_device[len(per_device) // 2],
                     per_device[int(len(per_device) * 0.99) - 1]))
        print(f'jobs={jobs} wall={wall:.2f}s ok={ok}/{len(devices)} exit={result.returncode}',
              file=sys.stderr)
finally:
    sim.terminate()
    sim.wait()
    sim_out.close()
    shutil.rmtree(work)

section = ['## Commissioning a site', '',
           f'`bench/commission.py`: `tagwick-cli commission` of {DEVICES} simulated devices '
           f'(one simulator process on {FIRST} to {address(DEVICES)}, one port), every device '
           'with all four settings groups (gateway, device ID, clock, static network): each '
           'group read, set ("ok" required), read back and compared, over one socket per '
           'device. Wall = the whole run of the process, plan check and report included; per '
           'device = the time from its first request to its last answer, as the report gives '
           'it. Load average at the end: '
           f'{os.getloadavg()[0]:.1f}.', '',
           '| --jobs | wall s | devices ok | exit | wall per device ms | per device mean ms | '
           'per device p50 ms | per device p99 ms |',
           '|---:|---:|---:|---:|---:|---:|---:|---:|']
for jobs, wall, ok, total, code, mean, p50, p99 in rows:
    section.append(f'| {jobs} | {wall:.2f} | {ok} / {total} | {code} | {1000 * wall / total:.2f} | '
                   f'{1000 * mean:.2f} | {1000 * p50:.2f} | {1000 * p99:.2f} |')
text = '\n'.join(section) + '\n'
print(text)

if out_path:
    old = open(out_path).read() if os.path.exists(out_path) else ''
    start = old.find('## Commissioning a site')
    if start < 0:
        new = old.rstrip('\n') + '\n\n' + text
    else:
        end = old.find('\n## ', start + 1)
        new = old[:start] + text + ('' if end < 0 else old[end:])
    open(out_path, 'w').write(new)
