// Chooses the platform implementation by name.
#include "plataforma/plataforma.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace plataforma {

std::unique_ptr<Plataforma> CriarPlataforma() {
  const char* valor = std::getenv("TALVEN_TELA");
  std::string nome = valor && *valor ? valor : "janela";
  if (nome == "janela") return CriarPlataformaSdl();
  if (nome == "nenhuma") return CriarPlataformaNenhuma();
  std::fprintf(stderr, "mirtalan: TALVEN_TELA=%s desconhecida; use \"janela\" ou \"nenhuma\"\n",
               nome.c_str());
  return nullptr;
}

bool FormatoTocavel(const FormatoPcm& f) {
  return (f.bits == 8 || f.bits == 16 || f.bits == 32) && f.canais >= 1 && f.canais <= 8 && f.taxa >= 1000 &&
         f.taxa <= 192000;
}

}  // namespace plataforma
