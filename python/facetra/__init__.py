"""Facetra's mesh engines from Python.

Meshes are read, built from numpy arrays and written exactly as the workbench
and ``facetra-cli`` do, and every tool runs through the same steps, so a script
here gives the bytes the window and the batch tool give::

    import facetra
    mesh = facetra.load("bunny.obj")
    smooth = facetra.subdivide(mesh, levels=1)
    print(smooth.num_faces, smooth.positions.shape)
    smooth.save("bunny-smooth.ply")

A mesh never changes once made: each tool returns a new one. Its arrays are
read-only views of its memory (``positions``, ``faces``, normals, colours) that
keep it alive. Long runs release the interpreter lock, report to an optional
``progress(stage, fraction)`` callback, and stop with ``KeyboardInterrupt`` on
Ctrl+C (or when the callback raises), leaving everything as it was.

``facetra.batch.run`` runs a step script over many meshes on the local cores or
on a Dask cluster.
"""

from __future__ import annotations

import os
from typing import Callable, NamedTuple, Optional, Sequence, Union

import numpy as np

from . import _facetra
from ._facetra import Mesh, Workbench, load

__all__ = [
    "Mesh", "Workbench", "Classification", "load", "subdivide", "simplify", "filter",
    "classify", "traverse", "mark", "terrain", "height_colours", "morphogen_colours",
    "clip_planes", "clip", "verbs", "batch",
]

Progress = Optional[Callable[[str, float], object]]
PathLike = Union[str, "os.PathLike[str]"]


def verbs() -> list:
    """The step verbs, in the order ``facetra-cli run --help`` lists them."""
    return _facetra.verbs()


def subdivide(mesh: Mesh, levels: int = 1, weight: float = 0.0, *,
              progress: Progress = None) -> Mesh:
    """Butterfly subdivision: ``levels`` levels with tension ``weight``
    (-0.125 .. 0.125), as the Subdivide page and ``facetra-cli subdivide`` do.
    The result carries no colours of its own."""
    return _facetra.apply(mesh, [("subdivide", {"levels": levels, "weight": weight})], progress)


def simplify(mesh: Mesh, lod: float, *, progress: Progress = None) -> Mesh:
    """Edge-collapse simplification to ``lod`` percent (0 .. 100) of the
    vertices, as ``facetra-cli simplify --lod`` does."""
    return _facetra.apply(mesh, [("simplify", {"lod": lod})], progress)


def _profile_params(profile, profile_height) -> dict:
    """The step's profile= and profile-height= for a weight profile."""
    if profile is None:
        return {}
    points = np.asarray(profile, dtype=np.float64)
    if points.ndim == 1:
        # Weights at evenly spaced distances from the kernel's centre (the
        # first at the centre, the last at its rim): a curve in a plot of
        # that many units across and a height that keeps the weights' digits.
        if points.size < 2 or not np.all((points >= 0) & (points <= 1)):
            raise ValueError("filter: profile takes two or more weights from 0 to 1")
        height = 1 << 20 if profile_height is None else int(profile_height)
        points = np.column_stack([np.arange(points.size), (1.0 - points) * height])
        profile_height = height
    elif points.ndim != 2 or points.shape[1] != 2 or profile_height is None:
        raise ValueError("filter: profile takes weights (k,) or curve points (k, 2) with "
                         "profile_height")
    text = ";".join(f"{float(np.float32(x))!r},{float(np.float32(y))!r}" for x, y in points)
    return {"profile": text, "profile_height": int(profile_height)}


def filter(mesh: Mesh, algorithm: str, radius: float, *, profile=None,
           profile_height: Optional[int] = None, progress: Progress = None) -> Mesh:
    """Smooths the face normals (``face_normals`` of the result) as Apply on
    the Mean Shift page and ``facetra-cli filter`` do.

    algorithm: ``meanshift``, ``spherejump`` or ``median``; radius: the page's
    slider value 0 .. 100 (the kernel is radius / 200 of the mesh's size, or the
    median's depth). profile: the weight curve, either weights from 0 to 1 at
    evenly spaced distances from the kernel's centre to its rim, or the curve's
    points (k, 2) in plot pixels with ``profile_height`` as on the page."""
    params = {"algorithm": algorithm, "radius": radius}
    params.update(_profile_params(profile, profile_height))
    return _facetra.apply(mesh, [("filter", params)], progress)


class Classification(NamedTuple):
    """What ``classify`` gives: the mesh with its faces coloured by patch, the
    seed face of each patch and the patch of each face (as
    ``facetra-cli classify --json`` gives them; empty when nothing was
    partitioned)."""
    mesh: Mesh
    seeds: np.ndarray
    patches: np.ndarray


def classify(mesh: Mesh, weight: float = 0.5, mode: str = "floyd",
             patches: Optional[int] = None, load_table: Optional[PathLike] = None, *,
             progress: Progress = None) -> Classification:
    """Patches of faces by geodesic distance, then the re-partition into the
    count found (or ``patches``, 1 .. 50), as Apply on the Classification page
    and ``facetra-cli classify`` do. mode: ``floyd`` or ``dijkstra``."""
    params = {"weight": weight, "mode": mode, "patches": patches, "load_table": load_table}
    return Classification(*_facetra.classify(mesh, params, progress))


def traverse(mesh: Mesh, face: int, depth: int = 0, angle: int = 0) -> Mesh:
    """A pick of ``face`` (1-based, as ``facetra-cli segment`` takes it) and the
    edge traversal from it, ``depth`` 0 .. 5000 faces deep across creases of
    at most ``angle`` degrees; the faces reached have ``traversed`` 1."""
    return _facetra.apply(mesh, [("pick", {"face": face, "depth": depth, "angle": angle})], None)


def mark(mesh: Mesh, face: int, depth: int = 0, angle: int = 0,
         hue: Optional[int] = None) -> Mesh:
    """The traversal from ``face`` (as ``traverse``) marked as the next segment
    (``segments`` one more than the mesh's highest), coloured with ``hue``
    (0 .. 32767; a random one when None)."""
    return _facetra.apply(mesh, [("pick", {"face": face, "depth": depth, "angle": angle}),
                                 ("mark", {"hue": hue})], None)


def terrain(heights=None, resolution: int = 64, scale: int = 256, height: int = 64, *,
            progress: Progress = None) -> Mesh:
    """A terrain as the Terrain page builds it: ``resolution`` x ``resolution``
    samples ``scale`` wide, up to ``height`` high. heights: a 2-D array of grey
    levels 0 .. 255 (rows from the top, as an image; the page scales its image to
    256 x 256 first), a PNG file's name (read as ``facetra-cli terrain`` reads
    it), or None for the all-black map."""
    return _facetra.terrain(heights, {"resolution": resolution, "scale": scale,
                                      "height": height}, progress)


def height_colours(mesh: Mesh, stops=None, use_stops: bool = False) -> Mesh:
    """Vertex colours by height: the fixed hue ramp, or with ``use_stops`` the
    colour stops, rows ``(value, r, g, b)`` with value 0 (lowest) .. 1 and
    colours 0 .. 1."""
    params = {"use_stops": bool(use_stops)}
    if stops is not None:
        rows = np.asarray(stops, dtype=np.float32).reshape(-1, 4)
        params["stops"] = ";".join(
            "{!r}:{!r},{!r},{!r}".format(*(float(v) for v in row)) for row in rows)
    return _facetra.apply(mesh, [("height-colours", params)], None)


def morphogen_colours(mesh: Mesh, settings: Optional[PathLike] = None, *, mix: int = 0,
                      base: Sequence[int] = (0, 0, 0), colours=None, toggles=None) -> Mesh:
    """Vertex colours from the morphogen values, as the Morphogens page: from a
    ``.mor`` settings file, or from ``mix`` (0 additive, 1 subtractive), the
    ``base`` colour and per morphogen a colour (r, g, b 0 .. 255) and a toggle."""
    if settings is not None:
        params = {"settings": settings}
    else:
        params = {"mix": mix, "base": ",".join(str(int(c)) for c in base),
                  "colours": ";".join(",".join(str(int(c)) for c in rgb)
                                      for rgb in (colours if colours is not None else [])),
                  "toggles": ",".join(str(int(t)) for t in
                                      (toggles if toggles is not None else []))}
    return _facetra.apply(mesh, [("morphogens", params)], None)


def clip_planes(mesh: Mesh, path: Optional[PathLike] = None) -> np.ndarray:
    """The six clipping planes of the cube made around ``mesh`` when it is
    opened, or the planes of a ``.slc`` file, as (k, 4) equations
    ``A x + B y + C z + D >= 0`` for the parts kept, in the mesh's coordinates."""
    return _facetra.clip_planes(mesh, path)


def clip(mesh: Mesh, planes) -> np.ndarray:
    """The clipping planes applied to ``mesh``: per face, True when all its
    corners lie on the kept side of every plane. planes: a ``.slc`` file or
    equations (k, 4) as ``clip_planes`` gives them."""
    return _facetra.clip(mesh, planes)


from . import batch  # noqa: E402  (uses the names above)
