// Number reading: values to words, words to recordings, recordings joined
// into images of at most 30000 samples.
#include "tradutor/diphone/numeros.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "apoio.h"
#include "apoio_difone.h"
#include "plataforma/wav.h"
#include "tradutor/wave/wave.h"

namespace {

using apoio::EscreverArquivo;
using diphone::Numeros;
using diphone::Peca;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// ---------------------------------------------------------------- words

struct CasoDeNumero {
  uint64_t valor;
  const char* palavras;
};

class NumToWordsTest : public ::testing::TestWithParam<CasoDeNumero> {};

TEST_P(NumToWordsTest, Palavras) { EXPECT_EQ(Numeros::NumToWords(GetParam().valor), GetParam().palavras); }

INSTANTIATE_TEST_SUITE_P(
    Casos, NumToWordsTest,
    ::testing::Values(CasoDeNumero{0, "zero"}, CasoDeNumero{7, "sete"}, CasoDeNumero{10, "dez"},
                      CasoDeNumero{16, "dezesseis"}, CasoDeNumero{17, "dezessete"}, CasoDeNumero{21, "vinte e um"},
                      CasoDeNumero{100, "cem"}, CasoDeNumero{101, "cento e um"}, CasoDeNumero{110, "cento e dez"},
                      CasoDeNumero{120, "cento e vinte"}, CasoDeNumero{215, "duzentos e quinze"},
                      CasoDeNumero{340, "trezentos e quarenta"}, CasoDeNumero{1000, "mil "},
                      CasoDeNumero{1001, "mil e um"}, CasoDeNumero{1120, "mil e cento e vinte"},
                      CasoDeNumero{2500, "dois mil e quinhentos"}, CasoDeNumero{100000, "cem mil "},
                      CasoDeNumero{101000, "cento e um mil "}, CasoDeNumero{1000000, "um milh\xE3o "},
                      CasoDeNumero{2000000, "dois milh\xF5" "es "},
                      CasoDeNumero{3000015, "tres milh\xF5" "es e quinze"},
                      // only the last group is joined by "e"
                      CasoDeNumero{1001001, "um milh\xE3o um mil e um"},
                      CasoDeNumero{4294967295u,
                                   "quatro bilh\xF5" "es duzentos e noventa e quatro milh\xF5" "es "
                                   "novecentos e sessenta e sete mil e duzentos e noventa e cinco"},
                      CasoDeNumero{1000000000000u, "um trilh\xE3o "},
                      CasoDeNumero{999000000000000u, "novecentos e noventa e nove trilh\xF5" "es "}));

struct CasoDeGrupo {
  const char* digitos;
  const char* palavras;
};

class NumGroupWordsTest : public ::testing::TestWithParam<CasoDeGrupo> {};

TEST_P(NumGroupWordsTest, Palavras) { EXPECT_EQ(Numeros::NumGroupWords(GetParam().digitos), GetParam().palavras); }

INSTANTIATE_TEST_SUITE_P(Casos, NumGroupWordsTest,
                         ::testing::Values(CasoDeGrupo{"000", ""}, CasoDeGrupo{"100", "cem"},
                                           CasoDeGrupo{"215", "duzentos e quinze"},
                                           CasoDeGrupo{"340", "trezentos e quarenta"}, CasoDeGrupo{"007", "sete"},
                                           CasoDeGrupo{"120", "cento e vinte"}, CasoDeGrupo{"010", "dez"},
                                           CasoDeGrupo{"019", "dezenove"}, CasoDeGrupo{"090", "noventa"},
                                           CasoDeGrupo{"900", "novecentos"}, CasoDeGrupo{"909", "novecentos e nove"},
                                           // malformed input reads as zeros
                                           CasoDeGrupo{"", ""}, CasoDeGrupo{"1", "cem"}, CasoDeGrupo{"x1y", "dez"}));

// ---------------------------------------------------------------- speaking

// The recordings of the number words.
const std::vector<std::string> kGravacoes = {
    "_zero",    "_um",      "_uma",     "_dois",    "_duas",    "_tres",    "_quatro",  "_cinco",
    "_seis",    "_sete",    "_oito",    "_nove",    "_dez",     "_onze",    "_doze",    "_treze",
    "_quatorz", "_quinze",  "_dezesse", "_dezeset", "_dezoito", "_dezenov", "_vinte",   "_trinta",
    "_quarent", "_cinquen", "_sessent", "_setenta", "_oitenta", "_noventa", "_cem",     "_cento",
    "_duzento", "_trezent", "_quatroc", "_quinhen", "_seiscen", "_setecen", "_oitocen", "_novecen",
    "_mil",     "_milhao",  "_milhoes", "_bilhao",  "_bilhoes", "_trilhao", "_trilhoe", "_e"};

// The synthesizer opens on an empty database: numbers are spoken from the
// word recordings in the letters directory alone.
class NumerosTest : public ::testing::Test, protected apoio::AmbienteDeDifone {
 protected:
  NumerosTest() : AmbienteDeDifone("letras", "difones"), numeros_(difone_, reprodutor_) {
    for (const char* f : {"DIFONES2.IND", "DIFONES2.DIF"}) EscreverArquivo(difones_ / f, "");
    numeros_.observador = [this](const Peca& p) {
      eventos_.push_back((p.tipo == Peca::Tipo::Falta ? "falta " : "") + p.nome);
    };
  }

  void TearDown() override {
    for (const auto& img : reprodutor_.imagens) {
      plataforma::ImagemWav d;
      ASSERT_NO_FATAL_FAILURE(apoio::ConferirImagem(img, d));
      EXPECT_LE(d.bytes, 30000u);
    }
  }

  // A word file: a header the reader must skip without looking at, then the samples.
  void Palavra(const std::string& nome, const std::string& amostras) {
    EscreverArquivo(letras_ / (nome + ".wav"), std::string(44, 'H') + amostras);
  }

  std::vector<std::string> Falar(const std::string& palavras, bool feminino = false) {
    eventos_.clear();
    numeros_.NumSpeakWords(palavras, feminino);
    return eventos_;
  }

  Numeros numeros_;  // made before the synthesizer is opened
  std::vector<std::string> eventos_;
};

TEST_F(NumerosTest, TodaPalavraTemSuaGravacao) {
  for (const std::string& g : kGravacoes) Palavra(g, "x");
  ASSERT_EQ(difone_.DifOpen(), 0);
  std::vector<uint64_t> valores = {1000, 2000, 1000000, 2000000, 1000000000, 2000000000, 1000000000000u,
                                   2000000000000u};
  for (uint64_t v = 0; v < 1000; ++v) valores.push_back(v);
  std::set<std::string> usadas;
  for (uint64_t v : valores) {
    for (bool feminino : {false, true}) {
      for (const std::string& e : Falar(Numeros::NumToWords(v), feminino)) {
        EXPECT_EQ(e.rfind("falta", 0), std::string::npos) << v << ": " << e;
        usadas.insert(e);
      }
    }
  }
  EXPECT_EQ(usadas, std::set<std::string>(kGravacoes.begin(), kGravacoes.end()));
}

struct CasoDeFala {
  const char* palavras;
  bool feminino;
  std::vector<std::string> arquivos;
};

class NumerosFalaTest : public NumerosTest, public ::testing::WithParamInterface<CasoDeFala> {};

TEST_P(NumerosFalaTest, Arquivos) {
  for (const std::string& g : kGravacoes) Palavra(g, "x");
  ASSERT_EQ(difone_.DifOpen(), 0);
  EXPECT_EQ(Falar(GetParam().palavras, GetParam().feminino), GetParam().arquivos);
}

INSTANTIATE_TEST_SUITE_P(
    Casos, NumerosFalaTest,
    ::testing::Values(CasoDeFala{"mil ", false, {"_mil"}}, CasoDeFala{"dezesseis", false, {"_dezesse"}},
                      CasoDeFala{"dezessete", false, {"_dezeset"}},
                      CasoDeFala{"dois milh\xF5" "es ", false, {"_dois", "_milhoes"}},
                      CasoDeFala{"tres trilh\xF5" "es", false, {"_tres", "_trilhoe"}},
                      CasoDeFala{"um milh\xE3o ", false, {"_um", "_milhao"}},
                      // feminine: only a last word that ends where the text ends
                      CasoDeFala{"vinte e um", true, {"_vinte", "_e", "_uma"}},
                      CasoDeFala{"dois", true, {"_duas"}}, CasoDeFala{"um", false, {"_um"}},
                      CasoDeFala{"doze", true, {"_doze"}}, CasoDeFala{"um milh\xE3o ", true, {"_um", "_milhao"}},
                      CasoDeFala{"vinte e dois ", true, {"_vinte", "_e", "_dois"}},
                      CasoDeFala{"  vinte   e  um", false, {"_vinte", "_e", "_um"}}, CasoDeFala{"", false, {}},
                      CasoDeFala{"   ", false, {}}));

TEST_F(NumerosTest, AmostrasDepoisDoCabecalhoNaOrdem) {
  Palavra("_vinte", "VVV");
  Palavra("_e", "e");
  Palavra("_um", "UU");
  ASSERT_EQ(difone_.DifOpen(), 0);
  Falar("vinte e um");
  ASSERT_EQ(reprodutor_.imagens.size(), 1u);
  EXPECT_EQ(Tocado(), "VVVeUU");
}

TEST_F(NumerosTest, SemOEFicaVinteUm) {
  Palavra("_vinte", "VVV");
  Palavra("_um", "UU");
  ASSERT_EQ(difone_.DifOpen(), 0);
  EXPECT_THAT(Falar("vinte e um"), ElementsAre("_vinte", "falta _e", "_um"));
  EXPECT_EQ(Tocado(), "VVVUU");
}

TEST_F(NumerosTest, MaisDe30000AmostrasEmVariasImagensCadaUmaEsperada) {
  Palavra("_vinte", std::string(12000, 'v'));
  Palavra("_trinta", std::string(12000, 't'));
  Palavra("_quarent", std::string(12000, 'q'));
  ASSERT_EQ(difone_.DifOpen(), 0);
  reprodutor_.ocupado = 2;
  Falar("vinte trinta quarenta");
  EXPECT_THAT(reprodutor_.registro,
              ElementsAre("tocar 24044", "ocupado", "esperar", "ocupado", "esperar", "ocupado",  //
                          "tocar 12044", "ocupado", "esperar", "ocupado", "esperar", "ocupado"));
  EXPECT_EQ(Tocado(), std::string(12000, 'v') + std::string(12000, 't') + std::string(12000, 'q'));
}

TEST_F(NumerosTest, Exatamente30000CabemNumaImagem) {
  Palavra("_vinte", std::string(15000, 'v'));
  Palavra("_trinta", std::string(15000, 't'));
  ASSERT_EQ(difone_.DifOpen(), 0);
  Falar("vinte trinta");
  EXPECT_THAT(reprodutor_.registro, ElementsAre("tocar 30044", "ocupado"));
}

TEST_F(NumerosTest, ArquivoCurtoDemaisFicaDeFora) {
  EscreverArquivo(letras_ / "_um.wav", std::string(43, 'H'));
  Palavra("_dois", "");
  Palavra("_tres", "T");
  ASSERT_EQ(difone_.DifOpen(), 0);
  EXPECT_THAT(Falar("um dois tres"), ElementsAre("falta _um", "_dois", "_tres"));
  EXPECT_EQ(Tocado(), "T");
}

TEST_F(NumerosTest, ArquivoLongoDemaisECortadoEm30000) {
  Palavra("_cem", std::string(30000, 'c') + std::string(10000, 'X'));
  Palavra("_um", "U");
  ASSERT_EQ(difone_.DifOpen(), 0);
  Falar("cem um");
  ASSERT_EQ(reprodutor_.imagens.size(), 2u);
  EXPECT_EQ(Tocado(), std::string(30000, 'c') + "U");
}

TEST_F(NumerosTest, NomeDoArquivoSemDistinguirMaiusculas) {
  EscreverArquivo(letras_ / "_MIL.WAV", std::string(44, 'H') + "M");
  ASSERT_EQ(difone_.DifOpen(), 0);
  Falar(Numeros::NumToWords(1000));
  EXPECT_EQ(Tocado(), "M");
}

TEST_F(NumerosTest, SemDiretorioDeLetrasNaoSoa) {
  Palavra("_um", "U");
  // Never opened: no letters directory, and no file found relative to nowhere.
  Falar("um");
  EXPECT_THAT(reprodutor_.imagens, IsEmpty());
}

}  // namespace
