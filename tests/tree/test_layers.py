"""The source tree keeps its layers: a file includes headers of its own folder and of the folders
below it, never of one above (base < everything; web < search, links < app; resources < gfx <
core < controls < dialogs < app; form < app). The build's include roots enforce the same for what it compiles;
this reads every file, headers no library compiles on its own included."""

import os
import re
import unittest

SRC = os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))), "src")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)

# What each folder may include besides itself.
BELOW = {
    "base": set(),
    "web": set(),
    "search": {"web"},
    "links": {"web"},
    "form": set(),
    "resources": set(),
    "ui/gfx": {"resources"},
    "ui/core": {"ui/gfx", "resources"},
    "ui/controls": {"ui/core", "ui/gfx", "resources"},
    "ui/dialogs": {"ui/controls", "ui/core", "ui/gfx", "resources"},
    "app": {"web", "search", "links", "form", "resources", "ui/gfx", "ui/core", "ui/controls", "ui/dialogs",
            "Hosts.h"},
    ".": {"app", "ui/gfx"},  # main.cpp, the program's entry; LateBinding.cpp loads system DLLs
}
for _folder, _allowed in BELOW.items():
    if _folder != "base":
        _allowed.add("base")  # what every layer may use


def folder_of(include):
    """The layer an include names: "ui/core/Control.h" -> "ui/core", "web/X.h" -> "web"."""
    parts = include.split("/")
    if parts[0] == "ui" and len(parts) > 2:
        return "ui/" + parts[1]
    return parts[0] if len(parts) > 1 else include


def violations():
    found = []
    for folder, allowed in BELOW.items():
        root = os.path.join(SRC, folder)
        for name in sorted(os.listdir(root)):
            if not name.endswith((".h", ".cpp")):
                continue
            with open(os.path.join(root, name), encoding="utf-8", errors="replace") as f:
                text = f.read()
            for include in INCLUDE.findall(text):
                layer = folder_of(include)
                if layer != folder and layer not in allowed:
                    found.append("%s/%s includes %s" % (folder, name, include))
    return found


class LayerTest(unittest.TestCase):
    def test_every_folder_is_known(self):
        folders = {os.path.relpath(d, SRC) for d, _, files in os.walk(SRC) if any(f.endswith(".cpp") for f in files)}
        self.assertEqual(folders - set(BELOW), set(), "a source folder without a layer")

    def test_no_file_includes_a_header_above_its_layer(self):
        self.assertEqual(violations(), [])

    def test_the_check_sees_an_include_upwards(self):
        self.assertEqual(folder_of("ui/dialogs/MessageBox.h"), "ui/dialogs")
        self.assertNotIn(folder_of("ui/dialogs/MessageBox.h"), BELOW["ui/controls"])
        self.assertNotIn(folder_of("app/AppState.h"), BELOW["search"])
        self.assertNotIn(folder_of("Hosts.h"), BELOW["links"])


if __name__ == "__main__":
    unittest.main()
