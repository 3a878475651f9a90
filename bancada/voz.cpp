// Benchmarks of the diphone voice: letter-to-sound words per second, the
// synthesizer's time per second of audio, and SpeakText's time from the call
// to the first block queued. They run on the build's own data.
#include <benchmark/benchmark.h>

#include <chrono>
#include <fstream>
#include <string>
#include <vector>

#include "plataforma/texto1252.h"
#include "tradutor/diphone/difone.h"
#include "tradutor/diphone/lts.h"
#include "tradutor/frontend/modulos.h"

namespace {

const std::string kDados = MIRTALAN_DADOS;

std::vector<std::string> Palavras() {
  std::vector<std::string> r;
  for (const char* nome : {MIRTALAN_DADOS "/mirtalan.pal", "/usr/share/dict/brazilian"}) {
    std::ifstream f(nome);
    for (std::string l; std::getline(f, l);)
      if (!l.empty()) r.push_back(plataforma::Utf8Para1252(l));
  }
  return r;
}

void LtsTranslate(benchmark::State& state) {
  diphone::RegrasLts regras;
  if (!regras.LtsLoadRules(kDados + "/difones/regras.rgr") ||
      !regras.LtsLoadExceptions(kDados + "/difones/portug.exc")) {
    state.SkipWithError("sem regras");
    return;
  }
  std::vector<std::string> palavras = Palavras();
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(regras.LtsTranslate(palavras[i]));
    if (++i == palavras.size()) i = 0;
  }
  state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(LtsTranslate);

// Takes the images and counts their samples; nothing is played.
struct Contador : diphone::Reprodutor {
  size_t amostras = 0;
  void PlayImageAndWait(const uint8_t*, size_t size) override { amostras += size - 44; }
  bool IsSpeaking() override { return false; }
  void WaitMessage() override {}
};

void DifSpeak(benchmark::State& state) {
  setenv("TALVEN_DIR", kDados.c_str(), 1);
  diphone::RegrasLts regras;
  Contador contador;
  diphone::Difone difone(regras, contador);
  difone.DefinirBase("DIFBR");
  if (difone.DifOpen() != 0) {
    state.SkipWithError("a voz nao abriu");
    return;
  }
  std::vector<std::string> foneticas;
  for (const std::string& p : Palavras()) foneticas.push_back(regras.LtsTranslate(p));
  size_t i = 0;
  for (auto _ : state) {
    difone.DifSpeak(foneticas[i], false);
    if (++i == foneticas.size()) i = 0;
  }
  double segundos = double(contador.amostras) / 11025;
  state.counters["audio_s"] = segundos;
  // Seconds of work per second of sound.
  state.counters["custo"] = benchmark::Counter(segundos, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  difone.DifClose();
}
BENCHMARK(DifSpeak);

void SpeakTextAtePrimeiroBloco(benchmark::State& state) {
  setenv("TALVEN_DIR", kDados.c_str(), 1);
  unsetenv("TALVEN_TECLAS");
  unsetenv("TALVEN_DIARIO");
  unsetenv("TALVEN_SOM");
  auto plataforma = plataforma::CriarPlataformaNenhuma();
  frontend::Modulos m(*plataforma);
  frontend::FrontEnd& fala = m.fala;
  try {
    fala.SpeechStart(0, "");
  } catch (const plataforma::FimDoPrograma&) {
    state.SkipWithError("a voz nao abriu");
    return;
  }
  const std::string frase = "o menino viu a bola amarela perto da casa do vizinho";
  using Relogio = std::chrono::steady_clock;
  Relogio::time_point primeiro;
  bool viu = false;
  fala.observador = [&](std::string_view tipo, std::string_view) {
    if (!viu && tipo == "imagem") {
      primeiro = Relogio::now();
      viu = true;
    }
  };
  for (auto _ : state) {
    viu = false;
    auto inicio = Relogio::now();
    fala.SpeakText(frase);
    while (fala.IsSpeaking()) m.console.WaitMessage();
    state.SetIterationTime(std::chrono::duration<double>(primeiro - inicio).count());
  }
}
BENCHMARK(SpeakTextAtePrimeiroBloco)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
