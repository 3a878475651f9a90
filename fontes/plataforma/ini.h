// Private-profile (INI) reading with the semantics the configuration relies on:
// sections and keys without regard to case, first match wins, values trimmed
// and stripped of one pair of surrounding quotes, cut to the buffer size.
#pragma once

#include <string>
#include <string_view>

namespace plataforma {

// The system directory stands where the Windows directory stood: $TALVEN_DIR,
// else ~/.config/talven. Returned with a trailing "/".
std::string DiretorioSistema();

// GetPrivateProfileStringA: a bare file name (no "/") is looked up in the
// system directory. Missing file, section or key give the default. The value
// is cut to tamanho - 1 bytes.
std::string LerPerfil(std::string_view arquivo, std::string_view secao, std::string_view chave,
                      std::string_view padrao, size_t tamanho);

}  // namespace plataforma
