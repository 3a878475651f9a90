// A speech front end that makes no sound: every request only reaches the
// event log, and nothing is ever busy.
#pragma once

#include "console/console.h"
#include "tradutor/frontend/fala.h"

namespace frontend {

class FalaSilenciosa : public Fala {
 public:
  explicit FalaSilenciosa(console::Console& console) : console_(console) {}
  bool IsSpeaking() override;

 protected:
  void IniciarFala(int, std::string_view) override {}
  void TerminarFala() override {}
  void FalarTexto(std::string_view) override {}
  void FalarCaractere(uint8_t) override {}
  void TocarSomNomeado(std::string_view) override {}

 private:
  console::Console& console_;
};

}  // namespace frontend
