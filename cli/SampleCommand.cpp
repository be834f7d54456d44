#include "CliCommon.h"
#include "Commands.h"

#include "mesh/engine/HsvToRgb.h"
#include "mesh/engine/Mesh.h"
#include "mesh/engine/Vector.h"
#include "mesh/engine/WriteMeshFile.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>

namespace {

// A (2, 3) torus knot swept by a circle, coloured by hue along the knot.
void torusKnot(Mesh& mesh, int along, int around)
{
    constexpr float pi = std::numbers::pi_v<float>;
    const auto curve = [](float t) {
        const float r = 2.0f + std::cos(3.0f * t);
        return Vector(r * std::cos(2.0f * t), r * std::sin(2.0f * t), std::sin(3.0f * t));
    };
    mesh.allocateVertices(along * around);
    mesh.allocateFaces(2 * along * around);
    for (int i = 0; i < along; ++i) {
        const float t = 2.0f * pi * float(i) / float(along);
        const Vector p = curve(t);
        Vector tangent = curve(t + 1e-3f) - curve(t - 1e-3f);
        tangent.normalise();
        // A frame from the tangent and the direction to the knot's axis.
        Vector side;
        side.cross(tangent, Vector(0.0f, 0.0f, 1.0f));
        side.normalise();
        Vector up;
        up.cross(side, tangent);
        float r = 0, g = 0, b = 0;
        hsvToRgb(360.0f * float(i) / float(along), 0.65f, 0.95f, r, g, b);
        for (int j = 0; j < around; ++j) {
            const float a = 2.0f * pi * float(j) / float(around);
            const std::size_t v = std::size_t(i * around + j);
            const Vector q = p + 0.45f * (std::cos(a) * side + std::sin(a) * up);
            mesh.vertices[v] = Vector(q.x, q.y, q.z, 1.0f);
            mesh.vertexColours[v] = Vector(r, g, b, 1.0f);
        }
    }
    mesh.vertexColoursSet = true;
    int f = 0;
    for (int i = 0; i < along; ++i) {
        for (int j = 0; j < around; ++j) {
            const int a = i * around + j;
            const int b = ((i + 1) % along) * around + j;
            const int c = ((i + 1) % along) * around + (j + 1) % around;
            const int d = i * around + (j + 1) % around;
            for (const auto& corners : { std::array { a, b, c }, std::array { a, c, d } }) {
                for (int k = 0; k < 3; ++k)
                    mesh.faces[std::size_t(f)].index[k] = corners[std::size_t(k)];
                ++f;
            }
        }
    }
}

} // namespace

int runSample(const Args& args)
{
    if (args.size() != 1)
        return fail("sample takes OUT (see facetra-cli sample --help)");
    if (const std::string refusal = meshWriteProblem(args[0]); !refusal.empty())
        return fail(refusal);
    Mesh knot;
    torusKnot(knot, 300, 24);
    if (!writeMeshFile(knot, args[0], true))
        return fail("cannot write '" + args[0] + "'");
    std::printf("wrote the sample mesh to %s\n", args[0].c_str());
    return 0;
}
