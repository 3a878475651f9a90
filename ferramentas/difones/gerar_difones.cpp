// Build-time generator of the diphone voice's unit database (NAME.IND and
// NAME.DIF).
//
// Which units exist is not written down anywhere: it follows from the
// letter-to-sound rules and from the way the synthesizer cuts a phonetic
// string into groups, chunks and units. So the set is found by running the
// real thing: every word of the corpus goes through RegrasLts::LtsTranslate
// and then through Difone::DifSpeak against a stand-in database, and the
// observer records every unit name asked for. The stand-in starts empty, so
// every unit asked for straight from a phonetic string is reported; then it
// holds those names (as units of no samples) and the corpus is spoken again,
// until nothing is missing at any level. Names longer than an index record
// can hold stay missing; the synthesizer's own replacement pieces for them
// are collected the same way. Every consonant onset with every vowel is added on top, so that
// words outside the corpus find their units too.
//
// Each unit is then spoken by espeak-ng's Brazilian Portuguese voice from
// phoneme input and cut at the phoneme boundaries that espeak-ng reports.
//
//   gerar_difones DIR_SAIDA REGRAS EXCECOES [LISTA...]
//       writes DIR_SAIDA/DIFBR.IND and DIR_SAIDA/DIFBR.DIF; a LISTA is a word
//       list, one word per line, UTF-8 or Windows-1252 (a "$" ends a word,
//       as in the game's word list)
//   gerar_difones --listar REGRAS EXCECOES [LISTA...]
//       prints every unit with the espeak-ng phonemes it is spoken from and
//       the first word that needs it
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "espeak_br.h"
#include "plataforma/texto1252.h"
#include "tradutor/diphone/difone.h"
#include "tradutor/diphone/lts.h"
#include "tradutor/diphone/numeros.h"
#include "tradutor/engine/caracteres.h"

namespace {

namespace fs = std::filesystem;
using espeak_br::kTaxa;

constexpr const char* kBase = "DIFBR";
constexpr size_t kMaxNome = 8;        // name bytes in an index record
constexpr size_t kRegistro = 15;      // bytes of an index record
constexpr size_t kMaxUnidade = 65535; // the record's 16-bit length

// The cut the synthesizer applies by default to every unit of 3 or more
// characters that is not stressed. Units end so that this cut falls on a
// rising zero crossing, and keep enough vowel after it.
constexpr size_t kCortePadrao = 400;
constexpr size_t kVogalMinima = kTaxa * 50 / 1000;  // vowel left after the cut

// One voice for every unit: the same pitch, no intonation and the same rate,
// so that units from different utterances join evenly.
constexpr int kPalavrasPorMinuto = 165;
constexpr int kAltura = 45;
// The units are cut at the phoneme boundaries, so the voice reports where
// each phoneme begins.
const espeak_br::Ajustes kVoz = {.variante = "difones",
                                 .palavrasPorMinuto = kPalavrasPorMinuto,
                                 .altura = kAltura,
                                 .entonacao = 0,
                                 .eventosDeFonema = true};

// Every unit is scaled so that its reference vowel has this RMS (full scale
// 1.0): the vowels of all units then sound equally loud, and consonants keep
// their natural level against the vowel they were spoken with.
constexpr double kNivelVogal = 0.15;
constexpr double kPicoMaximo = 0.98;
// A voiceless stop needs a closure before its burst to be heard as a stop.
// espeak-ng puts that closure at the end of the sound before it, which a
// unit never has, so stop-initial units get it as leading silence.
constexpr size_t kFechamento = kTaxa * 35 / 1000;
constexpr size_t kSubida = kTaxa * 2 / 1000;   // fade-in
constexpr size_t kDescida = kTaxa * 5 / 1000;  // fade-out to the 128 level
// Below this (full scale 1.0) the tail of a unit counts as silence.
constexpr double kLimiarSilencio = 0.01;

// ---------------------------------------------------------------------------
// From unit names to our phonemes and to espeak-ng phonemes.

// Our phoneme symbols, as the rules write them (lower case; stress is not
// part of a unit name).
bool EhVogal(std::string_view s) { return !s.empty() && std::strchr("aeiou", s[0]); }
bool EhSemivogal(std::string_view s) { return s == "w" || s == "y"; }

// A unit name ("$KA", "$TCHIA", "$KACIRC", "$AWTIL", "$S") as our phonemes
// ("k a", "tch i a", "k a^", "a~ w", "s"). A closing mark belongs to the last
// full vowel: in "$EYCIRC" the diphthong is e^ y. Throws on a name that no
// phoneme reading explains.
std::vector<std::string> Sons(std::string_view nome) {
  if (nome.size() < 2 || nome[0] != '$') throw std::runtime_error("unidade sem $: " + std::string(nome));
  std::string_view corpo = nome.substr(1);
  char marca = 0;
  if (corpo.size() > 4 && corpo.ends_with("CIRC")) {
    marca = '^';
    corpo.remove_suffix(4);
  } else if (corpo.size() > 3 && corpo.ends_with("TIL")) {
    marca = '~';
    corpo.remove_suffix(3);
  }
  std::string s;
  for (char c : corpo) {
    if (c < 'A' || c > 'Z') throw std::runtime_error("unidade com caractere estranho: " + std::string(nome));
    s += static_cast<char>(c - 'A' + 'a');
  }
  if (s == "nn") return {"nn"};  // the nasal murmur of a missing nasal vowel
  static constexpr std::string_view kDigrafos[] = {"tch", "dj", "nh", "lh", "rr"};
  std::vector<std::string> sons;
  for (size_t i = 0; i < s.size();) {
    size_t n = 1;
    for (std::string_view d : kDigrafos) {
      if (std::string_view(s).substr(i).starts_with(d)) {
        n = d.size();
        break;
      }
    }
    std::string som = s.substr(i, n);
    if (n == 1 && !std::strchr("aeiouwypbtdkgfvmnlszxjr", som[0]))
      throw std::runtime_error("unidade com fonema desconhecido: " + std::string(nome));
    sons.push_back(som);
    i += n;
  }
  if (marca) {
    auto v = std::find_if(sons.rbegin(), sons.rend(), [](const std::string& x) { return EhVogal(x); });
    if (v == sons.rend()) throw std::runtime_error("marca sem vogal: " + std::string(nome));
    *v += marca;
  }
  return sons;
}

// Our symbols and the espeak-ng phonemes of its Brazilian Portuguese voice
// that say them. Open e and o are E and O; the closed ones e and o; the a
// before a nasal consonant is the raised &.
struct Equivalencia {
  std::string_view nosso;
  std::string_view espeak;
};
constexpr Equivalencia kConsoantes[] = {
    {"p", "p"},   {"b", "b"},   {"t", "t"},  {"d", "d"},  {"k", "k"},   {"g", "g"},
    {"f", "f"},   {"v", "v"},   {"m", "m"},  {"n", "n"},  {"l", "l"},   {"s", "s"},
    {"z", "z"},   {"x", "S"},   {"j", "Z"},  {"nh", "n^"}, {"lh", "l^"}, {"r", "*"},
    {"rr", "x"},  {"tch", "tS"}, {"dj", "dZ"},
};
constexpr Equivalencia kVogais[] = {
    {"a", "a"},   {"e", "E"},   {"i", "i"},   {"o", "O"},   {"u", "u"},
    {"a^", "&"},  {"e^", "e"},  {"o^", "o"},
    // i and u have no open and closed forms; the synthesizer still asks for
    // the closed vowel before a nasal diphthong ("mu~y" gives "$MUCIRC").
    {"i^", "i"},  {"u^", "u"},
    {"a~", "&~"}, {"e~", "e~"}, {"i~", "i~"}, {"o~", "o~"}, {"u~", "u~"},
};
// Falling diphthongs that espeak-ng has as one phoneme, or says its own way;
// the others are the vowel followed by the glide.
struct Ditongo {
  std::string_view vogal, semivogal;
  std::vector<std::string_view> espeak;
};
const Ditongo kDitongos[] = {
    {"a", "y", {"aI"}},  {"a", "w", {"aU"}},  {"e", "y", {"EI"}},  {"e^", "y", {"eI"}},
    {"e", "w", {"EU"}},  {"e^", "w", {"eU"}}, {"i", "w", {"iU"}},  {"o", "y", {"OI"}},
    {"o^", "y", {"oI"}}, {"u", "y", {"uI"}},
    {"a~", "w", {"&U~"}}, {"a~", "y", {"&~", "y"}}, {"e~", "y", {"eI", "N"}},
    {"o~", "y", {"o~", "j"}}, {"u~", "y", {"u~", "j"}},
};

std::string_view Procurar(const auto& tabela, std::string_view nosso) {
  for (const Equivalencia& e : tabela)
    if (e.nosso == nosso) return e.espeak;
  return {};
}

// What espeak-ng is asked to say for one unit, and which stretch of it is the
// unit.
struct Pedido {
  std::vector<std::string> fonemas;  // espeak-ng phoneme names, in order
  size_t primeiro = 0;               // the unit's first phoneme
  size_t ultimo = 0;                 // past its last one; fonemas.size(): the end of the word
  size_t referencia = 0;             // the vowel whose level sets the gain
  bool fechamento = false;           // begins with a voiceless stop
  bool soConsoantes = false;         // no vowel: an onset or a coda alone
  bool terminaEmConsoante = false;   // a coda after the vowel ("$AR")
};

bool EhOclusivaSurda(std::string_view som) {
  return som == "p" || som == "t" || som == "k" || som == "tch";
}

Pedido Pedir(const std::string& nome) {
  const std::vector<std::string> sons = Sons(nome);
  Pedido p;
  if (sons.size() == 1 && sons[0] == "nn") {
    // The nasal murmur: the velar nasal of espeak-ng, between carrier vowels.
    p.fonemas = {"&", "N", "a"};
    p.primeiro = 1;
    p.ultimo = 2;
    p.referencia = 0;
    p.soConsoantes = true;
    return p;
  }
  const bool temVogal = std::any_of(sons.begin(), sons.end(), [](const std::string& s) {
    return EhVogal(s) || EhSemivogal(s);
  });
  if (!temVogal) {
    // Consonants alone: the onset of a cluster or a coda, heard between
    // other units. They are spoken between carrier vowels, the first of
    // which gives their level; at the end of a word espeak-ng shortens or
    // drops some of them. A lone r is a coda, so it is espeak-ng's coda r,
    // not the tap.
    p.fonemas = {"a"};
    p.primeiro = 1;
    for (const std::string& s : sons) {
      std::string_view e = (sons.size() == 1 && s == "r") ? "r" : Procurar(kConsoantes, s);
      if (e.empty()) throw std::runtime_error("sem fonema do espeak-ng para " + s + " em " + nome);
      p.fonemas.emplace_back(e);
    }
    p.ultimo = p.fonemas.size();
    p.fonemas.emplace_back("a");
    p.fechamento = EhOclusivaSurda(sons[0]);
    p.soConsoantes = true;
    return p;
  }
  p.fechamento = EhOclusivaSurda(sons[0]);
  std::optional<size_t> ultimaVogal;
  for (size_t i = 0; i < sons.size(); ++i) {
    const std::string& s = sons[i];
    if (EhVogal(s)) {
      if (i + 1 < sons.size() && EhSemivogal(sons[i + 1])) {
        const Ditongo* d = nullptr;
        for (const Ditongo& x : kDitongos)
          if (x.vogal == s && x.semivogal == sons[i + 1]) d = &x;
        if (d) {
          ultimaVogal = p.fonemas.size();
          for (std::string_view e : d->espeak) p.fonemas.emplace_back(e);
          ++i;
          continue;
        }
      }
      ultimaVogal = p.fonemas.size();
      std::string_view e = Procurar(kVogais, s);
      if (e.empty()) throw std::runtime_error("sem fonema do espeak-ng para " + s + " em " + nome);
      p.fonemas.emplace_back(e);
    } else if (EhSemivogal(s)) {
      // A glide before a vowel (kwa) or after one that has no diphthong.
      p.fonemas.emplace_back(s == "w" ? "w" : "j");
    } else {
      // An r after the vowel with no vowel after it is a coda ("$ER" of
      // "erva"): espeak-ng's coda r, not the tap.
      const bool coda = s == "r" && i + 1 == sons.size() && ultimaVogal;
      std::string_view e = coda ? "r" : Procurar(kConsoantes, s);
      if (e.empty()) throw std::runtime_error("sem fonema do espeak-ng para " + s + " em " + nome);
      p.fonemas.emplace_back(e);
    }
  }
  p.terminaEmConsoante = !EhVogal(sons.back()) && !EhSemivogal(sons.back());
  // A unit of a glide alone (the "$W" of a missing "$KW") is measured
  // against itself.
  p.referencia = ultimaVogal.value_or(p.fonemas.size() - 1);
  p.ultimo = p.fonemas.size();
  return p;
}

// ---------------------------------------------------------------------------
// Speaking the units.

std::string Juntar(const std::vector<std::string>& v) {
  std::string r;
  for (const std::string& s : v) r += (r.empty() ? "" : " ") + s;
  return r;
}

// Speaks one unit and turns it into unsigned 8-bit samples at 11025 Hz.
// *limitada tells whether the unit had to be made softer than the common
// level to keep it from clipping.
std::vector<uint8_t> Sintetizar(espeak_br::Voz& voz, const std::string& nome, bool* limitada = nullptr) {
  const Pedido pedido = Pedir(nome);
  std::string fonemas = "[[";
  for (const std::string& f : pedido.fonemas) fonemas += f;
  fonemas += "]]";
  const espeak_br::Fala fala = voz.Falar(fonemas);

  // espeak-ng names every phoneme it says. It adds a transition (";")
  // between the vowels of a hiatus, which belongs to the vowel before it;
  // anything else that differs from what was asked (a misspelt name makes it
  // drop the rest of the word) is an error. Pauses ("_", "_:") end the word.
  std::vector<espeak_br::Evento> sons;
  std::optional<size_t> fim;
  for (const espeak_br::Evento& e : fala.eventos) {
    if (e.nome.starts_with("_")) {
      if (!sons.empty() && !fim) fim = e.amostra;
      continue;
    }
    if (fim) break;
    if (e.nome == ";" && std::find(pedido.fonemas.begin(), pedido.fonemas.end(), ";") == pedido.fonemas.end())
      continue;
    sons.push_back(e);
  }
  std::vector<std::string> ditos;
  for (const espeak_br::Evento& e : sons) ditos.push_back(e.nome);
  if (ditos != pedido.fonemas)
    throw std::runtime_error("espeak-ng disse [" + Juntar(ditos) + "] em vez de [" + Juntar(pedido.fonemas) +
                             "] para " + nome);
  if (!fim) fim = fala.amostras.size();

  const std::vector<float> x = espeak_br::Reamostrar(fala.amostras, voz.Taxa());
  auto emTaxa = [&](size_t amostra) {
    return std::min(x.size(), static_cast<size_t>(static_cast<uint64_t>(amostra) * kTaxa / voz.Taxa()));
  };
  const size_t inicio = emTaxa(sons[pedido.primeiro].amostra);
  size_t termino = emTaxa(pedido.ultimo < sons.size() ? sons[pedido.ultimo].amostra : *fim);
  const size_t inicioReferencia = emTaxa(sons[pedido.referencia].amostra);
  const size_t fimReferencia =
      pedido.referencia + 1 < sons.size() ? emTaxa(sons[pedido.referencia + 1].amostra) : termino;
  if (inicio >= termino || inicioReferencia >= fimReferencia)
    throw std::runtime_error("espeak-ng deu um trecho vazio para " + nome);

  double soma = 0;
  for (size_t i = inicioReferencia; i < fimReferencia; ++i) soma += double(x[i]) * x[i];
  const double rms = std::sqrt(soma / double(fimReferencia - inicioReferencia));
  if (rms < 1e-4) throw std::runtime_error("vogal muda em " + nome);
  const double ganho = kNivelVogal / rms;

  // The end: the vowel's own fade after espeak-ng's last phoneme is dropped
  // once it is inaudible.
  while (termino > inicio + 1 && std::fabs(x[termino - 1] * ganho) < kLimiarSilencio) --termino;

  // Units that the synthesizer cuts end where the default cut falls on a
  // rising zero crossing, so the usual join has no step; the search goes
  // back at most one pitch period.
  const bool cortada = nome.size() > 2;
  const bool semCauda = pedido.soConsoantes || pedido.terminaEmConsoante;
  if (cortada && !semCauda && termino - inicio > kCortePadrao + kVogalMinima) {
    const size_t periodo = kTaxa / 60;
    for (size_t fimTentado = termino; fimTentado + periodo > termino && fimTentado > inicio + kCortePadrao + 1;
         --fimTentado) {
      const size_t corte = fimTentado - kCortePadrao;
      if (x[corte - 1] < 0 && x[corte] >= 0) {
        termino = fimTentado;
        break;
      }
    }
  }

  // A vowel with a sharper waveform than most would clip at the common
  // level; that unit alone comes out a little softer.
  double pico = 0;
  for (size_t i = inicio; i < termino; ++i) pico = std::max(pico, std::fabs(double(x[i])));
  double ganhoFinal = ganho;
  if (pico * ganho > kPicoMaximo) {
    ganhoFinal = kPicoMaximo / pico;
    if (limitada) *limitada = true;
  }

  std::vector<float> y;
  if (pedido.fechamento) y.assign(kFechamento, 0.0f);
  const size_t comeco = y.size();
  for (size_t i = inicio; i < termino; ++i) y.push_back(static_cast<float>(x[i] * ganhoFinal));
  for (size_t i = 0; i < kSubida && comeco + i < y.size(); ++i)
    y[comeco + i] *= static_cast<float>(i) / kSubida;
  for (size_t i = 0; i < kDescida && i < y.size(); ++i)
    y[y.size() - 1 - i] *= static_cast<float>(i) / kDescida;

  // A unit that ends in a consonant has no vowel tail for the
  // synthesizer's cut to shorten; a silent tail as long as the default cut
  // takes its place, so that the cut leaves the whole consonant.
  if (cortada && semCauda) y.insert(y.end(), kCortePadrao, 0.0f);

  std::vector<uint8_t> bytes(y.size());
  for (size_t i = 0; i < y.size(); ++i) bytes[i] = espeak_br::OitoBits(y[i]);
  if (bytes.size() > kMaxUnidade)
    throw std::runtime_error(nome + " tem " + std::to_string(bytes.size()) + " bytes, mais que um registro guarda");
  if (cortada && !semCauda && bytes.size() < kCortePadrao + kVogalMinima)
    throw std::runtime_error(nome + " ficou curta demais para o corte: " + std::to_string(bytes.size()));
  return bytes;
}

// ---------------------------------------------------------------------------
// The corpus and the set of units.

std::string LerArquivo(const fs::path& caminho) {
  std::ifstream f(caminho, std::ios::binary);
  if (!f) throw std::runtime_error("nao abri " + caminho.string());
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// The words of a list, in Windows-1252 like all text inside the program.
std::vector<std::string> LerLista(const fs::path& caminho) {
  std::vector<std::string> palavras;
  const std::string texto = LerArquivo(caminho);
  size_t p = 0;
  while (p < texto.size()) {
    size_t q = texto.find('\n', p);
    if (q == std::string::npos) q = texto.size();
    std::string linha = texto.substr(p, q - p);
    p = q + 1;
    linha = linha.substr(0, linha.find('$'));
    while (!linha.empty() && (linha.back() == '\r' || linha.back() == ' ')) linha.pop_back();
    if (!linha.empty()) palavras.push_back(plataforma::Utf8Para1252(linha));
  }
  return palavras;
}

// Texts the diphone voice may be given besides the word lists: the names of
// the characters and the numbers in words.
std::vector<std::string> TextosDoPrograma() {
  std::vector<std::string> textos;
  for (int c = 0; c < 256; ++c) {
    std::string_view nome = engine::NomeDoCaractere(static_cast<unsigned char>(c));
    if (!nome.empty()) textos.emplace_back(nome);
  }
  for (uint64_t n = 0; n <= 2000; ++n) textos.push_back(diphone::Numeros::NumToWords(n));
  for (uint64_t p = 1000; p <= 100'000'000'000'000ULL; p *= 10) {
    textos.push_back(diphone::Numeros::NumToWords(p));
    textos.push_back(diphone::Numeros::NumToWords(2 * p + 1));
  }
  return textos;
}

// Every consonant that begins a syllable with every vowel the rules write,
// each vowel alone, each consonant alone, and the falling diphthongs, as
// unit names. Names too long for an index record are left out: the
// synthesizer speaks those from their pieces.
std::set<std::string> UnidadesCombinadas() {
  static constexpr std::string_view kAtaques[] = {
      "p", "b", "t", "d", "k", "g", "f", "v", "m", "n", "l", "s", "z", "x", "j",
      "nh", "lh", "r", "rr", "tch", "dj", "ks", "kw", "gw"};
  struct Vogal {
    std::string_view letra, sufixo;
  };
  static constexpr Vogal kVogaisNomes[] = {
      {"a", ""}, {"e", ""}, {"i", ""}, {"o", ""}, {"u", ""},
      {"a", "CIRC"}, {"e", "CIRC"}, {"o", "CIRC"},
      {"a", "TIL"}, {"e", "TIL"}, {"i", "TIL"}, {"o", "TIL"}, {"u", "TIL"}};
  auto nome = [](std::string_view fonemas, std::string_view sufixo) {
    std::string n = "$";
    for (char c : fonemas) n += static_cast<char>(c - 'a' + 'A');
    return n + std::string(sufixo);
  };
  std::set<std::string> r;
  auto acrescentar = [&](const std::string& n) {
    if (n.size() <= kMaxNome) r.insert(n);
  };
  for (const Vogal& v : kVogaisNomes) {
    acrescentar(nome(v.letra, v.sufixo));
    for (std::string_view a : kAtaques) acrescentar(nome(std::string(a) + std::string(v.letra), v.sufixo));
    for (std::string_view s : {"w", "y"}) {
      if ((v.letra == "i" && s == "y") || (v.letra == "u" && s == "w")) continue;
      acrescentar(nome(std::string(v.letra) + std::string(s), v.sufixo));
    }
  }
  for (std::string_view a : kAtaques)
    if (a != "kw" && a != "gw") acrescentar(nome(a, ""));
  // The last pieces a missing unit can be broken into: a glide alone, and
  // the nasal murmur that follows a nasal vowel spoken as a closed one.
  acrescentar("$W");
  acrescentar("$Y");
  acrescentar("$NN");
  return r;
}

// What the synthesizer needs of the front end: nothing is played.
class Mudo : public diphone::Reprodutor {
 public:
  void PlayImageAndWait(const uint8_t*, size_t) override {}
  bool IsSpeaking() override { return false; }
  void WaitMessage() override {}
};

void GravarIndice(const fs::path& ind, const fs::path& dif, const std::map<std::string, std::vector<uint8_t>>& unidades) {
  std::string indice, amostras;
  for (const auto& [nome, bytes] : unidades) {
    if (nome.size() > kMaxNome || bytes.size() > kMaxUnidade)
      throw std::runtime_error("unidade que o indice nao guarda: " + nome);
    char registro[kRegistro] = {};
    registro[0] = static_cast<char>(nome.size());
    std::memcpy(registro + 1, nome.data(), nome.size());
    const auto n = static_cast<uint16_t>(bytes.size());
    const auto d = static_cast<uint32_t>(amostras.size());
    registro[9] = static_cast<char>(n & 0xFF);
    registro[10] = static_cast<char>(n >> 8);
    for (int i = 0; i < 4; ++i) registro[11 + i] = static_cast<char>((d >> (8 * i)) & 0xFF);
    indice.append(registro, kRegistro);
    amostras.append(bytes.begin(), bytes.end());
  }
  // Written aside and renamed, so that a failed run leaves no half database
  // that the build would take for finished.
  for (const auto& [caminho, conteudo] : {std::pair{dif, &amostras}, std::pair{ind, &indice}}) {
    fs::path temporario = caminho;
    temporario += ".tmp";
    {
      std::ofstream f(temporario, std::ios::binary | std::ios::trunc);
      f.write(conteudo->data(), static_cast<std::streamsize>(conteudo->size()));
      if (!f) throw std::runtime_error("nao gravei " + temporario.string());
    }
    fs::rename(temporario, caminho);
  }
}

// Runs the corpus through the real synthesizer against a stand-in database
// and collects the units it asks for.
class Coleta {
 public:
  Coleta(const fs::path& regras, const fs::path& excecoes) {
    fs::create_directories(dir_ / "letras");
    fs::create_directories(dir_ / "difones");
    fs::copy_file(regras, dir_ / "difones" / "regras.rgr");
    fs::copy_file(excecoes, dir_ / "difones" / "portug.exc");
    std::ofstream ini(dir_ / "TALVEN.INI");
    ini << "[TRADUTOR]\nDIRLETRAS=" << (dir_ / "letras").string()
        << "\nDIRDIFONES=" << (dir_ / "difones").string() << "\n";
    if (!ini) throw std::runtime_error("nao gravei TALVEN.INI");
    setenv("TALVEN_DIR", dir_.c_str(), 1);
    difone_.DefinirBase("COLETA");
    difone_.observador = [this](const diphone::Peca& p) { Observar(p); };
  }
  ~Coleta() { difone_.DifClose(); }

  // The phonetic strings of all the texts, each with the first text that
  // gave it.
  void Traduzir(const std::vector<std::string>& textos) {
    Abrir({});
    for (const std::string& t : textos) fonetica_.emplace(regras_.LtsTranslate(t), t);
  }

  // The names of every unit a database must hold so that the corpus is
  // spoken without a missing piece, and which text first needed each.
  std::map<std::string, std::string> Unidades(const std::set<std::string>& extras) {
    std::map<std::string, std::string> nomes;
    // With an empty database every unit asked for straight from a phonetic
    // string is reported as missing at level 0.
    Abrir({});
    Falar([&](const diphone::Peca& p, const std::string& texto) {
      if (p.nivel == 0 && p.nome.starts_with("$")) nomes.emplace(p.nome, texto);
    });
    for (const std::string& e : extras) nomes.emplace(e, "");
    // Then the database holds those names, and whatever is still missing, at
    // any level, is what the names too long for a record are replaced by.
    for (;;) {
      std::set<std::string> guardaveis;
      for (const auto& [n, t] : nomes)
        if (n.size() <= kMaxNome) guardaveis.insert(n);
      Abrir(guardaveis);
      size_t novos = 0;
      ruidos_ = 0;
      Falar([&](const diphone::Peca& p, const std::string& texto) {
        if (p.tipo == diphone::Peca::Tipo::Unidade) {
          auto it = nomes.find(p.nome);
          if (it != nomes.end() && it->second.empty()) it->second = texto;
        }
        if (p.tipo == diphone::Peca::Tipo::Falta && p.nome.starts_with("$")) {
          if (p.nome.size() <= kMaxNome) {
            auto [it, novo] = nomes.emplace(p.nome, texto);
            if (it->second.empty()) it->second = texto;  // not only a combination after all
            novos += novo;
          }
          else
            longos_.emplace(p.nome, texto);
        }
      });
      if (novos == 0) break;
    }
    if (ruidos_ != 0) throw std::runtime_error("a coleta terminou com ruido no lugar de unidades");
    for (auto it = nomes.begin(); it != nomes.end();)
      it = it->first.size() > kMaxNome ? nomes.erase(it) : std::next(it);
    return nomes;
  }

  const std::map<std::string, std::string>& Longos() const { return longos_; }
  size_t Cadeias() const { return fonetica_.size(); }

 private:
  void Abrir(const std::set<std::string>& nomes) {
    difone_.DifClose();
    std::map<std::string, std::vector<uint8_t>> vazias;
    for (const std::string& n : nomes) vazias[n];
    GravarIndice(dir_ / "difones" / "COLETA.IND", dir_ / "difones" / "COLETA.DIF", vazias);
    if (difone_.DifOpen() != diphone::Difone::kAberto) throw std::runtime_error("o sintetizador nao abriu");
  }

  void Falar(const std::function<void(const diphone::Peca&, const std::string&)>& f) {
    for (const auto& [fonetica, texto] : fonetica_) {
      atual_ = [&](const diphone::Peca& p) { f(p, texto); };
      difone_.DifSpeak(fonetica, false);
    }
    atual_ = nullptr;
  }

  void Observar(const diphone::Peca& p) {
    if (p.tipo == diphone::Peca::Tipo::Ruido) ++ruidos_;
    if (atual_) atual_(p);
  }

  // Made first and removed last: the synthesizer reads from it.
  espeak_br::DiretorioTemporario temporario_{"/tmp/gerar_difones.XXXXXX"};
  const fs::path& dir_ = temporario_.Caminho();
  diphone::RegrasLts regras_;
  Mudo mudo_;
  diphone::Difone difone_{regras_, mudo_};
  std::map<std::string, std::string> fonetica_;
  std::map<std::string, std::string> longos_;
  std::function<void(const diphone::Peca&)> atual_;
  size_t ruidos_ = 0;
};

std::string ParaTerminal(std::string_view s) {
  std::string r;
  for (unsigned char c : s) r += c < 0x80 ? std::string(1, static_cast<char>(c)) : plataforma::Cp1252ParaUtf8(c);
  return r;
}

int Executar(int argc, char** argv) {
  const bool listar = argc >= 2 && std::string_view(argv[1]) == "--listar";
  const int primeiro = listar ? 2 : 1;
  if (argc - primeiro < (listar ? 2 : 3)) {
    std::fprintf(stderr,
                 "uso: gerar_difones DIR_SAIDA REGRAS EXCECOES [LISTA...]\n"
                 "     gerar_difones --listar REGRAS EXCECOES [LISTA...]\n");
    return 2;
  }
  const auto relogio = std::chrono::steady_clock::now();
  const fs::path saida = listar ? fs::path() : fs::path(argv[primeiro]);
  const int r = listar ? primeiro : primeiro + 1;
  const fs::path regras = argv[r], excecoes = argv[r + 1];

  std::vector<std::string> textos = TextosDoPrograma();
  for (int i = r + 2; i < argc; ++i) {
    std::vector<std::string> lista = LerLista(argv[i]);
    textos.insert(textos.end(), lista.begin(), lista.end());
  }

  std::map<std::string, std::string> nomes;
  std::map<std::string, std::string> longos;
  size_t cadeias = 0;
  {
    Coleta coleta(regras, excecoes);
    coleta.Traduzir(textos);
    nomes = coleta.Unidades(UnidadesCombinadas());
    longos = coleta.Longos();
    cadeias = coleta.Cadeias();
  }

  if (listar) {
    for (const auto& [nome, texto] : nomes)
      std::printf("%s\t%s\t%s\n", nome.c_str(), Juntar(Pedir(nome).fonemas).c_str(), ParaTerminal(texto).c_str());
    for (const auto& [nome, texto] : longos)
      std::printf("%s\t(em pedacos)\t%s\n", nome.c_str(), ParaTerminal(texto).c_str());
    return 0;
  }

  espeak_br::Voz voz(kVoz);
  std::map<std::string, std::vector<uint8_t>> unidades;
  size_t bytes = 0, limitadas = 0;
  for (const auto& [nome, texto] : nomes) {
    try {
      bool limitada = false;
      unidades[nome] = Sintetizar(voz, nome, &limitada);
      limitadas += limitada;
    } catch (const std::exception& e) {
      throw std::runtime_error(std::string(e.what()) + " (pedida por \"" + ParaTerminal(texto) + "\")");
    }
    bytes += unidades[nome].size();
  }
  // The build must give the same bytes every time; a voice that varies
  // (the stock one does, within one process) would break that unnoticed.
  for (const std::string& nome : {nomes.begin()->first, nomes.rbegin()->first})
    if (Sintetizar(voz, nome) != unidades[nome])
      throw std::runtime_error("espeak-ng nao repete a unidade " + nome + ": a voz nao e reproduzivel");
  fs::create_directories(saida);
  GravarIndice(saida / (std::string(kBase) + ".IND"), saida / (std::string(kBase) + ".DIF"), unidades);

  const double segundos =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - relogio).count();
  std::printf("gerar_difones: %zu textos, %zu cadeias foneticas, %zu unidades (%zu bytes), "
              "%zu mais fracas para nao saturar, %zu nomes longos ditos em pedacos, %.1f s\n",
              textos.size(), cadeias, unidades.size(), bytes, limitadas, longos.size(), segundos);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Executar(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "gerar_difones: %s\n", e.what());
    return 1;
  }
}
