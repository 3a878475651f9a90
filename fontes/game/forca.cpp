// The gallows figure: a 25 x 25 block of text at the right of the screen,
// outside the game's text window, growing one body part per wrong letter.
#include "game/jogo.h"

namespace jogo {

namespace {

constexpr int kLado = 25, kColunaFigura = 50;

constexpr const char* kFigurePicture[kLado] = {
    "       XXXXXXXXXXXXXXXX  ",
    "       XXXXXXXXXXXXXXXX  ",
    "        |        \\\\  XX  ",
    "      *****       \\\\ XX  ",
    "     { \\ / }       \\\\XX  ",
    "     | O O |        \\XX  ",
    "     (  V  )         XX  ",
    "      \\ = /          XX  ",
    "       ***           XX  ",
    "       | |           XX  ",
    "    ---   ---        XX  ",
    "   /         \\       XX  ",
    "  ---       ---      XX  ",
    "  | |       | |      XX  ",
    "  | |       | |      XX  ",
    "  | +++OOO+++ |      XX  ",
    "  oo|       |oo      XX  ",
    "  oo|   -   |oo      XX  ",
    "    |  | |  |        XX  ",
    "    |  | |  |        XX  ",
    "    |  | |  |        XX  ",
    "    |  | |  |        XX  ",
    "    |  | |  |        XX  ",
    "    ---- ----        XX  ",
    "   @@@@@ @@@@@       XX  ",
};

// The stage from which each cell shows; a blank counts as stage 0.
constexpr const char* kStageMask[kLado] = {
    "       0000000000000000  ",
    "       0000000000000000  ",
    "        0        00  00  ",
    "      11111       00 00  ",
    "     1 8 8 1       0000  ",
    "     1 1 1 1        000  ",
    "     1  1  1         00  ",
    "      1 1 1          00  ",
    "       111           00  ",
    "       2 2           00  ",
    "    333   333        00  ",
    "   3         3       00  ",
    "  333       333      00  ",
    "  4 3       3 5      00  ",
    "  4 3       3 5      00  ",
    "  4 333333333 5      00  ",
    "  446       755      00  ",
    "  446   6   755      00  ",
    "    6  6 7  7        00  ",
    "    6  6 7  7        00  ",
    "    6  6 7  7        00  ",
    "    6  6 7  7        00  ",
    "    6  6 7  7        00  ",
    "    6666 7777        00  ",
    "   66666 77777       00  ",
};

}  // namespace

void Jogo::DrawFigure() {
  int coluna = console_.CursorColumn(), linha = console_.CursorRow();
  console_.SetTextWindow(1, 1, 80, 25);
  for (int y = 0; y < kLado; ++y) {
    console_.MoveCursor(kColunaFigura, y + 1);
    console_.SetBackground(1);
    for (int x = 0; x < kLado; ++x) {
      int estagio = kStageMask[y][x] & 15;
      // One write statement per cell, so each reaches the screen at once.
      console_.Write(std::string_view(estagio > FigureStage ? " " : &kFigurePicture[y][x], 1));
    }
    console_.SetBackground(0);
    console_.ClearToLineEnd();
  }
  console_.SetTextWindow(1, 1, 49, 25);
  console_.MoveCursor(coluna, linha);
}

}  // namespace jogo
