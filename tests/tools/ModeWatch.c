/* A native Linux helper for the kill test under Wine: reports the Unix mode of every file whose
 * name starts with a prefix the moment it appears in a folder (created, linked or renamed in), so
 * that a file that held a private text with more rights than the original cannot go unseen, however
 * short its life. Usage: ModeWatch FOLDER PREFIX LOG STOPFILE SECONDS. Writes "ready" to LOG once it
 * watches, one "NAME MODE INODE" line per file ("NAME gone" when it went before it could be looked
 * at), and "done" when STOPFILE appears or SECONDS have passed. */
#define _GNU_SOURCE
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 6)
        return 2;
    const char* folder = argv[1];
    const char* prefix = argv[2];
    const size_t nPrefix = strlen(prefix);
    FILE* log = fopen(argv[3], "w");
    const char* stopFile = argv[4];
    const time_t deadline = time(NULL) + atoi(argv[5]);
    int dirFd = open(folder, O_RDONLY | O_DIRECTORY);
    int fd = inotify_init1(IN_NONBLOCK);
    if (!log || dirFd < 0 || fd < 0 || inotify_add_watch(fd, folder, IN_CREATE | IN_MOVED_TO) < 0)
        return 1;
    fputs("ready\n", log);
    fflush(log);
    char buffer[64 * (sizeof(struct inotify_event) + NAME_MAX + 1)];
    while (access(stopFile, F_OK) != 0 && time(NULL) < deadline) {
        struct pollfd p = {fd, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0)
            continue;
        ssize_t n = read(fd, buffer, sizeof buffer);
        for (char* at = buffer; n > 0 && at < buffer + n;) {
            const struct inotify_event* ev = (const struct inotify_event*)at;
            at += sizeof(struct inotify_event) + ev->len;
            if (ev->len == 0 || strncmp(ev->name, prefix, nPrefix) != 0)
                continue;
            struct stat st;
            if (fstatat(dirFd, ev->name, &st, AT_SYMLINK_NOFOLLOW) == 0)
                fprintf(log, "%s %o %llu\n", ev->name, (unsigned)(st.st_mode & 07777), (unsigned long long)st.st_ino);
            else
                fprintf(log, "%s gone\n", ev->name);
        }
        fflush(log);
    }
    fputs("done\n", log);
    fclose(log);
    return 0;
}
