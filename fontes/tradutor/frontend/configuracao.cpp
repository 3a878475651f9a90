// Configuration lookup with "@" expansion.
#include "tradutor/frontend/configuracao.h"

#include <cctype>
#include <climits>
#include <filesystem>
#include <system_error>

#include "plataforma/arquivos.h"
#include "plataforma/ini.h"

namespace frontend {

bool FlagLigada(std::string_view valor) {
  return !valor.empty() && std::toupper(static_cast<unsigned char>(valor[0])) != 'N';
}

long NumeroInicial(std::string_view v, bool* completo) {
  size_t i = 0;
  while (i < v.size() && (v[i] == ' ' || v[i] == '\t')) ++i;
  bool negativo = false;
  if (i < v.size() && (v[i] == '-' || v[i] == '+')) negativo = v[i++] == '-';
  int base = 10;
  if (i < v.size() && v[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < v.size() && v[i] == '0' && (v[i + 1] == 'x' || v[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  long n = 0;
  size_t inicio = i;
  for (; i < v.size(); ++i) {
    int d = std::isdigit(static_cast<unsigned char>(v[i])) ? v[i] - '0'
            : base == 16 && std::isxdigit(static_cast<unsigned char>(v[i]))
                ? std::tolower(static_cast<unsigned char>(v[i])) - 'a' + 10
                : -1;
    if (d < 0) break;
    if (n < (LONG_MAX - d) / base) n = n * base + d;
  }
  if (completo) *completo = i > inicio && i == v.size();
  return negativo ? -n : n;
}

namespace {

std::string DiretorioAtual() {
  std::error_code erro;
  std::string d = std::filesystem::current_path(erro).string();
  if (!d.empty() && (d.back() == '/' || d.back() == '\\')) d.pop_back();
  return d;
}

}  // namespace

Configuracao::Configuracao() : Configuracao(DiretorioAtual()) {}

Configuracao::Configuracao(std::string diretorioInicial) : diretorioInicial_(std::move(diretorioInicial)) {}

std::string Configuracao::ArquivoIni() const {
  if (plataforma::ArquivoExiste(plataforma::DiretorioSistema() + "TALVEN.INI")) return "TALVEN.INI";
  return diretorioInicial_ + "/TALVEN.INI";
}

std::string Configuracao::DiretorioDoPrograma(const std::string& arquivo) const {
  std::string pgm = plataforma::LerPerfil(arquivo, "TALVEN", "PGMTALVEN", "", 255);
  return pgm.empty() || pgm[0] == '@' ? diretorioInicial_ : pgm;
}

std::string Configuracao::GetConfigValue(std::string_view section, std::string_view key) const {
  std::string arquivo = ArquivoIni();
  std::string lido = plataforma::LerPerfil(arquivo, section.empty() ? "TALVEN" : section, key, "", 255);
  if (lido.find('@') == std::string::npos) return lido;
  std::string programa = DiretorioDoPrograma(arquivo);
  std::string valor;
  for (size_t i = 0; i < lido.size(); ++i) {
    bool marcador = lido[i] == '@' &&
                    (i == 0 || (i + 1 < lido.size() && (lido[i + 1] == '\\' || lido[i + 1] == '/')));
    if (marcador) valor += programa;
    else valor += lido[i];
  }
  return valor;
}

}  // namespace frontend
