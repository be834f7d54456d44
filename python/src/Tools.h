#pragma once

#include "MeshArrays.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

class Workbench;

// Runs steps, a list of (verb or script line, {key: value}), on a copy of
// mesh and returns the mesh they left. ValueError for a damaged step or a
// refusal, KeyboardInterrupt when Ctrl+C or the callback stopped it.
MeshHandle applySteps(const Mesh& mesh, const pybind11::list& steps, pybind11::handle callback);

// The classify step on a copy of mesh: (mesh, seeds, patch of each face), the
// seeds and patches as facetra-cli classify --json gives them.
pybind11::tuple classify(const Mesh& mesh, const pybind11::dict& params, pybind11::handle callback);

// The terrain step: heights a 2-D array of grey levels 0 .. 255 (rows top to
// bottom, as the page's image), a PNG file's name, or None for the black map.
MeshHandle terrain(
    pybind11::handle heights, const pybind11::dict& params, pybind11::handle callback);

// The clipping planes of the cube made around mesh, or loaded from a .slc
// file (path not None), as (k, 4) equations A x + B y + C z + D >= 0 in the
// mesh's coordinates.
pybind11::array clipPlanes(const Mesh& mesh, pybind11::handle path);
// Per face, whether every corner lies on the kept side of every plane (a .slc
// file or a (k, 4) array of equations in the mesh's coordinates).
pybind11::array clip(const Mesh& mesh, pybind11::handle planes);

// Gives the workbench the PNG height-map reader facetra-cli uses, when the
// module is built with it.
void installHeightMapReader(Workbench& workbench);
