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

}  // namespace plataforma
