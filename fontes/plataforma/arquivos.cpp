// Path conventions: "\" as separator and case-blind file names.
#include "plataforma/arquivos.h"

#include <strings.h>

#include <filesystem>
#include <system_error>

namespace plataforma {

namespace fs = std::filesystem;

std::string CaminhoLocal(std::string_view caminho) {
  std::string r(caminho);
  for (char& c : r)
    if (c == '\\') c = '/';
  return r;
}

std::string ResolverNome(std::string_view caminho) {
  std::string exato(caminho);
  std::error_code erro;
  if (exato.empty() || fs::exists(exato, erro)) return exato;
  fs::path p(exato);
  fs::path dir = p.has_parent_path() ? p.parent_path() : fs::path(".");
  std::string nome = p.filename().string();
  for (fs::directory_iterator it(dir, erro), fim; !erro && it != fim; it.increment(erro)) {
    std::string candidato = it->path().filename().string();
    if (strcasecmp(candidato.c_str(), nome.c_str()) == 0)
      return p.has_parent_path() ? (dir / candidato).string() : candidato;
  }
  return exato;
}

std::FILE* AbrirArquivo(std::string_view caminho, const char* modo) {
  std::string nome = ResolverNome(CaminhoLocal(caminho));
  std::error_code erro;
  if (nome.empty() || fs::is_directory(nome, erro)) return nullptr;
  return std::fopen(nome.c_str(), modo);
}

bool ArquivoExiste(std::string_view caminho) {
  std::error_code erro;
  return fs::is_regular_file(ResolverNome(CaminhoLocal(caminho)), erro);
}

std::string DiretorioDeDados() { return MIRTALAN_DADOS; }

}  // namespace plataforma
