// review_sheet --out SHEET.png [--columns N] FILE LABEL [FILE LABEL]...: one labelled contact sheet.
#include <iostream>
#include <string>
#include <vector>

#include "review_sheet/review_sheet.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return review::runReviewSheet(arguments, std::cerr);
}
