// The event log for scripted runs and tests.
#include "plataforma/diario.h"

#include <cstdio>
#include <cstdlib>

#include "plataforma/plataforma.h"

namespace plataforma::diario {
namespace {

struct Estado {
  std::FILE* arquivo = nullptr;
  const Relogio* relogio = nullptr;
};
Estado estado;

}  // namespace

void Abrir(const Relogio* relogio) {
  Fechar();
  estado.relogio = relogio;
  const char* nome = std::getenv("TALVEN_DIARIO");
  if (nome && *nome) {
    estado.arquivo = std::fopen(nome, "wb");
    if (!estado.arquivo) std::fprintf(stderr, "mirtalan: nao consegui criar o diario %s\n", nome);
  }
}

void Fechar() {
  if (estado.arquivo) std::fclose(estado.arquivo);
  estado = {};
}

void Registrar(std::string_view evento, std::string_view argumento) {
  if (!estado.arquivo) return;
  unsigned long long ms = estado.relogio ? estado.relogio->AgoraMs() : 0;
  std::fprintf(estado.arquivo, "%llu %.*s", ms, static_cast<int>(evento.size()), evento.data());
  if (!argumento.empty())
    std::fprintf(estado.arquivo, " %.*s", static_cast<int>(argumento.size()), argumento.data());
  std::fputc('\n', estado.arquivo);
  std::fflush(estado.arquivo);
}

}  // namespace plataforma::diario
