#!/usr/bin/env python3
"""Load test of the application server through the automation driver.

N cadserv-driver processes, each signed in as a demo operator, repeat what an operator at the
main screen does: open it, list the branch's services (branch code + Tab), select their own
service, go to the form page, alter its trade name and confirm, reload it (Verificar), close the screen. Every driver command
is one user action; the server's log (one line per remote call, with its milliseconds) gives the
remote calls. Configurations: one server on SQLite, one and two servers on one PostgreSQL
database (two servers: the drivers alternate between them, as behind a round-robin proxy).

For each configuration and N it prints user actions per second and their p99, remote calls per
second and the server-side p99 of a call, and the actions that failed (a refused save counts).
Run through bench/load.sh, which builds the release preset and provides the PostgreSQL cluster.
"""

import argparse
import json
import os
import re
import subprocess
import sys
import tempfile
import threading
import time

OPERATORS = [("ADMIN", "admin"), ("MARIA", "maria")]
CALL_LINE = re.compile(r"Ger04100\.rdmCadastroServ\.(\w+) \[[^\]]*\] ([0-9.]+) ms (\S+)")


def percentile(values, p):
    if not values:
        return float("nan")
    s = sorted(values)
    return s[min(len(s) - 1, int(round(p / 100.0 * (len(s) - 1))))]


class Server:
    """One cadserv-server process; its stderr (the call log) is kept in a file."""

    def __init__(self, bindir, db, demo, workers):
        self.log = tempfile.NamedTemporaryFile(prefix="cadserv-load-", suffix=".log", delete=False)
        args = [os.path.join(bindir, "cadserv-server"), "--listen", "127.0.0.1:0", "--db", db,
                "--log-level", "info", "--workers", str(workers)]
        if demo:
            args.append("--demo")
        self.proc = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=self.log, text=True)
        line = self.proc.stdout.readline()
        m = re.search(r"http://127\.0\.0\.1:\d+", line)
        if not m:
            raise RuntimeError("servidor não iniciou: " + line)
        self.url = m.group(0)

    def calls(self, since, until):
        """(milliseconds) of the remote calls logged between the two instants (wall clock)."""
        out = []
        with open(self.log.name, encoding="utf-8", errors="replace") as f:
            for line in f:
                m = CALL_LINE.search(line)
                t = re.match(r"\[(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d+)\]", line)
                if not m or not t:
                    continue
                stamp = time.mktime(time.strptime(t.group(1)[:19], "%Y-%m-%d %H:%M:%S")) + float("0." + t.group(1)[20:])
                if since <= stamp <= until:
                    out.append(float(m.group(2)))
        return out

    def stop(self):
        self.proc.terminate()
        self.proc.wait(timeout=30)
        os.unlink(self.log.name)


class Driver:
    """One driver process and the latencies of its actions."""

    def __init__(self, bindir, server_url, db, index):
        op, password = OPERATORS[index % len(OPERATORS)]
        self.index = index
        self.proc = subprocess.Popen(
            [os.path.join(bindir, "cadserv-driver"), "--server", server_url, "--db", db, "--operator", op,
             "--password", password],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, bufsize=1)
        self.samples = []  # (end time, seconds)
        self.failures = 0
        self.first_failure = None
        self.error = None

    def send(self, cmd, timed=True):
        start = time.time()
        self.proc.stdin.write(json.dumps(cmd) + "\n")
        self.proc.stdin.flush()
        line = self.proc.stdout.readline()
        end = time.time()
        if not line:
            raise RuntimeError("o driver %d terminou" % self.index)
        reply = json.loads(line)
        if timed:
            self.samples.append((end, end - start))
            if not reply.get("ok") or reply.get("status", "ok") != "ok":
                self.failures += 1
                if self.first_failure is None:
                    self.first_failure = "%s -> %s" % (cmd, line.strip()[:200])
        return reply

    def iteration(self, row, n):
        self.send({"cmd": "open", "entry": "CriaCadServico"})
        self.send({"cmd": "set", "control": "medCdFilial", "text": "0001"})
        self.send({"cmd": "key", "key": "Tab"})
        self.send({"cmd": "focus", "control": "dbgPadrao"})  # lists the branch's services
        self.send({"cmd": "cell", "control": "dbgPadrao", "row": row, "col": 0, "click": True})
        self.send({"cmd": "click", "control": "tshFormulario"})
        self.send({"cmd": "click", "control": "sbtAlterar"})
        self.send({"cmd": "set", "control": "dbeNmFantasServ", "text": "Carga %d-%d" % (self.index, n)})
        self.send({"cmd": "click", "control": "sbtConfirmar"})
        self.send({"cmd": "click", "control": "sbtVerificar"})
        self.send({"cmd": "close"})
        # What popped up (a refused save's dialog) is read and dropped, untimed.
        self.send({"cmd": "messages"}, timed=False)

    def run(self, row, until):
        try:
            n = 0
            while time.time() < until:
                self.iteration(row, n)
                n += 1
        except Exception as e:  # noqa: BLE001 - reported with the figures
            self.error = str(e)
        finally:
            self.proc.stdin.close()
            self.proc.wait(timeout=60)


def setup_services(bindir, server_url, db, count):
    """One service per driver (codes 90000 + i), so the saves measure throughput, not conflicts.
    Returns the grid row of each (the main screen lists a branch's services by code)."""
    d = Driver(bindir, server_url, db, 0)
    d.send({"cmd": "sql", "query": "DELETE FROM SERVICO WHERE CDFILIAL = '0001' AND CDSERVFILI >= '90000'"}, False)
    # Each a copy of the demo's dinner service 00002 under its own code.
    model = d.send({"cmd": "sql", "query": "SELECT * FROM SERVICO WHERE CDFILIAL = '0001' AND CDSERVFILI = '00002'"},
                   False)["rows"][0]
    cols = list(model.keys())
    insert = "INSERT INTO SERVICO (%s) VALUES (%s)" % (", ".join(cols), ", ".join(":" + c for c in cols))
    for i in range(count):
        row = dict(model)
        row["CDSERVFILI"] = "%05d" % (90000 + i)
        d.send({"cmd": "sql", "query": insert, "params": row}, False)
    r = d.send({"cmd": "sql", "query": "SELECT COUNT(*) AS N FROM SERVICO WHERE CDFILIAL = '0001' AND CDSERVFILI < '90000'"},
               False)
    before = int(r["rows"][0]["N"])
    d.proc.stdin.close()
    d.proc.wait(timeout=60)
    return [before + 1 + i for i in range(count)]


def run_config(bindir, name, db, servers, ns, seconds, warmup, workers):
    procs = [Server(bindir, db, demo=(i == 0), workers=workers) for i in range(servers)]
    results = []
    try:
        for n in ns:
            rows = setup_services(bindir, procs[0].url, db, n)
            # One driver signed in after the other: sign-ins of one operator from one address
            # sent at the same moment are refused past the second (the server's sign-in limit).
            drivers = []
            for i in range(n):
                drivers.append(Driver(bindir, procs[i % servers].url, db, i))
                drivers[-1].send({"cmd": "session"}, timed=False)
            start = time.time()
            until = start + warmup + seconds
            threads = [threading.Thread(target=d.run, args=(rows[d.index], until)) for d in drivers]
            for t in threads:
                t.start()
            for t in threads:
                t.join()
            lo, hi = start + warmup, until
            lat = [s for d in drivers for (end, s) in d.samples if lo <= end <= hi]
            failures = sum(d.failures for d in drivers)
            calls = [ms for p in procs for ms in p.calls(lo, hi)]
            errors = [d.error for d in drivers if d.error]
            errors += ["primeira falha: " + d.first_failure for d in drivers[:1] if d.first_failure]
            results.append((name, n, len(lat) / seconds, percentile(lat, 99) * 1000.0, len(calls) / seconds,
                            percentile(calls, 99), failures, errors))
            print("%-14s N=%-3d %8.1f ações/s  p99 %7.1f ms  %8.1f chamadas/s  p99 servidor %6.1f ms  falhas %d%s"
                  % (name, n, results[-1][2], results[-1][3], results[-1][4], results[-1][5], failures,
                     ("  erros: " + "; ".join(errors)) if errors else ""), flush=True)
    finally:
        for p in procs:
            p.stop()
    return results


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--bin", default="build/release/bin", help="folder of cadserv-server and cadserv-driver")
    ap.add_argument("--n", default="1,4,16", help="numbers of concurrent drivers")
    ap.add_argument("--seconds", type=float, default=20, help="measured seconds per N")
    ap.add_argument("--warmup", type=float, default=3, help="seconds not measured at the start of each N")
    ap.add_argument("--workers", type=int, default=8, help="--workers of each server")
    ap.add_argument("--pg", default=os.environ.get("CADSERV_TEST_PG_URL", ""), help="PostgreSQL URL (a new schema is used)")
    ap.add_argument("--only", default="", help="comma list of configurations: sqlite,pg1,pg2")
    a = ap.parse_args()
    ns = [int(x) for x in a.n.split(",")]
    only = set(filter(None, a.only.split(",")))
    configs = []
    tmp = tempfile.mkdtemp(prefix="cadserv-load-")
    configs.append(("sqlite", "sqlite:" + os.path.join(tmp, "load.db"), 1))
    if a.pg:
        for servers in (1, 2):
            schema = "load_%d_%d" % (os.getpid(), servers)
            subprocess.run(["psql", "-q", a.pg, "-c", "CREATE SCHEMA " + schema], check=True)
            sep = "&" if "?" in a.pg else "?"
            configs.append(("pg%d" % servers, a.pg + sep + "options=-csearch_path%3D" + schema, servers))
    else:
        print("sem PostgreSQL (--pg ou CADSERV_TEST_PG_URL): só SQLite", file=sys.stderr)
    print("configuração   N        ações/s       p99          chamadas/s     p99 servidor", flush=True)
    for name, db, servers in configs:
        if only and name not in only:
            continue
        label = {"sqlite": "SQLite, 1", "pg1": "PostgreSQL, 1", "pg2": "PostgreSQL, 2"}[name]
        run_config(a.bin, label, db, servers, ns, a.seconds, a.warmup, a.workers)


if __name__ == "__main__":
    main()
