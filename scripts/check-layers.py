#!/usr/bin/env python3
"""Layer check: every file under src/ includes only from its own layer and the layers below it, only the
layers named for them include Qt, Qt Widgets, FreeType and fontconfig, or GL, and no header includes
itself through others (an include cycle).

Usage: check-layers.py [--root DIR]   checks the tree (default: this repository)
       check-layers.py --self-test    plants an upward include and a cycle in a copy and expects failures
Exit status 0 when the tree is clean, 1 with one line per fault otherwise.
"""
import argparse
import os
import re
import shutil
import sys
import tempfile

# Folder under src/ -> the folders it may include from besides itself. Order matters only for lookup:
# the longest matching folder names a file's layer.
BELOW = {
    "platform": [],
    "platform/qt": ["platform"],
    "platform/fonts": ["platform"],
    "numerics": ["platform"],
    "scene/base": ["platform"],
    "scene/gl": ["scene/base", "platform"],
    "scene/pictures": ["scene/gl", "scene/base", "platform"],
    "scene/materials": ["scene/pictures", "scene/gl", "scene/base", "platform"],
    "scene/core": ["scene/materials", "scene/pictures", "scene/gl", "scene/base", "platform"],
    "scene/avi": ["scene/core", "scene/materials", "scene/pictures", "scene/gl", "scene/base", "platform"],
    "scene/cadencer": ["scene/core", "scene/materials", "scene/pictures", "scene/gl", "scene/base", "platform"],
    "scene/display": ["scene/core", "scene/materials", "scene/pictures", "scene/gl", "scene/base", "platform"],
    "scene/objects": ["scene/core", "scene/materials", "scene/pictures", "scene/gl", "scene/base", "platform"],
    "scene/extras": ["scene/objects", "scene/core", "scene/materials", "scene/pictures", "scene/gl", "scene/base",
                     "platform"],
    "scene/qt": ["scene/avi", "scene/display", "scene/core", "scene/materials", "scene/pictures", "scene/gl",
                 "scene/base", "platform"],
    # The engine's folders, lowest first: its own interfaces (constants, log sink, view seam) at its root,
    # the model readers, recording, contacts, the world that composes them, and step control on top.
    "engine": ["numerics", "platform"],
    "engine/model": ["engine", "numerics", "platform"],
    "engine/record": ["engine/model", "engine", "numerics", "platform"],
    "engine/contact": ["engine/record", "engine/model", "engine", "numerics", "platform"],
    "engine/world": ["engine/contact", "engine/record", "engine/model", "engine", "numerics", "platform"],
    "engine/step": ["engine/world", "engine/contact", "engine/record", "engine/model", "engine", "numerics",
                    "platform"],
    "engine/scene": ["engine/step", "engine/world", "engine/contact", "engine/record", "engine/model", "engine",
                     "scene/objects", "scene/core", "scene/materials", "scene/pictures", "scene/gl", "scene/base",
                     "numerics", "platform"],
    "app": ["engine/scene", "engine/step", "engine/world", "engine/contact", "engine/record", "engine/model",
            "engine", "scene/qt", "scene/extras", "scene/objects", "scene/avi", "scene/cadencer", "scene/display",
            "scene/core", "scene/materials", "scene/pictures", "scene/gl", "scene/base", "numerics", "platform"],
}
# The platform's parts that need Qt or the font libraries, each with the lowest layer that links it: that
# layer and every layer that may include from it may include the part. The platform's core, numerics and
# the engine never reach them.
PLATFORM_PARTS = {"platform/qt": "scene/pictures", "platform/fonts": "scene/objects"}
for _part, _user in PLATFORM_PARTS.items():
    for _layer, _below in BELOW.items():
        if _layer == _user or _user in _below:
            _below.append(_part)

# Layers that may include Qt at all, and those that may include Qt Widgets.
QT_LAYERS = {"platform/qt", "scene/cadencer", "scene/qt", "app"}
WIDGET_LAYERS = {"scene/qt", "app"}
# Layers that may include FreeType or fontconfig, and those that may include GL, EGL or GLU (the scene
# library, the program's scene and the program).
FONT_LAYERS = {"platform/fonts"}
FONT_HEADERS = ("ft2build.h", "freetype/", "fontconfig/")
GL_LAYERS = {layer for layer in BELOW if layer.startswith("scene/")} | {"engine/scene", "app"}
GL_HEADERS = ("GL/", "EGL/", "GLES", "KHR/")

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)
SOURCES = (".h", ".cpp", ".inc")


def layer_of(path):
    """The layer of a path relative to src/ (longest matching folder), or None."""
    best = None
    for layer in BELOW:
        if path == layer or path.startswith(layer + "/"):
            if best is None or len(layer) > len(best):
                best = layer
    return best


def source_files(src):
    for folder, _, files in os.walk(src):
        for name in sorted(files):
            if name.endswith(SOURCES):
                full = os.path.join(folder, name)
                yield os.path.relpath(full, src).replace(os.sep, "/"), full


def check(root):
    src = os.path.join(root, "src")
    faults = []
    graph = {}
    for rel, full in source_files(src):
        layer = layer_of(rel)
        if layer is None:
            faults.append(f"src/{rel}: lies in no layer of the layer table")
        with open(full, encoding="utf-8", errors="replace") as f:
            text = f.read()
        deps = []
        for kind, target in INCLUDE.findall(text):
            line = text[:text.find(target)].count("\n") + 1
            if kind == '"':
                target_layer = layer_of(target)
                if target_layer is None:
                    if os.path.exists(os.path.join(src, target)):
                        faults.append(f"src/{rel}:{line}: includes {target}, which lies in no layer")
                    continue
                deps.append(target)
                if layer is not None and target_layer != layer and target_layer not in BELOW[layer]:
                    faults.append(f"src/{rel}:{line}: layer {layer} includes {target} from layer {target_layer}, "
                                  f"which is not below it")
            elif target.startswith("Q"):
                if layer not in QT_LAYERS:
                    faults.append(f"src/{rel}:{line}: layer {layer} includes Qt ({target})")
                elif target.startswith("QtWidgets/") and layer not in WIDGET_LAYERS:
                    faults.append(f"src/{rel}:{line}: layer {layer} includes Qt Widgets ({target})")
            elif target.startswith(FONT_HEADERS):
                if layer not in FONT_LAYERS:
                    faults.append(f"src/{rel}:{line}: layer {layer} includes the font libraries ({target})")
            elif target.startswith(GL_HEADERS):
                if layer not in GL_LAYERS:
                    faults.append(f"src/{rel}:{line}: layer {layer} includes GL ({target})")
        graph[rel] = deps
    faults += cycles(graph)
    return faults


def cycles(graph):
    """One line per include cycle found by a depth-first search over the quoted includes."""
    faults, state, stack = [], {}, []

    def visit(node):
        state[node] = 1
        stack.append(node)
        for dep in graph.get(node, []):
            if state.get(dep) == 1:
                cycle = stack[stack.index(dep):] + [dep]
                faults.append("include cycle: " + " -> ".join(cycle))
            elif dep in graph and state.get(dep) is None:
                visit(dep)
        stack.pop()
        state[node] = 2

    for node in sorted(graph):
        if state.get(node) is None:
            visit(node)
    return faults


def self_test(root):
    """The check must pass on the tree and fail on a planted upward include and on a planted cycle."""
    with tempfile.TemporaryDirectory() as tmp:
        copy = os.path.join(tmp, "tree")
        shutil.copytree(os.path.join(root, "src"), os.path.join(copy, "src"))
        if check(copy):
            print("self-test: the unchanged tree does not pass")
            return 1
        os.makedirs(os.path.join(copy, "src", "numerics"), exist_ok=True)
        planted = os.path.join(copy, "src", "numerics", "planted_upward.h")
        with open(planted, "w") as f:
            f.write('#pragma once\n#include "engine/engine_constants.h"\n')
        if not any("planted_upward.h" in line for line in check(copy)):
            print("self-test: an upward include from numerics into the engine was not caught")
            return 1
        os.remove(planted)
        # Between the scene's libraries: materials lie below the graph, the graph below the recorder.
        for below, above in (("scene/materials", "scene/core/stage.h"), ("scene/pictures", "scene/materials/texture.h"),
                             ("scene/core", "scene/avi/avi_recorder.h"), ("scene/core", "scene/cadencer/cadencer.h"),
                             ("scene/core", "scene/display/display_modes.h"), ("scene/avi", "scene/qt/stage_viewer.h"),
                             # The engine's folders: the model knows nothing of contacts, steps or recording.
                             ("engine/model", "engine/step/step_control.h"),
                             ("engine/model", "engine/contact/contact_properties.h"),
                             ("engine/model", "engine/record/log.h"), ("engine", "engine/model/body.h"),
                             ("engine/record", "engine/contact/collisions.h"), ("engine/contact", "engine/world/world.h"),
                             ("engine/world", "engine/step/driver.h")):
            planted = os.path.join(copy, "src", below, "planted_upward.h")
            with open(planted, "w") as f:
                f.write(f'#pragma once\n#include "{above}"\n')
            if not any(f"{below}/planted_upward.h" in line and "not below it" in line for line in check(copy)):
                print(f"self-test: an upward include from {below} into {above} was not caught")
                return 1
            os.remove(planted)
        # The platform's core holds no Qt, FreeType, fontconfig or GL, and includes none of its own parts
        # that do; neither do numerics nor the layers below the part's first user.
        for below, planted_line, expected in (
                ("platform", '#include "platform/qt/picture_codec.h"', "not below it"),
                ("platform", '#include "platform/fonts/font_face.h"', "not below it"),
                ("platform/qt", '#include "platform/fonts/font.h"', "not below it"),
                ("numerics", '#include "platform/qt/gui_thread_call.h"', "not below it"),
                ("scene/gl", '#include "platform/qt/picture_codec.h"', "not below it"),
                ("scene/core", '#include "platform/fonts/text_raster.h"', "not below it"),
                ("platform", "#include <QtCore/QString>", "includes Qt"),
                ("platform", "#include <ft2build.h>", "includes the font libraries"),
                ("platform/qt", "#include <fontconfig/fontconfig.h>", "includes the font libraries"),
                ("platform", "#include <GL/gl.h>", "includes GL"),
                ("platform/fonts", "#include <EGL/egl.h>", "includes GL"),
                ("numerics", "#include <GL/glu.h>", "includes GL")):
            planted = os.path.join(copy, "src", below, "planted_upward.h")
            with open(planted, "w") as f:
                f.write(f"#pragma once\n{planted_line}\n")
            if not any(f"src/{below}/planted_upward.h" in line and expected in line for line in check(copy)):
                print(f"self-test: {planted_line} in {below} was not caught")
                return 1
            os.remove(planted)
        with open(os.path.join(copy, "src", "platform", "planted_a.h"), "w") as f:
            f.write('#pragma once\n#include "platform/planted_b.h"\n')
        with open(os.path.join(copy, "src", "platform", "planted_b.h"), "w") as f:
            f.write('#pragma once\n#include "platform/planted_a.h"\n')
        if not any(line.startswith("include cycle") for line in check(copy)):
            print("self-test: a planted include cycle was not caught")
            return 1
    print("self-test: upward includes (also between scene libraries, between the engine's folders and into the "
          "platform's parts), Qt, font and GL includes outside their layers and an include cycle caught; the tree "
          "passes")
    return 0


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--root", default=os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    ap.add_argument("--self-test", action="store_true")
    args = ap.parse_args()
    if args.self_test:
        return self_test(args.root)
    faults = check(args.root)
    for line in faults:
        print(line)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
