// How fast a key press silences speech on the real window and audio out.
// A long sound plays through the wave player and the console on the SDL
// platform; a key is pressed through the X server, as a keyboard does it;
// the time runs until the audio device takes its first buffer without
// samples of the sound. Also timed: converting one block to the device
// format, which is done when the block is queued and so delays a key that
// comes meanwhile.
//
// It needs an X display (without DISPLAY it starts Xvfb) and uses SDL's
// "disk" audio driver writing to /dev/null unless SDL_AUDIODRIVER says otherwise.
#include <SDL.h>
#include <X11/keysym.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <numbers>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

#include "bancada/x11.h"
#include "console/console.h"
#include "plataforma/janela/sdl.h"
#include "tradutor/wave/wave.h"

namespace {

using namespace std::chrono_literals;
using bancada::AgoraNs;

struct Mundo {
  bancada::Pasta pasta;
  std::unique_ptr<plataforma::Plataforma> plataforma;
  std::unique_ptr<console::Console> console;
  std::unique_ptr<wave::WavePlayer> wave;
  bancada::X x;
  Window janela = 0;
};
Mundo* mundo = nullptr;

// An 11025 Hz, 8-bit mono WAV image of a 300 Hz tone, like the recordings.
std::string Tom(size_t bytes) {
  std::string imagem(wave::kTamanhoCabecalho + bytes, '\0');
  wave::WavBuildHeader(reinterpret_cast<uint8_t*>(imagem.data()), int32_t(bytes), 11025, 8, 1);
  for (size_t i = 0; i < bytes; ++i)
    imagem[wave::kTamanhoCabecalho + i] = char(128 + std::lround(90 * std::sin(2 * std::numbers::pi * 300 * double(i) / 11025)));
  return imagem;
}

// The key "a": through the X server (XTEST), as a keyboard gives it, or
// straight into SDL's event queue, the events SDL makes of a real key; the
// difference between the two is the X server's delivery.
void Apertar(bool peloX) {
  if (peloX) {
    mundo->x.Teclar(XK_a);
    return;
  }
  SDL_Event e{};
  e.type = SDL_KEYDOWN;
  e.key.state = SDL_PRESSED;
  e.key.keysym.scancode = SDL_SCANCODE_A;
  e.key.keysym.sym = SDLK_a;
  SDL_PushEvent(&e);
  SDL_Event texto{};
  texto.type = SDL_TEXTINPUT;
  texto.text.text[0] = 'a';
  SDL_PushEvent(&texto);
  e.type = SDL_KEYUP;
  e.key.state = SDL_RELEASED;
  SDL_PushEvent(&e);
}

double Maximo(const std::vector<double>& v) { return v.empty() ? 0 : *std::max_element(v.begin(), v.end()); }

// One key press per iteration while the sound is heard. Its moment is set
// against the device's buffers, which come every few milliseconds: it falls
// 0 to 9.5 ms after one of them, in steps of 0.5 ms from one iteration to
// the next, so every phase of the buffers, and of the player's own 10 ms
// pauses, is met as often as the others. (Drawn at random, the key kept
// falling at the same point of the buffer period.)
// The time reported is from the press to the first device buffer without
// block samples; the counters give, from the same press, the last buffer
// that still carried them and the moment WavPlayFile returned.
void CortarSom(benchmark::State& state, const std::string& arquivo, bool peloX) {
  // Each repetition is a call of its own: the step goes on from the last one.
  static int passo = 0;
  for (auto _ : state) {
    const int64_t inicio = AgoraNs(), deslocamento = int64_t(passo++ % 20) * 500'000;
    std::atomic<int64_t> tecla{0};
    std::thread dedo([&] {
      using plataforma::sdl::LerMarcasDosBlocos;
      const auto limite = bancada::Relogio::now() + 5s;
      while (LerMarcasDosBlocos().ultimoComBlocos < inicio && bancada::Relogio::now() < limite)
        std::this_thread::sleep_for(1ms);
      // 20 ms on, when the player has queued what it queues at once and
      // waits, plus the iteration's offset.
      const int64_t alvo = LerMarcasDosBlocos().ultimoComBlocos + 20'000'000 + deslocamento;
      std::this_thread::sleep_until(bancada::Relogio::time_point(std::chrono::nanoseconds(alvo)));
      tecla = AgoraNs();
      Apertar(peloX);
    });
    mundo->wave->WavPlayFile(arquivo);
    const int64_t retorno = AgoraNs();
    dedo.join();
    plataforma::sdl::MarcasDosBlocos marcas;
    for (auto limite = bancada::Relogio::now() + 2s;
         (marcas = plataforma::sdl::LerMarcasDosBlocos()).primeiroSemBlocos <= tecla &&
         bancada::Relogio::now() < limite;)
      std::this_thread::sleep_for(100us);
    if (marcas.primeiroSemBlocos <= tecla) {
      state.SkipWithError("o dispositivo continuou recebendo o som depois da tecla");
      break;
    }
    state.SetIterationTime(double(marcas.primeiroSemBlocos - tecla) / 1e9);
    state.counters["ultimo_com_som_ms"] = double(marcas.ultimoComBlocos - tecla) / 1e6;
    state.counters["retorno_ms"] = double(retorno - tecla) / 1e6;
    // The key stays in the console's queue, as it would for the game to read.
    while (mundo->console->KeyWaiting()) mundo->console->NextKey();
  }
}

// Queueing one full block of the player: the conversion to the device format.
void ConverterBloco(benchmark::State& state) {
  plataforma::SaidaAudio& audio = mundo->plataforma->audio();
  const plataforma::FormatoPcm formato{uint32_t(state.range(0)), uint16_t(state.range(1)), 1};
  if (audio.AbrirBlocos(formato) != 0) {
    state.SkipWithError("sem saída de som");
    return;
  }
  std::vector<uint8_t> bloco(wave::kTamanhoBloco);
  for (size_t i = 0; i < bloco.size(); ++i) bloco[i] = uint8_t(128 + std::lround(90 * std::sin(double(i) * 0.17)));
  for (auto _ : state) {
    audio.EscreverBloco(bloco.data(), bloco.size(), 1);
    state.PauseTiming();
    audio.ReiniciarBlocos();
    mundo->console->PumpAllMessages();
    state.ResumeTiming();
  }
  audio.FecharBlocos();
  mundo->console->PumpAllMessages();
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bloco.size()));
}

bool Preparar(Mundo& m) {
  if (!m.x.tela()) {
    std::fprintf(stderr, "bancada_latencia: sem tela X (DISPLAY=%s)\n", std::getenv("DISPLAY"));
    return false;
  }
  m.pasta.Escrever("TALVEN.INI", "[VIDEO]\nLARGURALETRA=8\nALTURALETRA=16\n");
  setenv("TALVEN_DIR", m.pasta.caminho().c_str(), 1);
  // Three blocks: all queued at once, the player then waits for messages.
  // Eight: the player keeps the queue full, pausing 10 ms between checks.
  m.pasta.Escrever("esperando.wav", Tom(3 * wave::kTamanhoBloco));
  m.pasta.Escrever("enchendo.wav", Tom(8 * wave::kTamanhoBloco));
  m.plataforma = plataforma::CriarPlataformaSdl();
  if (!m.plataforma) return false;
  m.console = std::make_unique<console::Console>(*m.plataforma);
  m.wave = std::make_unique<wave::WavePlayer>(*m.console);
  m.console->ClearWindow();
  // The device opens on first use; opened now, its driver can be named.
  if (m.plataforma->audio().AbrirBlocos({11025, 8, 1}) == 0) m.plataforma->audio().FecharBlocos();
  m.janela = m.x.JanelaDe(getpid(), 5s);
  if (!m.janela) {
    std::fprintf(stderr, "bancada_latencia: a janela não apareceu\n");
    return false;
  }
  m.x.Focar(m.janela);
  for (auto limite = bancada::Relogio::now() + 5s;
       !m.plataforma->janela().Ativa() && bancada::Relogio::now() < limite;)
    m.console->PauseMs(5);
  // The first key of a process costs more (the keymap, the input method):
  // it is pressed here, outside the figures.
  Apertar(m.x.TemXTest());
  for (auto limite = bancada::Relogio::now() + 5s; !m.console->KeyWaiting() && bancada::Relogio::now() < limite;)
    m.console->PauseMs(1);
  while (m.console->KeyWaiting()) m.console->NextKey();
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("SDL_AUDIODRIVER", "disk", 0);
  setenv("SDL_DISKAUDIOFILE", "/dev/null", 0);
  bancada::TelaVirtual tela;
  benchmark::Initialize(&argc, argv);
  int codigo = 1;
  try {
    Mundo m;
    mundo = &m;
    if (!Preparar(m)) return 1;
    benchmark::AddCustomContext("driver de som", SDL_GetCurrentAudioDriver() ? SDL_GetCurrentAudioDriver() : "nenhum");
    benchmark::AddCustomContext("XTEST", m.x.TemXTest() ? "sim" : "não (só SDL_PushEvent)");
    benchmark::AddCustomContext("janela ativa", m.plataforma->janela().Ativa() ? "sim" : "não");
    struct Caso {
      const char* nome;
      std::string arquivo;
      bool peloX;
    };
    std::vector<Caso> casos{{"CortarSom/esperando/sdl", m.pasta / "esperando.wav", false}};
    if (m.x.TemXTest()) {
      casos.push_back({"CortarSom/esperando/xtest", m.pasta / "esperando.wav", true});
      casos.push_back({"CortarSom/enchendo/xtest", m.pasta / "enchendo.wav", true});
    } else {
      casos.push_back({"CortarSom/enchendo/sdl", m.pasta / "enchendo.wav", false});
    }
    for (const Caso& c : casos)
      benchmark::RegisterBenchmark(c.nome, [c](benchmark::State& s) { CortarSom(s, c.arquivo, c.peloX); })
          ->Iterations(1)
          ->Repetitions(40)
          ->UseManualTime()
          ->Unit(benchmark::kMillisecond)
          ->ComputeStatistics("max", Maximo)
          ->ReportAggregatesOnly(true);
    benchmark::RegisterBenchmark("ConverterBloco", ConverterBloco)
        ->ArgNames({"taxa", "bits"})
        ->Args({11025, 8})
        ->Args({16537, 8})
        ->Args({16000, 16})
        ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    codigo = 0;
  } catch (const plataforma::FimDoPrograma& fim) {
    codigo = fim.codigo;
  }
  return codigo;
}
