#pragma once

#include "TestUtil.h"

#include "mesh/engine/Mesh.h"
#include "mesh/engine/ReadObj.h"

#include <string>

namespace testutil {

// One read of OBJ text through a file, with everything it printed.
struct ObjRead
{
    bool ok = false;
    std::string out;
    std::string err;
    ObjReadReport report;
    std::string path;
};

inline ObjRead readObjText(Mesh& mesh, const std::string& text, const std::string& name = "m.obj")
{
    static TempDir dir;
    ObjRead r;
    r.path = dir.write(name, text);
    mesh.clear();
    r.err = captureStderr(
        [&] { r.out = captureStdout([&] { r.ok = readObj(mesh, r.path, &r.report); }); });
    return r;
}

// The lines a read prints after "Opening: <path>".
inline std::string afterOpening(const ObjRead& r)
{
    const std::string opening = "Opening: " + r.path + "\n";
    if (r.out.compare(0, opening.size(), opening) != 0)
        return "<no opening line> " + r.out;
    return r.out.substr(opening.size());
}

} // namespace testutil
