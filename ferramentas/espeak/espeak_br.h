// espeak-ng's Brazilian Portuguese voice as the data generators use it: a
// voice that gives the same samples for the same text on every run, the
// phonemes it says and where, and the samples brought to the game's rate.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace espeak_br {

// The rate of every sample the game plays.
constexpr int kTaxa = 11025;

// A fresh directory made from a mkdtemp template ("/tmp/nome.XXXXXX"),
// removed with all it holds when the object goes.
class DiretorioTemporario {
 public:
  explicit DiretorioTemporario(const std::filesystem::path& modelo);
  ~DiretorioTemporario();
  DiretorioTemporario(const DiretorioTemporario&) = delete;
  DiretorioTemporario& operator=(const DiretorioTemporario&) = delete;

  const std::filesystem::path& Caminho() const { return caminho_; }

 private:
  std::filesystem::path caminho_;
};

// A phoneme espeak-ng said, and the sample (at the voice's own rate) where
// it begins.
struct Evento {
  std::string nome;
  size_t amostra;
};

// What one synthesis gave: the samples as floats (full scale 1.0) at the
// voice's own rate, and the phoneme events when the voice reports them.
struct Fala {
  std::vector<float> amostras;
  std::vector<Evento> eventos;
};

// How a tool wants the voice to speak.
struct Ajustes {
  std::string variante;  // name of our variant of the pt-br voice
  int palavrasPorMinuto;
  int altura;     // pitch, 0..100
  int entonacao;  // pitch range, 0..100
  bool eventosDeFonema = false;
};

// espeak-ng with a private copy of its data, where our variant of the
// Brazilian voice switches the pitch "flutter" off. The stock voices' flutter
// has a phase that runs on from one utterance to the next, so the same text
// would sound different depending on what was spoken before it, and adding
// one recording would change every later file. Without it each synthesis
// depends on its own text alone, and the generated data is the same bytes on
// every build. espeak-ng keeps global state, so there is one voice per
// process.
class Voz {
 public:
  explicit Voz(const Ajustes& ajustes);
  ~Voz();
  Voz(const Voz&) = delete;
  Voz& operator=(const Voz&) = delete;

  // The voice's own sample rate.
  int Taxa() const { return taxa_; }

  // Speaks UTF-8 text; text between [[ and ]] is taken as espeak-ng
  // phonemes.
  Fala Falar(const std::string& texto);

  // The phonemes espeak-ng speaks for the text, clause by clause separated
  // by "|", taken from its trace during a real synthesis (so phoneme input
  // is shown as it is spoken too).
  std::string Fonemas(const std::string& texto);

 private:
  DiretorioTemporario raiz_;
  int taxa_ = 0;
};

// The samples brought from taxaEntrada to kTaxa.
std::vector<float> Reamostrar(const std::vector<float>& entrada, int taxaEntrada);

// A float sample as a step of the 8-bit scale, 0 at the centre.
inline long Degrau(float x) { return std::lround(x * 127.0); }

// A float sample as the unsigned 8-bit sample the game plays (silence is
// 128), clipped to the scale.
inline uint8_t OitoBits(float x) { return static_cast<uint8_t>(std::clamp<long>(128 + Degrau(x), 0, 255)); }

}  // namespace espeak_br
