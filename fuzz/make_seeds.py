#!/usr/bin/env python3
"""Writes the model seed corpus fuzz/corpus/model/ from the model texts that the reading tests
spell out as C++ string literals, plus the two small example models. Run from anywhere; files are
named by a hash of their bytes, so running it again adds nothing twice."""
import hashlib
import pathlib
import re
import shutil

top = pathlib.Path(__file__).resolve().parent.parent
out = top / "fuzz" / "corpus" / "model"
out.mkdir(parents=True, exist_ok=True)

literal = re.compile(r'"((?:[^"\\\n]|\\.)*)"')
# Adjacent literals (only white space between them) are one string, as the compiler joins them.
joined = re.compile(r'(?:"(?:[^"\\\n]|\\.)*"\s*)+')
# Raw string literals R"(...)" hold whole model files.
raw = re.compile(r'R"([^(\s]*)\((.*?)\)\1"', re.S)
keywords = ("Coordinate", "Normal", "coordIndex", "normalIndex", "point", "vector", "Box", "Cube",
            "Sphere", "Cone", "Cylinder", "ElevationGrid", "Extrusion", "Inline", "PROTO", "Text")
escapes = {"n": b"\n", "t": b"\t", "r": b"\r", "\\": b"\\", '"': b'"', "'": b"'", "0": b"\0"}


def decode(body):
    data = bytearray()
    i = 0
    while i < len(body):
        c = body[i]
        if c == "\\" and i + 1 < len(body):
            e = body[i + 1]
            if e == "x":
                m = re.match(r"[0-9a-fA-F]{1,2}", body[i + 2:])
                data += bytes([int(m.group(0), 16)])
                i += 2 + len(m.group(0))
                continue
            data += escapes.get(e, e.encode())
            i += 2
            continue
        data += c.encode()
        i += 1
    return bytes(data)


count = 0
sources = [*(top / "tests" / "library").glob("*.cpp"), *(top / "tests" / "reader_helper").glob("*.cpp")]
for source in sorted(sources):
    text = source.read_text()
    for match in joined.finditer(text):
        data = b"".join(decode(m.group(1)) for m in literal.finditer(match.group(0)))
        if len(data) < 8 or not any(k.encode() in data for k in keywords):
            continue
        name = out / ("t-" + hashlib.sha1(data).hexdigest()[:12] + ".wrl")
        name.write_bytes(data)
        count += 1
    for match in raw.finditer(text):
        data = match.group(2).encode()
        if len(data) < 8 or not any(k.encode() in data for k in keywords):
            continue
        name = out / ("t-" + hashlib.sha1(data).hexdigest()[:12] + ".wrl")
        name.write_bytes(data)
        count += 1
for example in ("cube.wrl", "pyramid.wrl"):
    shutil.copy(top / "examples" / "VRMLmodels" / example, out / example)
print(f"{count} seeds from the tests, 2 examples, in {out}")

# Scene files: a few valid ones and a few broken in the ways the reader must reject.
scenes = top / "fuzz" / "corpus" / "scene"
scenes.mkdir(parents=True, exist_ok=True)
identity = "1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 "
ortho = "0.5 0 0 0 0 0.5 0 0 0 0 -0.1 0 0 0 0 1 "


def view(tail="0 0 5 0 0 0 0 0 ", projection=identity):
    return projection + identity + tail + "\n"


views = view("5 0 0 0 0 0 0 0 ", ortho) + view() + view("0 5 0 0 0 0 0 0 ") + view("0 0 5 0.25 -1 -40 359 0.5 ")
scene_seeds = {
    "empty.vsf": views,
    "two.vsf": views + "box.wrl " + identity + "cone.wrl 2 0 0 0 0 2 0 0 0 0 2 0 0.5 -1 3 1 ",
    "crlf.vsf": views.replace("\n", "\r\n") + "a " + identity,
    "exponents.vsf": views + "box.wrl 1e-3 0 0 0 0 1E+2 0 0 0 0 -0.0 0 3.5e7 0 0 1 ",
    "truncated.vsf": views + "box.wrl 1 0 0 0 0 1 0 ",
    "unknown.vsf": views + "missing.wrl " + identity,
    "nan.vsf": views + "box.wrl nan 0 0 0 0 inf 0 0 0 0 1 0 0 0 0 1 ",
    "angle.vsf": views.replace("-40 359", "99999999999 1.5"),
    "short.vsf": view() + view(),
    "blank.vsf": "",
}
for name, text in scene_seeds.items():
    (scenes / name).write_bytes(text.encode())
print(f"{len(scene_seeds)} scene seeds in {scenes}")
