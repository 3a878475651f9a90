// The event log named by TALVEN_DIARIO: one line per event, "<ms> <event> <argument>",
// with the platform clock's time (virtual in the headless implementation).
#pragma once

#include <string_view>

namespace plataforma {

class Relogio;

namespace diario {

// Opens the log named by TALVEN_DIARIO, if any; the clock stamps each line.
void Abrir(const Relogio* relogio);
void Fechar();
void Registrar(std::string_view evento, std::string_view argumento = {});

}  // namespace diario
}  // namespace plataforma
