// Game start-up, the replay loop and the choice of words.
#include "game/jogo.h"

#include "plataforma/diario.h"

namespace jogo {

namespace {

// Upper-casing of the game: only "a" to "z" change.
uint8_t Maiuscula(uint8_t c) { return c >= 'a' && c <= 'z' ? uint8_t(c - 32) : c; }

}  // namespace

Jogo::Jogo(console::Console& console, const frontend::Configuracao& configuracao, frontend::Fala& fala)
    : console_(console), configuracao_(configuracao), fala_(fala) {}

void Jogo::GameStartup() {
  MessageDirectory = configuracao_.GetConfigValue("MIRTALAN", "DIRMIRTALAN");
  if (!MessageDirectory.empty() && MessageDirectory.back() != '\\' && MessageDirectory.back() != '/')
    MessageDirectory += '/';
  WordListPath = configuracao_.GetConfigValue("MIRTALAN", "ARQPALAVRAS");
  if (WordListPath.empty()) WordListPath = MessageDirectory + "mirtalan.pal";
  fala_.SpeechStart(0, MessageDirectory);
  console_.ClearWindow();
  console_.SetConsoleTitle("Mirtalan");
  SayMessage("JGINIC");
  console_.PauseMs(2000);
  console_.WriteLine();
  UsedFlags.fill(false);
  gerador_.seed(uint32_t(console_.plataforma().relogio().HoraDoDiaMs()));
  LoadWordList();
}

void Jogo::GameMain() {
  GameStartup();
  RoundCounter = 0;
  uint8_t k;
  do {
    console_.SetTextWindow(1, 1, 49, 25);
    console_.ClearWindow();
    console_.WriteLine("JOGO DA MIRTALAN");
    if (++RoundCounter == WordCount) {
      RoundCounter = 1;
      UsedFlags.fill(false);
    }
    PlayRound(WordList[ChooseWord()]);
    console_.WriteLine();
    SayMessage("JGDENOVO");
    DescartarTeclas();
    k = console_.NextKey();
    fala_.SpeakChar(Maiuscula(k));
    if (k > 20) {
      console_.WriteChar(k);
      console_.WriteLine();
    }
  } while (Maiuscula(k) != 'N');
  SayMessage("JGTCHAU");
  fala_.SpeechFinish();
  console_.SetTextWindow(1, 1, 80, 25);
  console_.ClearWindow();
  console_.CloseConsole();
}

int Jogo::RandomIndex(int n) { return int(gerador_() & 1023) % n; }

int Jogo::ChooseWord() {
  // A list of one word has every word flagged from its second round on:
  // start the cycle again instead of searching for ever.
  bool algumLivre = false;
  for (int i = 0; i < WordCount; ++i) algumLivre |= !UsedFlags[i];
  if (!algumLivre) UsedFlags.fill(false);
  int i;
  do i = RandomIndex(WordCount);
  while (UsedFlags[i]);
  UsedFlags[i] = true;
  plataforma::diario::Registrar("palavra", std::to_string(i) + " " + WordList[i]);
  return i;
}

void Jogo::DescartarTeclas() {
  while (console_.KeyWaiting()) console_.NextKey();
}

// Sleeping between tests: every sound that ends or key that arrives posts a message.
void Jogo::EsperarFala() {
  while (fala_.IsSpeaking()) console_.WaitMessage();
}

}  // namespace jogo
