// From starting the game to its title on the screen: the process is started,
// the window looked for on the X server, and its pixels read until every
// letter of "JOGO DA MIRTALAN" shows on row 1. The counter gives the moment
// the window was first mapped. The game runs on the build's own data with
// cells of 12 x 28 pixels, about what the default gives on a 1024 x 768
// screen.
//
// It needs an X display; without DISPLAY it starts Xvfb.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "bancada/x11.h"
// After x11.h: the image macros need Xlib first.
#include <X11/Xutil.h>

namespace {

using namespace std::chrono_literals;
using bancada::AgoraNs;

constexpr int kLargura = 12, kAltura = 28;
constexpr std::string_view kTitulo = "JOGO DA MIRTALAN";

bancada::Pasta* pasta = nullptr;
bancada::X* x = nullptr;

// Every letter cell of the title holds light neutral pixels: white glyphs.
bool TituloVisivel(Window janela) {
  XImage* imagem = XGetImage(x->tela(), janela, 0, 0, unsigned(kTitulo.size()) * kLargura, kAltura, AllPlanes,
                             ZPixmap);
  if (!imagem) return false;
  bool todas = true;
  for (size_t c = 0; c < kTitulo.size() && todas; ++c) {
    if (kTitulo[c] == ' ') continue;
    bool tinta = false;
    for (int y = 0; y < kAltura && !tinta; ++y)
      for (int px = int(c) * kLargura; px < int(c + 1) * kLargura && !tinta; ++px) {
        const unsigned long p = XGetPixel(imagem, px, y);
        const unsigned r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255;
        tinta = r >= 128 && r == g && g == b;
      }
    todas = tinta;
  }
  XDestroyImage(imagem);
  return todas;
}

pid_t IniciarJogo() {
  const std::string dir = pasta->caminho();
  std::vector<std::string> ambiente{"TALVEN_DIR=" + dir, "TALVEN_DIARIO=" + dir + "/diario",
                                    "SDL_AUDIODRIVER=dummy", "TALVEN_TELA=janela"};
  for (char** v = environ; *v; ++v)
    if (std::none_of(ambiente.begin(), ambiente.end(), [v](const std::string& a) {
          return a.compare(0, a.find('=') + 1, *v, a.find('=') + 1) == 0;
        }))
      ambiente.emplace_back(*v);
  std::vector<char*> envp;
  for (std::string& a : ambiente) envp.push_back(a.data());
  envp.push_back(nullptr);
  char* argv[] = {const_cast<char*>(MIRTALAN_BINARIO), nullptr};
  posix_spawn_file_actions_t acoes;
  posix_spawn_file_actions_init(&acoes);
  posix_spawn_file_actions_addopen(&acoes, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&acoes, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  if (posix_spawn(&pid, MIRTALAN_BINARIO, &acoes, nullptr, argv, envp.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&acoes);
  return pid;
}

// Closed as a window manager closes it; killed if it does not go.
void Encerrar(pid_t pid, Window janela) {
  if (janela) x->PedirFechamento(janela);
  for (auto limite = bancada::Relogio::now() + 5s; bancada::Relogio::now() < limite;) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return;
    std::this_thread::sleep_for(5ms);
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

void AteOTitulo(benchmark::State& state) {
  for (auto _ : state) {
    const int64_t inicio = AgoraNs();
    const pid_t pid = IniciarJogo();
    if (pid <= 0) {
      state.SkipWithError("o jogo não começou");
      break;
    }
    const Window janela = x->JanelaDe(pid, 30s);
    const int64_t mapeada = AgoraNs();
    bool visivel = false;
    for (auto limite = bancada::Relogio::now() + 30s; janela && !visivel && bancada::Relogio::now() < limite;)
      if (!(visivel = TituloVisivel(janela))) std::this_thread::sleep_for(500us);
    const int64_t titulo = AgoraNs();
    Encerrar(pid, janela);
    if (!visivel) {
      state.SkipWithError("o título não apareceu");
      break;
    }
    state.SetIterationTime(double(titulo - inicio) / 1e9);
    state.counters["janela_ms"] = double(mapeada - inicio) / 1e6;
  }
}

double Maximo(const std::vector<double>& v) { return v.empty() ? 0 : *std::max_element(v.begin(), v.end()); }

}  // namespace

int main(int argc, char** argv) {
  bancada::TelaVirtual tela;
  benchmark::Initialize(&argc, argv);
  bancada::Pasta p;
  bancada::X conexao;
  pasta = &p;
  x = &conexao;
  if (!conexao.tela()) {
    std::fprintf(stderr, "bancada_partida: sem tela X\n");
    return 1;
  }
  std::ifstream ini(MIRTALAN_DADOS "/TALVEN.INI");
  std::stringstream resto;
  resto << ini.rdbuf();
  // Only the first section of a name counts: this one comes before the build's.
  p.Escrever("TALVEN.INI", "[VIDEO]\nFONTE=Lucida Console\nLARGURALETRA=" + std::to_string(kLargura) +
                               "\nALTURALETRA=" + std::to_string(kAltura) + "\n" + resto.str());
  benchmark::RegisterBenchmark("AteOTitulo", AteOTitulo)
      ->Iterations(1)
      ->Repetitions(10)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond)
      ->ComputeStatistics("max", Maximo)
      ->ReportAggregatesOnly(true);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
