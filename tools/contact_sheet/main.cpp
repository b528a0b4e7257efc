// contact_sheet --out SHEET.png [--columns N] FILE LABEL [FILE LABEL]...: one labelled contact sheet.
#include <iostream>
#include <string>
#include <vector>

#include "contact_sheet/contact_sheet.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return contactsheet::runContactSheet(arguments, std::cerr);
}
