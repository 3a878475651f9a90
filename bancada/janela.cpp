// The cost of writing one line of the text window on the real SDL window,
// laid out as in the game: the text window at columns 1 to 49, the figure's
// blue block at 50 to 74. Measured without and with scrolling (the line
// written on the window's last row), with the console's fast scroll on
// ([VIDEO] LENTO=S: the pixels are moved up) and off (the whole screen is
// drawn again), and with or without presenting the window after each line,
// which is when the line can be seen.
//
// It needs an X display; without DISPLAY it starts Xvfb.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

#include "bancada/x11.h"
#include "console/console.h"

namespace {

using namespace std::chrono_literals;

constexpr std::string_view kLinha = "...  -> Que letra ? Desenhei a cabecinha";  // 40 characters

struct Mundo {
  bancada::Pasta pasta;
  bancada::X x;
  std::unique_ptr<plataforma::Plataforma> plataforma;
  std::unique_ptr<console::Console> console;
  int lento = -1;
};
Mundo* mundo = nullptr;

// The console reads LENTO when it creates its window, so a change makes a
// new console (and window). The window is given the focus: the fast scroll
// is used only in the active window.
bool Console(bool lento) {
  Mundo& m = *mundo;
  if (m.console && m.lento == int(lento)) return true;
  m.console.reset();
  m.pasta.Escrever("TALVEN.INI", std::string("[VIDEO]\nLARGURALETRA=8\nALTURALETRA=16\nLENTO=") +
                                     (lento ? "S" : "N") + "\n");
  m.console = std::make_unique<console::Console>(*m.plataforma);
  console::Console& c = *m.console;
  c.ClearWindow();
  c.SetTextWindow(1, 1, 80, 25);
  for (int linha = 1; linha <= 25; ++linha) {
    c.MoveCursor(50, linha);
    c.SetBackground(1);
    c.Write(std::string(25, ' '));
    c.SetBackground(0);
  }
  c.SetTextWindow(1, 1, 49, 25);
  const Window janela = m.x.JanelaDe(getpid(), 5s);
  if (!janela) return false;
  m.x.Focar(janela);
  for (auto limite = bancada::Relogio::now() + 5s; !m.plataforma->janela().Ativa() && bancada::Relogio::now() < limite;)
    c.PauseMs(5);
  m.lento = int(lento);
  return m.plataforma->janela().Ativa();
}

void EscreverLinha(benchmark::State& state) {
  const bool lento = state.range(0) != 0, rolar = state.range(1) != 0, mostrar = state.range(2) != 0;
  if (!Console(lento)) {
    state.SkipWithError("a janela não ficou ativa");
    return;
  }
  console::Console& c = *mundo->console;
  plataforma::Relogio& relogio = mundo->plataforma->relogio();
  c.MoveCursor(1, 1);
  for (auto _ : state) {
    // On the last row the line end scrolls the text window; elsewhere the
    // cursor goes back to the top before it gets there.
    if (rolar) c.MoveCursor(1, 25);
    else if (c.CursorRow() == 24) c.MoveCursor(1, 1);
    c.WriteLine(kLinha);
    // Sleeping 0 ms presents what was drawn, as every pause does.
    if (mostrar) relogio.Dormir(0);
  }
}

}  // namespace

int main(int argc, char** argv) {
  bancada::TelaVirtual tela;
  benchmark::Initialize(&argc, argv);
  int codigo = 1;
  try {
    Mundo m;
    mundo = &m;
    if (!m.x.tela()) {
      std::fprintf(stderr, "bancada_janela: sem tela X\n");
      return 1;
    }
    setenv("TALVEN_DIR", m.pasta.caminho().c_str(), 1);
    m.plataforma = plataforma::CriarPlataformaSdl();
    if (!m.plataforma) return 1;
    benchmark::RegisterBenchmark("EscreverLinha", EscreverLinha)
        ->ArgNames({"lento", "rolar", "mostrar"})
        ->ArgsProduct({{0, 1}, {0, 1}, {0, 1}})
        ->Unit(benchmark::kMicrosecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    m.console.reset();
    codigo = 0;
  } catch (const plataforma::FimDoPrograma& fim) {
    codigo = fim.codigo;
  }
  return codigo;
}
