// One round of hangman: the word's state spelled before every question, one
// letter per question, a figure stage per miss, and the three endings.
#include "game/jogo.h"

namespace jogo {

namespace {

uint8_t Maiuscula(uint8_t c) { return c >= 'a' && c <= 'z' ? uint8_t(c - 32) : c; }

constexpr const char* kMensagemDoEstagio[8] = {"",         "JGCABECA", "JGPESCOC", "JGTRONCO",
                                               "JGBRADIR", "JGBRAESQ", "JGPERDIR", "JGPERESQ"};

}  // namespace

void Jogo::PlayRound(const std::string& word) {
  palavra = word.substr(0, kTamanhoPalavra);
  TriedLetters.fill(false);
  RevealedPositions.fill(false);
  enforcado = false;
  FigureStage = 0;
  DrawFigure();
  console_.WriteLine();
  do {
    ShowWord();
    if (completa) {
      Final("JGPARABE", false);
      return;
    }
    console_.PauseMs(400);
    DescartarTeclas();
    SayMessage("JGQUELET");
    uint8_t k = Maiuscula(console_.NextKey());
    if (k == 13 || k == 32 || k == 0) {
      if (k == 0) console_.NextKey();
      RepetirLetras();
      continue;
    }
    console_.WriteChar(k);
    console_.WriteLine();
    fala_.SpeakChar(k);
    EsperarFala();
    console_.PauseMs(200);
    if (k == 27) {
      Final("JGDESIS", true);
      return;
    }
    if (k < 'A' || k > 'Z') {
      SayMessage("JGSOALFA");
    } else if (TriedLetters[k - 'A']) {
      SayMessage("JGLETREP");
    } else {
      TriedLetters[k - 'A'] = true;
      bool errou = true;
      for (size_t i = 0; i < palavra.size(); ++i)
        if (uint8_t(palavra[i]) == k) {
          RevealedPositions[i] = true;
          errou = false;
        }
      if (errou) WrongGuess();
    }
  } while (!enforcado);
  Final("JGENFORC", true);
}

void Jogo::RepetirLetras() {
  console_.WriteLine();
  SayMessage("JGREPETE");
  for (int i = 0; i < 26; ++i) {
    if (!TriedLetters[i]) continue;
    uint8_t letra = uint8_t('A' + i);
    console_.WriteChar(letra);
    fala_.SpeakChar(letra);
    EsperarFala();
    console_.PauseMs(200);
  }
  console_.WriteLine();
  console_.PauseMs(3000);
}

// The endings of a round; give-up and hanging say the word letter by letter first.
void Jogo::Final(std::string_view codigo, bool soletrar) {
  console_.WriteLine();
  SayMessage(codigo);
  SayMessage("JGERA");
  if (soletrar) SoletrarPalavra();
  console_.WriteLine(palavra);
  fala_.SpeakText(palavra);
}

void Jogo::SoletrarPalavra() {
  for (char letra : palavra) {
    fala_.SpeakChar(uint8_t(letra));
    EsperarFala();
    console_.PauseMs(200);
  }
}

void Jogo::ShowWord() {
  console_.PauseMs(600);
  completa = true;
  for (size_t i = 0; i < palavra.size(); ++i) {
    if (RevealedPositions[i]) {
      console_.WriteChar(uint8_t(palavra[i]));
      fala_.SpeakChar(uint8_t(palavra[i]));
      EsperarFala();
    } else {
      SayMessage("JGPLIM");
      console_.WriteChar('.');
      completa = false;
    }
    console_.PauseMs(800);
  }
}

void Jogo::WrongGuess() {
  ++FigureStage;
  SayMessage(FigureStage <= 7 ? "JGTCHEN" : "JGREQIEN");
  DrawFigure();
  if (FigureStage <= 7)
    SayMessage(kMensagemDoEstagio[FigureStage]);
  else
    enforcado = true;
}

}  // namespace jogo
