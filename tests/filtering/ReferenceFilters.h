#pragma once

#include "mesh/engine/Vector.h"

#include <vector>

class Mesh;

// The filters written the plain way, walking a linked list of the free faces and
// searching each face's neighbourhood afresh; the fast ones must agree bit for
// bit. A non-empty profile weights the normals as the page's curve does.
int referenceRegions(Mesh& mesh, float r, bool moving, const std::vector<Vector>& profile = {},
    int profileHeight = 0);
void referenceMedian(Mesh& mesh, int depth);
