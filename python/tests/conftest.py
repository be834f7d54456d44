"""Shared fixtures: facetra-cli (named by FACETRA_CLI, as the build's test
sets it), the bundled sample mesh and small meshes built here."""

import os
import pathlib
import subprocess
import zlib
import struct

import numpy as np
import pytest


@pytest.fixture(scope="session")
def cli():
    """Runs facetra-cli with the arguments; returns the finished process."""
    program = os.environ.get("FACETRA_CLI")
    if not program:
        pytest.skip("FACETRA_CLI does not name facetra-cli")
    program = os.path.abspath(program)

    def run(*args, cwd=None, check=True):
        return subprocess.run([program, *map(os.fspath, args)], cwd=cwd, capture_output=True,
                              text=True, check=check)
    return run


@pytest.fixture(scope="session")
def knot(cli, tmp_path_factory) -> pathlib.Path:
    """The bundled sample: a coloured torus knot, 7200 vertices, 14400 faces."""
    path = tmp_path_factory.mktemp("sample") / "knot.obj"
    cli("sample", path)
    return path


def grid(n: int, colours: bool = False):
    """An n x n grid of vertices in the plane z = x y / n, two triangles a cell
    (counter-clockwise seen from +z); with colours, each an exact k / 255."""
    y, x = np.mgrid[0:n, 0:n].astype(np.float32)
    positions = np.column_stack([x.ravel(), y.ravel(), (x * y / n).ravel()]).astype(np.float32)
    v = np.arange(n * n).reshape(n, n)
    a, b, c, d = v[:-1, :-1].ravel(), v[:-1, 1:].ravel(), v[1:, 1:].ravel(), v[1:, :-1].ravel()
    faces = np.concatenate([np.column_stack([a, b, c]), np.column_stack([a, c, d])])
    rgb = None
    if colours:
        k = np.arange(n * n * 3).reshape(-1, 3) % 256
        rgb = (k / 255.0).astype(np.float32)
    return positions, faces.astype(np.int32), rgb


def write_grey_png(path: pathlib.Path, grey: np.ndarray) -> None:
    """grey (h, w) uint8 as an 8-bit RGB PNG, each pixel (g, g, g)."""
    h, w = grey.shape
    rows = b"".join(b"\0" + np.repeat(row, 3).tobytes() for row in grey.astype(np.uint8))

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    path.write_bytes(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
                     + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def same_files(a: pathlib.Path, b: pathlib.Path) -> None:
    """The two folders hold the same names with the same bytes."""
    names_a = sorted(p.relative_to(a) for p in a.rglob("*") if p.is_file())
    names_b = sorted(p.relative_to(b) for p in b.rglob("*") if p.is_file())
    assert names_a == names_b
    for name in names_a:
        assert (a / name).read_bytes() == (b / name).read_bytes(), name
