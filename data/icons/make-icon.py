#!/usr/bin/env python3
"""Draws the application icon: a faceted hexagon, lit from the upper left.

Writes facetra.svg (hand-readable, the scalable icon) and facetra.png (256 x 256,
drawn by ImageMagick from the same triangles). Run it from this folder after
changing the shape; both results are committed.
"""
import math
import subprocess

SIZE = 256
CENTRE = (128.0, 128.0)
RADIUS = 116.0
# Corners of the hexagon, the first at the top, clockwise.
corners = [(CENTRE[0] + RADIUS * math.sin(math.pi / 3 * k),
            CENTRE[1] - RADIUS * math.cos(math.pi / 3 * k)) for k in range(6)]
# The centre is raised towards the viewer, so each facet leans its own way.
apex = (CENTRE[0] - 14.0, CENTRE[1] - 12.0)
shades = ["#6fb6f0", "#3d8fd6", "#1f5fa8", "#17477f", "#2a6fba", "#8ccaf7"]
edge = "#f4f8fc"

def points(tri):
    return " ".join(f"{x:.1f},{y:.1f}" for x, y in tri)

facets = [(apex, corners[k], corners[(k + 1) % 6]) for k in range(6)]

svg = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{SIZE}" height="{SIZE}" '
       f'viewBox="0 0 {SIZE} {SIZE}">']
for tri, shade in zip(facets, shades):
    svg.append(f'  <polygon points="{points(tri)}" fill="{shade}" stroke="{edge}" '
               f'stroke-width="4" stroke-linejoin="round"/>')
svg.append("</svg>")
with open("facetra.svg", "w") as out:
    out.write("\n".join(svg) + "\n")

draw = ["convert", "-size", f"{SIZE}x{SIZE}", "xc:none", "-strokewidth", "4"]
for tri, shade in zip(facets, shades):
    draw += ["-fill", shade, "-stroke", edge, "-draw", f"polygon {points(tri)}"]
draw += ["-define", "png:exclude-chunks=date,time", "PNG32:facetra.png"]
subprocess.run(draw, check=True)
