#!/usr/bin/env python3
"""Writes the sample models of examples/VRMLmodels.

The model reader is not a VRML parser: it finds keywords as whole words and then reads each list
with a fixed pattern. The files are therefore written in the one layout it reads correctly:
  - "point [" / "vector [" followed by whitespace, then "x y z," with the comma right after the
    third number;
  - coordIndex entries as "0, 1, 2, -1," (a space after every comma);
  - normalIndex entries as "0,1,2,-1," (commas directly after each number).
Every face is wound counter-clockwise seen from outside (the perspective view culls back faces),
and every model fits the default view box (-2..2).

Usage: scripts/make_examples.py [output folder]   (default: examples/VRMLmodels)
"""

import math
import os
import sys


def sub(a, b):
    return (a[0] - b[0], a[1] - b[1], a[2] - b[2])


def dot(a, b):
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]


def normalize(a):
    length = math.sqrt(dot(a, a))
    return (a[0] / length, a[1] / length, a[2] / length)


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def orient(face, points, outward):
    """Returns the face wound counter-clockwise as seen from the side `outward` points to."""
    n = [0.0, 0.0, 0.0]
    for i, a in enumerate(face):
        p, q = points[a], points[face[(i + 1) % len(face)]]
        n[0] += (p[1] - q[1]) * (p[2] + q[2])
        n[1] += (p[2] - q[2]) * (p[0] + q[0])
        n[2] += (p[0] - q[0]) * (p[1] + q[1])
    return list(face) if dot(n, outward) >= 0 else list(reversed(face))


def centroid(face, points):
    c = [0.0, 0.0, 0.0]
    for a in face:
        for k in range(3):
            c[k] += points[a][k] / len(face)
    return tuple(c)


def fmt(v):
    return " ".join("%.4f" % (c + 0.0) for c in v).replace("-0.0000", "0.0000")


def vector_lines(vectors, indent):
    return "".join("%s%s,\n" % (indent, fmt(v)) for v in vectors)


def coord_lines(faces, indent):
    return "".join("%s%s\n" % (indent, "".join("%d, " % i for i in f) + "-1,") for f in faces)


def normal_index_lines(faces, indent):
    return "".join("%s%s\n" % (indent, "".join("%d," % i for i in f) + "-1,") for f in faces)


def vrml1(points, faces, normals=None, normal_faces=None):
    out = ["#VRML V1.0 ascii\n\nSeparator {\n"]
    out.append("  Coordinate3 {\n    point [\n%s    ]\n  }\n" % vector_lines(points, "      "))
    if normals:
        out.append("  NormalBinding { value PER_VERTEX_INDEXED }\n")
        out.append("  Normal {\n    vector [\n%s    ]\n  }\n" % vector_lines(normals, "      "))
    out.append("  IndexedFaceSet {\n    coordIndex [\n%s    ]\n" % coord_lines(faces, "      "))
    if normals:
        out.append("    normalIndex [\n%s    ]\n" % normal_index_lines(normal_faces, "      "))
    out.append("  }\n}\n")
    return "".join(out)


def vrml2(points, faces, normals=None, normal_faces=None, indent="        "):
    out = ["#VRML V2.0 utf8\n\nShape {\n"]
    out.append("  appearance Appearance { material Material { diffuseColor 0.8 0.8 0.8 } }\n")
    out.append("  geometry IndexedFaceSet {\n")
    out.append("    coord Coordinate {\n      point [\n%s      ]\n    }\n"
               % vector_lines(points, indent))
    if normals:
        out.append("    normal Normal {\n      vector [\n%s      ]\n    }\n"
                   % vector_lines(normals, indent))
    out.append("    coordIndex [\n%s    ]\n" % coord_lines(faces, indent))
    if normals:
        out.append("    normalIndex [\n%s    ]\n" % normal_index_lines(normal_faces, indent))
    out.append("  }\n}\n")
    return "".join(out)


def cube():
    """A unit cube around the origin: six quads, one normal per face (VRML 1.0)."""
    points = [(x, y, z) for x in (-0.5, 0.5) for y in (-0.5, 0.5) for z in (-0.5, 0.5)]
    normals = [(-1, 0, 0), (1, 0, 0), (0, -1, 0), (0, 1, 0), (0, 0, -1), (0, 0, 1)]
    faces, normal_faces = [], []
    for k, n in enumerate(normals):
        axis = [i for i in range(3) if n[i] != 0][0]
        corner = [i for i, p in enumerate(points) if p[axis] * n[axis] > 0]
        # Order the four corners around the face centre, then wind them outwards.
        c = centroid(corner, points)
        u, v = [i for i in range(3) if i != axis]
        corner.sort(key=lambda i: math.atan2(points[i][v] - c[v], points[i][u] - c[u]))
        faces.append(orient(corner, points, n))
        normal_faces.append([k] * 4)
    return vrml1(points, faces, normals, normal_faces), 12


def pyramid():
    """A square pyramid, base quad and four triangles, no normals (VRML 2.0)."""
    points = [(-0.6, -0.5, -0.6), (0.6, -0.5, -0.6), (0.6, -0.5, 0.6), (-0.6, -0.5, 0.6),
              (0.0, 0.7, 0.0)]
    faces = [orient([0, 1, 2, 3], points, (0, -1, 0))]
    for i in range(4):
        face = [i, (i + 1) % 4, 4]
        faces.append(orient(face, points, sub(centroid(face, points), (0, -0.1, 0))))
    return vrml2(points, faces), 6


def sphere(stacks=16, slices=24, radius=0.8):
    """A UV sphere whose polar caps are single polygons, no normals (VRML 1.0)."""
    points = []
    for k in range(1, stacks):
        theta = math.pi * k / stacks
        for s in range(slices):
            phi = 2 * math.pi * s / slices
            points.append((radius * math.sin(theta) * math.cos(phi), radius * math.cos(theta),
                           radius * math.sin(theta) * math.sin(phi)))

    def at(ring, s):
        return ring * slices + s % slices

    faces = [orient([at(0, s) for s in range(slices)], points, (0, 1, 0)),
             orient([at(stacks - 2, s) for s in range(slices)], points, (0, -1, 0))]
    for ring in range(stacks - 2):
        for s in range(slices):
            face = [at(ring, s), at(ring, s + 1), at(ring + 1, s + 1), at(ring + 1, s)]
            faces.append(orient(face, points, centroid(face, points)))
    triangles = 2 * (slices - 2) + 2 * slices * (stacks - 2)
    return vrml1(points, faces), triangles


def tube(centre, frame, segments, sides, radius):
    """Points, smooth normals and outward quads of a closed tube around a closed curve."""
    points, normals = [], []
    for i in range(segments):
        t = 2 * math.pi * i / segments
        c = centre(t)
        n, b = frame(t)
        for j in range(sides):
            a = 2 * math.pi * j / sides
            d = tuple(math.cos(a) * n[k] + math.sin(a) * b[k] for k in range(3))
            points.append(tuple(c[k] + radius * d[k] for k in range(3)))
            normals.append(d)
    faces = []
    for i in range(segments):
        for j in range(sides):
            face = [((i + di) % segments) * sides + (j + dj) % sides
                    for di, dj in ((0, 0), (1, 0), (1, 1), (0, 1))]
            faces.append(orient(face, points, normals[face[0]]))
    return points, normals, faces


def torus(major=0.7, minor=0.25, segments=48, sides=24):
    """A ring torus in the XZ plane with smooth normals (VRML 2.0)."""

    def centre(t):
        return (major * math.cos(t), 0.0, major * math.sin(t))

    def frame(t):
        return (math.cos(t), 0.0, math.sin(t)), (0.0, 1.0, 0.0)

    points, normals, faces = tube(centre, frame, segments, sides, minor)
    return vrml2(points, faces, normals, faces), 2 * segments * sides


def knot(segments=512, sides=50, scale=0.4, radius=0.15):
    """A (2, 3) torus knot tube of about 51 thousand triangles with smooth normals (VRML 2.0)."""

    def centre(t):
        r = 2 + math.cos(3 * t)
        return (scale * r * math.cos(2 * t), scale * math.sin(3 * t), scale * r * math.sin(2 * t))

    def frame(t):
        h = 1e-5
        tangent = normalize(sub(centre(t + h), centre(t - h)))
        core = (2 * scale * math.cos(2 * t), 0.0, 2 * scale * math.sin(2 * t))
        d = sub(centre(t), core)
        along = dot(d, tangent)
        n = normalize(tuple(d[k] - along * tangent[k] for k in range(3)))
        return n, cross(tangent, n)

    points, normals, faces = tube(centre, frame, segments, sides, radius)
    return vrml2(points, faces, normals, faces, indent=""), 2 * segments * sides


MODELS = {
    "cube.wrl": cube,
    "pyramid.wrl": pyramid,
    "sphere.wrl": sphere,
    "torus.wrl": torus,
    "knot.wrl": knot,
}


def main():
    top = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(top, "examples", "VRMLmodels")
    os.makedirs(folder, exist_ok=True)
    for name, make in MODELS.items():
        text, triangles = make()
        with open(os.path.join(folder, name), "w", newline="\n") as out:
            out.write(text)
        print("%-12s %6d triangles %8d bytes" % (name, triangles, len(text)))


if __name__ == "__main__":
    main()
