// The speaking operations the game uses. Each request is written to the
// event log here, whoever speaks it; implementations fill the protected part.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace frontend {

class Fala {
 public:
  virtual ~Fala() = default;

  // speed 0 or less: take it from the configuration.
  void SpeechStart(int speed, std::string_view messageDirectory);
  // Waits until speech has ended or a key cut it short, then closes the voices.
  void SpeechFinish();
  void SpeakText(std::string_view text);
  // Plays the recording of one character; returns when it has ended or a key is waiting.
  void SpeakChar(uint8_t c);
  // Plays a named recording (a game message, "_zero", ...).
  void PlayNamedSound(std::string_view name);
  // The speech-busy test: false, with all sound stopped, as soon as a key is waiting.
  virtual bool IsSpeaking() = 0;

 protected:
  virtual void IniciarFala(int speed, std::string_view messageDirectory) = 0;
  virtual void TerminarFala() = 0;
  virtual void FalarTexto(std::string_view text) = 0;
  virtual void FalarCaractere(uint8_t c) = 0;
  virtual void TocarSomNomeado(std::string_view name) = 0;
};

}  // namespace frontend
