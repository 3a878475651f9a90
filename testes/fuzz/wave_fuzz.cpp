// Fuzzing of the wave player's readers: arbitrary bytes as a WAV image and
// as a WAV file, played on the headless platform.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "console/console.h"
#include "plataforma/wav.h"
#include "tradutor/wave/wave.h"

namespace {

struct Ambiente {
  std::string arquivo;
  std::unique_ptr<plataforma::Plataforma> plataforma;
  std::unique_ptr<console::Console> console;
  std::unique_ptr<wave::WavePlayer> wave;

  Ambiente() {
    char modelo[] = "/tmp/wave_fuzz-XXXXXX";
    std::string dir = mkdtemp(modelo);
    arquivo = dir + "/som.wav";
    setenv("TALVEN_DIR", dir.c_str(), 1);
    unsetenv("TALVEN_TECLAS");
    unsetenv("TALVEN_SOM");
    unsetenv("TALVEN_DIARIO");
    plataforma = plataforma::CriarPlataformaNenhuma();
    console = std::make_unique<console::Console>(*plataforma);
    wave = std::make_unique<wave::WavePlayer>(*console);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dados, size_t tamanho) {
  static Ambiente ambiente;
  if (tamanho == 0) return 0;
  // The first byte picks the options, so the cut and the fast rate are fuzzed too.
  ambiente.wave->CutSpeech = dados[0] & 1;
  ambiente.wave->FastPlayback = dados[0] & 2;
  ++dados;
  --tamanho;
  plataforma::ImagemWav lidos;
  if (plataforma::LerImagemWav(dados, tamanho, lidos) && (lidos.amostras < dados || lidos.amostras + lidos.bytes > dados + tamanho))
    std::abort();
  ambiente.wave->WavPlayMemory(dados, tamanho);
  while (ambiente.wave->WavIsPlaying()) ambiente.console->WaitMessage();
  if (std::FILE* f = std::fopen(ambiente.arquivo.c_str(), "wb")) {
    std::fwrite(dados, 1, tamanho, f);
    std::fclose(f);
  }
  ambiente.wave->WavPlayFile(ambiente.arquivo);
  return 0;
}
