#pragma once

#include "segmentation/engine/SegmentExport.h"

#include <QString>

#include <vector>

class Mesh;

// The view's share of edge traversal and segment marking.

// Draws the faces the latest traversal reached (apart from the picked one,
// which keeps its red) in the highlight colour just in front of the surface,
// lit as the mesh is: with its face normals when `flat`, else its vertex
// normals. Expects the view's modelview; leaves GL state as it found it.
void drawTraversalOverlay(const Mesh& mesh, const std::vector<int>& reached, bool flat);

// The status-bar line for a segmented export into folder.
QString segmentExportStatus(const SegmentExportReport& report, const QString& folder);
