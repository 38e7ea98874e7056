// tessaly-vrml-reader: the reader process's VRML reading with Coin3D, on its own so that the
// other formats' process never loads Coin. tessaly-reader becomes this program for
//
//   tessaly-vrml-reader read-vrml NAME CPU_SECONDS ADDRESS_MEGABYTES < FILE
//
// with the exit statuses of reader_helper/read_mode.h.
#include <cstdio>
#include <new>
#include <string>
#include <string_view>

#include "reader_helper/process_limits.h"
#include "reader_helper/read_mode.h"
#include "reader_helper/vrml_with_coin.h"

namespace {

ReaderReply readVrml(std::span<const char> bytes, const std::string&) {
    ReaderReply reply;
    // The parser reads a local Inline's file itself (a device would hold it until its time is up):
    // it gets no file to open.
    if (!openNoMoreFiles()) {
        reply.note = "the reader process could not shut itself off from files";
        return reply;
    }
    const CoinReadOutcome outcome =
        readVrmlWithCoin({bytes.data(), bytes.size()}, reply.lists, GraphLimits{});
    reply.status = outcome.parsed ? ReaderReply::Status::Read : ReaderReply::Status::Rejected;
    reply.note = outcome.message;
    return reply;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string_view mode = argc > 1 ? argv[1] : "";
    try {
        if (mode == "read-vrml") {
            return runReadMode(argc, argv, readVrml);
        }
    } catch (const std::bad_alloc&) {
        return EXIT_OUT_OF_MEMORY;
    }
    std::fprintf(
        stderr, "usage: tessaly-vrml-reader read-vrml NAME CPU_SECONDS ADDRESS_MEGABYTES < FILE\n");
    return EXIT_USAGE;
}
