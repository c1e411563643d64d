#include "support/run_in_child.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

int RunInChild(const std::function<int()>& body)
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(body());
    if (child < 0)
        return -1;
    int status = 0;
    pid_t done = 0;
    do {
        done = ::waitpid(child, &status, 0);
    } while (done < 0 && errno == EINTR);
    if (done != child)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool DropToUnprivilegedUser()
{
    constexpr uid_t kNobody = 65534;
    if (::geteuid() != 0)
        return true;
    return ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
}
