// zarvo-headless: the game's start-up, main loop and shutdown over the headless backend, driven by a
// script (a file, or - for standard input), run in the directory that holds the game data.
#include <cstdio>
#include <cstring>

#include "app/app.h"
#include "runner/script.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: zarvo-headless SCRIPT   (SCRIPT is a file, or - for standard input)\n");
        return 2;
    }
    FILE* script = strcmp(argv[1], "-") == 0 ? stdin : fopen(argv[1], "r");
    if (!script) {
        fprintf(stderr, "zarvo-headless: cannot open script %s\n", argv[1]);
        return 2;
    }
    StartScript(script);
    int code = ProgramMain();
    if (script != stdin) fclose(script);
    return code;
}
