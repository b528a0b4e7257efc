// The contact sheet: every picture the generator made, on a checkerboard (so transparency shows),
// scaled to fit its cell, with its path underneath.

#include <algorithm>

#include "mediagen/generator.h"
#include "mediagen/text.h"

namespace mediagen {
namespace {

constexpr int kColumns = 6;
constexpr int kCell = 260;
constexpr int kPictureBox = 224;
constexpr int kLabelHeight = 30;

}  // namespace

pictures::Image makeContactSheet(const std::vector<MadePicture>& pictures) {
    // Flow layout: very wide pictures (headings) take two cells so their lettering can be judged.
    struct Slot {
        int column, row, span;
    };
    std::vector<Slot> slots;
    int column = 0, row = 0;
    for (const MadePicture& made : pictures) {
        const int span = made.image.width >= 3.5f * made.image.height ? 2 : 1;
        if (column + span > kColumns) column = 0, ++row;
        slots.push_back(Slot{column, row, span});
        column += span;
    }
    const int rows = pictures.empty() ? 1 : row + 1;
    Picture sheet(kColumns * kCell, rows * (kCell + kLabelHeight), hexColor(0x202124));
    TextStyle labelStyle;
    labelStyle.size = 11;
    labelStyle.fillTop = labelStyle.fillBottom = hexColor(0xE8EAED);
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const Slot& slot = slots[i];
        const int cellWidth = slot.span * kCell;
        const int boxWidth = cellWidth - (kCell - kPictureBox);
        const int cellX = slot.column * kCell, cellY = slot.row * (kCell + kLabelHeight);
        const pictures::Image& image = pictures[i].image;
        // Small pictures are enlarged (at most 4×) so glyphs and labels can be judged.
        const float scale =
            std::min({float(boxWidth) / image.width, float(kPictureBox) / image.height, 4.0f});
        const int width = std::max(1, int(image.width * scale)),
                  height = std::max(1, int(image.height * scale));
        const int left = cellX + (cellWidth - width) / 2, top = cellY + 8 + (kPictureBox - height) / 2;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const bool light = ((x / 8) + (y / 8)) % 2 == 0;
                sheet.at(left + x, top + y) = light ? hexColor(0x9AA0A6) : hexColor(0x5F6368);
            }
        drawPicture(sheet, resized(Picture::fromImage(image), width, height), left, top);
        const std::string caption =
            pictures[i].name + "  " + std::to_string(image.width) + "x" + std::to_string(image.height);
        std::string shown = caption;
        TextMask set = setText(labelStyle.face, shown, labelStyle.size, 1);
        while (set.inkRight - set.inkLeft > cellWidth - 8 && shown.size() > 4) {
            shown = "\xE2\x80\xA6" + shown.substr(4);
            set = setText(labelStyle.face, shown, labelStyle.size, 1);
        }
        drawTextMask(sheet, set, labelStyle, cellX + (cellWidth - (set.inkRight - set.inkLeft)) / 2.0f,
                     cellY + 8 + kPictureBox + 18);
    }
    return sheet.toImage();
}

}  // namespace mediagen
