"""A step script over many meshes, on the local cores or on a Dask cluster.

``run`` writes exactly what ``facetra-cli run --out-dir OUT_DIR SCRIPT FILES``
writes: the same names, the same bytes. Paths are made absolute here, in the
caller's working folder, and the script's text travels with each task, so the
workers need no shared working folder, only the package and the files::

    from dask.distributed import Client
    records = facetra.batch.run(script, files, "out", client=Client("tcp://head:8786"))
"""

from __future__ import annotations

import concurrent.futures
import os
from typing import Any, Dict, Iterable, List, Optional, Union

from . import _facetra

__all__ = ["run"]

Record = Dict[str, Any]


def _run_one(script: str, path: str, name: str, folder: str, stop=None) -> Record:
    """One mesh of a batch, in whatever process or thread the task landed in."""
    record = _facetra.run_batch_mesh(script, path, folder, stop)
    # The reasons name the file as the caller gave it, as facetra-cli's do.
    if path != name:
        for key in ("status", "error"):
            if record[key] is not None:
                record[key] = record[key].replace(path, name)
    return {"name": name, **record}


def _lost(name: str, error: BaseException) -> Record:
    """The record of a mesh whose task itself failed (its worker died)."""
    why = f"{type(error).__name__}: {error}"
    return {"name": name, "status": "failed: " + why, "error": why, "seconds": 0.0,
            "vertices": 0, "faces": 0, "edges": 0}


def _script_text(script: Union[str, "os.PathLike[str]"]) -> str:
    if isinstance(script, str):
        return script
    path = os.fsdecode(script)
    try:
        with open(path, "rb") as f:
            return os.fsdecode(f.read())
    except OSError as e:
        raise OSError(f"cannot read the script '{path}': {e.strerror}") from e


def run(script: Union[str, "os.PathLike[str]"], files: Iterable[Union[str, "os.PathLike[str]"]],
        out_dir: Optional[Union[str, "os.PathLike[str]"]] = None, client=None, *,
        jobs: Optional[int] = None) -> List[Record]:
    """Runs a step script on each mesh file and returns one record per file, in
    the order of ``files``.

    script: the script's text (a ``str``), or a ``pathlib.Path`` to read it
    from. out_dir: where relative saved names go (made when missing; None: the
    current folder). client: a ``distributed.Client``: each mesh is a task on
    its cluster; None: the local cores, ``jobs`` meshes at once (default one
    per core), on threads (the engines run without the interpreter lock).

    A record is ``{"name", "status", "seconds", "vertices", "faces", "edges",
    "error"}``: name as given, status the words after "NAME: " on
    ``facetra-cli run``'s line ("done (2 steps)", "failed at line 3 (save):
    ..."), error the reason or None, the counts of the mesh the script left.
    A mesh that fails is a record with its error; the others still run.

    Raises ValueError, with facetra-cli run's words, before anything runs: a
    damaged script, two meshes saving to one file, an output folder that cannot
    be made. Ctrl+C stops the local runs (KeyboardInterrupt); with a client it
    cancels the tasks not yet done.
    """
    text = _script_text(script)
    if isinstance(files, (str, bytes, os.PathLike)):
        files = [files]
    names = [os.fsdecode(f) for f in files]
    out = "" if out_dir is None else os.fsdecode(out_dir)
    _facetra.check_batch(text, names, out)
    if not names:
        return []
    here = os.getcwd()
    text = _facetra.resolve_script_files(text, here)
    folder = os.path.abspath(out) if out else here
    paths = [os.path.abspath(n) for n in names]
    if client is not None:
        return _on_cluster(client, text, paths, names, folder)
    return _on_threads(text, paths, names, folder, jobs)


def _on_threads(text: str, paths: List[str], names: List[str], folder: str,
                jobs: Optional[int]) -> List[Record]:
    if jobs is not None and jobs < 1:
        raise ValueError(f"--jobs takes a whole number of 1 or more, not '{jobs}'")
    workers = min(jobs or os.cpu_count() or 1, len(paths))
    stop = _facetra.StopFlag()
    with concurrent.futures.ThreadPoolExecutor(workers, thread_name_prefix="facetra") as pool:
        futures = [pool.submit(_run_one, text, p, n, folder, stop)
                   for p, n in zip(paths, names)]
        try:
            while concurrent.futures.wait(futures, timeout=0.1).not_done:
                pass
        except KeyboardInterrupt:
            stop.set()
            for f in futures:
                f.cancel()
            concurrent.futures.wait(futures)
            raise
    return [f.result() for f in futures]


def _on_cluster(client, text: str, paths: List[str], names: List[str],
                folder: str) -> List[Record]:
    futures = client.map(_run_one, [text] * len(paths), paths, names, [folder] * len(paths),
                         pure=False)
    records = []
    try:
        for future, name in zip(futures, names):
            try:
                records.append(future.result())
            except KeyboardInterrupt:
                raise
            except Exception as error:  # the task's worker died, or the task could not run
                records.append(_lost(name, error))
    except KeyboardInterrupt:
        client.cancel(futures)
        raise
    return records
