"""The test bench of the simulated board (velkio_sim.h), for a Library loaded
with backend "sim".

The bench records every port access and interrupt change the library makes,
scripts the values port reads return, and configures the simulated board:
its signal sources, timing, loopbacks and faults. velkio_sim.h describes the
board; the methods here keep its function names without the velk_sim_
prefix, raise ValueError where the C function refuses a setting, and take and
return Python values (Signal, Counter, Event, the Op, Wave and Fault enums).
"""

import ctypes
import dataclasses
import enum
import typing

import numpy as np

from ._capi import input_array, integer, u16, u32


class Op(enum.IntEnum):
    """The kinds of bus operation (velk_sim_op)."""

    READ8 = 1
    READ16 = 2
    WRITE8 = 3
    WRITE16 = 4
    IRQ_OFF = 5
    IRQ_ON = 6


class Wave(enum.IntEnum):
    """Signal shapes (velk_sim_wave). WAVEFORM is only ever reported."""

    DC = 0
    SINE = 1
    SQUARE = 2
    TRIANGLE = 3
    SAWTOOTH = 4
    WAVEFORM = 5


class Fault(enum.IntFlag):
    """Faults of the simulated board (velk_sim_fault), combined with |."""

    NONE = 0
    NEVER_READY = 1
    ABSENT = 2


class Event(typing.NamedTuple):
    """One recorded bus operation; compares equal to an (op, port, value) tuple."""

    op: Op
    port: int
    value: int


@dataclasses.dataclass
class Signal:
    """One channel's signal source (velk_sim_signal); volts, hertz, degrees."""

    wave: Wave = Wave.DC
    amplitude_v: float = 0.0
    frequency_hz: float = 0.0
    offset_v: float = 0.0
    phase_deg: float = 0.0
    noise_v: float = 0.0


@dataclasses.dataclass
class Counter:
    """The state of one counter of the counter/timer (velk_sim_counter)."""

    mode: int
    count: int
    running: bool
    output_hz: float


class _Event(ctypes.Structure):
    _fields_ = [("op", ctypes.c_uint16), ("port", ctypes.c_uint16), ("value", ctypes.c_uint16)]


class _Signal(ctypes.Structure):
    _fields_ = [
        ("wave", ctypes.c_int32),
        ("amplitude_v", ctypes.c_double),
        ("frequency_hz", ctypes.c_double),
        ("offset_v", ctypes.c_double),
        ("phase_deg", ctypes.c_double),
        ("noise_v", ctypes.c_double),
    ]


class _Counter(ctypes.Structure):
    _fields_ = [
        ("mode", ctypes.c_uint16),
        ("count", ctypes.c_uint32),
        ("running", ctypes.c_int32),
        ("output_hz", ctypes.c_double),
    ]


_c = ctypes
_FUNCTIONS = {
    "velk_sim_reset": (None, []),
    "velk_sim_script": (None, [_c.c_uint16, _c.POINTER(_c.c_uint16), _c.c_size_t]),
    "velk_sim_script_default": (None, [_c.c_uint16, _c.c_uint16]),
    "velk_sim_trace_enable": (None, [_c.c_int]),
    "velk_sim_trace_count": (_c.c_size_t, []),
    "velk_sim_trace": (_c.c_size_t, [_c.POINTER(_Event), _c.c_size_t, _c.c_size_t]),
    "velk_sim_trace_clear": (None, []),
    "velk_sim_count": (_c.c_uint64, [_c.c_int, _c.c_uint16]),
    "velk_sim_interrupts_enabled": (_c.c_int, []),
    "velk_sim_set_interrupts": (None, [_c.c_int]),
    "velk_sim_set_signal": (_c.c_int, [_c.c_uint16, _c.POINTER(_Signal)]),
    "velk_sim_get_signal": (_c.c_int, [_c.c_uint16, _c.POINTER(_Signal)]),
    "velk_sim_set_waveform": (_c.c_int, [_c.c_uint16, _c.POINTER(_c.c_double), _c.c_size_t, _c.c_double]),
    "velk_sim_set_seed": (None, [_c.c_uint64]),
    "velk_sim_set_bus_cycle_ns": (_c.c_int, [_c.c_uint32]),
    "velk_sim_set_conversion_ns": (None, [_c.c_uint32]),
    "velk_sim_set_clock_hz": (_c.c_int, [_c.c_uint32]),
    "velk_sim_loop_analog": (_c.c_int, [_c.c_int]),
    "velk_sim_loop_digital": (None, [_c.c_int]),
    "velk_sim_set_digital_input": (None, [_c.c_uint8]),
    "velk_sim_set_faults": (_c.c_int, [_c.c_uint]),
    "velk_sim_time_ns": (_c.c_uint64, []),
    "velk_sim_control_register": (_c.c_uint8, []),
    "velk_sim_da_word": (_c.c_uint16, []),
    "velk_sim_da_volts": (_c.c_double, []),
    "velk_sim_digital_output": (_c.c_uint8, []),
    "velk_sim_get_counter": (_c.c_int, [_c.c_uint16, _c.POINTER(_Counter)]),
    "velk_sim_conversions": (_c.c_uint64, []),
    "velk_sim_overruns": (_c.c_uint64, []),
}


def _refused(result, what):
    if result != 0:
        raise ValueError(f"the simulated board refused {what}")


class Bench:
    """The test bench of a simulated velkio Library (library.bench)."""

    def __init__(self, library):
        if not library.simulated:
            raise TypeError(f"{library.path} has no test bench: load the library with backend 'sim'")
        self._lib = library._cdll
        for name, (restype, argtypes) in _FUNCTIONS.items():
            function = getattr(self._lib, name)
            function.restype = restype
            function.argtypes = argtypes

    # Trace, counts and scripts.

    def reset(self):
        """Power-on board, load-time library state, nothing scripted or recorded."""
        self._lib.velk_sim_reset()

    def script(self, port, values):
        """Queues values to be returned, in order, by the next reads of port."""
        words = input_array(values, np.uint16, "values")
        self._lib.velk_sim_script(
            u16(port, "port"), words.ctypes.data_as(ctypes.POINTER(ctypes.c_uint16)), words.size)

    def script_default(self, port, value):
        """The value reads of port return once its script is used up."""
        self._lib.velk_sim_script_default(u16(port, "port"), u16(value, "value"))

    def trace_enable(self, on):
        self._lib.velk_sim_trace_enable(1 if on else 0)

    def trace_count(self):
        return self._lib.velk_sim_trace_count()

    def trace(self, first=0, max=None):
        """The recorded events from first on (at most max of them), as Events."""
        first = integer(first, "first", 0, 2**64 - 1)
        total = self.trace_count()
        wanted = total - first if first < total else 0
        if max is not None:
            wanted = min(wanted, integer(max, "max", 0, 2**64 - 1))
        events = (_Event * wanted)()
        copied = self._lib.velk_sim_trace(events, first, wanted)
        return [Event(Op(e.op), e.port, e.value) for e in events[:copied]]

    def trace_clear(self):
        self._lib.velk_sim_trace_clear()

    def count(self, op, port=0):
        """How many operations op were made on port (0 for the interrupt operations)."""
        return self._lib.velk_sim_count(Op(op), u16(port, "port"))

    def interrupts_enabled(self):
        return self._lib.velk_sim_interrupts_enabled() != 0

    def set_interrupts(self, enabled):
        self._lib.velk_sim_set_interrupts(1 if enabled else 0)

    # Signals.

    def set_signal(self, channel, signal):
        """Feeds channel (0-15) with signal (a Signal)."""
        raw = _Signal(int(Wave(signal.wave)), signal.amplitude_v, signal.frequency_hz,
                      signal.offset_v, signal.phase_deg, signal.noise_v)
        _refused(self._lib.velk_sim_set_signal(u16(channel, "channel"), ctypes.byref(raw)),
                 f"signal {signal} on channel {channel}")

    def get_signal(self, channel):
        raw = _Signal()
        _refused(self._lib.velk_sim_get_signal(u16(channel, "channel"), ctypes.byref(raw)),
                 f"channel {channel}")
        return Signal(Wave(raw.wave), raw.amplitude_v, raw.frequency_hz, raw.offset_v,
                      raw.phase_deg, raw.noise_v)

    def set_waveform(self, channel, volts, sample_rate_hz):
        """Plays the recorded volts on channel in a loop, sample_rate_hz values a second."""
        recording = np.ascontiguousarray(volts, dtype=np.float64)
        if recording.ndim != 1:
            raise ValueError("volts must be one-dimensional")
        _refused(self._lib.velk_sim_set_waveform(
            u16(channel, "channel"), recording.ctypes.data_as(ctypes.POINTER(ctypes.c_double)),
            recording.size, float(sample_rate_hz)), f"the waveform on channel {channel}")

    def set_seed(self, seed):
        self._lib.velk_sim_set_seed(integer(seed, "seed", 0, 2**64 - 1))

    # Timing.

    def set_bus_cycle_ns(self, ns):
        _refused(self._lib.velk_sim_set_bus_cycle_ns(u32(ns, "ns")), f"a bus cycle of {ns} ns")

    def set_conversion_ns(self, ns):
        self._lib.velk_sim_set_conversion_ns(u32(ns, "ns"))

    def set_clock_hz(self, hz):
        _refused(self._lib.velk_sim_set_clock_hz(u32(hz, "hz")), f"a clock of {hz} Hz")

    # Loopbacks, digital input, faults.

    def loop_analog(self, channel):
        """Wires the analog output into channel (0-15), or removes the wire for None."""
        wire = -1 if channel is None else integer(channel, "channel", -(2**31), 2**31 - 1)
        _refused(self._lib.velk_sim_loop_analog(wire), f"a loopback into channel {channel}")

    def loop_digital(self, on):
        self._lib.velk_sim_loop_digital(1 if on else 0)

    def set_digital_input(self, pattern):
        self._lib.velk_sim_set_digital_input(integer(pattern, "pattern", 0, 0xFF))

    def set_faults(self, faults):
        _refused(self._lib.velk_sim_set_faults(integer(faults, "faults", 0, 2**32 - 1)),
                 f"faults {faults}")

    # State.

    def time_ns(self):
        return self._lib.velk_sim_time_ns()

    def control_register(self):
        return self._lib.velk_sim_control_register()

    def da_word(self):
        return self._lib.velk_sim_da_word()

    def da_volts(self):
        return self._lib.velk_sim_da_volts()

    def digital_output(self):
        return self._lib.velk_sim_digital_output()

    def get_counter(self, counter):
        raw = _Counter()
        _refused(self._lib.velk_sim_get_counter(u16(counter, "counter"), ctypes.byref(raw)),
                 f"counter {counter}")
        return Counter(raw.mode, raw.count, raw.running != 0, raw.output_hz)

    def conversions(self):
        return self._lib.velk_sim_conversions()

    def overruns(self):
        return self._lib.velk_sim_overruns()
