#include "support/ordinary_user.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

void giveToRunner(const std::filesystem::path& path) {
    if (geteuid() == 0) {
        ASSERT_EQ(lchown(path.c_str(), RUNNER, RUNNER), 0) << path;
    }
}

std::optional<bool> runAsOrdinaryUser(const std::function<bool()>& action) {
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(RUNNER) != 0 || setuid(RUNNER) != 0)) {
            _exit(3);
        }
        _exit(geteuid() != 0 && action() ? 0 : geteuid() == 0 ? 4 : 1);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) > 1) {
        ADD_FAILURE() << "the unprivileged writer did not run (wait status " << status << ")";
        return std::nullopt;
    }
    return WEXITSTATUS(status) == 0;
}
