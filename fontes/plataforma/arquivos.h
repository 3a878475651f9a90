// File-name conventions for data written on Windows: "\" separators and
// names whose case differs from the file on disk.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace plataforma {

// Turns "\" into "/".
std::string CaminhoLocal(std::string_view caminho);

// The existing file for a path: the exact name if it exists, otherwise the
// first entry of its directory whose name matches without regard to case,
// otherwise the path as given.
std::string ResolverNome(std::string_view caminho);

// fopen of ResolverNome(CaminhoLocal(caminho)).
std::FILE* AbrirArquivo(std::string_view caminho, const char* modo);

bool ArquivoExiste(std::string_view caminho);

// The program's own data as the build laid it out (recordings, rules, the
// unit database); the stand-in for the installation directory of defaults.
std::string DiretorioDeDados();

}  // namespace plataforma
