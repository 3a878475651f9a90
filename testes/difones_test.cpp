// The generated unit database of the diphone voice, read through the
// synthesizer itself: the words of the game and a fixed sample of the
// Brazilian word list are spoken without a missing unit or a noise burst,
// the index is well formed, and the units keep a vowel and a common level
// after the synthesizer's cut.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "apoio.h"
#include "plataforma/texto1252.h"
#include "tradutor/diphone/difone.h"
#include "tradutor/diphone/lts.h"

namespace {

namespace fs = std::filesystem;
using apoio::DiretorioTemporario;
using apoio::EscreverArquivo;
using apoio::LerArquivo;
using apoio::Linhas;
using diphone::Difone;
using diphone::Peca;

constexpr const char* kBase = "DIFBR";
constexpr int kTaxa = 11025;
constexpr int kCortePadrao = 400;  // the synthesizer's default cut

// Keeps the samples of every image, without the header.
class Gravador : public diphone::Reprodutor {
 public:
  void PlayImageAndWait(const uint8_t* image, size_t size) override {
    amostras.insert(amostras.end(), image + Difone::kCabecalho, image + size);
  }
  bool IsSpeaking() override { return false; }
  void WaitMessage() override {}
  std::vector<uint8_t> amostras;
};

struct Registro {
  std::string nome;
  uint16_t tamanho;
  uint32_t deslocamento;
};

std::vector<Registro> LerIndice(const std::string& bytes) {
  std::vector<Registro> r;
  for (size_t i = 0; i + 15 <= bytes.size(); i += 15) {
    auto b = [&](size_t k) { return static_cast<uint8_t>(bytes[i + k]); };
    r.push_back({bytes.substr(i + 1, std::min<size_t>(b(0), 8)), static_cast<uint16_t>(b(9) | b(10) << 8),
                 static_cast<uint32_t>(b(11) | b(12) << 8 | b(13) << 16 | uint32_t(b(14)) << 24)});
  }
  return r;
}

// Words of a list, one per line; "$" ends a word in the game's list.
std::vector<std::string> Palavras(const fs::path& arquivo, size_t passo = 1) {
  std::vector<std::string> r;
  size_t n = 0;
  for (std::string l : Linhas(LerArquivo(arquivo))) {
    l = l.substr(0, l.find('$'));
    while (!l.empty() && (l.back() == '\r' || l.back() == ' ')) l.pop_back();
    if (l.empty()) continue;
    if (n++ % passo == 0) r.push_back(plataforma::Utf8Para1252(l));
  }
  return r;
}

class DifonesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(fs::path(MIRTALAN_DIR_DIFONES) / (std::string(kBase) + ".IND")))
        << "o banco de difones nao foi gerado em " << MIRTALAN_DIR_DIFONES;
    // The synthesizer will not open without a letters directory; the
    // recordings themselves are not needed here.
    fs::path letras = MIRTALAN_DIR_LETRAS;
    if (!fs::is_directory(letras)) {
      letras = dir_ / "letras";
      fs::create_directories(letras);
    }
    EscreverArquivo(dir_ / "TALVEN.INI", "[TRADUTOR]\nDIRLETRAS=" + letras.string() +
                                             "\nDIRDIFONES=" MIRTALAN_DIR_DIFONES "\n");
    difone_.DefinirBase(kBase);
    ASSERT_EQ(difone_.DifOpen(), Difone::kAberto);
    difone_.observador = [this](const Peca& p) { pecas_.push_back(p); };
  }
  void TearDown() override { difone_.DifClose(); }

  // Speaks every word and returns, for each one that needed a missing unit
  // or a noise burst, a line with its phonetic string and what went wrong.
  // A name too long for an index record is missing by design, as long as
  // the synthesizer's replacement pieces for it were all found; with
  // `pecasBastam`, so is any unit whose pieces were found.
  std::vector<std::string> Problemas(const std::vector<std::string>& palavras, bool pecasBastam = false) {
    std::vector<std::string> problemas;
    for (const std::string& palavra : palavras) {
      const std::string fonetica = regras_.LtsTranslate(palavra);
      pecas_.clear();
      difone_.DifSpeak(fonetica, false);
      std::string erro;
      size_t unidades = 0;
      for (const Peca& p : pecas_) {
        if (p.tipo == Peca::Tipo::Unidade) ++unidades;
        if (p.tipo == Peca::Tipo::Ruido) erro += " ruido";
        if (p.tipo == Peca::Tipo::Falta && p.nome.starts_with("$") &&
            !((pecasBastam || p.nome.size() > Difone::kMaxBase) && p.substituida))
          erro += " falta " + p.nome;
      }
      if (unidades == 0) erro += " nenhuma unidade";
      if (!erro.empty()) problemas.push_back(palavra + " " + fonetica + ":" + erro);
    }
    return problemas;
  }

  static std::string Listar(const std::vector<std::string>& problemas) {
    std::string r;
    for (size_t i = 0; i < problemas.size() && i < 60; ++i) r += "  " + problemas[i] + "\n";
    return r;
  }

  // Seconds of sound for a text at the default timing.
  double Duracao(const std::string& texto) {
    gravador_.amostras.clear();
    difone_.DifSpeak(regras_.LtsTranslate(texto), false);
    return static_cast<double>(gravador_.amostras.size()) / kTaxa;
  }

  DiretorioTemporario dir_;
  apoio::Variavel talven_{"TALVEN_DIR", dir_.caminho().string()};
  diphone::RegrasLts regras_;
  Gravador gravador_;
  Difone difone_{regras_, gravador_};
  std::vector<Peca> pecas_;
};

TEST_F(DifonesTest, IndiceOrdenadoComNomesDeUnidadeDentroDasAmostras) {
  const std::string ind = LerArquivo(fs::path(MIRTALAN_DIR_DIFONES) / (std::string(kBase) + ".IND"));
  const auto dif = fs::file_size(fs::path(MIRTALAN_DIR_DIFONES) / (std::string(kBase) + ".DIF"));
  ASSERT_EQ(ind.size() % 15, 0u);
  const std::vector<Registro> indice = LerIndice(ind);
  ASSERT_FALSE(indice.empty());
  for (size_t i = 0; i < indice.size(); ++i) {
    const Registro& r = indice[i];
    SCOPED_TRACE(r.nome);
    EXPECT_EQ(static_cast<uint8_t>(ind[i * 15]), r.nome.size());
    ASSERT_GE(r.nome.size(), 2u);
    EXPECT_EQ(r.nome[0], '$');
    EXPECT_TRUE(std::all_of(r.nome.begin() + 1, r.nome.end(), [](char c) { return c >= 'A' && c <= 'Z'; }));
    if (i > 0) {
      EXPECT_LT(indice[i - 1].nome, r.nome) << "depois de " << indice[i - 1].nome;
    }
    EXPECT_GT(r.tamanho, 0u);
    EXPECT_LE(uint64_t(r.deslocamento) + r.tamanho, dif);
  }
}

TEST_F(DifonesTest, PalavrasDoJogoSemUnidadeFaltando) {
  const std::vector<std::string> palavras = Palavras(fs::path(MIRTALAN_DADOS_FONTE) / "mirtalan.pal");
  ASSERT_GT(palavras.size(), 100u);
  const std::vector<std::string> problemas = Problemas(palavras);
  EXPECT_TRUE(problemas.empty()) << problemas.size() << " palavras com falta:\n" << Listar(problemas);
}

// Every 50th word of the word list: a fixed sample of some five thousand
// words, most of them never seen in the game's list.
TEST_F(DifonesTest, AmostraDoDicionarioSemUnidadeFaltando) {
  if (!fs::exists(MIRTALAN_DICIONARIO)) GTEST_SKIP() << MIRTALAN_DICIONARIO << " nao existe";
  const std::vector<std::string> palavras = Palavras(MIRTALAN_DICIONARIO, 50);
  ASSERT_GT(palavras.size(), 1000u);
  const std::vector<std::string> problemas = Problemas(palavras);
  EXPECT_TRUE(problemas.empty()) << problemas.size() << " palavras com falta:\n" << Listar(problemas);
}

// Words outside every list: every syllable of one onset and one vowel has
// its own unit, whatever the corpus held.
TEST_F(DifonesTest, PalavrasInventadasSemUnidadeFaltando) {
  const std::vector<std::string> problemas =
      Problemas({"lhunfa", "quombo", "nhinhe", "vunda", "vombo", "guonte", "lhonte", "nhonco",
                 "quintu", "ximbeu", "fluxtroz", "pralhem", "vaizades", "zuens"});
  EXPECT_TRUE(problemas.empty()) << Listar(problemas);
}

// Vowels in hiatus make units no list may hold; they are then spoken from
// their pieces, and never as noise.
TEST_F(DifonesTest, HiatoInventadoDitoEmPecasSemRuido) {
  const std::vector<std::string> problemas =
      Problemas({"quunto", "lhuiom", "nhaeunte", "tchuoa", "djiuim", "zooeaum", "xiaoi"}, true);
  EXPECT_TRUE(problemas.empty()) << Listar(problemas);
}

// The cut of a unit of 3 or more characters must leave sound, ending in
// a vowel at a common level; the ends meet the silence level so that joins
// do not click.
TEST_F(DifonesTest, UnidadesGuardamVogalNoNivelComumDepoisDoCorte) {
  const std::string ind = LerArquivo(fs::path(MIRTALAN_DIR_DIFONES) / (std::string(kBase) + ".IND"));
  const std::string dif = LerArquivo(fs::path(MIRTALAN_DIR_DIFONES) / (std::string(kBase) + ".DIF"));
  const size_t janela = kTaxa * 20 / 1000;
  std::map<std::string, double> niveis;
  for (const Registro& r : LerIndice(ind)) {
    SCOPED_TRACE(r.nome);
    ASSERT_LE(uint64_t(r.deslocamento) + r.tamanho, dif.size());
    auto amostra = [&](size_t i) { return static_cast<uint8_t>(dif[r.deslocamento + i]) - 128; };
    EXPECT_LE(std::abs(amostra(0)), 2);
    EXPECT_EQ(amostra(r.tamanho - 1u), 0);
    if (r.nome.size() <= 2) continue;
    ASSERT_GE(r.tamanho, kCortePadrao + kTaxa * 50 / 1000) << "o corte nao deixa 50 ms";
    const char ultima = r.nome.ends_with("CIRC") || r.nome.ends_with("TIL") ? 'A' : r.nome.back();
    if (std::string("AEIOU").find(ultima) == std::string::npos) continue;
    double soma = 0;
    const size_t fim = r.tamanho - kCortePadrao;
    for (size_t i = fim - janela; i < fim; ++i) soma += amostra(i) * amostra(i);
    niveis[r.nome] = std::sqrt(soma / janela);
  }
  ASSERT_GT(niveis.size(), 100u);
  std::vector<double> ordenados;
  for (const auto& [nome, nivel] : niveis) ordenados.push_back(nivel);
  std::sort(ordenados.begin(), ordenados.end());
  const double mediana = ordenados[ordenados.size() / 2];
  EXPECT_GT(mediana, 8.0) << "vogais quase mudas";
  for (const auto& [nome, nivel] : niveis) {
    EXPECT_GT(nivel, mediana / 2.5) << nome;
    EXPECT_LT(nivel, mediana * 2.5) << nome;
  }
}

// At the default timing a word takes what a speaker would take: "casa" is
// two syllables of some quarter of a second each.
TEST_F(DifonesTest, PalavrasDuramOQueSeEspera) {
  EXPECT_GT(Duracao("casa"), 0.35);
  EXPECT_LT(Duracao("casa"), 0.70);
  EXPECT_GT(Duracao("paralelep\xEDpedo"), 1.2);
  EXPECT_LT(Duracao("paralelep\xEDpedo"), 2.6);
}

}  // namespace
