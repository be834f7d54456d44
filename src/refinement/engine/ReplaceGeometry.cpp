#include "refinement/engine/ReplaceGeometry.h"

#include "mesh/engine/Mesh.h"

#include <utility>

void replaceGeometry(Mesh& mesh, Mesh& fresh)
{
    mesh.clear();
    mesh.vertices = std::move(fresh.vertices);
    mesh.vertexNormals = std::move(fresh.vertexNormals);
    mesh.vertexColours = std::move(fresh.vertexColours);
    mesh.texCoords = std::move(fresh.texCoords);
    mesh.centroids = std::move(fresh.centroids);
    mesh.faces = std::move(fresh.faces);
    mesh.numVertices = fresh.numVertices;
    mesh.numFaces = fresh.numFaces;
    fresh.clear();
}
