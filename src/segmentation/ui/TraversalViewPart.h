#pragma once

#include "segmentation/engine/EdgeTraversal.h"
#include "segmentation/engine/SegmentExport.h"

#include <QString>

#include <vector>

class Mesh;

// The view's share of edge traversal and segment marking: the engine bound to
// the view's mesh, the bodies of the view's slots, and the highlight of the
// faces the latest traversal reached. The view forwards to it and repaints.
class TraversalViewPart
{
public:
    explicit TraversalViewPart(Mesh& mesh);

    EdgeTraversal traversal;

    // The slots: act only while traversalAllowed(mesh). Return whether they ran.
    bool edgeTraversal(int depth, int angle);
    bool markCurrent();
    // After every pick, hit or miss: a traversal with the stored depth and angle.
    void afterPick();
    // A mesh was loaded or reloaded: its faces carry no segments, so numbering
    // starts again and the highlight goes.
    void meshReplaced();

    // The segmented export into the working directory.
    SegmentExportReport saveAll();
    // The status-bar line for an export into folder.
    static QString saveAllStatus(const SegmentExportReport& report, const QString& folder);

    // Draws the reached faces (apart from the picked one, which keeps its red) in
    // the highlight colour just in front of the surface. Expects the view's
    // modelview and lighting off; leaves GL state as it found it.
    void drawOverlay() const;

    // Faces flagged by the latest traversal, in the order they were reached.
    const std::vector<int>& highlighted() const { return reached; }
    // Undo and Redo trade the highlight with the one a step kept.
    void swapHighlight(std::vector<int>& other) { reached.swap(other); }

private:
    void collectReached();

    Mesh& mesh;
    std::vector<int> reached;
};
