// The entry point of Glimmerdale.scr.
#include "app/entry.h"

int main(int argc, char** argv) { return runGlimmerdale(argc, argv); }
