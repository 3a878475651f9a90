// The request log shared by every speech front end.
#include "tradutor/frontend/fala.h"

#include "plataforma/diario.h"

namespace frontend {

using plataforma::diario::Registrar;

void Fala::SpeechStart(int speed, std::string_view messageDirectory) {
  Registrar("SpeechStart", std::to_string(speed) + " " + std::string(messageDirectory));
  IniciarFala(speed, messageDirectory);
}

void Fala::SpeechFinish() {
  Registrar("SpeechFinish");
  TerminarFala();
}

void Fala::SpeakText(std::string_view text) {
  Registrar("SpeakText", text);
  FalarTexto(text);
}

void Fala::SpeakChar(uint8_t c) {
  Registrar("SpeakChar", std::to_string(c));
  FalarCaractere(c);
}

void Fala::PlayNamedSound(std::string_view name) {
  Registrar("PlayNamedSound", name);
  TocarSomNomeado(name);
}

}  // namespace frontend
