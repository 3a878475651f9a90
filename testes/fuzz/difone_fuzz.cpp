// libFuzzer target for the diphone synthesizer and the number reader. The
// first input byte picks what the rest is:
//   0: a phonetic string spoken over a small generated database;
//   1: the contents of a letter recording, then spoken as "_B";
//   2: the contents of an index file, opened and spoken over;
//   3: words for the number reader, and a value for NumToWords.
// Every image handed over must be a well-formed WAV image that fits.
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "plataforma/wav.h"
#include "tradutor/diphone/difone.h"
#include "tradutor/diphone/lts.h"
#include "tradutor/diphone/numeros.h"
#include "tradutor/wave/wave.h"

namespace {

std::string g_dir;

void Escrever(const std::string& caminho, std::string_view conteudo) {
  std::FILE* f = std::fopen(caminho.c_str(), "wb");
  if (!f) abort();
  if (!conteudo.empty()) std::fwrite(conteudo.data(), 1, conteudo.size(), f);
  std::fclose(f);
}

class ReprodutorConferido : public diphone::Reprodutor {
 public:
  explicit ReprodutorConferido(size_t limite) : limite_(limite) {}
  void PlayImageAndWait(const uint8_t* image, size_t size) override {
    plataforma::ImagemWav d;
    if (size <= 44 || size > limite_ || !plataforma::LerImagemWav(image, size, d)) abort();
    if (d.bytes != size - 44 || d.formato.taxa != 11025 || d.formato.bits != 8 || d.formato.canais != 1) abort();
    volatile uint8_t soma = 0;
    for (size_t i = 44; i < size; ++i) soma = static_cast<uint8_t>(soma + image[i]);  // every byte readable
  }
  bool IsSpeaking() override { return false; }
  void WaitMessage() override {}

 private:
  size_t limite_;
};

std::string Registro(const std::string& nome, uint16_t tamanho, uint32_t deslocamento) {
  std::string r(15, '\0');
  r[0] = static_cast<char>(nome.size());
  nome.copy(&r[1], 8);
  r[9] = static_cast<char>(tamanho & 0xFF);
  r[10] = static_cast<char>(tamanho >> 8);
  for (int i = 0; i < 4; ++i) r[11 + i] = static_cast<char>(deslocamento >> (8 * i));
  return r;
}

// Units of every kind the string can ask for, some long enough to fill an
// image in two or three pieces, one running past the end of the samples.
void CriarBanco() {
  const char* nomes[] = {"$A",     "$ACIRC", "$AW",     "$AWTIL", "$E",    "$I",   "$KA",  "$KACIRC",
                         "$KATIL", "$NN",    "$O",      "$P",     "$PA",   "$PR",  "$RA",  "$RR",
                         "$S",     "$TA",    "$TAKA",   "$U",     "$Y"};
  std::string ind, dif;
  uint16_t tamanho = 17;
  for (const char* n : nomes) {  // already in byte order
    ind += Registro(n, tamanho, static_cast<uint32_t>(dif.size()));
    dif.append(tamanho, static_cast<char>(100 + (tamanho & 31)));
    tamanho = static_cast<uint16_t>(tamanho * 3 + 101);
  }
  ind += Registro("$ZZ", 60000, static_cast<uint32_t>(dif.size() - 10));
  Escrever(g_dir + "/difones/DIFONES2.IND", ind);
  Escrever(g_dir + "/difones/DIFONES2.DIF", dif);
}

void CriarLetras() {
  for (int c : {44, 46, 65, 66, 1}) {
    std::string amostras(static_cast<size_t>(c) * 97, 'l');
    std::string w(44, '\0');
    wave::WavBuildHeader(reinterpret_cast<uint8_t*>(w.data()), static_cast<int32_t>(amostras.size()), 11025, 8, 1);
    Escrever(g_dir + "/letras/_" + std::to_string(c) + ".wav", w + amostras);
  }
  for (const char* p : {"_um", "_dois", "_e", "_mil", "_cem", "_vinte", "_milhao", "_dezeset"})
    Escrever(g_dir + "/letras/" + p + ".wav", std::string(44 + 9000, 'n'));
}

struct Ambiente {
  diphone::RegrasLts regras;
  ReprodutorConferido reprodutor{diphone::Difone::kTamanhoImagem};
  ReprodutorConferido reprodutorNumeros{44 + diphone::Numeros::kMaxAmostras};
  diphone::Difone difone{regras, reprodutor};
  diphone::Numeros numeros{difone, reprodutorNumeros};
};

Ambiente* g = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char modelo[] = "/tmp/difone_fuzz_XXXXXX";
  if (!mkdtemp(modelo)) abort();
  g_dir = modelo;
  std::string letras = g_dir + "/letras", difones = g_dir + "/difones";
  if (mkdir(letras.c_str(), 0700) != 0 || mkdir(difones.c_str(), 0700) != 0) abort();
  Escrever(g_dir + "/TALVEN.INI", "[TRADUTOR]\nDIRLETRAS=" + letras + "\nDIRDIFONES=" + difones + "\n");
  Escrever(difones + "/regras.rgr", "");
  Escrever(difones + "/portug.exc", "");
  setenv("TALVEN_DIR", g_dir.c_str(), 1);
  CriarBanco();
  CriarLetras();
  g = new Ambiente;
  if (g->difone.DifOpen() != 0) abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t modo = data[0] % 4;
  const bool opcao = data[1] & 1;
  std::string_view resto(reinterpret_cast<const char*>(data + 2), size - 2);
  diphone::Difone& d = g->difone;
  d.DifSetProsody(opcao ? 400 : (data[1] >> 1) * 37 - 1000, (data[1] >> 4) * 200, (data[1] >> 2) * 300);

  switch (modo) {
    case 0:
      d.DifSpeak(resto, opcao);
      break;
    case 1: {
      Escrever(g_dir + "/letras/_66.wav", resto);
      d.DifSpeak("[ /_B][ /_B]", false);
      std::FILE* f = fmemopen(const_cast<char*>(resto.data()), resto.size() ? resto.size() : 1, "rb");
      if (f) {
        plataforma::AcharDadosWav(f);
        std::fclose(f);
      }
      break;
    }
    case 2:
      Escrever(g_dir + "/difones/FUZZ.IND", resto);
      Escrever(g_dir + "/difones/FUZZ.DIF", std::string(3000, '\x90'));
      d.DifClose();
      d.DefinirBase("FUZZ");
      if (d.DifOpen() == 0) d.DifSpeak("[ka^ tAka pa~w ka~ a^pra kas][ /_B ki~ $A]", false);
      d.DifClose();
      d.DefinirBase("DIFONES2");
      if (d.DifOpen() != 0) abort();
      break;
    case 3: {
      g->numeros.NumSpeakWords(resto, opcao);
      uint64_t v = 0;
      std::memcpy(&v, resto.data(), std::min<size_t>(resto.size(), sizeof v));
      std::string palavras = diphone::Numeros::NumToWords(v);
      if (palavras.empty() && v % 1000000000000000ull != 0) abort();
      diphone::Numeros::NumGroupWords(resto.substr(0, 3));
      break;
    }
  }
  return 0;
}
