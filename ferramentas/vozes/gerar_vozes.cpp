// Build-time generator of the game's recordings: the messages, the names of
// the characters and the number words, spoken by espeak-ng's Brazilian
// Portuguese voice, and three synthesised sound effects. Every file is
// unsigned 8-bit mono PCM at 11025 Hz behind a plain 44-byte header, because
// the number reader skips exactly 44 bytes and plays the rest as samples.
//
//   gerar_vozes DIR_MENSAGENS DIR_LETRAS   writes JG*.wav into the first
//                                          directory, _*.wav into the second
//   gerar_vozes --fonemas [TEXTO...]       prints each text (by default
//                                          every one above) with the
//                                          phonemes espeak-ng speaks for it
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "espeak_br.h"
#include "tradutor/engine/caracteres.h"

namespace {

namespace fs = std::filesystem;
using espeak_br::Degrau;
using espeak_br::kTaxa;
using espeak_br::Voz;

// Every recording peaks at 90% of full scale, so messages, letters and number
// words joined by the player sound equally loud.
constexpr double kPico = 0.9;
// A sample within 2 steps of the centre (128) counts as silence. Speech is
// cut to 10 ms before the first and after the last louder sample.
constexpr int kLimiarSilencio = 2;
constexpr size_t kMargem = kTaxa / 100;
// The number reader joins words into one 30,000-sample buffer, and the
// diphone synthesizer plays a character from a 64,000-byte image that holds
// a 44-byte header.
constexpr size_t kMaxNumero = 30000;
constexpr size_t kMaxCaractere = 63956;

// Speaking speed and voice height: slower than espeak-ng's 175 words a
// minute so that a blind player catches every letter at the first hearing.
constexpr int kPalavrasPorMinuto = 145;
constexpr int kAltura = 55;     // 0..100, espeak-ng's default is 50
constexpr int kEntonacao = 60;  // pitch range 0..100, default 50
const espeak_br::Ajustes kVoz = {
    .variante = "mirtalan", .palavrasPorMinuto = kPalavrasPorMinuto, .altura = kAltura, .entonacao = kEntonacao};

// A recording to make: its file name without ".wav", the UTF-8 text (text
// between [[ and ]] is taken as espeak-ng phonemes), and its size limit.
struct Fala {
  std::string nome;
  std::string texto;
  size_t limite;
};

// The messages, with the accents and punctuation that the ASCII screen texts
// leave out, and file names read aloud the way a player would say them.
const Fala kMensagens[] = {
    {"JGINIC", "Jogo da Mirtalan.", 0},
    {"JGSEMTRD", "Erro no arquivo do tradutor de português.", 0},
    {"JGARNENC", "Não achei o arquivo mirtalan ponto pal.", 0},
    {"JGMAXPAL", "Não posso processar tantas palavras.", 0},
    // The line number is spoken next; the comma keeps the voice up.
    {"JGERRPAL", "Em mirtalan ponto pal, um erro na linha,", 0},
    {"JGPRGCAN", "O programa foi cancelado.", 0},
    {"JGCABECA", "Desenhei a cabecinha.", 0},
    {"JGPESCOC", "Desenhei o pescocinho.", 0},
    {"JGTRONCO", "Desenhei o tronquinho.", 0},
    {"JGBRADIR", "Desenhei o bracinho direito.", 0},
    {"JGBRAESQ", "Desenhei o bracinho esquerdo.", 0},
    {"JGPERDIR", "Desenhei a perninha direita.", 0},
    {"JGPERESQ", "Desenhei a perninha esquerda.", 0},
    {"JGPARABE", "Parabéns! Era essa palavra mesmo.", 0},
    {"JGERA", "A palavra era:", 0},
    {"JGQUELET", "Que letra?", 0},
    {"JGREPETE", "Vou repetir o que você falou:", 0},
    // Spelled "hem" so that it is one nasal syllable; "hein" comes out "e-in".
    {"JGDESIS", "Desistiu, hem, pamonha!", 0},
    {"JGSOALFA", "Só tecle letras, por favor.", 0},
    {"JGLETREP", "Letra repetida, bestinha?", 0},
    {"JGENFORC", "Foi enforcado, boboca.", 0},
    {"JGDENOVO", "Quer jogar de novo? Sim ou não?", 0},
    {"JGTCHAU", "Tchau, neném!", 0},
    {"JGSEMPAL", "Não há palavras em mirtalan ponto pal.", 0},
    {"JGUMAPAL", "Só há uma palavra em mirtalan ponto pal.", 0},
};

// The number reader's words, under their 8-character file names, and the
// front end's "_zero" and "_MENOS".
const Fala kNumeros[] = {
    {"_zero", "zero", kMaxNumero},
    {"_um", "um", kMaxNumero},
    {"_uma", "uma", kMaxNumero},
    {"_dois", "dois", kMaxNumero},
    {"_duas", "duas", kMaxNumero},
    {"_tres", "três", kMaxNumero},
    {"_quatro", "quatro", kMaxNumero},
    {"_cinco", "cinco", kMaxNumero},
    {"_seis", "seis", kMaxNumero},
    {"_sete", "sete", kMaxNumero},
    {"_oito", "oito", kMaxNumero},
    {"_nove", "nove", kMaxNumero},
    {"_dez", "dez", kMaxNumero},
    {"_onze", "onze", kMaxNumero},
    {"_doze", "doze", kMaxNumero},
    {"_treze", "treze", kMaxNumero},
    {"_quatorz", "quatorze", kMaxNumero},
    {"_quinze", "quinze", kMaxNumero},
    {"_dezesse", "dezesseis", kMaxNumero},
    {"_dezeset", "dezessete", kMaxNumero},
    {"_dezoito", "dezoito", kMaxNumero},
    {"_dezenov", "dezenove", kMaxNumero},
    {"_vinte", "vinte", kMaxNumero},
    {"_trinta", "trinta", kMaxNumero},
    {"_quarent", "quarenta", kMaxNumero},
    {"_cinquen", "cinquenta", kMaxNumero},
    {"_sessent", "sessenta", kMaxNumero},
    {"_setenta", "setenta", kMaxNumero},
    {"_oitenta", "oitenta", kMaxNumero},
    {"_noventa", "noventa", kMaxNumero},
    {"_cem", "cem", kMaxNumero},
    {"_cento", "cento", kMaxNumero},
    {"_duzento", "duzentos", kMaxNumero},
    {"_trezent", "trezentos", kMaxNumero},
    {"_quatroc", "quatrocentos", kMaxNumero},
    {"_quinhen", "quinhentos", kMaxNumero},
    {"_seiscen", "seiscentos", kMaxNumero},
    {"_setecen", "setecentos", kMaxNumero},
    {"_oitocen", "oitocentos", kMaxNumero},
    {"_novecen", "novecentos", kMaxNumero},
    {"_mil", "mil", kMaxNumero},
    {"_milhao", "milhão", kMaxNumero},
    {"_milhoes", "milhões", kMaxNumero},
    {"_bilhao", "bilhão", kMaxNumero},
    {"_bilhoes", "bilhões", kMaxNumero},
    {"_trilhao", "trilhão", kMaxNumero},
    {"_trilhoe", "trilhões", kMaxNumero},
    // The conjunction, as said in "vinte e um": an "i", never the letter "é".
    {"_e", "i", kMaxNumero},
    {"_MENOS", "menos", kMaxNumero},
};

// Names that espeak-ng would misread as written, with the text it is given
// instead (by name, so that a capital and its small letter agree). A lone
// "é" would be spelled out as "e agudo", a vowel letter before a word would
// be taken for an unstressed article ("a grave"), and the English word is
// given its Brazilian sound.
struct Pronuncia {
  std::string_view nome;
  std::string_view texto;
};
constexpr Pronuncia kPronuncias[] = {
    {"é", "[['E]]"},
    {"A grave", "[['a]] grave"},
    {"A agudo", "[['a]] agudo"},
    {"A circunflexo", "[['a]] circunflexo"},
    {"A com til", "[['a]] com til"},
    {"A com trema", "[['a]] com trema"},
    {"A bola", "[['a]] bola"},
    {"A É", "[['a 'E]]"},
    {"copyright", "cópirait"},
    {"É grave", "[['E]] grave"},
    {"É agudo", "[['E]] agudo"},
    {"É circunflexo", "[['E]] circunflexo"},
    {"É com trema", "[['E]] com trema"},
};

std::string Latin1ParaUtf8(std::string_view texto) {
  std::string saida;
  for (unsigned char c : texto) {
    if (c < 0x80) {
      saida += static_cast<char>(c);
    } else {
      saida += static_cast<char>(0xC0 | (c >> 6));
      saida += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return saida;
}

// The characters that have a name, each with the text that says it.
std::vector<Fala> Caracteres() {
  std::vector<Fala> falas;
  for (int c = 0; c < 256; ++c) {
    std::string_view nome = engine::NomeDoCaractere(static_cast<unsigned char>(c));
    if (nome.empty()) continue;
    std::string texto = Latin1ParaUtf8(nome);
    for (const Pronuncia& p : kPronuncias) {
      if (p.nome == texto) texto = p.texto;
    }
    falas.push_back({"_" + std::to_string(c), texto, kMaxCaractere});
  }
  return falas;
}

// Peak-normalises, cuts the silence at both ends down to kMargem with a fade
// across it, and converts to unsigned 8-bit samples. The sample count is made
// even, so that the data chunk needs no pad byte and the file size is always
// exactly 44 plus the samples.
std::vector<uint8_t> Finalizar(std::vector<float> x) {
  float pico = 0;
  for (float v : x) pico = std::max(pico, std::fabs(v));
  if (pico == 0) throw std::runtime_error("gravacao muda");
  for (float& v : x) v *= static_cast<float>(kPico / pico);

  auto audivel = [&](size_t i) { return std::abs(Degrau(x[i])) > kLimiarSilencio; };
  size_t primeiro = 0;
  while (!audivel(primeiro)) ++primeiro;
  size_t ultimo = x.size() - 1;
  while (!audivel(ultimo)) --ultimo;
  const size_t inicio = primeiro > kMargem ? primeiro - kMargem : 0;
  const size_t fim = std::min(x.size(), ultimo + 1 + kMargem);
  for (size_t i = inicio; i < primeiro; ++i)
    x[i] *= static_cast<float>(i - inicio) / static_cast<float>(primeiro - inicio);
  for (size_t i = ultimo + 1; i < fim; ++i)
    x[i] *= static_cast<float>(fim - i) / static_cast<float>(fim - ultimo);

  std::vector<uint8_t> bytes;
  bytes.reserve(fim - inicio + 1);
  for (size_t i = inicio; i < fim; ++i) bytes.push_back(espeak_br::OitoBits(x[i]));
  if (bytes.size() % 2 != 0) bytes.push_back(128);
  return bytes;
}

void Gravar(const fs::path& arquivo, const std::vector<uint8_t>& amostras) {
  auto u32 = [](std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  auto u16 = [](std::string& s, uint16_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
  };
  const auto n = static_cast<uint32_t>(amostras.size());
  std::string cabecalho = "RIFF";
  u32(cabecalho, 36 + n);
  cabecalho += "WAVEfmt ";
  u32(cabecalho, 16);
  u16(cabecalho, 1);      // PCM
  u16(cabecalho, 1);      // mono
  u32(cabecalho, kTaxa);  // samples per second
  u32(cabecalho, kTaxa);  // bytes per second
  u16(cabecalho, 1);      // bytes per sample frame
  u16(cabecalho, 8);      // bits per sample
  cabecalho += "data";
  u32(cabecalho, n);
  std::ofstream f(arquivo, std::ios::binary | std::ios::trunc);
  f.write(cabecalho.data(), static_cast<std::streamsize>(cabecalho.size()));
  f.write(reinterpret_cast<const char*>(amostras.data()), static_cast<std::streamsize>(n));
  if (!f) throw std::runtime_error("nao gravei " + arquivo.string());
}

// --- Sound effects, computed directly at 11025 Hz ---------------------------

constexpr double kDoisPi = 2 * std::numbers::pi;

double Segundos(size_t i) { return static_cast<double>(i) / kTaxa; }

// A bright "plim" for a hidden letter: two high partials, a 2 ms onset and a
// fast exponential decay, 120 ms in all.
std::vector<float> Plim() {
  const size_t n = kTaxa * 120 / 1000;
  std::vector<float> x(n);
  for (size_t i = 0; i < n; ++i) {
    const double t = Segundos(i);
    const double ataque = std::min(1.0, t / 0.002);
    x[i] = static_cast<float>(ataque * (std::sin(kDoisPi * 1760 * t) * std::exp(-t / 0.030) +
                                        0.6 * std::sin(kDoisPi * 2637 * t) * std::exp(-t / 0.020)));
  }
  return x;
}

// A wrong letter: a buzz of two slightly detuned sawtooth voices gliding down
// an octave, from G3 to G2, in 300 ms. The partials stop below the Nyquist
// frequency so that nothing folds back.
std::vector<float> Tchen() {
  const size_t n = kTaxa * 300 / 1000;
  const double duracao = static_cast<double>(n) / kTaxa;
  std::vector<float> x(n);
  double fase[2] = {0, 0};
  const double desafino[2] = {1.0, 1.025};
  for (size_t i = 0; i < n; ++i) {
    const double t = Segundos(i);
    const double base = 196.0 * std::pow(0.5, t / duracao);
    double v = 0;
    for (int voz = 0; voz < 2; ++voz) {
      fase[voz] += kDoisPi * base * desafino[voz] / kTaxa;
      for (int k = 1; k * base * desafino[voz] < 4500; ++k) v += std::sin(k * fase[voz]) / k;
    }
    const double ataque = std::min(1.0, t / 0.005);
    const double soltura = std::min(1.0, (duracao - t) / 0.080);
    x[i] = static_cast<float>(v * ataque * soltura);
  }
  return x;
}

double FrequenciaMidi(int nota) { return 440.0 * std::pow(2.0, (nota - 69) / 12.0); }

// Adds one organ note: a few harmonics with falling weights (a soft,
// flute-like registration), a slow onset and release so repeated notes are
// heard as separate strokes without clicks.
void Orgao(std::vector<float>& x, int nota, double inicio, double duracao, double volume) {
  static constexpr double kHarmonicos[] = {1.0, 0.5, 0.25, 0.15, 0.0, 0.08};
  const double f = FrequenciaMidi(nota);
  const double ataque = 0.030, soltura = 0.120;
  const auto primeiro = static_cast<size_t>(inicio * kTaxa);
  const auto ultimo = std::min(x.size(), static_cast<size_t>((inicio + duracao + soltura) * kTaxa));
  for (size_t i = primeiro; i < ultimo; ++i) {
    const double t = Segundos(i) - inicio;
    double env = 1.0;
    if (t < ataque) env = 0.5 - 0.5 * std::cos(std::numbers::pi * t / ataque);
    if (t > duracao) env *= 0.5 + 0.5 * std::cos(std::numbers::pi * (t - duracao) / soltura);
    double v = 0;
    for (int k = 0; k < 6; ++k) {
      if (kHarmonicos[k] > 0 && (k + 1) * f < 5000)
        v += kHarmonicos[k] * std::sin(kDoisPi * (k + 1) * f * t);
    }
    x[i] += static_cast<float>(volume * env * v);
  }
}

// The figure is hanged: the opening of a slow funeral march in B-flat minor,
// the melody over held chords (i, VI, V, i), about four seconds.
std::vector<float> Requiem() {
  const double batida = 0.5;  // seconds per beat
  struct Nota {
    int midi;
    double inicio, duracao;  // in beats
  };
  // Bb Bb.Bb Bb- | Db C.C Bb-
  const Nota melodia[] = {{58, 0, 1},    {58, 1, 0.75}, {58, 1.75, 0.25}, {58, 2, 2},
                          {61, 4, 1},    {60, 5, 0.75}, {60, 5.75, 0.25}, {58, 6, 2}};
  const Nota acordes[] = {
      {46, 0, 4}, {49, 0, 4}, {53, 0, 4},  // B-flat minor
      {42, 4, 1}, {46, 4, 1}, {49, 4, 1},  // G-flat major
      {41, 5, 1}, {45, 5, 1}, {48, 5, 1},  // F major
      {46, 6, 2}, {49, 6, 2}, {53, 6, 2},  // B-flat minor
  };
  const double total = 8 * batida + 0.5;
  std::vector<float> x(static_cast<size_t>(total * kTaxa));
  // Melody notes are held for 85% of their value so that repeated notes part.
  for (const Nota& n : melodia)
    Orgao(x, n.midi, n.inicio * batida, n.duracao * batida * 0.85, 1.0);
  for (const Nota& n : acordes)
    Orgao(x, n.midi, n.inicio * batida, n.duracao * batida * 0.95, 0.3);
  // The last chord dies away instead of stopping.
  const double fimSom = 6 * batida;
  for (size_t i = static_cast<size_t>(fimSom * kTaxa); i < x.size(); ++i)
    x[i] *= static_cast<float>(std::exp(-(Segundos(i) - fimSom) / 0.9));
  return x;
}

// ---------------------------------------------------------------------------

void Gerar(Voz& voz, const Fala& fala, const fs::path& dir) {
  std::vector<uint8_t> amostras = Finalizar(espeak_br::Reamostrar(voz.Falar(fala.texto).amostras, voz.Taxa()));
  if (fala.limite != 0 && amostras.size() > fala.limite)
    throw std::runtime_error(fala.nome + " tem " + std::to_string(amostras.size()) +
                             " amostras, mais que " + std::to_string(fala.limite));
  Gravar(dir / (fala.nome + ".wav"), amostras);
}

int Executar(int argc, char** argv) {
  Voz voz(kVoz);
  std::vector<Fala> letras(std::begin(kNumeros), std::end(kNumeros));
  for (Fala& f : Caracteres()) letras.push_back(std::move(f));

  if (argc >= 2 && std::string_view(argv[1]) == "--fonemas") {
    for (int i = 2; i < argc; ++i) std::printf("%s\t%s\n", argv[i], voz.Fonemas(argv[i]).c_str());
    if (argc > 2) return 0;
    for (const Fala& f : kMensagens)
      std::printf("%s\t%s\t%s\n", f.nome.c_str(), f.texto.c_str(), voz.Fonemas(f.texto).c_str());
    for (const Fala& f : letras)
      std::printf("%s\t%s\t%s\n", f.nome.c_str(), f.texto.c_str(), voz.Fonemas(f.texto).c_str());
    return 0;
  }
  if (argc != 3) {
    std::fprintf(stderr, "uso: gerar_vozes DIR_MENSAGENS DIR_LETRAS | --fonemas [TEXTO...]\n");
    return 2;
  }
  const fs::path mensagens = argv[1], dirLetras = argv[2];
  fs::create_directories(mensagens);
  fs::create_directories(dirLetras);
  for (const Fala& f : kMensagens) Gerar(voz, f, mensagens);
  for (const Fala& f : letras) Gerar(voz, f, dirLetras);
  Gravar(mensagens / "JGPLIM.wav", Finalizar(Plim()));
  Gravar(mensagens / "JGTCHEN.wav", Finalizar(Tchen()));
  Gravar(mensagens / "JGREQIEN.wav", Finalizar(Requiem()));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Executar(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "gerar_vozes: %s\n", e.what());
    return 1;
  }
}
