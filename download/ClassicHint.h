#pragma once
// Whether a BMP would print badly under Classic, which decides a dot by the file's own
// pixel format: an 8-bit pixel by its palette position (an image editor's colour
// palette is in no grey order), a 1-bit one by the first colour's blue byte, a 32-bit
// one by its colour whatever its alpha says. Such a file often comes out as a solid
// block; Colour or a dither would print it as it looks. The window says so once, and
// the user decides.
//
// Plain functions, safe from any thread; JudgeClassicBmp reads the file.
#include <string>

enum class ClassicTrouble {
    None,
    ColourPalette, // a colour table whose entries are not all grey
    Transparent,   // declared alpha, and pixels that are not opaque
    MostlyBlack,   // more than kMostlyBlackPercent of the picture prints
};

inline constexpr int kMostlyBlackPercent = 90;

struct ClassicVerdict {
    ClassicTrouble trouble = ClassicTrouble::None;
    int blackPercent = 0; // of the picture's pixels, as Classic prints them (rounded down)
};

// path's picture as Classic converts it at threshold. None for a file that is no BMP
// or does not load: those get their own messages elsewhere.
ClassicVerdict JudgeClassicBmp(const std::string& path, int threshold);

// The words for the user about the file called name; "" for None.
std::string ClassicHintText(const std::string& name, const ClassicVerdict& verdict);
