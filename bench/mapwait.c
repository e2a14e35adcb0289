/* Starts a program and prints, once its first top-level window is mapped,
   the milliseconds since the start and the program's resident memory (kB).
   Usage: mapwait PROGRAM [ARGS...]   (needs DISPLAY) */
#include <X11/Xlib.h>

#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double now_ms(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

static long resident_kb(pid_t pid)
{
    char path[64], line[256];
    long kb = -1;
    snprintf(path, sizeof path, "/proc/%d/status", (int)pid);
    FILE* f = fopen(path, "r");
    if (!f) return -1;
    while (fgets(line, sizeof line, f))
        if (strncmp(line, "VmRSS:", 6) == 0) kb = strtol(line + 6, NULL, 10);
    fclose(f);
    return kb;
}

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: mapwait PROGRAM [ARGS...]\n");
        return 2;
    }
    Display* d = XOpenDisplay(NULL);
    if (!d) {
        fprintf(stderr, "mapwait: no display\n");
        return 2;
    }
    alarm(30); /* a program that never maps its window ends the measurement */
    XSelectInput(d, DefaultRootWindow(d), SubstructureNotifyMask);
    XSync(d, False);

    const double start = now_ms();
    pid_t pid = fork();
    if (pid == 0) {
        execvp(argv[1], argv + 1);
        _exit(127);
    }
    for (;;) {
        XEvent e;
        XNextEvent(d, &e);
        /* a real window, not one of the 1 x 1 helpers Wine maps */
        XWindowAttributes a;
        if (e.type == MapNotify && XGetWindowAttributes(d, e.xmap.window, &a) && a.width > 1 && a.height > 1) break;
    }
    const double mapped = now_ms() - start;
    usleep(200 * 1000); /* let it finish painting before memory is read */
    const long kb = resident_kb(pid);
    printf("%.1f %ld\n", mapped, kb);
    kill(pid, SIGTERM);
    waitpid(pid, NULL, 0);
    XCloseDisplay(d);
    return 0;
}
