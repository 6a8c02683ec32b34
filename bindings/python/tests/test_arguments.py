"""No argument that C would misread reaches the library: every check below
fails before the call, which the bench sees as no port access at all."""

import numpy as np
import pytest

import velkio


def misaligned_int16(size):
    raw = np.zeros(2 * size + 1, dtype=np.uint8)
    array = raw[1:].view(np.int16)
    assert not array.flags.aligned
    return array


def read_only(size):
    array = np.zeros(size, dtype=np.int16)
    array.flags.writeable = False
    return array


BAD_BUFFERS = [
    pytest.param([0] * 8, TypeError, id="list"),
    pytest.param(np.zeros(8, dtype=np.int32), TypeError, id="int32"),
    pytest.param(np.zeros(8, dtype=np.uint16), TypeError, id="uint16"),
    pytest.param(np.zeros(8, dtype=">i2"), TypeError, id="big-endian"),
    pytest.param(np.zeros(8, dtype=np.float64), TypeError, id="float64"),
    pytest.param(np.zeros(16, dtype=np.int16)[::2], ValueError, id="strided"),
    pytest.param(np.zeros((2, 4), dtype=np.int16).T, ValueError, id="fortran-order"),
    pytest.param(misaligned_int16(8), ValueError, id="misaligned"),
    pytest.param(read_only(8), ValueError, id="read-only"),
    pytest.param(np.zeros(7, dtype=np.int16), ValueError, id="too-short"),
    pytest.param(np.zeros(9, dtype=np.int16), ValueError, id="too-long"),
]

# Each block function, asked for 8 samples into out.
BLOCKS = {
    "ADChansVelk": lambda b, out: b.ADChansVelk([0] * 8, out=out),
    "ADChanMultiVelk": lambda b, out: b.ADChanMultiVelk(8, 0, 500, out=out),
    "ADChansMultiVelk": lambda b, out: b.ADChansMultiVelk(4, [0, 1], 500, out=out),
    "ADChanMultiSyncVelk": lambda b, out: b.ADChanMultiSyncVelk(8, 0, 500, 1, 0, out=out),
    "ADChanMultiFastVelk": lambda b, out: b.ADChanMultiFastVelk(8, 0, out=out),
}


@pytest.mark.parametrize("function", BLOCKS)
@pytest.mark.parametrize("out, error", BAD_BUFFERS)
def test_bad_out_buffer_is_refused_before_the_call(board, function, out, error):
    before = out.copy() if isinstance(out, np.ndarray) else list(out)
    with pytest.raises(error):
        BLOCKS[function](board, out)
    assert board.bench.trace_count() == 0
    assert np.array_equal(out, before)


@pytest.mark.parametrize("function", BLOCKS)
def test_good_out_buffer_is_accepted(board, function):
    out = np.zeros(8, dtype=np.int16)
    assert BLOCKS[function](board, out) is out


@pytest.mark.parametrize("call, error", [
    pytest.param(lambda b: b.ADChanVelk(-1), ValueError, id="channel -1"),
    pytest.param(lambda b: b.ADChanVelk(65536), ValueError, id="channel 65536"),
    pytest.param(lambda b: b.ADChanVelk(1.0), TypeError, id="channel float"),
    pytest.param(lambda b: b.ADChanVelk("3"), TypeError, id="channel str"),
    pytest.param(lambda b: b.SetBaseAddressVelk(0x10000), ValueError, id="base"),
    pytest.param(lambda b: b.SetTimerVelk(0, 2, -4), ValueError, id="timer count"),
    pytest.param(lambda b: b.DAVelk(32768), ValueError, id="output value"),
    pytest.param(lambda b: b.ADWaitReadVelk(2**32), ValueError, id="budget"),
    pytest.param(lambda b: b.ADChanMultiVelk(-1, 0, 500), ValueError, id="count"),
    pytest.param(lambda b: b.ADChanMultiVelk(8, 0, 65536), ValueError, id="divisor"),
    pytest.param(lambda b: b.ADChanMultiSyncVelk(8, 0, 500, 1, -32769), ValueError, id="level"),
    pytest.param(lambda b: b.ADChansVelk([0, 70000]), ValueError, id="channel list value"),
    pytest.param(lambda b: b.ADChansVelk([0, -1]), ValueError, id="channel list negative"),
    pytest.param(lambda b: b.ADChansVelk([0.0, 1.0]), TypeError, id="channel list floats"),
    pytest.param(lambda b: b.ADChansVelk([[0, 1]]), ValueError, id="channel list 2-D"),
    pytest.param(lambda b: b.ADChansVelk(range(65536)), ValueError, id="channel list length"),
    pytest.param(lambda b: b.ADChansMultiVelk(2, [0, 16], 2**16), ValueError, id="scan divisor"),
    pytest.param(lambda b: b.DAMultiVelk([0, 2048 * 16]), ValueError, id="output values"),
    pytest.param(lambda b: b.DAMultiVelk(np.zeros(3)), TypeError, id="output floats"),
])
def test_argument_that_does_not_fit_is_refused_before_the_call(board, call, error):
    with pytest.raises(error):
        call(board)
    assert board.bench.trace_count() == 0


def test_arguments_are_passed_as_given(board, bench):
    # Any integer type and any integer array will do.
    assert board.ADChansVelk(np.array([15, 8], dtype=np.int64)).tolist() == [1434, -1434]
    assert board.ADChanVelk(np.uint8(15)) == 1434
    board.DAMultiVelk(np.array([-2048], dtype=np.int32))
    assert bench.da_word() == 0
    # Channels and gains are taken modulo 16 and 4 by the library, not here.
    board.SetADGainVelk(6)
    board.SetADChanVelk(0x13)
    assert bench.control_register() == 0x80 | 2 << 4 | 3
