"""The loaded library: the twenty functions of velkio.h as methods."""

import builtins
import ctypes
import os

import numpy as np

from . import _capi
from ._capi import TIMEOUT_STATUS, i16, u16, u32
from ._version import SOVERSION

_SONAMES = {"sim": f"libvelkio-sim.so.{SOVERSION}", "hw": f"libvelkio.so.{SOVERSION}"}
_ENVIRONMENT = {"sim": "VELKIO_SIM_LIBRARY", "hw": "VELKIO_LIBRARY"}


class TimeoutError(builtins.TimeoutError):
    """A conversion did not become ready within its budget of status reads.

    samples holds, as a one-dimensional int16 array, the samples the call
    stored before the time-out, in the order it stored them (scan by scan for
    ADChansMultiVelk); it is empty for a single-sample function.
    """

    def __init__(self, function, samples=None):
        self.function = function
        self.samples = np.zeros(0, dtype=np.int16) if samples is None else samples
        super().__init__(f"{function} timed out after {len(self.samples)} samples")


def load(backend, path=None):
    """Loads one of the two libraries and returns it as a Library.

    backend is "sim" for the simulated board (libvelkio-sim) or "hw" for the
    board itself (libvelkio, which needs root or CAP_SYS_RAWIO). The file is
    path if given, else the one the environment variable VELKIO_SIM_LIBRARY
    or VELKIO_LIBRARY names, else the library's SONAME as the dynamic loader
    finds it (LD_LIBRARY_PATH, then the system's directories).

    The library's state is one per process: two Library objects of the same
    file share it.
    """
    if backend not in _SONAMES:
        raise ValueError(f'backend must be "sim" or "hw", not {backend!r}')
    if path is None:
        path = os.environ.get(_ENVIRONMENT[backend]) or _SONAMES[backend]
    path = os.fspath(path)
    try:
        cdll = ctypes.CDLL(path)
    except OSError as error:
        raise OSError(f"cannot load the velkio {backend} library {path}: {error}") from error
    if backend == "sim" and not hasattr(cdll, "velk_sim_reset"):
        raise OSError(f"{path} is not the simulated library: it has no test bench")
    return Library(cdll, path)


class Library:
    """One loaded velkio library, with the functions of velkio.h.

    The methods keep the C names and arguments, with these differences:
     - A block function returns its samples as a new numpy.int16 array, or
       writes them into out= (int16, C-contiguous, aligned, writeable, of
       exactly the block's size; checked before the call) and returns it.
       ADChansMultiVelk returns an array of shape (scans, len(channels)).
     - Channel lists and output values are sequences or arrays of integers.
     - A time-out raises velkio.TimeoutError instead of returning
       TIMEOUT_STATUS. Before a block that can time out, its buffer is filled
       with TIMEOUT_STATUS, a value no working board delivers; the samples
       stored before the time-out are those before the first entry that
       still holds it.
     - An argument that does not fit its C type raises TypeError or
       ValueError, where C would wrap it.
    """

    def __init__(self, cdll, path):
        self._cdll = cdll
        self.path = path
        _capi.declare(cdll, _capi.FUNCTIONS)

    def __repr__(self):
        kind = "simulated" if self.simulated else "hardware"
        return f"<velkio.Library {kind} {self.path}>"

    @property
    def simulated(self):
        """True for the simulated library."""
        return hasattr(self._cdll, "velk_sim_reset")

    @property
    def bench(self):
        """The test bench of the simulated board (velkio.bench.Bench)."""
        from .bench import Bench

        return Bench(self)

    # Board setup.

    def SetBaseAddressVelk(self, base):
        self._cdll.SetBaseAddressVelk(u16(base, "base"))

    def TestVelk(self):
        return self._cdll.TestVelk()

    def InitVelk(self):
        return self._cdll.InitVelk()

    def IRQVelk(self, enable):
        self._cdll.IRQVelk(u16(enable, "enable"))

    def SetADGainVelk(self, gain):
        self._cdll.SetADGainVelk(u16(gain, "gain"))

    def SetADChanVelk(self, channel):
        self._cdll.SetADChanVelk(u16(channel, "channel"))

    # Counter/timer.

    def SetTimerVelk(self, counter, mode, count):
        self._cdll.SetTimerVelk(u16(counter, "counter"), u16(mode, "mode"), u16(count, "count"))

    def StopTimerVelk(self, counter):
        self._cdll.StopTimerVelk(u16(counter, "counter"))

    # Single samples.

    def ADWaitReadVelk(self, budget):
        return self._sample("ADWaitReadVelk", self._cdll.ADWaitReadVelk(u32(budget, "budget")))

    def ADVelk(self):
        return self._sample("ADVelk", self._cdll.ADVelk())

    def ADChanVelk(self, channel):
        return self._sample("ADChanVelk", self._cdll.ADChanVelk(u16(channel, "channel")))

    # Blocks.

    def ADChansVelk(self, channels, *, out=None):
        channel_list = _capi.input_array(channels, np.uint16, "channels")
        count = u16(channel_list.size, "len(channels)")
        buffer = self._timed_buffer(out, count)
        status = self._cdll.ADChansVelk(
            _capi.samples_pointer(buffer), _capi.channels_pointer(channel_list), count)
        return self._block("ADChansVelk", status, buffer)

    def ADChanMultiVelk(self, count, channel, divisor, *, out=None):
        count = u32(count, "count")
        channel = u16(channel, "channel")
        divisor = u16(divisor, "divisor")
        buffer = self._timed_buffer(out, count)
        status = self._cdll.ADChanMultiVelk(_capi.samples_pointer(buffer), count, channel, divisor)
        return self._block("ADChanMultiVelk", status, buffer)

    def ADChansMultiVelk(self, scans, channels, divisor, *, out=None):
        scans = u32(scans, "scans")
        channel_list = _capi.input_array(channels, np.uint16, "channels")
        channel_count = u16(channel_list.size, "len(channels)")
        divisor = u16(divisor, "divisor")
        if out is None:
            buffer = _capi.output_array(None, scans * channel_count).reshape(scans, channel_count)
        else:
            buffer = _capi.output_array(out, scans * channel_count)
        buffer.fill(TIMEOUT_STATUS)
        status = self._cdll.ADChansMultiVelk(
            _capi.samples_pointer(buffer), scans, _capi.channels_pointer(channel_list),
            channel_count, divisor)
        return self._block("ADChansMultiVelk", status, buffer)

    def ADChanMultiSyncVelk(self, count, channel, divisor, rising, level, *, out=None):
        count = u32(count, "count")
        channel = u16(channel, "channel")
        divisor = u16(divisor, "divisor")
        rising = u16(rising, "rising")
        level = i16(level, "level")
        buffer = self._timed_buffer(out, count)
        status = self._cdll.ADChanMultiSyncVelk(
            _capi.samples_pointer(buffer), count, channel, divisor, rising, level)
        return self._block("ADChanMultiSyncVelk", status, buffer)

    def ADChanMultiFastVelk(self, count, channel, *, out=None):
        count = u32(count, "count")
        channel = u16(channel, "channel")
        buffer = _capi.output_array(out, count)
        self._cdll.ADChanMultiFastVelk(_capi.samples_pointer(buffer), count, channel)
        return buffer

    # Analog output and digital port.

    def DAVelk(self, value):
        self._cdll.DAVelk(i16(value, "value"))

    def DAMultiVelk(self, values):
        value_list = _capi.input_array(values, np.int16, "values")
        count = u32(value_list.size, "len(values)")
        self._cdll.DAMultiVelk(_capi.samples_pointer(value_list), count)

    def DigInVelk(self):
        return self._cdll.DigInVelk()

    def DigOutVelk(self, value):
        return self._cdll.DigOutVelk(u16(value, "value"))

    # Helpers.

    @staticmethod
    def _sample(function, sample):
        if sample == TIMEOUT_STATUS:
            raise TimeoutError(function)
        return sample

    @staticmethod
    def _timed_buffer(out, size):
        buffer = _capi.output_array(out, size)
        buffer.fill(TIMEOUT_STATUS)
        return buffer

    @staticmethod
    def _block(function, status, buffer):
        if status == TIMEOUT_STATUS:
            flat = buffer.reshape(-1)
            unreached = np.flatnonzero(flat == TIMEOUT_STATUS)
            stored = unreached[0] if unreached.size else flat.size
            raise TimeoutError(function, flat[:stored].copy())
        return buffer
