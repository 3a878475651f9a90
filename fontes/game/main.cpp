// Mirtalan: the talking hangman game. The modules are created in start-up
// order and destroyed in reverse, on every way out of the program.
#include <cstdio>

#include "game/jogo.h"
#include "plataforma/diario.h"
#include "tradutor/frontend/configuracao.h"
#include "tradutor/frontend/silenciosa.h"

int main() {
  auto plataforma = plataforma::CriarPlataforma();
  if (!plataforma) return 1;
  plataforma::diario::Abrir(&plataforma->relogio());
  int codigo = 0;
  try {
    console::Console console(*plataforma);
    frontend::Configuracao configuracao;
    frontend::FalaSilenciosa fala(console);
    jogo::Jogo jogo(console, configuracao, fala);
    jogo.GameMain();
  } catch (const plataforma::FimDoPrograma& fim) {
    codigo = fim.codigo;
  }
  plataforma::diario::Registrar("saida", std::to_string(codigo));
  plataforma::diario::Fechar();
  return codigo;
}
