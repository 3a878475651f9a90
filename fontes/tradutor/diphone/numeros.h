// Number reading: a value in Portuguese words, and the words spoken from one
// recording per word in the letters directory, joined into WAV images.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tradutor/diphone/difone.h"

namespace diphone {

class Numeros {
 public:
  static constexpr size_t kMaxAmostras = 30000;
  static constexpr size_t kCabecalho = 44;

  // The recordings are looked for in difone.DirLetras() at each call, so the
  // synthesizer may be opened after this is made. Neither is owned.
  Numeros(const Difone& difone, Reprodutor& reprodutor);

  // The value in words separated by spaces, possibly with a trailing space
  // ("mil "). Group names carry accents in Windows-1252 ("milh\xE3o").
  // Only the last 15 decimal digits are read.
  static std::string NumToWords(uint64_t value);
  // The words of one group of three digits, without the group's name; "000"
  // gives "". A character that is not a digit counts as 0.
  static std::string NumGroupWords(std::string_view digits);
  // Speaks words separated by spaces, one recording "_" + word (cut to 8
  // characters) + ".wav" each, and returns when they have been played. With
  // feminine, a last word "um" or "dois" is spoken as "uma" or "duas".
  void NumSpeakWords(std::string_view words, bool feminine);

  // Told of every word recording appended (Letra) and every one missing (Falta).
  Observador observador;

 private:
  void Tocar(std::vector<uint8_t>& imagem, size_t& amostras);

  const Difone& difone_;
  Reprodutor& reprodutor_;
};

}  // namespace diphone
