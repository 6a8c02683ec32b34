#!/usr/bin/env python3
"""Runs the built velkio tool and checks its output and exit status.

Usage: test_velkio_tool.py TOOL [TestClass ...]

The simulated board is deterministic (its time is a count of bus cycles), so
every run with the same arguments gives the same samples. Its default signals
are the reference: channels 8-15 hold DC -3.5, -2.5, ..., +3.5 V, channel 0 a
4 V 50 Hz sine, and the digital input reads 0xA5.
"""
import csv
import ctypes
import errno
import io
import json
import math
import os
import struct
import subprocess
import sys
import tempfile
import unittest

TOOL = None
DC_VOLTS = {8 + i: -3.5 + i for i in range(8)}
BRAILLE = range(0x2800, 0x2900)


def run(*args, env=None):
    full_env = dict(os.environ)
    full_env.update(env or {})
    return subprocess.run([TOOL, *args], capture_output=True, env=full_env, timeout=120)


def ok(test, *args, env=None):
    """Runs the tool, expects success and nothing on standard error."""
    result = run(*args, env=env)
    test.assertEqual(result.returncode, 0, result.stderr.decode())
    test.assertEqual(result.stderr, b"")
    return result.stdout.decode()


def rows(text):
    return list(csv.DictReader(io.StringIO(text)))


def code_of(volts, gain):
    return max(-2048, min(2047, round(volts / (10.0 / 2 ** gain) * 2048)))


class Info(unittest.TestCase):
    def test_initialised_board_is_idle(self):
        (row,) = rows(ok(self, "info"))
        self.assertEqual(row["board"], "sim")
        self.assertTrue(row["library"].endswith("libvelkio-sim.so.1"), row["library"])
        self.assertEqual((row["base"], row["ports"]), ("0x300", "0x300-0x30f"))
        self.assertEqual((row["init"], row["gain"], row["ready_bit"]), ("0", "1", "0"))

    def test_absent_board_reads_ready(self):
        # An empty bus reads all ones, so the ready bit is set.
        (row,) = rows(ok(self, "--sim-fault", "absent", "info"))
        self.assertEqual(row["ready_bit"], "1")
        self.assertIn("no board answers", row["meaning"])

    def test_base_and_gain(self):
        (row,) = rows(ok(self, "info", "--base", "0x280", "--gain", "3", "--no-init"))
        self.assertEqual((row["base"], row["ports"]), ("0x280", "0x280-0x28f"))
        self.assertEqual((row["init"], row["gain"]), ("skipped", "3"))
        self.assertAlmostEqual(float(row["range_volts"]), 1.25)


class Samples(unittest.TestCase):
    def test_read_dc_channels_at_each_gain(self):
        for gain in range(4):
            for channel, volts in DC_VOLTS.items():
                with self.subTest(gain=gain, channel=channel):
                    (row,) = rows(ok(self, "read", "-c", str(channel), "--gain", str(gain)))
                    self.assertEqual(int(row["channel"]), channel)
                    self.assertEqual(int(row["code"]), code_of(volts, gain))
                    step = 10.0 / 2 ** gain / 2048
                    self.assertAlmostEqual(float(row["volts"]), int(row["code"]) * step, places=5)
                    self.assertEqual(row["time_s"], "")

    def test_read_methods(self):
        for method in ([], ["--select"], ["--wait", "--rate", "2000"]):
            with self.subTest(method=method):
                samples = rows(ok(self, "read", "-c", "12", "-n", "4", *method, "--format", "csv"))
                self.assertEqual([int(r["index"]) for r in samples], [0, 1, 2, 3])
                self.assertEqual({int(r["code"]) for r in samples}, {code_of(0.5, 1)})

    def test_read_wait_times_come_from_the_pacer(self):
        samples = rows(ok(self, "read", "--wait", "--divisor", "1000", "-n", "3"))
        self.assertEqual([float(r["time_s"]) for r in samples], [0, 0.0004, 0.0008])

    def test_scan_lists_channels_in_order(self):
        samples = rows(ok(self, "scan"))
        self.assertEqual([int(r["channel"]) for r in samples], list(range(16)))
        for r in samples[8:]:
            self.assertEqual(int(r["code"]), code_of(DC_VOLTS[int(r["channel"])], 1))
        samples = rows(ok(self, "scan", "-c", "15,9-10,15"))
        self.assertEqual([int(r["channel"]) for r in samples], [15, 9, 10, 15])
        self.assertEqual(int(samples[0]["code"]), code_of(3.5, 1))

    def test_acquire_one_channel_is_paced(self):
        # 400 samples at 10 kHz: two periods of the 4 V, 50 Hz sine on channel 0.
        samples = rows(ok(self, "acquire", "-c", "0", "-n", "400", "--rate", "10000"))
        self.assertEqual(len(samples), 400)
        for i in (0, 1, 399):
            self.assertAlmostEqual(float(samples[i]["time_s"]), i * 1e-4, places=9)
        volts = [float(r["volts"]) for r in samples]
        self.assertAlmostEqual(max(volts), 4.0, delta=0.01)
        self.assertAlmostEqual(min(volts), -4.0, delta=0.01)
        # Two periods: the sine rises through 0 V twice.
        rising = sum(1 for a, b in zip(volts, volts[1:]) if a < 0 <= b)
        self.assertEqual(rising, 2)

    def test_acquire_scans_of_a_list(self):
        samples = rows(ok(self, "acquire", "-c", "8,15,2", "-n", "3", "--divisor", "500"))
        self.assertEqual([int(r["channel"]) for r in samples], [8, 15, 2] * 3)
        self.assertEqual([float(r["time_s"]) for r in samples],
                         [0.0] * 3 + [0.0002] * 3 + [0.0004] * 3)
        self.assertEqual({int(r["code"]) for r in samples[::3]}, {code_of(-3.5, 1)})

    def test_rate_and_clock_give_the_divisor(self):
        result = json.loads(ok(self, "acquire", "-n", "2", "--clock", "4000000", "--rate",
                               "1000", "--format", "json"))
        self.assertEqual(result["divisor"], 1000)
        self.assertEqual(result["rate_hz"], 1000)
        self.assertEqual([r["time_s"] for r in result["rows"]], [0, 0.001])

    def test_trigger_starts_past_the_level(self):
        cases = [
            (["--level", "500"], 500, True),
            (["--level", "500", "--falling"], 500, False),
            (["--level-volts", "-2"], code_of(-2, 1), True),
            (["--level-volts", "-2", "--gain", "0"], code_of(-2, 0), True),
        ]
        for args, level, rising in cases:
            with self.subTest(args=args):
                result = json.loads(ok(self, "trigger", "-c", "0", "-n", "20", *args,
                                       "--format", "json"))
                self.assertEqual(result["level_code"], level)
                codes = [r["code"] for r in result["rows"]]
                self.assertEqual(len(codes), 20)
                self.assertEqual(result["rows"][0]["time_s"], 0)
                if rising:
                    self.assertGreater(codes[0], level)
                    self.assertLess(codes[0], level + 100)  # it just crossed
                    self.assertGreater(codes[1], codes[0])
                else:
                    self.assertLess(codes[0], level)
                    self.assertGreater(codes[0], level - 100)
                    self.assertLess(codes[1], codes[0])

    def test_burst_reads_the_data_register(self):
        samples = rows(ok(self, "burst", "-c", "3", "-n", "5"))
        self.assertEqual(len(samples), 5)
        self.assertEqual({(r["channel"], r["time_s"]) for r in samples}, {("3", "")})


class Outputs(unittest.TestCase):
    def test_single_values(self):
        cases = [(["1024"], 1024, 5.0), (["--volts", "-2.5"], -512, -2.5),
                 (["-2048"], -2048, -10.0), (["0x7ff"], 2047, 9.995117)]
        for args, code, volts in cases:
            with self.subTest(args=args):
                (row,) = rows(ok(self, "ao", *args))
                self.assertEqual(int(row["code"]), code)
                self.assertAlmostEqual(float(row["volts"]), volts, places=5)

    def test_readback_through_the_loopback(self):
        for code in (-2048, -700, 0, 1229, 2047):
            with self.subTest(code=code):
                (row,) = rows(ok(self, "ao", str(code), "--readback", "4"))
                self.assertEqual(int(row["readback_channel"]), 4)
                self.assertEqual(int(row["readback_code"]), code)  # gain code 0
        # At gain code 2 (+-2.5 V) output code 205 (1.000977 V) reads as 820.
        (row,) = rows(ok(self, "ao", "--volts", "1", "--readback", "4", "--gain", "2"))
        self.assertEqual((int(row["code"]), int(row["readback_code"])), (205, 820))

    def test_waveform_block(self):
        samples = rows(ok(self, "ao", "--wave", "sine", "--amplitude", "4", "--offset", "1",
                          "--points", "8", "--cycles", "2"))
        expected = [code_of(1 + 4 * math.sin(2 * math.pi * 2 * i / 8), 0) for i in range(8)]
        self.assertEqual([int(r["code"]) for r in samples], expected)
        square = rows(ok(self, "ao", "--wave", "square", "--points", "4", "--amplitude", "2"))
        self.assertEqual([int(r["code"]) for r in square], [code_of(v, 0) for v in (2, 2, -2, -2)])

    def test_block_from_files(self):
        with tempfile.TemporaryDirectory() as tmp:
            text = os.path.join(tmp, "codes.txt")
            with open(text, "w") as f:
                f.write("# a ramp\n-100\n\n0x10 \n2047\n")
            self.assertEqual([int(r["code"]) for r in rows(ok(self, "ao", "--file", text))],
                             [-100, 16, 2047])
            raw = os.path.join(tmp, "block.raw")
            ok(self, "acquire", "-n", "50", "--format", "raw", "-o", raw)
            with open(raw, "rb") as f:
                captured = list(struct.unpack("<50h", f.read()))
            self.assertEqual([int(r["code"]) for r in rows(ok(self, "ao", "--file", raw))],
                             captured)

    def test_digital_port(self):
        (row,) = rows(ok(self, "dio"))
        self.assertEqual((row["direction"], row["value"], row["hex"], row["bits"]),
                         ("in", "165", "0xa5", "10100101"))
        out, back = rows(ok(self, "dio", "--write", "0x5a", "--read", "--loopback"))
        self.assertEqual((out["direction"], out["value"], out["bits"]), ("out", "90", "01011010"))
        self.assertEqual((back["direction"], back["value"]), ("in", "90"))
        out, back = rows(ok(self, "dio", "-w", "7", "-r"))
        self.assertEqual(back["value"], "165")  # no loopback: the input pattern

    def test_timer(self):
        (row,) = rows(ok(self, "timer", "2", "--rate", "1000"))
        self.assertEqual((row["counter"], row["action"], row["mode"], row["count"]),
                         ("2", "set", "3", "10000"))
        self.assertEqual((float(row["rate_hz"]), row["running"]), (1000, "1"))
        self.assertEqual(float(row["output_hz"]), 1000)
        (row,) = rows(ok(self, "timer", "0", "--mode", "2", "--count", "65536", "--clock", "65536"))
        self.assertEqual((row["count"], float(row["output_hz"])), ("65536", 1))
        (row,) = rows(ok(self, "timer", "2", "--mode", "0", "--count", "100"))
        self.assertEqual((row["rate_hz"], row["running"]), ("", "1"))  # one shot, no rate
        (row,) = rows(ok(self, "timer", "2", "--stop"))
        self.assertEqual((row["action"], row["mode"], row["running"]), ("stop", "", "0"))


class Formats(unittest.TestCase):
    def test_csv_header(self):
        text = ok(self, "acquire", "-n", "2")
        self.assertEqual(text.splitlines()[0], "index,time_s,channel,code,volts")
        self.assertEqual(len(text.splitlines()), 3)

    def test_json_shape(self):
        result = json.loads(ok(self, "read", "-c", "9", "-n", "2", "--gain", "0",
                               "--format", "json"))
        for key, value in [("command", "read"), ("board", "sim"), ("base", "0x300"),
                           ("gain", 0), ("range_volts", 10), ("method", "ADChanVelk")]:
            self.assertEqual(result[key], value, key)
        self.assertEqual(result["columns"], ["index", "time_s", "channel", "code", "volts"])
        self.assertEqual(len(result["rows"]), 2)
        for i, row in enumerate(result["rows"]):
            self.assertEqual(list(row), result["columns"])
            self.assertEqual((row["index"], row["time_s"], row["channel"]), (i, None, 9))
            self.assertEqual(row["code"], code_of(-2.5, 0))

    def test_json_of_every_table(self):
        for args in (["info"], ["dio"], ["timer", "2", "--count", "5"], ["ao", "1"],
                     ["scan", "-c", "3"], ["trigger", "-n", "2"], ["burst", "-n", "2"]):
            with self.subTest(args=args):
                result = json.loads(ok(self, *args, "--format", "json"))
                self.assertEqual(result["command"], args[0])
                self.assertGreaterEqual(len(result["rows"]), 1)
                for row in result["rows"]:
                    self.assertEqual(list(row), result["columns"])

    def test_raw_is_the_codes(self):
        # The simulated board gives the same samples to the same calls.
        args = ["acquire", "-c", "0,1", "-n", "30", "--divisor", "100"]
        codes = [int(r["code"]) for r in rows(ok(self, *args))]
        raw = run(*args, "--format", "raw")
        self.assertEqual(raw.returncode, 0)
        self.assertEqual(list(struct.unpack("<60h", raw.stdout)), codes)


class UsageErrors(unittest.TestCase):
    CASES = [
        ([], "subcommand is required"),
        (["bogus"], "unknown subcommand 'bogus'"),
        (["read", "--bogus"], "--bogus"),
        (["--bogus", "read"], "--bogus"),
        (["read", "-c", "16"], "--channel: 16 is out of range (0 to 15)"),
        (["read", "-c", "-1"], "--channel"),
        (["scan", "-c", "0,17"], "channel 17"),
        (["scan", "-c", "5-2"], "runs backwards"),
        (["read", "--gain", "4"], "--gain: 4 is out of range (0 to 3)"),
        (["--gain", "x", "read"], "--gain: 'x' is not a whole number"),
        (["read", "-n", "0"], "--count: 0 is out of range"),
        (["acquire", "-n", "12x"], "--count: '12x' is not a whole number"),
        (["acquire", "--rate", "fast"], "--rate: 'fast' is not a number"),
        (["acquire", "--rate", "1e9"], "out of the pacer's reach"),
        (["acquire", "--divisor", "0"], "--divisor"),
        (["acquire", "--divisor", "5", "--rate", "5"], "excludes"),
        (["acquire", "-c", "0,1", "-n", "6000000"], "exceed"),
        (["acquire", "--clock", "0"], "--clock: 0 is out of range"),
        (["--base", "0xfff1", "info"], "--base: 0xfff1 is out of range (0x0 to 0xfff0)"),
        (["--board", "pci", "info"], "--board"),
        (["--format", "xml", "read"], "--format"),
        (["trigger", "--level", "3000"], "--level"),
        (["trigger", "--level-volts", "9"], "outside the input range"),
        (["read", "--budget", "5"], "--budget requires --wait"),
        (["ao"], "exactly one of"),
        (["ao", "5", "--volts", "1"], "exactly one of"),
        (["ao", "3000"], "CODE"),
        (["ao", "--volts", "10"], "outside the analog output"),
        (["ao", "--wave", "sine", "--amplitude", "11"], "outside the analog output"),
        (["ao", "--wave", "sine", "--readback", "1"], "--readback applies to one value"),
        (["ao", "--file", "/nonexistent/codes.txt"], "cannot be read"),
        (["dio", "--write", "256"], "--write"),
        (["dio", "--board", "hw", "--loopback"], "--loopback needs --board sim"),
        (["timer", "3", "--count", "1"], "COUNTER: 3 is out of range"),
        (["timer", "2"], "--count, --rate or --stop"),
        (["timer", "1", "--rate", "100"], "counter 1 counts the pulses"),
        (["timer", "2", "--count", "0"], "--count: 0 is out of range"),
        (["info", "--plot"], "no samples to draw"),
        (["dio", "--format", "raw"], "no samples to write"),
        (["demo", "--board", "hw"], "simulated board only"),
        (["demo", "--format", "json"], "do not apply"),
        (["--board", "hw", "--sim-fault", "absent", "info"], "simulated board only"),
    ]

    def test_each_gets_a_message_and_status_2(self):
        for args, message in self.CASES:
            with self.subTest(args=args):
                result = run(*args)
                self.assertEqual(result.returncode, 2, result.stderr.decode())
                self.assertEqual(result.stdout, b"")
                stderr = result.stderr.decode()
                self.assertIn(message, stderr)
                self.assertTrue(stderr.startswith("velkio: "), stderr)
                self.assertIn("--help", stderr)

    def test_help_is_complete(self):
        top = ok(self, "--help")
        for sub in ("info", "read", "scan", "acquire", "trigger", "burst", "ao", "dio",
                    "timer", "demo"):
            with self.subTest(sub=sub):
                self.assertIn("\n  " + sub + " ", top)
                text = ok(self, sub, "--help")
                self.assertIn("Usage: velkio " + sub, text)
                self.assertIn("Options of every subcommand", text)
        for option in ("--board", "--base", "--gain", "--clock", "--format", "--output",
                       "--plot", "VELKIO_LIBDIR", "10000000"):
            self.assertIn(option, top)
        self.assertIn("1.0", ok(self, "--version"))


class TimeOuts(unittest.TestCase):
    CASES = [
        (["acquire", "--divisor", "5", "-n", "3"], "acquire timed out"),
        (["acquire", "-c", "0-15", "--divisor", "100", "-n", "3"], "acquire timed out"),
        (["--sim-fault", "never-ready", "read"], "read timed out: ADChanVelk"),
        (["--sim-fault", "never-ready", "read", "--select"], "read timed out: ADVelk"),
        (["read", "--wait", "--budget", "100"], "read timed out: ADWaitReadVelk"),
        (["--sim-fault", "never-ready", "scan"], "scan timed out"),
        (["trigger", "-c", "12", "--divisor", "10"], "no rising crossing"),
        (["--sim-fault", "never-ready", "ao", "1", "--readback", "2"], "ao --readback timed out"),
        (["--sim-fault", "never-ready", "demo"], "demo: ADChanVelk timed out"),
    ]

    def test_each_names_the_operation_with_status_1(self):
        for args, message in self.CASES:
            with self.subTest(args=args):
                result = run(*args)
                self.assertEqual(result.returncode, 1, result.stderr.decode())
                if "demo" not in args:  # the demo has printed its first steps
                    self.assertEqual(result.stdout, b"")
                lines = result.stderr.decode().splitlines()
                self.assertEqual(len(lines), 1, lines)
                self.assertIn(message, lines[0])


def ports_refused():
    """Whether this machine refuses the board's ports, as the tests expect."""
    libc = ctypes.CDLL(None, use_errno=True)
    if libc.ioperm(0x300, 16, 1) != 0:
        return True
    libc.ioperm(0x300, 16, 0)
    return False


@unittest.skipUnless(ports_refused(), "this machine grants port access; the board is not touched")
class HardwareRefused(unittest.TestCase):
    def test_refusal_names_cause_and_remedy(self):
        for args in (["info"], ["read", "-c", "3"], ["dio", "-w", "1"], ["ao", "5"],
                     ["timer", "2", "--stop"], ["acquire", "--base", "0x280"]):
            with self.subTest(args=args):
                result = run("--board", "hw", *args)
                self.assertEqual(result.returncode, 1)
                self.assertEqual(result.stdout, b"")
                lines = result.stderr.decode().splitlines()
                self.assertEqual(len(lines), 1, lines)
                self.assertTrue(any(remedy in lines[0] for remedy in
                                    ("CAP_SYS_RAWIO", "lockdown", "port I/O support")), lines)
                base = "0x280" if "0x280" in args else "0x300"
                self.assertIn(base, lines[0])

    def test_refusal_leaves_no_file(self):
        with tempfile.TemporaryDirectory() as tmp:
            result = run("--board", "hw", "acquire", "-o", os.path.join(tmp, "out.csv"))
            self.assertEqual(result.returncode, 1)
            self.assertEqual(os.listdir(tmp), [])


class OutputFile(unittest.TestCase):
    def test_file_holds_what_stdout_would(self):
        args = ["acquire", "-c", "5", "-n", "100"]
        with tempfile.TemporaryDirectory() as tmp:
            path = os.path.join(tmp, "block.csv")
            result = run(*args, "--output", path)
            self.assertEqual((result.returncode, result.stdout, result.stderr), (0, b"", b""))
            with open(path) as f:
                self.assertEqual(f.read(), ok(self, *args))
            self.assertEqual(os.listdir(tmp), ["block.csv"])

    def test_failures_leave_no_file_and_keep_an_old_one(self):
        failures = [["acquire", "--divisor", "5"], ["--sim-fault", "never-ready", "scan"],
                    ["read", "-c", "99"], ["trigger", "-c", "12", "--divisor", "10"]]
        for args in failures:
            with self.subTest(args=args), tempfile.TemporaryDirectory() as tmp:
                fresh = os.path.join(tmp, "fresh.csv")
                self.assertNotEqual(run(*args, "-o", fresh).returncode, 0)
                self.assertEqual(os.listdir(tmp), [])
                old = os.path.join(tmp, "old.csv")
                with open(old, "w") as f:
                    f.write("kept\n")
                self.assertNotEqual(run(*args, "-o", old).returncode, 0)
                self.assertEqual(os.listdir(tmp), ["old.csv"])
                with open(old) as f:
                    self.assertEqual(f.read(), "kept\n")

    def test_unwritable_place_fails_before_the_board(self):
        result = run("acquire", "-o", "/nonexistent-dir/out.csv")
        self.assertEqual(result.returncode, 1)
        self.assertIn("cannot write /nonexistent-dir/out.csv", result.stderr.decode())


class Plot(unittest.TestCase):
    def chart_lines(self, text):
        lines = text.splitlines()
        self.assertTrue(any(ord(c) in BRAILLE for line in lines for c in line), text)
        return lines

    def test_chart_fits_the_width(self):
        for columns in (40, 80, 133):
            with self.subTest(columns=columns):
                text = ok(self, "acquire", "-n", "400", "--rate", "10000", "--plot",
                          env={"COLUMNS": str(columns)})
                lines = self.chart_lines(text)
                self.assertNotIn("index,", text)  # the chart takes the place of the data
                self.assertEqual(max(len(line) for line in lines), columns)
                # Minimum and maximum of the 4 V sine label the axis.
                self.assertTrue(any(line.strip().startswith("3.99") for line in lines), text)
                self.assertTrue(any(line.strip().startswith("-3.99") for line in lines), text)

    def test_chart_with_data_in_a_file(self):
        with tempfile.TemporaryDirectory() as tmp:
            path = os.path.join(tmp, "scan.json")
            text = ok(self, "acquire", "-c", "0,8", "-n", "50", "--plot", "--format", "json",
                      "-o", path, env={"COLUMNS": "60"})
            lines = self.chart_lines(text)
            self.assertIn("channel 0", lines)
            self.assertIn("channel 8", lines)  # one chart per channel of the list
            with open(path) as f:
                self.assertEqual(len(json.load(f)["rows"]), 100)

    def test_every_sample_subcommand_plots(self):
        for args in (["read", "-n", "3"], ["scan"], ["trigger", "-n", "50"], ["burst"],
                     ["ao", "--wave", "triangle"]):
            with self.subTest(args=args):
                self.chart_lines(ok(self, *args, "--plot", env={"COLUMNS": "50"}))


class Demo(unittest.TestCase):
    def test_demo_tours_the_board(self):
        text = ok(self, "demo", env={"COLUMNS": "100"})
        for step in range(1, 8):
            self.assertIn("\n%d/7  " % step, text)
        table = [line.split() for line in text.splitlines()
                 if line.startswith("    ") and line.split()[:1] and line.split()[0].isdigit()
                 and len(line.split()) >= 4 and line.split()[3] == "V"]
        self.assertEqual([int(fields[0]) for fields in table], list(range(16)))
        self.assertEqual(int(table[15][1]), code_of(3.5, 1))
        self.assertIn("starts here", text)
        self.assertIn("reads code 1229", text)
        self.assertIn("the input reads 0x5a", text)
        self.assertIn("counter 2 is running at 1000 Hz", text)
        self.assertIn("Summary: all 7 steps passed", text)
        charts = [line for line in text.splitlines() if any(ord(c) in BRAILLE for c in line)]
        self.assertGreaterEqual(len(charts), 16)  # two charts of 8 rows
        self.assertEqual({len(line) for line in charts}, {100})


class Loader(unittest.TestCase):
    def test_library_directory_from_the_environment(self):
        result = run("info", env={"VELKIO_LIBDIR": "/nonexistent"})
        self.assertEqual(result.returncode, 1)
        self.assertIn("cannot load the library", result.stderr.decode())
        self.assertIn("/nonexistent/libvelkio-sim.so.1", result.stderr.decode())
        (row,) = rows(ok(self, "info", env={"VELKIO_LIBDIR": os.environ["VELKIO_BUILD_LIBDIR"]}))
        self.assertEqual(row["library"],
                         os.path.join(os.environ["VELKIO_BUILD_LIBDIR"], "libvelkio-sim.so.1"))


if __name__ == "__main__":
    TOOL = sys.argv.pop(1)
    unittest.main(verbosity=2)
