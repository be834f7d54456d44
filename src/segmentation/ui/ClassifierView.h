#pragma once

#include "segmentation/engine/Mesh_Classifier.h"

#include <QString>

class Mesh;
class Progress;

// The view's share of the classification: the classifier bound to the view's
// mesh, what the classifier slots do with it, and the overlay drawn over the
// mesh (the seed face of every patch in yellow, and the patch being browsed).
class ClassifierView
{
public:
    explicit ClassifierView(Mesh& mesh);

    Mesh_Classifier classifier;
    // The patch "Previous" and "Next" show, -1 for none, and the membership in
    // percent a face needs to be shown in it.
    int shownPatch = -1;
    int threshold = 1;

    // Loading or reloading a mesh.
    void reset();
    // Builds what the classifier reads and classifies; false when nothing was
    // classified (empty mesh, table refused).
    bool classify(Progress* progress);
    // Re-partitions into n patches, n kept within the seeds found; false, doing
    // nothing, before any classification or for n below 1.
    bool repartition(int n);
    void browse(int patch);
    void setThreshold(int percent);
    void setWeight(float weight);
    void setMode(int mode);
    bool load(const QString& name);
    bool save(const QString& name);

    // Seed faces flat yellow, the browsed patch lightened; lighting off, in the
    // mesh's centred frame.
    void drawOverlay() const;

private:
    Mesh& mesh;
};
