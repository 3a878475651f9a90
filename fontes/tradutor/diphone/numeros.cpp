// Number reading: digits to Portuguese words by groups of three, and the words
// spoken from their recordings.
#include "tradutor/diphone/numeros.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <sys/stat.h>

#include "plataforma/arquivos.h"
#include "tradutor/wave/wave.h"

namespace diphone {

namespace {

constexpr std::array<const char*, 10> kUnidades = {
    "", "um", "dois", "tres", "quatro", "cinco", "seis", "sete", "oito", "nove"};
constexpr std::array<const char*, 10> kDezADezenove = {
    "dez", "onze", "doze", "treze", "quatorze", "quinze", "dezesseis", "dezessete", "dezoito", "dezenove"};
constexpr std::array<const char*, 10> kDezenas = {
    "", "", "vinte", "trinta", "quarenta", "cinquenta", "sessenta", "setenta", "oitenta", "noventa"};
constexpr std::array<const char*, 10> kCentenas = {
    "", "cento", "duzentos", "trezentos", "quatrocentos", "quinhentos",
    "seiscentos", "setecentos", "oitocentos", "novecentos"};

// Names of the groups of a 15-digit field, from the left; the last group has none.
constexpr std::array<const char*, 4> kNomeSingular = {
    "trilh\xE3o ", "bilh\xE3o ", "milh\xE3o ", "mil "};
constexpr std::array<const char*, 4> kNomePlural = {
    "trilh\xF5" "es ", "bilh\xF5" "es ", "milh\xF5" "es ", "mil "};

int Digito(std::string_view s, size_t i) {
  return (i < s.size() && s[i] >= '0' && s[i] <= '9') ? s[i] - '0' : 0;
}

// The recording's name for a word: accents dropped, "dezessete" told apart
// from "dezesseis", and cut to 8 characters with its "_".
std::string NomeDaGravacao(std::string_view palavra) {
  std::string p;
  for (char c : palavra) {
    if (c == '\xE3') c = 'a';
    else if (c == '\xF5') c = 'o';
    p += c;
  }
  for (size_t i; (i = p.find("dezessete")) != std::string::npos;) p.replace(i, 9, "dezeset");
  return ("_" + p).substr(0, 8);
}

}  // namespace

Numeros::Numeros(const Difone& difone, Reprodutor& reprodutor)
    : difone_(difone), reprodutor_(reprodutor) {}

std::string Numeros::NumGroupWords(std::string_view d) {
  const int h = Digito(d, 0), t = Digito(d, 1), u = Digito(d, 2);
  if (h == 0 && t == 0 && u == 0) return {};
  if (h == 1 && t == 0 && u == 0) return "cem";
  std::string r;
  if (h != 0) {
    r = kCentenas[h];
    if (t == 0 && u == 0) return r;
    r += " e ";
  }
  if (t == 1) return r + kDezADezenove[u];
  if (t != 0) {
    r += kDezenas[t];
    if (u == 0) return r;
    r += " e ";
  }
  if (u != 0) r += kUnidades[u];
  return r;
}

std::string Numeros::NumToWords(uint64_t value) {
  if (value == 0) return "zero";
  std::string digitos = std::string(14, '0') + std::to_string(value);
  digitos = digitos.substr(digitos.size() - 15);

  std::array<std::string, 5> grupos;
  for (size_t i = 0; i < 5; ++i) {
    std::string_view tres = std::string_view(digitos).substr(3 * i, 3);
    grupos[i] = NumGroupWords(tres);
    if (i < 4 && tres != "000") grupos[i] += std::string(" ") + (tres == "001" ? kNomeSingular[i] : kNomePlural[i]);
  }
  size_t ultimo = 0;
  for (size_t i = 0; i < 5; ++i)
    if (!grupos[i].empty()) ultimo = i;

  std::string r;
  for (size_t i = 0; i <= ultimo; ++i) {
    if (grupos[i].empty()) continue;
    if (i == ultimo && !r.empty()) r += "e ";
    r += grupos[i];
  }
  // "um mil" is said "mil"; "um milhão" keeps its "um".
  if (r.starts_with("um mil") && !r.starts_with("um milh")) r.erase(0, 3);
  return r;
}

void Numeros::Tocar(std::vector<uint8_t>& imagem, size_t& amostras) {
  wave::WavBuildHeader(imagem.data(), static_cast<int32_t>(amostras), Difone::kTaxa, 8, 1);
  reprodutor_.PlayImageAndWait(imagem.data(), kCabecalho + amostras);
  while (reprodutor_.IsSpeaking()) reprodutor_.WaitMessage();
  amostras = 0;
}

void Numeros::NumSpeakWords(std::string_view palavras, bool feminine) {
  if (difone_.DirLetras().empty()) return;  // the synthesizer never found its letters directory
  std::vector<uint8_t> imagem(kCabecalho + kMaxAmostras);
  size_t amostras = 0;
  size_t p = 0;
  while (p < palavras.size()) {
    if (palavras[p] == ' ') {
      ++p;
      continue;
    }
    size_t fim = palavras.find(' ', p);
    if (fim == std::string_view::npos) fim = palavras.size();
    std::string nome = NomeDaGravacao(palavras.substr(p, fim - p));
    if (feminine && fim == palavras.size()) {
      if (nome == "_um") nome = "_uma";
      else if (nome == "_dois") nome = "_duas";
    }
    p = fim;

    std::FILE* f = plataforma::AbrirArquivo(difone_.DirLetras() + nome + ".wav", "rb");
    struct stat info {};
    if (f && fstat(fileno(f), &info) == 0 && info.st_size >= static_cast<off_t>(kCabecalho)) {
      // The header is skipped unread. A file too short to hold one is left
      // out, and one with more than 30000 samples is cut to 30000, as much as
      // one image holds.
      size_t n = std::min<size_t>(static_cast<size_t>(info.st_size) - kCabecalho, kMaxAmostras);
      if (amostras + n > kMaxAmostras) Tocar(imagem, amostras);
      size_t lidos = 0;
      if (n > 0 && std::fseek(f, static_cast<long>(kCabecalho), SEEK_SET) == 0)
        lidos = std::fread(imagem.data() + kCabecalho + amostras, 1, n, f);
      amostras += lidos;
      std::fclose(f);
      if (observador) {
        Peca peca;
        peca.tipo = Peca::Tipo::Letra;
        peca.nome = nome;
        peca.bytes = lidos;
        observador(peca);
      }
      continue;
    }
    if (f) std::fclose(f);
    if (observador) {
      Peca peca;
      peca.tipo = Peca::Tipo::Falta;
      peca.nome = nome;
      observador(peca);
    }
  }
  if (amostras > 0) Tocar(imagem, amostras);
}

}  // namespace diphone
