// Shared helpers for the tests: temporary directories, files, environment
// variables, and running the game headless from a key script.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace apoio {

namespace fs = std::filesystem;

inline std::string LerArquivo(const fs::path& caminho) {
  std::ifstream f(caminho, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

inline void EscreverArquivo(const fs::path& caminho, const std::string& conteudo) {
  fs::create_directories(caminho.parent_path());
  std::ofstream f(caminho, std::ios::binary);
  f << conteudo;
}

inline std::vector<std::string> Linhas(const std::string& texto) {
  std::vector<std::string> linhas;
  std::stringstream s(texto);
  for (std::string l; std::getline(s, l);) linhas.push_back(l);
  return linhas;
}

// A fresh directory, removed at the end of the test.
class DiretorioTemporario {
 public:
  DiretorioTemporario() {
    std::string modelo = (fs::temp_directory_path() / "mirtalan-XXXXXX").string();
    caminho_ = mkdtemp(modelo.data());
  }
  ~DiretorioTemporario() {
    std::error_code e;
    fs::remove_all(caminho_, e);
  }
  const fs::path& caminho() const { return caminho_; }
  fs::path operator/(const std::string& nome) const { return caminho_ / nome; }

 private:
  fs::path caminho_;
};

// Sets an environment variable for the life of the object.
class Variavel {
 public:
  Variavel(const char* nome, const std::string& valor) : nome_(nome) {
    if (const char* antigo = std::getenv(nome)) antigo_ = antigo, tinha_ = true;
    setenv(nome, valor.c_str(), 1);
  }
  ~Variavel() {
    if (tinha_) setenv(nome_, antigo_.c_str(), 1);
    else unsetenv(nome_);
  }

 private:
  const char* nome_;
  std::string antigo_;
  bool tinha_ = false;
};

// One headless run of the game.
struct Partida {
  int codigo = -1;
  std::vector<std::string> tela;    // 25 lines of 80 bytes
  std::vector<std::string> diario;  // "<ms> <event> <argument>"

  // The log's events without their times, optionally only those of one kind.
  std::vector<std::string> Eventos(const std::string& tipo = "") const {
    std::vector<std::string> r;
    for (const std::string& l : diario) {
      std::string semTempo = l.substr(l.find(' ') + 1);
      if (tipo.empty() || semTempo.rfind(tipo + " ", 0) == 0 || semTempo == tipo) r.push_back(semTempo);
    }
    return r;
  }
  // The requests and keys, without the lines about sound blocks.
  std::vector<std::string> Pedidos() const {
    std::vector<std::string> r;
    for (const std::string& e : Eventos())
      if (e.rfind("som", 0) != 0 && e.rfind("bloco ", 0) != 0 && e.rfind("corte ", 0) != 0) r.push_back(e);
    return r;
  }
  // Row r (1-based) of the text window, columns 1 to 49, trailing blanks removed.
  std::string Texto(int r) const {
    std::string l = tela.at(size_t(r - 1)).substr(0, 49);
    return l.substr(0, l.find_last_not_of(' ') + 1);
  }
};

#ifdef MIRTALAN_BINARIO
// Runs the game in `dir`, where TALVEN.INI, the word list and the key script
// have been written by the test.
inline Partida Jogar(const DiretorioTemporario& dir, const std::string& teclas) {
  EscreverArquivo(dir / "teclas", teclas);
  std::string comando = "cd '" + dir.caminho().string() + "' && TALVEN_DIR='" + dir.caminho().string() +
                        "' TALVEN_TELA=nenhuma TALVEN_TECLAS=teclas TALVEN_DIARIO=diario "
                        "TALVEN_TELA_FINAL=tela " MIRTALAN_BINARIO " >saida 2>&1";
  int estado = std::system(comando.c_str());
  Partida p;
  p.codigo = WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
  p.tela = Linhas(LerArquivo(dir / "tela"));
  p.diario = Linhas(LerArquivo(dir / "diario"));
  return p;
}
#endif

}  // namespace apoio
