"""The simulated library, as velkio.load("sim") finds it (VELKIO_SIM_LIBRARY,
else the SONAME), put back in its power-on state before every test.

Values below come from the simulated board's defaults (velkio_sim.h): at the
gain code InitVelk and reset leave (+-5 V), channel 8 holds -3.5 V, the sample
-1434, and channel 15 holds +3.5 V, the sample 1434; reads of the digital
input give 0xA5.
"""

import pytest

import velkio

DC_MINUS_3V5 = 8
DC_PLUS_3V5 = 15
SAMPLE_MINUS_3V5 = -1434
SAMPLE_PLUS_3V5 = 1434

STATUS_PORT = 0x300
DATA_PORT = 0x302
DIGITAL_PORT = 0x304


@pytest.fixture(scope="session")
def sim():
    return velkio.load("sim")


@pytest.fixture
def board(sim):
    sim.bench.reset()
    return sim


@pytest.fixture
def bench(board):
    return board.bench


def data_word(sample):
    """The data word the board delivers for a 12-bit sample."""
    return 0xF000 | (sample & 0x0FFF)
