/* The floor for re-dating photos in place: what any tool must at least do per photo. Open the
 * file, read its head, find the date-time texts (19 bytes "dddd:dd:dd dd:dd:dd", at most three),
 * write the new text over each, close, set the file times, append one log line. With NEWTEXT "-"
 * the texts are found but not written: the floor for setting file times from the photo's date.
 * With NEWTEXT "=" the head is written back in place as it was read, byte for byte: the floor for
 * the files whose dates are found through their boxes (HEIF, MP4, MOV), a fixed cost per file.
 * FLOOR_FLUSH hands the photos to the disk as well, one of three ways: "fsync" each photo before
 * it is closed, "range" starts each photo's write-back (sync_file_range) and waits for them
 * (fsync) every 256 photos, "syncfs" hands the whole file system to the disk every 256 photos.
 * usage: [FLOOR_FLUSH=fsync|range|syncfs] floor NEWTEXT SECONDS_SINCE_1970 LOGFILE FILE... */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static int is_date(const unsigned char* p) {
    static const char shape[] = "dddd:dd:dd dd:dd:dd";
    for (int i = 0; i < 19; ++i) {
        if (shape[i] == 'd' ? (p[i] < '0' || p[i] > '9') : p[i] != (unsigned char)shape[i])
            return 0;
    }
    return 1;
}

int main(int argc, char** argv) {
    if (argc < 5) return 2;
    const char* text = argv[1];
    const time_t when = (time_t)atoll(argv[2]);
    const char* log = argv[3];
    const int write = strcmp(text, "-") != 0;
    const int whole_head = strcmp(text, "=") == 0;
    const char* flush = getenv("FLOOR_FLUSH");
    const int each = flush && !strcmp(flush, "fsync");
    const int range = flush && !strcmp(flush, "range");
    const int whole = flush && !strcmp(flush, "syncfs");
    enum { kBatch = 256 };
    int open_fds[kBatch], waiting = 0;
    unsigned char head[65536];
    for (int i = 4; i < argc; ++i) {
        int fd = open(argv[i], (write ? O_RDWR : O_RDONLY) | O_CLOEXEC);
        if (fd < 0) return 1;
        ssize_t n = pread(fd, head, sizeof head, 0);
        if (n < 0 || (whole_head && pwrite(fd, head, (size_t)n, 0) != n)) return 1;
        int found = 0;
        for (ssize_t k = 0; !whole_head && k + 19 <= n && found < 3; ++k) {
            if (is_date(head + k)) {
                if (write && pwrite(fd, text, 19, k) != 19) return 1;
                ++found;
                k += 18;
            }
        }
        struct timespec t[2] = {{when, 0}, {when, 0}};
        futimens(fd, t);
        if (each) fsync(fd);
        if (range) sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
        if (range || whole) {
            open_fds[waiting++] = fd;
        } else {
            close(fd);
        }
        if (waiting == kBatch || (waiting && i == argc - 1)) {
            if (whole) syncfs(open_fds[0]);
            for (int k = 0; k < waiting; ++k) {
                if (range) fsync(open_fds[k]);
                close(open_fds[k]);
            }
            waiting = 0;
        }
        FILE* f = fopen(log, "ab");
        if (!f) return 1;
        fprintf(f, "2006/12/24-10:00:00 ExifData> [%s]\r\n", argv[i]);
        fclose(f);
    }
    return 0;
}
