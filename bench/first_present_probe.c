/* SPDX-License-Identifier: MIT */
/* Preloaded into the unchanged player: at its first SDL_RenderPresent it prints the wall-clock
   time in nanoseconds on standard error and ends the process, so a script can time the way from
   the start of the process to the first frame on screen. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

typedef struct SDL_Renderer SDL_Renderer;

void SDL_RenderPresent(SDL_Renderer* renderer)
{
    /* dlsym gives an object pointer; copying its bytes is the portable way to a function pointer. */
    void* symbol = dlsym(RTLD_NEXT, "SDL_RenderPresent");
    void (*real)(SDL_Renderer*);
    memcpy(&real, &symbol, sizeof real);
    real(renderer);
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    fprintf(stderr, "first_present_ns=%lld\n", (long long)now.tv_sec * 1000000000LL + now.tv_nsec);
    _exit(0);
}
