// The gallows figure drawn stage by stage, and the choice of words.
#include <gtest/gtest.h>

#include <set>

#include "apoio.h"
#include "game/jogo.h"
#include "plataforma/diario.h"

namespace {

// The figure and the word choice speak only through the game's messages.
class FalaMuda : public frontend::Fala {
 public:
  bool IsSpeaking() override { return false; }

 protected:
  void IniciarFala(int, std::string_view) override {}
  void TerminarFala() override {}
  void FalarTexto(std::string_view) override {}
  void FalarCaractere(uint8_t) override {}
  void TocarSomNomeado(std::string_view) override {}
};

class ForcaTest : public testing::Test {
 protected:
  void Iniciar(const std::string& ini = "") {
    apoio::EscreverArquivo(dir / "TALVEN.INI", ini);
    plataforma = plataforma::CriarPlataformaNenhuma();
    console = std::make_unique<console::Console>(*plataforma);
    fala = std::make_unique<FalaMuda>();
    jogo = std::make_unique<jogo::Jogo>(*console, configuracao, *fala);
    console->ClearWindow();
    console->SetTextWindow(1, 1, 49, 25);
  }

  // Non-blank cells of the figure block, columns 50 to 74.
  int CelulasVisiveis() const {
    int n = 0;
    for (int l = 0; l < 25; ++l)
      for (int c = 49; c < 74; ++c) n += console->Caractere(c, l) != ' ';
    return n;
  }

  apoio::DiretorioTemporario dir;
  apoio::Variavel talvenDir{"TALVEN_DIR", dir.caminho().string()};
  frontend::Configuracao configuracao{dir.caminho().string()};
  std::unique_ptr<plataforma::Plataforma> plataforma;
  std::unique_ptr<console::Console> console;
  std::unique_ptr<FalaMuda> fala;
  std::unique_ptr<jogo::Jogo> jogo;
};

TEST_F(ForcaTest, EachStageAddsItsCells) {
  Iniciar();
  const int porEstagio[9] = {86, 20, 2, 27, 7, 7, 22, 21, 2};
  int anterior = 0;
  for (int estagio = 0; estagio <= 8; ++estagio) {
    jogo->FigureStage = estagio;
    jogo->DrawFigure();
    int agora = CelulasVisiveis();
    EXPECT_EQ(agora - anterior, porEstagio[estagio]) << "estagio " << estagio;
    anterior = agora;
  }
  // A lower stage after a higher one blanks the later parts.
  jogo->FigureStage = 0;
  jogo->DrawFigure();
  EXPECT_EQ(CelulasVisiveis(), 86);
}

TEST_F(ForcaTest, BlockIsBlueAndTheRestOfEachRowBlack) {
  Iniciar();
  jogo->DrawFigure();
  for (int l = 0; l < 25; ++l) {
    EXPECT_EQ(console->Atributo(49, l), 0x1F) << l;
    EXPECT_EQ(console->Atributo(73, l), 0x1F) << l;
    EXPECT_EQ(console->Atributo(74, l), 0x0F) << l;
    EXPECT_EQ(console->Atributo(48, l), 0x0F) << l;
  }
  EXPECT_EQ(console->TextAttr(), 0x0F);
}

TEST_F(ForcaTest, FixedColoursKeepTheNormalBackground) {
  Iniciar("[VIDEO]\nCORESFIXAS=S\n");
  jogo->DrawFigure();
  EXPECT_EQ(console->Atributo(49, 0), 0x0F);
  EXPECT_EQ(console->Caractere(56, 0), 'X');
}

TEST_F(ForcaTest, CursorOfTheTextWindowIsKept) {
  Iniciar();
  console->Write(std::string(48, 'a'));
  jogo->DrawFigure();
  EXPECT_EQ(console->CursorColumn(), 49);
  EXPECT_EQ(console->CursorRow(), 1);
  console->Write("bc");
  EXPECT_EQ(console->Caractere(48, 0), 'b');
  EXPECT_EQ(console->Caractere(0, 1), 'c');
  // The text window is the game's again: scrolling leaves the figure alone.
  for (int i = 0; i < 30; ++i) console->WriteLine("x");
  EXPECT_EQ(console->Caractere(56, 0), 'X');
}

TEST_F(ForcaTest, RandomIndexStaysInRange) {
  Iniciar();
  std::set<int> vistos;
  for (int i = 0; i < 2000; ++i) {
    int r = jogo->RandomIndex(7);
    ASSERT_GE(r, 0);
    ASSERT_LT(r, 7);
    vistos.insert(r);
  }
  EXPECT_EQ(vistos.size(), 7u);
}

TEST_F(ForcaTest, ChooseWordNeverRepeatsWithinTheFlags) {
  Iniciar();
  jogo->WordList = {"A", "B", "C", "D", "E"};
  jogo->WordCount = 5;
  std::set<int> escolhidas;
  for (int i = 0; i < 5; ++i) escolhidas.insert(jogo->ChooseWord());
  EXPECT_EQ(escolhidas.size(), 5u);
  // All flagged: the next choice starts over instead of searching for ever.
  int i = jogo->ChooseWord();
  EXPECT_GE(i, 0);
  EXPECT_LT(i, 5);
}

}  // namespace
