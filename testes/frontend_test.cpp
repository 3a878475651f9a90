// The speech front end: set-up from TALVEN.INI and the own text pipeline,
// observed through what it plays on the headless platform.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "apoio.h"
#include "console/console.h"
#include "plataforma/diario.h"
#include "tradutor/diphone/lts.h"
#include "tradutor/frontend/configuracao.h"
#include "tradutor/frontend/frontend.h"
#include "tradutor/voices/despachante.h"
#include "tradutor/wave/wave.h"

namespace {

using testing::ElementsAre;
using testing::ElementsAreArray;

const std::string kDados = MIRTALAN_DADOS;

class FrontEndTest : public testing::Test {
 protected:
  // The build's own voice, with `ini` read before it (first match wins).
  void Iniciar(const std::string& ini, const std::string& teclas = "") {
    apoio::EscreverArquivo(dir / "TALVEN.INI", ini + "\n" + apoio::LerArquivo(kDados + "/TALVEN.INI"));
    apoio::EscreverArquivo(dir / "teclas", teclas);
    plataforma = plataforma::CriarPlataformaNenhuma();
    plataforma::diario::Abrir(&plataforma->relogio());
    console = std::make_unique<console::Console>(*plataforma);
    wave = std::make_unique<wave::WavePlayer>(*console);
    fala = std::make_unique<frontend::FrontEnd>(*console, configuracao, *wave, regras, despachante);
    // Consecutive images count as one piece: how a number or a word is cut
    // into images depends on the recordings.
    fala->observador = [this](std::string_view tipo, std::string_view valor) {
      std::string peca = tipo == "imagem" ? "imagem" : std::string(tipo) + " " + std::string(valor);
      if (peca != "imagem" || sons.empty() || sons.back() != "imagem") sons.push_back(peca);
    };
  }
  void TearDown() override {
    fala.reset();
    wave.reset();
    console.reset();
    plataforma.reset();
    plataforma::diario::Fechar();
  }
  // Ends the program the way the front end does on a failed start.
  int Iniciando(int velocidade) {
    try {
      fala->SpeechStart(velocidade, "");
    } catch (const plataforma::FimDoPrograma& fim) {
      return fim.codigo;
    }
    return -1;
  }
  std::vector<std::string> Diario(const std::string& tipo) {
    std::vector<std::string> r;
    for (const std::string& l : apoio::Linhas(apoio::LerArquivo(dir / "diario"))) {
      std::string e = l.substr(l.find(' ') + 1);
      if (e.rfind(tipo, 0) == 0) r.push_back(e);
    }
    return r;
  }
  // Row `linha` of what was drawn, read once the platform is gone: a failed
  // start closes the window, and the screen model with it.
  std::string Linha(int linha) {
    TearDown();
    std::string s = apoio::Linhas(apoio::LerArquivo(dir / "tela")).at(size_t(linha - 1));
    return s.substr(0, s.find_last_not_of(' ') + 1);
  }

  apoio::DiretorioTemporario dir;
  apoio::Variavel talvenDir{"TALVEN_DIR", dir.caminho().string()};
  apoio::Variavel diario{"TALVEN_DIARIO", (dir / "diario").string()};
  apoio::Variavel teclas{"TALVEN_TECLAS", (dir / "teclas").string()};
  apoio::Variavel tela{"TALVEN_TELA_FINAL", (dir / "tela").string()};
  frontend::Configuracao configuracao{dir.caminho().string()};
  diphone::RegrasLts regras;
  voices::Despachante despachante;
  std::unique_ptr<plataforma::Plataforma> plataforma;
  std::unique_ptr<console::Console> console;
  std::unique_ptr<wave::WavePlayer> wave;
  std::unique_ptr<frontend::FrontEnd> fala;
  std::vector<std::string> sons;
};

// Speed index and the settings of the SINTETIZADOR keys that end in it.
struct CasoVelocidade {
  const char* nome;
  std::string ini;
  int pedida;  // given to SpeechStart
  int indice, corte, minimo, pausa;
  bool rapido, cortaFala;
};

void PrintTo(const CasoVelocidade& c, std::ostream* os) { *os << c.nome; }

class VelocidadeTest : public FrontEndTest, public testing::WithParamInterface<CasoVelocidade> {};

TEST_P(VelocidadeTest, ReadsTheKeysOfItsSpeed) {
  const CasoVelocidade& c = GetParam();
  Iniciar(c.ini);
  fala->SpeechStart(c.pedida, "");
  EXPECT_EQ(fala->SpeedIndex(), c.indice);
  EXPECT_EQ(fala->difone().DiphoneCut(), c.corte);
  EXPECT_EQ(fala->difone().DiphoneMinimum(), c.minimo);
  EXPECT_EQ(fala->difone().WordPause(), c.pausa);
  EXPECT_EQ(wave->FastPlayback, c.rapido);
  EXPECT_EQ(wave->CutSpeech, c.cortaFala);
}

INSTANTIATE_TEST_SUITE_P(
    Chaves, VelocidadeTest,
    testing::Values(
        CasoVelocidade{"padrao", "", 0, 3, 400, 0, 100, false, false},
        CasoVelocidade{"sete", "[TRADUTOR]\nVELOCIDADE=7\n", 0, 3, 400, 0, 100, false, false},
        CasoVelocidade{"letra", "[TRADUTOR]\nVELOCIDADE=x\n", 0, 3, 400, 0, 100, false, false},
        CasoVelocidade{"pedida2", "[TRADUTOR]\nVELOCIDADE=5\n", 2, 2, 200, 0, 250, false, false},
        CasoVelocidade{"pedida7", "[TRADUTOR]\nVELOCIDADE=5\n", 7, 3, 400, 0, 100, false, false},
        CasoVelocidade{"rapida", "[TRADUTOR]\nVELOCIDADE=5\n", 0, 5, 600, 300, 0, true, true},
        // A leading number counts for the cut; the others need the whole value.
        CasoVelocidade{"restos", "[SINTETIZADOR]\nDIFONES3=DIFBR\nCORTEFON3=12x\nSOBRAFON3=12x\nINTERPAL3=7 \n"
                       "CORTAFALA3=sim\nRAPIDINHO3=nao\n", 0, 3, 12, 0, 7, false, true}),
    [](const auto& info) { return std::string(info.param.nome); });

TEST_F(FrontEndTest, PausesOfMalformedValuesTakeTheirDefaults) {
  Iniciar("[SINTETIZADOR]\nDIFONES3=DIFBR\nPAUSAPONTO3=12x\nPAUSAVIRG3=40\nPAUSADOISPONTOS3=\n");
  fala->SpeechStart(0, "");
  fala->SpeakText("a. b, c:");
  EXPECT_THAT(sons, ElementsAre("imagem", "arquivo _46.wav", "pausa 250", "imagem", "arquivo _44.wav", "imagem",
                                "arquivo _58.wav", "pausa 200"));
}

TEST_F(FrontEndTest, AFailedStartShowsWhyAndWaitsForEnter) {
  Iniciar("[SINTETIZADOR]\nDIFONES3=NADA\n", "x<Enter>");
  EXPECT_EQ(Iniciando(0), 0);
  EXPECT_EQ(Linha(1), "Erro de inicializa\xE7\xE3o: 1");
  EXPECT_EQ(Linha(2), "Banco de dados de voz: NADA");
  EXPECT_EQ(Linha(3), "x");
  EXPECT_THAT(Diario("tecla"), ElementsAre("tecla 120", "tecla 13"));
}

TEST_F(FrontEndTest, MissingRulesAreTheSecondStartError) {
  std::string difones = (dir / "difones").string();
  std::filesystem::create_directories(difones);
  for (const char* f : {"DIFBR.IND", "DIFBR.DIF"})
    std::filesystem::copy_file(kDados + "/difones/" + f, difones + "/" + f);
  Iniciar("[TRADUTOR]\nDIRDIFONES=" + difones + "\n", "<Enter>");
  EXPECT_EQ(Iniciando(0), 0);
  EXPECT_EQ(Linha(1), "Erro de inicializa\xE7\xE3o: 2");
  EXPECT_EQ(Linha(2), "Banco de dados de voz: DIFBR");
}

TEST_F(FrontEndTest, VoiceBackEndsAreAskedForOnlyWhenConfigured) {
  struct {
    std::string ini;
    std::vector<std::string> pedidos;
  } casos[] = {
      {"[TRADUTOR]\nSAPI=nao\n", {}},
      {"[TRADUTOR]\nSAPI=s\n[SERVFALA]\nVELOCIDADE=15\n", {"BackendInit 0 0 0 0"}},
      {"[TRADUTOR]\nSAPI=s\n[SERVFALA]\nVELOCIDADE=15\nTIPOSAPI=4\nVOZ=2\nTOM=3\n", {"BackendInit 2 15 3 4"}},
  };
  for (const auto& c : casos) {
    Iniciar(c.ini);
    fala->SpeechStart(0, "");
    EXPECT_EQ(Diario("BackendInit"), c.pedidos) << c.ini;
    // No back-end starts yet: free text is still spoken by the own pipeline.
    fala->SpeakText("sol");
    EXPECT_THAT(sons, ElementsAre("imagem"));
    TearDown();
    sons.clear();
  }
}

TEST_F(FrontEndTest, DirectoriesTakeForwardSlashesAndAFinalOne) {
  std::string letras = dir.caminho().string() + "\\letras";
  std::filesystem::create_directories(dir / "letras");
  Iniciar("[TRADUTOR]\nDIRLETRAS=" + letras + "\n");
  fala->SpeechStart(0, dir.caminho().string() + "/mensagens");
  EXPECT_EQ(fala->LettersDirectory(), (dir / "letras").string() + "/");
  EXPECT_EQ(fala->MessageDirectory(), (dir / "mensagens").string() + "/");
  fala->PlayNamedSound("_zero");
  fala->PlayNamedSound("JGINIC");
  EXPECT_THAT(Diario("som-falta"), ElementsAre("som-falta _zero.wav", "som-falta JGINIC.wav"));
}

// What the own pipeline plays for a text.
struct CasoTexto {
  const char* nome;
  std::string texto;
  std::vector<std::string> sons;
};

void PrintTo(const CasoTexto& c, std::ostream* os) { *os << c.nome; }

class PipelineTest : public FrontEndTest, public testing::WithParamInterface<CasoTexto> {};

TEST_P(PipelineTest, SplitsNumbersWordsAndSymbols) {
  Iniciar("");
  fala->SpeechStart(0, "");
  fala->SpeakText(GetParam().texto);
  EXPECT_THAT(sons, ElementsAreArray(GetParam().sons));
  EXPECT_TRUE(Diario("som-falta").empty());
}

std::vector<std::string> Arquivos(std::initializer_list<int> codigos) {
  std::vector<std::string> r;
  for (int c : codigos) r.push_back("arquivo _" + std::to_string(c) + ".wav");
  return r;
}

std::vector<std::string> Juntar(std::initializer_list<std::vector<std::string>> partes) {
  std::vector<std::string> r;
  for (const auto& p : partes) r.insert(r.end(), p.begin(), p.end());
  return r;
}

INSTANTIATE_TEST_SUITE_P(
    Textos, PipelineTest,
    testing::Values(
        CasoTexto{"zeros", "007", {"arquivo _zero.wav", "arquivo _zero.wav", "imagem"}},
        CasoTexto{"seisDigitos", "123456", {"imagem"}},
        CasoTexto{"seteDigitos", "1234567", Arquivos({49, 50, 51, 52, 53, 54, 55})},
        CasoTexto{"data", "10-12-2003", Arquivos({49, 48, 45, 49, 50, 45, 50, 48, 48, 51})},
        CasoTexto{"menos", "-5", {"arquivo _MENOS.wav", "imagem"}},
        CasoTexto{"travessao", "- item", {"arquivo _45.wav", "pausa 150", "imagem"}},
        CasoTexto{"hifenSolto", "-a", {"arquivo _45.wav", "imagem"}},
        CasoTexto{"composta", "guarda-chuva", {"imagem"}},
        CasoTexto{"www", "WwW.sol", Juntar({Arquivos({87, 119, 87, 46}), {"imagem"}})},
        CasoTexto{"endereco", "sol://x", Juntar({{"imagem"}, Arquivos({58, 47, 47}), {"imagem"}})},
        CasoTexto{"frases", "Fim. Novo", {"imagem", "arquivo _46.wav", "pausa 250", "imagem"}},
        CasoTexto{"parenteses", "(a)", {"arquivo _40.wav", "pausa 200", "imagem", "arquivo _41.wav", "pausa 200"}},
        // From the fifth equal symbol on, each one is a tick (a short image).
        CasoTexto{"estrelas", "*****", Juntar({Arquivos({42, 42, 42, 42}), {"imagem"}})},
        CasoTexto{"tracos", "-----", Juntar({Arquivos({45, 45, 45, 45}), {"imagem", "arquivo _45.wav", "pausa 150"}})},
        CasoTexto{"simbolos", "a+b=c", Juntar({{"imagem"}, Arquivos({43}), {"imagem"}, Arquivos({61}), {"imagem"}})}),
    [](const auto& info) { return std::string(info.param.nome); });

TEST_F(FrontEndTest, GuardaChuvaIsTwoWordRuns) {
  Iniciar("");
  fala->SpeechStart(0, "");
  std::vector<std::string> imagens;
  fala->observador = [&](std::string_view tipo, std::string_view) { imagens.emplace_back(tipo); };
  fala->SpeakText("guarda-chuva");
  EXPECT_THAT(imagens, ElementsAre("imagem", "imagem"));
}

TEST_F(FrontEndTest, AKeyDuringALongTextStopsEverything) {
  Iniciar("", "<pause:600>x");
  fala->SpeechStart(0, "");
  fala->SpeakText("um texto longo, com virgulas, pontos. E mais palavras: muitas, muitas mesmo.");
  // The first run was being heard when the key came; nothing after it started.
  EXPECT_THAT(sons, ElementsAre("imagem"));
  EXPECT_EQ(Diario("corte").size(), 1u);
  EXPECT_FALSE(fala->IsSpeaking());
  EXPECT_EQ(console->KeyQueue(), "x");
  // A key waiting: characters and named sounds are not even started.
  fala->SpeakChar('a');
  fala->PlayNamedSound("JGINIC");
  EXPECT_EQ(Diario("som arquivo").size(), 0u);
}

TEST_F(FrontEndTest, FinishClosesTheSynthesizer) {
  Iniciar("");
  fala->SpeechStart(0, "");
  EXPECT_TRUE(fala->difone().Aberto());
  fala->SpeechFinish();
  EXPECT_FALSE(fala->difone().Aberto());
  EXPECT_FALSE(fala->IsSpeaking());
}

TEST(UpperLatin1Test, AccentedLettersAndTheirNeighbours) {
  EXPECT_EQ(frontend::UpperLatin1("www \xE0\xE7\xF7\xFF\xDF 1"), "WWW \xC0\xC7\xD7\xDF\xDF 1");
}

}  // namespace
