"""A step script over many meshes, on the local cores or on a Dask cluster."""

import os
from typing import Any, Dict, Iterable, List, Optional, Union

_Path = Union[str, os.PathLike[str]]
Record = Dict[str, Any]

def run(script: Union[str, os.PathLike[str]], files: Iterable[_Path],
        out_dir: Optional[_Path] = None, client: Any = None, *,
        jobs: Optional[int] = None) -> List[Record]:
    """Runs the script (its text, or a Path to read) on each file, writing what
    ``facetra-cli run --out-dir OUT_DIR SCRIPT FILES`` writes; one record
    ``{name, status, seconds, vertices, faces, edges, error}`` per file, in
    order. client: a ``distributed.Client`` (each mesh a task on its cluster),
    None for the local cores (jobs at once). ValueError with facetra-cli run's
    words before anything runs for a damaged script, two meshes saving to one
    file or an unusable output folder; a mesh that fails is a record with its
    error."""
