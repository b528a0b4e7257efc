#pragma once
// The contact sheet: stills laid out in a grid, each scaled to fit a 4:3 box on a dark
// ground, with its label centred underneath. A picture that cannot be read keeps its cell, shown as a
// dark red box with the label and the reason, so the sheet still shows what is missing.
//
//   SheetLayout      the grid's measures in pixels
//   SheetEntry       one picture and its label
//   cellOrigin       where a cell's picture box starts, for callers and tests
//   composeSheet     the sheet as an image
//   runContactSheet   the command line: read the files, compose, write the PNG

#include <iosfwd>
#include <string>
#include <vector>

#include "pictures/pictures.h"

namespace contactsheet {

struct SheetLayout {
    int columns = 5;
    int boxWidth = 320;  // the picture box; pictures keep their aspect inside it
    int boxHeight = 240;
    int margin = 8;        // around the sheet and between cells
    int labelHeight = 24;  // below each box
};

struct SheetEntry {
    std::string label;
    pictures::Image image;  // empty: unreadable; `problem` says why
    std::string problem;
};

struct CellOrigin {
    int x = 0, y = 0;
};

// The top-left corner of the picture box of cell `index` (row-major).
CellOrigin cellOrigin(const SheetLayout& layout, int index);

// The whole sheet: columns × rows cells (rows enough for every entry, at least one). Pictures are
// scaled by box filtering (or bilinear when smaller than the box) and centred in their box. Throws
// std::runtime_error when the label font cannot be opened.
pictures::Image composeSheet(const std::vector<SheetEntry>& entries, const SheetLayout& layout);

// Arguments: --out SHEET.png [--columns N] FILE LABEL [FILE LABEL]... Writes the sheet and returns 0;
// returns 1 when a picture could not be read (the sheet is still written, its cell marked, the reason
// on `errors`), 2 for bad arguments or a sheet that cannot be written.
int runContactSheet(const std::vector<std::string>& arguments, std::ostream& errors);

}  // namespace contactsheet
