#pragma once

#include "mesh/engine/Vector.h"
#include "segmentation/engine/ShortestPathTable.h"

#include <array>
#include <string>
#include <vector>

class Mesh;
class Progress;

// What a classifier knows besides its distance table: the settings and the
// latest result. Plain data, copied as a whole.
struct ClassifierState
{
    // 1: the next classification computes centroids, costs and distances; a
    // successful load() turns it off.
    int rebuild = 1;
    Mesh* mesh = nullptr;
    // Entry p is the seed face of patch p.
    std::vector<int> seeds;
    std::vector<Vector> patchColours;
    std::vector<Vector> centroids;
    // memberships[p][f]: how much face f belongs to patch p.
    std::vector<std::vector<float>> memberships;
    // The nearest and second-nearest patch of each patch.
    std::vector<std::array<int, 2>> neighbours;
    // 0 Floyd, otherwise Dijkstra: the same table by single-source paths.
    int spMode = 0;
    // Mixes the centroid-distance and the angle term of the edge cost.
    double weight = 0.5;
    int seedRounds = 0;
    int numPatches = 0;
    float meanLength = 0.0f;
    float meanAngle = 0.0f;
    int currentPatch = -1;
    int patchThreshold = 0;
    // The k-medoids patch of each face after partition(); empty before.
    std::vector<int> patchOfFace;
    // Where the long loops report; may be null. When it asks to stop,
    // classify() and partition() throw RunCancelled: classify() then forgets
    // the table and the seeds, partition() puts the seeds back.
    Progress* progress = nullptr;
};

// Divides the faces of a mesh into patches around seed faces chosen by geodesic
// distance: farthest-point seeds over the face distance table, the patch count
// from the largest drop of the sampling radius, fuzzy memberships, refined
// seeds; partition() then re-partitions by k-medoids around the first n seeds.
// Faces are coloured through Face::colour.
//
// Every "best so far" search starts at +infinity, so a mesh whose distance sums
// are large (many faces, or parts that no path joins) still gets its seeds.
class Mesh_Classifier : public ClassifierState
{
public:
    ShortestPathTable table;

    // Everything of other but its table, which cannot be copied.
    void copyAllButTable(const Mesh_Classifier& other);
    // Whether the next classify() fills the table anew rather than reading it.
    bool tableWillBeBuilt() const;

    // Classifies m: builds its vertex normals and edge list, binds the classifier
    // to it and runs classify(), reporting to progress (for this call only).
    bool classifyMesh(Mesh& m, Progress* progress);
    // The whole classification of `mesh` (vertex normals and edge list built).
    // Returns false, with a console line, when there is nothing to classify or
    // the table does not fit; nothing is then changed but the table.
    bool classify();
    // k-medoids over the first n seeds (n within 1 .. seeds.size()), each face
    // coloured with its patch, then fuzzyMemberships(n). False for an n out of
    // range, doing nothing.
    bool partition(int n);
    // Memberships and patch colours for n patches (n <= seeds.size()).
    void fuzzyMemberships(int n);
    // Forgets the classification (loading or reloading a mesh); the mode and
    // the table stay.
    void reset();

    // ".spt" files. load() refuses a file that does not hold a table for the
    // current face count, and then the next classification rebuilds.
    bool load(const std::string& name);
    bool save(const std::string& name);

    void buildCentroids();
    void buildDistances();

    // d(i, j) of the table.
    float distance(int i, int j) const { return table.at(i, j); }

private:
    bool classifyPrepared();
    void partitionFrom(int n);
    bool prepareTable();
    void pickSeeds();
    void choosePatchCount();
    void findNeighbours();
    void refineSeeds();
    void colourFinal();
};
