#include "mesh/engine/LoadMesh.h"

#include "mesh/engine/Mesh.h"
#include "mesh/engine/ReadNet.h"
#include "mesh/engine/ReadObj.h"

#include <algorithm>
#include <cctype>

MeshFileKind meshFileKind(const std::string& name)
{
    std::string tail = name.size() > 4 ? name.substr(name.size() - 4) : name;
    std::transform(tail.begin(), tail.end(), tail.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    if (tail.find("obj") != std::string::npos)
        return MeshFileKind::Obj;
    if (tail.find("net") != std::string::npos)
        return MeshFileKind::Net;
    return MeshFileKind::None;
}

bool readMeshFile(Mesh& mesh, const std::string& name, ObjReadReport* report)
{
    switch (meshFileKind(name)) {
    case MeshFileKind::Obj:
        mesh.clear();
        return readObj(mesh, name, report);
    case MeshFileKind::Net:
        mesh.clear();
        return readNet(mesh, name);
    case MeshFileKind::None:
        break;
    }
    return true;
}
