"""The tools and the workbench give facetra-cli's bytes; stops leave everything
as it was."""

import json
import os
import signal
import threading

import numpy as np
import pytest

import facetra
from conftest import grid, same_files, write_grey_png

SCRIPT = """\
subdivide levels=1 weight=0.0625
filter algorithm=median radius=3
save-normals {name}-normals.txt
height-colours
save {name}-coloured.obj
pick face=300 depth=40 angle=20
mark hue=1234
pick face=9000 depth=30 angle=15
mark hue=20000
save-segments {name}-parts
simplify lod=30
save {name}-small.ply.gz
"""


def test_a_script_writes_what_facetra_cli_run_writes(cli, knot, tmp_path):
    (tmp_path / "by-cli").mkdir()
    (tmp_path / "script.steps").write_text(SCRIPT)
    cli("run", "--out-dir", tmp_path / "by-cli", tmp_path / "script.steps", knot)
    here = tmp_path / "by-workbench"
    here.mkdir()
    (here / "script.steps").write_text(SCRIPT)
    bench = facetra.Workbench()
    bench.open(knot)
    bench.run_script(here / "script.steps")
    (here / "script.steps").unlink()
    same_files(tmp_path / "by-cli", here)
    assert bench.steps[0] == "subdivide levels=1 weight=0.0625"
    assert bench.undo_name == "Simplify"


def test_the_tool_functions_write_what_facetra_cli_writes(cli, knot, tmp_path):
    cli("subdivide", "--levels", "1", "--weight", "0.0625", knot, tmp_path / "cli-sub.ply")
    cli("simplify", "--lod", "30", knot, tmp_path / "cli-simple.off")
    mesh = facetra.load(knot)
    facetra.subdivide(mesh, 1, 0.0625).save(tmp_path / "sub.ply")
    facetra.simplify(mesh, 30).save(tmp_path / "simple.off")
    assert (tmp_path / "sub.ply").read_bytes() == (tmp_path / "cli-sub.ply").read_bytes()
    assert (tmp_path / "simple.off").read_bytes() == (tmp_path / "cli-simple.off").read_bytes()

    # The functions chained give the script's file.
    (tmp_path / "script.steps").write_text(SCRIPT)
    cli("run", "--out-dir", tmp_path, tmp_path / "script.steps", knot)
    coloured = facetra.height_colours(facetra.filter(facetra.subdivide(mesh, 1, 0.0625),
                                                     "median", 3))
    coloured.save(tmp_path / "chained.obj")
    assert (tmp_path / "chained.obj").read_bytes() == (tmp_path / "knot-coloured.obj").read_bytes()
    normals = np.loadtxt(tmp_path / "knot-normals.txt", dtype=np.float32)
    np.testing.assert_allclose(coloured.face_normals, normals, rtol=1e-7, atol=1e-8)


def test_terrain_from_an_array_is_the_terrain_of_its_image(cli, tmp_path):
    heights = np.add.outer(np.arange(256), np.arange(256)) % 256
    write_grey_png(tmp_path / "map.png", heights)
    cli("terrain", "--heightmap", tmp_path / "map.png", "--resolution", "40", "--scale", "100",
        "--height", "30", "--colour-by-height", tmp_path / "cli.obj")
    mesh = facetra.height_colours(facetra.terrain(heights, resolution=40, scale=100, height=30))
    mesh.save(tmp_path / "array.obj")
    assert (tmp_path / "array.obj").read_bytes() == (tmp_path / "cli.obj").read_bytes()
    assert facetra.terrain(tmp_path / "map.png", 40, 100, 30).num_faces == 2 * 39 * 39


def test_classify_gives_facetra_cli_classify_seeds_and_patches(cli, tmp_path):
    octahedron = facetra.Mesh(
        [[1, 0, 0], [-1, 0, 0], [0, 1, 0], [0, -1, 0], [0, 0, 1], [0, 0, -1]],
        [[0, 2, 4], [2, 1, 4], [1, 3, 4], [3, 0, 4], [2, 0, 5], [1, 2, 5], [3, 1, 5], [0, 3, 5]])
    facetra.subdivide(octahedron, 2).save(tmp_path / "ball.obj")
    expected = json.loads(cli("classify", "--mode", "dijkstra", "--patches", "5", "--json",
                              tmp_path / "ball.obj").stdout)
    result = facetra.classify(facetra.load(tmp_path / "ball.obj"), mode="dijkstra", patches=5)
    assert result.seeds.tolist() == expected["seeds"] and len(result.seeds) == 5
    assert result.patches.tolist() == expected["patch"]
    # Faces of one patch share its colour.
    colours = result.mesh.face_colours
    for p in range(5):
        assert len({tuple(c) for c in colours[result.patches == p]}) == 1


def test_marks_number_segments_and_traverse_flags_faces(knot):
    mesh = facetra.load(knot)
    reached = facetra.traverse(mesh, 300, depth=40, angle=20).traversed
    assert 1 < reached.sum() < mesh.num_faces and not mesh.traversed.any()
    marked = facetra.mark(facetra.mark(mesh, 300, 40, 20, hue=5), 9000, 30, 15)
    assert set(np.unique(marked.segments)) == {0, 1, 2}
    np.testing.assert_array_equal(marked.segments == 1, reached == 1)


def test_clip_planes_keep_the_mesh_until_moved(knot):
    mesh = facetra.load(knot)
    planes = facetra.clip_planes(mesh)
    assert planes.shape == (6, 4) and facetra.clip(mesh, planes).all()
    # A plane through the centre, keeping x >= centre.
    half = np.array([[1.0, 0.0, 0.0, -mesh.centre[0]]])
    corners = mesh.positions[mesh.faces]
    np.testing.assert_array_equal(facetra.clip(mesh, half),
                                  (corners[:, :, 0] >= mesh.centre[0]).all(axis=1))


def test_undo_and_redo_exchange_the_mesh(knot):
    bench = facetra.Workbench()
    bench.open(knot)
    before = bench.mesh
    bench.run("subdivide", levels=1)
    after = bench.mesh
    assert after.num_faces == 4 * before.num_faces and bench.undo_name
    bench.undo()
    np.testing.assert_array_equal(bench.mesh.positions, before.positions)
    assert not bench.modified and bench.steps == []
    with pytest.raises(ValueError, match="nothing to undo"):
        bench.undo()
    bench.redo()
    np.testing.assert_array_equal(bench.mesh.positions, after.positions)
    assert bench.steps == ["subdivide levels=1 weight=0"]


@pytest.mark.parametrize("step, words", [
    ("subdivide levels=-1", "subdivide: levels takes a whole number of 0 or more, not '-1'"),
    ("filter algorithm=blur radius=3",
     "filter: algorithm takes meanshift, spherejump or median, not 'blur'"),
    ("pick face=99999", "face 99999 is not in the mesh (14400 faces)"),
    ("repartition patches=3", "no classification of this mesh to re-partition"),
    ("shear", "unknown step 'shear'"),
    ("save out.gts", "cannot write .gts files"),
    ("terrain heightmap=missing.png resolution=8 scale=64 height=32",
     "cannot read 'missing.png': cannot be opened"),
])
def test_refused_steps_raise_value_error_with_the_batch_tool_words(knot, step, words):
    bench = facetra.Workbench()
    bench.open(knot)
    with pytest.raises(ValueError, match=words.replace("(", r"\(").replace(")", r"\)")):
        bench.run(step)
    with pytest.raises(ValueError, match="simplify: lod takes a percentage from 0 to 100"):
        facetra.simplify(bench.mesh, 101)
    assert bench.steps == []


def raise_at_once(error):
    def callback(stage, fraction):
        raise error
    return callback


@pytest.mark.parametrize("stop, error", [
    (raise_at_once(KeyboardInterrupt), KeyboardInterrupt),
    (raise_at_once(RuntimeError("enough")), RuntimeError),
    ("sigint", KeyboardInterrupt),
])
def test_a_stopped_run_leaves_the_mesh_as_it_was(knot, stop, error):
    bench = facetra.Workbench()
    bench.open(knot)
    mesh = bench.mesh
    kept = {name: getattr(mesh, name).copy() for name in ("positions", "faces", "face_normals")}
    stages = []
    if stop == "sigint":
        # Ctrl+C while the engines run without the interpreter lock.
        timer = threading.Timer(0.2, os.kill, (os.getpid(), signal.SIGINT))
        timer.start()
        callback = lambda stage, fraction: stages.append(stage)  # noqa: E731
    else:
        callback = stop
    with pytest.raises(error):
        bench.run("subdivide levels=4", progress=callback)
    if stop == "sigint":
        timer.join()
        assert stages, "the callback heard the run"
    for name, values in kept.items():
        np.testing.assert_array_equal(getattr(bench.mesh, name), values)
    assert bench.steps == [] and not bench.modified
    if stop != "sigint":
        with pytest.raises(error):
            facetra.filter(mesh, "meanshift", 20, progress=stop)
    bench.run("filter algorithm=median radius=2")
    assert bench.steps == ["filter algorithm=median radius=2"]


def test_morphogen_colours_from_a_file_and_from_values_match_facetra_cli(cli, tmp_path):
    obj = tmp_path / "m.obj"
    obj.write_text("v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nmn red blue\n"
                   "m 0.5 0\nm 1 0.25\nm 0 1\nm 0.125 2\nf 1 3 2\nf 1 2 4\nf 2 3 4\nf 3 1 4\n")
    settings = tmp_path / "set.mor"
    settings.write_text("SIZE 2\nBASECOL 10 20 30\nMIXMODE 0\nMORPHO 255 0 0 1\nMORPHO 0 0 255 1\n")
    cli("morphogens", "--settings", settings, obj, tmp_path / "cli.obj")
    mesh = facetra.load(obj)
    assert mesh.morphogen_names == ["red", "blue"]
    np.testing.assert_array_equal(mesh.morphogens, [[0.5, 0], [1, 0.25], [0, 1], [0.125, 2]])
    facetra.morphogen_colours(mesh, settings).save(tmp_path / "file.obj")
    facetra.morphogen_colours(mesh, base=(10, 20, 30), colours=[(255, 0, 0), (0, 0, 255)],
                              toggles=[1, 1]).save(tmp_path / "values.obj")
    assert (tmp_path / "file.obj").read_bytes() == (tmp_path / "cli.obj").read_bytes()
    assert (tmp_path / "values.obj").read_bytes() == (tmp_path / "cli.obj").read_bytes()
