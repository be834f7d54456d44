"""Meshes as arrays: what a load gives, round trips through files, errors."""

import gc
import json

import numpy as np
import pytest

import facetra
from conftest import grid


def test_load_gives_the_counts_and_box_facetra_cli_reports(cli, knot):
    info = json.loads(cli("info", "--json", knot).stdout)
    mesh = facetra.load(knot)
    assert (mesh.num_vertices, mesh.num_faces) == (info["vertices"], info["faces"])
    np.testing.assert_allclose(mesh.box, [info["bbox_min"], info["bbox_max"]], rtol=1e-6)
    assert mesh.extent == pytest.approx(info["extent"], rel=1e-6)
    assert mesh.centre == pytest.approx(tuple(info["centre"]), rel=1e-6, abs=1e-6)
    assert mesh.has_colours


def test_arrays_are_read_only_views_that_keep_the_mesh_alive(knot):
    mesh = facetra.load(knot)
    arrays = {name: getattr(mesh, name) for name in
              ("positions", "faces", "vertex_normals", "face_normals", "vertex_colours",
               "face_colours", "segments", "traversed", "centroids")}
    expected = {name: a.copy() for name, a in arrays.items()}
    n, m = mesh.num_vertices, mesh.num_faces
    assert arrays["positions"].shape == (n, 3) and arrays["positions"].dtype == np.float32
    assert arrays["faces"].shape == (m, 3) and arrays["faces"].dtype == np.int32
    assert arrays["vertex_colours"].shape == (n, 4) and arrays["segments"].shape == (m,)
    # Views, not copies: the same memory each time.
    assert np.shares_memory(mesh.positions, arrays["positions"])
    assert np.shares_memory(mesh.faces, arrays["face_normals"]) is False
    for a in arrays.values():
        assert not a.flags.writeable
        with pytest.raises(ValueError):
            a[0] = 0
    del mesh
    gc.collect()
    facetra.load(knot)  # memory the dropped mesh would have freed gets used again
    for name, a in arrays.items():
        np.testing.assert_array_equal(a, expected[name])
    assert arrays["faces"].min() == 0 and arrays["faces"].max() == n - 1


# STL keeps no vertex list: its corners are joined again by position, in the
# order they come, so only the triangles' corners compare.
@pytest.mark.parametrize("suffix, exact, colours", [
    (".ply", True, True), (".off", True, True), (".ply.gz", True, True),
    (".obj", False, True), (".stl", True, False)])
def test_numpy_to_mesh_to_file_to_numpy(tmp_path, suffix, exact, colours):
    positions, faces, rgb = grid(9, colours=True)
    mesh = facetra.Mesh(positions, faces, rgb)
    np.testing.assert_array_equal(mesh.faces, faces)
    path = tmp_path / ("grid" + suffix)
    mesh.save(path)
    back = facetra.load(path)
    corners = back.positions[back.faces]
    if suffix != ".stl":
        np.testing.assert_array_equal(back.faces, faces)
    if exact:
        np.testing.assert_array_equal(corners, positions[faces])
    else:
        np.testing.assert_allclose(corners, positions[faces], rtol=1e-5)
    assert back.has_colours == colours
    if colours:
        np.testing.assert_array_equal(back.vertex_colours[:, :3], rgb)


def test_a_mesh_without_colours_shows_the_default_and_saves_none(tmp_path):
    positions, faces, _ = grid(4)
    mesh = facetra.Mesh(positions, faces)
    assert not mesh.has_colours
    assert np.all(mesh.vertex_colours == mesh.face_colours[0])
    mesh.save(tmp_path / "g.obj")
    assert b"vc " not in (tmp_path / "g.obj").read_bytes()


@pytest.mark.parametrize("call, error, words", [
    (lambda p: facetra.Mesh(np.zeros((3, 2)), [[0, 1, 2]]), ValueError, "shape (n, 3)"),
    (lambda p: facetra.Mesh(np.zeros((3, 3)), [[0, 1, 3]]), ValueError,
     "face 0 names vertex 3, not one of 0 .. 2"),
    (lambda p: facetra.Mesh(np.zeros((3, 3)), [[0.0, 1.0, 2.0]]), ValueError, "integer"),
    (lambda p: facetra.Mesh(np.zeros((3, 3)), [[0, 1, 2]], np.zeros((2, 3))), ValueError,
     "one row per vertex (3), not 2"),
    (lambda p: facetra.load(p / "missing.obj"), FileNotFoundError, "missing.obj: no such file"),
    (lambda p: facetra.load(p), OSError, ": is not a regular file"),
    (lambda p: facetra.load(p / "picture.png"), OSError, "no reader for this kind of file"),
    (lambda p: facetra.Mesh(*grid(3)[:2]).save(p / "g.net"), ValueError,
     "cannot write .net files: choose .obj, .ply, .stl, .off or a .gz of them"),
    (lambda p: facetra.Mesh(*grid(3)[:2]).save(p / "no" / "g.obj"), FileNotFoundError,
     "g.obj: no such file or directory"),
])
def test_errors_name_the_file_and_the_reason(tmp_path, call, error, words):
    (tmp_path / "picture.png").write_bytes(b"\x89PNG")
    with pytest.raises(error) as caught:
        call(tmp_path)
    assert words in str(caught.value)
