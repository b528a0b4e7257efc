// rarpack FOLDER OUT.rar: packs a folder into a RAR 2.0 archive of stored members.
#include <iostream>

#include "rarpack/rarpack.h"

int main(int argc, char** argv) { return runRarpack(argc, argv, std::cout, std::cerr); }
