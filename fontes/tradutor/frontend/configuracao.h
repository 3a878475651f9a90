// Lookup of the family's shared configuration file TALVEN.INI.
#pragma once

#include <string>
#include <string_view>

namespace frontend {

// Flag values: on when non-empty and the first character, upper-cased, is not "N".
bool FlagLigada(std::string_view valor);

// A decimal number with leading blanks, a sign, and "$" or "0x" hexadecimal;
// `completo` tells whether nothing but the number was there.
long NumeroInicial(std::string_view valor, bool* completo = nullptr);

class Configuracao {
 public:
  // Takes the start-up directory: the current directory, trailing "/" removed.
  Configuracao();
  explicit Configuracao(std::string diretorioInicial);

  // One value of TALVEN.INI: the system directory's copy when there is one,
  // else the start-up directory's. An empty section means "TALVEN". "@" at the
  // start and "@\" or "@/" anywhere stand for [TALVEN] PGMTALVEN (or the
  // start-up directory); each marker of the value as read is expanded once.
  std::string GetConfigValue(std::string_view section, std::string_view key) const;

  const std::string& DiretorioInicial() const { return diretorioInicial_; }

 private:
  std::string ArquivoIni() const;
  std::string DiretorioDoPrograma(const std::string& arquivo) const;

  std::string diretorioInicial_;
};

}  // namespace frontend
