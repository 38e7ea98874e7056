#include "app/command_line.h"

#include <string_view>

CommandLine parseCommandLine(int argc, const char* const* argv) {
    CommandLine line;
    for (int i = 0; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (i == 0 || argument.substr(0, 2) != "--") {
            line.glutArguments.emplace_back(argument);
            // GLUT's two options with a value: the value is GLUT's whatever it looks like.
            if (i > 0 && (argument == "-display" || argument == "-geometry") && i + 1 < argc) {
                line.glutArguments.emplace_back(argv[++i]);
            }
        } else if (argument == "--full-vrml") {
            line.fullVrml = true;
        } else if (argument == "--all-formats") {
            line.allFormats = true;
        } else if (argument == "--list-models") {
            line.listModels = true;
        } else if (argument == "--recover") {
            line.recover = true;
        } else if (argument == "--help") {
            line.help = true;
        } else if (argument == "--export") {
            // The two paths are ours whatever they look like.
            line.exportScene = true;
            if (i + 2 < argc) {
                line.exportFrom = argv[++i];
                line.exportTo = argv[++i];
            } else {
                line.exportError = "--export needs a scene file and a file to write";
                i = argc;
            }
        } else if (line.unknownOption.empty()) {
            line.unknownOption = argument;
        }
    }
    return line;
}

std::string usageText() {
    return "Usage: tessaly [--full-vrml] [--list-models] [--help] [--recover] [--all-formats] "
           "[GLUT options]\n"
           "       tessaly [--full-vrml] [--all-formats] --export SCENE.vsf OUT\n"
           "\n"
           "Tessaly reads every model file (*.wrl) in the folder VRMLmodels of the folder it is\n"
           "started in. By default it takes the first point list, normal list and face lists of\n"
           "each file (the classic reading).\n"
           "\n"
           "  --full-vrml    read each model file with a full VRML 1.0 and 2.0 parser: every\n"
           "                 IndexedFaceSet of the file, placed by its transforms, DEF/USE\n"
           "                 instances included. A file that the parser rejects is read the\n"
           "                 classic way, and a line on standard error says why.\n"
           "  --all-formats  also read the model files of the other formats in VRMLmodels (OBJ,\n"
           "                 STL, PLY, glTF, 3DS, Collada, OFF, FBX and the others Assimp reads),\n"
           "                 listed with the .wrl files by name.\n"
           "  --list-models  read the model folder as start-up would, print one line per model\n"
           "                 file (menu position, name, points, triangles, note) as tab-separated\n"
           "                 text, and exit without opening a window.\n"
           "  --recover      start with the recovery copy of this folder's last unsaved\n"
           "                 scene loaded (kept in $XDG_STATE_HOME/tessaly, by default\n"
           "                 ~/.local/state/tessaly); it stays unsaved until you save it.\n"
           "  --export SCENE.vsf OUT\n"
           "                 read the model folder and the scene file, write the scene to OUT in\n"
           "                 the format its extension names (.glb, .gltf, .obj, .stl, .ply,\n"
           "                 .wrl) and exit without opening a window.\n"
           "  --help         print this text and exit.\n"
           "\n"
           "GLUT's X options (-display, -geometry, -iconic, -direct, -indirect, -gldebug, -sync)\n"
           "are passed on to GLUT.\n";
}
