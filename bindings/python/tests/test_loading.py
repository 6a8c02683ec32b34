"""Loading the libraries, and the ctypes declarations against the headers."""

import ctypes
import os
import pathlib
import re

import pytest

import velkio
from velkio import _capi
from velkio import bench as bench_module

INCLUDE_DIR = pathlib.Path(
    os.environ.get("VELKIO_TEST_INCLUDE_DIR", pathlib.Path(__file__).parents[3] / "include"))


def test_load_checks_its_arguments(tmp_path):
    with pytest.raises(ValueError):
        velkio.load("simulated")
    with pytest.raises(OSError, match="cannot load"):
        velkio.load("sim", tmp_path / "libnothing.so")
    hardware = velkio.load("hw")
    with pytest.raises(OSError, match="not the simulated library"):
        velkio.load("sim", hardware.path)


def test_path_beats_environment(monkeypatch, sim):
    monkeypatch.setenv("VELKIO_SIM_LIBRARY", "/nonexistent/libvelkio-sim.so.1")
    with pytest.raises(OSError, match="/nonexistent/"):
        velkio.load("sim")
    assert velkio.load("sim", sim.path).simulated


def test_libraries_come_from_the_expected_directory(sim):
    """Under ctest, VELKIO_TEST_LIBRARY_DIR names the directory the library
    must come from: the build tree, or an installation found by SONAME."""
    expected = os.environ.get("VELKIO_TEST_LIBRARY_DIR")
    if expected is None:
        pytest.skip("VELKIO_TEST_LIBRARY_DIR is not set")
    maps = pathlib.Path("/proc/self/maps").read_text().split("\n")
    mapped = {pathlib.Path(line.split()[-1]).parent.resolve()
              for line in maps if line.endswith(f"/libvelkio-sim.so.{velkio.__version__}")}
    assert mapped == {pathlib.Path(expected).resolve()}


C_TYPES = {
    "void": None,
    "int": ctypes.c_int,
    "unsigned": ctypes.c_uint,
    "size_t": ctypes.c_size_t,
    "uint8_t": ctypes.c_uint8,
    "int16_t": ctypes.c_int16,
    "uint16_t": ctypes.c_uint16,
    "int32_t": ctypes.c_int32,
    "uint32_t": ctypes.c_uint32,
    "uint64_t": ctypes.c_uint64,
    "double": ctypes.c_double,
    "enum velk_sim_op": ctypes.c_int,
    "velk_sim_event": bench_module._Event,
    "velk_sim_signal": bench_module._Signal,
    "velk_sim_counter": bench_module._Counter,
}


def c_type(declaration):
    """The ctypes type of a C declaration such as "const uint16_t *values"."""
    text = re.sub(r"\bconst\b", "", declaration).strip()
    pointer = "*" in text
    text = re.sub(r"\s*\*\s*\w*$|\s+\w+$", "", text.replace("*", " * ")).strip()
    if text == "void" and not declaration.strip() == "void" and pointer:
        raise AssertionError(f"void pointer in {declaration}")
    base = C_TYPES[text] if text in C_TYPES else C_TYPES[text.rsplit(" ", 1)[0]]
    return ctypes.POINTER(base) if pointer else base


def header_functions(header, pattern):
    text = re.sub(r"/\*.*?\*/", "", (INCLUDE_DIR / header).read_text(), flags=re.S)
    functions = {}
    for result, name, arguments in re.findall(
            r"^([\w ]+?)\s+(" + pattern + r")\(([^)]*)\);", text, flags=re.M):
        argument_list = [a for a in arguments.split(",") if a.strip() not in ("", "void")]
        functions[name] = (c_type(result), [c_type(a) for a in argument_list])
    return functions


def test_every_function_of_velkio_h_is_declared_as_the_header_says():
    functions = header_functions("velkio.h", r"\w+Velk")
    assert len(functions) == 20
    assert _capi.FUNCTIONS == functions


def test_every_function_of_velkio_sim_h_is_declared_as_the_header_says():
    assert bench_module._FUNCTIONS == header_functions("velkio_sim.h", r"velk_sim_\w+")


@pytest.mark.parametrize("struct", ["velk_sim_event", "velk_sim_signal", "velk_sim_counter"])
def test_bench_structures_match_the_header(struct):
    text = re.sub(r"/\*.*?\*/", "", (INCLUDE_DIR / "velkio_sim.h").read_text(), flags=re.S)
    body = re.search(r"typedef struct " + struct + r" \{(.*?)\} " + struct + ";", text, re.S)
    fields = [tuple(f.split()) for f in body.group(1).split(";") if f.strip()]
    assert [(name, C_TYPES[kind]) for kind, name in fields] == C_TYPES[struct]._fields_


def test_every_library_function_has_its_declaration(sim):
    for name, (restype, argtypes) in {**_capi.FUNCTIONS, **bench_module._FUNCTIONS}.items():
        function = getattr(sim._cdll, name)
        assert (function.restype, function.argtypes) == (restype, argtypes), name
