#include "reader/export_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "reader/export_geometry.h"
#include "reader/helper_program.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// Time and memory for one export: generous for a scene of this size, bounded for a stuck one.
struct ExportAllowance {
    double seconds;
    unsigned long megabytes;
};

ExportAllowance allowanceFor(const ExportScene& scene) {
    uint64_t listBytes = 0;
    for (const ExportModel& model : scene.models) {
        listBytes += model.points.size_bytes() + model.normals.size_bytes() +
                     model.coordIndex.size_bytes() + model.normalIndex.size_bytes();
    }
    const double millions = static_cast<double>(exportedTriangles(scene)) / 1e6;
    return {30 + 30 * millions,
            static_cast<unsigned long>(1024 + 40 * (listBytes >> 20) + 400 * millions)};
}

std::string describeEnd(int status) {
    if (WIFSIGNALED(status)) {
        const int sig = WTERMSIG(status);
        if (sig == SIGXCPU) {
            return "not exported: the exporter ran out of time";
        }
        if (sig == SIGKILL) {
            return "not exported: the exporter was killed";  // not by us: memory ran out, or a user
        }
        return std::string("not exported: the exporter crashed (") + strsignal(sig) + ")";
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 3) {
        return "not exported: the exporter ran out of memory";
    }
    return "not exported: the exporter failed (status " + std::to_string(WEXITSTATUS(status)) + ")";
}

// Sends the request and gathers the reply on one socket, until the reply is complete, the process
// closes its end, or the time is up. False when time ran out.
bool exchange(int socket, const StreamPieces& request, std::string& reply, Clock::time_point end) {
    size_t piece = 0, offset = 0;
    bool sending = true;
    std::byte start[16];
    size_t startRead = 0;
    uint64_t expected = 0;  // bytes of the whole reply, once its start is in
    for (;;) {
        if (sending && piece == request.pieces.size()) {
            shutdown(socket, SHUT_WR);
            sending = false;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd wait{socket, static_cast<short>(POLLIN | (sending ? POLLOUT : 0)), 0};
        if (poll(&wait, 1, static_cast<int>(std::min<int64_t>(left.count(), 1000))) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return true;
        }
        if (sending && (wait.revents & POLLOUT)) {
            const auto& bytes = request.pieces[piece];
            const ssize_t put = send(socket, bytes.data() + offset, bytes.size() - offset,
                                     MSG_NOSIGNAL | MSG_DONTWAIT);
            if (put > 0) {
                offset += static_cast<size_t>(put);
                if (offset == bytes.size()) {
                    ++piece;
                    offset = 0;
                }
            } else if (put < 0 && errno != EAGAIN && errno != EINTR) {
                sending = false;  // the process stopped reading; its end tells the rest
            }
        }
        if (!(wait.revents & (POLLIN | POLLHUP | POLLERR))) {
            continue;
        }
        ssize_t got;
        if (startRead < sizeof start) {
            got = recv(socket, start + startRead, sizeof start - startRead, MSG_DONTWAIT);
            if (got > 0) {
                startRead += static_cast<size_t>(got);
                if (startRead == sizeof start) {
                    const auto length = exportReplyLength(std::span<const std::byte, 16>(start));
                    if (!length || *length > (uint64_t{1} << 40)) {
                        // Not a reply: decoding says so.
                        reply.assign(reinterpret_cast<const char*>(start), sizeof start);
                        return true;
                    }
                    expected = 16 + *length;
                    reply.reserve(expected);
                    reply.assign(reinterpret_cast<const char*>(start), sizeof start);
                }
            }
        } else {
            char buffer[1 << 16];
            const size_t want = std::min<uint64_t>(sizeof buffer, expected - reply.size() + 1);
            got = recv(socket, buffer, want, MSG_DONTWAIT);
            if (got > 0) {
                reply.append(buffer, static_cast<size_t>(got));
                if (reply.size() > expected) {
                    return true;  // more than announced: decoding refuses it
                }
            }
        }
        if (got == 0) {
            if (startRead < sizeof start) {
                reply.assign(reinterpret_cast<const char*>(start), startRead);
            }
            return true;
        }
        if (got < 0 && errno != EAGAIN && errno != EINTR) {
            return true;
        }
    }
}

// The process's end status, waiting until `end` at most; it is killed then.
int reap(pid_t pid, Clock::time_point end, bool& timedOut) {
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            return status;
        }
        if (done < 0 && errno != EINTR) {
            return status;
        }
        if (Clock::now() >= end) {
            timedOut = true;
            kill(pid, SIGKILL);
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            return status;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

}  // namespace

void exportInReaderProcess(const ExportScene& scene, ExportFormat format, std::string_view baseName,
                           ExportRun& run) {
    run = {};
    const std::string program = readerProgramPath();
    if (program.empty()) {
        run.message = "not exported: the reader program tessaly-reader is missing";
        return;
    }
    exportInProgram(program, allowanceFor(scene).seconds, scene, format, baseName, run);
}

void exportInProgram(const std::string& program, double seconds, const ExportScene& scene,
                     ExportFormat format, std::string_view baseName, ExportRun& run) {
    run = {};
    ExportAllowance allowance = allowanceFor(scene);
    allowance.seconds = seconds;
    int sockets[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0) {
        run.message =
            "not exported: cannot start the exporter (" + std::string(strerror(errno)) + ")";
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, sockets[1], 0);
    posix_spawn_file_actions_adddup2(&actions, sockets[1], 1);
    const std::string cpu = std::to_string(static_cast<long>(allowance.seconds) + 1);
    const std::string memory = std::to_string(allowance.megabytes);
    const char* argv[] = {program.c_str(), "export", cpu.c_str(), memory.c_str(), nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr,
                                    const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(sockets[1]);
    if (spawned != 0) {
        close(sockets[0]);
        run.message =
            "not exported: cannot start the exporter (" + std::string(strerror(spawned)) + ")";
        return;
    }
    const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                        std::chrono::duration<double>(allowance.seconds));
    const StreamPieces request = exportRequestPieces(scene, format, baseName);
    bool timedOut = !exchange(sockets[0], request, run.replyBytes, end);
    close(sockets[0]);
    if (timedOut) {
        kill(pid, SIGKILL);
    }
    const int status = reap(pid, end, timedOut);
    if (timedOut) {
        run.message = "not exported: the exporter ran out of time";
        return;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        run.message = describeEnd(status);
        return;
    }
    const auto bytes = std::as_bytes(std::span(run.replyBytes));
    if (const auto refusal = decodeExportReply(bytes, run.reply)) {
        run.message = "not exported: the exporter's reply is broken (" + *refusal + ")";
        return;
    }
    run.written = run.reply.written;
    run.message = run.reply.message;
}
