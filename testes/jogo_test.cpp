// Whole games played headless from key scripts: the final screen, the
// speaking requests in the event log and the exit code.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

#include "apoio.h"

namespace {

using apoio::Partida;
using testing::ElementsAre;
using testing::Contains;
using testing::Not;

class JogoTest : public testing::Test {
 protected:
  // The game's own data from the build, with the test's word list.
  void SetUp() override { Configurar((dir / "mirtalan.pal").string()); }
  void Configurar(const std::string& listaDePalavras) {
    apoio::EscreverArquivo(dir / "TALVEN.INI", "[MIRTALAN]\nDIRMIRTALAN=" MIRTALAN_DADOS "/jogo\nARQPALAVRAS=" +
                                                   listaDePalavras + "\n" +
                                                   apoio::LerArquivo(MIRTALAN_DADOS "/TALVEN.INI"));
  }
  void Palavras(const std::string& conteudo) { apoio::EscreverArquivo(dir / "mirtalan.pal", conteudo); }
  Partida Jogar(const std::string& teclas) { return apoio::Jogar(dir, teclas); }

  apoio::DiretorioTemporario dir;
};

std::string Figura(const Partida& p, int linha) { return p.tela.at(size_t(linha - 1)).substr(49, 25); }

TEST_F(JogoTest, RoundOfSolWithAMissAHitAndARepeat) {
  Palavras("SOL\nSOL\n");
  Partida p = Jogar("ao<Enter>");
  EXPECT_EQ(p.codigo, 0);
  std::vector<std::string> texto;
  for (int r = 1; r <= 9; ++r) texto.push_back(p.Texto(r));
  EXPECT_THAT(texto, ElementsAre("JOGO DA MIRTALAN", "", "...  -> Que letra ? A", "Desenhei a cabecinha...",
                                 "...  -> Que letra ? O", ".O.  -> Que letra ?", "Vou repetir o que voce falou:",
                                 "AO", ".O.  -> Que letra ?"));
  // Stage 1: the head is drawn, the eyes still open.
  EXPECT_EQ(Figura(p, 4), "      *****       \\\\ XX  ");
  EXPECT_EQ(Figura(p, 5), "     {     }       \\\\XX  ");
  EXPECT_EQ(Figura(p, 10), "                     XX  ");
  // The state is spelled: a signal for each hidden position, the letter for a found one.
  std::vector<std::string> fala = p.Eventos("PlayNamedSound");
  std::vector<std::string> esperado = {"PlayNamedSound JGINIC",  "PlayNamedSound JGPLIM",   "PlayNamedSound JGPLIM",
                                       "PlayNamedSound JGPLIM",  "PlayNamedSound JGQUELET", "PlayNamedSound JGTCHEN",
                                       "PlayNamedSound JGCABECA"};
  EXPECT_TRUE(std::equal(esperado.begin(), esperado.end(), fala.begin()));
  EXPECT_THAT(p.Eventos("SpeakChar"), ElementsAre("SpeakChar 65", "SpeakChar 79", "SpeakChar 79", "SpeakChar 65",
                                                  "SpeakChar 79", "SpeakChar 79"));
}

TEST_F(JogoTest, WinSpellsTheWholeWordThenSaysIt) {
  Palavras("SOL\nSOL\n");
  Partida p = Jogar("sol");
  EXPECT_EQ(p.codigo, 0);
  EXPECT_EQ(p.Texto(5), "SO.  -> Que letra ? L");
  EXPECT_EQ(p.Texto(6), "SOL");
  EXPECT_EQ(p.Texto(7), "Parabens !  Era essa palavra mesmo.");
  EXPECT_EQ(p.Texto(8), "A palavra era: SOL");
  EXPECT_EQ(p.Texto(9), "");
  EXPECT_EQ(p.Texto(10), "Quer jogar de novo (s/n) ?");
  std::vector<std::string> e = p.Pedidos();
  auto depois = std::find(e.begin(), e.end(), "tecla 108");
  ASSERT_NE(depois, e.end());
  EXPECT_EQ(std::vector<std::string>(depois + 1, depois + 10),
            (std::vector<std::string>{"SpeakChar 76", "SpeakChar 83", "SpeakChar 79", "SpeakChar 76",
                                      "PlayNamedSound JGPARABE", "PlayNamedSound JGERA", "SpeakText SOL",
                                      "PlayNamedSound JGDENOVO", "roteiro-fim"}));
}

TEST_F(JogoTest, EscGivesUpAndSpellsTheWordLetterByLetter) {
  Palavras("SOL\nSOL\n");
  Partida p = Jogar("<Esc>");
  EXPECT_EQ(p.Texto(3), "...  -> Que letra ?");
  EXPECT_EQ(p.Texto(4), "");
  EXPECT_EQ(p.Texto(5), "Desistiu, ein, pamonha !");
  EXPECT_EQ(p.Texto(6), "A palavra era: SOL");
  std::vector<std::string> e = p.Pedidos();
  auto esc = std::find(e.begin(), e.end(), "tecla 27");
  ASSERT_NE(esc, e.end());
  EXPECT_EQ(std::vector<std::string>(esc + 1, esc + 8),
            (std::vector<std::string>{"SpeakChar 27", "PlayNamedSound JGDESIS", "PlayNamedSound JGERA", "SpeakChar 83",
                                      "SpeakChar 79", "SpeakChar 76", "SpeakText SOL"}));
}

TEST_F(JogoTest, EighthMissHangsTheFigureWithoutShowingTheWordAgain) {
  Palavras("SOL\nSOL\n");
  Partida p = Jogar("abcdefgh");
  EXPECT_EQ(p.codigo, 0);
  std::vector<std::string> sons = p.Eventos("PlayNamedSound");
  std::vector<std::string> estagios;
  for (const std::string& s : sons)
    if (s.find("JGTCHEN") == std::string::npos && s.find("JGPLIM") == std::string::npos &&
        s.find("JGQUELET") == std::string::npos && s.find("JGINIC") == std::string::npos)
      estagios.push_back(s.substr(15));
  EXPECT_THAT(estagios, ElementsAre("JGCABECA", "JGPESCOC", "JGTRONCO", "JGBRADIR", "JGBRAESQ", "JGPERDIR", "JGPERESQ",
                                    "JGREQIEN", "JGENFORC", "JGERA", "JGDENOVO"));
  EXPECT_EQ(Figura(p, 5), "     { \\ / }       \\\\XX  ");
  EXPECT_EQ(Figura(p, 25), "   @@@@@ @@@@@       XX  ");
  // The figure's cells keep the screen's columns 75 to 80 blank.
  EXPECT_EQ(p.tela[4].substr(74), "      ");
  std::vector<std::string> e = p.Eventos();
  auto h = std::find(e.begin(), e.end(), "tecla 104");
  EXPECT_THAT(std::vector<std::string>(h, e.end()), Not(Contains("PlayNamedSound JGPLIM")));
  int linhaEnforcado = 0;
  for (int r = 1; r <= 25; ++r)
    if (p.Texto(r) == "Foi enforcado, boboca.") linhaEnforcado = r;
  ASSERT_GT(linhaEnforcado, 0);
  EXPECT_EQ(p.Texto(linhaEnforcado + 1), "A palavra era: SOL");
}

TEST_F(JogoTest, RepeatedLettersAndKeysThatAreNotLetters) {
  Palavras("SOL\nSOL\n");
  Partida p = Jogar("aA1<Tab><Ctrl+C>\xE7<Backspace>");
  EXPECT_EQ(p.codigo, 0);
  EXPECT_EQ(p.Eventos("PlayNamedSound JGLETREP").size(), 1u);
  EXPECT_EQ(p.Eventos("PlayNamedSound JGSOALFA").size(), 5u);
  // Only the first "a" costs a stage.
  EXPECT_EQ(p.Eventos("PlayNamedSound JGTCHEN").size(), 1u);
  EXPECT_THAT(p.Eventos("tecla"), Contains("tecla 3"));
  EXPECT_THAT(p.Eventos("tecla"), Contains("tecla 231"));
}

TEST_F(JogoTest, BackspaceEchoBlanksTheCellBeforeTheCursor) {
  Palavras("SOL\nSOL\n");
  Partida p = Jogar("<Backspace>");
  // "...  -> Que letra ? " loses its trailing blank, which shows the same.
  EXPECT_EQ(p.Texto(3), "...  -> Que letra ?");
  EXPECT_EQ(p.Texto(4), "So' tecle letras, por favor.");
}

TEST_F(JogoTest, EnterSpaceAndExtendedKeysRepeatTheTriedLetters) {
  Palavras("SOL\nSOL\n");
  Partida p = Jogar("<Enter>o<Up><Space><F5>");
  EXPECT_EQ(p.codigo, 0);
  EXPECT_EQ(p.Texto(4), "Vou repetir o que voce falou:");
  EXPECT_EQ(p.Texto(5), "");
  EXPECT_EQ(p.Eventos("PlayNamedSound JGREPETE").size(), 4u);
  // The second byte of an extended key is read and ignored, never a guess.
  EXPECT_THAT(p.Eventos("SpeakChar"), Not(Contains("SpeakChar 72")));
  EXPECT_THAT(p.Eventos("SpeakChar"), Not(Contains("SpeakChar 63")));
  EXPECT_EQ(p.Eventos("PlayNamedSound JGSOALFA").size(), 0u);
  // The repeat ends with a three-second pause before the state is shown again.
  uint64_t repete = 0, seguinte = 0, duracao = 0;
  for (size_t i = 0; i < p.diario.size(); ++i) {
    const std::string& l = p.diario[i];
    uint64_t t = std::stoull(l);
    if (!repete && l.find("som arquivo JGREPETE") != std::string::npos) {
      repete = t;
      const std::string& bloco = p.diario.at(i + 1);
      duracao = std::stoull(bloco.substr(bloco.rfind(' ', bloco.size() - 4)));
    } else if (repete && !seguinte && l.find("JGPLIM") != std::string::npos) {
      seguinte = t;
    }
  }
  EXPECT_NEAR(double(seguinte - repete - duracao), 3000 + 600, 1);
}

TEST_F(JogoTest, ReplayQuestionTakesAnyAnswerButN) {
  Palavras("SOL\nSOL\n");
  Partida p = Jogar("sols" "sol<Enter>" "sol<Esc>" "sol<Up>" "sol4" "soln");
  EXPECT_EQ(p.codigo, 0);
  EXPECT_EQ(p.Eventos("palavra").size(), 6u);
  std::vector<std::string> e = p.Pedidos();
  std::vector<std::string> respostas;
  for (size_t i = 1; i < e.size(); ++i)
    if (e[i - 1] == "PlayNamedSound JGDENOVO") respostas.push_back(e[i] + "," + e[i + 1]);
  EXPECT_THAT(respostas, ElementsAre("tecla 115,SpeakChar 83", "tecla 13,SpeakChar 13", "tecla 27,SpeakChar 27",
                                     "tecla 0,SpeakChar 0", "tecla 52,SpeakChar 52", "tecla 110,SpeakChar 78"));
  // The arrow's second byte waits in the queue and is thrown away before the next prompt.
  EXPECT_THAT(e, Contains("tecla 72"));
  EXPECT_THAT(std::vector<std::string>(e.end() - 5, e.end()),
              ElementsAre("tecla 110", "SpeakChar 78", "PlayNamedSound JGTCHAU", "SpeechFinish", "saida 0"));
  for (const std::string& linha : p.tela) EXPECT_EQ(linha, std::string(80, ' '));
}

TEST_F(JogoTest, CtrlBreakEndsTheProgramAnywhere) {
  Palavras("SOL\nSOL\n");
  Partida naPergunta = Jogar("<Ctrl+Break>");
  EXPECT_EQ(naPergunta.codigo, 255);
  // The window still exists, so the shut-down step marks it as ended.
  std::vector<std::string> eventos = naPergunta.Eventos();
  EXPECT_THAT(std::vector<std::string>(eventos.end() - 2, eventos.end()),
              ElementsAre("titulo Programa terminado", "saida 255"));
  // While the title's recording plays, its wait handles the key at once.
  Partida naFala = Jogar("<pause:100><Ctrl+Break>");
  EXPECT_EQ(naFala.codigo, 255);
  EXPECT_EQ(naFala.diario.back(), "100 saida 255");
  // During the start-up pause, which sleeps first: the key is handled when it ends.
  Partida naPausa = Jogar("<pause:2000><Ctrl+Break>");
  EXPECT_EQ(naPausa.codigo, 255);
  EXPECT_THAT(naPausa.Eventos(), Not(Contains("palavras 2")));
  std::vector<std::string> blocos = naPausa.Eventos("bloco");
  ASSERT_FALSE(blocos.empty());
  uint64_t titulo = std::stoull(blocos[0].substr(blocos[0].rfind(' ', blocos[0].size() - 4)));
  EXPECT_NEAR(double(std::stoull(naPausa.diario.back())), double(titulo + 2000), 1);
  // Ctrl+C is a key like any other.
  Partida ctrlC = Jogar("<Ctrl+C>");
  EXPECT_EQ(ctrlC.codigo, 0);
}

TEST_F(JogoTest, CloseButtonEndsTheProgramWithCodeZero) {
  Palavras("SOL\nSOL\n");
  Partida p = Jogar("s<close>o");
  EXPECT_EQ(p.codigo, 0);
  EXPECT_THAT(p.Eventos("tecla"), ElementsAre("tecla 115"));
  Partida cedo = Jogar("<pause:10><close>");
  EXPECT_EQ(cedo.codigo, 0);
  EXPECT_EQ(cedo.Eventos("titulo").back(), "titulo Mirtalan");
}

// Word-list files and what the game does with them.
struct CasoLista {
  const char* nome;
  std::string conteudo;
  std::vector<std::string> mensagens;  // the recordings after the title, in order
  std::vector<std::string> linhas;     // text from row 3 on
};

void PrintTo(const CasoLista& caso, std::ostream* os) { *os << caso.nome; }

class ListaTest : public JogoTest, public testing::WithParamInterface<CasoLista> {};

std::string Repetir(const std::string& linha, int n) {
  std::string r;
  for (int i = 0; i < n; ++i) r += linha;
  return r;
}

TEST_P(ListaTest, LoadsOrStopsWithItsMessage) {
  const CasoLista& caso = GetParam();
  Palavras(caso.conteudo);
  Partida p = Jogar("");
  EXPECT_EQ(p.codigo, 0);
  std::vector<std::string> sons = p.Eventos("PlayNamedSound");
  ASSERT_GE(sons.size(), caso.mensagens.size() + 1);
  for (size_t i = 0; i < caso.mensagens.size(); ++i)
    EXPECT_EQ(sons[i + 1], "PlayNamedSound " + caso.mensagens[i]) << i;
  for (size_t i = 0; i < caso.linhas.size(); ++i) EXPECT_EQ(p.Texto(int(i) + 3), caso.linhas[i]) << i;
}

const std::string kLinhaErrada12 = Repetir("casa\r\n", 11) + "Casa \r\nmesa\r\n";

INSTANTIATE_TEST_SUITE_P(
    Arquivos, ListaTest,
    testing::Values(
        CasoLista{"linha12", kLinhaErrada12, {"JGERRPAL", "JGPRGCAN"},
                  {"Em MIRTALAN.PAL, um erro na linha 12", "O programa foi cancelado."}},
        CasoLista{"acentos", "casa\nação\n", {"JGERRPAL", "JGPRGCAN"}, {"Em MIRTALAN.PAL, um erro na linha 2"}},
        CasoLista{"hifen", "guarda-chuva\n", {"JGERRPAL"}, {"Em MIRTALAN.PAL, um erro na linha 1"}},
        CasoLista{"501", Repetir("SOL\n", 501), {"JGMAXPAL", "JGPRGCAN"},
                  {"Nao posso processar tantas palavras.", "O programa foi cancelado."}},
        CasoLista{"501vazia", Repetir("SOL\n", 500) + "\n", {"JGMAXPAL", "JGPRGCAN"}, {}},
        CasoLista{"500", Repetir("SOL\n", 500), {"JGPLIM"}, {}},
        CasoLista{"500semFim", Repetir("SOL\n", 499) + "SOL", {"JGPLIM"}, {}},
        CasoLista{"ctrlZ", "SOL\nSOL\n\x1a" "ação\n", {"JGPLIM"}, {}},
        CasoLista{"vazia", "", {"JGSEMPAL", "JGPRGCAN"}, {"Nao ha palavras em MIRTALAN.PAL", "O programa foi cancelado."}}),
    [](const auto& info) { return std::string(info.param.nome); });

TEST_F(JogoTest, LineErrorSpeaksTheLineNumberDigitByDigit) {
  Palavras(kLinhaErrada12);
  Partida p = Jogar("");
  EXPECT_THAT(p.Eventos("SpeakChar"), ElementsAre("SpeakChar 49", "SpeakChar 50"));
  // No window close: the screen keeps the messages.
  EXPECT_THAT(p.Eventos(), Not(Contains("roteiro-fim")));
  EXPECT_EQ(p.Eventos("palavras").size(), 0u);
}

TEST_F(JogoTest, MissingWordListStopsTheProgram) {
  Configurar("/nao/existe.pal");
  Partida p = Jogar("");
  EXPECT_EQ(p.codigo, 0);
  EXPECT_EQ(p.Texto(3), "Nao achei o arquivo MIRTALAN.PAL");
  EXPECT_EQ(p.Texto(4), "O programa foi cancelado.");
}

TEST_F(JogoTest, ListLinesAreUpperCasedAndCutTo40) {
  std::string longa(45, 'a');
  Palavras(longa + "\r\n" + longa + "\n");
  Partida p = Jogar("");
  EXPECT_THAT(p.Eventos("palavra"), Contains(testing::StartsWith("palavra 0 " + std::string(40, 'A'))));
  EXPECT_EQ(p.Texto(3), std::string(40, '.') + "  -> Que");
}

TEST_F(JogoTest, ListOfOneWordPlaysItEveryRound) {
  Palavras("LUA\n");
  Partida p = Jogar("lua" "s" "lua" "s" "lua" "n");
  EXPECT_EQ(p.codigo, 0);
  EXPECT_THAT(p.Eventos("palavra"), ElementsAre("palavra 0 LUA", "palavra 0 LUA", "palavra 0 LUA"));
  EXPECT_THAT(p.Eventos("PlayNamedSound"), Contains("PlayNamedSound JGUMAPAL"));
}

TEST_F(JogoTest, EmptyWordIsWonAtOnce) {
  Palavras("\n\n");
  Partida p = Jogar("");
  EXPECT_EQ(p.Texto(3), "");
  EXPECT_EQ(p.Texto(4), "Parabens !  Era essa palavra mesmo.");
  EXPECT_EQ(p.Texto(5), "A palavra era:");
}

TEST_F(JogoTest, RoundsChooseEachWordOncePerCycle) {
  Palavras("SOL\nLUA\nMAR\nCEU\n");
  std::string teclas;
  for (int i = 0; i < 12; ++i) teclas += "<Esc>s";
  teclas += "<Esc>n";
  Partida p = Jogar(teclas);
  std::vector<std::string> escolhas = p.Eventos("palavra");
  ASSERT_EQ(escolhas.size(), 13u);
  // Cycles of 3 rounds after the first: the flags are cleared at round 4, 7, 10, 13.
  auto distintas = [&](size_t de, size_t ate) {
    std::set<std::string> s(escolhas.begin() + de, escolhas.begin() + ate);
    return s.size() == ate - de;
  };
  EXPECT_TRUE(distintas(0, 3));
  EXPECT_TRUE(distintas(3, 6));
  EXPECT_TRUE(distintas(6, 9));
  EXPECT_TRUE(distintas(9, 12));
}

// The sound the player hears, in virtual time.

// Index of the first event at or after `de` that begins with `prefixo`.
size_t Achar(const std::vector<std::string>& e, const std::string& prefixo, size_t de = 0) {
  for (size_t i = de; i < e.size(); ++i)
    if (e[i].rfind(prefixo, 0) == 0) return i;
  return e.size();
}

TEST_F(JogoTest, RecordingsPlayInTheOrderOfTheRound) {
  Palavras("SOL\nSOL\n");
  Partida p = Jogar("a");
  std::vector<std::string> sons;
  for (const std::string& e : p.Eventos("som")) sons.push_back(e.substr(4));
  EXPECT_THAT(std::vector<std::string>(sons.begin(), sons.begin() + 10),
              ElementsAre("arquivo JGINIC.wav", "arquivo JGPLIM.wav", "arquivo JGPLIM.wav", "arquivo JGPLIM.wav",
                          "arquivo JGQUELET.wav", "arquivo _65.wav", "arquivo JGTCHEN.wav", "arquivo JGCABECA.wav",
                          "arquivo JGPLIM.wav", "arquivo JGPLIM.wav"));
  // Nothing is missing and nothing is cut short when no key interrupts.
  EXPECT_TRUE(p.Eventos("som-falta").empty());
  EXPECT_TRUE(p.Eventos("corte").empty());
}

// When the first recording of that name starts, in a game without keys.
uint64_t Inicio(const Partida& p, const std::string& som) {
  for (const std::string& l : p.diario)
    if (l.find("som arquivo " + som) != std::string::npos) return std::stoull(l);
  return 0;
}

TEST_F(JogoTest, AKeyDuringTheSpellingSilencesTheRestOfIt) {
  Palavras("SOL\nSOL\n");
  // The key comes while the first signal of the word's state sounds.
  uint64_t sinal = Inicio(Jogar(""), "JGPLIM");
  ASSERT_GT(sinal, 0u);
  Partida p = Jogar("<pause:" + std::to_string(sinal + 50) + ">x");
  std::vector<std::string> e = p.Eventos();
  size_t corte = Achar(e, "corte");
  ASSERT_LT(corte, e.size());
  size_t descarte = Achar(e, "tecla 120");
  ASSERT_LT(descarte, e.size());
  ASSERT_GT(descarte, corte);
  // The other positions are still printed, but no recording starts while the key waits.
  std::vector<std::string> entre(e.begin() + long(corte), e.begin() + long(descarte));
  EXPECT_EQ(std::count(entre.begin(), entre.end(), "PlayNamedSound JGPLIM"), 2);
  EXPECT_THAT(entre, Not(Contains(testing::StartsWith("som "))));
  EXPECT_EQ(p.Texto(3), "...  -> Que letra ?");
  // The key was thrown away before the prompt, which then plays whole.
  EXPECT_EQ(e.at(descarte + 2), "som arquivo JGQUELET.wav");
}

TEST_F(JogoTest, AKeyDuringThePromptIsTheAnswer) {
  Palavras("SOL\nSOL\n");
  uint64_t pergunta = Inicio(Jogar(""), "JGQUELET");
  ASSERT_GT(pergunta, 0u);
  Partida p = Jogar("<pause:" + std::to_string(pergunta + 100) + ">s");
  std::vector<std::string> e = p.Eventos();
  size_t quelet = Achar(e, "som arquivo JGQUELET");
  ASSERT_LT(quelet + 4, e.size());
  EXPECT_EQ(e[quelet + 2], "som-parado");
  // About 100 ms of the prompt were heard (the log keeps whole milliseconds).
  EXPECT_THAT(e[quelet + 3], testing::MatchesRegex("corte (99|100) de [0-9]+ ms"));
  EXPECT_EQ(e[quelet + 4], "tecla 115");
  EXPECT_EQ(p.Texto(3), "...  -> Que letra ? S");
}

// Each ending says the word with the diphone voice after printing it.
class FinalTest : public JogoTest, public testing::WithParamInterface<const char*> {};

TEST_P(FinalTest, TheWordIsSpokenAtTheEnd) {
  Palavras("SOL\nSOL\n");
  Partida p = Jogar(GetParam());
  std::vector<std::string> e = p.Eventos();
  size_t fala = Achar(e, "SpeakText SOL");
  ASSERT_LT(fala, e.size());
  size_t imagem = Achar(e, "som imagem ", fala);
  ASSERT_LT(imagem, e.size());
  EXPECT_THAT(e[imagem], testing::EndsWith(" 11025/8/1"));
  // At least a third of a second of speech, and nothing in between.
  EXPECT_GT(std::stoul(e[imagem].substr(11)), 11025u / 3);
  EXPECT_EQ(imagem, fala + 1);
}

INSTANTIATE_TEST_SUITE_P(Finais, FinalTest, testing::Values("sol", "<Esc>", "abcdefgh"));

}  // namespace
