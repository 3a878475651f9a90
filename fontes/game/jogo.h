// The hangman game: start-up and the replay loop (jogo.cpp), the word list
// (palavras.cpp), a round of play (rodada.cpp), the gallows figure
// (forca.cpp) and the recorded messages (mensagens.cpp).
#pragma once

#include <array>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "console/console.h"
#include "tradutor/frontend/configuracao.h"
#include "tradutor/frontend/fala.h"

namespace jogo {

constexpr int kMaxPalavras = 500;
constexpr size_t kTamanhoPalavra = 40;

class Jogo {
 public:
  Jogo(console::Console& console, const frontend::Configuracao& configuracao, frontend::Fala& fala);

  // Start-up, rounds until the player answers "n", farewell; never returns.
  [[noreturn]] void GameMain();
  void GameStartup();
  int ChooseWord();
  int RandomIndex(int n);
  void LoadWordList();
  void PlayRound(const std::string& word);
  void ShowWord();
  void WrongGuess();
  void DrawFigure();
  void SayMessage(std::string_view code);

  // Program-wide state.
  std::vector<std::string> WordList;
  int WordCount = 0;
  std::array<bool, kMaxPalavras + 1> UsedFlags{};
  int RoundCounter = 0;
  std::string MessageDirectory;
  std::string WordListPath;
  int FigureStage = 0;

  // State of the round being played.
  std::string palavra;
  std::array<bool, 26> TriedLetters{};
  std::array<bool, kTamanhoPalavra> RevealedPositions{};
  bool completa = false, enforcado = false;

 private:
  [[noreturn]] void ErroNaLista(int linha);
  [[noreturn]] void CancelarPrograma(std::string_view codigo);
  void DescartarTeclas();
  void EsperarFala();
  void SoletrarPalavra();
  void RepetirLetras();
  void Final(std::string_view codigo, bool soletrar);

  console::Console& console_;
  const frontend::Configuracao& configuracao_;
  frontend::Fala& fala_;
  std::mt19937 gerador_;
};

}  // namespace jogo
