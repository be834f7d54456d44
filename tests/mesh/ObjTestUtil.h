#pragma once

#include "TestUtil.h"

#include "mesh/engine/Mesh.h"
#include "mesh/engine/ReadNet.h"
#include "mesh/engine/ReadObj.h"

#include <string>

namespace testutil {

// One read of OBJ or net text (by the name's suffix) through a file, with what it printed.
struct ObjRead
{
    bool ok = false;
    std::string out;
    std::string err;
    ObjReadReport report;
};

inline ObjRead readText(Mesh& mesh, const std::string& text, const std::string& name = "m.obj")
{
    static TempDir dir;
    const std::string path = dir.write(name, text);
    ObjRead r;
    mesh.clear();
    r.err = captureStderr([&] {
        r.out = captureStdout([&] {
            r.ok = name.ends_with(".net") ? readNet(mesh, path) : readObj(mesh, path, &r.report);
        });
    });
    return r;
}
} // namespace testutil
