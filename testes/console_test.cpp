// The console's screen model, key queue, Braille chords, line input and
// signal tones, on the headless platform.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include "apoio.h"
#include "console/console.h"
#include "plataforma/diario.h"
#include "plataforma/nenhuma/roteiro.h"

namespace {

using testing::ElementsAre;

class ConsoleTest : public testing::Test {
 protected:
  // Each test may write its own TALVEN.INI before the console is created.
  // Keys of `roteiro` arrive one by one as the console waits for them.
  void Iniciar(const std::string& ini = "", const std::string& roteiro = "") {
    apoio::EscreverArquivo(dir / "TALVEN.INI", ini);
    apoio::EscreverArquivo(dir / "teclas", roteiro);
    plataforma = plataforma::CriarPlataformaNenhuma();
    plataforma::diario::Abrir(&plataforma->relogio());
    console = std::make_unique<console::Console>(*plataforma);
  }
  void TearDown() override {
    console.reset();
    plataforma.reset();
    plataforma::diario::Fechar();
  }

  // Delivers the messages of a key script and lets the console handle them.
  void Teclar(const std::string& roteiro) {
    std::vector<plataforma::ItemRoteiro> itens;
    std::string erro;
    ASSERT_TRUE(plataforma::LerRoteiro(roteiro, itens, erro)) << erro;
    for (const auto& item : itens)
      for (const auto& m : item.mensagens) plataforma->janela().PostarMensagem(m);
    console->KeyWaiting();
  }

  std::string Linha(int linha) const {
    std::string s;
    for (int c = 0; c < console::kColunas; ++c) s += char(console->Caractere(c, linha - 1));
    return s.substr(0, s.find_last_not_of(' ') + 1);
  }

  std::vector<std::string> Diario(const std::string& tipo) const {
    std::vector<std::string> r;
    for (const std::string& l : apoio::Linhas(apoio::LerArquivo(dir / "diario"))) {
      std::string e = l.substr(l.find(' ') + 1);
      if (e.rfind(tipo, 0) == 0) r.push_back(e);
    }
    return r;
  }

  // What was drawn on the headless screen, read after the platform is gone.
  std::vector<std::string> TelaDesenhada() {
    console.reset();
    plataforma.reset();
    return apoio::Linhas(apoio::LerArquivo(dir / "tela"));
  }

  apoio::DiretorioTemporario dir;
  apoio::Variavel talvenDir{"TALVEN_DIR", dir.caminho().string()};
  apoio::Variavel diario{"TALVEN_DIARIO", (dir / "diario").string()};
  apoio::Variavel telaFinal{"TALVEN_TELA_FINAL", (dir / "tela").string()};
  apoio::Variavel teclas{"TALVEN_TECLAS", (dir / "teclas").string()};
  std::unique_ptr<plataforma::Plataforma> plataforma;
  std::unique_ptr<console::Console> console;
};

TEST_F(ConsoleTest, WrapHappensWhenTheCharacterAfterTheLastColumnArrives) {
  Iniciar();
  console->EnsureConsole();
  console->SetTextWindow(1, 1, 49, 25);
  console->Write(std::string(49, 'A'));
  EXPECT_EQ(console->CursorColumn(), 50);
  EXPECT_EQ(console->CursorRow(), 1);
  console->Write("B");
  EXPECT_EQ(Linha(1), std::string(49, 'A'));
  EXPECT_EQ(Linha(2), "B");
  EXPECT_EQ(console->CursorColumn(), 2);
}

// Scrolling moves only the text window, by copying pixels (LENTO=S) or by
// repainting; both must leave on screen exactly what the buffers hold.
class RolagemTest : public ConsoleTest, public testing::WithParamInterface<const char*> {};

TEST_P(RolagemTest, ScrollsOnlyTheTextWindow) {
  Iniciar(std::string("[VIDEO]\nLENTO=") + GetParam() + "\n");
  console->ClearWindow();
  console->MoveCursor(60, 1);
  console->Write("FORA");
  console->SetTextWindow(1, 1, 49, 25);
  for (int i = 1; i <= 26; ++i) console->WriteLine("linha " + std::to_string(i));
  EXPECT_EQ(Linha(1).substr(0, 7), "linha 3");
  EXPECT_EQ(Linha(1).substr(7, 42), std::string(42, ' '));
  EXPECT_EQ(Linha(24), "linha 26");
  EXPECT_EQ(Linha(25), "");
  EXPECT_EQ(Linha(1).substr(59), "FORA");
  std::vector<std::string> buffer;
  for (int l = 1; l <= 25; ++l) buffer.push_back(Linha(l));
  std::vector<std::string> tela = TelaDesenhada();
  ASSERT_EQ(tela.size(), 25u);
  for (int l = 0; l < 25; ++l) EXPECT_EQ(tela[l].substr(0, tela[l].find_last_not_of(' ') + 1), buffer[l]) << l;
}

INSTANTIATE_TEST_SUITE_P(Modos, RolagemTest, testing::Values("N", "S"));

TEST_F(ConsoleTest, BackspaceAndControlBytes) {
  Iniciar();
  console->Write("\b");
  EXPECT_EQ(console->CursorColumn(), 1);
  console->Write("ABC\bD");
  EXPECT_EQ(Linha(1), "ABD");
  // Tab and the other control bytes change nothing; 13 returns to column 1.
  std::string controles;
  for (int b : {0, 1, 2, 3, 4, 5, 6, 9, 11, 12, 14, 20, 26, 27, 31}) controles += char(b);
  console->Write(controles);
  EXPECT_EQ(Linha(1), "ABD");
  EXPECT_EQ(console->CursorColumn(), 4);
  console->Write("\rx\a");
  EXPECT_EQ(Linha(1), "xBD");
  EXPECT_EQ(console->CursorColumn(), 2);
  EXPECT_THAT(Diario("bipe"), ElementsAre("bipe"));
  EXPECT_EQ(TelaDesenhada()[0].substr(0, 4), "xBD ");
}

TEST_F(ConsoleTest, MoveCursorClampsToTheTextWindow) {
  Iniciar();
  console->SetTextWindow(1, 1, 49, 25);
  struct {
    int x, y, coluna, linha;
  } casos[] = {{200, 0, 49, 1}, {-5, 99, 1, 25}, {10, 3, 10, 3}};
  for (auto c : casos) {
    console->MoveCursor(c.x, c.y);
    EXPECT_EQ(console->CursorColumn(), c.coluna);
    EXPECT_EQ(console->CursorRow(), c.linha);
  }
}

TEST_F(ConsoleTest, TextWindowsOutsideTheScreenAreClamped) {
  Iniciar();
  console->ClearWindow();
  console->SetTextWindow(0, -3, 200, 90);
  console->Write(std::string(81, 'x'));
  EXPECT_EQ(Linha(1), std::string(80, 'x'));
  EXPECT_EQ(Linha(2), "x");
  // Edges that cross: a window of one cell, which scrolls in place.
  console->SetTextWindow(70, 5, 10, 2);
  console->Write("abc");
  EXPECT_EQ(Linha(5).substr(69), "c");
  EXPECT_EQ(Linha(6), "");
  console->ClearWindow();
  EXPECT_EQ(Linha(5), "");
}

TEST_F(ConsoleTest, ColoursFromTheConfiguration) {
  Iniciar("[VIDEO]\nCORFUNDO=2\nCORLETRA=\nTABCORES=0,4x,9\n");
  console->EnsureConsole();
  EXPECT_EQ(console->TextAttr(), 0x27);
  EXPECT_EQ(console->ColourMap()[1], 4);
  EXPECT_EQ(console->ColourMap()[2], 2);  // reading stopped at "4x"
  console->SetBackground(1);
  console->Write("Z");
  EXPECT_EQ(console->Atributo(0, 0), 0x17);
  EXPECT_EQ(console::CorDaPaleta(16), (plataforma::Cor{0, 0, 0}));
  EXPECT_EQ(console::CorDaPaleta(5), (plataforma::Cor{142, 0, 142}));
}

TEST_F(ConsoleTest, FixedColoursIgnoreSetBackground) {
  Iniciar("[VIDEO]\nCORESFIXAS=s\n");
  console->SetBackground(1);
  EXPECT_EQ(console->TextAttr(), 0x0F);
}

TEST_F(ConsoleTest, LongTitlesAreCut) {
  Iniciar();
  console->EnsureConsole();
  console->SetConsoleTitle("  " + std::string(150, 't') + "  ");
  EXPECT_EQ(Diario("titulo").back(), "titulo " + std::string(140, 't') + "...");
}

// Keys typed in the window and the bytes they queue.
struct CasoTecla {
  const char* roteiro;
  std::string bytes;
};

void PrintTo(const CasoTecla& caso, std::ostream* os) { *os << caso.roteiro; }

class TeclaTest : public ConsoleTest, public testing::WithParamInterface<CasoTecla> {};

TEST_P(TeclaTest, QueuesPcCodes) {
  Iniciar();
  Teclar(GetParam().roteiro);
  EXPECT_EQ(console->KeyQueue(), GetParam().bytes) << GetParam().roteiro;
}

using std::string_literals::operator""s;

INSTANTIATE_TEST_SUITE_P(
    Codigos, TeclaTest,
    testing::Values(CasoTecla{"A", "A"}, CasoTecla{"\xE7", "\xE7"}, CasoTecla{"<Enter>", "\r"},
                    CasoTecla{"<Ctrl+Enter>", "\n"}, CasoTecla{"<Backspace>", "\b"},
                    CasoTecla{"<Ctrl+Backspace>", "\x7F"}, CasoTecla{"<Esc>", "\x1B"}, CasoTecla{"<Tab>", "\t"},
                    CasoTecla{"<Ctrl+C>", "\x03"}, CasoTecla{"<Up>", "\0\x48"s}, CasoTecla{"<Ctrl+Up>", "\0\x71"s},
                    CasoTecla{"<Shift+Insert>", "\0\xFE"s}, CasoTecla{"<Ctrl+Insert>", "\0\xFF"s},
                    CasoTecla{"<Insert>", "\0\x52"s}, CasoTecla{"<Delete>", "\0\x53"s},
                    CasoTecla{"<Ctrl+Delete>", "\0\x53"s}, CasoTecla{"<PgUp>", "\0\x49"s},
                    CasoTecla{"<Ctrl+PgUp>", "\0\x84"s}, CasoTecla{"<Ctrl+End>", "\0\x75"s},
                    CasoTecla{"<F1>", "\0\x3B"s}, CasoTecla{"<F12>", "\0\x46"s}, CasoTecla{"<Ctrl+F1>", "\0\x5E"s},
                    CasoTecla{"<Ctrl+F12>", "\0\x69"s}, CasoTecla{"<Ctrl+Alt+A>", "\0\x1E"s},
                    CasoTecla{"<Ctrl+Alt+Z>", "\0\x2C"s}, CasoTecla{"<Ctrl+Alt+0>", "\0\x81"s},
                    CasoTecla{"<Ctrl+Alt+9>", "\0\x80"s}, CasoTecla{"<Alt+Left>", "\0\x4B"s},
                    // Alt with a letter is a system key, left to the system while
                    // Ctrl+Break handling is on.
                    CasoTecla{"<Alt+A>", ""}, CasoTecla{"<Alt+5>", ""}));

TEST_F(ConsoleTest, AFullQueueDropsWholeKeys) {
  Iniciar();
  Teclar(std::string(65, 'x'));
  EXPECT_EQ(console->KeyQueue(), std::string(64, 'x'));
  console->NextKey();
  Teclar("<Up>");
  EXPECT_EQ(console->KeyQueue(), std::string(63, 'x'));
  Teclar("y");
  EXPECT_EQ(console->KeyQueue().back(), 'y');
  EXPECT_THAT(Diario("tecla"), ElementsAre("tecla 120"));
}

TEST_F(ConsoleTest, CtrlBreakEndsTheProgramWithCode255) {
  Iniciar();
  try {
    Teclar("<Ctrl+Break>");
    ADD_FAILURE() << "the program did not end";
  } catch (const plataforma::FimDoPrograma& fim) {
    EXPECT_EQ(fim.codigo, 255);
  }
}

TEST_F(ConsoleTest, AQuitMessageEndsTheProgramWithCode255) {
  Iniciar();
  console->EnsureConsole();
  console->PostMessage(plataforma::WM_QUIT);
  try {
    console->PauseMs(10);
    ADD_FAILURE() << "the program did not end";
  } catch (const plataforma::FimDoPrograma& fim) {
    EXPECT_EQ(fim.codigo, 255);
  }
}

TEST_F(ConsoleTest, CloseButtonEndsTheProgramWithCodeZero) {
  Iniciar();
  try {
    Teclar("<close>");
    ADD_FAILURE() << "the program did not end";
  } catch (const plataforma::FimDoPrograma& fim) {
    EXPECT_EQ(fim.codigo, 0);
    EXPECT_FALSE(console->Criada());
  }
}

// Braille chords: F D S J K L are dots 1 to 6, the space bar joins a chord.
struct CasoBraille {
  int modo;
  std::string roteiro;
  std::string bytes;
};

void PrintTo(const CasoBraille& caso, std::ostream* os) { *os << caso.modo << " " << caso.roteiro; }

class BrailleTest : public ConsoleTest, public testing::WithParamInterface<CasoBraille> {};

TEST_P(BrailleTest, ChordsTypeCells) {
  Iniciar("[BRAILLE]\nMODO=" + std::to_string(GetParam().modo) + "\n");
  console->EnsureConsole();
  Teclar(GetParam().roteiro);
  EXPECT_EQ(console->KeyQueue(), GetParam().bytes) << GetParam().roteiro;
}

constexpr const char* kNumero = "<down:S><down:J><down:K><down:L><up:S><up:J><up:K><up:L>";
constexpr const char* kMaiuscula = "<down:J><down:L><up:J><up:L>";
constexpr const char* kA = "<down:F><up:F>";
constexpr const char* kB = "<down:F><down:D><up:F><up:D>";
constexpr const char* kC = "<down:F><down:J><up:J><up:F>";
constexpr const char* kEspaco = "<down:Space><up:Space>";

std::string Junta(std::initializer_list<const char*> partes) {
  std::string r;
  for (const char* p : partes) r += p;
  return r;
}

INSTANTIATE_TEST_SUITE_P(
    Acordes, BrailleTest,
    testing::Values(CasoBraille{1, kB, "b"}, CasoBraille{1, "a", " "}, CasoBraille{1, kEspaco, " "},
                    CasoBraille{1, "<down:F><down:D><up:F>", ""}, CasoBraille{1, "<down:D><down:S><up:D><up:S>", "\x3B"},
                    CasoBraille{1, "<down:F><down:J><down:K><down:L><up:F><up:J><up:K><up:L>", "\xF4"},
                    CasoBraille{1, Junta({kNumero, kA}), "#a"},
                    CasoBraille{1, "<down:Space><down:F><down:D><up:F><up:D><up:Space>", "\x02"},
                    CasoBraille{1, "<Up>", "\0\x48"s}, CasoBraille{1, "<Ctrl+F>", "\x06"},
                    CasoBraille{2, Junta({kNumero, kA, kB}), "12"},
                    CasoBraille{2, Junta({kNumero, kA, kEspaco, kA}), "1 a"},
                    CasoBraille{2, Junta({kNumero, "<down:K><up:K>", kA}), "~a"},
                    CasoBraille{2, Junta({kMaiuscula, kC, kA}), "Ca"},
                    CasoBraille{2, Junta({kMaiuscula, kMaiuscula, kC, kA}), "CA"},
                    CasoBraille{2, Junta({kMaiuscula, kMaiuscula, kC, kEspaco, kA}), "C a"},
                    CasoBraille{2, Junta({kMaiuscula, "<Up>", kA}), "\0\x48"s "a"}));

TEST_F(ConsoleTest, BrailleModeSwitchesWithTheirTones) {
  Iniciar();
  console->EnsureConsole();
  console->SetBrailleMode(0);
  EXPECT_TRUE(Diario("tom").empty());
  console->SetBrailleMode(3);
  EXPECT_EQ(console->BrailleMode(), 1);
  Teclar("<Ctrl+Alt+F11>");
  EXPECT_EQ(console->BrailleMode(), 2);
  Teclar("<Ctrl+Alt+F12>");
  EXPECT_EQ(console->BrailleMode(), 0);
  std::vector<std::string> tons;
  for (const std::string& t : Diario("tom ")) tons.push_back(t.substr(0, t.find(" Hz") + 3));
  EXPECT_THAT(tons, ElementsAre("tom 800 Hz", "tom 1600 Hz", "tom 800 Hz", "tom 400 Hz", "tom 100 Hz"));
  EXPECT_EQ(Diario("tom-fim").size(), 5u);
}

TEST_F(ConsoleTest, ConfiguredBrailleModeSoundsAtCreation) {
  Iniciar("[BRAILLE]\nMODO=2\n");
  console->EnsureConsole();
  EXPECT_EQ(console->BrailleMode(), 2);
  EXPECT_EQ(Diario("tom ").size(), 2u);
}

TEST_F(ConsoleTest, ToneImageIsASquareWaveThatDoesNotDrift) {
  Iniciar();
  console->PlayTone(800);
  const std::vector<uint8_t>& t = console->ToneImage();
  auto u32 = [&](size_t i) { return t[i] | t[i + 1] << 8 | t[i + 2] << 16 | uint32_t(t[i + 3]) << 24; };
  // 11025 div 800 = 13 samples a period; cycle k starts at floor(k * 11025 / 800).
  ASSERT_EQ(t.size(), 44u + 10969u);
  EXPECT_EQ(std::string(t.begin(), t.begin() + 4), "RIFF");
  EXPECT_EQ(u32(4), 10969u + 36);
  EXPECT_EQ(u32(24), 11025u);
  EXPECT_EQ(u32(40), 10969u);
  EXPECT_EQ(std::vector<uint8_t>(t.begin() + 44, t.begin() + 44 + 14),
            (std::vector<uint8_t>{96, 96, 96, 96, 96, 96, 160, 160, 160, 160, 160, 160, 160, 96}));
  EXPECT_EQ(t[44 + 10956], 96);  // cycle 795 starts at 10956
  EXPECT_EQ(t.back(), 128);
  console->StopTone();
  EXPECT_TRUE(console->ToneImage().empty());
}

TEST_F(ConsoleTest, ReadLineEditsOneLine) {
  Iniciar();
  Teclar("abc<Backspace>d<F1><Esc><Enter>");
  uint8_t buffer[128];
  int n = console->ReadLine(buffer, sizeof buffer);
  EXPECT_EQ(std::string(buffer, buffer + n), "abd;\r\n");
  EXPECT_EQ(Linha(1), "abd;");
  EXPECT_EQ(console->CursorRow(), 2);
}

TEST_F(ConsoleTest, LinesReadFromTheStreamKeepAtMost126Characters) {
  Iniciar("", std::string(130, 'x') + "<Enter>");
  std::string linha;
  std::getline(console->Entrada(), linha);
  EXPECT_EQ(linha, std::string(126, 'x') + "\r");
  // Characters beyond the limit are not echoed either.
  EXPECT_EQ(Linha(1), std::string(80, 'x'));
  EXPECT_EQ(Linha(2), std::string(46, 'x'));
}

TEST_F(ConsoleTest, TextStreamWritesLongStatementsWithWrapping) {
  Iniciar();
  console->EnsureConsole();
  console->SetTextWindow(1, 1, 49, 25);
  std::string texto;
  for (int i = 0; i < 300; ++i) texto += char('a' + i % 26);
  console->Saida() << texto << std::flush;
  for (int l = 0; l < 6; ++l) EXPECT_EQ(Linha(l + 1).substr(0, 49), texto.substr(size_t(l) * 49, 49)) << l;
  EXPECT_EQ(Linha(7).substr(0, 49), texto.substr(294));
  console->WriteLine();
  EXPECT_EQ(console->CursorRow(), 8);
  EXPECT_EQ(console->CursorColumn(), 1);
}

TEST_F(ConsoleTest, TextStreamReadsEditedLines) {
  Iniciar();
  Teclar("sim<Enter>");
  std::string linha;
  std::getline(console->Entrada(), linha);
  EXPECT_EQ(linha, "sim\r");
}

TEST(RoteiroTest, MalformedScriptsAreRejectedWithTheItem) {
  struct {
    const char* texto;
    const char* erro;
  } casos[] = {{"ab<Foo>", "item desconhecido <Foo>"},
               {"<pause:x>", "item desconhecido <pause:x>"},
               {"<Ctrl+F13>", "item desconhecido <Ctrl+F13>"},
               {"a<Enter", "'<' sem '>' na posicao 2"}};
  for (auto c : casos) {
    std::vector<plataforma::ItemRoteiro> itens;
    std::string erro;
    EXPECT_FALSE(plataforma::LerRoteiro(c.texto, itens, erro)) << c.texto;
    EXPECT_EQ(erro, c.erro);
  }
}

TEST(RoteiroTest, PausesApplyToTheNextItemOnly) {
  std::vector<plataforma::ItemRoteiro> itens;
  std::string erro;
  ASSERT_TRUE(plataforma::LerRoteiro("a<pause:250>b\nc<close>", itens, erro));
  ASSERT_EQ(itens.size(), 4u);
  EXPECT_FALSE(itens[0].pausa);
  EXPECT_EQ(itens[1].pausa, 250u);
  EXPECT_FALSE(itens[2].pausa);
  EXPECT_EQ(itens[3].mensagens.at(0).codigo, plataforma::WM_CLOSE);
}

}  // namespace
