#include "CliCommon.h"
#include "Commands.h"

#include "mesh/engine/Mesh.h"
#include "mesh/engine/Progress.h"
#include "mesh/engine/WriteObj.h"
#include "morphogens/engine/MorphogenColouring.h"
#include "morphogens/engine/MorphogenSettings.h"

int runMorphogens(const Args& args)
{
    std::string settings;
    Args files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--settings") {
            if (i + 1 >= args.size())
                return fail("--settings needs a .mor file");
            settings = args[++i];
        } else {
            files.push_back(args[i]);
        }
    }
    if (settings.empty() || files.size() != 2)
        return fail("morphogens takes --settings F.mor IN OUT.obj (see facetra-cli morphogens "
                    "--help)");
    Mesh mesh;
    if (!loadForTool(mesh, files[0]))
        return 1;
    // The page as a freshly loaded mesh leaves it: one row per name, no
    // colours, all off, black base, additive.
    MorphogenSetting setting;
    setting.colours.assign(mesh.morphogenNames.size(), MorphogenRgb());
    setting.toggles.assign(mesh.morphogenNames.size(), 0);
    std::string problem;
    if (!readMorphogenSetting(settings, setting, &problem))
        return fail("'" + settings + "' was not applied: " + problem);
    verbProgress().checkStop();
    colourByMorphogens(mesh, setting);
    ObjWriteOptions options;
    options.vertexColours = true;
    if (!writeObj(mesh, files[1], options, &verbProgress()))
        return fail(
            "cannot write '" + files[1] + "'" + (mesh.numFaces == 0 ? " (empty mesh)" : ""));
    return 0;
}
