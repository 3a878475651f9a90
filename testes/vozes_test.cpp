// The generated recordings, read back file by file: their names, the WAV
// layout the players rely on, the level, the silence at the ends and the
// lengths; and the character-name table they are spoken from.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "tradutor/engine/caracteres.h"

namespace {

namespace fs = std::filesystem;

constexpr int kTaxa = 11025;
// A sample counts as silence when it lies within 2 steps of the centre value
// 128 (under 2% of full scale); this is the threshold for the 20 ms limit.
constexpr int kLimiarSilencio = 2;
constexpr size_t kMaxSilencio = kTaxa * 20 / 1000;
// The common level: peaks at 90% of full scale (114 of 127 steps), within
// two steps either way.
constexpr int kPicoMin = 112;
constexpr int kPicoMax = 116;

enum class Tipo { kMensagem, kEfeito, kNumero, kCaractere };

struct Esperado {
  fs::path arquivo;
  Tipo tipo;
};

const char* const kMensagens[] = {
    "JGINIC",   "JGSEMTRD", "JGARNENC", "JGMAXPAL", "JGERRPAL", "JGPRGCAN", "JGCABECA",
    "JGPESCOC", "JGTRONCO", "JGBRADIR", "JGBRAESQ", "JGPERDIR", "JGPERESQ", "JGPARABE",
    "JGERA",    "JGQUELET", "JGREPETE", "JGDESIS",  "JGSOALFA", "JGLETREP", "JGENFORC",
    "JGDENOVO", "JGTCHAU",  "JGSEMPAL", "JGUMAPAL"};

const char* const kNumeros[] = {
    "_zero",    "_um",      "_uma",     "_dois",    "_duas",    "_tres",    "_quatro",
    "_cinco",   "_seis",    "_sete",    "_oito",    "_nove",    "_dez",     "_onze",
    "_doze",    "_treze",   "_quatorz", "_quinze",  "_dezesse", "_dezeset", "_dezoito",
    "_dezenov", "_vinte",   "_trinta",  "_quarent", "_cinquen", "_sessent", "_setenta",
    "_oitenta", "_noventa", "_cem",     "_cento",   "_duzento", "_trezent", "_quatroc",
    "_quinhen", "_seiscen", "_setecen", "_oitocen", "_novecen", "_mil",     "_milhao",
    "_milhoes", "_bilhao",  "_bilhoes", "_trilhao", "_trilhoe", "_e",       "_MENOS"};

// The characters that are spoken: printable ASCII, the Latin-1 signs and
// capitals up to Ü, and the small accented letters à to ü.
bool TemGravacao(int codigo) {
  return (codigo >= 32 && codigo <= 126) || (codigo >= 161 && codigo <= 220) ||
         (codigo >= 224 && codigo <= 252);
}

fs::path Caractere(int codigo) {
  return fs::path(MIRTALAN_DIR_LETRAS) / ("_" + std::to_string(codigo) + ".wav");
}

std::vector<Esperado> TodosEsperados() {
  std::vector<Esperado> todos;
  for (const char* m : kMensagens)
    todos.push_back({fs::path(MIRTALAN_DIR_SOM) / (std::string(m) + ".wav"), Tipo::kMensagem});
  for (const char* e : {"JGPLIM", "JGTCHEN", "JGREQIEN"})
    todos.push_back({fs::path(MIRTALAN_DIR_SOM) / (std::string(e) + ".wav"), Tipo::kEfeito});
  for (const char* n : kNumeros)
    todos.push_back({fs::path(MIRTALAN_DIR_LETRAS) / (std::string(n) + ".wav"), Tipo::kNumero});
  for (int c = 0; c < 256; ++c)
    if (TemGravacao(c)) todos.push_back({Caractere(c), Tipo::kCaractere});
  return todos;
}

uint32_t U32(const std::vector<uint8_t>& b, size_t i) {
  return b[i] | (b[i + 1] << 8) | (b[i + 2] << 16) | (static_cast<uint32_t>(b[i + 3]) << 24);
}
uint16_t U16(const std::vector<uint8_t>& b, size_t i) {
  return static_cast<uint16_t>(b[i] | (b[i + 1] << 8));
}
std::string Etiqueta(const std::vector<uint8_t>& b, size_t i) {
  return std::string(b.begin() + static_cast<long>(i), b.begin() + static_cast<long>(i) + 4);
}

struct Gravacao {
  std::vector<uint8_t> bytes;  // the whole file
  Tipo tipo;

  // The samples, taken the way the number reader takes them: everything
  // after the first 44 bytes.
  std::vector<uint8_t> Amostras() const {
    return bytes.size() > 44 ? std::vector<uint8_t>(bytes.begin() + 44, bytes.end())
                             : std::vector<uint8_t>{};
  }
  double Segundos() const { return static_cast<double>(Amostras().size()) / kTaxa; }
};

int Desvio(uint8_t s) { return std::abs(static_cast<int>(s) - 128); }

class Vozes : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    gravacoes_ = new std::map<std::string, Gravacao>;
    for (const Esperado& e : TodosEsperados()) {
      std::ifstream f(e.arquivo, std::ios::binary);
      if (!f) continue;
      std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
      (*gravacoes_)[e.arquivo.filename().string()] = {std::move(bytes), e.tipo};
    }
  }
  static void TearDownTestSuite() {
    delete gravacoes_;
    gravacoes_ = nullptr;
  }

  // Every recording that could be read, with its file name. A test that goes
  // over them first makes sure none is missing, so that it cannot pass over
  // an empty directory.
  static const std::map<std::string, Gravacao>& Todas() {
    EXPECT_EQ(gravacoes_->size(), TodosEsperados().size()) << "some recordings are missing";
    return *gravacoes_;
  }
  static const Gravacao& Uma(const std::string& arquivo) {
    static const Gravacao vazia{{}, Tipo::kMensagem};
    auto it = gravacoes_->find(arquivo);
    if (it == gravacoes_->end()) {
      ADD_FAILURE() << arquivo << " is missing";
      return vazia;
    }
    return it->second;
  }

  static std::map<std::string, Gravacao>* gravacoes_;
};

std::map<std::string, Gravacao>* Vozes::gravacoes_ = nullptr;

TEST_F(Vozes, EveryExpectedRecordingExistsAndNamelessCharactersHaveNone) {
  for (const Esperado& e : TodosEsperados()) EXPECT_TRUE(fs::is_regular_file(e.arquivo)) << e.arquivo;
  for (int c : {31, 127, 128, 160, 221, 222, 223, 253, 254, 255})
    EXPECT_FALSE(fs::exists(Caractere(c))) << "code " << c << " has no name to say";
}

TEST_F(Vozes, HeaderIsExactly44BytesOfUnsigned8BitMonoPcmAt11025Hz) {
  for (const auto& [nome, g] : Todas()) {
    SCOPED_TRACE(nome);
    const std::vector<uint8_t>& b = g.bytes;
    ASSERT_GT(b.size(), 44u);
    EXPECT_EQ(Etiqueta(b, 0), "RIFF");
    EXPECT_EQ(U32(b, 4), b.size() - 8);
    EXPECT_EQ(Etiqueta(b, 8), "WAVE");
    EXPECT_EQ(Etiqueta(b, 12), "fmt ");
    EXPECT_EQ(U32(b, 16), 16u);
    EXPECT_EQ(U16(b, 20), 1u);  // PCM
    EXPECT_EQ(U16(b, 22), 1u);  // channels
    EXPECT_EQ(U32(b, 24), static_cast<uint32_t>(kTaxa));
    EXPECT_EQ(U32(b, 28), static_cast<uint32_t>(kTaxa));  // bytes per second
    EXPECT_EQ(U16(b, 32), 1u);  // block align
    EXPECT_EQ(U16(b, 34), 8u);  // bits per sample
    EXPECT_EQ(Etiqueta(b, 36), "data");
    EXPECT_EQ(U32(b, 40), b.size() - 44);
  }
}

TEST_F(Vozes, AllPeakAtTheCommonLevelWithoutClipping) {
  for (const auto& [nome, g] : Todas()) {
    const std::vector<uint8_t> a = g.Amostras();
    int pico = 0;
    for (uint8_t s : a) pico = std::max(pico, Desvio(s));
    EXPECT_GE(pico, kPicoMin) << nome;
    EXPECT_LE(pico, kPicoMax) << nome;
    EXPECT_EQ(std::count(a.begin(), a.end(), 0), 0) << nome;
    EXPECT_EQ(std::count(a.begin(), a.end(), 255), 0) << nome;
  }
}

TEST_F(Vozes, SilenceAtEitherEndIsAtMost20Ms) {
  auto audivel = [](uint8_t s) { return Desvio(s) > kLimiarSilencio; };
  for (const auto& [nome, g] : Todas()) {
    const std::vector<uint8_t> a = g.Amostras();
    const auto primeiro = std::find_if(a.begin(), a.end(), audivel);
    ASSERT_NE(primeiro, a.end()) << nome << " is silent";
    const auto ultimo = std::find_if(a.rbegin(), a.rend(), audivel);
    EXPECT_LE(static_cast<size_t>(primeiro - a.begin()), kMaxSilencio) << nome;
    EXPECT_LE(static_cast<size_t>(ultimo - a.rbegin()), kMaxSilencio) << nome;
  }
}

TEST_F(Vozes, LengthsFitTheBuffersOfTheReaders) {
  for (const auto& [nome, g] : Todas()) {
    if (g.tipo == Tipo::kNumero) {
      EXPECT_LE(g.Amostras().size(), 30000u) << nome;
    } else if (g.tipo == Tipo::kCaractere) {
      EXPECT_LE(g.Amostras().size(), 63956u) << nome;
    }
  }
}

// Lengths that tell a recording was spoken as meant: a message is a sentence,
// every word at least a syllable, and a one-syllable letter name stays short,
// so a name read out letter by letter, or phonemes read as brackets, would
// show.
TEST_F(Vozes, SpokenLengthsArePlausibleForTheirWords) {
  for (const auto& [nome, g] : Todas()) {
    if (g.tipo == Tipo::kMensagem) {
      EXPECT_GE(g.Segundos(), 0.5) << nome;
    } else if (g.tipo != Tipo::kEfeito) {
      EXPECT_GE(g.Segundos(), 0.15) << nome;
    }
  }
  for (char letra : std::string_view("ABCDEGIKOPQTUVZabcdegikopqtuvz"))
    EXPECT_LE(Uma("_" + std::to_string(static_cast<int>(letra)) + ".wav").Segundos(), 0.45) << letra;
  EXPECT_LE(Uma("_e.wav").Segundos(), 0.45);
  EXPECT_LE(Uma("_um.wav").Segundos(), 0.6);
}

TEST_F(Vozes, SoundEffectsLastTheirIntendedTimes) {
  const struct {
    const char* arquivo;
    double minimo, maximo;  // seconds
  } casos[] = {
      {"JGPLIM.wav", 0.09, 0.15},
      {"JGTCHEN.wav", 0.25, 0.35},
      {"JGREQIEN.wav", 3.0, 5.0},
  };
  for (const auto& c : casos) {
    const double s = Uma(c.arquivo).Segundos();
    EXPECT_GE(s, c.minimo) << c.arquivo;
    EXPECT_LE(s, c.maximo) << c.arquivo;
  }
}

// Windows-1252 bytes of a UTF-8 text written with Latin-1 letters only, so the
// expected names below can be written as they read.
std::string Em1252(std::string_view utf8) {
  std::string saida;
  for (size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c == 0xC2 || c == 0xC3) {
      saida += static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
    } else {
      saida += static_cast<char>(c);
    }
  }
  return saida;
}

TEST(NomeDoCaractere, GivesTheWindows1252NameOfEachCharacter) {
  const struct {
    int codigo;
    const char* nome;  // UTF-8
  } casos[] = {
      {32, "espaço"},           {33, "exclamação"},         {38, "é comercial"},
      {40, "abre parênteses"},  {48, "zéro"},               {51, "três"},
      {55, "séte"},             {57, "nóve"},               {64, "arrôba"},
      {65, "a"},                {67, " sê"},                {68, " dê"},
      {70, "éfe"},              {74, "jóta"},               {78, "êne"},
      {87, "dábliu"},           {89, "ípsilon"},            {92, "barra invertida"},
      {97, "a"},                {99, " sê"},                {100, " dê"},
      {106, "jota"},            {110, "ene"},               {126, "til"},
      {161, "exclamação reversa"}, {171, "Aspas esquerdas"}, {173, "hífen"},
      {175, "mácron"},          {190, "três quartos"},      {191, "interrogação reversa"},
      {192, "A grave"},         {198, "A É"},               {199, "Cê cedilha"},
      {209, "N com til"},       {214, "Ó tremado"},         {215, "vezes"},
      {220, "U com trema"},     {224, "A grave"},           {231, "Cê cedilha"},
      {233, "É agudo"},         {247, "vezes"},             {252, "U com trema"},
  };
  for (const auto& c : casos)
    EXPECT_EQ(engine::NomeDoCaractere(static_cast<unsigned char>(c.codigo)), Em1252(c.nome))
        << "code " << c.codigo;
}

TEST(NomeDoCaractere, ControlCodesAndUnnamedCharactersHaveAnEmptyName) {
  for (int c = 0; c < 256; ++c) {
    EXPECT_EQ(engine::NomeDoCaractere(static_cast<unsigned char>(c)).empty(), !TemGravacao(c))
        << "code " << c;
  }
}

}  // namespace
