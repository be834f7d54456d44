"""Facetra's mesh engines from Python (see the package's documentation)."""

import os
from typing import Callable, List, NamedTuple, Optional, Sequence, Tuple, Union

import numpy as np
import numpy.typing as npt

from . import batch as batch

_Path = Union[str, os.PathLike[str]]
_Progress = Optional[Callable[[str, float], object]]

class Mesh:
    """A triangle mesh, as a file's load builds it. It never changes: the tools
    return new meshes. Its arrays are read-only views that keep it alive."""

    def __init__(self, positions: npt.ArrayLike, faces: npt.ArrayLike,
                 colours: Optional[npt.ArrayLike] = None) -> None:
        """A mesh from positions (n, 3), faces (m, 3) of 0-based vertex indices
        and optionally vertex colours (n, 3) or (n, 4) in 0 .. 1 (then the
        mesh's own, saved with it). The load builds run as for a file: centre,
        normals, edges, box, faces oriented alike. ValueError for shapes or
        indices that do not fit, or no face."""
    @property
    def positions(self) -> npt.NDArray[np.float32]:
        """(n, 3) vertex positions: a view."""
    @property
    def faces(self) -> npt.NDArray[np.int32]:
        """(m, 3) vertex indices of each triangle, 0-based: a view."""
    @property
    def vertex_normals(self) -> npt.NDArray[np.float32]:
        """(n, 3): a view."""
    @property
    def face_normals(self) -> npt.NDArray[np.float32]:
        """(m, 3), the filtered ones after ``filter``: a view."""
    @property
    def vertex_colours(self) -> npt.NDArray[np.float32]:
        """(n, 4) r, g, b, a in 0 .. 1: a view (the default colour unless
        ``has_colours``)."""
    @property
    def face_colours(self) -> npt.NDArray[np.float32]:
        """(m, 4): a view (patches after ``classify``, segments after ``mark``)."""
    @property
    def segments(self) -> npt.NDArray[np.int32]:
        """(m,) the segment a mark put each face in, 0 for none: a view."""
    @property
    def traversed(self) -> npt.NDArray[np.int32]:
        """(m,) 1 for the faces the latest traversal reached: a view."""
    @property
    def centroids(self) -> npt.NDArray[np.float32]:
        """(m, 3) face centroids: a view."""
    @property
    def morphogens(self) -> npt.NDArray[np.float32]:
        """(n, k) morphogen values, in the order of ``morphogen_names``: a copy."""
    @property
    def morphogen_names(self) -> List[str]: ...
    @property
    def has_colours(self) -> bool:
        """The vertex colours are the mesh's own (read or made by a colouring)."""
    @property
    def num_vertices(self) -> int: ...
    @property
    def num_faces(self) -> int: ...
    @property
    def num_edges(self) -> int: ...
    @property
    def box(self) -> npt.NDArray[np.float32]:
        """(2, 3): the bounding box's minimum and maximum corners."""
    @property
    def extent(self) -> float: ...
    @property
    def centre(self) -> Tuple[float, float, float]: ...
    def save(self, path: _Path, progress: _Progress = None) -> None:
        """Writes the format the suffix names (.obj .ply .stl .off, each also
        .gz), with the colours when they are the mesh's own, beside the target
        and renamed. ValueError for another suffix; OSError naming the file and
        the reason when it cannot be written (the old file then stays)."""

class Workbench:
    """The workbench of the window and ``facetra-cli run``: a mesh, its backup,
    the history and every tool's state, changed only by steps."""

    def __init__(self, *, keep_backup: bool = True, keep_history: bool = True,
                 history_budget: int = 0) -> None: ...
    def open(self, path: _Path, progress: _Progress = None) -> None:
        """Reads a mesh file as the window's Open does; OSError naming the file
        and the reason when it cannot be read (everything then stays)."""
    def adopt(self, mesh: Mesh, name: str = "untitled") -> None:
        """A copy of mesh becomes the workbench's, as a new mesh no file holds."""
    def run(self, step: str, progress: _Progress = None, **params: object) -> None:
        """Runs one step: a script line ("subdivide levels=1 weight=0") or a verb
        with keyword values (``run("subdivide", levels=1)``; use_stops is
        use-stops). ValueError with the batch tool's words when refused;
        KeyboardInterrupt on Ctrl+C (the mesh stays as it was); OSError when a
        save fails."""
    def undo(self) -> None:
        """Takes back the latest step, byte for byte (ValueError: nothing to undo)."""
    def redo(self) -> None:
        """Does the step taken back again (ValueError: nothing to redo)."""
    def run_script(self, path: _Path, progress: _Progress = None) -> None:
        """Checks a step script whole, then runs it as the window's Run Steps:
        {name} is the current file's name, relative saved names lie beside the
        script. ValueError "line N: ..." for a damaged script; a step that does
        not end raises with "stopped at line N: "."""
    @property
    def mesh(self) -> Optional[Mesh]:
        """A copy of the current mesh, made once per state (None before one)."""
    @property
    def steps(self) -> List[str]:
        """The steps that made the mesh since it was read, as script lines."""
    @property
    def script(self) -> str: ...
    @property
    def undo_name(self) -> str: ...
    @property
    def redo_name(self) -> str: ...
    @property
    def modified(self) -> bool: ...
    @property
    def file_name(self) -> str: ...
    @property
    def name(self) -> str: ...
    @property
    def highlight(self) -> npt.NDArray[np.int32]:
        """0-based faces the latest traversal flagged."""
    @property
    def seeds(self) -> List[int]: ...
    @property
    def patch_of_face(self) -> List[int]: ...

class Classification(NamedTuple):
    mesh: Mesh
    seeds: npt.NDArray[np.int32]
    patches: npt.NDArray[np.int32]

def load(path: _Path, progress: _Progress = None) -> Mesh:
    """Reads any readable mesh file (.obj .net .ply .stl .off .gts, each also
    .gz) as the workbench does. OSError (FileNotFoundError, PermissionError)
    naming the file and the reason when it cannot be read."""
def verbs() -> List[str]: ...
def subdivide(mesh: Mesh, levels: int = 1, weight: float = 0.0, *,
              progress: _Progress = None) -> Mesh:
    """Butterfly subdivision, levels levels, tension weight (-0.125 .. 0.125)."""
def simplify(mesh: Mesh, lod: float, *, progress: _Progress = None) -> Mesh:
    """Edge-collapse simplification to lod percent of the vertices."""
def filter(mesh: Mesh, algorithm: str, radius: float, *, profile: Optional[npt.ArrayLike] = None,
           profile_height: Optional[int] = None, progress: _Progress = None) -> Mesh:
    """Smoothed face normals: algorithm meanshift, spherejump or median; radius
    the slider value 0 .. 100; profile weights 0 .. 1 from the kernel's centre
    to its rim, or curve points (k, 2) with profile_height."""
def classify(mesh: Mesh, weight: float = 0.5, mode: str = "floyd", patches: Optional[int] = None,
             load_table: Optional[_Path] = None, *, progress: _Progress = None) -> Classification:
    """Geodesic patches of faces: the seeds and each face's patch."""
def traverse(mesh: Mesh, face: int, depth: int = 0, angle: int = 0) -> Mesh:
    """Edge traversal from face (1-based); the faces reached have traversed 1."""
def mark(mesh: Mesh, face: int, depth: int = 0, angle: int = 0,
         hue: Optional[int] = None) -> Mesh:
    """The traversal from face marked as the next segment."""
def terrain(heights: Union[None, _Path, npt.ArrayLike] = None, resolution: int = 64,
            scale: int = 256, height: int = 64, *, progress: _Progress = None) -> Mesh:
    """A terrain from grey levels 0 .. 255 (2-D array), a PNG, or the black map."""
def height_colours(mesh: Mesh, stops: Optional[npt.ArrayLike] = None,
                   use_stops: bool = False) -> Mesh:
    """Vertex colours by height: the hue ramp, or stops (value, r, g, b)."""
def morphogen_colours(mesh: Mesh, settings: Optional[_Path] = None, *, mix: int = 0,
                      base: Sequence[int] = (0, 0, 0),
                      colours: Optional[Sequence[Sequence[int]]] = None,
                      toggles: Optional[Sequence[int]] = None) -> Mesh:
    """Vertex colours from the morphogens: a .mor file or the page's values."""
def clip_planes(mesh: Mesh, path: Optional[_Path] = None) -> npt.NDArray[np.float64]:
    """(k, 4) plane equations of the mesh's clipping cube or of a .slc file."""
def clip(mesh: Mesh, planes: Union[_Path, npt.ArrayLike]) -> npt.NDArray[np.bool_]:
    """Per face: every corner on the kept side of every plane."""
