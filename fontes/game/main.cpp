// Mirtalan: the talking hangman game. The modules are created in start-up
// order and destroyed in reverse, on every way out of the program.
#include "game/jogo.h"
#include "plataforma/diario.h"
#include "tradutor/frontend/modulos.h"

int main() {
  auto plataforma = plataforma::CriarPlataforma();
  if (!plataforma) return 1;
  plataforma::diario::Abrir(&plataforma->relogio());
  int codigo = 0;
  try {
    frontend::Modulos m(*plataforma);
    jogo::Jogo jogo(m.console, m.configuracao, m.fala);
    jogo.GameMain();
  } catch (const plataforma::FimDoPrograma& fim) {
    codigo = fim.codigo;
  }
  plataforma::diario::Registrar("saida", std::to_string(codigo));
  plataforma::diario::Fechar();
  return codigo;
}
