"""ctypes declarations of the C functions, and the checks that keep a wrong
argument from reaching them.

ctypes converts a Python int to a C integer by wrapping it silently, and
passes any pointer it is given; so every argument is checked here first.
"""

import ctypes
import operator

import numpy as np

TIMEOUT_STATUS = 0x7FFF

_i16 = ctypes.c_int16
_u16 = ctypes.c_uint16
_u32 = ctypes.c_uint32
_i16_ptr = ctypes.POINTER(ctypes.c_int16)
_u16_ptr = ctypes.POINTER(ctypes.c_uint16)

# velkio.h: name -> (result, arguments).
FUNCTIONS = {
    "SetBaseAddressVelk": (None, [_u16]),
    "TestVelk": (_u16, []),
    "InitVelk": (_u16, []),
    "IRQVelk": (None, [_u16]),
    "SetADGainVelk": (None, [_u16]),
    "SetTimerVelk": (None, [_u16, _u16, _u16]),
    "StopTimerVelk": (None, [_u16]),
    "ADWaitReadVelk": (_i16, [_u32]),
    "SetADChanVelk": (None, [_u16]),
    "ADVelk": (_i16, []),
    "ADChanVelk": (_i16, [_u16]),
    "ADChansVelk": (_u16, [_i16_ptr, _u16_ptr, _u16]),
    "ADChanMultiVelk": (_u16, [_i16_ptr, _u32, _u16, _u16]),
    "ADChansMultiVelk": (_u16, [_i16_ptr, _u32, _u16_ptr, _u16, _u16]),
    "DigInVelk": (_u16, []),
    "DigOutVelk": (_u16, [_u16]),
    "DAVelk": (None, [_i16]),
    "DAMultiVelk": (None, [_i16_ptr, _u32]),
    "ADChanMultiSyncVelk": (_u16, [_i16_ptr, _u32, _u16, _u16, _u16, _i16]),
    "ADChanMultiFastVelk": (None, [_i16_ptr, _u32, _u16]),
}


def declare(cdll, functions):
    """Sets the result and argument types of every function in functions."""
    for name, (restype, argtypes) in functions.items():
        function = getattr(cdll, name)
        function.restype = restype
        function.argtypes = argtypes


def integer(value, name, low, high):
    """value as an int in low..high, else TypeError or ValueError."""
    try:
        number = operator.index(value)
    except TypeError:
        raise TypeError(f"{name} must be an integer, not {type(value).__name__}") from None
    if not low <= number <= high:
        raise ValueError(f"{name} must be in {low}..{high}, not {number}")
    return number


def u16(value, name):
    return integer(value, name, 0, 0xFFFF)


def i16(value, name):
    return integer(value, name, -0x8000, 0x7FFF)


def u32(value, name):
    return integer(value, name, 0, 0xFFFFFFFF)


def output_array(out, size, name="out"):
    """The buffer a block writes: a new int16 array, or out once it is known to
    be one the C function can write size samples into."""
    if out is None:
        return np.empty(size, dtype=np.int16)
    if not isinstance(out, np.ndarray):
        raise TypeError(f"{name} must be a numpy.ndarray, not {type(out).__name__}")
    if out.dtype != np.int16:
        raise TypeError(f"{name} must have dtype int16 (native byte order), not {out.dtype}")
    if not out.flags.c_contiguous or not out.flags.aligned:
        raise ValueError(f"{name} must be C-contiguous and aligned")
    if not out.flags.writeable:
        raise ValueError(f"{name} must be writeable")
    if out.size != size:
        raise ValueError(f"{name} must hold {size} samples, not {out.size}")
    return out


def input_array(values, dtype, name):
    """values (any sequence or array of integers) as a C-contiguous array of
    dtype, without wrapping a value that does not fit."""
    array = np.asarray(values)
    if array.ndim != 1:
        raise ValueError(f"{name} must be one-dimensional, not of shape {array.shape}")
    if array.size == 0:
        return np.zeros(0, dtype=dtype)
    if array.dtype.kind not in "iub":
        raise TypeError(f"{name} must hold integers, not {array.dtype}")
    limits = np.iinfo(dtype)
    if array.min() < limits.min or array.max() > limits.max:
        raise ValueError(f"{name} must lie in {limits.min}..{limits.max}")
    return np.ascontiguousarray(array, dtype=dtype)


def pointer(array, pointer_type):
    return array.ctypes.data_as(pointer_type)


def samples_pointer(array):
    return pointer(array, _i16_ptr)


def channels_pointer(array):
    return pointer(array, _u16_ptr)
