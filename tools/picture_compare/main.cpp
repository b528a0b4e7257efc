// picture_compare A.png B.png [--ignore X,Y,W,H]...: how far two screenshots of one frame lie apart.
#include <iostream>
#include <string>
#include <vector>

#include "picture_compare/picture_compare.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return picturecompare::runPictureCompare(arguments, std::cout, std::cerr);
}
