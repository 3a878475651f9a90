// The voice back-end dispatcher.
#include "tradutor/voices/despachante.h"

#include <string>

#include "plataforma/diario.h"

namespace voices {

bool Despachante::BackendInit(int voz, int velocidade, int tom, int tipo, std::string_view) {
  plataforma::diario::Registrar("BackendInit", std::to_string(voz) + " " + std::to_string(velocidade) + " " +
                                                   std::to_string(tom) + " " + std::to_string(tipo));
  return false;
}

}  // namespace voices
