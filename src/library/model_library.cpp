#include "library/model_library.h"

#include <memory>

#include "platform/folder_listing.h"
#include "platform/platform.h"

namespace {

bool isWrl(const std::string& name) {
    return hasExtension(name, "wrl");
}

}  // namespace

void Scene::loadModelLibrary() {
    readModelFolder(*this, ModelReading::Classic);
}

const std::vector<std::string>& otherFormatExtensions() {
    // As Assimp 5.2 lists them (Importer::GetExtensionList); a test checks the list against the
    // reader process's own.
    static const std::vector<std::string> extensions = {
        "3d",      "3ds",  "3mf",   "ac",       "ac3d", "acc",  "amf",     "ase",       "ask",
        "assbin",  "b3d",  "blend", "bsp",      "bvh",  "cob",  "csm",     "dae",       "dxf",
        "enff",    "fbx",  "glb",   "gltf",     "hmp",  "ifc",  "ifczip",  "iqm",       "irr",
        "irrmesh", "lwo",  "lws",   "lxo",      "md2",  "md3",  "md5anim", "md5camera", "md5mesh",
        "mdc",     "mdl",  "mesh",  "mesh.xml", "mot",  "ms3d", "ndo",     "nff",       "obj",
        "off",     "ogex", "pk3",   "ply",      "pmx",  "prj",  "q3o",     "q3s",       "raw",
        "scn",     "sib",  "smd",   "step",     "stl",  "stp",  "ter",     "uc",        "vta",
        "x",       "x3d",  "x3db",  "xgl",      "xml",  "zae",  "zgl"};
    return extensions;
}

std::vector<ModelReport> readModelFolder(Scene& scene, const ModelFolderReading& reading,
                                         const ModelDecided& decided) {
    std::vector<ModelReport> reports;
    if (!reading.usesReaderProcess()) {
        for (const std::string& fileName : platform().listModelFiles("VRMLmodels")) {
            auto mesh = std::make_unique<Mesh>(fileName);
            ModelReport report{fileName, -1, readModel(*mesh, ModelReading::Classic)};
            if (report.result.readable) {
                report.position = static_cast<int>(scene.models.size());
                scene.models.push_back(std::move(mesh));
            } else {
                platform().showMessage("Cannot read file", "Error");
            }
            reports.push_back(std::move(report));
        }
        return reports;
    }

    std::vector<std::string> extensions{"wrl"};
    if (reading.allFormats) {
        extensions.insert(extensions.end(), otherFormatExtensions().begin(),
                          otherFormatExtensions().end());
    }
    const std::vector<std::string> names = reading.allFormats
                                               ? listFilesWithExtensions("VRMLmodels", extensions)
                                               : platform().listModelFiles("VRMLmodels");
    std::vector<std::unique_ptr<Mesh>> meshes;
    std::vector<ReadingJob> jobs;
    std::vector<size_t> fileOfJob;
    for (const std::string& name : names) {
        meshes.push_back(std::make_unique<Mesh>(name));
        reports.push_back({name, -1, {}});
        const bool vrml = isWrl(name);
        if (vrml && reading.vrml == ModelReading::Classic) {
            reports.back().result = readModel(*meshes.back(), ModelReading::Classic);
            if (decided) {
                decided(reports.back(), *meshes.back());
            }
            continue;
        }
        jobs.push_back({"VRMLmodels", name, vrml ? ReaderMode::Vrml : ReaderMode::Assimp});
        fileOfJob.push_back(reports.size() - 1);
    }
    readInReaderProcesses(jobs, {}, [&](size_t job, ReadingOutcome&& outcome) {
        const size_t file = fileOfJob[job];
        reports[file].result =
            takeReaderOutcome(*meshes[file], isWrl(names[file]), std::move(outcome));
        if (decided) {
            decided(reports[file], *meshes[file]);
        }
    });
    for (size_t i = 0; i < reports.size(); ++i) {
        if (reports[i].result.readable) {
            reports[i].position = static_cast<int>(scene.models.size());
            scene.models.push_back(std::move(meshes[i]));
        } else {
            platform().showMessage("Cannot read file", "Error");
        }
    }
    return reports;
}
