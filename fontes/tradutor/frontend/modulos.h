// The modules beneath the game, created in start-up order and destroyed in
// reverse: the console, the wave player, the voice back-ends, the
// letter-to-sound rules, the configuration and the speech front end (which
// holds the diphone synthesizer and the number reader).
#pragma once

#include "console/console.h"
#include "tradutor/diphone/lts.h"
#include "tradutor/frontend/configuracao.h"
#include "tradutor/frontend/frontend.h"
#include "tradutor/voices/despachante.h"
#include "tradutor/wave/wave.h"

namespace frontend {

struct Modulos {
  explicit Modulos(plataforma::Plataforma& plataforma)
      : console(plataforma), wave(console), fala(console, configuracao, wave, regras, despachante) {}

  console::Console console;
  wave::WavePlayer wave;
  voices::Despachante despachante;
  diphone::RegrasLts regras;
  Configuracao configuracao;
  FrontEnd fala;
};

}  // namespace frontend
