// The speech front end: speech set-up from TALVEN.INI and the speaking
// operations. Characters and named sounds are played from recordings; free
// text goes to a voice back-end when one started, else through the own
// pipeline: numbers from recorded words, words through the letter-to-sound
// rules and the diphone voice, symbols from recordings, with pauses.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "console/console.h"
#include "tradutor/diphone/difone.h"
#include "tradutor/diphone/lts.h"
#include "tradutor/diphone/numeros.h"
#include "tradutor/frontend/configuracao.h"
#include "tradutor/frontend/fala.h"
#include "tradutor/voices/despachante.h"
#include "tradutor/wave/wave.h"

namespace frontend {

// The diphone synthesizer and the number reader hand their images back up
// to the front end, so the front end holds them, built right before itself.
class FrontEnd : public Fala, public diphone::Reprodutor {
 public:
  FrontEnd(console::Console& console, const Configuracao& configuracao, wave::WavePlayer& wave,
           diphone::RegrasLts& lts, voices::Despachante& despachante);

  bool IsSpeaking() override;
  void SpeechStop();
  void PlayImageAndWait(const uint8_t* image, size_t size) override;
  void WaitMessage() override { console_.WaitMessage(); }

  void SetSynthOptions(int diphoneCut, int diphoneMinimum, int wordPause, bool fast, bool cut);

  // What the own pipeline plays, for tools: ("arquivo", name), ("imagem",
  // sample bytes) and ("pausa", ms).
  std::function<void(std::string_view tipo, std::string_view valor)> observador;

  int SpeedIndex() const { return speedIndex_; }
  const std::string& LettersDirectory() const { return letrasDir_; }
  const std::string& MessageDirectory() const { return mensagensDir_; }
  diphone::Difone& difone() { return difone_; }
  diphone::Numeros& numeros() { return numeros_; }

 protected:
  void IniciarFala(int speed, std::string_view messageDirectory) override;
  void TerminarFala() override;
  void FalarTexto(std::string_view text) override;
  void FalarCaractere(uint8_t c) override;
  void TocarSomNomeado(std::string_view name) override;

 private:
  void LoadSynthSettings(int n);
  void WaitPending();
  void SpellText(std::string_view s);
  void SpeechPause(int ms);
  void SpeakPunctuation(std::string_view s);
  void PlayTick();
  void TocarArquivo(const std::string& caminho);
  void EsperarFala();
  void FalarPeloPipeline(std::string texto);

  console::Console& console_;
  const Configuracao& configuracao_;
  wave::WavePlayer& wave_;
  diphone::RegrasLts& lts_;
  voices::Despachante& despachante_;
  diphone::Difone difone_;
  diphone::Numeros numeros_;

  int speedIndex_ = 3;
  std::string mensagensDir_, letrasDir_;
  int pausaPonto_ = 250, pausaVirgula_ = 150, pausaDoisPontos_ = 200;
  bool backendAtivo_ = false;
  int backendTipo_ = 4;
  std::string arquivoSaida_;

  bool esperaPendente_ = true;
  bool cancelado_ = false;
  std::string fonetica_;
  std::array<uint8_t, 300> tique_{};
};

// "a" to "z" and 224 to 255 upper-cased, as the speech data expect.
std::string UpperLatin1(std::string_view s);

}  // namespace frontend
