#include "contact_sheet/contact_sheet.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <ostream>
#include <stdexcept>

#include "mediagen/picture.h"
#include "mediagen/text.h"
#include "pictures/pictures.h"

namespace contactsheet {
namespace {

using mediagen::Color;
using mediagen::Picture;

constexpr int kMaxColumns = 64;

// Draws a line of text centred in [left, left + width), its baseline at baselineY, shortened from the
// front with an ellipsis when too wide (the end of a label is the part that tells pictures apart).
void drawLabel(Picture& sheet, const std::string& text, const mediagen::TextStyle& style, int left, int width,
               int baselineY) {
    if (text.empty()) return;
    std::string shown = text;
    mediagen::TextMask set = mediagen::setText(style.face, shown, style.size, 1);
    while (set.inkRight - set.inkLeft > width - 4 && shown.size() > 4) {
        shown = "\xE2\x80\xA6" + shown.substr(std::min<std::size_t>(4, shown.size()));
        set = mediagen::setText(style.face, shown, style.size, 1);
    }
    mediagen::drawTextMask(sheet, set, style, left + (width - (set.inkRight - set.inkLeft)) / 2.0f,
                           float(baselineY));
}

}  // namespace

CellOrigin cellOrigin(const SheetLayout& layout, int index) {
    const int column = index % layout.columns, row = index / layout.columns;
    return CellOrigin{layout.margin + column * (layout.boxWidth + layout.margin),
                      layout.margin + row * (layout.boxHeight + layout.labelHeight + layout.margin)};
}

pictures::Image composeSheet(const std::vector<SheetEntry>& entries, const SheetLayout& layout) {
    const int count = int(entries.size());
    const int rows = std::max(1, (count + layout.columns - 1) / layout.columns);
    const int width = layout.margin + layout.columns * (layout.boxWidth + layout.margin);
    const int height = layout.margin + rows * (layout.boxHeight + layout.labelHeight + layout.margin);
    Picture sheet(width, height, mediagen::hexColor(0x202124));

    mediagen::TextStyle labelStyle;
    labelStyle.size = 13;
    labelStyle.fillTop = labelStyle.fillBottom = mediagen::hexColor(0xE8EAED);
    mediagen::TextStyle problemStyle = labelStyle;
    problemStyle.fillTop = problemStyle.fillBottom = mediagen::hexColor(0xFFB4A8);

    for (int i = 0; i < count; ++i) {
        const SheetEntry& entry = entries[i];
        const CellOrigin origin = cellOrigin(layout, i);
        if (entry.image.empty()) {
            mediagen::fillRect(sheet, origin.x, origin.y, origin.x + layout.boxWidth,
                               origin.y + layout.boxHeight, mediagen::hexColor(0x5C1A14));
            drawLabel(sheet, entry.problem.empty() ? "no picture" : entry.problem, problemStyle, origin.x,
                      layout.boxWidth, origin.y + layout.boxHeight / 2);
        } else {
            const pictures::Image& image = entry.image;
            const float scale =
                std::min(float(layout.boxWidth) / image.width, float(layout.boxHeight) / image.height);
            const int w = std::clamp(int(image.width * scale + 0.5f), 1, layout.boxWidth);
            const int h = std::clamp(int(image.height * scale + 0.5f), 1, layout.boxHeight);
            const Picture scaled = mediagen::resized(Picture::fromImage(image), w, h);
            mediagen::drawPicture(sheet, scaled, origin.x + (layout.boxWidth - w) / 2,
                                  origin.y + (layout.boxHeight - h) / 2);
        }
        drawLabel(sheet, entry.label, labelStyle, origin.x, layout.boxWidth,
                  origin.y + layout.boxHeight + layout.labelHeight - 7);
    }
    return sheet.toImage();
}

int runContactSheet(const std::vector<std::string>& arguments, std::ostream& errors) {
    const char* usage = "usage: contact_sheet --out SHEET.png [--columns N] FILE LABEL [FILE LABEL]...\n";
    std::string outPath;
    SheetLayout layout;
    std::vector<std::string> pairs;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if ((argument == "--out" || argument == "--columns") && i + 1 < arguments.size()) {
            const std::string& value = arguments[++i];
            if (argument == "--out") {
                outPath = value;
                continue;
            }
            char* end = nullptr;
            const long columns = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || columns < 1 || columns > kMaxColumns) {
                errors << "contact_sheet: --columns wants 1 to " << kMaxColumns << ", not \"" << value
                       << "\"\n";
                return 2;
            }
            layout.columns = int(columns);
        } else if (argument.rfind("--", 0) == 0) {
            errors << "contact_sheet: unknown or incomplete option " << argument << "\n" << usage;
            return 2;
        } else {
            pairs.push_back(argument);
        }
    }
    if (outPath.empty() || pairs.empty() || pairs.size() % 2 != 0) {
        errors << usage;
        return 2;
    }

    std::vector<SheetEntry> entries;
    bool allRead = true;
    for (std::size_t i = 0; i < pairs.size(); i += 2) {
        SheetEntry entry;
        entry.label = pairs[i + 1];
        std::string error;
        if (!readPngFile(pairs[i], entry.image, error)) {
            entry.image = pictures::Image();
            entry.problem = error;
            errors << "contact_sheet: " << pairs[i] << ": " << error << "\n";
            allRead = false;
        }
        entries.push_back(std::move(entry));
    }

    try {
        const Bytes png = pictures::encodePng(composeSheet(entries, layout));
        std::ofstream file(outPath, std::ios::binary);
        file.write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
        file.close();
        if (!file) {
            errors << "contact_sheet: cannot write " << outPath << "\n";
            return 2;
        }
    } catch (const std::exception& failure) {
        errors << "contact_sheet: " << failure.what() << "\n";
        return 2;
    }
    return allRead ? 0 : 1;
}

}  // namespace contactsheet
