// Preloaded into the program by the settings tests, never part of it: with
// NIVRA_HOLD_RENAME_MARKER=FILE set, the rename that would put a new file in
// place writes the temporary file's path into FILE instead and waits there
// until the process is killed, as a crash at that moment would leave it.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

typedef int (*RenameCall)(const char*, const char*);

int rename(const char* from, const char* to) {
    const RenameCall real = (RenameCall)dlsym(RTLD_NEXT, "rename");
    const char* marker = getenv("NIVRA_HOLD_RENAME_MARKER");
    if (marker == NULL || *marker == '\0')
        return real(from, to);
    // The marker appears whole: written beside it, then renamed.
    char partial[4096];
    snprintf(partial, sizeof partial, "%s.part", marker);
    const int fd = open(partial, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd >= 0) {
        const int whole = write(fd, from, strlen(from)) == (ssize_t)strlen(from);
        if (close(fd) == 0 && whole)
            real(partial, marker);
    }
    for (;;)
        pause();
}
