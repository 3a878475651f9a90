// Diphone synthesizer: cut the phonetic string into groups, the groups into
// chunks, the chunks into units; append each unit from the database (or its
// replacement pieces) to the image, and play the image whenever it is full.
#include "tradutor/diphone/difone.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <ios>
#include <system_error>

#include "plataforma/arquivos.h"
#include "plataforma/ini.h"
#include "plataforma/wav.h"
#include "tradutor/diphone/lts.h"
#include "tradutor/wave/wave.h"

namespace diphone {

namespace {

constexpr int kPausaVirgula = 4000;
constexpr int kPausaPonto = 8000;
constexpr int kPausaPontoEVirgula = 6000;
constexpr int kPausaDoisPontos = 8000;

constexpr size_t kMaxGrupo = 40;
constexpr size_t kMaxUnidade = 12;
constexpr size_t kTamanhoRegistro = 15;
constexpr size_t kRuido = 300;
constexpr size_t kBlocoSilencio = 100;
constexpr uint8_t kSilencio = 128;

bool EhVogalFonetica(unsigned char c) { return c != 0 && std::strchr("aeiouAEIOUwy", c); }
bool EhConsoanteFonetica(unsigned char c) { return c != 0 && std::strchr("bcdfgjklmnpqrstvxz", c); }
bool EhSemivogal(unsigned char c) { return c == 'w' || c == 'y'; }
bool EhMarcaVocalica(unsigned char c) { return c == '^' || c == '~'; }
bool EhTonica(unsigned char c) { return c != 0 && std::strchr("AEIOU", c); }

bool Termina(std::string_view s, std::string_view fim) {
  return s.size() >= fim.size() && s.substr(s.size() - fim.size()) == fim;
}

std::string Maiusculas(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return r;
}

uint32_t Ler32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;
}

// A configured directory: "\" read as "/", the last component matched without
// regard to case, and a trailing "/". Empty when it is not a directory.
std::string Diretorio(const std::string& configurado) {
  std::string caminho = plataforma::CaminhoLocal(configurado);
  while (caminho.size() > 1 && caminho.back() == '/') caminho.pop_back();
  if (caminho.empty()) return {};
  caminho = plataforma::ResolverNome(caminho);
  std::error_code erro;
  if (!std::filesystem::is_directory(caminho, erro)) return {};
  if (caminho.back() != '/') caminho += '/';
  return caminho;
}

// Reads all of an open file; a read error throws like the other data loaders.
std::vector<uint8_t> LerTudo(std::FILE* f) {
  std::vector<uint8_t> dados;
  uint8_t bloco[8192];
  size_t lidos;
  while ((lidos = std::fread(bloco, 1, sizeof bloco, f)) > 0) dados.insert(dados.end(), bloco, bloco + lidos);
  if (std::ferror(f)) throw std::ios_base::failure("erro de leitura do indice de difones");
  return dados;
}

}  // namespace


Difone::Difone(RegrasLts& regras, Reprodutor& reprodutor)
    : regras_(regras), reprodutor_(reprodutor), ruido_(std::random_device{}()) {}

Difone::~Difone() {
  // The rules belong to their owner, who may already be gone; only our own
  // resources are released here.
  LiberarBanco();
  imagem_.clear();
}

void Difone::DefinirBase(std::string_view nome) { base_ = std::string(nome.substr(0, kMaxBase)); }

void Difone::DifSetProsody(int cut, int minimum, int wordPause) {
  diphoneCut_ = cut;
  diphoneMinimum_ = minimum;
  wordPause_ = wordPause;
}

int Difone::DifOpen() {
  if (amostras_ || !indice_.empty() || Aberto()) DifClose();
  if (!AbrirBanco()) return kFalhaBanco;
  if (!regras_.LtsLoadRules(dirDifones_ + "regras.rgr")) return kFalhaRegras;
  if (!regras_.LtsLoadExceptions(dirDifones_ + "portug.exc")) return kFalhaRegras;
  imagem_.assign(kTamanhoImagem, 0);
  preenchido_ = kCabecalho;
  return kAberto;
}

void Difone::DifClose() {
  imagem_.clear();
  imagem_.shrink_to_fit();
  regras_.LtsFreeRules();
  LiberarBanco();
}

// The directories are resolved to full paths instead of being made current,
// so opening leaves the process's working directory alone.
bool Difone::AbrirBanco() {
  // Without TALVEN.INI the program's own data directories are used.
  const std::string padrao = plataforma::DiretorioDeDados();
  dirLetras_ = Diretorio(plataforma::LerPerfil("TALVEN.INI", "TRADUTOR", "dirLetras", padrao + "/letras",
                                               kMaxDiretorio + 1));
  if (dirLetras_.empty()) return false;
  dirDifones_ = Diretorio(plataforma::LerPerfil("TALVEN.INI", "TRADUTOR", "DIRDIFONES", padrao + "/difones",
                                                kMaxDiretorio + 1));
  if (dirDifones_.empty()) return false;

  std::FILE* f = plataforma::AbrirArquivo(dirDifones_ + base_ + ".IND", "rb");
  if (!f) return false;
  std::vector<uint8_t> dados;
  try {
    dados = LerTudo(f);
  } catch (...) {
    std::fclose(f);
    throw;
  }
  std::fclose(f);
  // A remainder shorter than a record is ignored.
  indice_.resize(dados.size() / kTamanhoRegistro);
  for (size_t i = 0; i < indice_.size(); ++i) {
    const uint8_t* p = dados.data() + i * kTamanhoRegistro;
    Registro& r = indice_[i];
    r.tamanhoNome = std::min<uint8_t>(p[0], 8);
    std::memcpy(r.nome, p + 1, 8);
    r.tamanho = static_cast<uint16_t>(p[9] | p[10] << 8);
    r.deslocamento = Ler32(p + 11);
  }

  amostras_ = plataforma::AbrirArquivo(dirDifones_ + base_ + ".DIF", "rb");
  return amostras_ != nullptr;
}

void Difone::LiberarBanco() {
  if (amostras_) std::fclose(amostras_);
  amostras_ = nullptr;
  indice_.clear();
  indice_.shrink_to_fit();
}

// Names are compared byte by byte over their common length, a prefix first.
// On an index that is not sorted the search may miss; it never reads outside.
const Difone::Registro* Difone::Buscar(std::string_view nome) const {
  size_t baixo = 0, alto = indice_.size();
  while (baixo < alto) {
    size_t meio = baixo + (alto - baixo) / 2;
    int c = indice_[meio].Nome().compare(nome);
    if (c == 0) return &indice_[meio];
    if (c < 0) baixo = meio + 1;
    else alto = meio;
  }
  return nullptr;
}

void Difone::DifSpeak(std::string_view s, bool pontuacaoComoLetras) {
  if (!Aberto()) return;
  preenchido_ = kCabecalho;
  inteira_ = false;
  anexados_ = 0;
  std::string grupo;
  size_t pos = 0;
  while (pos < s.size()) {
    pos = ProximoGrupo(s, pos, pontuacaoComoLetras, grupo);
    FalarGrupo(grupo, 1.0);
    // A word ended by "]" or "/" is followed by a pause unless the string
    // ends there; groups ended by a space run on.
    if (pos < s.size() && s[pos - 1] != ' ') AnexarSilencio(wordPause_);
  }
  Descarregar();
}

size_t Difone::ProximoGrupo(std::string_view s, size_t pos, bool pontuacaoComoLetras,
                            std::string& grupo) {
  grupo.clear();
  if (s[pos] == '[') {
    inteira_ = false;
    ++pos;
  }
  auto acrescentar = [&](char c) {
    if (grupo.size() < kMaxGrupo) grupo += c;
  };
  while (pos < s.size()) {
    char c = s[pos];
    if (c == ' ' || c == ']') break;
    if (c == '/') {
      if (grupo.size() > 8) break;
      ++pos;
    } else if (c == '_') {
      // "_" names the character after it, whatever that is.
      acrescentar(c);
      if (++pos < s.size()) acrescentar(s[pos++]);
    } else {
      acrescentar(c);
      ++pos;
    }
  }
  if (pos < s.size()) ++pos;  // over the space, "]" or "/" that ended the group

  if (!pontuacaoComoLetras && grupo.size() == 2 && grupo[0] == '_') {
    int pausa = 0;
    switch (grupo[1]) {
      case ',': pausa = kPausaVirgula; break;
      case '.': pausa = kPausaPonto; break;
      case ';': pausa = kPausaPontoEVirgula; break;
      case ':': pausa = kPausaDoisPontos; break;
      default: break;
    }
    if (pausa) {
      grupo.clear();
      AnexarSilencio(pausa);
    }
  }
  return pos;
}

// Splits a group into chunks: leading consonant clusters, a final "rr", a
// final consonant, a final diphthong and a final "s" are spoken apart, the
// earlier part shortened by the factor given.
void Difone::FalarGrupo(std::string_view g, double fator) {
  const size_t L = g.size();
  if (L == 0) return;
  if (L == 1) return FalarPedaco(g, fator);
  auto c = [&](size_t i) { return static_cast<unsigned char>(g[i - 1]); };  // 1-based
  if (L >= 3) {
    bool grupoFixo = g.starts_with("dj") || g.starts_with("nh") || g.starts_with("rr") ||
                     g.starts_with("ks") || g.starts_with("tch");
    if (EhConsoanteFonetica(c(1)) && EhConsoanteFonetica(c(2)) && !grupoFixo) {
      FalarPedaco(g.substr(0, 1), 1.0);
      return FalarGrupo(g.substr(1), fator);
    }
    if (Termina(g, "rr")) {
      FalarGrupo(g.substr(0, L - 2), fator);
      return FalarPedaco("rr", fator);
    }
    if (EhConsoanteFonetica(c(L))) {
      FalarGrupo(g.substr(0, L - 1), fator);
      return FalarGrupo(g.substr(L - 1), fator);
    }
  }
  if (EhSemivogal(c(L))) {
    if (EhVogalFonetica(c(L - 1)) && L > 2) {
      FalarGrupo(g.substr(0, L - 1), 0.6);
      return FalarPedaco(g.substr(L - 2), fator);
    }
    if (EhMarcaVocalica(c(L - 1)) && L >= 3) {
      if (L > 3) {
        if (c(L - 1) == '^') FalarGrupo(g.substr(0, L - 1), 0.6);
        else FalarGrupo(std::string(g.substr(0, L - 2)) + '^', 0.6);
      }
      // vowel, semivowel, mark: "a~w" is the unit "$awTIL"
      const char ditongo[3] = {g[L - 3], g[L - 1], g[L - 2]};
      return FalarPedaco(std::string_view(ditongo, 3), fator);
    }
    // A mark followed by a semivowel alone is spoken as it stands.
  }
  if (g != "_s" && c(L) == 's') {
    FalarGrupo(g.substr(0, L - 1), 0.7);
    return FalarPedaco("s", fator);
  }
  FalarPedaco(g, fator);
}

// Turns a chunk into units: "_x" names the recording of x; otherwise the
// characters run into one unit, ended early by a vowel mark. A stressed vowel
// keeps the chunk's units at full length.
void Difone::FalarPedaco(std::string_view c, double fator) {
  c = c.substr(0, kMaxUnidade);
  if (c.empty()) return;
  if (c[0] == '_') {
    // A "_" at the very end of the string names nothing.
    if (c.size() >= 2)
      FalarUnidade("_" + std::to_string(static_cast<unsigned char>(c[1])), inteira_, fator, 0);
    return;
  }
  bool ligou = false;
  std::string u = "$";
  for (char ch : c) {
    unsigned char b = static_cast<unsigned char>(ch);
    if (b == '^' || b == '~') {
      FalarUnidade(u + (b == '^' ? "CIRC" : "TIL"), inteira_, fator, 0);
      u = "$";
      continue;
    }
    if (EhTonica(b)) {
      inteira_ = true;
      ligou = true;
    }
    if (u.size() < kMaxUnidade) u += ch;
  }
  if (u.size() > 1) FalarUnidade(u, inteira_, fator, 0);
  if (ligou) inteira_ = false;
}

// Appends a unit, or when it is missing, the pieces it is made of: its last
// vowel apart, its closed vowel apart, or a nasal vowel as the closed vowel
// and "$nn".
void Difone::FalarUnidade(std::string_view u, bool inteira, double fator, int nivel) {
  u = u.substr(0, kMaxUnidade);
  if (u.empty()) return;
  if (u[0] == '_' ? AnexarLetra(u, nivel) : AnexarDoBanco(u, inteira, fator, nivel)) return;

  const size_t antes = anexados_;
  const size_t L = u.size();
  if (L <= 2) {
    AnexarRuido(nivel + 1);
  } else if (EhVogalFonetica(static_cast<unsigned char>(u[L - 1]))) {
    FalarUnidade(u.substr(0, L - 1), inteira, fator * 0.9, nivel + 1);
    FalarUnidade("$" + std::string(1, u[L - 1]), inteira, fator, nivel + 1);
  } else if (Termina(u, "CIRC") && L >= 7) {
    FalarUnidade(u.substr(0, L - 5), inteira, fator * 0.9, nivel + 1);
    FalarUnidade("$" + std::string(u.substr(L - 5)), inteira, fator, nivel + 1);
  } else if (Termina(u, "TIL")) {
    std::string_view v = u.substr(0, L - 3);
    unsigned char fim = v.empty() ? 0 : static_cast<unsigned char>(v.back());
    if (fim == 'i' || fim == 'u' || fim == 'I' || fim == 'U')
      FalarUnidade(v, inteira, fator * 0.9, nivel + 1);
    else
      FalarUnidade(std::string(v) + "CIRC", true, fator * 0.9, nivel + 1);
    FalarUnidade("$nn", false, 0.9, nivel + 1);
  }

  Peca p;
  p.tipo = Peca::Tipo::Falta;
  p.nome = u[0] == '_' ? std::string(u) : Maiusculas(u);
  p.fator = fator;
  p.inteira = inteira;
  p.substituida = anexados_ > antes;
  p.nivel = nivel;
  Avisar(p);
}

bool Difone::AnexarDoBanco(std::string_view u, bool inteira, double fator, int nivel) {
  const std::string nome = Maiusculas(u);
  const Registro* r = Buscar(nome);
  if (!r) return false;

  long n = r->tamanho;
  if (!inteira && u.size() > 2) {
    if (n - diphoneCut_ >= diphoneMinimum_) n -= diphoneCut_;
    else n = std::min<long>(n, diphoneMinimum_);
  }
  n = static_cast<long>(static_cast<double>(n) * fator);
  // A negative cut never reaches into the next unit, and a unit longer than
  // the image is cut to fit it.
  n = std::clamp<long>(n, 0, std::min<long>(r->tamanho, kMaxAmostras));

  size_t lidos = 0;
  if (n > 0) {
    FazerEspaco(static_cast<size_t>(n));
    // Past the end of the sample file there is nothing to read: the unit
    // gives what exists.
    if (fseeko(amostras_, static_cast<off_t>(r->deslocamento), SEEK_SET) == 0)
      lidos = std::fread(imagem_.data() + preenchido_, 1, static_cast<size_t>(n), amostras_);
    std::clearerr(amostras_);
    preenchido_ += lidos;
    anexados_ += lidos;
  }
  Peca p;
  p.tipo = Peca::Tipo::Unidade;
  p.nome = nome;
  p.bytes = lidos;
  p.fator = fator;
  p.inteira = inteira;
  p.nivel = nivel;
  Avisar(p);
  return true;
}

bool Difone::AnexarLetra(std::string_view u, int nivel) {
  std::FILE* f = plataforma::AbrirArquivo(dirLetras_ + std::string(u) + ".wav", "rb");
  if (!f) return false;
  std::optional<uint32_t> dados = plataforma::AcharDadosWav(f);
  // Only the low 16 bits of the size count; more than the image holds is cut.
  size_t n = dados ? std::min<size_t>(*dados & 0xFFFF, kMaxAmostras) : 0;
  if (n == 0) {
    std::fclose(f);
    return false;
  }
  FazerEspaco(n);
  size_t lidos = std::fread(imagem_.data() + preenchido_, 1, n, f);
  std::fclose(f);
  preenchido_ += lidos;
  anexados_ += lidos;
  Peca p;
  p.tipo = Peca::Tipo::Letra;
  p.nome = std::string(u);
  p.bytes = lidos;
  p.nivel = nivel;
  Avisar(p);
  return true;
}

void Difone::AnexarSilencio(int amostras) {
  if (amostras < static_cast<int>(kBlocoSilencio)) return;  // a remainder under 100 is dropped
  size_t blocos = static_cast<size_t>(amostras) / kBlocoSilencio;
  for (size_t i = 0; i < blocos; ++i) {
    FazerEspaco(kBlocoSilencio);
    std::memset(imagem_.data() + preenchido_, kSilencio, kBlocoSilencio);
    preenchido_ += kBlocoSilencio;
  }
  anexados_ += blocos * kBlocoSilencio;
  Peca p;
  p.tipo = Peca::Tipo::Silencio;
  p.bytes = blocos * kBlocoSilencio;
  Avisar(p);
}

void Difone::AnexarRuido(int nivel) {
  FazerEspaco(kRuido);
  std::uniform_int_distribution<int> d(0, 79);
  for (size_t i = 0; i < kRuido; ++i) imagem_[preenchido_ + i] = static_cast<uint8_t>(88 + d(ruido_));
  preenchido_ += kRuido;
  anexados_ += kRuido;
  Peca p;
  p.tipo = Peca::Tipo::Ruido;
  p.bytes = kRuido;
  p.nivel = nivel;
  Avisar(p);
}

// Plays what the image holds when n more bytes would not fit, and waits for
// it to end before the image is filled again.
void Difone::FazerEspaco(size_t n) {
  if (preenchido_ + n < kTamanhoImagem) return;
  Descarregar();
  while (reprodutor_.IsSpeaking()) reprodutor_.WaitMessage();
}

void Difone::Descarregar() {
  if (preenchido_ == kCabecalho) return;
  wave::WavBuildHeader(imagem_.data(), static_cast<int32_t>(preenchido_ - kCabecalho), kTaxa, 8, 1);
  reprodutor_.PlayImageAndWait(imagem_.data(), preenchido_);
  preenchido_ = kCabecalho;
}

}  // namespace diphone
