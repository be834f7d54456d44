// Steps compose: B run after A in one workbench gives what B gives on A's
// result saved and opened again in a fresh one. Whatever B depends on beyond
// what the mesh shows (a stale table, a filter's leftover run, the numbering
// of earlier segments, normals or colours out of date) shows up as a
// difference. A binary PLY file holds positions and corners exactly and the
// vertex colours as bytes without alpha; what it does not hold at all is
// handed to the reference by hand.
#include "WorkbenchTestUtil.h"

#include <filesystem>

using namespace wbtest;

namespace {

namespace fs = std::filesystem;

// What A leaves that a mesh file does not hold.
enum Leaves : unsigned {
    // The filters write face normals only; a file's normals are the faces' own.
    FilteredNormals = 1u << 0,
    // Face colours, traversal flags and segments with the count of segments.
    FaceMarks = 1u << 1,
    // The classifier's result (not its table: a step must not depend on it).
    Classification = 1u << 2,
    // The picked face and the traversal's depth and angle.
    PickedFace = 1u << 3,
    // A terrain's white: shown, but no colours of the mesh's own, so a file
    // gets none and the mesh opened again shows the default colour.
    ShownColours = 1u << 4,
};

struct Tool
{
    // "{face}" stands for a face a third of the way through the mesh.
    std::vector<std::string> lines;
    unsigned leaves = 0;
};

const Tool tools[] = {
    { { "subdivide levels=1 weight=0.03125" } },
    { { "simplify lod=60" } },
    { { "filter algorithm=meanshift radius=30" }, FilteredNormals },
    { { "filter algorithm=spherejump radius=30" }, FilteredNormals },
    { { "filter algorithm=median radius=2" }, FilteredNormals },
    { { "classify weight=0.5 mode=dijkstra" }, FaceMarks | Classification },
    { { "pick face={face} depth=1 angle=40", "traverse depth=4 angle=50", "mark hue=9000" },
        FaceMarks | PickedFace },
    { { "terrain heightmap=ramp.png resolution=12 scale=64 height=32" }, ShownColours },
    { { "morphogens mix=0 base=40,80,120 colours=200,10,10;10,200,10 toggles=1,1" } },
    { { "height-colours use-stops=1 stops=0:0,0,1;0.5:0,1,0;1:1,0,0.25" } },
    { { "reload" } },
};

// "" when every line ended done, else the first that did not.
std::string runLines(Workbench& w, const std::vector<std::string>& lines)
{
    for (std::string line : lines) {
        if (const std::size_t at = line.find("{face}"); at != std::string::npos)
            line.replace(at, 6, std::to_string(w.mesh.numFaces / 3 + 1));
        if (std::string problem = runLine(w, line); !problem.empty())
            return problem;
    }
    return {};
}

// What A left, taken just before B.
struct Handover
{
    std::unique_ptr<Mesh> mesh, backup;
    ClassifierState classifier;
    int segmentCount, depth, angle;
    bool faceColours, normalShading;

    explicit Handover(const Workbench& w)
        : mesh(w.mesh.duplicate())
        , backup(w.backupMesh.duplicate())
        , classifier(w.classifier)
        , segmentCount(w.traversal.segmentCount)
        , depth(w.traversal.depth)
        , angle(w.traversal.angle)
        , faceColours(w.faceColours)
        , normalShading(w.normalShading)
    { }

    void giveTo(Workbench& r, unsigned leaves, bool reloads)
    {
        Mesh& m = r.mesh;
        if (m.faces.size() != mesh->faces.size())
            return;
        for (std::size_t f = 0; f < m.faces.size(); ++f) {
            const Face& a = mesh->faces[f];
            if (leaves & FilteredNormals)
                m.faces[f].normal = a.normal;
        }
        if (leaves & FaceMarks) {
            m.faceColours = mesh->faceColours;
            m.faceTraversed = mesh->faceTraversed;
            m.faceSegments = mesh->faceSegments;
        }
        if (leaves & FilteredNormals)
            r.normalShading = normalShading;
        if (leaves & FaceMarks) {
            r.traversal.segmentCount = segmentCount;
            r.faceColours = faceColours;
        }
        if (leaves & Classification) {
            static_cast<ClassifierState&>(r.classifier) = classifier;
            r.classifier.mesh = &m;
        }
        if ((leaves & ShownColours) && m.vertexColours.size() == mesh->vertexColours.size())
            m.vertexColours = mesh->vertexColours;
        if (leaves & PickedFace) {
            m.selected = mesh->selected;
            r.traversal.depth = depth;
            r.traversal.angle = angle;
        }
        // A PLY file holds no morphogens.
        m.morphogenValues = mesh->morphogenValues;
        m.morphogenNames = mesh->morphogenNames;
        // Reload goes back to the mesh as last read, which the saved result is
        // not: the reference reloads the chain's.
        if (reloads)
            r.backupMesh = std::move(*backup);
    }
};

// What B left: the vertex colours apart, the rest as bytes by part.
struct Observed
{
    std::string problem;
    std::vector<std::pair<const char*, std::string>> parts;
    LargeVector<Vector> vertexColours;
};

Observed observe(Workbench& w, const std::string& segmentFolder)
{
    const Mesh& m = w.mesh;
    Observed o { runLine(w, "save-segments " + segmentFolder), {}, m.vertexColours };
    // A PLY file holds x, y and z of a position, not the w a tool may leave.
    std::string positions, segmentFiles;
    for (const Vector& v : m.vertices)
        positions += bytes(v.x, v.y, v.z);
    for (const auto& entry : fs::directory_iterator(segmentFolder))
        segmentFiles
            += bytes(entry.path().filename().string(), testutil::readFile(entry.path().string()));
    o.parts = {
        { "positions", positions },
        { "triangles", eachFace(m, [](const Face& f) { return bytes(f.index); }) },
        { "normals", normals(m) },
        { "face marks",
            eachMark(m, [](const auto& f) { return bytes(f.colour, f.traversed, f.segment); }) },
        { "patches", bytes(w.classifier.patchOfFace, w.classifier.seeds) },
        { "morphogens", bytes(m.morphogenValues, m.morphogenNames) },
        { "pick", bytes(m.selected) },
        { "colours shown", bytes(w.faceColours, w.normalShading) },
        { "segment files", segmentFiles },
    };
    return o;
}

// The parts that differ; colours A made went through the file as bytes without
// alpha and are compared within 1/255.
std::string compare(const Observed& chain, const Observed& ref, bool coloursThroughFile)
{
    if (!chain.problem.empty() || !ref.problem.empty())
        return "chain: " + chain.problem + "; reference: " + ref.problem;
    std::string differ;
    for (std::size_t i = 0; i < chain.parts.size(); ++i) {
        if (chain.parts[i].second != ref.parts[i].second)
            differ += std::string(chain.parts[i].first) + "; ";
    }
    const float d = coloursThroughFile ? 1.0f / 255.0f : 0.0f;
    const auto near = [d](const Vector& a, const Vector& b) {
        return std::fabs(a.x - b.x) <= d && std::fabs(a.y - b.y) <= d && std::fabs(a.z - b.z) <= d
            && (d > 0.0f || a.w == b.w);
    };
    if (!std::equal(chain.vertexColours.begin(), chain.vertexColours.end(),
            ref.vertexColours.begin(), ref.vertexColours.end(), near))
        differ += "vertex colours";
    return differ;
}

} // namespace

TEST(Composition, EveryPairOfStepsGivesWhatTheSecondGivesOnTheSavedResultOfTheFirst)
{
    const TempDir dir;
    std::vector<std::string> inputs;
    // Closed, with creases, flat parts and regions whose normals cancel.
    if (const std::string cross = std::string(FACETRA_MESH_DIR) + "/cross.obj"; fs::exists(cross))
        inputs.push_back(cross);
    // Values for the morphogen step to colour by.
    inputs.push_back(writeGrid(dir, "morphogens.obj", 6));

    std::string failed;
    int caseNo = 0;
    testutil::captureStdout([&] {
        for (const std::string& input : inputs) {
            for (const Tool& a : tools) {
                for (const Tool& b : tools) {
                    const std::string stem = dir.file(std::to_string(caseNo++));
                    Observed chain, ref;
                    std::unique_ptr<Handover> handover;
                    {
                        Workbench w;
                        readRampMaps(w);
                        if (!w.open(input, &chain.problem))
                            chain.problem = "open: " + chain.problem;
                        else if ((chain.problem = runLines(w, a.lines)).empty()
                            && (chain.problem = runLine(w, "save " + stem + ".ply")).empty()) {
                            handover = std::make_unique<Handover>(w);
                            if ((chain.problem = runLines(w, b.lines)).empty())
                                chain = observe(w, stem + "-chain");
                        }
                    }
                    if (handover) {
                        Workbench r;
                        readRampMaps(r);
                        if (!r.open(stem + ".ply", &ref.problem)) {
                            ref.problem = "open: " + ref.problem;
                        } else {
                            handover->giveTo(r, a.leaves, b.lines[0] == "reload");
                            if ((ref.problem = runLines(r, b.lines)).empty())
                                ref = observe(r, stem + "-ref");
                        }
                    }
                    const bool throughFile = handover && handover->mesh->vertexColoursSet;
                    if (const std::string d = compare(chain, ref, throughFile); !d.empty())
                        failed
                            += input + ": " + a.lines[0] + " then " + b.lines[0] + ": " + d + '\n';
                }
            }
        }
    });
    EXPECT_EQ(failed, "");
}
