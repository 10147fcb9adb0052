// Preloaded into the app by first-frame.sh. On the first SDL_RenderPresent
// (the first picture reaching the window) it writes the milliseconds since
// QUILLON_T0_NS (CLOCK_REALTIME in ns, taken by the script just before it
// starts the app) to the file QUILLON_FIRST_FRAME_FILE. The app itself is
// unchanged.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

typedef struct SDL_Renderer SDL_Renderer;

void SDL_RenderPresent(SDL_Renderer* renderer) {
  static void (*real)(SDL_Renderer*);
  static int presented;
  if (!real) real = (void (*)(SDL_Renderer*))dlsym(RTLD_NEXT, "SDL_RenderPresent");
  real(renderer);
  if (presented++) return;
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  const char* start = getenv("QUILLON_T0_NS");
  const char* path = getenv("QUILLON_FIRST_FRAME_FILE");
  if (!start || !path) return;
  const long long ns = (long long)now.tv_sec * 1000000000LL + now.tv_nsec - atoll(start);
  FILE* file = fopen(path, "w");
  if (!file) return;
  fprintf(file, "%.1f\n", (double)ns / 1e6);
  fclose(file);
}
