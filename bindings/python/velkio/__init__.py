"""velkio: the Velk analog and digital I/O board from Python.

A thin layer over the C library (velkio.h) through ctypes, with NumPy arrays
for sample blocks::

    import velkio
    board = velkio.load("sim")                      # or "hw" for the board itself
    block = board.ADChanMultiVelk(1000, 3, 500)     # 1000 samples of channel 3

load() picks the library; Library has the twenty functions under their C
names; a time-out raises velkio.TimeoutError, which carries the samples
stored before it; velkio.bench configures the simulated board.
"""

from ._capi import TIMEOUT_STATUS
from ._library import Library, TimeoutError, load
from ._version import __version__

__all__ = ["TIMEOUT_STATUS", "Library", "TimeoutError", "load", "__version__"]
