"""The control server with the clients lab users have: pyvisa (pyvisa-py) over TCP and socat on
the local socket, against qmx7700-server and the program with its windows (offscreen), both on
qmx7700-sim, each checked against the simulator's trace. Then bad input from plain sockets.

Run by CTest with QMX_SIM, QMX_APP and QMX_SERVER naming the programs."""

import os
import signal
import socket
import subprocess
import tempfile
import time
import unittest

import pyvisa

SIM = os.environ["QMX_SIM"]
APP = os.environ["QMX_APP"]
SERVER = os.environ["QMX_SERVER"]
# The simulator's default positions: channel n at n x 1000.
POSITION = {channel: channel * 1000 for channel in range(1, 17)}
IDLE = "IDLE,0,0,0"


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def wait_for(condition, seconds=20, what="condition"):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.02)
    raise AssertionError(f"timed out waiting for {what}")


def listening_tcp(pid):
    """The TCP addresses ("127.0.0.1:5025") that process pid listens on."""
    inodes = set()
    for fd in os.listdir(f"/proc/{pid}/fd"):
        target = os.readlink(f"/proc/{pid}/fd/{fd}")
        if target.startswith("socket:["):
            inodes.add(target[8:-1])
    found = []
    for table in ("/proc/net/tcp", "/proc/net/tcp6"):
        with open(table) as lines:
            for line in list(lines)[1:]:
                fields = line.split()
                if fields[3] == "0A" and fields[9] in inodes:
                    address, port = fields[1].split(":")
                    if len(address) == 8:
                        address = socket.inet_ntop(socket.AF_INET, bytes.fromhex(address)[::-1])
                    found.append(f"{address}:{int(port, 16)}")
    return found


def peak_resident_kib(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    raise AssertionError("no VmRSS")


class Rig:
    """The simulator, and a home for the program: its settings and its runtime folder."""

    def __init__(self, tcp):
        self.dir = tempfile.TemporaryDirectory()
        self.home = self.dir.name
        self.link = os.path.join(self.home, "qmx7700")
        self.trace = os.path.join(self.home, "trace")
        self.runtime = os.path.join(self.home, "runtime")
        self.socket = os.path.join(self.runtime, "QMX-7700.control")
        os.mkdir(self.runtime, 0o700)
        os.makedirs(os.path.join(self.home, "config", "QMX-7700"))
        self.port = free_port() if tcp else None
        remote = f"[Remote]\nTcp=1\nPort={self.port}\n" if tcp else ""
        with open(os.path.join(self.home, "config", "QMX-7700", "QMX-7700.conf"), "w") as conf:
            conf.write(f"[Ports]\nCom1={self.link}\n{remote}")
        self.sim = subprocess.Popen([SIM, "--link", self.link, "--trace", self.trace],
                                    stdout=subprocess.PIPE, text=True)
        assert self.sim.stdout.readline().startswith("ready ")
        self.program = None

    def environment(self):
        env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(self.home, "config"),
                   XDG_RUNTIME_DIR=self.runtime, QT_QPA_PLATFORM="offscreen")
        env.pop("DISPLAY", None)
        return env

    def start(self, program, environment=None):
        with open(os.path.join(self.home, "log"), "ab") as log:
            self.program = subprocess.Popen([program], env=environment or self.environment(),
                                            stdout=subprocess.DEVNULL, stderr=log)
        wait_for(lambda: os.path.exists(self.socket), what="the control socket")
        wait_for(self.connected, what="the connect")
        return self.program

    def connected(self):
        with socket.socket(socket.AF_UNIX) as connection:
            connection.settimeout(10)
            connection.connect(self.socket)
            connection.sendall(b"SYST:CONN?\n")
            return connection.recv(100) == b"1\n"

    def commands(self, since=0):
        try:
            with open(self.trace) as trace:
                return [line.split(" ", 1)[1].rstrip("\n") for line in trace][since:]
        except FileNotFoundError:
            return []

    def moves(self, since=0):
        return [int(c[2:c.index("\\")]) for c in self.commands(since) if c.startswith("LA")]

    def stop(self):
        """Ends the program with SIGTERM as a logout does; returns its exit code."""
        self.program.send_signal(signal.SIGTERM)
        return self.program.wait(10)

    def close(self):
        for process in (self.program, self.sim):
            if process and process.poll() is None:
                process.kill()
                process.wait()
        self.sim.stdout.close()
        self.dir.cleanup()


class Socat:
    """socat on the local socket, a line at a time."""

    def __init__(self, path):
        self.process = subprocess.Popen(["socat", "-", f"UNIX-CONNECT:{path}"],
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)

    def send(self, line):
        self.process.stdin.write(line + "\n")
        self.process.stdin.flush()

    def ask(self, line):
        self.send(line)
        return self.process.stdout.readline().rstrip("\n")

    def close(self):
        self.process.stdin.close()
        self.process.wait(5)
        self.process.stdout.close()


class TestRemoteClients(unittest.TestCase):
    def rig(self, tcp=False):
        rig = Rig(tcp)
        self.addCleanup(rig.close)
        return rig

    def pyvisa_session(self, rig):
        """The README's pyvisa example, checked against the simulator's trace."""
        rm = pyvisa.ResourceManager("@py")
        inst = rm.open_resource(f"TCPIP::127.0.0.1::{rig.port}::SOCKET",
                                read_termination="\n", write_termination="\n", timeout=10000)
        maker, model, device, version = inst.query("*IDN?").split(",")
        self.assertEqual((maker, model, device), ("QMX-7700 control program", "QMX-7700",
                                                  "Version 2.10"))
        self.assertRegex(version, r"^\d+\.\d+\.\d+$")
        first = len(rig.commands())
        inst.write("ROUT:CLOS 7")
        self.assertEqual(inst.query("ROUT:CLOS?"), "7")
        self.assertEqual(rig.moves(first), [POSITION[7]])
        wait_for(lambda: rig.commands(first)[-2:] == ["LR0\\r", "M\\r"], what="the release")

        program = os.path.join(rig.home, "three steps.qmx")
        with open(program, "wb") as qmx:
            qmx.write(b"3,4;Step\tChannel\tTime to wait\tTime unit\r"
                      b"1\t3\t0.3\ts\r2\t9\t0.3\ts\r3\t16\t0.3\ts\r\n")
        first = len(rig.commands())
        inst.write(f'PROG:LOAD "{program}"')
        inst.write("PROG:RUN 2")
        states = [inst.query("PROG:STAT?")]
        while states[-1] != IDLE:
            time.sleep(0.05)
            states.append(inst.query("PROG:STAT?"))
        self.assertRegex(states[0], r"^RUNNING,[0-3],1,1$")
        self.assertIn("RUNNING,3,2,0", states)
        self.assertEqual(rig.moves(first), [POSITION[c] for c in (3, 9, 16, 3, 9, 16)])
        self.assertEqual(inst.query("SYST:ERR?"), '0,"No error"')
        inst.close()
        rm.close()

    def test_pyvisa_against_the_server(self):
        rig = self.rig(tcp=True)
        server = rig.start(SERVER)
        self.assertEqual(listening_tcp(server.pid), [f"127.0.0.1:{rig.port}"])
        self.pyvisa_session(rig)
        self.assertEqual(rig.stop(), 0)
        self.assertFalse(os.path.exists(rig.socket))

    def test_pyvisa_against_the_program_with_its_windows(self):
        rig = self.rig(tcp=True)
        rig.start(APP)
        self.pyvisa_session(rig)
        self.assertEqual(rig.stop(), 0)

    def test_help_version_and_no_widgets(self):
        rig = self.rig()
        env = rig.environment()
        for argument, expected in (("--help", "Usage: " + SERVER),
                                   ("--version", "qmx7700-server 2.0.0")):
            done = subprocess.run([SERVER, argument], env=env, capture_output=True, text=True,
                                  timeout=10)
            self.assertEqual(done.returncode, 0)
            self.assertIn(expected, done.stdout)
        self.assertEqual(rig.commands(), [])
        self.assertFalse(os.path.exists(rig.socket))
        libraries = subprocess.run(["ldd", SERVER], capture_output=True, text=True).stdout
        self.assertIn("libQt6Network", libraries)
        self.assertNotIn("libQt6Widgets", libraries)

    def test_socat_two_clients_one_holding_the_lock(self):
        rig = self.rig()
        server = rig.start(SERVER)
        self.assertEqual(listening_tcp(server.pid), [])
        mode = subprocess.run(["stat", "-c", "%F %a %u", rig.socket], capture_output=True,
                              text=True).stdout.split()
        self.assertEqual(mode, ["socket", "700", str(os.getuid())])
        self.assertEqual(subprocess.run(["stat", "-c", "%a", rig.runtime], capture_output=True,
                                        text=True).stdout.strip(), "700")

        holder, other = Socat(rig.socket), Socat(rig.socket)
        holder.send("SYST:LOCK")
        self.assertEqual(holder.ask("SYST:LOCK?"), "1")
        first = len(rig.commands())
        other.send("ROUT:CLOS 3")
        self.assertEqual(other.ask("SYST:ERR?"),
                         '-200,"Execution error;another client holds the lock"')
        self.assertEqual(other.ask("ROUT:CLOS?"), "1")
        self.assertEqual(other.ask("SYST:LOCK?"), "0")
        other.send("SYST:LOCK")
        self.assertEqual(other.ask("SYST:ERR?"),
                         '-200,"Execution error;another client holds the lock"')
        self.assertEqual(rig.moves(first), [])
        holder.send("ROUT:CLOS 3")
        self.assertEqual(holder.ask("*OPC?"), "1")
        # The README's one-shot socat.
        shot = subprocess.run("printf 'ROUT:CLOS 12\\nSYST:ERR?\\nROUT:CLOS?\\n' | socat -t 5 - "
                              "UNIX-CONNECT:$XDG_RUNTIME_DIR/QMX-7700.control", shell=True,
                              env=rig.environment(), capture_output=True, text=True, timeout=10)
        self.assertEqual(shot.stdout.splitlines(),
                         ['-200,"Execution error;another client holds the lock"', "3"])
        holder.send("ROUT:CLOS 12")
        self.assertEqual(holder.ask("*OPC?"), "1")
        # The lock ends with its connection.
        holder.close()
        time.sleep(0.2)
        other.send("ROUT:CLOS 3")
        self.assertEqual(other.ask("ROUT:CLOS?"), "3")
        self.assertEqual(rig.moves(first), [POSITION[3], POSITION[12], POSITION[3]])
        other.close()

    def test_bad_input(self):
        rig = self.rig()
        environment = rig.environment()
        # A sanitized build keeps freed memory in quarantine, which would count as grown.
        if "ASAN_OPTIONS" in environment:
            environment["ASAN_OPTIONS"] += ":quarantine_size_mb=0:thread_local_quarantine_size_kb=0"
        server = rig.start(SERVER, environment)

        def client():
            connection = socket.socket(socket.AF_UNIX)
            connection.settimeout(10)
            # A full backlog refuses a connect for now; a client tries again.
            wait_for(lambda: connection.connect_ex(rig.socket) == 0, what="a connection")
            return connection

        def ask(connection, lines, count):
            connection.sendall(lines)
            received = b""
            while received.count(b"\n") < count:
                chunk = connection.recv(65536)
                if not chunk:
                    break
                received += chunk
            return received.decode("ascii").splitlines()

        silent = client()
        talker = client()
        self.assertEqual(ask(talker, b"A" * 5000 + b"\n*IDN?\nFOO?\nSYST:ERR?\nSYST:ERR?\n", 3)[1:],
                         ['-363,"Input buffer overrun"', '-113,"Undefined header"'])
        before = peak_resident_kib(server.pid)

        # A flood of noise that never reads: the server reads on, answers what it can, and
        # disconnects it if its answers pile up.
        flood = client()
        noise = os.urandom(1 << 20)
        try:
            for _ in range(16):
                flood.sendall(noise)
        except (BrokenPipeError, ConnectionResetError, socket.timeout):
            pass
        flood.close()
        # One that asks and never reads its answers.
        greedy = client()
        try:
            for _ in range(200):
                greedy.sendall(b"*IDN?\n" * 10000)
        except (BrokenPipeError, ConnectionResetError, socket.timeout):
            pass
        greedy.close()

        # 150 at once: each is answered or disconnected.
        crowd = [client() for _ in range(150)]
        outcomes = []
        for connection in crowd:
            try:
                outcomes.append(ask(connection, b"ROUT:CLOS?\n", 1))
            except (BrokenPipeError, ConnectionResetError):
                outcomes.append([])
        self.assertGreaterEqual(outcomes.count(["1"]), 100)
        self.assertEqual(outcomes.count(["1"]) + outcomes.count([]), 150)
        for connection in crowd:
            connection.close()

        self.assertEqual(ask(talker, b"SYST:ERR?\n*OPC?\n", 2), ['0,"No error"', "1"])
        self.assertEqual(ask(silent, b"ROUT:CLOS?\n", 1), ["1"])
        # At its peak, far less than the answers that the greedy client left unread.
        self.assertLess(peak_resident_kib(server.pid) - before, 32 * 1024)
        self.assertEqual(rig.stop(), 0)
        silent.close()
        talker.close()


if __name__ == "__main__":
    unittest.main(verbosity=2)
