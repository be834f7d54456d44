"""facetra.batch.run on local cores and on a Dask cluster against
facetra-cli run --jobs 2: the same records, the same files."""

import logging
import shutil

import pytest

import facetra
from conftest import same_files

# Debian's dask and tornado disagree on an event-loop call; nothing of ours.
pytestmark = pytest.mark.filterwarnings("ignore::DeprecationWarning")

SCRIPT = """\
# smooth, then a small copy
simplify lod=40
save {name}-small.ply
pick face=5000 depth=3 angle=30
save-normals {name}-normals.txt
"""


@pytest.fixture(scope="module")
def meshes(knot, tmp_path_factory):
    """Two meshes that run through, one the script stops on, two that cannot
    be read; named relative to the folder the tests run in."""
    folder = tmp_path_factory.mktemp("meshes")
    shutil.copy(knot, folder / "knot.obj")
    shutil.copy(knot, folder / "twin.obj.obj")
    (folder / "tiny.obj").write_text("v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\n"
                                     "f 1 3 2\nf 1 2 4\nf 2 3 4\nf 3 1 4\n")
    (folder / "empty.obj").write_text("# nothing\n")
    return folder, ["knot.obj", "tiny.obj", "missing.ply", "empty.obj", "twin.obj.obj"]


@pytest.fixture(scope="module")
def by_cli(cli, meshes):
    folder, names = meshes
    (folder / "script.steps").write_text(SCRIPT)
    done = cli("run", "--jobs", "2", "--out-dir", "by-cli", "script.steps", *names, cwd=folder,
               check=False)
    assert done.returncode == 1
    statuses = dict(line.split(": ", 1) for line in done.stdout.splitlines()
                    if line.split(": ", 1)[0] in names)
    return [(name, statuses[name]) for name in names]


@pytest.fixture(scope="module")
def dask_client():
    distributed = pytest.importorskip("distributed")
    logging.getLogger("distributed").setLevel(logging.ERROR)
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster:
        with distributed.Client(cluster) as client:
            yield client


@pytest.mark.parametrize("where", ["threads", "dask"])
def test_batch_gives_the_records_and_files_of_facetra_cli_run(meshes, by_cli, where, request,
                                                              monkeypatch):
    folder, names = meshes
    monkeypatch.chdir(folder)
    client = request.getfixturevalue("dask_client") if where == "dask" else None
    records = facetra.batch.run(SCRIPT, names, "by-" + where, client=client, jobs=2)
    assert [(r["name"], r["status"]) for r in records] == by_cli
    assert by_cli[1][1] == "failed at line 3 (save): no mesh to save"
    assert records[2]["error"] == "missing.ply: no such file"
    assert (records[0]["vertices"], records[0]["faces"]) == (2880, 5760)
    assert records[1]["error"] == "no mesh to save" and all(r["seconds"] >= 0 for r in records)
    same_files(folder / "by-cli", folder / ("by-" + where))


@pytest.mark.parametrize("script, files, out_dir", [
    ("simplify lod=40\nsave all.ply\n", ["knot.obj", "tiny.obj"], "out"),
    ("simplify\n", ["knot.obj"], "out"),
    ("save \"unterminated\n", ["knot.obj"], "out"),
    ("save {name}.ply\n", ["knot.obj"], "knot.obj"),
])
def test_bad_arguments_raise_value_error_with_facetra_cli_run_words(cli, meshes, monkeypatch,
                                                                    script, files, out_dir):
    folder, _ = meshes
    monkeypatch.chdir(folder)
    (folder / "bad.steps").write_text(script)
    words = cli("run", "--out-dir", out_dir, "bad.steps", *files, cwd=folder, check=False).stderr
    with pytest.raises(ValueError) as caught:
        facetra.batch.run(script, files, out_dir)
    assert "facetra-cli: " + str(caught.value) == words.strip()
