// tessaly-reader: the editor's reader process. It reads one model file, handed over as its
// standard input, and writes one reply (reader/reader_stream.h) to its standard output:
//
//   tessaly-reader read-vrml   NAME CPU_SECONDS ADDRESS_MEGABYTES
//   tessaly-reader read-assimp NAME CPU_SECONDS ADDRESS_MEGABYTES   (the current folder is the
//                                                                    model folder)
//   tessaly-reader extensions   (the extensions Assimp reads, one a line)
//   tessaly-reader export CPU_SECONDS ADDRESS_MEGABYTES   (reader_helper/export_mode.h: an
//                                                          export request in, the files out)
//
// The first word names the mode. Exit status 0 with a reply; 3 when memory ran out; 2 for a
// call it does not understand; 4 when the input could not be read (reader_helper/read_mode.h).
//
// VRML is read by Coin3D in tessaly-vrml-reader beside this program, which this one becomes: a
// process that loads and starts Coin took longer to come up than Assimp takes for a small model.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <new>
#include <string>
#include <string_view>
#include <system_error>

#include "reader_helper/assimp_reading.h"
#include "reader_helper/export_mode.h"
#include "reader_helper/read_mode.h"

namespace {

ReaderReply readOtherFormat(std::span<const char> bytes, const std::string& name) {
    ReaderReply reply;
    const int folder = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const AssimpReadOutcome outcome =
        readWithAssimp(bytes, name, folder, reply.lists, GraphLimits{}, true);
    reply.status = outcome.read ? ReaderReply::Status::Read : ReaderReply::Status::Rejected;
    reply.note = outcome.message;
    return reply;
}

// Becomes tessaly-vrml-reader with the same call; returns only when that fails.
int becomeVrmlReader(char** argv) {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return EXIT_USAGE;
    }
    const std::string program = (self.parent_path() / "tessaly-vrml-reader").string();
    argv[0] = const_cast<char*>(program.c_str());
    ::execv(program.c_str(), argv);
    std::perror(program.c_str());
    return EXIT_USAGE;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string_view mode = argc > 1 ? argv[1] : "";
    try {
        if (mode == "extensions") {
            for (const std::string& extension : assimpExtensions()) {
                std::printf("%s\n", extension.c_str());
            }
            return 0;
        }
        if (mode == "read-vrml") {
            return becomeVrmlReader(argv);
        }
        if (mode == "read-assimp") {
            return runReadMode(argc, argv, readOtherFormat);
        }
        if (mode == "export") {
            return runExportMode(argc, argv);
        }
    } catch (const std::bad_alloc&) {
        return EXIT_OUT_OF_MEMORY;
    }
    std::fprintf(stderr,
                 "usage: tessaly-reader read-vrml|read-assimp NAME CPU_SECONDS "
                 "ADDRESS_MEGABYTES < FILE, tessaly-reader export CPU_SECONDS ADDRESS_MEGABYTES < "
                 "REQUEST, or tessaly-reader extensions\n");
    return EXIT_USAGE;
}
