// Mirtalan: the talking hangman game. The modules are created in start-up
// order and destroyed in reverse, on every way out of the program.
#include "game/jogo.h"
#include "plataforma/diario.h"
#include "tradutor/diphone/lts.h"
#include "tradutor/frontend/configuracao.h"
#include "tradutor/frontend/frontend.h"
#include "tradutor/voices/despachante.h"
#include "tradutor/wave/wave.h"

int main() {
  auto plataforma = plataforma::CriarPlataforma();
  if (!plataforma) return 1;
  plataforma::diario::Abrir(&plataforma->relogio());
  int codigo = 0;
  try {
    console::Console console(*plataforma);
    wave::WavePlayer wave(console);
    voices::Despachante despachante;
    diphone::RegrasLts regras;
    frontend::Configuracao configuracao;
    frontend::FrontEnd fala(console, configuracao, wave, regras, despachante);
    jogo::Jogo jogo(console, configuracao, fala);
    jogo.GameMain();
  } catch (const plataforma::FimDoPrograma& fim) {
    codigo = fim.codigo;
  }
  plataforma::diario::Registrar("saida", std::to_string(codigo));
  plataforma::diario::Fechar();
  return codigo;
}
