/* SPDX-License-Identifier: MIT */
/* The baseline for the review player's processor use: a bare SDL loop that uploads one 640x480
   texture and presents it 24 times a second into a window like the player's (resizable, a renderer
   in step with the vertical blank, the picture scaled sharp between black bars), sleeping between
   frames. Usage: bare_review_loop SECONDS WIDTH HEIGHT. Prints what it did on standard output. */
#include <SDL.h>

#include <stdio.h>
#include <stdlib.h>

enum { picture_width = 640, picture_height = 480, frames_per_second = 24 };

/* Twice the picture's height of a pattern; frame n shows the rows from n mod 480 on, so every frame
   differs from the one before at no cost beyond the upload itself. */
static Uint32* makePattern(void)
{
    Uint32* pattern = malloc(sizeof(Uint32) * picture_width * picture_height * 2);
    if (!pattern) return NULL;
    for (int y = 0; y < picture_height * 2; ++y) {
        for (int x = 0; x < picture_width; ++x) {
            const Uint32 red = (Uint32)(x * 255 / (picture_width - 1));
            const Uint32 green = (Uint32)((y % picture_height) * 255 / (picture_height - 1));
            const Uint32 blue = ((x / 8 + y / 8) % 2) ? 0xc0u : 0x20u;
            pattern[(size_t)y * picture_width + (size_t)x] = red << 16 | green << 8 | blue;
        }
    }
    return pattern;
}

int main(int argc, char** argv)
{
    if (argc != 4) {
        fprintf(stderr, "usage: %s SECONDS WIDTH HEIGHT\n", argv[0]);
        return 2;
    }
    const double seconds = atof(argv[1]);
    const int width = atoi(argv[2]);
    const int height = atoi(argv[3]);
    if (seconds <= 0 || width <= 0 || height <= 0) {
        fprintf(stderr, "%s: the seconds, width and height must be above 0\n", argv[0]);
        return 2;
    }

    int status = 1;
    SDL_Window* window = NULL;
    SDL_Renderer* renderer = NULL;
    SDL_Texture* texture = NULL;
    Uint32* pattern = NULL;

    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        fprintf(stderr, "%s: cannot start the video subsystem: %s\n", argv[0], SDL_GetError());
        return 1;
    }
    window = SDL_CreateWindow("bare review loop", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height,
                              SDL_WINDOW_RESIZABLE);
    if (!window) {
        fprintf(stderr, "%s: cannot create the window: %s\n", argv[0], SDL_GetError());
        goto done;
    }
    renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    if (!renderer) renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE | SDL_RENDERER_PRESENTVSYNC);
    if (!renderer) {
        fprintf(stderr, "%s: cannot create a renderer: %s\n", argv[0], SDL_GetError());
        goto done;
    }
    if (SDL_RenderSetLogicalSize(renderer, picture_width, picture_height) != 0) {
        fprintf(stderr, "%s: cannot set the picture size: %s\n", argv[0], SDL_GetError());
        goto done;
    }
    texture =
        SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, picture_width, picture_height);
    if (!texture) {
        fprintf(stderr, "%s: cannot create the texture: %s\n", argv[0], SDL_GetError());
        goto done;
    }
    SDL_SetTextureScaleMode(texture, SDL_ScaleModeNearest);
    pattern = makePattern();
    if (!pattern) {
        fprintf(stderr, "%s: out of memory\n", argv[0]);
        goto done;
    }

    const Uint64 frequency = SDL_GetPerformanceFrequency();
    const Uint64 start = SDL_GetPerformanceCounter();
    const Uint64 end = start + (Uint64)(seconds * (double)frequency);
    long frames = 0;
    int quit = 0;
    while (!quit) {
        /* Each frame at its own time from the start, so a late one does not push the rest. */
        const Uint64 due = start + (Uint64)frames * frequency / frames_per_second;
        if (due >= end) break;
        Uint64 now = SDL_GetPerformanceCounter();
        if (now < due) SDL_Delay((Uint32)((due - now) * 1000 / frequency));

        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            if (event.type == SDL_QUIT) quit = 1;
        }
        const Uint32* rows = pattern + (size_t)(frames % picture_height) * picture_width;
        SDL_UpdateTexture(texture, NULL, rows, picture_width * (int)sizeof(Uint32));
        SDL_SetRenderDrawColor(renderer, 0, 0, 0, SDL_ALPHA_OPAQUE);
        SDL_RenderClear(renderer);
        SDL_RenderCopy(renderer, texture, NULL, NULL);
        SDL_RenderPresent(renderer);
        ++frames;
    }
    const double elapsed = (double)(SDL_GetPerformanceCounter() - start) / (double)frequency;

    SDL_RendererInfo info;
    const char* name = SDL_GetRendererInfo(renderer, &info) == 0 ? info.name : "unknown";
    printf("frames=%ld seconds=%.3f renderer=%s window=%dx%d\n", frames, elapsed, name, width, height);
    status = 0;

done:
    free(pattern);
    if (texture) SDL_DestroyTexture(texture);
    if (renderer) SDL_DestroyRenderer(renderer);
    if (window) SDL_DestroyWindow(window);
    SDL_Quit();
    return status;
}
