#pragma once

class Mesh;
struct ClassifierState;

// The view's share of the classification: its overlay over the mesh, drawn
// from the workbench's classifier. The seed face of every patch flat yellow,
// and the faces of the browsed patch (shownPatch, -1 none) whose membership
// reaches threshold percent lightened. Lighting off, in the view's frame
// before the mesh's centring.
void drawClassifierOverlay(
    const Mesh& mesh, const ClassifierState& classifier, int shownPatch, int threshold);
