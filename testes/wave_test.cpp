// The wave player on the headless platform: blocks, formats, key stops,
// malformed files and images, and the pitch-period cut.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "apoio.h"
#include "console/console.h"
#include "plataforma/diario.h"
#include "plataforma/wav.h"
#include "tradutor/wave/wave.h"

namespace {

using testing::ElementsAre;

// A RIFF/WAVE file with the given chunks after "WAVE".
struct Pedaco {
  std::string nome;
  std::string corpo;
  int64_t tamanhoDeclarado = -1;  // size written in the chunk header; -1: the body's
};

std::string U32(uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }
std::string U16(uint16_t v) { return std::string{char(v), char(v >> 8)}; }

std::string Fmt(uint32_t taxa, uint16_t bits, uint16_t canais, size_t tamanho = 16) {
  std::string f = U16(1) + U16(canais) + U32(taxa) + U32(taxa * canais * bits / 8) + U16(1) + U16(bits);
  f.resize(tamanho, '\0');
  return f;
}

std::string Riff(const std::vector<Pedaco>& pedacos) {
  std::string corpo = "WAVE";
  for (const Pedaco& p : pedacos)
    corpo += p.nome + U32(uint32_t(p.tamanhoDeclarado < 0 ? p.corpo.size() : p.tamanhoDeclarado)) + p.corpo;
  return "RIFF" + U32(uint32_t(corpo.size())) + corpo;
}

const std::string k1000(1000, char(200));

std::string Wav8(size_t amostras, uint32_t taxa = 11025) {
  return Riff({{"fmt ", Fmt(taxa, 8, 1)}, {"data", std::string(amostras, char(200))}});
}

class WaveTest : public testing::Test {
 protected:
  void Iniciar(const std::string& teclas = "") {
    apoio::EscreverArquivo(dir / "TALVEN.INI", "");
    apoio::EscreverArquivo(dir / "teclas", teclas);
    plataforma = plataforma::CriarPlataformaNenhuma();
    plataforma::diario::Abrir(&plataforma->relogio());
    console = std::make_unique<console::Console>(*plataforma);
    wave = std::make_unique<wave::WavePlayer>(*console);
  }
  void TearDown() override { Terminar(); }
  void Terminar() {
    wave.reset();
    console.reset();
    plataforma.reset();
    plataforma::diario::Fechar();
  }

  int Tocar(const std::string& conteudo) {
    apoio::EscreverArquivo(dir / "som.wav", conteudo);
    return wave->WavPlayFile((dir / "som.wav").string());
  }
  void TocarImagem(const std::string& imagem) {
    wave->WavPlayMemory(reinterpret_cast<const uint8_t*>(imagem.data()), imagem.size());
  }
  void EsperarFim() {
    while (wave->WavIsPlaying()) console->WaitMessage();
  }

  // Log lines of one kind, with their times.
  std::vector<std::string> Diario(const std::string& tipo) {
    std::vector<std::string> r;
    for (const std::string& l : apoio::Linhas(apoio::LerArquivo(dir / "diario")))
      if (l.find(" " + tipo) != std::string::npos) r.push_back(l);
    return r;
  }
  // The captured timeline, read once the platform is gone.
  std::string Som() {
    Terminar();
    std::string wav = apoio::LerArquivo(dir / "som-capturado.wav");
    return wav.size() > 44 ? wav.substr(44) : std::string();
  }

  apoio::DiretorioTemporario dir;
  apoio::Variavel talvenDir{"TALVEN_DIR", dir.caminho().string()};
  apoio::Variavel diario{"TALVEN_DIARIO", (dir / "diario").string()};
  apoio::Variavel som{"TALVEN_SOM", (dir / "som-capturado.wav").string()};
  apoio::Variavel teclas{"TALVEN_TECLAS", (dir / "teclas").string()};
  std::unique_ptr<plataforma::Plataforma> plataforma;
  std::unique_ptr<console::Console> console;
  std::unique_ptr<wave::WavePlayer> wave;
};

TEST_F(WaveTest, FilePlaysInBlocksAndWaitsForTheEnd) {
  Iniciar();
  EXPECT_EQ(Tocar(Wav8(65600)), 0);
  // The last block of a file is kept longer than 256 bytes.
  EXPECT_THAT(Diario("bloco"), ElementsAre("0 bloco 65278 11025/8/1 5920 ms", "0 bloco 322 11025/8/1 29 ms"));
  EXPECT_EQ(plataforma->relogio().AgoraMs(), 5950u);
}

struct CasoArquivo {
  const char* nome;
  std::string conteudo;
  int resultado;
  size_t bytesTocados;
};

void PrintTo(const CasoArquivo& c, std::ostream* os) { *os << c.nome; }

class ArquivoWaveTest : public WaveTest, public testing::WithParamInterface<CasoArquivo> {};

TEST_P(ArquivoWaveTest, PlaysWhatItCanAndTellsTheResult) {
  Iniciar();
  EXPECT_EQ(Tocar(GetParam().conteudo), GetParam().resultado);
  size_t tocados = 0;
  for (const std::string& b : Diario("bloco")) tocados += std::stoul(b.substr(b.find("bloco ") + 6));
  EXPECT_EQ(tocados, GetParam().bytesTocados);
}

INSTANTIATE_TEST_SUITE_P(
    Arquivos, ArquivoWaveTest,
    testing::Values(
        CasoArquivo{"normal", Wav8(1000), 0, 1000},
        CasoArquivo{"fmt18", Riff({{"fmt ", Fmt(11025, 8, 1, 18)}, {"data", k1000}}), 0, 1000},
        CasoArquivo{"listAntes", Riff({{"fmt ", Fmt(11025, 8, 1)}, {"LIST", "abcde"}, {"data", k1000}}), 0, 1000},
        CasoArquivo{"fmtMaiorQueOBuffer", Riff({{"fmt ", Fmt(11025, 8, 1, 70000)}, {"data", k1000}}), 0, 1000},
        CasoArquivo{"fmtCurto", Riff({{"fmt ", Fmt(11025, 8, 1, 12)}, {"data", k1000}}), -1, 0},
        CasoArquivo{"fmtAlemDoFim", Riff({{"fmt ", Fmt(11025, 8, 1), 90000}}), -1, 0},
        CasoArquivo{"semData", Riff({{"fmt ", Fmt(11025, 8, 1)}, {"LIST", "abcd"}}), -1, 0},
        CasoArquivo{"pedacoEnorme", Riff({{"fmt ", Fmt(11025, 8, 1)}, {"JUNK", "ab", 0x7FFFFFF0}}), -1, 0},
        CasoArquivo{"dataAlemDoFim", Riff({{"fmt ", Fmt(11025, 8, 1)}, {"data", k1000, 5000}}), -1, 1000},
        CasoArquivo{"naoRiff", "RIFX" + Wav8(100).substr(4), -1, 0},
        CasoArquivo{"curto", "RIFF", -1, 0},
        CasoArquivo{"vazio", "", -1, 0}),
    [](const auto& info) { return std::string(info.param.nome); });

TEST_F(WaveTest, MissingFileIsMinusOne) {
  Iniciar();
  EXPECT_EQ(wave->WavPlayFile((dir / "nao.wav").string()), -1);
  EXPECT_THAT(Diario("som-falta"), ElementsAre("0 som-falta nao.wav"));
}

TEST_F(WaveTest, AKeyAlreadyWaitingPlaysNothing) {
  Iniciar();
  plataforma::Mensagem tecla;
  tecla.codigo = plataforma::WM_CHAR;
  tecla.caractere = 'x';
  plataforma->janela().PostarMensagem(tecla);
  EXPECT_EQ(Tocar(Wav8(1000)), 0);
  EXPECT_TRUE(Diario("bloco").empty());
  EXPECT_EQ(console->KeyQueue(), "x");
}

TEST_F(WaveTest, AKeyDuringALongFileStopsIt) {
  Iniciar("<pause:500>x");
  EXPECT_EQ(Tocar(Wav8(3 * 11025)), 0);
  EXPECT_THAT(Diario("corte"), ElementsAre("500 corte 500 de 3000 ms"));
  EXPECT_EQ(plataforma->relogio().AgoraMs(), 500u);
  EXPECT_EQ(console->KeyQueue(), "x");
  // What was heard stops at the key.
  std::string som = Som();
  EXPECT_EQ(som.size(), 5512u);
}

TEST_F(WaveTest, ShortImageIsPaddedToTheSilenceLevel) {
  Iniciar();
  std::string imagem(44 + 100, char(200));
  wave::WavBuildHeader(reinterpret_cast<uint8_t*>(imagem.data()), 100, 11025, 8, 1);
  TocarImagem(imagem);
  EsperarFim();
  EXPECT_THAT(Diario("bloco"), ElementsAre("0 bloco 256 11025/8/1 23 ms"));
  std::string som = Som();
  ASSERT_EQ(som.size(), 256u);
  EXPECT_EQ(som.substr(0, 99), std::string(99, char(200)));
  EXPECT_EQ(som.substr(99), std::string(157, char(128)));
}

TEST_F(WaveTest, ImagesOfOneFormatFollowWithoutAGapAndAFormatChangeWaits) {
  Iniciar();
  TocarImagem(Wav8(11025));
  TocarImagem(Wav8(11025));
  EXPECT_THAT(Diario("bloco"), ElementsAre("0 bloco 11025 11025/8/1 1000 ms", "0 bloco 11025 11025/8/1 1000 ms"));
  TocarImagem(Wav8(22050, 22050));
  EXPECT_EQ(Diario("bloco").back(), "2000 bloco 22050 22050/8/1 1000 ms");
  EsperarFim();
  EXPECT_EQ(plataforma->relogio().AgoraMs(), 3000u);
}

TEST_F(WaveTest, AtMostFourBlocksAreQueued) {
  Iniciar();
  EXPECT_EQ(Tocar(Wav8(5 * 65534)), 0);
  std::vector<std::string> blocos = Diario("bloco");
  ASSERT_EQ(blocos.size(), 5u);
  // The fifth waits for the first to come back, and goes as soon as it does.
  EXPECT_EQ(blocos[3].substr(0, 2), "0 ");
  EXPECT_EQ(blocos[4].substr(0, 5), "5944 ");
}

TEST_F(WaveTest, FastPlaybackRaisesTheRateByHalf) {
  Iniciar();
  wave->FastPlayback = true;
  TocarImagem(Wav8(1000));
  EXPECT_THAT(Diario("bloco"), ElementsAre("0 bloco 1000 16537/8/1 60 ms"));
  // A rate from a malformed file neither overflows nor reaches the device.
  EsperarFim();
  TocarImagem(Wav8(1000, 4000000000u));
  EXPECT_EQ(Diario("bloco").size(), 1u);
  EXPECT_EQ(Tocar(Riff({{"fmt ", Fmt(11025, 12, 1)}, {"data", k1000}})), plataforma::kAudioFormatoRecusado);
}

TEST_F(WaveTest, CutSpeechOpensSixteenBitMonoAsEightBitAndShortensIt) {
  Iniciar();
  wave->CutSpeech = true;
  // Two seconds of a 16-bit 110 Hz wave, one pitch period every 100 samples.
  std::string dados;
  for (int i = 0; i < 22050; ++i) dados += U16(uint16_t(int16_t(12000 * std::sin(2 * M_PI * i / 100.0))));
  EXPECT_EQ(Tocar(Riff({{"fmt ", Fmt(11025, 16, 1)}, {"data", dados}})), 0);
  std::vector<std::string> blocos = Diario("bloco");
  ASSERT_EQ(blocos.size(), 1u);
  EXPECT_THAT(blocos[0], testing::HasSubstr("11025/8/1"));
  size_t bytes = std::stoul(blocos[0].substr(blocos[0].find("bloco ") + 6));
  // About every other period is dropped from the 22050 converted samples.
  EXPECT_GT(bytes, 10000u);
  EXPECT_LT(bytes, 12500u);
}

TEST(CortePeriodosTest, ShortOrFlatBlocksAreSafe) {
  std::vector<uint8_t> curto(999, 200);
  EXPECT_EQ(wave::WavePlayer::WavCutPeriods(curto.data(), curto.size(), 8, 11025), 999u);
  std::vector<uint8_t> dezesseis(1998, 0);
  EXPECT_EQ(wave::WavePlayer::WavCutPeriods(dezesseis.data(), dezesseis.size(), 16, 11025), 999u);
  EXPECT_EQ(dezesseis[0], 0x80);
  // A block without any peak must not loop for ever.
  std::vector<uint8_t> zeros(20000, 0);
  EXPECT_LE(wave::WavePlayer::WavCutPeriods(zeros.data(), zeros.size(), 8, 11025), 20000u);
}

TEST(ImagemWavTest, ReadingIsBoundedByTheImageSize) {
  struct {
    const char* nome;
    std::string imagem;
    bool valida;
    size_t bytes;
  } casos[] = {
      {"normal", Wav8(100), true, 100},
      {"dataAlemDoFim", Riff({{"fmt ", Fmt(11025, 8, 1)}, {"data", "abc", 1000}}), true, 3},
      {"pedacoAlemDoFim", Riff({{"fmt ", Fmt(11025, 8, 1)}, {"LIST", "ab", 1000}, {"data", "abc"}}), false, 0},
      {"fmtAlemDoFim", Riff({{"fmt ", "ab", 5000}}), false, 0},
      {"semData", Riff({{"fmt ", Fmt(11025, 8, 1)}}), false, 0},
      {"minusculas", "riff" + Wav8(10).substr(4, 8) + "FMT " + Wav8(10).substr(16), true, 10},
      {"curta", "RIFF", false, 0},
  };
  for (const auto& c : casos) {
    plataforma::ImagemWav d;
    EXPECT_EQ(plataforma::LerImagemWav(reinterpret_cast<const uint8_t*>(c.imagem.data()), c.imagem.size(), d), c.valida)
        << c.nome;
    if (c.valida) {
      EXPECT_EQ(d.bytes, c.bytes) << c.nome;
    }
  }
}

TEST(CabecalhoWavTest, HeaderFields) {
  uint8_t h[44];
  wave::WavBuildHeader(h, 256, 22050, 16, 2);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(h), 4), "RIFF");
  auto u32 = [&](int i) { return h[i] | h[i + 1] << 8 | h[i + 2] << 16 | uint32_t(h[i + 3]) << 24; };
  EXPECT_EQ(u32(4), 292u);
  EXPECT_EQ(u32(24), 22050u);
  EXPECT_EQ(u32(28), 22050u * 4);
  EXPECT_EQ(h[32], 1);  // block align left as in the template
  EXPECT_EQ(h[34], 16);
  EXPECT_EQ(u32(40), 256u);
}

}  // namespace
