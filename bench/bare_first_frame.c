/* The start-up benchmark's baseline: a bare SDL program that opens a window
 * of the editor's default size with the renderer the editor asks for
 * (software, drawing into the window surface), clears it, presents one
 * frame and says so on stderr with the line the editor writes. It then
 * waits to be killed, as the editor does after its first frame. */
#include <SDL.h>
#include <stdio.h>

int main(int argc, char** argv)
{
    (void)argc;
    (void)argv;
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
        return 1;
    SDL_Window* window = SDL_CreateWindow("bare", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 1400, 1000,
                                          SDL_WINDOW_SHOWN);
    SDL_Renderer* renderer = window ? SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE) : NULL;
    if (!renderer)
        return 1;
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    SDL_RenderPresent(renderer);
    fprintf(stderr, "First frame drawn after %u ms.\n", SDL_GetTicks());
    fflush(stderr);
    for (;;)
        SDL_Delay(100);
}
