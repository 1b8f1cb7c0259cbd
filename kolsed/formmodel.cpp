#include "kolsed/formmodel.h"

#include "common/codecs.h"
#include "common/paths.h"

#include <cmath>
#include <cstdlib>

namespace kolshell {

TPresentation::TPresentation() {
    Fonts[1].Bold = true;
    Fonts[1].Color = 0xFF0000;
    Fonts[3].Color = 0x0000FF;
}

int TFormMetrics::FontHeight(const TFontDef& font) const {
    return int(std::lround(font.Size * 96.0 / 72.0));
}

bool TFormMetrics::PictureSize(const std::string& file, int& width, int& height) const {
    return BmpSize(file, width, height);
}

bool BmpSize(const std::string& file, int& width, int& height) {
    std::string bytes;
    if (!ReadFileBytes(file, bytes) || bytes.size() < 26 || bytes.compare(0, 2, "BM") != 0)
        return false;
    const long w = GetInt32(BytesAt(bytes, 18)), h = std::labs(GetInt32(BytesAt(bytes, 22)));
    if (w <= 0 || w > 32767 || h == 0 || h > 32767) return false;
    width = int(w);
    height = int(h);
    return true;
}

const std::vector<std::pair<std::string, uint32_t>>& ColourTable() {
    static const std::vector<std::pair<std::string, uint32_t>> table = {
        {"BLACK", 0x000000},  {"RED", 0xFF0000},    {"BLUE", 0x0000FF},    {"GREEN", 0x008000},
        {"GRAY", 0x808080},   {"PURPLE", 0x800080}, {"AQUA", 0x00FFFF},    {"YELLOW", 0xFFFF00},
        {"SILVER", 0xC0C0C0}, {"NAVY", 0x000080},   {"FUCHSIA", 0xFF00FF}, {"LIME", 0x00FF00},
        {"WHITE", 0xFFFFFF},  {"DEF", 0xFFFFFF}};
    return table;
}

bool FindColour(const std::string& upperText, uint32_t& rgb) {
    for (const auto& [name, value] : ColourTable())
        if (upperText.find(name) != std::string::npos) {
            rgb = value;
            return true;
        }
    return false;
}

} // namespace kolshell
