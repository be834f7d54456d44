#pragma once

class Mesh;

// Gives mesh the vertices and faces of fresh, as clear() followed by filling the
// arrays would, without copying: the arrays are moved, so fresh's face pointers
// stay valid in mesh. Morphogen names, the picked face, centre and extent stay
// with mesh; the box corners and edge arrays are reset as clear() does. Meant
// for tools that build a whole new vertex and face set aside first, so that a
// failure half-way never leaves the mesh emptied.
void replaceGeometry(Mesh& mesh, Mesh& fresh);
