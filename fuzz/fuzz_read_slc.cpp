// libFuzzer entry for clipping-plane files (".slc"): the bytes loaded over the
// start-up cube, then every plane selected, tilted, pushed and reset as the
// view does it; the planes and their outlines must stay in step.

#include "FuzzCommon.h"

#include "clipping/engine/PlaneWidgetInCube.h"

#include <cmath>

namespace {

void checkPlanes(const PlaneWidgetInCube& cube)
{
    const auto require = [](bool ok) {
        if (!ok)
            std::abort();
    };
    require(cube.planes.size() <= 6 && cube.outlines.size() == cube.planes.size());
    for (const auto& outline : cube.outlines) {
        require(outline.size() <= 12);
        for (const Vector& p : outline)
            require(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z));
    }
    for (const auto& stroke : cube.drawOrder())
        require(stroke.plane >= 0 && std::size_t(stroke.plane) < cube.planes.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string& path = fuzzing::inputPath("slc");
    if (!fuzzing::writeInput(path, data, size))
        return 0;
    PlaneWidgetInCube cube;
    cube.selectPlane(0);
    if (!cube.load(path))
        return 0;
    checkPlanes(cube);
    for (int k = 0; k < 6; ++k)
        cube.selectPlane(k);
    for (int code = 1; code <= 3; ++code) {
        cube.pressPlanes(Vector(10.0f, 20.0f, 0.0f, 1.0f), code);
        cube.dragPlanes(Vector(40.0f, 5.0f, 0.0f, 1.0f));
        cube.releasePlanes();
        checkPlanes(cube);
    }
    cube.resetCurrent();
    checkPlanes(cube);
    cube.resetAll();
    checkPlanes(cube);
    return 0;
}
