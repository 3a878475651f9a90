// INI reading with private-profile semantics.
#include "plataforma/ini.h"

#include <strings.h>

#include <cstdio>
#include <cstdlib>

#include "plataforma/arquivos.h"

namespace plataforma {
namespace {

std::string_view Aparar(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

bool Iguais(std::string_view a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// Reads one line of any length; keeps at most `limite` bytes of it.
bool LerLinha(std::FILE* f, std::string& linha, size_t limite) {
  linha.clear();
  int c;
  bool leu = false;
  while ((c = std::fgetc(f)) != EOF) {
    leu = true;
    if (c == '\n') break;
    if (linha.size() < limite) linha += static_cast<char>(c);
  }
  return leu;
}

}  // namespace

std::string DiretorioSistema() {
  std::string dir;
  if (const char* talven = std::getenv("TALVEN_DIR"); talven && *talven) {
    dir = talven;
  } else {
    const char* home = std::getenv("HOME");
    dir = std::string(home ? home : "") + "/.config/talven";
  }
  if (dir.back() != '/') dir += '/';
  return dir;
}

std::string LerPerfil(std::string_view arquivo, std::string_view secao, std::string_view chave,
                      std::string_view padrao, size_t tamanho) {
  std::string caminho = CaminhoLocal(arquivo);
  if (caminho.find('/') == std::string::npos) caminho = DiretorioSistema() + caminho;
  std::string valor(padrao);
  if (std::FILE* f = AbrirArquivo(caminho, "rb")) {
    std::string linha;
    bool naSecao = false, secaoVista = false;
    // Lines longer than this cannot hold anything a caller can receive.
    const size_t limite = 4096 + tamanho;
    while (LerLinha(f, linha, limite)) {
      std::string_view l = Aparar(linha);
      if (l.empty() || l.front() == ';') continue;
      if (l.front() == '[') {
        if (secaoVista) break;  // only the first section of that name counts
        size_t fecha = l.find(']');
        naSecao = fecha != std::string_view::npos && Iguais(Aparar(l.substr(1, fecha - 1)), secao);
        secaoVista = naSecao;
        continue;
      }
      if (!naSecao) continue;
      size_t igual = l.find('=');
      if (igual == std::string_view::npos || !Iguais(Aparar(l.substr(0, igual)), chave)) continue;
      std::string_view v = Aparar(l.substr(igual + 1));
      if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
      valor = v;
      break;
    }
    std::fclose(f);
  }
  if (tamanho == 0) return {};
  if (valor.size() > tamanho - 1) valor.resize(tamanho - 1);
  return valor;
}

}  // namespace plataforma
