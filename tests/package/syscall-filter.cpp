// Runs a command under a system-call allow list, as systemd loads a unit's
// SystemCallFilter= with SystemCallErrorNumber=EPERM: every call not named
// fails with EPERM. The package stage runs the watch through it as its unit
// would, since no systemd may be there to start the unit. The process must
// already have no_new_privs (setpriv --no-new-privs), as under the unit.
//   syscall-filter ALLOWED-FILE COMMAND [ARGUMENT...]
// ALLOWED-FILE holds one call name a line; names this architecture lacks
// (setuid32 ...) are passed over.
#include <seccomp.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: syscall-filter ALLOWED-FILE COMMAND [ARGUMENT...]\n");
        return 2;
    }
    scmp_filter_ctx filter = seccomp_init(SCMP_ACT_ERRNO(EPERM));
    std::ifstream names(argv[1]);
    std::string name;
    int allowed = 0;
    while (filter && std::getline(names, name)) {
        const int number = seccomp_syscall_resolve_name(name.c_str());
        if (number >= 0 && seccomp_rule_add(filter, SCMP_ACT_ALLOW, number, 0) == 0)
            ++allowed;
    }
    if (!filter || allowed == 0 || seccomp_load(filter) != 0) {
        std::fprintf(stderr, "syscall-filter: cannot load the calls of %s as a filter\n", argv[1]);
        return 1;
    }
    seccomp_release(filter);
    execvp(argv[2], argv + 2);
    std::perror(argv[2]);
    return 127;
}
