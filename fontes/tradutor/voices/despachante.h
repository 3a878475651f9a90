// The voice back-end dispatcher. No back-end is built yet: BackendInit
// answers false, so the front end's own pipeline speaks free text.
#pragma once

#include <string_view>

namespace voices {

class Despachante {
 public:
  bool BackendInit(int voz, int velocidade, int tom, int tipo, std::string_view arquivoSaida);
  void BackendFinish() {}
  void BackendSpeak(std::string_view) {}
  bool BackendBusy(int) { return false; }
  void BackendStop() {}
};

}  // namespace voices
