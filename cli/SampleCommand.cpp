#include "CliCommon.h"
#include "Commands.h"

#include "mesh/engine/HsvToRgb.h"
#include "mesh/engine/Vector.h"
#include "mesh/engine/WriteObj.h"

#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>

namespace {

// A (2, 3) torus knot swept by a circle, coloured by hue along the knot.
std::string torusKnotObj(int along, int around)
{
    constexpr float pi = std::numbers::pi_v<float>;
    const auto curve = [](float t) {
        const float r = 2.0f + std::cos(3.0f * t);
        return Vector(r * std::cos(2.0f * t), r * std::sin(2.0f * t), std::sin(3.0f * t));
    };
    std::string text = "# Facetra sample: a (2, 3) torus knot\n";
    std::string colours;
    char line[128];
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
            const Vector q = p + 0.45f * (std::cos(a) * side + std::sin(a) * up);
            std::snprintf(line, sizeof line, "v %g %g %g\n", double(q.x), double(q.y), double(q.z));
            text += line;
            std::snprintf(line, sizeof line, "vc %g %g %g\n", double(r), double(g), double(b));
            colours += line;
        }
    }
    text += colours;
    for (int i = 0; i < along; ++i) {
        for (int j = 0; j < around; ++j) {
            const int a = i * around + j + 1;
            const int b = ((i + 1) % along) * around + j + 1;
            const int c = ((i + 1) % along) * around + (j + 1) % around + 1;
            const int d = i * around + (j + 1) % around + 1;
            std::snprintf(line, sizeof line, "f %d %d %d\nf %d %d %d\n", a, b, c, a, c, d);
            text += line;
        }
    }
    return text;
}

} // namespace

int runSample(const Args& args)
{
    if (args.size() != 1)
        return fail("sample takes OUT.obj (see facetra-cli sample --help)");
    if (!writeFileReplacing(args[0], torusKnotObj(300, 24)))
        return fail("cannot write '" + args[0] + "'");
    std::printf("wrote the sample mesh to %s\n", args[0].c_str());
    return 0;
}
