// The calendar clock of a program under test, steered by the test: preloaded, time() answers the whole
// seconds written in the file named by GROVEWRIGHT_TEST_CLOCK. A Plant press seeds the headings'
// generator with time() and a save stamps its file with it, so two runs of the same presses given the
// same clock readings save the same bytes. Every other clock (timers, the monotonic clock) is left alone.
#define _POSIX_C_SOURCE 200809L  // clock_gettime

#include <stdio.h>
#include <stdlib.h>
#include <time.h>

time_t time(time_t* result) {
    const char* path = getenv("GROVEWRIGHT_TEST_CLOCK");
    FILE* file = path != NULL ? fopen(path, "r") : NULL;
    long long seconds = 0;
    int read = file != NULL && fscanf(file, "%lld", &seconds) == 1;
    if (file != NULL) {
        fclose(file);
    }
    if (!read) {
        struct timespec now;
        clock_gettime(CLOCK_REALTIME, &now);
        seconds = now.tv_sec;
    }
    if (result != NULL) {
        *result = (time_t)seconds;
    }
    return (time_t)seconds;
}
